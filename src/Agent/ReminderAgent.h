#pragma once

#include "Agent/DesktopNotifier.h"
#include "Agent/NotificationConsent.h"
#include "Agent/ReminderSchedule.h"
#include "Platform/ReminderFile.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QTimer>

class Clock;

// The resident reminder agent: owns the pending requests under the well-known bus name, checks the
// wall clock at the start of every minute, delivers what has come due through the desktop's
// notification server, and quits once nothing is pending, no bubble of its own is on screen and no
// call has come for a while.
//
// The minute check reads the wall clock each time instead of arming one long timer: timers count
// monotonic time, which stands still during suspend.
class ReminderAgent final : public QDBusVirtualObject
{
    Q_OBJECT

public:
    struct Options
    {
        // Holds reminders.json and notification-consent.json.
        QString dataDirectory;
        // Exec of the autostart entry written when notifications are allowed.
        QString agentPath;
        // How long an idle agent stays before quitting, so a burst of calls finds it still there.
        int lingerMsecs = 30'000;
        // Nullptr: the system clock.
        const Clock *clock = nullptr;
    };

    enum class StartResult { running, nameTaken, failed };

    ReminderAgent(const QDBusConnection &connection, Options options, QObject *parent = nullptr);
    ~ReminderAgent() override;

    // Loads the pending requests, then serves them under the well-known name. nameTaken when
    // another agent already runs: reminders must never come twice.
    StartResult start();

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

signals:
    // The agent has given up its bus name and should quit.
    void idle();

private:
    void handleAdd(const QDBusMessage &message);
    void handleRemove(const QDBusMessage &message);
    void handleListPending(const QDBusMessage &message);
    void handleAuthorizationStatus(const QDBusMessage &message);
    void handleRequestAuthorization(const QDBusMessage &message);

    void checkDue();
    void armMinuteTimer();
    void persist();
    void updateIdleTimer(bool callArrived);
    void lingerEnded();

    QDBusConnection m_connection;
    Options m_options;
    const Clock &m_clock;
    ReminderSchedule m_schedule;
    ReminderFile m_file;
    NotificationConsent m_consent;
    DesktopNotifier m_notifier;
    QTimer m_minuteTimer;
    QTimer m_idleTimer;
    int m_operationsUnderWay = 0;
    bool m_serving = false;
};
