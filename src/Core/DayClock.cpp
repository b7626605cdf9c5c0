#include "Core/DayClock.h"

#include "Core/Calendar.h"

namespace {
constexpr int checkIntervalMsecs = 5'000;
}

DayClock::DayClock(QObject *parent) : QObject(parent)
{
    const Calendar &calendar = Calendar::current();
    m_day = calendar.localJulianDay(calendar.now().toMSecsSinceEpoch());
    m_timer.setInterval(checkIntervalMsecs);
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &DayClock::check);
    m_timer.start();
}

DayClock &DayClock::instance()
{
    static DayClock *clock = new DayClock;
    return *clock;
}

void DayClock::check()
{
    const bool zoneChanged = Calendar::followSystemTimeZone();
    const Calendar &calendar = Calendar::current();
    const qint64 day = calendar.localJulianDay(calendar.now().toMSecsSinceEpoch());
    // A new zone moves every start of day even when the date stays the same.
    if (day == m_day && !zoneChanged)
        return;
    m_day = day;
    emit dayChanged();
}
