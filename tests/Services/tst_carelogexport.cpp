// The care log's dates, written without QDateTime for speed, read exactly as Qt's ISO form of the
// same moment in the same zone: across daylight-saving changes, odd offsets and years before 1970.
#include "Services/CareLogExport.h"

#include <QTest>
#include <QTimeZone>

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
};

QTEST_GUILESS_MAIN(CareLogExportTest)
#include "tst_carelogexport.moc"
