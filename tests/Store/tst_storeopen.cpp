#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Store/SqliteDatabase.h"
#include "Store/StoreSchema.h"
#include "fixtures/HostileFixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sqlite3.h>
#include <sys/stat.h>

namespace {

enum class Setup {
    randomBytes,
    damagedBody,
    damagedIndexPage,
    rootPageOfAnotherTable,
    brokenFreelist,
    logOfAnotherStore,
    logOfOtherPageSize,
    logWithOtherSalt,
    logIsAPipe,
    openingLockIsAFolder,
    openingLockOfAnotherComputer,
    foreignDatabase,
    newerVersion,
    folderInTheWay,
    belowRegularFile,
    immutableFolder,
    immutableStoreFile,
    storeInImmutableFolder,
    validStore,
    logAlreadyInFile,
    olderVersion,
    emptyFile,
    emptyDatabase,
    missingFolder,
};

// What a user would lose if the file were touched: its bytes and its kind.
struct Snapshot
{
    bool exists = false;
    bool isDir = false;
    bool isFile = false;
    QByteArray digest;

    friend bool operator==(const Snapshot &, const Snapshot &) = default;
};

Snapshot snapshot(const QString &path)
{
    Snapshot result;
    const QFileInfo info(path);
    result.exists = info.exists();
    result.isDir = info.isDir();
    result.isFile = info.isFile();
    QFile file(path);
    // Only a regular file is read: opening a pipe would wait for a writer.
    if (result.isFile && file.open(QIODevice::ReadOnly))
        result.digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    return result;
}

// Every file and folder below root with its bytes: a refused store must leave all of it alone,
// and gain no -wal, -shm or journal file beside it.
QMap<QString, Snapshot> snapshotTree(const QString &root)
{
    QMap<QString, Snapshot> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.insert(QDir(root).relativeFilePath(path), snapshot(path));
    }
    return tree;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(20261207);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

bool chattr(const QString &flag, const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("chattr"), {flag, path});
    return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A store with one plant, written and closed.
bool makeStore(const QString &path)
{
    auto store = ModelStore::open(path);
    if (!store)
        return false;
    store->insert(new Plant(QStringLiteral("Existing"), Species::custom(), QString()));
    return store->flush();
}

// A store of a few plants, each with a care log long enough to fill pages of its own.
bool makeGarden(const QString &path)
{
    auto store = ModelStore::open(path);
    if (!store)
        return false;
    for (int i = 0; i < 20; ++i) {
        auto *plant = new Plant(QStringLiteral("Plant %1").arg(i), Species::custom(), QString());
        store->insert(plant);
        for (int day = 1; day <= 30; ++day)
            plant->markDone(CareKind::water, QDateTime(QDate(2026, 1, day), QTime(8, 0), Qt::UTC));
    }
    return store->flush();
}

// What one query reads from path through a connection that may change the schema, as another
// program (or a bad sector) would; 0 when it fails.
qint64 rawQuery(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    qint64 value = 0;
    if (sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            value = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return value;
}

// Overwrites bytes of path at offset, as a torn write or a bad sector would.
bool overwrite(const QString &path, qint64 offset, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.seek(offset) && file.write(bytes) == bytes.size();
}

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

// The write-ahead log a connection to path holds after writing what sql says, copied while that
// connection still has it open and put at target once it has closed (and removed its own).
bool copyLiveLog(const QString &path, const char *sql, const QString &target)
{
    const QString copy = target + QStringLiteral(".copy");
    sqlite3 *db = nullptr;
    const bool ok = sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK &&
                    QFile::copy(path + QStringLiteral("-wal"), copy);
    sqlite3_close(db);
    return ok && QFile::rename(copy, target);
}

} // namespace

class TestStoreOpen final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void unusableFileFallsBackAndStaysUntouched_data();
    void unusableFileFallsBackAndStaysUntouched();
    void usableFileOpensPersistent_data();
    void usableFileOpensPersistent();
    void hostileFilesAreRefusedUntouched_data();
    void hostileFilesAreRefusedUntouched();

private:
    // Prepares the case in m_dir and returns the store path; sets m_cannotLock when the machine
    // cannot make a location unwritable.
    QString prepare(Setup setup);

    std::unique_ptr<QTemporaryDir> m_dir;
    bool m_cannotLock = false;
    QStringList m_immutable;
};

void TestStoreOpen::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_cannotLock = false;
}

void TestStoreOpen::cleanup()
{
    for (const QString &path : std::as_const(m_immutable))
        chattr(QStringLiteral("-i"), path);
    m_immutable.clear();
    m_dir.reset();
}

QString TestStoreOpen::prepare(Setup setup)
{
    const QString folder = m_dir->filePath(QStringLiteral("Tendrel"));
    const QString path = folder + QStringLiteral("/tendrel.sqlite");
    QDir().mkpath(folder);
    const auto immutable = [this](const QString &target) {
        if (!chattr(QStringLiteral("+i"), target))
            return false;
        m_immutable.append(target);
        return true;
    };

    switch (setup) {
    case Setup::randomBytes:
        writeFile(path, randomBytes(65536));
        break;
    case Setup::damagedBody:
        writeFile(path, QByteArray("SQLite format 3\0", 16) + randomBytes(8176));
        break;
    case Setup::damagedIndexPage: {
        // The care log's index: its root page's cell pointers point out of the page.
        makeGarden(path);
        const qint64 page =
            rawQuery(path, "SELECT rootpage FROM sqlite_master WHERE name = 'careEventPlant'");
        const qint64 pageSize = rawQuery(path, "PRAGMA page_size");
        overwrite(path, (page - 1) * pageSize + 12, QByteArray(8, char(0xff)));
        break;
    }
    case Setup::rootPageOfAnotherTable: {
        // The plants' table starts at the care log's root page: every plant would read as an entry.
        makeGarden(path);
        sqlite3 *db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db,
                     "PRAGMA writable_schema = ON; UPDATE sqlite_master SET rootpage = (SELECT rootpage "
                     "FROM sqlite_master WHERE name = 'careEvent') WHERE name = 'plant'",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        break;
    }
    case Setup::brokenFreelist: {
        // The header's first free page is the plants' own root page.
        makeGarden(path);
        const auto page = quint32(rawQuery(path, "SELECT rootpage FROM sqlite_master WHERE name = 'plant'"));
        overwrite(path, 32, QByteArray(bigEndian32(page) + bigEndian32(1)));
        break;
    }
    case Setup::logOfAnotherStore: {
        // Another garden's log, complete and valid: SQLite would replay it into this store.
        makeStore(path);
        const QString other = m_dir->filePath(QStringLiteral("other.sqlite"));
        makeGarden(other);
        copyLiveLog(other, "PRAGMA wal_autocheckpoint = 0; UPDATE plant SET name = 'Not yours'",
                    path + QStringLiteral("-wal"));
        break;
    }
    case Setup::logOfOtherPageSize: {
        makeStore(path);
        const QString other = m_dir->filePath(QStringLiteral("other.sqlite"));
        copyLiveLog(other,
                    "PRAGMA page_size = 1024; PRAGMA journal_mode = WAL; CREATE TABLE t (x); "
                    "INSERT INTO t VALUES (1)",
                    path + QStringLiteral("-wal"));
        break;
    }
    case Setup::logWithOtherSalt: {
        // The store's own log whose header was given other salts (and a checksum that fits them).
        makeStore(path);
        const QString log = path + QStringLiteral("-wal");
        copyLiveLog(path, "PRAGMA wal_autocheckpoint = 0; UPDATE plant SET name = 'Changed'", log);
        QFile file(log);
        file.open(QIODevice::ReadWrite);
        QByteArray header = file.read(32);
        header[16] = char(header[16] ^ 0x5a);
        quint32 s1 = 0, s2 = 0;
        const bool bigEndian = header[3] & 1;
        for (int i = 0; i < 24; i += 8) {
            const auto word = [&](int at) {
                const auto *b = reinterpret_cast<const uchar *>(header.constData() + at);
                return bigEndian ? quint32(b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3])
                                 : quint32(b[3] << 24 | b[2] << 16 | b[1] << 8 | b[0]);
            };
            s1 += word(i) + s2;
            s2 += word(i + 4) + s1;
        }
        header.replace(24, 8, QByteArray(bigEndian32(s1) + bigEndian32(s2)));
        file.seek(0);
        file.write(header);
        break;
    }
    case Setup::logIsAPipe:
        makeStore(path);
        mkfifo(QFile::encodeName(path + QStringLiteral("-wal")).constData(), 0600);
        break;
    case Setup::openingLockIsAFolder:
        makeStore(path);
        QDir().mkpath(path + QStringLiteral(".opening"));
        break;
    case Setup::openingLockOfAnotherComputer:
        // As QLockFile writes it: process id, program, host name.
        makeStore(path);
        writeFile(path + QStringLiteral(".opening"), "4242\nTendrel\nfaraway-host\n");
        break;
    case Setup::logAlreadyInFile: {
        // A crash between SQLite's last checkpoint and its removal of the log leaves this.
        makeGarden(path);
        copyLiveLog(path,
                    "PRAGMA wal_autocheckpoint = 0; UPDATE plant SET notes = 'checked'; "
                    "PRAGMA wal_checkpoint(FULL)",
                    path + QStringLiteral("-wal"));
        break;
    }
    case Setup::foreignDatabase: {
        SqliteDatabase db;
        db.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        db.exec("CREATE TABLE contacts (name TEXT); INSERT INTO contacts VALUES ('Ada')");
        break;
    }
    case Setup::newerVersion: {
        makeStore(path);
        SqliteDatabase db;
        db.open(path, SQLITE_OPEN_READWRITE, nullptr);
        db.exec("PRAGMA user_version = 3; CREATE TABLE fromTheFuture (x)");
        break;
    }
    case Setup::folderInTheWay:
        QDir().mkpath(path);
        break;
    case Setup::belowRegularFile:
        writeFile(m_dir->filePath(QStringLiteral("plainFile")), "not a folder");
        return m_dir->filePath(QStringLiteral("plainFile/tendrel.sqlite"));
    case Setup::immutableFolder:
        if (!immutable(folder))
            m_cannotLock = true;
        break;
    case Setup::immutableStoreFile:
        makeStore(path);
        if (!immutable(path))
            m_cannotLock = true;
        break;
    case Setup::storeInImmutableFolder:
        makeStore(path);
        if (!immutable(folder))
            m_cannotLock = true;
        break;
    case Setup::validStore:
        makeStore(path);
        break;
    case Setup::olderVersion: {
        // As the first version wrote it: no table of plants marked deleted.
        makeStore(path);
        SqliteDatabase db;
        db.open(path, SQLITE_OPEN_READWRITE, nullptr);
        db.exec("DROP TABLE deletedPlant; PRAGMA user_version = 1");
        break;
    }
    case Setup::emptyFile:
        writeFile(path, QByteArray());
        break;
    case Setup::emptyDatabase: {
        SqliteDatabase db;
        db.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        db.exec("PRAGMA page_size = 4096; VACUUM");
        break;
    }
    case Setup::missingFolder:
        return m_dir->filePath(QStringLiteral("not/yet/there/tendrel.sqlite"));
    }
    return path;
}

void TestStoreOpen::unusableFileFallsBackAndStaysUntouched_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::newRow("random bytes") << Setup::randomBytes;
    QTest::newRow("SQLite header, damaged body") << Setup::damagedBody;
    QTest::newRow("damaged index page") << Setup::damagedIndexPage;
    QTest::newRow("root page of another table") << Setup::rootPageOfAnotherTable;
    QTest::newRow("broken freelist") << Setup::brokenFreelist;
    QTest::newRow("log of another store beside it") << Setup::logOfAnotherStore;
    QTest::newRow("log of another page size beside it") << Setup::logOfOtherPageSize;
    QTest::newRow("log with another salt beside it") << Setup::logWithOtherSalt;
    QTest::newRow("pipe where the log belongs") << Setup::logIsAPipe;
    QTest::newRow("folder where the opening lock belongs") << Setup::openingLockIsAFolder;
    QTest::newRow("opening lock of another computer") << Setup::openingLockOfAnotherComputer;
    QTest::newRow("another program's database") << Setup::foreignDatabase;
    QTest::newRow("store of a newer version") << Setup::newerVersion;
    QTest::newRow("folder where the file belongs") << Setup::folderInTheWay;
    QTest::newRow("folder path runs through a file") << Setup::belowRegularFile;
    QTest::newRow("folder that cannot be written") << Setup::immutableFolder;
    QTest::newRow("store file that cannot be written") << Setup::immutableStoreFile;
    QTest::newRow("store in a folder that cannot be written") << Setup::storeInImmutableFolder;
}

void TestStoreOpen::unusableFileFallsBackAndStaysUntouched()
{
    QFETCH(Setup, setup);
    const QString path = prepare(setup);
    if (m_cannotLock)
        QSKIP("chattr +i is not available here; tests run as root, which ignores permission bits, so an "
              "immutable inode is the only real unwritable location");
    const auto before = snapshotTree(m_dir->path());
    QVERIFY(!before.isEmpty());

    QElapsedTimer clock;
    clock.start();
    QString error;
    QVERIFY(!ModelStore::open(path, &error));
    QVERIFY(!error.isEmpty());
    // Nothing here goes away by waiting: the window must not wait for it.
    QVERIFY2(clock.elapsed() < 2'000, qPrintable(QString::number(clock.elapsed())));

    auto store = ModelStore::openDefault(path);
    QVERIFY(store);
    QVERIFY(!store->isPersistent());
    QVERIFY(store->filePath().isEmpty());
    QCOMPARE(store->notPersistentReason(), error);
    QVERIFY2(error.contains(QFileInfo(path).absolutePath()), qPrintable(error));

    // The stand-in store works normally.
    auto *plant = new Plant(QStringLiteral("Fallback"), Species::custom(), QString());
    store->insert(plant);
    plant->markDone(CareKind::water, QDateTime::currentDateTimeUtc());
    QVERIFY(store->flush());
    QCOMPARE(store->plantCount(), 1);
    QCOMPARE(store->eventCount(), 1);
    store.reset();

    const auto after = snapshotTree(m_dir->path());
    QCOMPARE(after.keys(), before.keys());
    QVERIFY(after == before);
    if (setup == Setup::newerVersion) {
        SqliteDatabase db;
        QVERIFY(db.open(path, SQLITE_OPEN_READONLY, nullptr));
        QCOMPARE(db.queryInt("PRAGMA user_version"), 3);
        QCOMPARE(db.queryInt("SELECT count(*) FROM plant"), 1);
    }
}

void TestStoreOpen::usableFileOpensPersistent_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("plants");
    QTest::newRow("valid store") << Setup::validStore << 1;
    QTest::newRow("store of the first version") << Setup::olderVersion << 1;
    QTest::newRow("log already moved into the file") << Setup::logAlreadyInFile << 20;
    QTest::newRow("empty file") << Setup::emptyFile << 0;
    QTest::newRow("empty SQLite database") << Setup::emptyDatabase << 0;
    QTest::newRow("folder not yet created") << Setup::missingFolder << 0;
}

void TestStoreOpen::usableFileOpensPersistent()
{
    QFETCH(Setup, setup);
    QFETCH(int, plants);
    const QString path = prepare(setup);
    // What a backup of it would restore, checked without changing it.
    if (plants > 0)
        QCOMPARE(ModelStore::inspect(path, nullptr).value_or(ModelStore::GardenSummary()).plants, plants);

    auto store = ModelStore::openDefault(path);
    QVERIFY(store);
    QVERIFY2(store->isPersistent(), qPrintable(store->notPersistentReason()));
    QVERIFY(store->notPersistentReason().isEmpty());
    QCOMPARE(store->plantCount(), plants);
    store->insert(new Plant(QStringLiteral("Added"), Species::custom(), QString()));
    store.reset();

    SqliteDatabase db;
    QVERIFY(db.open(path, SQLITE_OPEN_READONLY, nullptr));
    QCOMPARE(db.queryInt("PRAGMA user_version"), StoreSchema::currentVersion);
    QCOMPARE(db.queryText("PRAGMA journal_mode"), QStringLiteral("wal"));
    QCOMPARE(db.queryInt("SELECT count(*) FROM plant"), plants + 1);
}

void TestStoreOpen::hostileFilesAreRefusedUntouched_data()
{
    QTest::addColumn<QString>("source");
    const QStringList paths = HostileFixtures::files(QStringLiteral("hostile-stores"));
    QVERIFY(!paths.isEmpty());
    for (const QString &path : paths)
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

void TestStoreOpen::hostileFilesAreRefusedUntouched()
{
    QFETCH(QString, source);
    const QString path = prepare(Setup::missingFolder);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(QFile::copy(source, path));
    const auto before = snapshotTree(m_dir->path());

    const HostileFixtures::PeakMemory peak;
    QVERIFY(peak.isValid());
    QElapsedTimer clock;
    clock.start();
    QString error;
    auto store = ModelStore::open(path, &error);
    QVERIFY2(clock.elapsed() < 2'000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
    QVERIFY2(peak.growth() < 200 * 1024 * 1024, qPrintable(QStringLiteral("%1 bytes").arg(peak.growth())));
    // Files that fuzzing found may be stores that open; every other one here must be refused.
    if (!QFileInfo(source).fileName().startsWith(QLatin1String("fuzz-")))
        QVERIFY2(!store, "opened a hostile file");
    if (!store) {
        QVERIFY(!error.isEmpty());
        QVERIFY(snapshotTree(m_dir->path()) == before);
    }
}

QTEST_GUILESS_MAIN(TestStoreOpen)
#include "tst_storeopen.moc"
