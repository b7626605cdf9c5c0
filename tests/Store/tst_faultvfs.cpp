// The fault injector the store's fault loops stand on: a failed call fails the statement with
// SQLite's code and no later one; a lasting fault lasts until disarmed; a power cut keeps exactly
// what reached the disk.
#include "support/FaultVfs.h"

#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

enum class Fault { writeOnce, writesOnward, powerCut };

struct Connection
{
    sqlite3 *db = nullptr;
    explicit Connection(const QString &path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_extended_result_codes(db, 1);
    }
    ~Connection() { sqlite3_close_v2(db); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    int exec(const char *sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    qint64 value(const char *sql)
    {
        sqlite3_stmt *statement = nullptr;
        qint64 result = -1;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            result = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        return result;
    }
};

} // namespace

class TestFaultVfs final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FaultVfs::install(); }
    void cleanup() { FaultVfs::disarm(); }
    void faultsReachTheStatement_data();
    void faultsReachTheStatement();
    void powerCutKeepsWhatWasSynced_data();
    void powerCutKeepsWhatWasSynced();
};

void TestFaultVfs::faultsReachTheStatement_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("persistent");
    QTest::addColumn<int>("expected");
    QTest::newRow("disk full once") << SQLITE_FULL << false << SQLITE_FULL;
    QTest::newRow("I/O error once") << SQLITE_IOERR << false << SQLITE_IOERR_WRITE;
    QTest::newRow("disk stays full") << SQLITE_FULL << true << SQLITE_FULL;
}

void TestFaultVfs::faultsReachTheStatement()
{
    QFETCH(int, code);
    QFETCH(bool, persistent);
    QFETCH(int, expected);
    QTemporaryDir dir;
    Connection c(dir.filePath(QStringLiteral("t.sqlite")));
    // Without syncs every counted call of an insert is a write of the log.
    QCOMPARE(c.exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = OFF; CREATE TABLE t (x BLOB)"),
             SQLITE_OK);

    // A fault past the last call never happens, and says how many calls there were.
    FaultVfs::failAt(1000, code, persistent);
    QCOMPARE(c.exec("INSERT INTO t VALUES (zeroblob(10000))"), SQLITE_OK);
    QVERIFY(!FaultVfs::fired());
    const int calls = FaultVfs::calls();
    QVERIFY(calls >= 3);

    FaultVfs::failAt(calls, code, persistent);
    QCOMPARE(c.exec("INSERT INTO t VALUES (zeroblob(10000))"), expected);
    QVERIFY(FaultVfs::fired());
    QCOMPARE(c.exec("INSERT INTO t VALUES (1)"), persistent ? expected : SQLITE_OK);
    FaultVfs::disarm();
    QCOMPARE(c.exec("INSERT INTO t VALUES (2)"), SQLITE_OK);
    QCOMPARE(c.value("SELECT count(*) FROM t"), persistent ? 2 : 3);
    QCOMPARE(c.value("SELECT count(*) FROM pragma_integrity_check WHERE integrity_check = 'ok'"), 1);
}

void TestFaultVfs::powerCutKeepsWhatWasSynced_data()
{
    QTest::addColumn<bool>("syncEachCommit");
    QTest::addColumn<qint64>("rowsAfterCut");
    // NORMAL syncs the log only when it moves into the file: commits made before that are lost,
    // and so are the log's own pages they overwrote.
    QTest::newRow("log synced at checkpoints") << false << qint64(1);
    // FULL syncs at each commit: the cut takes only the commit whose sync it stopped.
    QTest::newRow("log synced at each commit") << true << qint64(2);
}

void TestFaultVfs::powerCutKeepsWhatWasSynced()
{
    QFETCH(bool, syncEachCommit);
    QFETCH(qint64, rowsAfterCut);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.sqlite"));
    {
        Connection c(path);
        QCOMPARE(c.exec("PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0; CREATE TABLE t (x);"
                        "INSERT INTO t VALUES (1); PRAGMA wal_checkpoint"),
                 SQLITE_OK);
        QCOMPARE(c.exec(syncEachCommit ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = NORMAL"),
                 SQLITE_OK);
        // The first sync writes the log's header as the log starts over; the second is the checkpoint's.
        if (!syncEachCommit)
            FaultVfs::powerCutAt(2);
        QCOMPARE(c.exec("INSERT INTO t VALUES (2)"), SQLITE_OK);
        if (syncEachCommit)
            FaultVfs::powerCutAt(1);
        const int grown = c.exec("INSERT INTO t SELECT zeroblob(3000) FROM (SELECT 1 UNION SELECT 2)");
        if (syncEachCommit) {
            QCOMPARE(grown, SQLITE_IOERR_FSYNC);
        } else {
            QCOMPARE(grown, SQLITE_OK);
            QVERIFY(!FaultVfs::fired());
            QCOMPARE(c.exec("PRAGMA wal_checkpoint(FULL)") & 0xff, SQLITE_IOERR);
        }
        QVERIFY(FaultVfs::fired());
        // The dark machine answers nothing.
        QCOMPARE(c.exec("INSERT INTO t VALUES (4)") & 0xff, SQLITE_IOERR);
    }
    FaultVfs::disarm();
    Connection c(path);
    QCOMPARE(c.value("SELECT count(*) FROM t"), rowsAfterCut);
    QCOMPARE(c.value("SELECT count(*) FROM pragma_integrity_check WHERE integrity_check = 'ok'"), 1);
}

QTEST_GUILESS_MAIN(TestFaultVfs)
#include "tst_faultvfs.moc"
