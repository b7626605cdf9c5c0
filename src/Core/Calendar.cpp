#include "Core/Calendar.h"

#include <limits>

namespace {

constexpr qint64 noEnd = std::numeric_limits<qint64>::max();
constexpr qint64 noStart = std::numeric_limits<qint64>::min();

Calendar *installedCalendar = nullptr;

} // namespace

Calendar::Calendar(QTimeZone zone, const Clock *clock)
    : m_zone(zone.isValid() ? std::move(zone) : QTimeZone::utc()), m_clock(clock ? clock : &Clock::system())
{
}

Calendar::Calendar(const Calendar &other) : m_zone(other.m_zone), m_clock(other.m_clock) {}

Calendar &Calendar::operator=(const Calendar &other)
{
    if (this != &other) {
        m_zone = other.m_zone;
        m_clock = other.m_clock;
        clearCaches();
    }
    return *this;
}

namespace {
Calendar &systemCalendar()
{
    static Calendar calendar;
    return calendar;
}
} // namespace

Calendar &Calendar::current()
{
    if (installedCalendar)
        return *installedCalendar;
    return systemCalendar();
}

bool Calendar::followSystemTimeZone()
{
    if (installedCalendar)
        return false;
    Calendar &calendar = systemCalendar();
    const QByteArray id = QTimeZone::systemTimeZoneId();
    if (id.isEmpty() || id == calendar.m_zone.id())
        return false;
    calendar.setTimeZone(QTimeZone::systemTimeZone());
    return true;
}

void Calendar::setCurrent(Calendar *calendar)
{
    installedCalendar = calendar;
}

void Calendar::setTimeZone(const QTimeZone &zone)
{
    m_zone = zone.isValid() ? zone : QTimeZone::utc();
    clearCaches();
}

void Calendar::clearCaches()
{
    m_spanCount = 0;
    m_nextSpan = 0;
    m_dayStarts.fill(DayStart{});
}

int Calendar::offsetAtUncached(qint64 utcMsecs) const
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(utcMsecs, Qt::UTC);
    const int offset = m_zone.offsetFromUtc(at);
    OffsetSpan span{noStart, noEnd, offset};
    if (m_zone.hasTransitions()) {
        const QTimeZone::OffsetData previous = m_zone.previousTransition(at.addMSecs(1));
        const QTimeZone::OffsetData next = m_zone.nextTransition(at);
        if (previous.atUtc.isValid())
            span.fromMsecs = previous.atUtc.toMSecsSinceEpoch();
        if (next.atUtc.isValid())
            span.toMsecs = next.atUtc.toMSecsSinceEpoch();
        // Only cache a span that really contains the instant with the offset we computed.
        if (!(utcMsecs >= span.fromMsecs && utcMsecs < span.toMsecs) ||
            (previous.atUtc.isValid() && previous.offsetFromUtc != offset))
            return offset;
    }
    m_spans[size_t(m_nextSpan)] = span;
    m_nextSpan = (m_nextSpan + 1) % int(m_spans.size());
    m_spanCount = std::min(m_spanCount + 1, int(m_spans.size()));
    return offset;
}

qint64 Calendar::dayStartMsecsUncached(qint64 julianDay) const
{
    QDateTime start = QDate::fromJulianDay(julianDay).startOfDay(m_zone);
    // A date skipped whole (Samoa dropped 2011-12-30 when it moved across the date line) starts
    // where the next existing date starts, so care falling due on it is not lost.
    for (qint64 next = julianDay + 1; !start.isValid() && next <= julianDay + 2 && isJulianDayInRange(next);
         ++next)
        start = QDate::fromJulianDay(next).startOfDay(m_zone);
    if (!start.isValid())
        return noDayStart;
    DayStart &slot = m_dayStarts[size_t(julianDay) % dayStartSlots];
    slot = {julianDay, start.toMSecsSinceEpoch()};
    return slot.msecs;
}

QDate Calendar::localDate(const QDateTime &instant) const
{
    if (!instant.isValid())
        return {};
    return QDate::fromJulianDay(localJulianDay(instant.toMSecsSinceEpoch()));
}

std::optional<QDateTime> Calendar::startOfDay(QDate date) const
{
    if (!date.isValid())
        return std::nullopt;
    const auto msecs = startOfLocalDayMsecs(date.toJulianDay());
    if (!msecs)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(*msecs, Qt::UTC);
}

std::optional<QDateTime> Calendar::startOfDay(const QDateTime &instant) const
{
    return startOfDayAdding(instant, 0);
}

std::optional<QDateTime> Calendar::startOfDayAdding(const QDateTime &base, qint64 days) const
{
    if (!base.isValid())
        return std::nullopt;
    qint64 day = 0;
    if (__builtin_add_overflow(localJulianDay(base.toMSecsSinceEpoch()), days, &day))
        return std::nullopt;
    const auto msecs = startOfLocalDayMsecs(day);
    if (!msecs)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(*msecs, Qt::UTC);
}

std::optional<QDateTime> Calendar::addingDays(const QDateTime &instant, qint64 days) const
{
    if (!instant.isValid())
        return std::nullopt;
    const QDateTime local = instant.toTimeZone(m_zone);
    qint64 day = 0;
    if (__builtin_add_overflow(local.date().toJulianDay(), days, &day) || !isJulianDayInRange(day))
        return std::nullopt;
    const QDateTime moved(QDate::fromJulianDay(day), local.time(), m_zone);
    if (moved.isValid())
        return moved.toUTC();
    // The wall-clock time falls into a gap (Qt calls it invalid): read it with the offset in force
    // before the gap, which moves it forward by the gap's length (02:30 becomes 03:30).
    const qint64 wallMsecs = (day - epochJulianDay) * msecsPerDay + local.time().msecsSinceStartOfDay();
    const qint64 offsetBefore = qint64(offsetAt(wallMsecs - msecsPerDay)) * 1000;
    const QDateTime shifted = QDateTime::fromMSecsSinceEpoch(wallMsecs - offsetBefore, Qt::UTC);
    if (!shifted.isValid())
        return std::nullopt;
    return shifted;
}

std::optional<qint64> Calendar::daysBetween(const QDateTime &from, const QDateTime &to) const
{
    if (!from.isValid() || !to.isValid())
        return std::nullopt;
    return localJulianDay(to.toMSecsSinceEpoch()) - localJulianDay(from.toMSecsSinceEpoch());
}

bool Calendar::isDateInToday(const QDateTime &instant) const
{
    if (!instant.isValid())
        return false;
    return localJulianDay(instant.toMSecsSinceEpoch()) == localJulianDay(now().toMSecsSinceEpoch());
}
