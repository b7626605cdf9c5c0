#include "Agent/support/AgentProcess.h"
#include "Agent/support/FakeNotificationServer.h"
#include "Agent/support/PrivateBus.h"
#include "Platform/DBusNotificationCenter.h"
#include "Platform/ReminderBus.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

#include <signal.h>

namespace {

NotificationRequest futureRequest(const QString &identifier, int daysAhead)
{
    const QDateTime moment = QDateTime::currentDateTimeUtc().addDays(daysAhead);
    NotificationRequest r;
    r.identifier = identifier;
    r.title = QStringLiteral("1 plant needs care");
    r.body = QStringLiteral("Water Fern");
    r.trigger = NotificationTrigger::fromInstant(moment, QTimeZone::utc());
    return r;
}

// An agent that owns the name but never answers.
class SilentAgent final : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &, const QDBusConnection &) override { return true; }
};

} // namespace

class TestDBusNotificationCenter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addListAndRemoveThroughTheAgent();
    void refusedRequestReportsTheReason();
    void authorizationThroughTheAgent();
    void unreachableAgentFailsAtOnce();
    void silentAgentTimesOut();
    void completionIsDroppedWithItsContext();
    void busActivationStartsTheAgent();

private:
    void startBus(const QString &serviceDirectory = {});
    std::unique_ptr<AgentProcess> startAgent();

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<PrivateBus> m_bus;
    std::optional<QDBusConnection> m_connection;
    int m_run = 0;
};

void TestDBusNotificationCenter::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
}

void TestDBusNotificationCenter::cleanup()
{
    if (m_connection) {
        QDBusConnection::disconnectFromBus(m_connection->name());
        m_connection.reset();
    }
    m_bus.reset();
    m_home.reset();
}

void TestDBusNotificationCenter::startBus(const QString &serviceDirectory)
{
    m_bus =
        std::make_unique<PrivateBus>(serviceDirectory, AgentProcess::environment(QString(), m_home->path()));
    QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
    m_connection =
        QDBusConnection::connectToBus(m_bus->address(), QStringLiteral("center-test-%1").arg(++m_run));
    QVERIFY(m_connection->isConnected());
}

std::unique_ptr<AgentProcess> TestDBusNotificationCenter::startAgent()
{
    auto agent = std::make_unique<AgentProcess>(m_bus->address(), m_home->path());
    if (!agent->start())
        return nullptr;
    for (int waited = 0; waited < 10'000 && agent->isRunning(); waited += 20) {
        if (m_connection->interface()->isServiceRegistered(ReminderBus::service))
            return agent;
        QTest::qWait(20);
    }
    return nullptr;
}

void TestDBusNotificationCenter::addListAndRemoveThroughTheAgent()
{
    startBus();
    auto agent = startAgent();
    QVERIFY(agent);
    DBusNotificationCenter center(*m_connection);

    const NotificationRequest first = futureRequest(QStringLiteral("tendrel.daily.1"), 1);
    NotificationRequest second = futureRequest(QStringLiteral("tendrel.daily.2"), 2);
    second.defaultSound = false;
    second.body = QStringLiteral("Water Fern, Mist Fern, Fertilize Ivy and 2 more");

    // Removal is not awaited before the adds: the adds must still win.
    center.removePendingRequests({first.identifier, second.identifier}, nullptr, {});
    QList<std::optional<QString>> results;
    for (const NotificationRequest &request : {first, second})
        center.add(request, nullptr,
                   [&results](const std::optional<QString> &error) { results.append(error); });
    QVERIFY(results.isEmpty()); // never completes inside the call
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), 2, 10'000);
    QCOMPARE(results, (QList<std::optional<QString>>{std::nullopt, std::nullopt}));

    std::optional<QList<NotificationRequest>> answer;
    center.pendingRequests(
        nullptr, [&answer](const QList<NotificationRequest> &requests, const std::optional<QString> &error) {
            QVERIFY(!error);
            answer = requests;
        });
    QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 10'000);
    QCOMPARE(*answer, (QList<NotificationRequest>{first, second}));

    std::optional<std::optional<QString>> removed;
    center.removePendingRequests({first.identifier, QStringLiteral("not pending")}, nullptr,
                                 [&removed](const std::optional<QString> &error) { removed = error; });
    QTRY_VERIFY_WITH_TIMEOUT(removed.has_value(), 10'000);
    QVERIFY(!removed->has_value());
    answer.reset();
    center.pendingRequests(nullptr, [&answer](const QList<NotificationRequest> &requests,
                                              const std::optional<QString> &) { answer = requests; });
    QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 10'000);
    QCOMPARE(*answer, QList<NotificationRequest>{second});
}

void TestDBusNotificationCenter::refusedRequestReportsTheReason()
{
    startBus();
    auto agent = startAgent();
    QVERIFY(agent);
    DBusNotificationCenter center(*m_connection);

    NotificationRequest impossible = futureRequest(QStringLiteral("tendrel.daily.0"), 1);
    impossible.trigger.month = 2;
    impossible.trigger.day = 30;
    std::optional<std::optional<QString>> result;
    center.add(impossible, nullptr, [&result](const std::optional<QString> &error) { result = error; });
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 10'000);
    QVERIFY(result->has_value());
    QVERIFY2(result->value().contains(QLatin1String("not a valid date")), qPrintable(result->value()));
}

void TestDBusNotificationCenter::authorizationThroughTheAgent()
{
    startBus();
    auto agent = startAgent();
    QVERIFY(agent);
    DBusNotificationCenter center(*m_connection);
    const auto options = NotificationCenter::AuthorizationOption::alert |
                         NotificationCenter::AuthorizationOption::sound |
                         NotificationCenter::AuthorizationOption::badge;

    auto status = [&center] {
        std::optional<AuthorizationStatus> answer;
        center.authorizationStatus(nullptr, [&answer](AuthorizationStatus s) { answer = s; });
        static_cast<void>(QTest::qWaitFor([&answer] { return answer.has_value(); }, 10'000));
        return answer;
    };
    struct Answer
    {
        bool granted;
        std::optional<QString> error;
    };
    auto request = [&center, options] {
        std::optional<Answer> answer;
        center.requestAuthorization(options, nullptr,
                                    [&answer](bool granted, const std::optional<QString> &error) {
                                        answer = Answer{granted, error};
                                    });
        static_cast<void>(QTest::qWaitFor([&answer] { return answer.has_value(); }, 10'000));
        return answer;
    };

    auto serverAnswers = [&center] {
        std::optional<bool> answer;
        center.notificationServerAnswers(nullptr, [&answer](bool answers) { answer = answers; });
        static_cast<void>(QTest::qWaitFor([&answer] { return answer.has_value(); }, 10'000));
        return answer;
    };

    QCOMPARE(status(), AuthorizationStatus::notDetermined);
    // No notification server on the bus: not granted, and the reason comes along.
    auto refused = request();
    QVERIFY(refused);
    QVERIFY(!refused->granted);
    QVERIFY(refused->error && refused->error->contains(QLatin1String("No notification server")));
    QCOMPARE(status(), AuthorizationStatus::notDetermined);
    QCOMPARE(serverAnswers(), false);

    FakeNotificationServer server(*m_connection);
    QVERIFY(server.registerOnBus());
    QCOMPARE(serverAnswers(), true);
    auto granted = request();
    QVERIFY(granted);
    QVERIFY(granted->granted);
    QVERIFY(!granted->error);
    QCOMPARE(status(), AuthorizationStatus::authorized);
}

void TestDBusNotificationCenter::unreachableAgentFailsAtOnce()
{
    startBus();
    DBusNotificationCenter center(*m_connection);
    QElapsedTimer timer;
    timer.start();

    std::optional<QString> addError, removeError, pendingError, authorizationError;
    std::optional<AuthorizationStatus> status;
    std::optional<bool> granted;
    int answers = 0;
    center.add(futureRequest(QStringLiteral("tendrel.daily.0"), 1), nullptr,
               [&](const std::optional<QString> &error) { addError = error.value_or(QString()), ++answers; });
    center.removePendingRequests(
        {QStringLiteral("tendrel.daily.0")}, nullptr,
        [&](const std::optional<QString> &error) { removeError = error, ++answers; });
    center.pendingRequests(
        nullptr, [&](const QList<NotificationRequest> &requests, const std::optional<QString> &error) {
            QVERIFY(requests.isEmpty());
            pendingError = error, ++answers;
        });
    center.authorizationStatus(nullptr, [&](AuthorizationStatus s) { status = s, ++answers; });
    center.requestAuthorization(NotificationCenter::AuthorizationOption::alert, nullptr,
                                [&](bool g, const std::optional<QString> &error) {
                                    granted = g, authorizationError = error, ++answers;
                                });
    QCOMPARE(answers, 0);
    QTRY_COMPARE_WITH_TIMEOUT(answers, 5, 5'000);
    QVERIFY2(timer.elapsed() < 3'000, "an absent agent must not be waited for");

    for (const auto &error : {addError, removeError, pendingError, authorizationError}) {
        QVERIFY(error && !error->isEmpty());
        QVERIFY2(error->contains(QLatin1String("could not be reached")), qPrintable(*error));
    }
    QCOMPARE(status, AuthorizationStatus::notDetermined);
    QCOMPARE(granted, false);
}

void TestDBusNotificationCenter::silentAgentTimesOut()
{
    startBus();
    QDBusConnection other = QDBusConnection::connectToBus(m_bus->address(), QStringLiteral("silent-agent"));
    SilentAgent silent;
    QVERIFY(other.registerVirtualObject(ReminderBus::path, &silent));
    QVERIFY(other.registerService(ReminderBus::service));

    DBusNotificationCenter center(*m_connection);
    center.setCallTimeout(300);
    std::optional<std::optional<QString>> result;
    QElapsedTimer timer;
    timer.start();
    center.add(futureRequest(QStringLiteral("tendrel.daily.0"), 1), nullptr,
               [&result](const std::optional<QString> &error) { result = error; });
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5'000);
    QVERIFY(result->has_value());
    QVERIFY(timer.elapsed() < 3'000);
    other.unregisterObject(ReminderBus::path);
    QDBusConnection::disconnectFromBus(other.name());
}

void TestDBusNotificationCenter::completionIsDroppedWithItsContext()
{
    startBus();
    DBusNotificationCenter center(*m_connection);
    bool called = false;
    bool calledWithoutContext = false;
    auto context = std::make_unique<QObject>();
    center.add(futureRequest(QStringLiteral("tendrel.daily.0"), 1), context.get(),
               [&called](const std::optional<QString> &) { called = true; });
    center.add(futureRequest(QStringLiteral("tendrel.daily.0"), 1), nullptr,
               [&calledWithoutContext](const std::optional<QString> &) { calledWithoutContext = true; });
    context.reset();
    QTRY_VERIFY_WITH_TIMEOUT(calledWithoutContext, 5'000);
    QTest::qWait(100);
    QVERIFY(!called);
}

void TestDBusNotificationCenter::busActivationStartsTheAgent()
{
    // The activation file shipped with the app, pointed at the agent just built.
    QFile in(qEnvironmentVariable("TENDREL_SOURCE_DIR") +
             QLatin1String("/resources/dbus/app.tendrel.Tendrel.Reminders.service.in"));
    QVERIFY(in.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(in.readAll());
    text.replace(QLatin1String("@TENDREL_REMINDERS_EXEC@"), AgentProcess::program());
    const QString services = m_home->path() + QLatin1String("/services");
    QVERIFY(QDir().mkpath(services));
    QFile out(services + QLatin1String("/app.tendrel.Tendrel.Reminders.service"));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text.toUtf8());
    out.close();

    startBus(services);
    QVERIFY(!m_connection->interface()->isServiceRegistered(ReminderBus::service).value());
    DBusNotificationCenter center(*m_connection);
    const NotificationRequest request = futureRequest(QStringLiteral("tendrel.daily.4"), 4);
    std::optional<std::optional<QString>> result;
    center.add(request, nullptr, [&result](const std::optional<QString> &error) { result = error; });
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 15'000);
    QVERIFY2(!result->has_value(), qPrintable(result->value_or(QString())));

    const uint pid = m_connection->interface()->servicePid(ReminderBus::service).value();
    QVERIFY(pid != 0);
    std::optional<QList<NotificationRequest>> pending;
    center.pendingRequests(nullptr, [&pending](const QList<NotificationRequest> &requests,
                                               const std::optional<QString> &) { pending = requests; });
    QTRY_VERIFY_WITH_TIMEOUT(pending.has_value(), 10'000);
    QCOMPARE(*pending, QList<NotificationRequest>{request});
    // The activated agent is a child of the bus, not of this test: stop it by its id.
    QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!m_connection->interface()->isServiceRegistered(ReminderBus::service).value(),
                             10'000);
}

QTEST_GUILESS_MAIN(TestDBusNotificationCenter)
#include "tst_dbusnotificationcenter.moc"
