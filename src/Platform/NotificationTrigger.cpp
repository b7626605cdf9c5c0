#include "Platform/NotificationTrigger.h"

#include <algorithm>

namespace {

constexpr qint64 msecsPerDay = 86'400'000;
constexpr qint64 epochJulianDay = 2'440'588; // 1970-01-01

qint64 offsetMsecsAt(const QTimeZone &zone, qint64 utcMsecs)
{
    return qint64(zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMsecs, Qt::UTC))) * 1000;
}

} // namespace

NotificationTrigger NotificationTrigger::fromInstant(const QDateTime &instant, const QTimeZone &zone)
{
    const QDateTime local = instant.toTimeZone(zone);
    const QDate d = local.date();
    const QTime t = local.time();
    return {d.year(), d.month(), d.day(), t.hour(), t.minute()};
}

std::optional<QDateTime> NotificationTrigger::moment(const QTimeZone &zone) const
{
    if (!isValid())
        return std::nullopt;
    // The wall-clock reading as if it were UTC; each offset in force nearby turns it into a candidate.
    const qint64 wall = (date().toJulianDay() - epochJulianDay) * msecsPerDay + time().msecsSinceStartOfDay();
    if (!zone.isValid())
        return QDateTime::fromMSecsSinceEpoch(wall, Qt::UTC);

    std::optional<qint64> earliest;
    for (const qint64 probe : {wall - msecsPerDay, wall, wall + msecsPerDay}) {
        const qint64 offset = offsetMsecsAt(zone, probe);
        const qint64 instant = wall - offset;
        if (offsetMsecsAt(zone, instant) == offset)
            earliest = std::min(earliest.value_or(instant), instant);
    }
    if (earliest)
        return QDateTime::fromMSecsSinceEpoch(*earliest, Qt::UTC);

    // No instant shows this reading: the clocks jumped over it. Fire when the jump ends.
    QTimeZone::OffsetData transition =
        zone.nextTransition(QDateTime::fromMSecsSinceEpoch(wall - 2 * msecsPerDay, Qt::UTC));
    while (transition.atUtc.isValid() && transition.atUtc.toMSecsSinceEpoch() < wall + 2 * msecsPerDay) {
        const qint64 at = transition.atUtc.toMSecsSinceEpoch();
        const qint64 before = offsetMsecsAt(zone, at - 1);
        const qint64 after = qint64(transition.offsetFromUtc) * 1000;
        if (at + before <= wall && wall < at + after)
            return QDateTime::fromMSecsSinceEpoch(at, Qt::UTC);
        transition = zone.nextTransition(transition.atUtc);
    }
    return std::nullopt;
}
