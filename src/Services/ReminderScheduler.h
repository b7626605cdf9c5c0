#pragma once

#include "Models/CareTask.h"
#include "Platform/NotificationRequest.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class Calendar;
class Plant;
class ReminderRun;

// Keeps the pending daily care reminders in step with the plants: at most one summary notification
// per day for the next 14 days, at the user's time of day, on days when care is due or overdue.
// Stateless; everything it leaves behind lives in the notification centre.
class ReminderScheduler final
{
public:
    ReminderScheduler() = delete;

    static constexpr int dayCount = 14;
    // A longer plant name is shortened in a summary to this many characters, "…" included.
    static constexpr qsizetype maxNameLength = 60;

    // "tendrel.daily.<offset>", offset 0 (today) to 13.
    static QString identifier(int offset);
    static QStringList identifiers();

    // Replaces the pending reminders on NotificationCenter::current(), reading the day and zone from
    // Calendar::current(). Every run first removes all 14 identifiers; with reminders enabled and
    // permission given it then adds one request per day, each after the previous one completed.
    // Failures are absorbed. Runs on the UI thread and returns at once: the returned run (never null)
    // emits finished() from the event loop and then deletes itself, so hold it in a QPointer.
    static ReminderRun *reschedule(const QList<Plant *> &plants, bool enabled, int minutesAfterMidnight);

    struct PlannedReminder
    {
        int offset = 0;
        QDateTime fireMoment; // UTC
        NotificationRequest request;
    };

    // The requests a permitted run adds, in day order: days whose fire moment is still ahead of the
    // calendar's now and on which at least one task is due. The fire moment is the wall-clock time
    // minutesAfterMidnight on that day (so 09:00 stays 09:00 across a daylight-saving change; a time
    // the clocks skip fires when the skip ends).
    static QList<PlannedReminder> plan(const QList<Plant *> &plants, int minutesAfterMidnight,
                                       const Calendar &calendar);

    // "Water Fern, Mist Fern, Fertilize Ivy and 2 more": the first three tasks, then how many are left.
    // Names longer than maxNameLength are cut short with "…"; each is isolated (U+2068 … U+2069) so a
    // right-to-left name cannot reorder the rest of the line.
    static QString summary(const QList<CareTask> &tasks);
    static QString title(qsizetype taskCount);
};
