#include "Agent/DesktopNotifier.h"

#include "Platform/ReminderLog.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace {

const QString serverService = QStringLiteral("org.freedesktop.Notifications");
const QString serverPath = QStringLiteral("/org/freedesktop/Notifications");
const QString serverInterface = QStringLiteral("org.freedesktop.Notifications");

QString describe(const QDBusError &error)
{
    return QStringLiteral("No notification server answered (%1: %2)").arg(error.name(), error.message());
}

} // namespace

DesktopNotifier::DesktopNotifier(const QDBusConnection &connection, QObject *parent)
    : QObject(parent), m_connection(connection),
      m_serverWatcher(serverService, connection, QDBusServiceWatcher::WatchForOwnerChange)
{
    m_connection.connect(QString(), serverPath, serverInterface, QStringLiteral("NotificationClosed"), this,
                         SLOT(notificationClosed(uint, uint)));
    // A server that quits or restarts takes its bubbles with it.
    connect(&m_serverWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &) {
                if (!oldOwner.isEmpty())
                    forgetVisible();
            });
}

DesktopNotifier::~DesktopNotifier() = default;

QString DesktopNotifier::escapeMarkup(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('&'))
            escaped += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            escaped += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            escaped += QLatin1String("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

void DesktopNotifier::probe(Completion completion)
{
    const QDBusMessage information = QDBusMessage::createMethodCall(
        serverService, serverPath, serverInterface, QStringLiteral("GetServerInformation"));
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(information, callTimeoutMsecs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, completion = std::move(completion)](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                if (finished->isError()) {
                    completion(describe(finished->error()));
                    return;
                }
                const QVariantList values = finished->reply().arguments();
                qCInfo(lcReminders).noquote()
                    << "notification server:" << (values.isEmpty() ? QString() : values[0].toString());
                const QDBusMessage capabilities = QDBusMessage::createMethodCall(
                    serverService, serverPath, serverInterface, QStringLiteral("GetCapabilities"));
                auto *next =
                    new QDBusPendingCallWatcher(m_connection.asyncCall(capabilities, callTimeoutMsecs), this);
                connect(next, &QDBusPendingCallWatcher::finished, this,
                        [completion](QDBusPendingCallWatcher *done) {
                            done->deleteLater();
                            completion(done->isError() ? std::optional<QString>(describe(done->error()))
                                                       : std::nullopt);
                        });
            });
}

void DesktopNotifier::show(const NotificationRequest &request, Completion completion)
{
    const QDBusMessage capabilities = QDBusMessage::createMethodCall(
        serverService, serverPath, serverInterface, QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(capabilities, callTimeoutMsecs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request, completion = std::move(completion)](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                if (finished->isError()) {
                    completion(describe(finished->error()));
                    return;
                }
                const QVariantList values = finished->reply().arguments();
                const QStringList capabilityList =
                    values.isEmpty() ? QStringList() : values[0].toStringList();
                notify(request, capabilityList.contains(QStringLiteral("body-markup")), completion);
            });
}

void DesktopNotifier::notify(const NotificationRequest &request, bool bodyMarkup, Completion completion)
{
    QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("app.tendrel.Tendrel")},
        {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))},
        // GNOME Shell drops notifications whose sender it cannot place.
        {QStringLiteral("sender-pid"), QVariant::fromValue(qint64(QCoreApplication::applicationPid()))},
    };
    if (request.defaultSound)
        hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));

    QDBusMessage message =
        QDBusMessage::createMethodCall(serverService, serverPath, serverInterface, QStringLiteral("Notify"));
    message.setArguments({
        QStringLiteral("Tendrel"),
        uint(m_visible.value(request.identifier, 0)),
        QStringLiteral("app.tendrel.Tendrel"),
        request.title,
        bodyMarkup ? escapeMarkup(request.body) : request.body,
        QStringList(),
        hints,
        int(-1),
    });
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(message, callTimeoutMsecs), this);
    const QString identifier = request.identifier;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, identifier, completion = std::move(completion)](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                if (finished->isError()) {
                    completion(describe(finished->error()));
                    return;
                }
                const QVariantList values = finished->reply().arguments();
                const uint id = values.isEmpty() ? 0 : values[0].toUInt();
                if (id != 0) {
                    m_visible.insert(identifier, id);
                    emit visibleNotificationsChanged();
                }
                qCInfo(lcReminders).noquote() << "delivered" << identifier << "as notification" << id;
                completion(std::nullopt);
            });
}

void DesktopNotifier::notificationClosed(uint id, uint reason)
{
    const qsizetype removed = m_visible.removeIf([id](const auto &entry) { return entry.value() == id; });
    if (removed > 0) {
        qCDebug(lcReminders) << "notification" << id << "closed, reason" << reason;
        emit visibleNotificationsChanged();
    }
}

void DesktopNotifier::forgetVisible()
{
    if (m_visible.isEmpty())
        return;
    m_visible.clear();
    emit visibleNotificationsChanged();
}
