// Backups of the store file: a consistent copy of one moment while the app goes on writing (or
// starts and quits), a failed or refused backup that leaves every file as it was, and what a killed
// one left removed by the next.
#include "Core/AtomicFile.h"
#include "Core/FileFaults.h"
#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Store/StoreBackup.h"

#include "fixtures/StoreDump.h"

#include <QDir>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

namespace {

void finishTurn(ModelStore &store)
{
    QCoreApplication::processEvents();
    QVERIFY(store.flush());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

} // namespace

class TestStoreBackup final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void copyDuringBurstIsOneMoment_data();
    void copyDuringBurstIsOneMoment();
    void copyHoldsWhatWasCommitted_data();
    void copyHoldsWhatWasCommitted();
    void inMemoryStoreBacksUpWhole();
    void refusedOrFailedLeavesFilesAlone_data();
    void refusedOrFailedLeavesFilesAlone();
    void logMovedIntoFileOffTheWritersThread_data();
    void logMovedIntoFileOffTheWritersThread();
    void appStartsAndQuitsDuringCopyOfUnusedStore();
    void killedBackupsLeftoversGo();
    void failedStepKeepsEarlierBackup();
};

void TestStoreBackup::copyDuringBurstIsOneMoment_data()
{
    // With the log moved into the store file after every turn, the file itself is often copied
    // while care goes on, and every later attempt to move the log must leave that file alone.
    QTest::addColumn<bool>("logMovedEachTurn");
    QTest::newRow("log moved into the file each turn") << true;
    QTest::newRow("log as it is") << false;
}

void TestStoreBackup::copyDuringBurstIsOneMoment()
{
    QFETCH(bool, logMovedEachTurn);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    const QString target = dir.filePath(StoreBackup::defaultFileName(QDate(2026, 12, 7)));
    auto store = ModelStore::open(path);
    QVERIFY(store);
    for (int i = 0; i < 20; ++i)
        store->insert(new Plant(QStringLiteral("Plant %1").arg(i), Species::custom(), QStringLiteral("Hall"),
                                QByteArray(50 * 1024, char(i))));
    finishTurn(*store);

    // Care is logged and committed turn after turn while the copy runs on another thread.
    const QDateTime start(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC);
    int logged = 0;
    const auto logOne = [&] {
        Plant *plant = store->plants().at(logged % 20);
        plant->markDone(CareKind::water, start.addSecs(60 * logged));
        ++logged;
        finishTurn(*store);
        QVERIFY(!logMovedEachTurn || store->flushToFile());
    };
    for (int i = 0; i < 50; ++i)
        logOne();
    const int loggedBefore = logged;
    std::atomic<bool> done = false;
    bool ok = false;
    QString error;
    std::thread copier([&] {
        ok = StoreBackup::write(path, target, &error);
        done = true;
    });
    // Care goes on once the copy has begun (its file is there).
    const QStringList part{QStringLiteral(".*.tendrel.*")};
    while (!done && QDir(dir.path()).entryList(part, QDir::Files | QDir::Hidden).isEmpty()) {
    }
    while (!done || logged < loggedBefore + 20)
        logOne();
    copier.join();
    QVERIFY2(ok, qPrintable(error));

    SqliteDatabase copy;
    QVERIFY(copy.open(target, SQLITE_OPEN_READONLY, &error));
    QCOMPARE(copy.queryText("PRAGMA integrity_check").value_or(QString()), QStringLiteral("ok"));
    QCOMPARE(copy.queryText("PRAGMA journal_mode").value_or(QString()), QStringLiteral("delete"));
    QVERIFY(copy.queryInt("SELECT count(*) FROM careEvent").value_or(0) >= loggedBefore);
    QCOMPARE(copy.queryInt("SELECT count(*) FROM plantPhoto").value_or(-1), 20);
    // Each plant's last watering and its log were copied from the same moment.
    QCOMPARE(copy.queryInt("SELECT count(*) FROM plant WHERE lastWatered IS NOT "
                           "(SELECT max(date) FROM careEvent WHERE careEvent.plant = plant.id)")
                 .value_or(-1),
             0);
    copy.close();
    QVERIFY(!QFileInfo::exists(target + QStringLiteral("-wal")));
    // Only the store, its journal files and the backup: no half-written copy left behind.
    QDir folder(dir.path());
    QCOMPARE(folder.entryList({QStringLiteral(".*.tendrel.*")}, QDir::Files | QDir::Hidden), QStringList());

    // The copy opens as the store it was taken from.
    QVERIFY(ModelStore::open(target));
}

void TestStoreBackup::initTestCase()
{
    // Each backup tells how it copied the store.
    QLoggingCategory::setFilterRules(QStringLiteral("tendrel.store.debug=true"));
}

enum class Others : unsigned char { none, readerHoldsLog, storeClosed, ownConnection };

void TestStoreBackup::copyHoldsWhatWasCommitted_data()
{
    QTest::addColumn<Others>("others");
    QTest::addColumn<QString>("copied");
    QTest::newRow("quiet store") << Others::none << "the store file";
    QTest::newRow("a reader holds the log") << Others::readerHoldsLog << "the store page by page";
    QTest::newRow("store closed, file alone") << Others::storeClosed << "the store file";
    // Read through the connection's own reads, without a mapping of the file.
    QTest::newRow("a connection of the caller's") << Others::ownConnection << "the store file";
}

void TestStoreBackup::copyHoldsWhatWasCommitted()
{
    QFETCH(Others, others);
    QFETCH(QString, copied);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    const QString target = dir.filePath(QStringLiteral("garden.tendrel"));
    auto store = ModelStore::open(path);
    QVERIFY(store);
    const QDateTime start(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC);
    for (int i = 0; i < 10; ++i) {
        auto *plant = new Plant(QStringLiteral("Plant %1").arg(i), Species::custom(), QStringLiteral("Hall"),
                                QByteArray(40 * 1024, char(i)));
        store->insert(plant);
        plant->markDone(CareKind::water, start.addSecs(i));
    }
    finishTurn(*store);
    SqliteDatabase reader;
    if (others == Others::readerHoldsLog) {
        QString error;
        QVERIFY(reader.open(path, SQLITE_OPEN_READONLY, &error));
        QVERIFY(reader.exec("BEGIN") && reader.queryInt("SELECT count(*) FROM careEvent") == 10);
    }
    // Committed after the reader began, before the backup: in the copy all the same.
    store->plants().first()->markDone(CareKind::mist, start.addDays(1));
    finishTurn(*store);
    const int events = store->eventCount();

    QString error;
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("Backup copied ") + copied));
    if (others == Others::storeClosed) {
        store.reset();
        QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        const QByteArray bytes = readAll(path);
        QVERIFY2(StoreBackup::write(path, target, &error), qPrintable(error));
        QCOMPARE(readAll(path), bytes);
        // Nothing written or created beside the store.
        files.append(QStringLiteral("garden.tendrel"));
        files.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), files);
    } else if (others == Others::ownConnection) {
        QVERIFY(store->flushToFile());
        SqliteDatabase own;
        QVERIFY(own.open(path, SQLITE_OPEN_READONLY, &error));
        QVERIFY2(StoreBackup::write(own.handle(), target, &error), qPrintable(error));
    } else {
        QVERIFY2(store->backUp(target, &error), qPrintable(error));
    }
    // The reader still sees its own moment, and the store goes on.
    if (reader.isOpen())
        QCOMPARE(reader.queryInt("SELECT count(*) FROM careEvent"), 10);

    SqliteDatabase copy;
    QVERIFY(copy.open(target, SQLITE_OPEN_READONLY, &error));
    QCOMPARE(copy.queryText("PRAGMA integrity_check"), QStringLiteral("ok"));
    QCOMPARE(copy.queryText("PRAGMA journal_mode"), QStringLiteral("delete"));
    copy.close();
    for (const char *companion : {"-wal", "-shm", "-journal"})
        QVERIFY(!QFileInfo::exists(target + QLatin1String(companion)));
    const auto summary = ModelStore::inspect(target, &error);
    QVERIFY2(summary, qPrintable(error));
    QCOMPARE(summary->plants, 10);
    QCOMPARE(summary->events, events);
}

void TestStoreBackup::inMemoryStoreBacksUpWhole()
{
    QTemporaryDir dir;
    auto store = ModelStore::openInMemory();
    QVERIFY(store);
    auto *plant =
        new Plant(QStringLiteral("Fern"), Species::custom(), QStringLiteral("Hall"), QByteArray("jpeg"));
    store->insert(plant);
    plant->markDone(CareKind::water, QDateTime(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC));
    // Not yet committed: backUp() saves it first.
    const QString target = dir.filePath(QStringLiteral("memory.tendrel"));
    QString error;
    QVERIFY2(store->backUp(target, &error), qPrintable(error));
    auto reopened = ModelStore::open(target);
    QVERIFY(reopened);
    QCOMPARE(reopened->plantCount(), 1);
    QCOMPARE(reopened->eventCount(), 1);
    QCOMPARE(reopened->plants().first()->photo(), std::optional(QByteArray("jpeg")));
}

void TestStoreBackup::refusedOrFailedLeavesFilesAlone_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("onto the store itself") << "tendrel.sqlite"
                                           << "tendrel.sqlite"
                                           << "own plant store";
    QTest::newRow("onto the store's journal") << "tendrel.sqlite"
                                              << "tendrel.sqlite-wal"
                                              << "own plant store";
    QTest::newRow("onto a folder") << "tendrel.sqlite"
                                   << "folder"
                                   << "is a folder";
    QTest::newRow("from a file that is no store") << "notes.txt"
                                                  << "old.tendrel"
                                                  << "is damaged or not a plant store";
    QTest::newRow("from no file") << "missing.sqlite"
                                  << "old.tendrel"
                                  << "no plant store";
}

void TestStoreBackup::refusedOrFailedLeavesFilesAlone()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    {
        auto store = ModelStore::open(dir.filePath(QStringLiteral("tendrel.sqlite")));
        QVERIFY(store);
        store->insert(new Plant(QStringLiteral("Fern"), Species::custom(), QStringLiteral("Hall")));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    for (const char *name : {"notes.txt", "old.tendrel"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
    }
    QMap<QString, QByteArray> before;
    const QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names)
        before.insert(name, readAll(dir.filePath(name)));

    QString error;
    QVERIFY(!StoreBackup::write(dir.filePath(source), dir.filePath(target), &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), names);
    for (const QString &name : names)
        QCOMPARE(readAll(dir.filePath(name)), before.value(name));
}

void TestStoreBackup::logMovedIntoFileOffTheWritersThread_data()
{
    QTest::addColumn<bool>("waitForMove");
    QTest::newRow("store stays open") << true;
    QTest::newRow("closed right after the last commit") << false;
}

void TestStoreBackup::logMovedIntoFileOffTheWritersThread()
{
    QFETCH(bool, waitForMove);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    auto store = ModelStore::open(path);
    QVERIFY(store);
    const qint64 emptySize = QFileInfo(path).size();
    // Each turn adds about 200 KB to the log: well past a checkpoint's worth of pages in all.
    constexpr int plants = 40;
    for (int i = 0; i < plants; ++i) {
        auto *plant = new Plant(QStringLiteral("Plant %1").arg(i), Species::custom(), QStringLiteral("Hall"),
                                QByteArray(200 * 1024, char(i)));
        store->insert(plant);
        plant->markDone(CareKind::water, QDateTime(QDate(2026, 12, 1), QTime(8, i), Qt::UTC));
        finishTurn(*store);
    }
    if (waitForMove) {
        // Only a checkpoint grows the store file; the writer's commits never run one.
        QTRY_VERIFY(store->checkpointCount() > 0);
        QTRY_VERIFY(QFileInfo(path).size() > emptySize + 4 * 1024 * 1024);
        QVERIFY(QFileInfo::exists(path + QStringLiteral("-wal")));
    }
    store.reset();
    QVERIFY(!QFileInfo::exists(path + QStringLiteral("-wal")));

    SqliteDatabase file;
    QString error;
    QVERIFY(file.openForCheck(path, true, &error));
    QCOMPARE(file.queryText("PRAGMA integrity_check"), QStringLiteral("ok"));
    QCOMPARE(file.queryInt("SELECT count(*) FROM plantPhoto WHERE length(bytes) = 200 * 1024"), plants);
    QCOMPARE(file.queryInt("SELECT count(*) FROM careEvent"), plants);
}

// The command line's backup of a store no app has open: the app starts while the copy is paused,
// works on the garden and quits, which would move its log into the store file. The copy is still of
// one moment.
void TestStoreBackup::appStartsAndQuitsDuringCopyOfUnusedStore()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    const QString target = dir.filePath(QStringLiteral("garden.tendrel"));
    const QDateTime start(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC);
    {
        auto store = ModelStore::open(path);
        QVERIFY(store);
        for (int i = 0; i < 20; ++i) {
            auto *plant = new Plant(QStringLiteral("Plant %1").arg(i), Species::custom(),
                                    QStringLiteral("Hall"), QByteArray(20 * 1024, char(i)));
            store->insert(plant);
            for (int day = 0; day < 150; ++day)
                plant->markDone(CareKind::water, start.addDays(-day));
        }
        finishTurn(*store);
    }
    QVERIFY(!QFileInfo::exists(path + QStringLiteral("-wal")));
    const QString before = dumpStore(path);

    FileFaults faults;
    faults.setMaxWriteBytes(32 * 1024);
    faults.setBeforeStep([&](FileFaults::Step step, int count) {
        if (step != FileFaults::Step::write || count != 4)
            return;
        QProcess app;
        app.start(QCoreApplication::applicationDirPath() + QStringLiteral("/store_worker"),
                  {path, QStringLiteral("7"), QStringLiteral("30"), QStringLiteral("all")});
        QVERIFY(app.waitForFinished(60000));
        QCOMPARE(app.exitCode(), 0);
    });
    QString error;
    QTest::ignoreMessage(QtDebugMsg, "Backup copied the store file");
    QVERIFY2(StoreBackup::write(path, target, &error, &faults), qPrintable(error));
    QVERIFY(faults.steps() > 8); // the app came and went halfway through

    SqliteDatabase copy;
    QVERIFY(copy.open(target, SQLITE_OPEN_READONLY, &error));
    QCOMPARE(copy.queryText("PRAGMA integrity_check"), QStringLiteral("ok"));
    copy.close();
    QCOMPARE(dumpStore(target), before);
    QVERIFY(dumpStore(path) != before); // what the app did is kept
}

// A backup killed halfway leaves its hidden copy and the copy's journal; the next backup to the
// folder removes them, but nothing another backup still writes, nor files of other names.
void TestStoreBackup::killedBackupsLeftoversGo()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    {
        auto store = ModelStore::open(path);
        QVERIFY(store);
        store->insert(new Plant(QStringLiteral("Fern"), Species::custom(), QStringLiteral("Hall")));
    }
    // Still written by a backup that runs now.
    AtomicFile running(dir.filePath(QStringLiteral("Tendrel Backup 2026-12-05.tendrel")));
    QVERIFY(running.open());
    const QString runningPart = QFileInfo(running.temporaryPath()).fileName();
    const QStringList leftovers = {QStringLiteral(".Tendrel Backup 2026-12-06.tendrel.aB3dE9"),
                                   QStringLiteral(".Tendrel Backup 2026-12-06.tendrel.aB3dE9-journal"),
                                   QStringLiteral(".Tendrel Backup 2026-12-07.tendrel.Zz0000"),
                                   QStringLiteral(".Tendrel Backup 2026-12-04.tendrel.Qq1111-journal")};
    const QStringList others = {QStringLiteral(".notes.txt.aB3dE9"),      // not a backup's
                                QStringLiteral("Tendrel.tendrel.aB3dE9"), // not hidden
                                QStringLiteral(".x.tendrel.aB3dE9.old"),  // not our pattern
                                QStringLiteral(".y.tendrel.Fresh1"),      // newer than this process
                                runningPart,
                                runningPart + QStringLiteral("-journal")};
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    for (const QString &name : leftovers + others) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.write(QByteArray(4096, 'x')) == 4096 && file.flush());
        if (!name.contains(QStringLiteral("Fresh")))
            QVERIFY(file.setFileTime(hourAgo, QFileDevice::FileModificationTime));
    }

    QString error;
    const QString target = dir.filePath(StoreBackup::defaultFileName(QDate(2026, 12, 7)));
    QVERIFY2(StoreBackup::write(path, target, &error), qPrintable(error));
    QStringList expected =
        others + QStringList{QStringLiteral("tendrel.sqlite"), QFileInfo(target).fileName()};
    expected.sort();
    QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    QCOMPARE(files, expected);
}

// Every step of a backup fails in turn (as on a full disk), until one has no step left to fail.
void TestStoreBackup::failedStepKeepsEarlierBackup()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    const QString target = dir.filePath(QStringLiteral("garden.tendrel"));
    {
        auto store = ModelStore::open(path);
        QVERIFY(store);
        store->insert(new Plant(QStringLiteral("Fern"), Species::custom(), QStringLiteral("Hall"),
                                QByteArray(100 * 1024, 'p')));
    }
    QFile earlier(target);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("an earlier backup") == 17);
    earlier.close();
    const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QLoggingCategory::setFilterRules(QStringLiteral("tendrel.store.*=false"));
    for (int step = 1;; ++step) {
        FileFaults faults;
        faults.failAt(step, ENOSPC);
        faults.setMaxWriteBytes(32 * 1024);
        QString error;
        const bool ok = StoreBackup::write(path, target, &error, &faults);
        if (faults.steps() < step) {
            QVERIFY2(ok, qPrintable(error));
            QCOMPARE(dumpStore(target), dumpStore(path));
            QVERIFY(step > 5);
            break;
        }
        QVERIFY(!ok);
        QCOMPARE(error, QStringLiteral("The disk that holds \u201c%1\u201d is full.").arg(target));
        QCOMPARE(readAll(target), QByteArray("an earlier backup"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), files);
    }
    QLoggingCategory::setFilterRules(QStringLiteral("tendrel.store.debug=true"));
}

QTEST_GUILESS_MAIN(TestStoreBackup)
#include "tst_storebackup.moc"
