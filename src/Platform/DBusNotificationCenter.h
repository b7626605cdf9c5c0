#pragma once

#include "Platform/NotificationCenter.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <deque>

// The notification centre on Linux: the tendrel-reminders agent, reached over the session bus. When
// the bus cannot start it (no activation file installed, as when running from the build tree), the
// centre starts the agent itself and retries. Calls never block; an agent that cannot be reached or
// does not answer within the call timeout completes the operation with an error.
class DBusNotificationCenter final : public NotificationCenter
{
    Q_OBJECT

public:
    static constexpr int defaultCallTimeoutMsecs = 10'000;
    // How long a started agent has to take its bus name.
    static constexpr int defaultLaunchTimeoutMsecs = 5'000;
    // A failed or vanished agent is not started again sooner than this.
    static constexpr int launchIntervalMsecs = 10'000;
    // A notification server that has not answered by then counts as absent.
    static constexpr int serverProbeTimeoutMsecs = 2'000;

    explicit DBusNotificationCenter(QObject *parent = nullptr);
    explicit DBusNotificationCenter(const QDBusConnection &connection, QObject *parent = nullptr);
    ~DBusNotificationCenter() override;

    int callTimeout() const { return m_callTimeout; }
    void setCallTimeout(int msecs) { m_callTimeout = msecs; }
    int launchTimeout() const { return m_launchTimeout; }
    void setLaunchTimeout(int msecs) { m_launchTimeout = msecs; }
    // The agent started when the bus has no owner for its name; ReminderAutostart::defaultAgentPath()
    // unless set. Empty: never start one. The agent inherits this process's environment.
    QString agentPath() const { return m_agentPath; }
    void setAgentPath(const QString &path) { m_agentPath = path; }
    // The agent's data folder. When set, removing requests while the agent is not on the bus and
    // no call is under way reads the agent's pending file instead: requests it does not hold are
    // removed already, and the agent is not started for nothing.
    void setAgentDataDirectory(const QString &directory) { m_agentDataDirectory = directory; }

    void removePendingRequests(const QStringList &identifiers, QObject *context,
                               ErrorCompletion completion) override;
    void authorizationStatus(QObject *context, StatusCompletion completion) override;
    void requestAuthorization(AuthorizationOptions options, QObject *context,
                              AuthorizationCompletion completion) override;
    void add(const NotificationRequest &request, QObject *context, ErrorCompletion completion) override;
    void pendingRequests(QObject *context, PendingCompletion completion) override;
    // Asks org.freedesktop.Notifications on this centre's bus directly, not through the agent.
    void notificationServerAnswers(QObject *context, ServerCompletion completion) override;

private:
    using ReplyHandler = std::function<void(const QDBusMessage &reply, const std::optional<QString> &error)>;

    struct Call
    {
        quint64 sequence = 0;
        QString method;
        QVariantList arguments;
        QPointer<QObject> context;
        bool hasContext = false;
        ReplyHandler handler;
        // Set once the call found no agent; such a call is sent at most once more.
        std::optional<QDBusError> failure;
    };

    void call(const QString &method, const QVariantList &arguments, QObject *context, ReplyHandler handler);
    bool nothingToRemove(const QStringList &identifiers) const;
    void send(Call call, bool retry);
    void finish(const Call &call, const QDBusMessage &reply, const std::optional<QDBusError> &error);
    void hold(Call call);
    void startLaunch();
    bool startAgentProcess();
    void endLaunch(bool agentArrived);
    void releaseHeldCalls();

    QDBusConnection m_connection;
    int m_callTimeout = defaultCallTimeoutMsecs;
    int m_launchTimeout = defaultLaunchTimeoutMsecs;
    QString m_agentPath;
    QString m_agentDataDirectory;
    quint64 m_nextSequence = 0;
    // First attempts still waiting for an answer: held calls are released only once these are in,
    // so a call that failed late still goes out before the ones made after it.
    int m_unansweredFirstAttempts = 0;
    // While held, calls wait for the launch, in the order they were made.
    bool m_holding = false;
    std::deque<Call> m_held;
    bool m_launching = false;
    bool m_launchSucceeded = false;
    QDBusServiceWatcher m_launchWatcher;
    QTimer m_launchTimer;
    QElapsedTimer m_lastLaunch;
};
