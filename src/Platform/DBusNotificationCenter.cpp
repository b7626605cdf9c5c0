#include "Platform/DBusNotificationCenter.h"

#include "Platform/ReminderAutostart.h"
#include "Platform/ReminderBus.h"
#include "Platform/ReminderFile.h"
#include "Platform/ReminderLog.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <vector>

#include <unistd.h>

namespace {

QString unreachable(const QDBusError &error)
{
    return QStringLiteral("The reminder service could not be reached (%1: %2)")
        .arg(error.name(), error.message());
}

// What the bus answers when nobody owns the name and it cannot activate anyone. UnknownObject comes
// from an agent on its way out: it drops its object before handling what reached it late.
bool agentAbsent(const QDBusError &error)
{
    return error.type() == QDBusError::ServiceUnknown || error.type() == QDBusError::UnknownObject ||
           error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

} // namespace

DBusNotificationCenter::DBusNotificationCenter(QObject *parent)
    : DBusNotificationCenter(QDBusConnection::sessionBus(), parent)
{
}

DBusNotificationCenter::DBusNotificationCenter(const QDBusConnection &connection, QObject *parent)
    : NotificationCenter(parent), m_connection(connection),
      m_agentPath(QCoreApplication::instance() ? ReminderAutostart::defaultAgentPath() : QString())
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
    m_launchWatcher.setConnection(m_connection);
    m_launchWatcher.setWatchMode(QDBusServiceWatcher::WatchForRegistration);
    connect(&m_launchWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { endLaunch(true); });
    m_launchTimer.setSingleShot(true);
    connect(&m_launchTimer, &QTimer::timeout, this, [this] { endLaunch(false); });
}

DBusNotificationCenter::~DBusNotificationCenter() = default;

void DBusNotificationCenter::call(const QString &method, const QVariantList &arguments, QObject *context,
                                  ReplyHandler handler)
{
    Call next{m_nextSequence++, method, arguments, context, context != nullptr, std::move(handler), {}};
    if (m_holding)
        hold(std::move(next));
    else
        send(std::move(next), false);
}

void DBusNotificationCenter::send(Call call, bool retry)
{
    QDBusMessage message = QDBusMessage::createMethodCall(ReminderBus::service, ReminderBus::path,
                                                          ReminderBus::interface, call.method);
    message.setArguments(call.arguments);
    // A disconnected bus yields an already-failed call; the watcher still reports it from the event loop.
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(message, m_callTimeout), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
    if (!retry)
        ++m_unansweredFirstAttempts;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, call = std::move(call), retry](QDBusPendingCallWatcher *finished) mutable {
                if (!retry)
                    --m_unansweredFirstAttempts;
                std::optional<QDBusError> error;
                if (finished->isError())
                    error = finished->error();
                // A completion may delete this centre.
                const QPointer<DBusNotificationCenter> self(this);
                if (error && !retry && agentAbsent(*error)) {
                    call.failure = error;
                    hold(std::move(call));
                } else {
                    finish(call, finished->reply(), error);
                }
                if (self)
                    releaseHeldCalls();
            });
}

void DBusNotificationCenter::finish(const Call &call, const QDBusMessage &reply,
                                    const std::optional<QDBusError> &error)
{
    if (error)
        qCWarning(lcReminders) << "reminder service call" << call.method << "failed:" << *error;
    // The completion goes with its context; the call itself was made regardless.
    if (call.hasContext && !call.context)
        return;
    call.handler(reply, error ? std::optional<QString>(unreachable(*error)) : std::nullopt);
}

void DBusNotificationCenter::hold(Call call)
{
    // Calls answered late are older than the ones made while holding: keep the order they were made in.
    auto position = m_held.end();
    while (position != m_held.begin() && std::prev(position)->sequence > call.sequence)
        --position;
    m_held.insert(position, std::move(call));
    if (!m_holding) {
        m_holding = true;
        startLaunch();
    }
}

void DBusNotificationCenter::startLaunch()
{
    m_launchSucceeded = false;
    if (m_agentPath.isEmpty())
        return;
    if (m_lastLaunch.isValid() && !m_lastLaunch.hasExpired(launchIntervalMsecs)) {
        qCWarning(lcReminders) << "the reminder agent was started moments ago; not starting it again";
        return;
    }
    const QFileInfo agent(m_agentPath);
    if (!agent.isFile() || !agent.isExecutable()) {
        qCWarning(lcReminders) << "no reminder agent to start at" << m_agentPath;
        return;
    }
    m_lastLaunch.start();
    m_launching = true;
    // Watch before starting, so the name cannot be taken unseen.
    m_launchWatcher.setWatchedServices({ReminderBus::service});
    m_launchTimer.start(m_launchTimeout);
    // An agent started elsewhere (at login) may have taken the name since the call failed.
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << QString(ReminderBus::service);
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(hasOwner), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        if (QDBusPendingReply<bool>(*finished).value())
            endLaunch(true);
    });
    if (!startAgentProcess())
        endLaunch(false);
}

bool DBusNotificationCenter::startAgentProcess()
{
    QProcess process;
    process.setProgram(m_agentPath);
    process.setWorkingDirectory(QDir::rootPath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // They describe how this app was activated; the agent finds the bus by DBUS_SESSION_BUS_ADDRESS.
    environment.remove(QStringLiteral("DBUS_STARTER_ADDRESS"));
    environment.remove(QStringLiteral("DBUS_STARTER_BUS_TYPE"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    // A terminal shows the agent's log beside the app's; a pipe would keep its reader waiting for the
    // agent too, and break the agent's writes once the reader goes.
    if (!::isatty(STDERR_FILENO))
        process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    // Detached: the agent outlives the app and delivers reminders after it quits.
    if (!process.startDetached(&pid)) {
        qCWarning(lcReminders) << "cannot start the reminder agent" << m_agentPath << ":"
                               << process.errorString();
        return false;
    }
    qCInfo(lcReminders) << "started the reminder agent" << m_agentPath << "as process" << pid;
    return true;
}

void DBusNotificationCenter::endLaunch(bool agentArrived)
{
    if (!m_launching)
        return;
    m_launching = false;
    m_launchSucceeded = agentArrived;
    m_launchTimer.stop();
    m_launchWatcher.setWatchedServices({});
    if (!agentArrived)
        qCWarning(lcReminders) << "the reminder agent did not take its bus name within" << m_launchTimeout
                               << "ms";
    releaseHeldCalls();
}

void DBusNotificationCenter::releaseHeldCalls()
{
    if (!m_holding || m_launching || m_unansweredFirstAttempts > 0)
        return;
    m_holding = false;
    std::deque<Call> held;
    held.swap(m_held);
    // Everything is sent before any completion runs, so a call made from a completion goes after them.
    std::vector<Call> failed;
    for (Call &call : held) {
        if (m_launchSucceeded || !call.failure)
            send(std::move(call), true);
        else
            failed.push_back(std::move(call));
    }
    const QPointer<DBusNotificationCenter> self(this);
    for (const Call &call : failed) {
        if (!self)
            return;
        finish(call, {}, call.failure);
    }
}

bool DBusNotificationCenter::nothingToRemove(const QStringList &identifiers) const
{
    // With a call under way or held, the file may not show its effect yet.
    if (m_agentDataDirectory.isEmpty() || m_holding || m_unansweredFirstAttempts > 0)
        return false;
    // A running agent answers for itself (and may hold what it could not write). Without a bus
    // no agent can be running, and none could be reached.
    const QDBusConnectionInterface *bus = m_connection.isConnected() ? m_connection.interface() : nullptr;
    if (bus && bus->isServiceRegistered(ReminderBus::service).value())
        return false;
    const QList<NotificationRequest> pending = ReminderFile::in(m_agentDataDirectory).load();
    return std::none_of(pending.cbegin(), pending.cend(), [&identifiers](const NotificationRequest &request) {
        return identifiers.contains(request.identifier);
    });
}

void DBusNotificationCenter::removePendingRequests(const QStringList &identifiers, QObject *context,
                                                   ErrorCompletion completion)
{
    if (nothingToRemove(identifiers)) {
        // Done already; the completion still comes from the event loop, as a call's would.
        QMetaObject::invokeMethod(
            context ? context : this,
            [completion = std::move(completion)] {
                if (completion)
                    completion(std::nullopt);
            },
            Qt::QueuedConnection);
        return;
    }
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

void DBusNotificationCenter::notificationServerAnswers(QObject *context, ServerCompletion completion)
{
    const QDBusMessage information = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("GetServerInformation"));
    auto *watcher =
        new QDBusPendingCallWatcher(m_connection.asyncCall(information, serverProbeTimeoutMsecs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
    connect(watcher, &QDBusPendingCallWatcher::finished, context ? context : this,
            [completion = std::move(completion)](QDBusPendingCallWatcher *finished) {
                if (completion)
                    completion(!finished->isError());
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
