#include "Agent/ReminderSchedule.h"

#include <QTest>

namespace {

const QTimeZone utc = QTimeZone::utc();
const QTimeZone newYork("America/New_York");

NotificationRequest request(const QString &identifier, QDate date, int hour, int minute)
{
    NotificationRequest r;
    r.identifier = identifier;
    r.title = QStringLiteral("1 plant needs care");
    r.body = QStringLiteral("Water Fern");
    r.trigger = {date.year(), date.month(), date.day(), hour, minute};
    return r;
}

QDateTime at(QDate date, int hour, int minute, const QTimeZone &zone = utc, int msecs = 0)
{
    return QDateTime(date, QTime(hour, minute), zone).addMSecs(msecs);
}

QStringList identifiers(const QList<NotificationRequest> &requests)
{
    QStringList result;
    for (const NotificationRequest &r : requests)
        result.append(r.identifier);
    return result;
}

} // namespace

class TestReminderSchedule : public QObject
{
    Q_OBJECT

private slots:
    void minuteEdges_data();
    void minuteEdges();
    void daylightSavingGapFiresWhenTheGapEnds();
    void repeatedHourFiresOnce();
    void zoneChangeBetweenChecksMovesWithTheWallClock();
    void jumpDeliversOnlyTheLatestMissed_data();
    void jumpDeliversOnlyTheLatestMissed();
    void clockSetBackNeverRepeats();
    void keepsAtMostFourteen();
    void restoreSkipsInvalidAndRepeatedEntries();
};

void TestReminderSchedule::minuteEdges_data()
{
    QTest::addColumn<qint64>("offsetMsecs"); // check time relative to 09:00:00.000
    QTest::addColumn<bool>("delivered");
    QTest::addColumn<bool>("stillPending");

    QTest::newRow("one millisecond early") << qint64(-1) << false << true;
    QTest::newRow("on the minute") << qint64(0) << true << false;
    QTest::newRow("timer a little late") << qint64(25) << true << false;
    QTest::newRow("check one minute late") << qint64(60'000) << true << false;
    QTest::newRow("after a short suspend") << qint64(3 * 3'600'000) << true << false;
    QTest::newRow("twelve hours late") << qint64(12 * 3'600'000) << true << false;
    QTest::newRow("more than twelve hours late") << qint64(12 * 3'600'000 + 60'000) << false << false;
}

void TestReminderSchedule::minuteEdges()
{
    QFETCH(qint64, offsetMsecs);
    QFETCH(bool, delivered);
    QFETCH(bool, stillPending);

    ReminderSchedule schedule;
    const QDate day(2026, 12, 7);
    QVERIFY(!schedule.add(request(QStringLiteral("tendrel.daily.0"), day, 9, 0)));
    const auto due = schedule.takeDue(at(day, 9, 0, utc, int(offsetMsecs)), utc);
    QCOMPARE(due.deliver.size(), delivered ? 1 : 0);
    QCOMPARE(due.dropped.size(), !delivered && !stillPending ? 1 : 0);
    QCOMPARE(schedule.isEmpty(), !stillPending);
}

void TestReminderSchedule::daylightSavingGapFiresWhenTheGapEnds()
{
    // 2027-03-14 02:30 does not exist in New York: 02:00 EST jumps to 03:00 EDT (07:00 UTC).
    ReminderSchedule schedule;
    const QDate day(2027, 3, 14);
    QVERIFY(!schedule.add(request(QStringLiteral("gap"), day, 2, 30)));

    const QDateTime gapEnd(QDate(2027, 3, 14), QTime(7, 0), utc);
    QVERIFY(schedule.takeDue(gapEnd.addMSecs(-1), newYork).deliver.isEmpty());
    const auto due = schedule.takeDue(gapEnd, newYork);
    QCOMPARE(identifiers(due.deliver), QStringList{QStringLiteral("gap")});
    QCOMPARE(request(QStringLiteral("x"), day, 2, 30).trigger.moment(newYork), gapEnd);
    // The wall-clock time after the gap reads 03:00.
    QCOMPARE(gapEnd.toTimeZone(newYork).time(), QTime(3, 0));
}

void TestReminderSchedule::repeatedHourFiresOnce()
{
    // 2026-11-01 01:30 happens twice in New York: at 05:30 UTC (EDT) and 06:30 UTC (EST).
    ReminderSchedule schedule;
    QVERIFY(!schedule.add(request(QStringLiteral("repeat"), QDate(2026, 11, 1), 1, 30)));
    const QDateTime first(QDate(2026, 11, 1), QTime(5, 30), utc);

    QVERIFY(schedule.takeDue(first.addMSecs(-1), newYork).deliver.isEmpty());
    QCOMPARE(identifiers(schedule.takeDue(first, newYork).deliver), QStringList{QStringLiteral("repeat")});
    const auto second = schedule.takeDue(first.addSecs(3600), newYork);
    QVERIFY(second.deliver.isEmpty());
    QVERIFY(second.dropped.isEmpty());
}

void TestReminderSchedule::zoneChangeBetweenChecksMovesWithTheWallClock()
{
    const QDate day(2026, 12, 7);
    {
        // Moving west: 09:00 now means 09:00 New York time, five hours later than in UTC.
        ReminderSchedule schedule;
        QVERIFY(!schedule.add(request(QStringLiteral("west"), day, 9, 0)));
        QVERIFY(schedule.takeDue(at(day, 8, 59), utc).deliver.isEmpty());
        QVERIFY(schedule.takeDue(at(day, 9, 5), newYork).deliver.isEmpty());
        QVERIFY(schedule.takeDue(at(day, 13, 59), newYork).deliver.isEmpty());
        QCOMPARE(schedule.takeDue(at(day, 14, 0), newYork).deliver.size(), 1);
    }
    {
        // Moving east: 09:00 in Tokyo was midnight UTC, so the reminder is already eight hours
        // late and still shown, once.
        ReminderSchedule schedule;
        QVERIFY(!schedule.add(request(QStringLiteral("east"), day, 9, 0)));
        const QTimeZone tokyo("Asia/Tokyo");
        QVERIFY(schedule.takeDue(at(day, 7, 59), utc).deliver.isEmpty());
        QCOMPARE(schedule.takeDue(at(day, 8, 0), tokyo).deliver.size(), 1);
        QVERIFY(schedule.takeDue(at(day, 8, 1), tokyo).deliver.isEmpty());
    }
}

void TestReminderSchedule::jumpDeliversOnlyTheLatestMissed_data()
{
    QTest::addColumn<int>("jumpToHour");
    QTest::addColumn<QStringList>("delivered");
    QTest::addColumn<int>("dropped");

    // Requests at 10:00, 12:00 and 14:00; the last check ran at 09:00.
    QTest::newRow("eight hours") << 17 << QStringList{QStringLiteral("14")} << 2;
    QTest::newRow("onto the latest") << 14 << QStringList{QStringLiteral("14")} << 2;
    QTest::newRow("between two") << 13 << QStringList{QStringLiteral("12")} << 1;
}

void TestReminderSchedule::jumpDeliversOnlyTheLatestMissed()
{
    QFETCH(int, jumpToHour);
    QFETCH(QStringList, delivered);
    QFETCH(int, dropped);

    ReminderSchedule schedule;
    const QDate day(2026, 12, 7);
    for (int hour : {10, 12, 14})
        QVERIFY(!schedule.add(request(QString::number(hour), day, hour, 0)));
    QVERIFY(schedule.takeDue(at(day, 9, 0), utc).deliver.isEmpty());
    const auto due = schedule.takeDue(at(day, jumpToHour, 0), utc);
    QCOMPARE(identifiers(due.deliver), delivered);
    QCOMPARE(due.dropped.size(), dropped);
    // Nothing that was passed over comes later; only a request still ahead of the jump does.
    QCOMPARE(schedule.takeDue(at(day, 23, 59), utc).deliver.size(), jumpToHour < 14 ? 1 : 0);
}

void TestReminderSchedule::clockSetBackNeverRepeats()
{
    ReminderSchedule schedule;
    const QDate day(2026, 12, 7);
    QVERIFY(!schedule.add(request(QStringLiteral("a"), day, 9, 0)));
    QVERIFY(!schedule.add(request(QStringLiteral("b"), day.addDays(1), 9, 0)));
    QCOMPARE(schedule.takeDue(at(day, 9, 0), utc).deliver.size(), 1);

    // The user sets the clock back an hour, then time runs past 09:00 again: no second delivery.
    int delivered = 0;
    for (int minute = 0; minute <= 120; ++minute)
        delivered += int(schedule.takeDue(at(day, 8, 0).addSecs(minute * 60), utc).deliver.size());
    QCOMPARE(delivered, 0);
    // A request set for later is unaffected by the clock going back.
    QCOMPARE(identifiers(schedule.pending()), QStringList{QStringLiteral("b")});
    QCOMPARE(identifiers(schedule.takeDue(at(day.addDays(1), 9, 0), utc).deliver),
             QStringList{QStringLiteral("b")});
}

void TestReminderSchedule::keepsAtMostFourteen()
{
    ReminderSchedule schedule;
    const QDate day(2026, 12, 7);
    for (int offset = 0; offset < 14; ++offset)
        QVERIFY(!schedule.add(
            request(QStringLiteral("tendrel.daily.%1").arg(offset), day.addDays(offset), 9, 0)));
    QVERIFY(schedule.add(request(QStringLiteral("one too many"), day, 9, 0)).has_value());
    // Replacing a pending request is not a fifteenth one.
    NotificationRequest replacement = request(QStringLiteral("tendrel.daily.3"), day.addDays(3), 10, 15);
    QVERIFY(!schedule.add(replacement));
    QCOMPARE(schedule.pending().size(), 14);
    QCOMPARE(schedule.pending().at(3), replacement);
    // Invalid requests never get in.
    ReminderSchedule other;
    QVERIFY(other.add(request(QStringLiteral("bad"), QDate(2026, 2, 30), 9, 0)).has_value());
    QVERIFY(other.isEmpty());
}

void TestReminderSchedule::restoreSkipsInvalidAndRepeatedEntries()
{
    QList<NotificationRequest> stored;
    const QDate day(2026, 12, 7);
    for (int offset = 0; offset < 16; ++offset)
        stored.append(request(QStringLiteral("r%1").arg(offset), day, 9, offset));
    stored.insert(1, request(QString(), day, 9, 0));
    NotificationRequest later = request(QStringLiteral("r0"), day, 23, 0);
    stored.append(later);

    ReminderSchedule schedule;
    schedule.restore(stored);
    QCOMPARE(schedule.pending().size(), 14);
    QCOMPARE(schedule.pending().constFirst(), later);
    QCOMPARE(schedule.pending().constLast().identifier, QStringLiteral("r13"));
}

QTEST_GUILESS_MAIN(TestReminderSchedule)
#include "tst_reminderschedule.moc"
