#include "Agent/ReminderAgent.h"

#include "Core/Clock.h"
#include "Platform/AuthorizationStatus.h"
#include "Platform/ReminderAutostart.h"
#include "Platform/ReminderBus.h"
#include "Platform/ReminderLog.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QTimeZone>

namespace {

constexpr qint64 msecsPerMinute = 60'000;
// Fire just after the minute turns, never just before it.
constexpr qint64 minuteMarginMsecs = 25;

const QString invalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

} // namespace

ReminderAgent::ReminderAgent(const QDBusConnection &connection, Options options, QObject *parent)
    : QDBusVirtualObject(parent), m_connection(connection), m_options(std::move(options)),
      m_clock(m_options.clock ? *m_options.clock : Clock::system()),
      m_file(ReminderFile::in(m_options.dataDirectory)),
      m_consent(m_options.dataDirectory + QLatin1String("/notification-consent.json")), m_notifier(connection)
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
    m_minuteTimer.setSingleShot(true);
    m_minuteTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_minuteTimer, &QTimer::timeout, this, &ReminderAgent::checkDue);
    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, &ReminderAgent::lingerEnded);
    connect(&m_notifier, &DesktopNotifier::visibleNotificationsChanged, this,
            [this] { updateIdleTimer(false); });
}

ReminderAgent::~ReminderAgent() = default;

ReminderAgent::StartResult ReminderAgent::start()
{
    m_schedule.restore(m_file.load());
    // The object is in place before the name is, so the first call that finds the name finds it too.
    if (!m_connection.registerVirtualObject(ReminderBus::path, this)) {
        qCCritical(lcReminders) << "cannot register the reminder object:" << m_connection.lastError();
        return StartResult::failed;
    }
    QDBusConnectionInterface *bus = m_connection.interface();
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus ? bus->registerService(ReminderBus::service, QDBusConnectionInterface::DontQueueService,
                                   QDBusConnectionInterface::DontAllowReplacement)
            : QDBusReply<QDBusConnectionInterface::RegisterServiceReply>(
                  QDBusError(QDBusError::Disconnected, QStringLiteral("not connected")));
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        m_connection.unregisterObject(ReminderBus::path);
        if (!reply.isValid()) {
            qCCritical(lcReminders) << "cannot own" << ReminderBus::service << ":" << reply.error();
            return StartResult::failed;
        }
        qCInfo(lcReminders) << "another reminder agent owns" << ReminderBus::service << "; quitting";
        return StartResult::nameTaken;
    }
    m_serving = true;
    qCInfo(lcReminders) << "serving" << m_schedule.pending().size() << "pending reminders";
    // Whatever came due while no agent ran is settled at once.
    QMetaObject::invokeMethod(this, &ReminderAgent::checkDue, Qt::QueuedConnection);
    updateIdleTimer(false);
    return StartResult::running;
}

QString ReminderAgent::introspect(const QString &) const
{
    return QStringLiteral(R"(<interface name="%1">
  <method name="Add"><arg name="request" type="a{sv}" direction="in"/></method>
  <method name="Remove"><arg name="identifiers" type="as" direction="in"/></method>
  <method name="ListPending"><arg name="requests" type="aa{sv}" direction="out"/></method>
  <method name="AuthorizationStatus"><arg name="status" type="s" direction="out"/></method>
  <method name="RequestAuthorization"><arg name="options" type="u" direction="in"/><arg name="granted" type="b" direction="out"/></method>
</interface>
)")
        .arg(ReminderBus::interface);
}

bool ReminderAgent::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    if (!message.interface().isEmpty() && message.interface() != ReminderBus::interface)
        return false;
    updateIdleTimer(true);

    struct Method
    {
        QLatin1String name;
        QLatin1String signature;
        void (ReminderAgent::*handler)(const QDBusMessage &);
    };
    static const Method methods[] = {
        {ReminderBus::addMethod, QLatin1String("a{sv}"), &ReminderAgent::handleAdd},
        {ReminderBus::removeMethod, QLatin1String("as"), &ReminderAgent::handleRemove},
        {ReminderBus::listPendingMethod, QLatin1String(""), &ReminderAgent::handleListPending},
        {ReminderBus::authorizationStatusMethod, QLatin1String(""),
         &ReminderAgent::handleAuthorizationStatus},
        {ReminderBus::requestAuthorizationMethod, QLatin1String("u"),
         &ReminderAgent::handleRequestAuthorization},
    };
    for (const Method &method : methods) {
        if (message.member() != method.name)
            continue;
        if (message.signature() != method.signature) {
            m_connection.send(message.createErrorReply(
                invalidArgs, QStringLiteral("%1 takes (%2), not (%3)")
                                 .arg(method.name, method.signature, message.signature())));
            return true;
        }
        (this->*method.handler)(message);
        return true;
    }
    m_connection.send(message.createErrorReply(
        QDBusError::UnknownMethod,
        QStringLiteral("No method %1 in %2").arg(message.member(), ReminderBus::interface)));
    return true;
}

void ReminderAgent::handleAdd(const QDBusMessage &message)
{
    const QVariantMap map = qdbus_cast<QVariantMap>(message.arguments().constFirst());
    QString reason;
    const auto request = NotificationRequest::fromVariantMap(map, &reason);
    if (!request) {
        m_connection.send(message.createErrorReply(ReminderBus::invalidRequestError, reason));
        return;
    }
    if (const auto refused = m_schedule.add(*request)) {
        const bool full = !request->validationError();
        m_connection.send(message.createErrorReply(
            full ? ReminderBus::tooManyRequestsError : ReminderBus::invalidRequestError, *refused));
        return;
    }
    persist();
    m_connection.send(message.createReply());
    // A request that is already due goes out now rather than at the next minute.
    QMetaObject::invokeMethod(this, &ReminderAgent::checkDue, Qt::QueuedConnection);
    updateIdleTimer(false);
}

void ReminderAgent::handleRemove(const QDBusMessage &message)
{
    const QStringList identifiers = qdbus_cast<QStringList>(message.arguments().constFirst());
    if (m_schedule.remove(identifiers) > 0) {
        persist();
        armMinuteTimer();
    }
    m_connection.send(message.createReply());
    updateIdleTimer(false);
}

void ReminderAgent::handleListPending(const QDBusMessage &message)
{
    QList<QVariantMap> maps;
    for (const NotificationRequest &request : m_schedule.pending())
        maps.append(request.toVariantMap());
    m_connection.send(message.createReply(QVariant::fromValue(maps)));
}

void ReminderAgent::handleAuthorizationStatus(const QDBusMessage &message)
{
    // A recorded consent stands while the notification server is away (it may be restarting, or
    // the session still starting): requests are kept and delivered once it is back. Only the
    // record's absence (never given, or removed) means not allowed.
    const AuthorizationStatus status =
        m_consent.isRecorded() ? AuthorizationStatus::authorized : AuthorizationStatus::notDetermined;
    m_connection.send(message.createReply(QString(authorizationStatusName(status))));
}

void ReminderAgent::handleRequestAuthorization(const QDBusMessage &message)
{
    message.setDelayedReply(true);
    ++m_operationsUnderWay;
    m_notifier.probe([this, message](const std::optional<QString> &error) {
        if (error) {
            m_connection.send(message.createErrorReply(ReminderBus::noNotificationServerError, *error));
        } else if (QString reason; !m_consent.record(m_clock.now(), &reason)) {
            m_connection.send(message.createErrorReply(ReminderBus::failedError, reason));
        } else {
            // Without the entry reminders still come while the app runs or activates the agent.
            ReminderAutostart::install(m_options.agentPath);
            m_connection.send(message.createReply(true));
        }
        --m_operationsUnderWay;
        updateIdleTimer(false);
    });
}

void ReminderAgent::checkDue()
{
    if (!m_connection.isConnected()) {
        // The session is gone; nobody could reach this agent, and a new session starts its own.
        qCWarning(lcReminders) << "lost the session bus; quitting";
        m_serving = false;
        emit idle();
        return;
    }
    const ReminderSchedule::Due due = m_schedule.takeDue(m_clock.now(), QTimeZone::systemTimeZone());
    if (!due.deliver.isEmpty() || !due.dropped.isEmpty())
        persist();
    for (const NotificationRequest &request : due.dropped)
        qCInfo(lcReminders).noquote() << "dropped missed reminder" << request.identifier;
    for (const NotificationRequest &request : due.deliver) {
        ++m_operationsUnderWay;
        m_notifier.show(request, [this, request](const std::optional<QString> &error) {
            if (error) {
                // Kept for a later check, where it counts as missed and may still be shown once.
                qCWarning(lcReminders).noquote() << "cannot deliver" << request.identifier << ":" << *error;
                if (m_schedule.putBack(request)) {
                    persist();
                    armMinuteTimer();
                }
            }
            --m_operationsUnderWay;
            updateIdleTimer(false);
        });
    }
    armMinuteTimer();
    updateIdleTimer(false);
}

void ReminderAgent::armMinuteTimer()
{
    // Armed also with nothing pending: the same tick notices a lost bus.
    if (!m_serving) {
        m_minuteTimer.stop();
        return;
    }
    const qint64 intoMinute = m_clock.now().toMSecsSinceEpoch() % msecsPerMinute;
    m_minuteTimer.start(int(msecsPerMinute - intoMinute + minuteMarginMsecs));
}

void ReminderAgent::persist()
{
    m_file.save(m_schedule.pending());
}

void ReminderAgent::updateIdleTimer(bool callArrived)
{
    const bool idleNow = m_serving && m_schedule.isEmpty() && !m_notifier.hasVisibleNotifications() &&
                         m_operationsUnderWay == 0;
    if (!idleNow)
        m_idleTimer.stop();
    else if (callArrived || !m_idleTimer.isActive())
        m_idleTimer.start(m_options.lingerMsecs);
}

void ReminderAgent::lingerEnded()
{
    if (!m_serving)
        return;
    // Give the name up first, so a caller from now on starts a fresh agent instead of reaching one
    // that is on its way out.
    m_serving = false;
    m_minuteTimer.stop();
    if (QDBusConnectionInterface *bus = m_connection.interface())
        bus->unregisterService(ReminderBus::service);
    m_connection.unregisterObject(ReminderBus::path);
    qCInfo(lcReminders) << "nothing left to do; quitting";
    emit idle();
}
