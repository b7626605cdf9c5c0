#pragma once

#include "Platform/NotificationRequest.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QObject>

#include <functional>
#include <optional>

// Shows reminders through the desktop's notification server (org.freedesktop.Notifications) and
// keeps track of the bubbles still on screen, one per request identifier.
class DesktopNotifier final : public QObject
{
    Q_OBJECT

public:
    using Completion = std::function<void(const std::optional<QString> &error)>;

    static constexpr int callTimeoutMsecs = 20'000;

    explicit DesktopNotifier(const QDBusConnection &connection, QObject *parent = nullptr);
    ~DesktopNotifier() override;

    // Asks the server for its information and capabilities; an error when no server answers.
    void probe(Completion completion);
    // Shows request, replacing the bubble an earlier request with the same identifier left on screen.
    void show(const NotificationRequest &request, Completion completion);

    bool hasVisibleNotifications() const { return !m_visible.isEmpty(); }

    // Escapes the characters that the servers' body markup gives a meaning (&, <, >).
    static QString escapeMarkup(const QString &text);

signals:
    void visibleNotificationsChanged();

private Q_SLOTS:
    // QDBusConnection::connect takes only a slot signature, hence a slot here.
    void notificationClosed(uint id, uint reason);

private:
    void notify(const NotificationRequest &request, bool bodyMarkup, Completion completion);
    void forgetVisible();

    QDBusConnection m_connection;
    QDBusServiceWatcher m_serverWatcher;
    QHash<QString, uint> m_visible; // identifier -> the server's id of its bubble
};
