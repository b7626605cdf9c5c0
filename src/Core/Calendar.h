#pragma once

#include "Core/Clock.h"

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

#include <array>
#include <limits>
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
    // The system calendar moves to the system's zone when the user changed it (a laptop that
    // travelled); a calendar installed by a test keeps its zone. True when the zone changed.
    static bool followSystemTimeZone();
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

    // Fast paths for hot loops, on milliseconds since the epoch and Julian day numbers; inline,
    // since the task list calls them for every plant on every redraw.
    qint64 localJulianDay(qint64 utcMsecs) const;
    std::optional<qint64> startOfLocalDayMsecs(qint64 julianDay) const;
    static constexpr bool isJulianDayInRange(qint64 julianDay)
    {
        return julianDay >= firstJulianDay && julianDay <= lastJulianDay;
    }

private:
    static constexpr qint64 firstJulianDay = 1'721'426; // 0001-01-01
    static constexpr qint64 lastJulianDay = 5'373'484;  // 9999-12-31
    static constexpr qint64 msecsPerDay = 86'400'000;
    static constexpr qint64 epochJulianDay = 2'440'588; // 1970-01-01

    struct OffsetSpan
    {
        qint64 fromMsecs = 0; // inclusive
        qint64 toMsecs = 0;   // exclusive
        int offsetSecs = 0;
    };

    // A day's start with noDayStart for none: a plain integer stays in a register through the
    // loops that call it, where an optional goes through memory.
    static constexpr qint64 noDayStart = std::numeric_limits<qint64>::min();
    qint64 dayStartMsecs(qint64 julianDay) const;
    qint64 dayStartMsecsUncached(qint64 julianDay) const;

    int offsetAt(qint64 utcMsecs) const;
    int offsetAtUncached(qint64 utcMsecs) const;
    void clearCaches();

    QTimeZone m_zone;
    const Clock *m_clock;
    mutable std::array<OffsetSpan, 4> m_spans{};
    mutable int m_spanCount = 0;
    mutable int m_nextSpan = 0;
    // Direct-mapped by Julian day: a lookup is one index and one compare, and a schedule touches
    // far fewer distinct days than there are slots.
    struct DayStart
    {
        qint64 julianDay = std::numeric_limits<qint64>::min();
        qint64 msecs = 0;
    };
    static constexpr size_t dayStartSlots = 1024;
    mutable std::array<DayStart, dayStartSlots> m_dayStarts{};
};

inline int Calendar::offsetAt(qint64 utcMsecs) const
{
    for (int i = 0; i < m_spanCount; ++i) {
        const OffsetSpan &span = m_spans[size_t(i)];
        if (utcMsecs >= span.fromMsecs && utcMsecs < span.toMsecs)
            return span.offsetSecs;
    }
    return offsetAtUncached(utcMsecs);
}

inline qint64 Calendar::localJulianDay(qint64 utcMsecs) const
{
    qint64 local = 0;
    if (__builtin_add_overflow(utcMsecs, qint64(offsetAt(utcMsecs)) * 1000, &local))
        local = utcMsecs;
    // Floor division: instants before 1970 belong to the day that starts before them.
    qint64 days = local / msecsPerDay;
    if (local % msecsPerDay < 0)
        --days;
    return days + epochJulianDay;
}

inline qint64 Calendar::dayStartMsecs(qint64 julianDay) const
{
    if (!isJulianDayInRange(julianDay))
        return noDayStart;
    const DayStart &slot = m_dayStarts[size_t(julianDay) % dayStartSlots];
    if (slot.julianDay == julianDay)
        return slot.msecs;
    return dayStartMsecsUncached(julianDay);
}

inline std::optional<qint64> Calendar::startOfLocalDayMsecs(qint64 julianDay) const
{
    const qint64 msecs = dayStartMsecs(julianDay);
    return msecs == noDayStart ? std::nullopt : std::optional<qint64>(msecs);
}

// Installs a calendar as Calendar::current() for the lifetime of the guard (tests).
class ScopedCalendar final
{
public:
    explicit ScopedCalendar(Calendar *calendar) { Calendar::setCurrent(calendar); }
    ~ScopedCalendar() { Calendar::setCurrent(nullptr); }
    ScopedCalendar(const ScopedCalendar &) = delete;
    ScopedCalendar &operator=(const ScopedCalendar &) = delete;
};
