#pragma once

// A stand-in for the XDG desktop portal (org.freedesktop.portal.Desktop) on a private bus, from
// inside the test process: the Settings interface with the appearance's colour scheme (changed
// live with setColorScheme()) and the FileChooser's OpenFile, answered with a chosen file or a
// cancel through the Request object's Response signal, as the real portal does.
//
// It answers on a thread of its own, as a separate portal process would: the app may wait for an
// answer on its UI thread (it reads the colour scheme that way before its first frame).

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QUrl>

#include <optional>

class FakeDesktopPortal final : public QDBusVirtualObject
{
public:
    struct OpenFileCall
    {
        QString parentWindow;
        QString title;
        QVariantMap options;
        // The filters' MIME types and patterns, flattened.
        QStringList filterRules;
    };

    explicit FakeDesktopPortal(const QDBusConnection &connection) : m_connection(connection)
    {
        m_thread.start();
        moveToThread(&m_thread);
    }
    ~FakeDesktopPortal() override
    {
        unregister();
        m_thread.quit();
        m_thread.wait();
    }

    static QString service() { return QStringLiteral("org.freedesktop.portal.Desktop"); }
    static QString path() { return QStringLiteral("/org/freedesktop/portal/desktop"); }

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

    // 0 no preference, 1 dark, 2 light; announced to every listener.
    void setColorScheme(uint scheme)
    {
        setColorSchemeQuietly(scheme);
        QDBusMessage signal = QDBusMessage::createSignal(
            path(), QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("SettingChanged"));
        signal << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
               << QVariant::fromValue(QDBusVariant(uint(scheme)));
        m_connection.send(signal);
    }
    void setColorSchemeQuietly(uint scheme)
    {
        const QMutexLocker lock(&m_mutex);
        m_colorScheme = scheme;
    }

    // How the next OpenFile ends: a file, or none for a cancel. Without an answer the request
    // stays open until answer() is called.
    void setNextAnswer(std::optional<QString> path)
    {
        const QMutexLocker lock(&m_mutex);
        m_nextAnswer = std::move(path);
    }
    void holdAnswers(bool hold)
    {
        const QMutexLocker lock(&m_mutex);
        m_holding = hold;
    }
    // Answers the last request now.
    void answer(const std::optional<QString> &path)
    {
        QString handle;
        {
            const QMutexLocker lock(&m_mutex);
            handle = m_lastHandle;
        }
        QDBusMessage signal = QDBusMessage::createSignal(
            handle, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        QVariantMap results;
        if (path)
            results.insert(QStringLiteral("uris"), QStringList{QUrl::fromLocalFile(*path).toString()});
        signal << uint(path ? 0 : 1) << results;
        m_connection.send(signal);
    }

    QList<OpenFileCall> openFileCalls() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_openFileCalls;
    }

    QString introspect(const QString &) const override
    {
        return QStringLiteral(R"(<interface name="org.freedesktop.portal.Settings">
  <method name="Read"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <signal name="SettingChanged"><arg type="s"/><arg type="s"/><arg type="v"/></signal>
</interface>
<interface name="org.freedesktop.portal.FileChooser">
  <method name="OpenFile"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
</interface>
)");
    }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QString member = message.member();
        if (message.interface() == QLatin1String("org.freedesktop.portal.Settings") &&
            member == QLatin1String("Read")) {
            const QVariantList args = message.arguments();
            if (args.value(0).toString() != QLatin1String("org.freedesktop.appearance") ||
                args.value(1).toString() != QLatin1String("color-scheme")) {
                connection.send(
                    message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                             QStringLiteral("Requested setting not found")));
                return true;
            }
            // Read() wraps the value in one more variant, as the portal has always done.
            uint scheme = 0;
            {
                const QMutexLocker lock(&m_mutex);
                scheme = m_colorScheme;
            }
            connection.send(message.createReply(
                QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(scheme))))));
            return true;
        }
        if (message.interface() == QLatin1String("org.freedesktop.portal.FileChooser") &&
            member == QLatin1String("OpenFile")) {
            const QVariantList args = message.arguments();
            OpenFileCall call{args.value(0).toString(),
                              args.value(1).toString(),
                              qdbus_cast<QVariantMap>(args.value(2)),
                              {}};
            call.filterRules = filterRules(call.options.value(QStringLiteral("filters")));
            QString sender = message.service().mid(1);
            sender.replace(QLatin1Char('.'), QLatin1Char('_'));
            const QString handle = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender +
                                   QLatin1Char('/') +
                                   call.options.value(QStringLiteral("handle_token")).toString();
            bool holding = false;
            std::optional<QString> nextAnswer;
            {
                const QMutexLocker lock(&m_mutex);
                m_openFileCalls.append(call);
                m_lastHandle = handle;
                holding = m_holding;
                nextAnswer = m_nextAnswer;
            }
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
            if (!holding)
                answer(nextAnswer);
            return true;
        }
        return false;
    }

private:
    // a(sa(us)) as it arrives: a list of (name, list of (type, pattern)).
    static QStringList filterRules(const QVariant &value)
    {
        QStringList rules;
        const QDBusArgument filters = value.value<QDBusArgument>();
        filters.beginArray();
        while (!filters.atEnd()) {
            QString name;
            filters.beginStructure();
            filters >> name;
            filters.beginArray();
            while (!filters.atEnd()) {
                uint type = 0;
                QString pattern;
                filters.beginStructure();
                filters >> type >> pattern;
                filters.endStructure();
                rules.append(pattern);
            }
            filters.endArray();
            filters.endStructure();
        }
        filters.endArray();
        return rules;
    }

    QThread m_thread;
    QDBusConnection m_connection;
    bool m_registered = false;
    // What the portal's thread and the test share.
    mutable QMutex m_mutex;
    uint m_colorScheme = 0;
    std::optional<QString> m_nextAnswer;
    bool m_holding = false;
    QString m_lastHandle;
    QList<OpenFileCall> m_openFileCalls;
};
