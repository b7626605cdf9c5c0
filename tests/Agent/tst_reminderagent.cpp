#include "Agent/support/AgentProcess.h"
#include "Agent/support/FakeNotificationServer.h"
#include "Agent/support/PrivateBus.h"
#include "Platform/ReminderBus.h"
#include "Platform/ReminderFile.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

#include <sys/stat.h>

namespace {

NotificationRequest requestAt(const QString &identifier, const QDateTime &moment)
{
    NotificationRequest r;
    r.identifier = identifier;
    r.title = identifier;
    r.body = QStringLiteral("Water Fern");
    r.trigger = NotificationTrigger::fromInstant(moment, QTimeZone::utc());
    return r;
}

QDateTime minutesFromNow(qint64 minutes)
{
    return QDateTime::currentDateTimeUtc().addSecs(minutes * 60);
}

} // namespace

class TestReminderAgent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dueRequestIsDeliveredOnce_data();
    void dueRequestIsDeliveredOnce();
    void secondAgentExits();
    void replannedDayReplacesItsBubble();
    void quitsOnceNothingIsLeft();
    void deliveryWithoutServerIsKept();
    void missedWhileNotRunningDeliversOnlyTheLatest();
    void pendingSurvivesRestart();
    void damagedFileReadsAsEmptyAndIsReplaced();
    void filesThatAreNotFilesNeitherStallNorSwell_data();
    void filesThatAreNotFilesNeitherStallNorSwell();
    void rejectsBadRequestsAndKeepsTheRest();
    void authorizationWithServer();
    void authorizationWithoutServer();

private:
    QDBusMessage call(const QString &method, const QVariantList &arguments = {});
    std::unique_ptr<AgentProcess> startAgent(int lingerMsecs = 60'000);
    QList<NotificationRequest> listPending();
    QString dataFile() const
    {
        return AgentProcess::dataDirectory(m_home->path()) + QLatin1String("/reminders.json");
    }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<PrivateBus> m_bus;
    std::optional<QDBusConnection> m_connection;
    std::unique_ptr<FakeNotificationServer> m_server;
    int m_run = 0;
};

void TestReminderAgent::initTestCase()
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
    if (!QFile::exists(AgentProcess::program()))
        QFAIL(qPrintable(QLatin1String("agent not built at ") + AgentProcess::program()));
}

void TestReminderAgent::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    m_bus = std::make_unique<PrivateBus>();
    QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
    m_connection =
        QDBusConnection::connectToBus(m_bus->address(), QStringLiteral("agent-test-%1").arg(++m_run));
    QVERIFY(m_connection->isConnected());
    m_server = std::make_unique<FakeNotificationServer>(*m_connection);
}

void TestReminderAgent::cleanup()
{
    m_server.reset();
    if (m_connection) {
        QDBusConnection::disconnectFromBus(m_connection->name());
        m_connection.reset();
    }
    m_bus.reset();
    m_home.reset();
}

QDBusMessage TestReminderAgent::call(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(ReminderBus::service, ReminderBus::path,
                                                          ReminderBus::interface, method);
    message.setArguments(arguments);
    // Runs the event loop while waiting, so the fake server in this process can answer the agent.
    return m_connection->call(message, QDBus::BlockWithGui, 15'000);
}

std::unique_ptr<AgentProcess> TestReminderAgent::startAgent(int lingerMsecs)
{
    auto agent = std::make_unique<AgentProcess>(m_bus->address(), m_home->path(), lingerMsecs);
    if (!agent->start())
        return nullptr;
    QDBusConnectionInterface *bus = m_connection->interface();
    for (int waited = 0; waited < 10'000 && agent->isRunning(); waited += 20) {
        if (bus->isServiceRegistered(ReminderBus::service))
            return agent;
        QTest::qWait(20);
    }
    qWarning().noquote() << "agent did not take its name:" << agent->output();
    return nullptr;
}

QList<NotificationRequest> TestReminderAgent::listPending()
{
    const QDBusMessage reply = call(ReminderBus::listPendingMethod);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("aa{sv}"))
        return {};
    QList<NotificationRequest> result;
    for (const QVariantMap &map : qdbus_cast<QList<QVariantMap>>(reply.arguments().constFirst()))
        result.append(NotificationRequest::fromVariantMap(map).value_or(NotificationRequest{}));
    return result;
}

void TestReminderAgent::dueRequestIsDeliveredOnce_data()
{
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<bool>("sound");
    QTest::addColumn<QString>("expectedBody");

    const QString escaped = QStringLiteral("Water &lt;b&gt;Fern&lt;/b&gt;, Mist Moss &amp; Lichen");
    const QString plain = QStringLiteral("Water <b>Fern</b>, Mist Moss & Lichen");
    QTest::newRow("markup server") << QStringList{QStringLiteral("body"), QStringLiteral("body-markup")}
                                   << true << escaped;
    QTest::newRow("plain server") << QStringList{QStringLiteral("body")} << true << plain;
    QTest::newRow("silent request") << QStringList{QStringLiteral("body-markup")} << false << escaped;
}

void TestReminderAgent::dueRequestIsDeliveredOnce()
{
    QFETCH(QStringList, capabilities);
    QFETCH(bool, sound);
    QFETCH(QString, expectedBody);

    m_server = std::make_unique<FakeNotificationServer>(*m_connection, capabilities);
    QVERIFY(m_server->registerOnBus());
    auto agent = startAgent();
    QVERIFY(agent);

    NotificationRequest request = requestAt(QStringLiteral("tendrel.daily.0"), minutesFromNow(-1));
    request.title = QStringLiteral("2 care tasks <today>");
    request.body = QStringLiteral("Water <b>Fern</b>, Mist Moss & Lichen");
    request.defaultSound = sound;
    const QDBusMessage reply = call(ReminderBus::addMethod, {request.toVariantMap()});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);

    QTRY_COMPARE_WITH_TIMEOUT(m_server->notifications().size(), 1, 10'000);
    QTest::qWait(1'500);
    QCOMPARE(m_server->notifications().size(), 1);

    const FakeNotificationServer::Notification &shown = m_server->notifications().constFirst();
    QCOMPARE(shown.signature, QStringLiteral("susssasa{sv}i"));
    QCOMPARE(shown.appName(), QStringLiteral("Tendrel"));
    QCOMPARE(shown.replacesId(), 0u);
    QCOMPARE(shown.summary(), request.title);
    QCOMPARE(shown.body(), expectedBody);
    QVERIFY(shown.arguments.value(5).toStringList().isEmpty());
    QCOMPARE(shown.arguments.value(7).toInt(), -1);

    const QVariantMap hints = shown.hints();
    QCOMPARE(hints.value(QStringLiteral("desktop-entry")), QVariant(QStringLiteral("app.tendrel.Tendrel")));
    QCOMPARE(hints.value(QStringLiteral("urgency")).metaType(), QMetaType::fromType<uchar>());
    QCOMPARE(hints.value(QStringLiteral("urgency")).value<uchar>(), uchar(1));
    QCOMPARE(hints.value(QStringLiteral("sender-pid")).metaType(), QMetaType::fromType<qlonglong>());
    QCOMPARE(hints.value(QStringLiteral("sender-pid")).toLongLong(), agent->process().processId());
    QCOMPARE(hints.contains(QStringLiteral("sound-name")), sound);
    if (sound)
        QCOMPARE(hints.value(QStringLiteral("sound-name")).toString(), QStringLiteral("message-new-instant"));

    // Delivered means gone, on the bus and on disk.
    QVERIFY(listPending().isEmpty());
    QVERIFY(ReminderFile(dataFile()).load().isEmpty());
    QVERIFY(QFile::exists(dataFile()));
}

void TestReminderAgent::secondAgentExits()
{
    QVERIFY(m_server->registerOnBus());
    auto first = startAgent();
    QVERIFY(first);
    QCOMPARE(
        call(ReminderBus::addMethod, {requestAt(QStringLiteral("soon"), minutesFromNow(-1)).toVariantMap()})
            .type(),
        QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->notifications().size(), 1, 10'000);

    AgentProcess second(m_bus->address(), m_home->path());
    QVERIFY(second.start());
    QVERIFY(second.process().waitForFinished(10'000));
    QCOMPARE(second.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.process().exitCode(), 0);

    QVERIFY(first->isRunning());
    QCOMPARE(m_connection->interface()->servicePid(ReminderBus::service).value(),
             uint(first->process().processId()));
    QTest::qWait(500);
    QCOMPARE(m_server->notifications().size(), 1);
}

void TestReminderAgent::replannedDayReplacesItsBubble()
{
    QVERIFY(m_server->registerOnBus());
    auto agent = startAgent();
    QVERIFY(agent);

    auto deliver = [this](const QString &body) {
        NotificationRequest request = requestAt(QStringLiteral("tendrel.daily.0"), minutesFromNow(-1));
        request.body = body;
        const qsizetype before = m_server->notifications().size();
        QCOMPARE(call(ReminderBus::addMethod, {request.toVariantMap()}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(m_server->notifications().size(), before + 1, 10'000);
    };

    deliver(QStringLiteral("first"));
    const uint id = m_server->notifications().constLast().id;
    deliver(QStringLiteral("second"));
    QCOMPARE(m_server->notifications().constLast().replacesId(), id);
    QCOMPARE(m_server->notifications().constLast().body(), QStringLiteral("second"));

    // Once the user has closed the bubble there is nothing to replace.
    m_server->close(id);
    deliver(QStringLiteral("third"));
    QCOMPARE(m_server->notifications().constLast().replacesId(), 0u);
}

void TestReminderAgent::quitsOnceNothingIsLeft()
{
    QVERIFY(m_server->registerOnBus());
    {
        // Nothing pending and nothing on screen from the start: it lingers, then goes.
        auto idle = startAgent(200);
        QVERIFY(idle);
        QVERIFY(idle->process().waitForFinished(10'000));
        QCOMPARE(idle->process().exitCode(), 0);
    }

    auto agent = startAgent(200);
    QVERIFY(agent);
    QCOMPARE(call(ReminderBus::addMethod, {requestAt(QStringLiteral("a"), minutesFromNow(-1)).toVariantMap()})
                 .type(),
             QDBusMessage::ReplyMessage);
    QCOMPARE(
        call(ReminderBus::addMethod, {requestAt(QStringLiteral("b"), minutesFromNow(120)).toVariantMap()})
            .type(),
        QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->notifications().size(), 1, 10'000);

    // A request still pending keeps it running, and so does its bubble on screen.
    QCOMPARE(call(ReminderBus::removeMethod, {QStringList{QStringLiteral("b")}}).type(),
             QDBusMessage::ReplyMessage);
    QTest::qWait(800);
    QVERIFY(agent->isRunning());

    m_server->close(m_server->notifications().constFirst().id);
    QVERIFY(agent->process().waitForFinished(10'000));
    QCOMPARE(agent->process().exitCode(), 0);
    QTRY_VERIFY(!m_connection->interface()->isServiceRegistered(ReminderBus::service).value());
}

void TestReminderAgent::deliveryWithoutServerIsKept()
{
    auto agent = startAgent();
    QVERIFY(agent);
    const NotificationRequest due = requestAt(QStringLiteral("tendrel.daily.0"), minutesFromNow(-1));
    QCOMPARE(call(ReminderBus::addMethod, {due.toVariantMap()}).type(), QDBusMessage::ReplyMessage);
    // No server to show it: the request stays instead of being lost.
    QTRY_VERIFY_WITH_TIMEOUT(agent->output().contains(QLatin1String("cannot deliver")), 10'000);
    QCOMPARE(listPending(), QList<NotificationRequest>{due});

    // The next check (an add starts one at once) finds a server and shows it, once.
    QVERIFY(m_server->registerOnBus());
    const NotificationRequest later = requestAt(QStringLiteral("tendrel.daily.1"), minutesFromNow(24 * 60));
    QCOMPARE(call(ReminderBus::addMethod, {later.toVariantMap()}).type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->notifications().size(), 1, 10'000);
    QCOMPARE(m_server->notifications().constFirst().summary(), due.title);
    QCOMPARE(listPending(), QList<NotificationRequest>{later});
}

void TestReminderAgent::missedWhileNotRunningDeliversOnlyTheLatest()
{
    QVERIFY(ReminderFile(dataFile())
                .save({
                    requestAt(QStringLiteral("twenty hours ago"), minutesFromNow(-20 * 60)),
                    requestAt(QStringLiteral("latest missed"), minutesFromNow(-60)),
                    requestAt(QStringLiteral("three hours ago"), minutesFromNow(-3 * 60)),
                    requestAt(QStringLiteral("tomorrow"), minutesFromNow(24 * 60)),
                }));
    QVERIFY(m_server->registerOnBus());
    auto agent = startAgent();
    QVERIFY(agent);

    QTRY_COMPARE_WITH_TIMEOUT(m_server->notifications().size(), 1, 10'000);
    QTest::qWait(1'500);
    QCOMPARE(m_server->notifications().size(), 1);
    QCOMPARE(m_server->notifications().constFirst().summary(), QStringLiteral("latest missed"));
    const QList<NotificationRequest> pending = listPending();
    QCOMPARE(pending.size(), 1);
    QCOMPARE(pending.constFirst().identifier, QStringLiteral("tomorrow"));
}

void TestReminderAgent::pendingSurvivesRestart()
{
    const NotificationRequest request =
        requestAt(QStringLiteral("tendrel.daily.3"), minutesFromNow(3 * 24 * 60));
    {
        auto agent = startAgent();
        QVERIFY(agent);
        QCOMPARE(call(ReminderBus::addMethod, {request.toVariantMap()}).type(), QDBusMessage::ReplyMessage);
        agent->process().terminate();
        QVERIFY(agent->process().waitForFinished(10'000));
    }
    auto restarted = startAgent();
    QVERIFY(restarted);
    QCOMPARE(listPending(), QList<NotificationRequest>{request});
}

void TestReminderAgent::damagedFileReadsAsEmptyAndIsReplaced()
{
    QVERIFY(QDir().mkpath(AgentProcess::dataDirectory(m_home->path())));
    QFile file(dataFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{\"version\": 1, \"pending\": [ {\"identifier\": ");
    file.close();

    auto agent = startAgent();
    QVERIFY(agent);
    QVERIFY(listPending().isEmpty());

    const NotificationRequest request = requestAt(QStringLiteral("tendrel.daily.1"), minutesFromNow(24 * 60));
    QCOMPARE(call(ReminderBus::addMethod, {request.toVariantMap()}).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(ReminderFile(dataFile()).load(), QList<NotificationRequest>{request});
    QVERIFY(agent->output().contains(QLatin1String("damaged")));
}

void TestReminderAgent::rejectsBadRequestsAndKeepsTheRest()
{
    auto agent = startAgent();
    QVERIFY(agent);
    const QDateTime later = minutesFromNow(24 * 60);
    for (int offset = 0; offset < 14; ++offset) {
        const auto request = requestAt(QStringLiteral("tendrel.daily.%1").arg(offset), later.addDays(offset));
        QCOMPARE(call(ReminderBus::addMethod, {request.toVariantMap()}).type(), QDBusMessage::ReplyMessage);
    }

    QVariantMap impossible = requestAt(QStringLiteral("x"), later).toVariantMap();
    impossible.insert(QStringLiteral("month"), 13);
    QVariantMap untitled = requestAt(QStringLiteral("y"), later).toVariantMap();
    untitled.remove(QStringLiteral("title"));
    const struct
    {
        QVariantList arguments;
        QString error;
    } cases[] = {
        {{impossible}, ReminderBus::invalidRequestError},
        {{untitled}, ReminderBus::invalidRequestError},
        {{QStringLiteral("not a request")}, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs")},
        {{requestAt(QStringLiteral("fifteenth"), later).toVariantMap()}, ReminderBus::tooManyRequestsError},
    };
    for (const auto &c : cases) {
        const QDBusMessage reply = call(ReminderBus::addMethod, c.arguments);
        QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(reply.errorName(), c.error);
        QVERIFY(!reply.errorMessage().isEmpty());
    }
    const QDBusMessage unknown = call(QStringLiteral("AddEverything"));
    QCOMPARE(unknown.errorName(), QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
    QCOMPARE(listPending().size(), 14);
    QCOMPARE(ReminderFile(dataFile()).load().size(), 14);
}

void TestReminderAgent::authorizationWithServer()
{
    QVERIFY(m_server->registerOnBus());
    auto agent = startAgent();
    QVERIFY(agent);
    QCOMPARE(call(ReminderBus::authorizationStatusMethod).arguments().value(0).toString(),
             QStringLiteral("notDetermined"));

    const QDBusMessage granted = call(ReminderBus::requestAuthorizationMethod, {7u});
    QCOMPARE(granted.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(granted.arguments(), QVariantList{true});
    QVERIFY(m_server->informationRequests() >= 1);
    QCOMPARE(call(ReminderBus::authorizationStatusMethod).arguments().value(0).toString(),
             QStringLiteral("authorized"));

    QFile entry(m_home->path() + QLatin1String("/config/autostart/app.tendrel.Tendrel.Reminders.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    QVERIFY2(text.contains(QLatin1String("\nExec=") + AgentProcess::program() + QLatin1Char('\n')),
             qPrintable(text));
    QVERIFY(text.startsWith(QLatin1String("[Desktop Entry]\n")));

    // Consent stands while the server is away (a run asks right after removing every request, and
    // an answer of "denied" would leave no reminder at all); removing the record withdraws it.
    m_server->unregister();
    QCOMPARE(call(ReminderBus::authorizationStatusMethod).arguments().value(0).toString(),
             QStringLiteral("authorized"));
    QVERIFY(QFile::remove(AgentProcess::dataDirectory(m_home->path()) +
                          QLatin1String("/notification-consent.json")));
    QCOMPARE(call(ReminderBus::authorizationStatusMethod).arguments().value(0).toString(),
             QStringLiteral("notDetermined"));
}

void TestReminderAgent::authorizationWithoutServer()
{
    auto agent = startAgent();
    QVERIFY(agent);
    const QDBusMessage answer = call(ReminderBus::requestAuthorizationMethod, {7u});
    QCOMPARE(answer.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(answer.errorName(), QString(ReminderBus::noNotificationServerError));
    QCOMPARE(call(ReminderBus::authorizationStatusMethod).arguments().value(0).toString(),
             QStringLiteral("notDetermined"));
    QVERIFY(!QFile::exists(m_home->path() +
                           QLatin1String("/config/autostart/app.tendrel.Tendrel.Reminders.desktop")));
}

void TestReminderAgent::filesThatAreNotFilesNeitherStallNorSwell_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("target"); // empty: a FIFO; else what the file links to

    const QString reminders = QStringLiteral("reminders.json");
    const QString consent = QStringLiteral("notification-consent.json");
    const QString zero = QStringLiteral("/dev/zero"); // reports size 0, never ends
    QTest::newRow("reminders as a FIFO") << reminders << QString();
    QTest::newRow("reminders linked to /dev/zero") << reminders << zero;
    QTest::newRow("reminders linked to a file elsewhere") << reminders << QStringLiteral("elsewhere.json");
    QTest::newRow("consent as a FIFO") << consent << QString();
    QTest::newRow("consent linked to /dev/zero") << consent << zero;
}

void TestReminderAgent::filesThatAreNotFilesNeitherStallNorSwell()
{
    QFETCH(QString, file);
    QFETCH(QString, target);
    const QString folder = AgentProcess::dataDirectory(m_home->path());
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QLatin1Char('/') + file;
    const bool device = target.startsWith(QLatin1String("/dev/"));
    const QString elsewhere = m_home->filePath(target);
    if (target.isEmpty()) {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (device) {
        QVERIFY(QFile::link(target, path));
    } else {
        QFile other(elsewhere);
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("not the agent's") > 0);
        other.close();
        QVERIFY(QFile::link(elsewhere, path));
    }

    auto agent = startAgent();
    QVERIFY(agent);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(listPending().isEmpty());
    QCOMPARE(call(ReminderBus::authorizationStatusMethod).arguments().value(0).toString(),
             QStringLiteral("notDetermined"));
    // Writing replaces the link instead of writing through it; never tried on a device, which the
    // test (run as root) must not risk.
    if (!device) {
        const NotificationRequest request =
            requestAt(QStringLiteral("tendrel.daily.2"), minutesFromNow(24 * 60));
        QCOMPARE(call(ReminderBus::addMethod, {request.toVariantMap()}).type(), QDBusMessage::ReplyMessage);
    }
    QVERIFY2(clock.elapsed() < 5'000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(agent->isRunning());
    if (!target.isEmpty() && !device) {
        QVERIFY(!QFileInfo(path).isSymLink());
        QFile other(elsewhere);
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), QByteArray("not the agent's"));
    }

    QFile status(QStringLiteral("/proc/%1/status").arg(agent->process().processId()));
    QVERIFY(status.open(QIODevice::ReadOnly));
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("VmHWM:");
    QVERIFY(at >= 0);
    const qint64 peakKilobytes = text.mid(at + 6, 20).trimmed().split(' ').value(0).toLongLong();
    QVERIFY2(peakKilobytes < 100 * 1024, qPrintable(QString::number(peakKilobytes)));
}

QTEST_GUILESS_MAIN(TestReminderAgent)
#include "tst_reminderagent.moc"
