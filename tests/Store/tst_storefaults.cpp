// Every write path of the store run once per I/O call, with that call failing (a disk that fills
// up and stays full, a passing I/O error) or the power cut at that sync, as SQLite's own I/O-error
// and crash tests do. At each point the store says a save failed when one did, never reports as saved
// what is not on disk, keeps working once the disk does, and the file opens again whole: every
// action it acknowledged is there, integrity_check is ok, and no file beside it is left over.
//
// `make test` tries a sample of the points of each path; TENDREL_FAULT_FULL=1 (`make fault-test`)
// tries every one. Each row prints its figures; TENDREL_FAULT_VERBOSE=1 also what went wrong at
// each point that failed.
#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Store/ModelStore.h"
#include "Store/SqliteDatabase.h"
#include "Store/SqliteStatement.h"
#include "Store/StoreCheckpointer.h"
#include "support/FaultVfs.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

#include <climits>
#include <functional>
#include <optional>

namespace {

enum class Fault { diskFull, ioError, powerCut };

// One store and what the steps of a path hand each other.
struct Run
{
    QString path;
    std::unique_ptr<ModelStore> store;
    // A step that answers for itself (opening, restoring) says here whether it succeeded, and why not.
    std::optional<bool> succeeded;
    QString error;
    std::unique_ptr<Plant> taken;
    qsizetype takenIndex = 0;
};

using Step = std::function<void(Run &)>;

struct WritePath
{
    QList<Step> steps;
    // The path opens the store itself (a file of the first version, brought up to date).
    bool opens = false;
};

struct Tally
{
    int tried = 0;
    int survived = 0;
    int lost = 0;
    int integrity = 0;
    int stray = 0;
    QString firstFailure;
};

constexpr RecordId fernId = 101, monsteraId = 102, basilId = 103, pothosId = 104;
// Points a sampled run tries per path, spread over all of them.
constexpr int sampledPoints = 12;

QDateTime day(int n)
{
    return QDateTime(QDate(2026, 10, 1).addDays(n), QTime(8, 30), Qt::UTC);
}

QByteArray photoBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

void finishTurn()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Connections of the test's own read and write (never create) the file: a read-only connection could
// not remove the -wal and -shm files it makes.

// What a reopened store would show of the file: its version, then every plant in store order with
// its columns and photo, each followed by its log. Event identities are left out: a care action
// draws a new one each run.
QString describe(const QString &path)
{
    SqliteDatabase db;
    QString error;
    if (!db.open(path, SQLITE_OPEN_READWRITE, &error))
        return QStringLiteral("unreadable: ") + error;
    const qint64 version = db.queryInt("PRAGMA user_version").value_or(-1);
    const QByteArray select =
        QByteArray("SELECT id, name, site, notes, dateAdded, waterInterval, fertilizeInterval, mistInterval, "
                   "lastWatered, lastFertilized, lastMisted, hasEventList, "
                   "(SELECT bytes FROM plantPhoto WHERE plantPhoto.plant = plant.id) FROM plant ") +
        (version >= 2 ? "WHERE id NOT IN (SELECT plant FROM deletedPlant) " : "") + "ORDER BY seq";
    SqliteStatement plants(db.handle(), select.constData());
    SqliteStatement events(db.handle(),
                           "SELECT kindRaw, date, note FROM careEvent WHERE plant = ?1 ORDER BY seq");
    if (!plants.isValid() || !events.isValid())
        return QStringLiteral("unreadable: ") + db.lastError();
    QStringList lines{QStringLiteral("version %1").arg(version)};
    int rc = SQLITE_ROW;
    while ((rc = plants.step()) == SQLITE_ROW) {
        QStringList fields;
        for (int column = 0; column < 12; ++column)
            fields.append(plants.isNull(column) ? QStringLiteral("NULL") : plants.text(column));
        fields.append(plants.isNull(12)
                          ? QStringLiteral("no photo")
                          : QString::fromLatin1(
                                QCryptographicHash::hash(plants.blob(12), QCryptographicHash::Sha1).toHex()));
        lines.append(fields.join(QLatin1Char('|')));
        events.bind(1, plants.int64(0));
        while (events.step() == SQLITE_ROW)
            lines.append(QStringLiteral("  ") + events.text(0) + QLatin1Char('|') + events.text(1) +
                         QLatin1Char('|') + events.text(2));
        events.reset();
    }
    if (rc != SQLITE_DONE)
        return QStringLiteral("unreadable: ") + db.lastError();
    return lines.join(QLatin1Char('\n'));
}

QString integrity(const QString &path)
{
    SqliteDatabase db;
    QString error;
    if (!db.open(path, SQLITE_OPEN_READWRITE, &error))
        return error;
    return db.queryText("PRAGMA integrity_check", &error).value_or(error);
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

bool copyFresh(const QString &seed, const QString &path)
{
    QDir folder = QFileInfo(path).dir();
    for (const QString &name : filesIn(folder.path()))
        folder.remove(name);
    return QFile::copy(seed, path);
}

Step care(RecordId plant, CareKind kind, int dayNumber)
{
    return [=](Run &run) { run.store->plant(plant)->markDone(kind, day(dayNumber)); };
}

} // namespace

Q_DECLARE_METATYPE(WritePath)
Q_DECLARE_METATYPE(Fault)

class TestStoreFaults final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void everyFaultPoint_data();
    void everyFaultPoint();

private:
    // What the file holds before the path and after each of its steps, run without a fault; calls
    // is how many calls the fault would count (syncs, for a power cut).
    QStringList referenceStates(const WritePath &path, Fault fault, int *calls);
    // Runs path from a fresh copy of the seed with the fault armed at point n; returns what went
    // wrong, nothing when the point was survived.
    QStringList runPoint(const WritePath &path, Fault fault, int n, const QStringList &states, Tally &tally,
                         bool *fired);

    QTemporaryDir m_dir;
    QString m_seed;
    QString m_seedVersion1;
    QString m_backup;
};

void TestStoreFaults::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Every failed save is expected here; the figures say how each point went.
    QLoggingCategory::setFilterRules(QStringLiteral("tendrel.store.warning=false"));
    FaultVfs::install();
    m_seed = m_dir.filePath(QStringLiteral("seed/tendrel.sqlite"));
    {
        auto store = ModelStore::open(m_seed);
        QVERIFY(store);
        const std::tuple<RecordId, const char *, qsizetype> plants[] = {
            {fernId, "Fern", 0}, {monsteraId, "Monstera", 40'000}, {basilId, "Basil", 0}};
        int n = 0;
        for (const auto &[id, name, photoSize] : plants) {
            auto *plant = new Plant(id);
            plant->setName(QString::fromLatin1(name));
            plant->setSite(QStringLiteral("Kitchen"));
            plant->setDateAdded(day(0));
            plant->setWaterInterval(7);
            plant->setMistInterval(2);
            plant->restoreEvents(std::vector<std::unique_ptr<CareEvent>>());
            if (photoSize > 0)
                plant->setPhoto(photoBytes(photoSize, quint32(id)));
            store->insert(plant);
            plant->markDone(CareKind::water, day(++n));
            plant->markDone(CareKind::mist, day(++n));
        }
        QVERIFY(store->flush());
    }
    QCOMPARE(filesIn(QFileInfo(m_seed).path()), QStringList{QStringLiteral("tendrel.sqlite")});

    // A backup to restore: another garden (one plant fewer, one more with a photo).
    m_backup = m_dir.filePath(QStringLiteral("backup/garden.sqlite"));
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_backup).path()));
        QVERIFY(QFile::copy(m_seed, m_backup));
        auto store = ModelStore::open(m_backup);
        QVERIFY(store);
        store->deletePlant(store->plant(basilId));
        auto *plant = new Plant(pothosId);
        plant->setName(QStringLiteral("Pothos"));
        plant->setPhoto(photoBytes(20'000, 11));
        store->insert(plant);
        plant->markDone(CareKind::water, day(30));
        QVERIFY(store->flush());
    }

    // As the first version wrote it: no table of plants marked deleted.
    m_seedVersion1 = m_dir.filePath(QStringLiteral("seed1/tendrel.sqlite"));
    QVERIFY(QDir().mkpath(QFileInfo(m_seedVersion1).path()));
    QVERIFY(QFile::copy(m_seed, m_seedVersion1));
    SqliteDatabase db;
    QVERIFY(db.open(m_seedVersion1, SQLITE_OPEN_READWRITE, nullptr));
    QVERIFY(db.exec("DROP TABLE deletedPlant; PRAGMA user_version = 1"));
}

void TestStoreFaults::cleanup()
{
    FaultVfs::disarm();
    FaultVfs::useForNewConnections(true);
}

void TestStoreFaults::everyFaultPoint_data()
{
    QTest::addColumn<WritePath>("path");
    QTest::addColumn<Fault>("fault");

    const WritePath careAction{{care(fernId, CareKind::water, 20)}};
    const WritePath completeAll{{[](Run &run) {
        run.store->plant(fernId)->markDone(CareKind::water, day(21));
        run.store->plant(monsteraId)->markDone(CareKind::mist, day(21));
        run.store->plant(basilId)->markDone(CareKind::fertilize, day(21));
    }}};
    const WritePath addWithPhoto{{[](Run &run) {
        auto *plant = new Plant(pothosId);
        plant->setName(QStringLiteral("Pothos"));
        plant->setSite(QStringLiteral("Hall"));
        plant->setDateAdded(day(22));
        plant->setWaterInterval(5);
        plant->setPhoto(photoBytes(60'000, 7));
        plant->markDone(CareKind::water, day(22));
        run.store->insert(plant);
    }}};
    const WritePath edit{{[](Run &run) {
        Plant *plant = run.store->plant(monsteraId);
        plant->setName(QStringLiteral("Swiss cheese plant"));
        plant->setSite(QStringLiteral("Study"));
        plant->setNotes(QStringLiteral("Turn weekly"));
        plant->setPhoto(photoBytes(30'000, 9));
        plant->setWaterInterval(10);
    }}};
    const WritePath deleteAndUndo{
        {[](Run &run) {
             Plant *plant = run.store->plant(monsteraId);
             run.takenIndex = run.store->indexOf(plant);
             run.taken = run.store->take(plant);
         },
         [](Run &run) { run.store->restore(std::move(run.taken), run.takenIndex); }}};
    const WritePath checkpoint{{care(fernId, CareKind::water, 23), care(basilId, CareKind::mist, 23),
                                [](Run &run) {
                                    StoreCheckpointer worker(run.path);
                                    worker.request();
                                    const QDeadlineTimer deadline(500);
                                    while (worker.checkpointCount() == 0 && !deadline.hasExpired())
                                        QThread::msleep(1);
                                },
                                care(monsteraId, CareKind::water, 24)}};
    const WritePath migration{{[](Run &run) {
                                  run.store = ModelStore::open(run.path, &run.error);
                                  run.succeeded = run.store != nullptr;
                              }},
                              true};
    const WritePath restore{
        {[this](Run &run) { run.succeeded = run.store->replaceGarden(m_backup, &run.error); }}};

    const std::pair<const char *, WritePath> paths[] = {{"care action", careAction},
                                                        {"Complete All", completeAll},
                                                        {"adding a plant with a photo", addWithPhoto},
                                                        {"editing", edit},
                                                        {"deleting and undo", deleteAndUndo},
                                                        {"checkpoint worker", checkpoint},
                                                        {"restoring a backup", restore},
                                                        {"migration from version 1", migration}};
    const std::pair<const char *, Fault> faults[] = {
        {"disk full", Fault::diskFull}, {"I/O error", Fault::ioError}, {"power cut", Fault::powerCut}};
    for (const auto &[pathName, path] : paths) {
        for (const auto &[faultName, fault] : faults)
            QTest::addRow("%s, %s", pathName, faultName) << path << fault;
    }
}

QStringList TestStoreFaults::referenceStates(const WritePath &path, Fault fault, int *calls)
{
    Run run;
    run.path = m_dir.filePath(QStringLiteral("run/tendrel.sqlite"));
    QDir().mkpath(QFileInfo(run.path).path());
    if (!copyFresh(path.opens ? m_seedVersion1 : m_seed, run.path))
        return {};
    QStringList states{describe(run.path)};
    FaultVfs::useForNewConnections(true);
    if (!path.opens)
        run.store = ModelStore::open(run.path);
    if (fault == Fault::powerCut)
        FaultVfs::powerCutAt(INT_MAX);
    else
        FaultVfs::failAt(INT_MAX, SQLITE_IOERR, false);
    for (const Step &step : path.steps) {
        step(run);
        finishTurn();
        if (!run.store || !run.store->flush())
            return {};
        // The test's own reading is no call of the path.
        FaultVfs::useForNewConnections(false);
        states.append(describe(run.path));
        FaultVfs::useForNewConnections(true);
    }
    // A power cut may come while the store closes, too.
    run.store.reset();
    *calls = FaultVfs::calls();
    FaultVfs::disarm();
    return states;
}

QStringList TestStoreFaults::runPoint(const WritePath &path, Fault fault, int n, const QStringList &states,
                                      Tally &tally, bool *fired)
{
    QStringList failures;
    Run run;
    run.path = m_dir.filePath(QStringLiteral("run/tendrel.sqlite"));
    if (!copyFresh(path.opens ? m_seedVersion1 : m_seed, run.path))
        return {QStringLiteral("cannot copy the seed")};

    FaultVfs::useForNewConnections(true);
    if (!path.opens) {
        run.store = ModelStore::open(run.path, &run.error);
        if (!run.store)
            return {QStringLiteral("cannot open the seed: ") + run.error};
    }
    if (fault == Fault::powerCut)
        FaultVfs::powerCutAt(n);
    else
        FaultVfs::failAt(n, fault == Fault::diskFull ? SQLITE_FULL : SQLITE_IOERR, fault == Fault::diskFull);

    // Once the store holds nothing unsaved and reports no failure after a step (or, for the opening,
    // hands out a store), that step and every one before it are acknowledged.
    int acknowledged = 0;
    // A restore that failed is not retried: the garden stays as it was.
    bool refused = false;
    for (qsizetype i = 0; i < path.steps.size(); ++i) {
        const bool firedBefore = FaultVfs::fired();
        std::unique_ptr<QSignalSpy> saveErrors;
        if (run.store)
            saveErrors = std::make_unique<QSignalSpy>(run.store.get(), &ModelStore::saveErrorChanged);
        run.succeeded.reset();
        path.steps[i](run);
        finishTurn();
        const bool saved = run.succeeded
                               ? *run.succeeded
                               : !run.store->hasUnsavedChanges() && run.store->saveError().isEmpty();
        if (saved)
            acknowledged = int(i) + 1;
        refused = refused || run.succeeded == false;
        // What the banner shows: a failed save, or why the file did not open.
        if (!saved && !firedBefore && FaultVfs::fired() && fault != Fault::powerCut) {
            const bool reported = run.succeeded
                                      ? !run.error.isEmpty()
                                      : !run.store->saveError().isEmpty() && saveErrors->count() > 0;
            if (!reported)
                failures.append(QStringLiteral("step %1 failed without saying so").arg(i + 1));
        }
    }
    bool lost = false;
    if (fault == Fault::powerCut) {
        // The process goes down with the machine.
        run.store.reset();
        *fired = FaultVfs::fired();
        FaultVfs::disarm();
    } else {
        *fired = FaultVfs::fired();
        FaultVfs::disarm();
        const QString onDisk = describe(run.path);
        if (!states.contains(onDisk))
            failures.append(QStringLiteral("the file holds no state of the path:\n") + onDisk);
        else
            lost = !states.mid(acknowledged).contains(onDisk);
        // The disk works again: the store saves what waits.
        if (run.store && (!run.store->flush() || !run.store->saveError().isEmpty()))
            failures.append(QStringLiteral("still failing once the disk works: ") + run.store->saveError());
        else if (run.store && !refused)
            acknowledged = int(states.size()) - 1;
        run.store.reset();
    }

    // Opened again through the plain VFS, as the next start of the app does.
    FaultVfs::useForNewConnections(false);
    QString error;
    auto reopened = ModelStore::open(run.path, &error);
    if (!reopened) {
        failures.append(QStringLiteral("does not open again: ") + error);
        ++tally.stray;
    } else {
        const QString onDisk = describe(run.path);
        if (!states.contains(onDisk))
            failures.append(QStringLiteral("reopened, the file holds no state of the path:\n") + onDisk);
        else
            lost = lost || !states.mid(acknowledged).contains(onDisk);
        Plant *plant = reopened->plant(fernId);
        if (!plant || !plant->markDone(CareKind::fertilize, day(40)) || !reopened->flush())
            failures.append(QStringLiteral("a care action after reopening fails: ") + reopened->saveError());
        reopened.reset();
    }
    if (lost) {
        failures.append(QStringLiteral("acknowledged step %1 is not on disk").arg(acknowledged));
        ++tally.lost;
    }
    const QString check = integrity(run.path);
    if (check != QLatin1String("ok")) {
        failures.append(QStringLiteral("integrity_check: ") + check);
        ++tally.integrity;
    }
    const QStringList files = filesIn(QFileInfo(run.path).path());
    if (files != QStringList{QStringLiteral("tendrel.sqlite")}) {
        failures.append(QStringLiteral("files left beside the store: ") + files.join(QLatin1Char(' ')));
        ++tally.stray;
    }
    FaultVfs::useForNewConnections(true);
    return failures;
}

void TestStoreFaults::everyFaultPoint()
{
    QFETCH(WritePath, path);
    QFETCH(Fault, fault);
    const bool everyPoint = qEnvironmentVariableIntValue("TENDREL_FAULT_FULL") == 1;

    int calls = 0;
    const QStringList states = referenceStates(path, fault, &calls);
    QCOMPARE(states.size(), path.steps.size() + 1);
    QVERIFY(calls > 0);

    // Every point up to the first that the path passes without a fault, or a sample spread over them
    // that ends with the last.
    const int stride = everyPoint ? 1 : std::max(1, calls / sampledPoints);
    Tally tally;
    for (int n = 1;; n = everyPoint ? n + 1 : std::min(n + stride, calls)) {
        bool fired = false;
        const QStringList failures = runPoint(path, fault, n, states, tally, &fired);
        if (!fired) {
            // The path got through without a fault: every point has been tried.
            if (!failures.isEmpty())
                tally.firstFailure =
                    QStringLiteral("without a fault: ") + failures.join(QStringLiteral("; "));
            break;
        }
        ++tally.tried;
        if (failures.isEmpty())
            ++tally.survived;
        else if (qEnvironmentVariableIsSet("TENDREL_FAULT_VERBOSE"))
            qInfo().noquote() << "point" << n << failures.join(QStringLiteral("; "));
        if (!failures.isEmpty() && tally.firstFailure.isEmpty())
            tally.firstFailure =
                QStringLiteral("at point %1: %2").arg(n).arg(failures.join(QStringLiteral("; ")));
        if (!everyPoint && n >= calls)
            break;
    }
    qInfo().noquote() << QStringLiteral("%1: %2 fault points tried, %3 survived, %4 acknowledged then lost, "
                                        "%5 integrity failures, %6 stray files")
                             .arg(QString::fromUtf8(QTest::currentDataTag()))
                             .arg(tally.tried)
                             .arg(tally.survived)
                             .arg(tally.lost)
                             .arg(tally.integrity)
                             .arg(tally.stray);
    QVERIFY2(tally.firstFailure.isEmpty(), qPrintable(tally.firstFailure));
    QVERIFY(tally.tried > 0);
}

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"
