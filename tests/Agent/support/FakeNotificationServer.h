#pragma once

// A stand-in for the desktop's notification server (org.freedesktop.Notifications), registered on a
// private bus from inside the test process. It records every Notify exactly as it arrived.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QList>
#include <QStringList>

class FakeNotificationServer final : public QDBusVirtualObject
{
public:
    struct Notification
    {
        QString signature;
        QVariantList arguments;
        uint id = 0;

        QString appName() const { return arguments.value(0).toString(); }
        uint replacesId() const { return arguments.value(1).toUInt(); }
        QString summary() const { return arguments.value(3).toString(); }
        QString body() const { return arguments.value(4).toString(); }
        QVariantMap hints() const { return qdbus_cast<QVariantMap>(arguments.value(6)); }
    };

    explicit FakeNotificationServer(const QDBusConnection &connection,
                                    QStringList capabilities = {QStringLiteral("body"),
                                                                QStringLiteral("body-markup")})
        : m_connection(connection), m_capabilities(std::move(capabilities))
    {
    }

    ~FakeNotificationServer() override { unregister(); }

    static QString service() { return QStringLiteral("org.freedesktop.Notifications"); }
    static QString path() { return QStringLiteral("/org/freedesktop/Notifications"); }

    bool registerOnBus()
    {
        m_registered =
            m_connection.registerVirtualObject(path(), this) && m_connection.registerService(service());
        return m_registered;
    }

    void unregister()
    {
        if (!m_registered)
            return;
        m_connection.unregisterService(service());
        m_connection.unregisterObject(path());
        m_registered = false;
    }

    // The user dismissed a bubble.
    void close(uint id, uint reason = 2)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(path(), service(), QStringLiteral("NotificationClosed"));
        signal << id << reason;
        m_connection.send(signal);
    }

    const QList<Notification> &notifications() const { return m_notifications; }
    int informationRequests() const { return m_informationRequests; }

    QString introspect(const QString &) const override
    {
        return QStringLiteral(R"(<interface name="org.freedesktop.Notifications">
  <method name="Notify"><arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="out"/></method>
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
  <method name="GetServerInformation"><arg type="s" direction="out"/><arg type="s" direction="out"/><arg type="s" direction="out"/><arg type="s" direction="out"/></method>
  <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
</interface>
)");
    }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QString member = message.member();
        if (member == QLatin1String("GetCapabilities")) {
            connection.send(message.createReply(m_capabilities));
        } else if (member == QLatin1String("GetServerInformation")) {
            ++m_informationRequests;
            connection.send(
                message.createReply(QVariantList{QStringLiteral("Fake"), QStringLiteral("Tendrel tests"),
                                                 QStringLiteral("1.0"), QStringLiteral("1.2")}));
        } else if (member == QLatin1String("Notify")) {
            Notification notification{message.signature(), message.arguments(), 0};
            const uint replaces = notification.replacesId();
            notification.id = replaces != 0 ? replaces : m_nextId++;
            m_notifications.append(notification);
            connection.send(message.createReply(notification.id));
        } else {
            return false;
        }
        return true;
    }

private:
    QDBusConnection m_connection;
    QStringList m_capabilities;
    QList<Notification> m_notifications;
    uint m_nextId = 1;
    int m_informationRequests = 0;
    bool m_registered = false;
};
