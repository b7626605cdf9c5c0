// `tendrel --backup FILE` and `tendrel --export-csv FILE` as a script runs them: the real binary,
// no display, a store file that another connection (the running app) holds open. A written file
// is complete; a refused or failed one leaves every file as it was, with one line on standard error
// that says why.
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "fixtures/SmallDisk.h"
#include "fixtures/StoreDump.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sqlite3.h>

class CommandLineTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        m_store = ModelStore::open(storePath());
        QVERIFY(m_store);
        for (const QString &name : {QStringLiteral("Fern, \"big\"\nby the door"), QStringLiteral("=1+1")}) {
            auto *plant = new Plant(name, Species::custom(), QStringLiteral("Hall"), QByteArray(4096, 'p'));
            m_store->insert(plant);
            plant->markDone(CareKind::water, QDateTime(QDate(2026, 12, 7), QTime(9, 30), Qt::UTC));
        }
        QVERIFY(m_store->flush());
    }

    void cleanup()
    {
        m_store.reset();
        m_folder.reset();
    }

    void commands_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("complaint");
        QTest::addColumn<QString>("dataHome");
        QTest::newRow("backup") << QStringList{QStringLiteral("--backup"), QStringLiteral("out.tendrel")} << 0
                                << QStringLiteral("out.tendrel") << QString() << QString();
        QTest::newRow("export") << QStringList{QStringLiteral("--export-csv=out.csv")} << 0
                                << QStringLiteral("out.csv") << QString() << QString();
        QTest::newRow("backup onto a folder")
            << QStringList{QStringLiteral("--backup"), QStringLiteral("folder")} << 1 << QString()
            << QStringLiteral("is a folder") << QString();
        QTest::newRow("export over the store")
            << QStringList{QStringLiteral("--export-csv"), QStringLiteral("Tendrel/tendrel.sqlite")} << 1
            << QString() << QStringLiteral("own plant store") << QString();
        QTest::newRow("export into a missing folder")
            << QStringList{QStringLiteral("--export-csv"), QStringLiteral("missing/out.csv")} << 1
            << QString() << QStringLiteral("The folder of \u201cmissing/out.csv\u201d does not exist.")
            << QString();
        QTest::newRow("no file given") << QStringList{QStringLiteral("--backup")} << 2 << QString()
                                       << QStringLiteral("Missing value") << QString();
        QTest::newRow("stray argument")
            << QStringList{QStringLiteral("--backup"), QStringLiteral("a.tendrel"), QStringLiteral("b")} << 2
            << QString() << QStringLiteral("Unexpected argument") << QString();
        for (const char *option : {"--backup", "--export-csv"})
            QTest::addRow("%s before the first start", option + 2)
                << QStringList{QLatin1String(option), QStringLiteral("out")} << 1 << QString()
                << QStringLiteral("There is no plant store") << QStringLiteral("folder");
    }

    void commands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, written);
        QFETCH(QString, complaint);
        QFETCH(QString, dataHome);
        QVERIFY(QDir(m_folder->path()).mkpath(QStringLiteral("folder")));
        const QString garden = dumpStore(storePath());
        const QStringList before = QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden);

        QString errors;
        QCOMPARE(tendrel(arguments, &errors, dataHome), status);
        QCOMPARE(dumpStore(storePath()), garden);
        if (status != 0) {
            QVERIFY2(errors.startsWith(QStringLiteral("tendrel: ")) && errors.contains(complaint) &&
                         !errors.contains(QLatin1Char('\n')),
                     qPrintable(errors));
            QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden), before);
            QVERIFY(QDir(m_folder->filePath(QStringLiteral("folder"))).isEmpty()); // no store made either
            return;
        }
        QVERIFY2(errors.isEmpty(), qPrintable(errors));
        const QString file = m_folder->filePath(written);
        if (written.endsWith(QStringLiteral(".tendrel"))) {
            QCOMPARE(dumpStore(file), garden);
            return;
        }
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(),
                 QByteArray(
                     "Plant,Species,Room,Care,Date\r\n"
                     "\"Fern, \"\"big\"\"\nby the door\",Other plant,Hall,Water,2026-12-07T10:30:00+01:00\r\n"
                     "'=1+1,Other plant,Hall,Water,2026-12-07T10:30:00+01:00\r\n"));
    }

    // A disk that fills up, or can only be read, while an earlier file of that name is on it.
    void fullOrReadOnlyDisk_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("complaint");
        for (const char *option : {"--export-csv", "--backup"}) {
            QTest::addRow("%s, full", option + 2)
                << QString::fromLatin1(option) << false << QStringLiteral("is full.");
            QTest::addRow("%s, read-only", option + 2)
                << QString::fromLatin1(option) << true << QStringLiteral("can only be read.");
        }
    }

    void fullOrReadOnlyDisk()
    {
        QFETCH(QString, option);
        QFETCH(bool, readOnly);
        QFETCH(QString, complaint);
        SmallDisk disk(64 * 1024);
        if (!disk.isValid())
            QSKIP(qPrintable(disk.reason()));
        const QString csv = disk.filePath(QStringLiteral("garden.file"));
        QString errors;
        QCOMPARE(tendrel({option, csv}, &errors), 0);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray earlier = file.readAll();
        file.close();
        // About 130 KB of log (and more of store) from here on.
        Plant *plant = m_store->plants().first();
        for (int i = 0; i < 2000; ++i)
            plant->markDone(CareKind::mist,
                            QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC).addSecs(i * 60));
        QVERIFY(m_store->flush());
        QVERIFY(!readOnly || disk.makeReadOnly());

        QCOMPARE(tendrel({option, csv}, &errors), 1);
        QCOMPARE(errors,
                 QStringLiteral("tendrel: The disk that holds \u201c%1\u201d %2").arg(csv, complaint));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), earlier);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("garden.file")});
    }

    // A damaged store is refused as the app refuses it: nothing written, not a byte of it changed.
    void damagedStoreIsRefused_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("backup") << QStringLiteral("--backup");
        QTest::newRow("export") << QStringLiteral("--export-csv");
    }

    void damagedStoreIsRefused()
    {
        QFETCH(QString, option);
        m_store.reset();
        // The header's first free page is the plants' own table.
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(storePath().toUtf8().constData(), &db), SQLITE_OK);
        sqlite3_stmt *root = nullptr;
        sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = 'plant'", -1, &root, nullptr);
        QCOMPARE(sqlite3_step(root), SQLITE_ROW);
        const auto page = quint32(sqlite3_column_int(root, 0));
        sqlite3_finalize(root);
        sqlite3_close(db);
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(32));
        QByteArray freelist(8, Qt::Uninitialized);
        qToBigEndian(page, freelist.data());
        qToBigEndian(quint32(1), freelist.data() + 4);
        QCOMPARE(file.write(freelist), 8);
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        file.close();

        QProcess tendrel;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
        tendrel.setProcessEnvironment(environment);
        tendrel.setWorkingDirectory(m_folder->path());
        tendrel.start(qEnvironmentVariable("TENDREL_BINARY_DIR") + QStringLiteral("/bin/tendrel"),
                      {option, QStringLiteral("out")});
        QVERIFY(tendrel.waitForFinished(60000));
        const QString errors = QString::fromUtf8(tendrel.readAllStandardError()).trimmed();
        QCOMPARE(tendrel.exitCode(), 1);
        QVERIFY2(errors.startsWith(QStringLiteral("tendrel: ")) &&
                     errors.contains(QStringLiteral("is damaged")),
                 qPrintable(errors));
        QVERIFY(!QFileInfo::exists(m_folder->filePath(QStringLiteral("out"))));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
        QCOMPARE(QDir(m_folder->filePath(QStringLiteral("Tendrel"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("tendrel.sqlite")});
    }

    // A lock file that cannot be made is no running Tendrel: the app starts (with its plants in
    // memory) and says why, instead of quitting at once as if another one ran.
    void startsWhenTheLockCannotBeMade()
    {
        m_store.reset();
        const QString garden = dumpStore(storePath());
        const QString lock = m_folder->filePath(QStringLiteral("Tendrel/tendrel.lock"));
        QVERIFY(QDir().mkpath(lock));
        QProcess tendrel;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_folder->filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), m_folder->filePath(QStringLiteral("state")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        tendrel.setProcessEnvironment(environment);
        tendrel.start(qEnvironmentVariable("TENDREL_BINARY_DIR") + QStringLiteral("/bin/tendrel"), {});
        QVERIFY(tendrel.waitForStarted());
        const bool running = !tendrel.waitForFinished(3000);
        if (running) {
            tendrel.terminate();
            QVERIFY(tendrel.waitForFinished(10000));
        }
        const QString errors = QString::fromUtf8(tendrel.readAllStandardError());
        QVERIFY2(running, qPrintable(errors));
        QVERIFY2(errors.contains(QStringLiteral("is not the lock file")) &&
                     !errors.contains(QStringLiteral("did not answer")),
                 qPrintable(errors));
        QVERIFY(QFileInfo(lock).isDir());
        QCOMPARE(dumpStore(storePath()), garden);
    }

private:
    // Runs the real binary in the test's folder; its exit status, and its standard error in errors.
    int tendrel(const QStringList &arguments, QString *errors, const QString &dataHome = QString())
    {
        QProcess tendrel;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->filePath(dataHome));
        environment.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
        // A window would need a platform; the commands need none.
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        tendrel.setProcessEnvironment(environment);
        tendrel.setWorkingDirectory(m_folder->path());
        tendrel.start(qEnvironmentVariable("TENDREL_BINARY_DIR") + QStringLiteral("/bin/tendrel"), arguments);
        if (!tendrel.waitForFinished(60000) || tendrel.exitStatus() != QProcess::NormalExit)
            return -1;
        *errors = QString::fromUtf8(tendrel.readAllStandardError()).trimmed();
        return tendrel.exitCode();
    }

    QString storePath() const { return m_folder->filePath(QStringLiteral("Tendrel/tendrel.sqlite")); }

    std::unique_ptr<QTemporaryDir> m_folder;
    // Open all along, as in the running app.
    std::unique_ptr<ModelStore> m_store;
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
