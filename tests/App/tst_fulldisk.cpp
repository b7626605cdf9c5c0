#include "App/support/AppHarness.h"
#include "Models/CareKind.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Views/Components/GlassButton.h"
#include "Views/RootView.h"
#include "Views/Today/TaskRow.h"
#include "Views/Today/TodayView.h"
#include "fixtures/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <sqlite3.h>

namespace {

// Each row of sql's result on the file at path, its columns joined by '|'; read-only, so a
// look never writes what the app has yet to.
QStringList rows(const QString &path, const char *sql)
{
    QStringList result;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                QStringList columns;
                for (int i = 0; i < sqlite3_column_count(statement); ++i)
                    columns.append(
                        QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, i))));
                result.append(columns.join(QLatin1Char('|')));
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

const char *const careLog = "SELECT plant.name, careEvent.kindRaw FROM careEvent JOIN plant ON plant.id = "
                            "careEvent.plant ORDER BY careEvent.seq";
const char *const plantNames = "SELECT name FROM plant WHERE id NOT IN (SELECT plant FROM deletedPlant) "
                               "ORDER BY seq";

} // namespace

// The app with its store on a disk that fills up while it runs, and gets room again.
class FullDiskTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void careOnAFullDiskIsSavedOnceThereIsRoom()
    {
        SmallDisk disk(8 * 1024 * 1024);
        if (!disk.isValid())
            QSKIP(qPrintable(disk.reason()));
        const QString path = disk.filePath(QStringLiteral("tendrel.sqlite"));
        auto harness = std::make_unique<AppHarness>(AppHarness::at(QDate(2026, 12, 7), 10, 30), path);
        TendrelApp &app = *harness->app;
        auto *today = app.mainWindow()->findChild<TodayView *>(QStringLiteral("todayView"));
        QVERIFY(today);
        QTest::mouseClick(today->findChild<GlassButton *>(QStringLiteral("todaySampleButton")),
                          Qt::LeftButton);
        QTRY_VERIFY(!today->rows().isEmpty());
        QVERIFY(app.store().flushToFile());
        const QStringList logBefore = rows(path, careLog);
        const QStringList plantsBefore = rows(path, plantNames);
        QVERIFY(!plantsBefore.isEmpty());
        QWidget *banner = app.rootView()->saveBanner();
        QVERIFY(banner && !banner->isVisible());

        // Filled to the last byte.
        QFile filler(disk.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        filler.close();

        TaskRow *monty = nullptr;
        for (TaskRow *row : today->rows()) {
            if (row->plantName() == QStringLiteral("Monty") && row->kind() == CareKind::water)
                monty = row;
        }
        QVERIFY(monty);
        QTest::mouseClick(monty->doneButton(), Qt::LeftButton);
        auto *plant = new Plant(QStringLiteral("Basil"), Species::custom(), QStringLiteral("Kitchen"));
        app.store().insert(plant);
        QTRY_VERIFY(banner->isVisible());
        QVERIFY2(app.store().saveError().contains(QStringLiteral("full")),
                 qPrintable(app.store().saveError()));
        // Nothing of it counts as saved: the file has neither, and the app knows they wait.
        QVERIFY(app.store().hasUnsavedChanges());
        QCOMPARE(rows(path, careLog), logBefore);
        QCOMPARE(rows(path, plantNames), plantsBefore);

        // Room again, and not a click: a retry alone saves both and takes the banner away.
        QVERIFY(filler.remove());
        QTRY_VERIFY_WITH_TIMEOUT(!banner->isVisible(), 12'000);
        QVERIFY(!app.store().hasUnsavedChanges());
        QCOMPARE(rows(path, careLog), logBefore + QStringList{QStringLiteral("Monty|water")});
        QCOMPARE(rows(path, plantNames), plantsBefore + QStringList{QStringLiteral("Basil")});
        QCOMPARE(rows(path, "PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});

        // Closed, the store leaves its file alone on the disk.
        harness.reset();
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("tendrel.sqlite")});
        QCOMPARE(rows(path, plantNames), plantsBefore + QStringList{QStringLiteral("Basil")});
    }
};

QTEST_MAIN(FullDiskTest)
#include "tst_fulldisk.moc"
