// The File menu's garden commands in the real main window with a store file: a backup opens as
// the same garden, a restore replaces it after asking and Undo brings the old one back, a damaged,
// foreign or newer file is refused and left as it was, and the care log reads back through a
// spreadsheet's CSV reader with hostile names intact.
#include "support/AppHarness.h"

#include "App/GardenCommands.h"
#include "App/UndoCommands.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Services/SampleData.h"
#include "Store/ModelStore.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Toast.h"
#include "Views/Settings/GardenFiles.h"
#include "Views/Today/TaskRow.h"
#include "Views/Today/TodayView.h"
#include "fixtures/SmallDisk.h"
#include "fixtures/StoreDump.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

const QDate monday(2026, 12, 7);

// Every file in folder with a hash of its bytes.
QStringList filesIn(const QString &folder)
{
    QStringList lines;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("unreadable ") + name};
        lines.append(
            name + QLatin1Char(' ') +
            QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex()));
    }
    return lines;
}

} // namespace

class GardenFilesTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Spring::setAnimationsEnabled(false);
    }

    void init()
    {
        m_harness =
            std::make_unique<AppHarness>(AppHarness::at(monday, 10, 30), QStringLiteral("tendrel.sqlite"));
        SampleData::load(store());
        store().plants().first()->setPhoto(QByteArray(20 * 1024, 'p'));
        QVERIFY(store().flush());
        QVERIFY(m_files.isValid());
    }

    void cleanup()
    {
        MessageBox::clearNextAnswer();
        MessageBox::clearLastShown();
        m_harness.reset();
    }

    void backUpThenRestoreThenUndo()
    {
        const QString garden = dumpStore(path());
        const QString backup = m_files.filePath(QStringLiteral("Tendrel Backup 2026-12-07.tendrel"));
        QVERIFY(run(commands()->backUpAction(), backup));
        QCOMPARE(dumpStore(backup), garden);

        // The garden changes after the backup; restoring gives the backed-up one back.
        GardenHistory::of(store()).deleteAllPlants();
        store().insert(new Plant(QStringLiteral("Newcomer"), Species::custom(), QStringLiteral("Hall")));
        QVERIFY(store().flush());
        const QString changed = dumpStore(path());
        const QStringList backupBytes = filesIn(m_files.path());

        MessageBox::setNextAnswer(QStringLiteral("Restore"));
        QVERIFY(run(commands()->restoreAction(), backup));
        const MessageBox::Shown asked = MessageBox::lastShown().value();
        QCOMPARE(asked.title, QStringLiteral("Restore \u201cTendrel Backup 2026-12-07.tendrel\u201d?"));
        QVERIFY2(asked.message.startsWith(QStringLiteral("7 plants, 24 care entries, backed up ")),
                 qPrintable(asked.message));
        QVERIFY(store().flush());
        QCOMPARE(dumpStore(path()), garden);
        QCOMPARE(store().plantCount(), 7);
        QCOMPARE(filesIn(m_files.path()), backupBytes); // the backup was only read
        // The garden that went is kept beside the store.
        const QStringList kept = QDir(m_harness->dir.path()).entryList({QStringLiteral("*.tendrel")});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(dumpStore(m_harness->dir.filePath(kept.first())), changed);

        // The screens show the restored garden: its tasks are on Today.
        auto *today = m_harness->app->mainWindow()->findChild<TodayView *>();
        QVERIFY(today);
        const auto names = [today] {
            QSet<QString> shown;
            for (const TaskRow *row : today->rows())
                shown.insert(row->plantName());
            return shown;
        };
        QTRY_VERIFY(names().size() > 1 && !names().contains(QStringLiteral("Newcomer")));

        // The toast's Undo (clicked twice) puts the replaced garden back, once.
        QAction *undo = m_harness->app->undoCommands()->undoAction();
        QCOMPARE(undo->text(), QStringLiteral("Undo Restore Garden"));
        Toast *toast = Toast::current(m_harness->app->mainWindow());
        QVERIFY(toast);
        QCOMPARE(toast->message(), QStringLiteral("Restored 7 plants"));
        QTest::mouseClick(toast->actionButton(), Qt::LeftButton);
        QTest::mouseClick(toast->actionButton(), Qt::LeftButton);
        QVERIFY(store().flush());
        QCOMPARE(dumpStore(path()), changed);
        QTRY_COMPARE(names(), QSet<QString>{QStringLiteral("Newcomer")});
        QVERIFY(!undo->isEnabled());
        m_harness->app->undoCommands()->redoAction()->trigger();
        QVERIFY(store().flush());
        QCOMPARE(dumpStore(path()), garden);
        QTRY_VERIFY(names().size() > 1 && !names().contains(QStringLiteral("Newcomer")));
    }

    void restoreRefusesBadFiles_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged") << QStringLiteral("damaged-care-log-page.sqlite")
                                 << QStringLiteral("is damaged");
        QTest::newRow("newer") << QStringLiteral("newer-version.sqlite") << QStringLiteral("newer version");
        QTest::newRow("foreign") << QStringLiteral("table-named-as-markup.sqlite")
                                 << QStringLiteral("not a plant store");
        QTest::newRow("not a database") << QString() << QStringLiteral("not a Tendrel plant store");
    }

    void restoreRefusesBadFiles()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, reason);
        const QString file = m_files.filePath(QStringLiteral("bad.tendrel"));
        QFile::remove(file);
        if (fixture.isEmpty()) {
            QFile text(file);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write(QByteArray(4096, 'x'));
        } else {
            QVERIFY(QFile::copy(QString::fromLocal8Bit(qgetenv("TENDREL_SOURCE_DIR")) +
                                    QStringLiteral("/tests/fixtures/hostile-stores/") + fixture,
                                file));
        }
        const QString garden = dumpStore(path());
        const QStringList before = filesIn(m_files.path());
        const QStringList storeBefore = storeFiles();
        MessageBox::setNextAnswer(QStringLiteral("Restore"));
        QVERIFY(!run(commands()->restoreAction(), file));
        const MessageBox::Shown shown = MessageBox::lastShown().value();
        QCOMPARE(shown.title, QStringLiteral("Couldn\u2019t Restore Garden"));
        QVERIFY2(shown.message.contains(reason), qPrintable(shown.message));
        QCOMPARE(filesIn(m_files.path()), before);
        QCOMPARE(storeFiles(), storeBefore);
        QCOMPARE(dumpStore(path()), garden);
        QVERIFY(!m_harness->app->undoCommands()->undoAction()->isEnabled());
    }

    // A file's name in a toast stays on one line and inside its isolate, whatever it holds.
    void hostileFileNameInTheToast()
    {
        const QString backup = m_files.filePath(QStringLiteral("Back\nup\t\u2069\u202eevil.tendrel"));
        QVERIFY(run(commands()->backUpAction(), backup));
        QCOMPARE(dumpStore(backup), dumpStore(path()));
        Toast *toast = Toast::current(m_harness->app->mainWindow());
        QVERIFY(toast);
        QCOMPARE(toast->message(),
                 QStringLiteral("Backed up 7 plants to \u201c\u2068Back up \u202eevil.tendrel\u2069\u201d"));
    }

    void careLogReadsBackThroughCsvReader()
    {
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty())
            QSKIP("python3 is not installed");
        const QStringList names = {QStringLiteral("Fern, \"the big one\"\r\nby the door"),
                                   QStringLiteral("=HYPERLINK(\"x\")"), QStringLiteral("&x <b>"),
                                   QStringLiteral("\u200F\u05E9\u05DC\u05D5\u05DD"),
                                   QString(10000, QLatin1Char('n'))};
        const QList<Plant *> plants = store().plants();
        for (qsizetype i = 0; i < names.size(); ++i) {
            plants.at(i)->setName(names.at(i));
            plants.at(i)->setSite(names.at(names.size() - 1 - i));
        }
        const QString csv = m_files.filePath(QStringLiteral("care.csv"));
        QVERIFY(run(commands()->exportAction(), csv));

        QProcess reader;
        reader.start(python, {QStringLiteral("-c"),
                              QStringLiteral("import csv, json, sys\n"
                                             "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                             "    print(json.dumps(list(csv.reader(f))))\n"),
                              csv});
        QVERIFY(reader.waitForFinished(30000));
        QCOMPARE(reader.exitCode(), 0);
        const QJsonArray rows = QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
        QCOMPARE(rows.size(), store().eventCount() + 1);
        QCOMPARE(rows.first().toArray().toVariantList(),
                 (QVariantList{QStringLiteral("Plant"), QStringLiteral("Species"), QStringLiteral("Room"),
                               QStringLiteral("Care"), QStringLiteral("Date")}));
        QSet<QString> seenNames;
        for (qsizetype i = 1; i < rows.size(); ++i) {
            const QJsonArray row = rows.at(i).toArray();
            QCOMPARE(row.size(), 5);
            QString name = row.at(0).toString();
            // A value that would run as a formula is kept as text.
            QVERIFY(!QStringLiteral("=+-@").contains(name.front()));
            if (name.startsWith(QStringLiteral("'=")))
                name.remove(0, 1);
            seenNames.insert(name);
            QVERIFY(QDateTime::fromString(row.at(4).toString(), Qt::ISODate).isValid());
            QVERIFY2(row.at(4).toString().endsWith(QStringLiteral("+01:00")),
                     qPrintable(row.at(4).toString()));
        }
        for (const QString &name : names)
            QVERIFY2(seenNames.contains(name), qPrintable(name.left(40)));
    }

    // A disk that fills up: each command says why in its alert and leaves the earlier file whole.
    void fullDiskSaysWhyAndKeepsEarlierFiles()
    {
        SmallDisk disk(1024 * 1024);
        if (!disk.isValid())
            QSKIP(qPrintable(disk.reason()));
        const QString csv = disk.filePath(QStringLiteral("care.csv"));
        const QString backup = disk.filePath(QStringLiteral("garden.tendrel"));
        QVERIFY(run(commands()->exportAction(), csv));
        QVERIFY(run(commands()->backUpAction(), backup));
        QFile filler(disk.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) {
        }
        filler.close();
        const QStringList before = filesIn(disk.path());

        for (QAction *action : {commands()->exportAction(), commands()->backUpAction()}) {
            const QString target = action == commands()->exportAction() ? csv : backup;
            MessageBox::setNextAnswer(0);
            QVERIFY(!run(action, target));
            const auto shown = MessageBox::lastShown();
            QVERIFY(shown);
            QCOMPARE(shown->message,
                     QStringLiteral("The disk that holds \u201c%1\u201d is full.").arg(target));
            QCOMPARE(filesIn(disk.path()), before);
        }
    }

private:
    ModelStore &store() { return m_harness->app->store(); }
    QString path() { return store().filePath(); }
    GardenCommands *commands() { return m_harness->app->gardenCommands(); }
    // The store file and its journal, byte for byte (the shared-memory index changes with reads).
    QStringList storeFiles()
    {
        QStringList files = filesIn(m_harness->dir.path());
        files.removeIf([](const QString &line) { return line.contains(QStringLiteral("-shm ")); });
        return files;
    }

    // Runs a garden command with file as the answer to its file question; true when it succeeded.
    bool run(QAction *action, const QString &file)
    {
        QSignalSpy finished(commands()->files(), &GardenFiles::finished);
        GardenFiles::setNextFile(file);
        action->trigger();
        if (finished.isEmpty() && !finished.wait(20000))
            return false;
        return finished.first().at(1).toBool();
    }

    QTemporaryDir m_files;
    std::unique_ptr<AppHarness> m_harness;
};

QTEST_MAIN(GardenFilesTest)
#include "tst_gardenfiles.moc"
