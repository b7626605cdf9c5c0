#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Store/PlantQuery.h"
#include "Store/SqliteDatabase.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

QDateTime at(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

Plant *addPlant(ModelStore &store, const QString &name)
{
    auto *plant = new Plant(name, Species::custom(), QStringLiteral("Kitchen"));
    store.insert(plant);
    return plant;
}

// Reads the file through a connection of its own, as another process would see it.
qint64 countRows(const QString &path, const char *sql)
{
    SqliteDatabase db;
    QString error;
    if (!db.open(path, SQLITE_OPEN_READONLY, &error))
        return -1;
    return db.queryInt(sql).value_or(-1);
}

void finishTurn()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Another program's connection to the store file, without the store's own guards.
bool execElsewhere(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_busy_timeout(db, 5'000);
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_OK;
}

bool chattr(const QString &flag, const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("chattr"), {flag, path});
    return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

enum class Obstacle { tableRenamed, endlessTrigger, immutableFiles };

QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList result;
    for (const char *text : texts)
        result.append(QString::fromUtf8(text));
    return result;
}

QStringList names(const QList<Plant *> &plants)
{
    QStringList result;
    for (const Plant *plant : plants)
        result.append(plant->name());
    return result;
}

} // namespace

class TestStore final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void everythingReadsBackAfterReopen();
    void aCareActionIsCommittedWholeInItsTurn();
    void deletingAPlantDeletesItsLogAndPhoto();
    void undoDeletesOnlyThatEvent();
    void photosLeaveMemoryOnceSaved();
    void changesNotifyOncePerTurn();
    void deletedPlantLeavesQueriesAtOnce();
    void nameOrder_data();
    void nameOrder();
    void renameMovesPlantInNameOrder();
    void eventCountFollowsEveryPath();
    void storeHeldOpenElsewhereReadsWhatItCommitted();
    void logsStayInTheFileUntilNeeded_data();
    void logsStayInTheFileUntilNeeded();
    void destructionSavesPendingChanges();
    void failedCommitIsRetried();
    void saveFailureSaysWhyUntilARetrySucceeds_data();
    void saveFailureSaysWhyUntilARetrySucceeds();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("garden/tendrel.sqlite"));
}

void TestStore::everythingReadsBackAfterReopen()
{
    // Combining marks, a character above U+FFFF and an emoji sequence.
    const QString name = QStringLiteral("Mo\u0301nstera \U0001F33F \U0001D4D5ern \U0001F469\u200D\U0001F33E");
    const QByteArray jpeg = QByteArray("\xff\xd8\xff\x00 bytes with a NUL", 21) + QByteArray(70000, '\x7f');
    RecordId richId = 0, bareId = 0, emptyPhotoId = 0, firstEvent = 0;
    {
        auto store = ModelStore::open(m_path);
        QVERIFY(store);
        QVERIFY(store->isPersistent());
        auto *rich = new Plant(name, Species::find(u"monstera"), QStringLiteral("Bad \u00e9"), jpeg,
                               QStringLiteral("line 1\nline 2"));
        rich->setDateAdded(at(1'700'000'000'123));
        rich->setMistInterval(-3);
        rich->markDone(CareKind::fertilize, at(1'700'000'500'001));
        store->insert(rich);
        rich->markDone(CareKind::water, at(1'700'000'900'999));
        rich->markDone(CareKind::mist, at(1'600'000'000'000));
        richId = rich->id();
        firstEvent = rich->events().first()->id();

        auto *bare = new Plant(RecordId(424242));
        bare->restoreEvents(std::nullopt);
        store->insert(bare);
        bareId = bare->id();

        auto *emptyPhoto = addPlant(*store, QString());
        emptyPhoto->setPhoto(QByteArray());
        emptyPhotoId = emptyPhoto->id();
        addPlant(*store, QStringLiteral("last"));
        finishTurn();
        QVERIFY(!store->hasUnsavedChanges());
    }

    auto store = ModelStore::open(m_path);
    QVERIFY(store);
    const QList<Plant *> plants = store->plants();
    QCOMPARE(plants.size(), 4);
    QCOMPARE(plants[0]->id(), richId);
    QCOMPARE(plants[1]->id(), bareId);
    QCOMPARE(plants[2]->id(), emptyPhotoId);
    QCOMPARE(plants[3]->name(), QStringLiteral("last"));

    const Plant &rich = *plants[0];
    QCOMPARE(rich.name(), name);
    QCOMPARE(rich.speciesID(), QStringLiteral("monstera"));
    QCOMPARE(rich.site(), QStringLiteral("Bad \u00e9"));
    QCOMPARE(rich.notes(), QStringLiteral("line 1\nline 2"));
    QCOMPARE(rich.dateAdded().toMSecsSinceEpoch(), 1'700'000'000'123);
    QCOMPARE(rich.waterInterval(), 8);
    QCOMPARE(rich.fertilizeInterval(), 30);
    QCOMPARE(rich.mistInterval(), -3);
    QCOMPARE(rich.lastDoneMsecs(CareKind::water), 1'700'000'900'999);
    QCOMPARE(rich.lastDoneMsecs(CareKind::fertilize), 1'700'000'500'001);
    QCOMPARE(rich.lastDoneMsecs(CareKind::mist), 1'600'000'000'000);
    QVERIFY(!rich.holdsPhoto());
    QCOMPARE(rich.photo(), std::optional<QByteArray>(jpeg));
    const QList<CareEvent *> log = rich.events();
    QCOMPARE(log.size(), 3);
    QCOMPARE(log[0]->id(), firstEvent);
    QCOMPARE(log[0]->kind(), CareKind::fertilize);
    QCOMPARE(log[1]->kind(), CareKind::water);
    QCOMPARE(log[2]->dateMsecs(), 1'600'000'000'000);
    QCOMPARE(log[2]->kindRaw(), QStringLiteral("mist"));
    // Read-back kinds share the kind's own static string instead of holding a copy per event.
    QCOMPARE(log[2]->kindRaw().constData(), CareKind(CareKind::mist).rawValue().constData());
    QCOMPARE(log[2]->plant(), plants[0]);

    QVERIFY(!plants[1]->hasEventList());
    QCOMPARE(plants[1]->photo(), std::nullopt);
    QVERIFY(plants[3]->hasEventList());
    QCOMPARE(plants[3]->eventCount(), 0);
    QCOMPARE(plants[2]->photo(), std::optional<QByteArray>(QByteArray()));

    // One object per record: lookups hand out the objects the list holds.
    QCOMPARE(store->plant(bareId), plants[1]);
    QCOMPARE(store->plants(), plants);
    QCOMPARE(PlantQuery(*store).plants(), plants);
}

void TestStore::aCareActionIsCommittedWholeInItsTurn()
{
    auto store = ModelStore::open(m_path);
    QVERIFY(store);
    Plant *plant = addPlant(*store, QStringLiteral("Fern"));
    finishTurn();
    const quint64 commits = store->commitCount();

    plant->markDone(CareKind::water, at(1'750'000'000'000));
    plant->setNotes(QStringLiteral("repotted"));
    plant->markDone(CareKind::mist, at(1'750'000'000'500));
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM careEvent"), 0);
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM plant WHERE lastWatered IS NOT NULL"), 0);

    finishTurn();
    QCOMPARE(store->commitCount(), commits + 1);
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM careEvent"), 2);
    QCOMPARE(countRows(m_path, "SELECT lastWatered FROM plant"), 1'750'000'000'000);
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM plant WHERE notes = 'repotted'"), 1);
}

void TestStore::deletingAPlantDeletesItsLogAndPhoto()
{
    auto store = ModelStore::open(m_path);
    QVERIFY(store);
    Plant *doomed = addPlant(*store, QStringLiteral("Doomed"));
    Plant *kept = addPlant(*store, QStringLiteral("Kept"));
    doomed->setPhoto(QByteArray(1000, 'x'));
    for (int i = 0; i < 5; ++i)
        doomed->markDone(CareKind::water, at(1'700'000'000'000 + i));
    kept->markDone(CareKind::mist, at(1'700'000'000'000));
    finishTurn();
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM careEvent"), 6);

    store->deletePlant(doomed);
    finishTurn();
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM careEvent"), 1);
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM plantPhoto"), 0);
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM plant"), 1);

    // A plant inserted and deleted within one turn never reaches the file.
    Plant *brief = addPlant(*store, QStringLiteral("Brief"));
    brief->markDone(CareKind::water, at(1'700'000'000'000));
    store->deletePlant(brief);
    finishTurn();
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM plant"), 1);
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM careEvent"), 1);
}

void TestStore::undoDeletesOnlyThatEvent()
{
    auto store = ModelStore::open(m_path);
    QVERIFY(store);
    Plant *plant = addPlant(*store, QStringLiteral("Pilea"));
    plant->markDone(CareKind::water, at(1'000));
    plant->markDone(CareKind::water, at(5'000));
    plant->markDone(CareKind::fertilize, at(3'000));
    finishTurn();
    const RecordId undone = plant->events().at(1)->id();

    plant->remove(plant->events().at(1));
    finishTurn();
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM careEvent"), 2);
    QCOMPARE(countRows(m_path, "SELECT lastWatered FROM plant"), 1'000);
    QCOMPARE(countRows(m_path, QByteArray("SELECT count(*) FROM careEvent WHERE id = " +
                                          QByteArray::number(qint64(undone)))
                                   .constData()),
             0);

    // Appended and undone in one turn: nothing reaches the file.
    plant->markDone(CareKind::mist, at(9'000));
    plant->remove(plant->events().last());
    finishTurn();
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM careEvent"), 2);
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM plant WHERE lastMisted IS NULL"), 1);
}

void TestStore::photosLeaveMemoryOnceSaved()
{
    auto store = ModelStore::open(m_path);
    QVERIFY(store);
    Plant *plant = addPlant(*store, QStringLiteral("Pothos"));
    plant->setPhoto(QByteArray(300'000, 'a'));
    QVERIFY(plant->holdsPhoto());
    finishTurn();
    QVERIFY(!plant->holdsPhoto());
    QCOMPARE(plant->photo()->size(), 300'000);

    plant->setPhoto(QByteArray(10, 'b'));
    finishTurn();
    QVERIFY(!plant->holdsPhoto());
    QCOMPARE(plant->photo(), std::optional<QByteArray>(QByteArray(10, 'b')));

    plant->setPhoto(std::nullopt);
    finishTurn();
    QVERIFY(!plant->hasPhoto());
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM plantPhoto"), 0);
}

void TestStore::changesNotifyOncePerTurn()
{
    auto store = ModelStore::openInMemory();
    QVERIFY(store);
    Plant *a = addPlant(*store, QStringLiteral("A"));
    Plant *b = addPlant(*store, QStringLiteral("B"));
    finishTurn();

    PlantQuery unsorted(*store);
    PlantQuery sorted(*store, PlantQuery::Sort::nameAscending);
    QSignalSpy plantsSpy(store.get(), &ModelStore::plantsChanged);
    QSignalSpy eventsSpy(store.get(), &ModelStore::eventsChanged);
    QSignalSpy unsortedSpy(&unsorted, &PlantQuery::changed);
    QSignalSpy sortedSpy(&sorted, &PlantQuery::changed);

    a->setName(QStringLiteral("Z"));
    a->setNotes(QStringLiteral("n"));
    b->markDone(CareKind::water, at(1'000));
    addPlant(*store, QStringLiteral("C"));
    QCOMPARE(plantsSpy.count(), 0);
    QCOMPARE(names(sorted.plants()),
             QStringList({QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("Z")}));

    finishTurn();
    QCOMPARE(plantsSpy.count(), 1);
    QCOMPARE(eventsSpy.count(), 1);
    QCOMPARE(unsortedSpy.count(), 1);
    QCOMPARE(sortedSpy.count(), 1);

    finishTurn();
    QCOMPARE(plantsSpy.count(), 1);

    b->setSite(QStringLiteral("Hall"));
    finishTurn();
    QCOMPARE(plantsSpy.count(), 2);
    QCOMPARE(eventsSpy.count(), 1);
}

void TestStore::deletedPlantLeavesQueriesAtOnce()
{
    auto store = ModelStore::openInMemory();
    QVERIFY(store);
    QPointer<Plant> plant = addPlant(*store, QStringLiteral("Gone"));
    addPlant(*store, QStringLiteral("Stays"));
    PlantQuery query(*store, PlantQuery::Sort::nameAscending);
    QCOMPARE(query.plants().size(), 2);

    store->deletePlant(plant);
    QCOMPARE(names(query.plants()), QStringList(QStringLiteral("Stays")));
    QCOMPARE(names(store->plants()), QStringList(QStringLiteral("Stays")));
    QVERIFY(plant); // a caller may still finish with it in this turn
    QCOMPARE(plant->modelContext(), nullptr);
    finishTurn();
    QVERIFY(!plant);
}

void TestStore::nameOrder_data()
{
    QTest::addColumn<QStringList>("inserted");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("numbers by value")
        << strings({"Plant 10", "Plant 2", "Plant 1"}) << strings({"Plant 1", "Plant 2", "Plant 10"});
    QTest::newRow("case ignored") << strings({"banana", "Cherry", "apple", "Apple pie"})
                                  << strings({"apple", "Apple pie", "banana", "Cherry"});
    QTest::newRow("accents near their letter") << strings({"Zebra", "\u00c9clair", "Eden", "Fig"})
                                               << strings({"\u00c9clair", "Eden", "Fig", "Zebra"});
    QTest::newRow("equal names keep store order")
        << strings({"Fern#1", "Aloe", "fern#2", "Fern#3"}) << strings({"Aloe", "Fern#1", "fern#2", "Fern#3"});
    QTest::newRow("empty name first") << strings({"Moss", ""}) << strings({"", "Moss"});
}

void TestStore::nameOrder()
{
    QFETCH(QStringList, inserted);
    QFETCH(QStringList, expected);

    auto store = ModelStore::openInMemory();
    QVERIFY(store);
    for (const QString &label : inserted) {
        // "#n" tags plants whose names must compare equal; the tag is not part of the name.
        Plant *plant = addPlant(*store, label.section(QLatin1Char('#'), 0, 0));
        plant->setNotes(label);
    }
    PlantQuery query(*store, PlantQuery::Sort::nameAscending);
    query.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    QStringList order;
    for (const Plant *plant : query.plants())
        order.append(plant->notes());
    QCOMPARE(order, expected);
    QCOMPARE(names(PlantQuery(*store).plants()), names(store->plants()));
}

void TestStore::renameMovesPlantInNameOrder()
{
    auto store = ModelStore::openInMemory();
    QVERIFY(store);
    Plant *a = addPlant(*store, QStringLiteral("Aloe"));
    addPlant(*store, QStringLiteral("Basil"));
    addPlant(*store, QStringLiteral("Cactus"));
    PlantQuery query(*store, PlantQuery::Sort::nameAscending);
    QCOMPARE(query.plants().first(), a);

    a->setNotes(QStringLiteral("only notes"));
    QCOMPARE(query.plants().first(), a);
    a->setName(QStringLiteral("Dill"));
    QCOMPARE(names(query.plants()),
             QStringList({QStringLiteral("Basil"), QStringLiteral("Cactus"), QStringLiteral("Dill")}));
}

void TestStore::eventCountFollowsEveryPath()
{
    auto store = ModelStore::open(m_path);
    QVERIFY(store);
    auto *withLog = new Plant(QStringLiteral("Logged"), Species::custom(), QString());
    withLog->markDone(CareKind::water, at(1'000));
    withLog->markDone(CareKind::water, at(2'000));
    store->insert(withLog);
    Plant *other = addPlant(*store, QStringLiteral("Other"));
    other->markDone(CareKind::mist, at(3'000));
    QCOMPARE(store->eventCount(), 3);
    withLog->remove(withLog->events().first());
    QCOMPARE(store->eventCount(), 2);
    finishTurn();

    store.reset();
    store = ModelStore::open(m_path);
    QVERIFY(store);
    QCOMPARE(store->eventCount(), 2);
    QSignalSpy eventsSpy(store.get(), &ModelStore::eventsChanged);
    store->deletePlant(store->plants().first());
    QCOMPARE(store->eventCount(), 1);
    finishTurn();
    QCOMPARE(eventsSpy.count(), 1);
}

void TestStore::storeHeldOpenElsewhereReadsWhatItCommitted()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    auto first = ModelStore::open(m_path);
    QVERIFY(first);
    Plant *fern = addPlant(*first, QStringLiteral("Fern"));
    fern->markDone(CareKind::water, at(now - 86'400'000));
    QVERIFY(first->flush());
    // Each later store opens the file while the earlier ones keep it, so it is read through the locks.
    std::vector<std::unique_ptr<ModelStore>> others;
    for (int round = 1; round <= 2; ++round) {
        fern->markDone(CareKind::mist, at(now));
        QVERIFY(first->flush());
        QVERIFY(QFileInfo::exists(m_path + QStringLiteral("-wal")));
        others.push_back(ModelStore::open(m_path));
        QVERIFY(others.back());
        const QList<Plant *> plants = others.back()->plants();
        QCOMPARE(plants.size(), 1);
        QCOMPARE(plants.first()->eventCount(), 1 + round);
        QCOMPARE(plants.first()->eventCountBetween(now - 1000, now + 1000), round);
        QCOMPARE(plants.first()->lastDoneMsecs(CareKind::mist), now);
    }
}

void TestStore::logsStayInTheFileUntilNeeded_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("reads");  // whether the action reads the log
    QTest::addColumn<int>("entries"); // in the file afterwards
    QTest::newRow("count today's entries") << QStringLiteral("today") << false << 3;
    QTest::newRow("list the log") << QStringLiteral("list") << true << 3;
    QTest::newRow("mark done") << QStringLiteral("done") << true << 4;
    QTest::newRow("undo an entry") << QStringLiteral("undo") << true << 2;
    QTest::newRow("take away and put back") << QStringLiteral("take") << true << 3;
    QTest::newRow("log no longer readable") << QStringLiteral("unreadable") << false << 3;
}

void TestStore::logsStayInTheFileUntilNeeded()
{
    QFETCH(QString, action);
    QFETCH(bool, reads);
    QFETCH(int, entries);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 day = 86'400'000;
    QList<RecordId> ids;
    {
        auto store = ModelStore::open(m_path);
        QVERIFY(store);
        Plant *plant = addPlant(*store, QStringLiteral("Fern"));
        for (qint64 date : {now - 10 * day, now, now - 5 * day})
            ids.append(plant->markDone(CareKind::water, at(date))->id());
        addPlant(*store, QStringLiteral("Other"))->markDone(CareKind::mist, at(now));
        finishTurn();
    }
    auto store = ModelStore::open(m_path);
    QVERIFY(store);
    Plant *plant = store->plants().first();
    QVERIFY(!plant->isLogLoaded());
    QCOMPARE(plant->eventCount(), 3);
    QCOMPARE(store->eventCount(), 4);
    QCOMPARE(plant->lastDoneMsecs(CareKind::water), now - 5 * day);

    if (action == QLatin1String("today")) {
        QCOMPARE(plant->eventCountBetween(now - day / 2, now + day / 2), 1);
    } else if (action == QLatin1String("list")) {
        QList<RecordId> listed;
        for (const CareEvent *event : plant->events())
            listed.append(event->id());
        QCOMPARE(listed, ids);
        QCOMPARE(plant->eventCountBetween(now - day / 2, now + day / 2), 1);
        QCOMPARE(plant->eventCountBetween(0, now), 2);
    } else if (action == QLatin1String("done")) {
        ids.append(plant->markDone(CareKind::water, at(now + 1))->id());
    } else if (action == QLatin1String("undo")) {
        plant->remove(plant->events().at(1));
        ids.removeAt(1);
        QCOMPARE(plant->lastDoneMsecs(CareKind::water), now - 5 * day);
    } else if (action == QLatin1String("take")) {
        store->restore(store->take(plant), 0);
        plant = store->plants().first();
    } else {
        QVERIFY(execElsewhere(m_path, "PRAGMA foreign_keys = OFF; ALTER TABLE careEvent RENAME TO gone"));
        QVERIFY(!plant->markDone(CareKind::water, at(now + 1)));
        QVERIFY(!store->take(plant));
        QVERIFY(!store->saveError().isEmpty());
        QCOMPARE(plant->lastDoneMsecs(CareKind::water), now - 5 * day);
    }
    QCOMPARE(plant->isLogLoaded(), reads);
    QCOMPARE(plant->eventCount(), entries);
    QCOMPARE(store->eventCount(), entries + 1);
    finishTurn();
    store.reset();
    if (action == QLatin1String("unreadable")) {
        QCOMPARE(countRows(m_path, "SELECT count(*) FROM gone"), entries + 1);
        return;
    }
    store = ModelStore::open(m_path);
    QVERIFY(store);
    QList<RecordId> stored;
    for (const CareEvent *event : store->plants().first()->events())
        stored.append(event->id());
    QCOMPARE(stored, ids);
}

void TestStore::destructionSavesPendingChanges()
{
    {
        auto store = ModelStore::open(m_path);
        QVERIFY(store);
        Plant *plant = addPlant(*store, QStringLiteral("Quitter"));
        plant->markDone(CareKind::water, at(7'000));
        plant->setPhoto(QByteArray("photo"));
        QVERIFY(store->hasUnsavedChanges());
    }
    auto store = ModelStore::open(m_path);
    QVERIFY(store);
    QCOMPARE(store->plantCount(), 1);
    QCOMPARE(store->plants().first()->lastDoneMsecs(CareKind::water), 7'000);
    QCOMPARE(store->plants().first()->photo(), std::optional<QByteArray>(QByteArray("photo")));
}

void TestStore::failedCommitIsRetried()
{
    auto store = ModelStore::open(m_path);
    QVERIFY(store);
    Plant *plant = addPlant(*store, QStringLiteral("Busy"));
    finishTurn();

    // Another connection (another process, as far as SQLite is concerned) holds the write lock
    // for longer than the store waits.
    SqliteDatabase blocker;
    QVERIFY(blocker.open(m_path, SQLITE_OPEN_READWRITE, nullptr));
    QVERIFY(blocker.exec("BEGIN IMMEDIATE"));
    QSignalSpy errorSpy(store.get(), &ModelStore::saveErrorChanged);
    plant->markDone(CareKind::water, at(11'000));
    finishTurn();
    QCOMPARE(errorSpy.count(), 1);
    QVERIFY(!store->saveError().isEmpty());
    QVERIFY(store->hasUnsavedChanges());
    QCOMPARE(plant->eventCount(), 1);

    QVERIFY(blocker.exec("ROLLBACK"));
    QTRY_VERIFY_WITH_TIMEOUT(!store->hasUnsavedChanges(), 10'000);
    QVERIFY(store->saveError().isEmpty());
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM careEvent"), 1);
}

void TestStore::saveFailureSaysWhyUntilARetrySucceeds_data()
{
    QTest::addColumn<Obstacle>("obstacle");
    QTest::addColumn<QString>("reason");
    // A statement that cannot be prepared must not be kept: every retry then reported "not an error".
    QTest::newRow("table renamed by another program")
        << Obstacle::tableRenamed << QStringLiteral("careEvent");
    QTest::newRow("endless trigger added by another program")
        << Obstacle::endlessTrigger << QStringLiteral("took too long");
    // Tests run as root, which ignores permission bits: only an immutable inode refuses writes.
    QTest::newRow("folder and journal made unwritable")
        << Obstacle::immutableFiles << QStringLiteral("cannot be written");
}

void TestStore::saveFailureSaysWhyUntilARetrySucceeds()
{
    QFETCH(Obstacle, obstacle);
    QFETCH(QString, reason);
    auto store = ModelStore::open(m_path);
    QVERIFY(store);
    Plant *plant = addPlant(*store, QStringLiteral("Stubborn"));
    QVERIFY(store->flush());

    const QString folder = QFileInfo(m_path).absolutePath();
    const QString wal = m_path + QStringLiteral("-wal");
    switch (obstacle) {
    case Obstacle::tableRenamed:
        QVERIFY(execElsewhere(m_path, "ALTER TABLE careEvent RENAME TO hidden"));
        break;
    case Obstacle::endlessTrigger:
        QVERIFY(execElsewhere(m_path, "CREATE VIEW forever AS WITH RECURSIVE n(x) AS "
                                      "(SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT x FROM n; "
                                      "CREATE TRIGGER stall AFTER UPDATE ON plant "
                                      "BEGIN SELECT count(*) FROM forever; END"));
        break;
    case Obstacle::immutableFiles:
        if (!chattr(QStringLiteral("+i"), folder))
            QSKIP("chattr +i is not available here");
        QVERIFY(chattr(QStringLiteral("+i"), wal));
        break;
    }
    const auto removeObstacle = [&] {
        if (obstacle == Obstacle::tableRenamed)
            return execElsewhere(m_path, "ALTER TABLE hidden RENAME TO careEvent");
        if (obstacle == Obstacle::endlessTrigger)
            return execElsewhere(m_path, "DROP TRIGGER stall; DROP VIEW forever");
        return chattr(QStringLiteral("-i"), wal) && chattr(QStringLiteral("-i"), folder);
    };

    QSignalSpy errorSpy(store.get(), &ModelStore::saveErrorChanged);
    plant->markDone(CareKind::water, at(21'000));
    for (int attempt = 0; attempt < 2; ++attempt) {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!store->flush());
        QVERIFY2(clock.elapsed() < 4'000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(store->saveError().contains(reason), qPrintable(store->saveError()));
        QVERIFY(store->hasUnsavedChanges());
    }
    QCOMPARE(errorSpy.count(), 1);

    QVERIFY(removeObstacle());
    QVERIFY(store->flush());
    QVERIFY(store->saveError().isEmpty());
    QCOMPARE(errorSpy.count(), 2);
    QCOMPARE(countRows(m_path, "SELECT count(*) FROM careEvent"), 1);
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
