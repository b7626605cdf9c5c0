#include "Services/ReminderScheduler.h"

#include "Core/Calendar.h"
#include "Core/Formatting.h"
#include "Models/Plant.h"
#include "Platform/NotificationCenter.h"
#include "Services/ReminderRun.h"

#include <QStringBuilder>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

constexpr int minutesPerDay = 24 * 60;

// name, or its start cut between two whole characters and followed by "…" when it is longer than
// ReminderScheduler::maxNameLength, so that no name can make a request too long to keep.
QString shortName(const QString &name)
{
    const qsizetype limit = ReminderScheduler::maxNameLength;
    if (name.size() <= limit)
        return name;
    // Looks only at the few units around the cut, however long the name is.
    const QStringView head = QStringView(name).left(limit + 16);
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, head.constData(), int(head.size()));
    boundaries.setPosition(int(limit - 1));
    if (!boundaries.isAtBoundary())
        boundaries.toPreviousBoundary();
    const qsizetype cut = std::max<qsizetype>(boundaries.position(), 0);
    return name.left(cut) + QChar(0x2026);
}

// The summary of the first count tasks of a list, without copying the list.
QString summaryOf(const QList<CareTask> &tasks, qsizetype count)
{
    QString text;
    const qsizetype shown = std::min<qsizetype>(count, 3);
    for (qsizetype i = 0; i < shown; ++i) {
        if (i > 0)
            text += QLatin1String(", ");
        const CareTask &task = tasks[i];
        text += task.kind.title() % QLatin1Char(' ') %
                (task.plant ? Formatting::isolated(shortName(task.plant->name())) : QString());
    }
    if (count > 3)
        text += QStringLiteral(" and %1 more").arg(count - 3);
    return text;
}

} // namespace

QString ReminderScheduler::identifier(int offset)
{
    return QLatin1String("tendrel.daily.") + QString::number(offset);
}

QStringList ReminderScheduler::identifiers()
{
    QStringList result;
    result.reserve(dayCount);
    for (int offset = 0; offset < dayCount; ++offset)
        result.append(identifier(offset));
    return result;
}

ReminderRun *ReminderScheduler::reschedule(const QList<Plant *> &plants, bool enabled,
                                           int minutesAfterMidnight)
{
    auto *run = new ReminderRun(plants, enabled, minutesAfterMidnight, NotificationCenter::current());
    run->start();
    return run;
}

QString ReminderScheduler::title(qsizetype taskCount)
{
    if (taskCount == 1)
        return QStringLiteral("1 plant needs care");
    return QStringLiteral("%1 care tasks today").arg(taskCount);
}

QString ReminderScheduler::summary(const QList<CareTask> &tasks)
{
    return summaryOf(tasks, tasks.size());
}

QList<ReminderScheduler::PlannedReminder>
ReminderScheduler::plan(const QList<Plant *> &plants, int minutesAfterMidnight, const Calendar &calendar)
{
    QList<PlannedReminder> planned;
    const QList<CareTask> tasks = CareTask::tasks(plants, dayCount, calendar);
    if (tasks.isEmpty())
        return planned;

    const QTimeZone zone = calendar.timeZone();
    const qint64 today = calendar.localJulianDay(calendar.now().toMSecsSinceEpoch());
    // Minutes beyond a day move the reminder to a later day rather than wrapping.
    const qint64 minutes = minutesAfterMidnight;
    const qint64 dayShift =
        minutes >= 0 ? minutes / minutesPerDay : -((minutesPerDay - 1 - minutes) / minutesPerDay);
    const int minuteOfDay = int(minutes - dayShift * minutesPerDay);
    const QTime timeOfDay(minuteOfDay / 60, minuteOfDay % 60);

    for (int offset = 0; offset < dayCount; ++offset) {
        const qint64 day = today + offset;
        const auto dayStart = calendar.startOfLocalDayMsecs(day);
        if (!dayStart || !Calendar::isJulianDayInRange(day + dayShift))
            continue;
        const QDate fireDate = QDate::fromJulianDay(day + dayShift);
        const NotificationTrigger wallClock{fireDate.year(), fireDate.month(), fireDate.day(),
                                            timeOfDay.hour(), timeOfDay.minute()};
        const auto fireMoment = wallClock.moment(zone);
        if (!fireMoment || *fireMoment <= calendar.now())
            continue;

        // Tasks are sorted by due date, so the ones due by this day are a prefix of the list.
        const auto end =
            std::upper_bound(tasks.cbegin(), tasks.cend(), *dayStart,
                             [](qint64 start, const CareTask &task) { return start < task.dueMsecs; });
        const qsizetype count = end - tasks.cbegin();
        if (count == 0)
            continue;

        NotificationRequest request;
        request.identifier = identifier(offset);
        request.title = title(count);
        request.body = summaryOf(tasks, count);
        request.defaultSound = true;
        request.trigger = NotificationTrigger::fromInstant(*fireMoment, zone);
        planned.append({offset, *fireMoment, std::move(request)});
    }
    return planned;
}
