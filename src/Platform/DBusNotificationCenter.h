#pragma once

#include "Platform/NotificationCenter.h"

#include <QDBusConnection>
#include <QDBusMessage>

// The notification centre on Linux: the tendrel-reminders agent, reached over the session bus (and
// started by D-Bus activation when it is not running). Calls never block; an agent that cannot be
// reached or does not answer within the call timeout completes the operation with an error.
class DBusNotificationCenter final : public NotificationCenter
{
    Q_OBJECT

public:
    static constexpr int defaultCallTimeoutMsecs = 10'000;

    explicit DBusNotificationCenter(QObject *parent = nullptr);
    explicit DBusNotificationCenter(const QDBusConnection &connection, QObject *parent = nullptr);
    ~DBusNotificationCenter() override;

    int callTimeout() const { return m_callTimeout; }
    void setCallTimeout(int msecs) { m_callTimeout = msecs; }

    void removePendingRequests(const QStringList &identifiers, QObject *context,
                               ErrorCompletion completion) override;
    void authorizationStatus(QObject *context, StatusCompletion completion) override;
    void requestAuthorization(AuthorizationOptions options, QObject *context,
                              AuthorizationCompletion completion) override;
    void add(const NotificationRequest &request, QObject *context, ErrorCompletion completion) override;
    void pendingRequests(QObject *context, PendingCompletion completion) override;

private:
    using ReplyHandler = std::function<void(const QDBusMessage &reply, const std::optional<QString> &error)>;

    void call(const QString &method, const QVariantList &arguments, QObject *context, ReplyHandler handler);

    QDBusConnection m_connection;
    int m_callTimeout = defaultCallTimeoutMsecs;
};
