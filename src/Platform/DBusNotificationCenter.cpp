#include "Platform/DBusNotificationCenter.h"

#include "Platform/ReminderBus.h"
#include "Platform/ReminderLog.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

QString unreachable(const QDBusError &error)
{
    return QStringLiteral("The reminder service could not be reached (%1: %2)")
        .arg(error.name(), error.message());
}

} // namespace

DBusNotificationCenter::DBusNotificationCenter(QObject *parent)
    : DBusNotificationCenter(QDBusConnection::sessionBus(), parent)
{
}

DBusNotificationCenter::DBusNotificationCenter(const QDBusConnection &connection, QObject *parent)
    : NotificationCenter(parent), m_connection(connection)
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
}

DBusNotificationCenter::~DBusNotificationCenter() = default;

void DBusNotificationCenter::call(const QString &method, const QVariantList &arguments, QObject *context,
                                  ReplyHandler handler)
{
    QDBusMessage message = QDBusMessage::createMethodCall(ReminderBus::service, ReminderBus::path,
                                                          ReminderBus::interface, method);
    message.setArguments(arguments);
    // A disconnected bus yields an already-failed call; the watcher still reports it from the event loop.
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(message, m_callTimeout), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
    connect(watcher, &QDBusPendingCallWatcher::finished, context ? context : this,
            [handler = std::move(handler), method](QDBusPendingCallWatcher *finished) {
                const QDBusMessage reply = finished->reply();
                if (finished->isError()) {
                    qCWarning(lcReminders)
                        << "reminder service call" << method << "failed:" << finished->error();
                    handler(reply, unreachable(finished->error()));
                    return;
                }
                handler(reply, std::nullopt);
            });
}

void DBusNotificationCenter::removePendingRequests(const QStringList &identifiers, QObject *context,
                                                   ErrorCompletion completion)
{
    call(ReminderBus::removeMethod, {identifiers}, context,
         [completion = std::move(completion)](const QDBusMessage &, const std::optional<QString> &error) {
             if (completion)
                 completion(error);
         });
}

void DBusNotificationCenter::authorizationStatus(QObject *context, StatusCompletion completion)
{
    call(
        ReminderBus::authorizationStatusMethod, {}, context,
        [completion = std::move(completion)](const QDBusMessage &reply, const std::optional<QString> &error) {
            AuthorizationStatus status = AuthorizationStatus::notDetermined;
            if (!error) {
                const QVariantList values = reply.arguments();
                const QString name = values.isEmpty() ? QString() : values.constFirst().toString();
                if (const auto known = authorizationStatusFromName(name))
                    status = *known;
                else
                    qCWarning(lcReminders) << "unknown authorization status" << name;
            }
            if (completion)
                completion(status);
        });
}

void DBusNotificationCenter::requestAuthorization(AuthorizationOptions options, QObject *context,
                                                  AuthorizationCompletion completion)
{
    call(
        ReminderBus::requestAuthorizationMethod, {uint(options.toInt())}, context,
        [completion = std::move(completion)](const QDBusMessage &reply, const std::optional<QString> &error) {
            bool granted = false;
            std::optional<QString> failure = error;
            if (!error) {
                const QVariantList values = reply.arguments();
                if (values.size() == 1 && values.constFirst().metaType().id() == QMetaType::Bool)
                    granted = values.constFirst().toBool();
                else
                    failure = QStringLiteral("The reminder service gave an unexpected answer.");
            }
            if (completion)
                completion(granted, failure);
        });
}

void DBusNotificationCenter::add(const NotificationRequest &request, QObject *context,
                                 ErrorCompletion completion)
{
    call(ReminderBus::addMethod, {request.toVariantMap()}, context,
         [completion = std::move(completion)](const QDBusMessage &, const std::optional<QString> &error) {
             if (completion)
                 completion(error);
         });
}

void DBusNotificationCenter::pendingRequests(QObject *context, PendingCompletion completion)
{
    call(
        ReminderBus::listPendingMethod, {}, context,
        [completion = std::move(completion)](const QDBusMessage &reply, const std::optional<QString> &error) {
            QList<NotificationRequest> requests;
            std::optional<QString> failure = error;
            if (!error) {
                const QVariantList values = reply.arguments();
                if (values.size() == 1 && values.constFirst().canConvert<QDBusArgument>()) {
                    QList<QVariantMap> maps;
                    values.constFirst().value<QDBusArgument>() >> maps;
                    for (const QVariantMap &map : std::as_const(maps)) {
                        QString reason;
                        if (auto parsed = NotificationRequest::fromVariantMap(map, &reason))
                            requests.append(std::move(*parsed));
                        else
                            qCWarning(lcReminders) << "skipping an unreadable pending request:" << reason;
                    }
                } else {
                    failure = QStringLiteral("The reminder service gave an unexpected answer.");
                }
            }
            if (completion)
                completion(requests, failure);
        });
}
