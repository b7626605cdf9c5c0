#pragma once

#include "Platform/Clock.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QTimeZone>

#include <array>
#include <optional>

// Day arithmetic in the user's time zone. All schedule maths works on local calendar dates and
// converts to instants only at the edges: a due date is the first moment of a local day, adding n
// days is calendar-day addition, and a difference in days is a difference of local dates (never
// elapsed hours divided by 24, which is wrong on days that last 23 or 25 hours).
//
// The calendar forms dates from 0001-01-01 to 9999-12-31; anything outside that range (for example
// an interval of billions of days from a hand-edited store) yields no date rather than overflowing.
//
// A Calendar caches zone offsets and day starts and is not thread-safe: the shared one belongs to
// the UI thread; other threads make their own.
class Calendar final
{
public:
    explicit Calendar(QTimeZone zone = QTimeZone::systemTimeZone(), const Clock *clock = nullptr);

    Calendar(const Calendar &other);
    Calendar &operator=(const Calendar &other);

    // The calendar the application uses: the system zone and the real clock unless a test has
    // installed another one with setCurrent().
    static Calendar &current();
    // Installs calendar as current() (not owned); nullptr restores the system calendar.
    static void setCurrent(Calendar *calendar);

    QTimeZone timeZone() const { return m_zone; }
    void setTimeZone(const QTimeZone &zone);
    const Clock &clock() const { return *m_clock; }
    QDateTime now() const { return m_clock->now(); }

    // Local calendar date of an instant.
    QDate localDate(const QDateTime &instant) const;
    // First existing moment of a local date (01:00 where midnight is skipped; for a date skipped
    // whole, the start of the next date), or none outside 0001-01-01...9999-12-31.
    std::optional<QDateTime> startOfDay(QDate date) const;
    // First moment of the local day that contains instant (none only for invalid input).
    std::optional<QDateTime> startOfDay(const QDateTime &instant) const;
    // Start of (local date of base + days): the due date of something done at base.
    std::optional<QDateTime> startOfDayAdding(const QDateTime &base, qint64 days) const;
    // instant moved by days calendar days, keeping the local time of day; a time that does not
    // exist on the new date moves forward by the length of the gap.
    std::optional<QDateTime> addingDays(const QDateTime &instant, qint64 days) const;
    // Whole calendar days from the local date of from to the local date of to.
    std::optional<qint64> daysBetween(const QDateTime &from, const QDateTime &to) const;
    bool isDateInToday(const QDateTime &instant) const;

    // Fast paths for hot loops, on milliseconds since the epoch and Julian day numbers.
    qint64 localJulianDay(qint64 utcMsecs) const;
    std::optional<qint64> startOfLocalDayMsecs(qint64 julianDay) const;
    static bool isJulianDayInRange(qint64 julianDay);

private:
    struct OffsetSpan
    {
        qint64 fromMsecs = 0; // inclusive
        qint64 toMsecs = 0;   // exclusive
        int offsetSecs = 0;
    };

    int offsetAt(qint64 utcMsecs) const;
    void clearCaches();

    QTimeZone m_zone;
    const Clock *m_clock;
    mutable std::array<OffsetSpan, 4> m_spans{};
    mutable int m_spanCount = 0;
    mutable int m_nextSpan = 0;
    mutable QHash<qint64, qint64> m_dayStarts;
};

// Installs a calendar as Calendar::current() for the lifetime of the guard (tests).
class ScopedCalendar final
{
public:
    explicit ScopedCalendar(Calendar *calendar) { Calendar::setCurrent(calendar); }
    ~ScopedCalendar() { Calendar::setCurrent(nullptr); }
    ScopedCalendar(const ScopedCalendar &) = delete;
    ScopedCalendar &operator=(const ScopedCalendar &) = delete;
};
