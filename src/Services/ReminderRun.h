#pragma once

#include "Platform/AuthorizationStatus.h"
#include "Services/ReminderScheduler.h"

#include <QList>
#include <QObject>
#include <QPointer>

class NotificationCenter;
class Plant;

// One reminder run under way (see ReminderScheduler::reschedule). It waits for the notification
// centre twice over: for the permission, then for each add in turn. A cancelled run adds nothing
// more; the adds already made stay until the next run removes them.
class ReminderRun final : public QObject
{
    Q_OBJECT

public:
    ~ReminderRun() override;

    // Stops the run at its next step. Safe to call at any time, also after it has finished.
    void cancel();
    bool isCancelled() const { return m_cancelled; }
    bool isFinished() const { return m_finished; }

signals:
    // Emitted once from the event loop when the run has ended for any reason; the run then deletes
    // itself.
    void finished();

private:
    friend class ReminderScheduler;

    ReminderRun(const QList<Plant *> &plants, bool enabled, int minutesAfterMidnight,
                NotificationCenter &center);

    void start();
    void permissionAnswered(AuthorizationStatus status);
    void addNext();
    void finish();

    // Plants may be deleted while the run waits for the centre.
    QList<QPointer<Plant>> m_plants;
    bool m_enabled;
    int m_minutesAfterMidnight;
    QPointer<NotificationCenter> m_center;
    QList<ReminderScheduler::PlannedReminder> m_planned;
    qsizetype m_next = 0;
    bool m_cancelled = false;
    bool m_finished = false;
};
