#include "Core/Calendar.h"

#include <QRandomGenerator>
#include <QTest>

#include <limits>

namespace {

QDateTime local(const char *zone, QDate date, QTime time)
{
    return QDateTime(date, time, QTimeZone(zone));
}

qint64 minutesBetween(const QDateTime &a, const QDateTime &b)
{
    return a.msecsTo(b) / 60'000;
}

} // namespace

// Day arithmetic in real zones: daylight-saving changes, a midnight that does not exist, a date
// skipped whole and a 30-minute change.
class CalendarTest final : public QObject
{
    Q_OBJECT

private slots:
    void startOfDay_data();
    void startOfDay();
    void startOfDayAddingFollowsCalendarDays_data();
    void startOfDayAddingFollowsCalendarDays();
    void daysBetweenCountsLocalDates_data();
    void daysBetweenCountsLocalDates();
    void outOfRangeYieldsNone_data();
    void outOfRangeYieldsNone();
    void addingDaysKeepsTimeOfDay_data();
    void addingDaysKeepsTimeOfDay();
    void isDateInTodayUsesLocalDay();
    void agreesWithQtAcrossZones_data();
    void agreesWithQtAcrossZones();
    void changingZoneDropsCachedOffsets();
    void scopedCalendarInstallsAndRestores();
    void systemCalendarFollowsZoneChange();
};

void CalendarTest::startOfDay_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QDate>("startDate");
    QTest::addColumn<QTime>("startTime");

    QTest::newRow("New York, spring forward at 02:00")
        << QByteArray("America/New_York") << QDate(2026, 3, 8) << QDate(2026, 3, 8) << QTime(0, 0);
    QTest::newRow("New York, fall back at 02:00")
        << QByteArray("America/New_York") << QDate(2026, 11, 1) << QDate(2026, 11, 1) << QTime(0, 0);
    QTest::newRow("Sao Paulo, midnight skipped")
        << QByteArray("America/Sao_Paulo") << QDate(2018, 11, 4) << QDate(2018, 11, 4) << QTime(1, 0);
    QTest::newRow("Sao Paulo, day before")
        << QByteArray("America/Sao_Paulo") << QDate(2018, 11, 3) << QDate(2018, 11, 3) << QTime(0, 0);
    QTest::newRow("Apia, date skipped whole")
        << QByteArray("Pacific/Apia") << QDate(2011, 12, 30) << QDate(2011, 12, 31) << QTime(0, 0);
    QTest::newRow("Apia, day after the skip")
        << QByteArray("Pacific/Apia") << QDate(2011, 12, 31) << QDate(2011, 12, 31) << QTime(0, 0);
    QTest::newRow("Lord Howe, 30-minute change")
        << QByteArray("Australia/Lord_Howe") << QDate(2026, 10, 4) << QDate(2026, 10, 4) << QTime(0, 0);
    QTest::newRow("UTC") << QByteArray("UTC") << QDate(2026, 12, 7) << QDate(2026, 12, 7) << QTime(0, 0);
}

void CalendarTest::startOfDay()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDate, date);
    QFETCH(QDate, startDate);
    QFETCH(QTime, startTime);

    const Calendar calendar{QTimeZone(zone)};
    const std::optional<QDateTime> start = calendar.startOfDay(date);
    QVERIFY(start);
    QCOMPARE(start->toMSecsSinceEpoch(),
             QDateTime(startDate, startTime, QTimeZone(zone)).toMSecsSinceEpoch());
    // It is the first moment of its day: a millisecond earlier is another date.
    QCOMPARE(calendar.localDate(*start), startDate);
    QVERIFY(calendar.localDate(start->addMSecs(-1)) < startDate);
    // Any instant of the day leads back to the same start.
    QCOMPARE(calendar.startOfDay(start->addSecs(20 * 3600)), start);
}

void CalendarTest::startOfDayAddingFollowsCalendarDays_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("base");
    QTest::addColumn<qint64>("days");
    QTest::addColumn<QDateTime>("expected");
    QTest::addColumn<qint64>("minutesAfterBaseDayStart");

    const char *ny = "America/New_York";
    QTest::newRow("23-hour day") << QByteArray(ny) << local(ny, {2026, 3, 8}, {15, 0}) << qint64(1)
                                 << local(ny, {2026, 3, 9}, {0, 0}) << qint64(23 * 60);
    QTest::newRow("25-hour day") << QByteArray(ny) << local(ny, {2026, 11, 1}, {23, 59}) << qint64(1)
                                 << local(ny, {2026, 11, 2}, {0, 0}) << qint64(25 * 60);
    QTest::newRow("a week across the change")
        << QByteArray(ny) << local(ny, {2026, 3, 3}, {8, 0}) << qint64(7) << local(ny, {2026, 3, 10}, {0, 0})
        << qint64(7 * 24 * 60 - 60);
    const char *sp = "America/Sao_Paulo";
    QTest::newRow("into the day starting at 01:00")
        << QByteArray(sp) << local(sp, {2018, 11, 3}, {23, 59}) << qint64(1)
        << local(sp, {2018, 11, 4}, {1, 0}) << qint64(24 * 60);
    QTest::newRow("out of the day starting at 01:00")
        << QByteArray(sp) << local(sp, {2018, 11, 4}, {1, 0}) << qint64(1) << local(sp, {2018, 11, 5}, {0, 0})
        << qint64(23 * 60);
    const char *apia = "Pacific/Apia";
    QTest::newRow("onto the skipped date")
        << QByteArray(apia) << local(apia, {2011, 12, 29}, {12, 0}) << qint64(1)
        << local(apia, {2011, 12, 31}, {0, 0}) << qint64(24 * 60);
    QTest::newRow("over the skipped date")
        << QByteArray(apia) << local(apia, {2011, 12, 29}, {12, 0}) << qint64(2)
        << local(apia, {2011, 12, 31}, {0, 0}) << qint64(24 * 60);
    const char *lh = "Australia/Lord_Howe";
    QTest::newRow("23.5-hour day") << QByteArray(lh) << local(lh, {2026, 10, 4}, {12, 0}) << qint64(1)
                                   << local(lh, {2026, 10, 5}, {0, 0}) << qint64(23 * 60 + 30);
    QTest::newRow("UTC, backwards") << QByteArray("UTC") << local("UTC", {2026, 1, 1}, {0, 0}) << qint64(-1)
                                    << local("UTC", {2025, 12, 31}, {0, 0}) << qint64(-24 * 60);
}

void CalendarTest::startOfDayAddingFollowsCalendarDays()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, base);
    QFETCH(qint64, days);
    QFETCH(QDateTime, expected);
    QFETCH(qint64, minutesAfterBaseDayStart);

    const Calendar calendar{QTimeZone(zone)};
    const std::optional<QDateTime> due = calendar.startOfDayAdding(base, days);
    QVERIFY(due);
    QCOMPARE(due->toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
    QCOMPARE(minutesBetween(*calendar.startOfDay(base), *due), minutesAfterBaseDayStart);
}

void CalendarTest::daysBetweenCountsLocalDates_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    QTest::addColumn<qint64>("days");

    const char *ny = "America/New_York";
    QTest::newRow("30 minutes across midnight") << QByteArray(ny) << local(ny, {2026, 3, 7}, {23, 30})
                                                << local(ny, {2026, 3, 8}, {0, 0}) << qint64(1);
    QTest::newRow("whole 23-hour day")
        << QByteArray(ny) << local(ny, {2026, 3, 8}, {0, 0}) << local(ny, {2026, 3, 9}, {0, 0}) << qint64(1);
    QTest::newRow("24h59m inside a 25-hour day") << QByteArray(ny) << local(ny, {2026, 11, 1}, {0, 0})
                                                 << local(ny, {2026, 11, 1}, {23, 59}) << qint64(0);
    QTest::newRow("overdue across the change") << QByteArray(ny) << local(ny, {2026, 3, 10}, {0, 0})
                                               << local(ny, {2026, 3, 7}, {0, 0}) << qint64(-3);
    const char *sp = "America/Sao_Paulo";
    QTest::newRow("day starting at 01:00 to the next") << QByteArray(sp) << local(sp, {2018, 11, 4}, {1, 0})
                                                       << local(sp, {2018, 11, 5}, {0, 0}) << qint64(1);
    const char *lh = "Australia/Lord_Howe";
    QTest::newRow("23.5-hour day") << QByteArray(lh) << local(lh, {2026, 10, 4}, {0, 0})
                                   << local(lh, {2026, 10, 5}, {0, 0}) << qint64(1);
    const char *apia = "Pacific/Apia";
    QTest::newRow("dates across the skipped one") << QByteArray(apia) << local(apia, {2011, 12, 29}, {23, 0})
                                                  << local(apia, {2011, 12, 31}, {1, 0}) << qint64(2);
    QTest::newRow("UTC, one millisecond")
        << QByteArray("UTC") << local("UTC", {2026, 12, 6}, QTime(23, 59, 59, 999))
        << local("UTC", {2026, 12, 7}, {0, 0}) << qint64(1);
}

void CalendarTest::daysBetweenCountsLocalDates()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    QFETCH(qint64, days);

    const Calendar calendar{QTimeZone(zone)};
    QCOMPARE(calendar.daysBetween(from, to).value_or(-999), days);
    QCOMPARE(calendar.daysBetween(to, from).value_or(-999), -days);
}

void CalendarTest::outOfRangeYieldsNone_data()
{
    QTest::addColumn<QDateTime>("base");
    QTest::addColumn<qint64>("days");

    const QDateTime today = local("America/New_York", {2026, 12, 7}, {9, 0});
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    QTest::newRow("largest interval") << today << max;
    QTest::newRow("smallest interval") << today << min;
    QTest::newRow("interval past year 9999") << today << qint64(3'000'000);
    QTest::newRow("interval before year 1") << today << qint64(-1'000'000);
    QTest::newRow("base in year 20000") << QDateTime(QDate(20000, 1, 1), QTime(0, 0), Qt::UTC) << qint64(7);
    QTest::newRow("base at the largest instant") << QDateTime::fromMSecsSinceEpoch(max, Qt::UTC) << qint64(1);
    QTest::newRow("base at the smallest instant")
        << QDateTime::fromMSecsSinceEpoch(min, Qt::UTC) << qint64(1);
    QTest::newRow("base far out, largest interval")
        << QDateTime::fromMSecsSinceEpoch(max / 2, Qt::UTC) << max;
    QTest::newRow("invalid base") << QDateTime() << qint64(7);
}

void CalendarTest::outOfRangeYieldsNone()
{
    QFETCH(QDateTime, base);
    QFETCH(qint64, days);

    for (const char *zone : {"America/New_York", "UTC"}) {
        const Calendar calendar{QTimeZone(zone)};
        QVERIFY(!calendar.startOfDayAdding(base, days));
        QVERIFY(!calendar.addingDays(base, days));
    }
}

void CalendarTest::addingDaysKeepsTimeOfDay_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<qint64>("days");
    QTest::addColumn<QDateTime>("expected");

    const char *ny = "America/New_York";
    QTest::newRow("over a 23-hour day")
        << QByteArray(ny) << local(ny, {2026, 3, 7}, {9, 0}) << qint64(1) << local(ny, {2026, 3, 8}, {9, 0});
    QTest::newRow("into the gap moves past it") << QByteArray(ny) << local(ny, {2026, 3, 7}, {2, 30})
                                                << qint64(1) << local(ny, {2026, 3, 8}, {3, 30});
    QTest::newRow("back over a 25-hour day") << QByteArray(ny) << local(ny, {2026, 11, 2}, {9, 0})
                                             << qint64(-1) << local(ny, {2026, 11, 1}, {9, 0});
    const char *sp = "America/Sao_Paulo";
    QTest::newRow("onto a missing midnight") << QByteArray(sp) << local(sp, {2018, 11, 3}, {0, 30})
                                             << qint64(1) << local(sp, {2018, 11, 4}, {1, 30});
    const char *apia = "Pacific/Apia";
    QTest::newRow("onto the skipped date") << QByteArray(apia) << local(apia, {2011, 12, 29}, {10, 0})
                                           << qint64(1) << local(apia, {2011, 12, 31}, {10, 0});
}

void CalendarTest::addingDaysKeepsTimeOfDay()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, instant);
    QFETCH(qint64, days);
    QFETCH(QDateTime, expected);

    const Calendar calendar{QTimeZone(zone)};
    const std::optional<QDateTime> moved = calendar.addingDays(instant, days);
    QVERIFY(moved);
    QCOMPARE(moved->toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
}

void CalendarTest::isDateInTodayUsesLocalDay()
{
    const QTimeZone ny("America/New_York");
    ManualClock clock(QDateTime(QDate(2026, 3, 8), QTime(0, 30), ny));
    const Calendar calendar(ny, &clock);

    QVERIFY(calendar.isDateInToday(QDateTime(QDate(2026, 3, 8), QTime(0, 0), ny)));
    QVERIFY(calendar.isDateInToday(QDateTime(QDate(2026, 3, 8), QTime(23, 59, 59, 999), ny)));
    QVERIFY(!calendar.isDateInToday(QDateTime(QDate(2026, 3, 7), QTime(23, 59, 59, 999), ny)));
    // 03:00 UTC the next day is still this evening in New York.
    QVERIFY(calendar.isDateInToday(QDateTime(QDate(2026, 3, 9), QTime(3, 0), Qt::UTC)));
    QVERIFY(!calendar.isDateInToday(QDateTime(QDate(2026, 3, 9), QTime(4, 0), Qt::UTC)));
    QVERIFY(!calendar.isDateInToday(QDateTime()));

    clock.advance(24 * 3600 * 1000LL);
    QVERIFY(calendar.isDateInToday(QDateTime(QDate(2026, 3, 9), QTime(1, 0), ny)));
}

void CalendarTest::agreesWithQtAcrossZones_data()
{
    QTest::addColumn<QByteArray>("zone");
    for (const char *zone : {"America/New_York", "America/Sao_Paulo", "Pacific/Apia", "Australia/Lord_Howe",
                             "Europe/London", "Asia/Kolkata", "America/St_Johns", "UTC"})
        QTest::newRow(zone) << QByteArray(zone);
}

void CalendarTest::agreesWithQtAcrossZones()
{
    // The calendar caches offsets and day starts; Qt's own conversion, done afresh each time, is
    // the reference. Random instants in random order exercise cache hits, misses and evictions.
    QFETCH(QByteArray, zone);
    const QTimeZone qtZone(zone);
    const Calendar calendar(qtZone);
    QRandomGenerator random(20261207);
    const qint64 from = QDateTime(QDate(1950, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    const qint64 to = QDateTime(QDate(2060, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    qint64 previous = from;
    for (int i = 0; i < 3000; ++i) {
        // Half the probes near the previous one, so neighbouring days and transitions are hit.
        const qint64 msecs = (i % 2) ? previous + random.bounded(-3 * 86'400'000LL, 3 * 86'400'000LL)
                                     : random.bounded(from, to);
        previous = msecs;
        const QDateTime instant = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
        const QDate expectedDate = instant.toTimeZone(qtZone).date();
        QCOMPARE(calendar.localDate(instant), expectedDate);
        const QDateTime expectedStart = expectedDate.startOfDay(qtZone);
        QCOMPARE(calendar.startOfDay(instant)->toMSecsSinceEpoch(), expectedStart.toMSecsSinceEpoch());
    }
}

void CalendarTest::changingZoneDropsCachedOffsets()
{
    const QDateTime instant(QDate(2026, 12, 7), QTime(3, 0), Qt::UTC);
    Calendar calendar(QTimeZone::utc());
    QCOMPARE(calendar.localDate(instant), QDate(2026, 12, 7));
    const std::optional<QDateTime> utcStart = calendar.startOfDay(QDate(2026, 12, 7));

    calendar.setTimeZone(QTimeZone("America/New_York"));
    QCOMPARE(calendar.localDate(instant), QDate(2026, 12, 6));
    QVERIFY(calendar.startOfDay(QDate(2026, 12, 7)) != utcStart);

    Calendar copy(QTimeZone("Asia/Kolkata"));
    copy.localDate(instant);
    copy = calendar;
    QCOMPARE(copy.localDate(instant), QDate(2026, 12, 6));

    // An unknown zone falls back to UTC rather than leaving the calendar without one.
    calendar.setTimeZone(QTimeZone("Nowhere/Atlantis"));
    QCOMPARE(calendar.localDate(instant), QDate(2026, 12, 7));
}

void CalendarTest::scopedCalendarInstallsAndRestores()
{
    Calendar &system = Calendar::current();
    ManualClock clock(QDateTime(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC));
    Calendar pinned(QTimeZone("Pacific/Apia"), &clock);
    {
        ScopedCalendar scope(&pinned);
        QCOMPARE(&Calendar::current(), &pinned);
        QCOMPARE(Calendar::current().now(), clock.now());
    }
    QCOMPARE(&Calendar::current(), &system);
}

void CalendarTest::systemCalendarFollowsZoneChange()
{
    const QByteArray before = qgetenv("TZ");
    qputenv("TZ", "America/New_York");
    Calendar::followSystemTimeZone();
    QCOMPARE(Calendar::current().timeZone().id(), QByteArray("America/New_York"));

    // The user moved to Sydney: the next check picks the new zone up, and days follow it.
    qputenv("TZ", "Australia/Sydney");
    QVERIFY(Calendar::followSystemTimeZone());
    QCOMPARE(Calendar::current().timeZone().id(), QByteArray("Australia/Sydney"));
    QVERIFY(!Calendar::followSystemTimeZone());
    const QDateTime noonUtc(QDate(2026, 12, 7), QTime(20, 0), Qt::UTC);
    QCOMPARE(Calendar::current().localDate(noonUtc), QDate(2026, 12, 8));

    // A calendar installed by a test is never changed behind its back.
    ManualClock clock(noonUtc);
    Calendar pinned(QTimeZone("Europe/Berlin"), &clock);
    {
        ScopedCalendar scope(&pinned);
        qputenv("TZ", "Asia/Tokyo");
        QVERIFY(!Calendar::followSystemTimeZone());
        QCOMPARE(Calendar::current().timeZone().id(), QByteArray("Europe/Berlin"));
    }
    if (before.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", before);
    Calendar::followSystemTimeZone();
}

QTEST_GUILESS_MAIN(CalendarTest)
#include "tst_calendar.moc"
