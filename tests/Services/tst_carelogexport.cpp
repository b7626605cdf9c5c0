// The care log's dates, written without QDateTime for speed, read exactly as Qt's ISO form of the
// same moment in the same zone: across daylight-saving changes, odd offsets and years before 1970.
// An export that fails at any step, or on a disk that is full or read-only, says why and leaves
// the earlier export of that name as it was.
#include "Core/FileFaults.h"
#include "Services/CareLogExport.h"
#include "fixtures/SmallDisk.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

CareLogExport::Log careLog(int entries)
{
    CareLogExport::Log log;
    log.plantFields = {QStringLiteral("Fern,Boston Fern,Hall,"), QStringLiteral("\"Ivy, small\",Ivy,Desk,")};
    log.kindFields = {QStringLiteral("Water"), QStringLiteral("Mist")};
    for (int i = 0; i < entries; ++i)
        log.entries.push_back({1796630400000LL + i * 3600000LL, i % 2, i % 2});
    return log;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

} // namespace

class CareLogExportTest final : public QObject
{
    Q_OBJECT

private slots:
    void datesReadAsQtWritesThem_data()
    {
        QTest::addColumn<QTimeZone>("zone");
        for (const char *id : {"Europe/Berlin", "America/St_Johns", "Asia/Kolkata", "Australia/Lord_Howe",
                               "Pacific/Chatham", "America/Sao_Paulo", "UTC"})
            QTest::newRow(id) << QTimeZone(id);
        QTest::newRow("fixed -03:30") << QTimeZone(-12600);
    }

    void datesReadAsQtWritesThem()
    {
        QFETCH(QTimeZone, zone);
        QVERIFY(zone.isValid());
        const qint64 start = QDateTime(QDate(1960, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
        const qint64 end = QDateTime(QDate(2040, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
        QList<qint64> moments;
        // Every few hours, off the hour, and each side of every change of offset.
        for (qint64 at = start; at < end; at += 7 * 3600000LL + 13 * 60000 + 7001)
            moments.append(at);
        for (const QTimeZone::OffsetData &change :
             zone.transitions(QDateTime::fromMSecsSinceEpoch(start, Qt::UTC),
                              QDateTime::fromMSecsSinceEpoch(end, Qt::UTC))) {
            for (const qint64 step : {-1001LL, -1LL, 0LL, 999LL})
                moments.append(change.atUtc.toMSecsSinceEpoch() + step);
        }
        std::sort(moments.begin(), moments.end());

        CareLogExport::Log log;
        log.plantFields = {QStringLiteral("Fern,Boston Fern,Hall,")};
        log.kindFields = {QStringLiteral("Water")};
        for (const qint64 at : moments)
            log.entries.push_back({at, 0, 0});
        const QList<QByteArray> lines = CareLogExport::csv(log, zone).split('\n');
        QCOMPARE(lines.size(), moments.size() + 2); // the header, and nothing after the last CRLF
        for (qsizetype i = 0; i < moments.size(); ++i) {
            const QByteArray expected =
                "Fern,Boston Fern,Hall,Water," +
                QDateTime::fromMSecsSinceEpoch(moments.at(i), zone).toString(Qt::ISODate).toUtf8() + '\r';
            QCOMPARE(lines.at(i + 1), expected);
        }
    }

    void failedStepKeepsEarlierExport_data()
    {
        QTest::addColumn<int>("errnum");
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full") << ENOSPC << QStringLiteral("The disk that holds \u201c%1\u201d is full.");
        QTest::newRow("quota used up")
            << EDQUOT << QStringLiteral("The disk that holds \u201c%1\u201d is full.");
        QTest::newRow("read-only disk")
            << EROFS << QStringLiteral("The disk that holds \u201c%1\u201d can only be read.");
        QTest::newRow("disk error") << EIO
                                    << QStringLiteral(
                                           "The disk that holds \u201c%1\u201d failed while it was written.");
        QTest::newRow("no permission")
            << EACCES << QStringLiteral("You have no permission to write \u201c%1\u201d.");
        QTest::newRow("unknown errno")
            << 4242 << QStringLiteral("\u201c%1\u201d cannot be written (error 4242).");
    }

    // Every step of the export fails in turn, until one export has no step left to fail.
    void failedStepKeepsEarlierExport()
    {
        QFETCH(int, errnum);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("care.csv"));
        const QByteArray earlier = CareLogExport::csv(careLog(3), QTimeZone::utc());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
        file.close();
        const CareLogExport::Log log = careLog(24);
        for (int step = 1;; ++step) {
            FileFaults faults;
            faults.failAt(step, errnum);
            faults.setMaxWriteBytes(200); // a few pieces, so a write can fail mid-line
            QString error;
            const bool ok = CareLogExport::write(log, QTimeZone::utc(), path, &error, &faults);
            if (faults.steps() < step) { // no step was left to fail
                QVERIFY2(ok, qPrintable(error));
                QCOMPARE(readAll(path), CareLogExport::csv(log, QTimeZone::utc()));
                QVERIFY(step > 5);
                break;
            }
            QVERIFY2(!ok, qPrintable(QStringLiteral("step %1").arg(step)));
            QCOMPARE(error, reason.arg(path));
            QCOMPARE(readAll(path), earlier);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     QStringList{QStringLiteral("care.csv")});
        }
    }

    // A real disk that fills up, or that can only be read, instead of made-up faults.
    void fullOrReadOnlyDiskKeepsEarlierExport()
    {
        SmallDisk disk(64 * 1024);
        if (!disk.isValid())
            QSKIP(qPrintable(disk.reason()));
        const QString path = disk.filePath(QStringLiteral("care.csv"));
        const QByteArray earlier = CareLogExport::csv(careLog(300), QTimeZone::utc()); // about 18 KB
        QString error;
        QVERIFY2(CareLogExport::write(careLog(300), QTimeZone::utc(), path, &error), qPrintable(error));
        QVERIFY(!CareLogExport::write(careLog(3000), QTimeZone::utc(), path, &error));
        QCOMPARE(error, QStringLiteral("The disk that holds \u201c%1\u201d is full.").arg(path));
        QCOMPARE(readAll(path), earlier);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("care.csv")});

        QVERIFY(disk.makeReadOnly());
        QVERIFY(!CareLogExport::write(careLog(3), QTimeZone::utc(), path, &error));
        QCOMPARE(error, QStringLiteral("The disk that holds \u201c%1\u201d can only be read.").arg(path));
        QCOMPARE(readAll(path), earlier);
    }
};

QTEST_GUILESS_MAIN(CareLogExportTest)
#include "tst_carelogexport.moc"
