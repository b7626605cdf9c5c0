#pragma once

#include "Core/Calendar.h"
#include "Core/Clock.h"
#include "Platform/NotificationCenter.h"
#include "Services/tst_reminderscheduler/RecordingNotificationCenter.h"

#include <QDateTime>
#include <QTimeZone>

// Everything an app test takes from the machine besides files, pinned for the guard's lifetime: a
// calendar in Berlin standing still at a chosen moment, and a notification centre that records
// what it is asked and grants permission unless told otherwise.
struct PinnedEnvironment
{
    static QTimeZone berlin() { return QTimeZone("Europe/Berlin"); }
    static QDateTime at(QDate date, int hour, int minute = 0)
    {
        return QDateTime(date, QTime(hour, minute), berlin());
    }

    explicit PinnedEnvironment(const QDateTime &now)
        : clock(now), calendar(berlin(), &clock), scopedCalendar(&calendar), scopedCenter(&notifications)
    {
    }

    ManualClock clock;
    Calendar calendar;
    ScopedCalendar scopedCalendar;
    RecordingNotificationCenter notifications;
    ScopedNotificationCenter scopedCenter;
};
