#include "Agent/support/AgentProcess.h"
#include "Agent/support/PrivateBus.h"
#include "Platform/DBusNotificationCenter.h"
#include "Platform/ReminderBus.h"
#include "Platform/ReminderFile.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

#include <signal.h>
#include <unistd.h>

// The centre starting the agent itself on a bus that cannot activate it, as when the app runs from
// the build tree. Each test has a private bus with no service folder and its own home.

namespace {

NotificationRequest futureRequest(const QString &identifier, int daysAhead, const QString &body)
{
    NotificationRequest r;
    r.identifier = identifier;
    r.title = QStringLiteral("1 plant needs care");
    r.body = body;
    r.trigger = NotificationTrigger::fromInstant(QDateTime::currentDateTimeUtc().addDays(daysAhead),
                                                 QTimeZone::utc());
    return r;
}

// Sets variables for the lifetime of the guard; a started agent inherits them.
class ScopedEnvironment final
{
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment()
    {
        for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
            if (it->second)
                qputenv(it->first.constData(), *it->second);
            else
                qunsetenv(it->first.constData());
        }
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

    void set(const char *name, const QString &value)
    {
        m_saved.emplace_back(QByteArray(name), qEnvironmentVariableIsSet(name)
                                                   ? std::optional<QByteArray>(qgetenv(name))
                                                   : std::nullopt);
        qputenv(name, QFile::encodeName(value));
    }
    void unset(const char *name)
    {
        if (!qEnvironmentVariableIsSet(name))
            return;
        m_saved.emplace_back(QByteArray(name), qgetenv(name));
        qunsetenv(name);
    }

private:
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

// From /proc: a process that has exited (or is only waiting to be reaped) is not alive.
struct ProcessState
{
    bool alive = false;
    pid_t parent = 0;
};

ProcessState processState(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    // "pid (comm) state ppid ...": comm may hold spaces, so read after its closing parenthesis.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 2 || fields[0] == "Z" || fields[0] == "X")
        return {};
    return {true, pid_t(fields[1].toInt())};
}

bool isReminderAgent(pid_t pid)
{
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("tendrel-reminders");
}

} // namespace

class TestAgentLaunch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsTheAgentAndRetries();
    void heldCallsKeepTheirOrder_data();
    void heldCallsKeepTheirOrder();
    void agentThatCannotStartFailsQuickly_data();
    void agentThatCannotStartFailsQuickly();
    void agentThatNeverArrivesIsNotStartedAgainAtOnce();
    void removalStartsTheAgentOnlyForWhatIsPending_data();
    void removalStartsTheAgentOnlyForWhatIsPending();

private:
    void startBus();
    // A script that notes each start in launches(), waits, and becomes the given program.
    QString writeLauncher(const QString &program, double delaySeconds);
    int launches() const;
    // Remembers the agent now owning the name, so cleanup stops it.
    pid_t agentPid();
    bool isOwned() { return m_connection->interface()->isServiceRegistered(ReminderBus::service).value(); }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<ScopedEnvironment> m_environment;
    std::unique_ptr<PrivateBus> m_bus;
    std::optional<QDBusConnection> m_connection;
    QList<pid_t> m_agents;
    int m_run = 0;
};

void TestAgentLaunch::initTestCase()
{
    QVERIFY2(QFileInfo(AgentProcess::program()).isExecutable(), qPrintable(AgentProcess::program()));
}

void TestAgentLaunch::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    startBus();
}

void TestAgentLaunch::cleanup()
{
    if (m_connection) {
        QDBusConnection::disconnectFromBus(m_connection->name());
        m_connection.reset();
    }
    m_bus.reset();
    // The bus is gone; what is left of an agent is stopped by its id (startsTheAgentAndRetries shows
    // one leaving by itself, which takes up to a minute).
    for (const pid_t pid : std::as_const(m_agents)) {
        if (!processState(pid).alive || !isReminderAgent(pid))
            continue;
        ::kill(pid, SIGTERM);
        if (!QTest::qWaitFor([pid] { return !processState(pid).alive; }, 5'000))
            ::kill(pid, SIGKILL);
    }
    m_agents.clear();
    m_environment.reset();
    m_home.reset();
}

void TestAgentLaunch::startBus()
{
    m_bus = std::make_unique<PrivateBus>();
    QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
    m_connection =
        QDBusConnection::connectToBus(m_bus->address(), QStringLiteral("launch-test-%1").arg(++m_run));
    QVERIFY(m_connection->isConnected());

    m_environment = std::make_unique<ScopedEnvironment>();
    const QString home = m_home->path();
    m_environment->set("DBUS_SESSION_BUS_ADDRESS", m_bus->address());
    m_environment->set("HOME", home);
    m_environment->set("XDG_DATA_HOME", home + QLatin1String("/data"));
    m_environment->set("XDG_CONFIG_HOME", home + QLatin1String("/config"));
    m_environment->unset("DBUS_STARTER_ADDRESS");
    m_environment->unset("DBUS_STARTER_BUS_TYPE");
}

QString TestAgentLaunch::writeLauncher(const QString &program, double delaySeconds)
{
    const QString path = m_home->filePath(QStringLiteral("launch-agent"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QStringLiteral("#!/bin/sh\necho started >> '%1'\nsleep %2\nexec '%3' \"$@\"\n")
                   .arg(m_home->filePath(QStringLiteral("launches")), QString::number(delaySeconds), program)
                   .toUtf8());
    file.setPermissions(file.permissions() | QFile::ExeOwner);
    return path;
}

int TestAgentLaunch::launches() const
{
    QFile file(m_home->filePath(QStringLiteral("launches")));
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}

pid_t TestAgentLaunch::agentPid()
{
    const pid_t pid = pid_t(m_connection->interface()->servicePid(ReminderBus::service).value());
    if (pid != 0 && !m_agents.contains(pid))
        m_agents.append(pid);
    return pid;
}

void TestAgentLaunch::startsTheAgentAndRetries()
{
    QVERIFY(!isOwned());
    auto center = std::make_unique<DBusNotificationCenter>(*m_connection);
    center->setAgentPath(AgentProcess::program());
    const NotificationRequest request =
        futureRequest(QStringLiteral("tendrel.daily.3"), 3, QStringLiteral("Water Fern"));

    std::optional<std::optional<QString>> added;
    center->add(request, nullptr, [&added](const std::optional<QString> &error) { added = error; });
    QVERIFY(!added);
    QTRY_VERIFY_WITH_TIMEOUT(added.has_value(), 15'000);
    QVERIFY2(!added->has_value(), qPrintable(added->value_or(QString())));

    std::optional<QList<NotificationRequest>> pending;
    center->pendingRequests(
        nullptr, [&pending](const QList<NotificationRequest> &requests, const std::optional<QString> &error) {
            QVERIFY2(!error, qPrintable(error.value_or(QString())));
            pending = requests;
        });
    QTRY_VERIFY_WITH_TIMEOUT(pending.has_value(), 10'000);
    QCOMPARE(*pending, QList<NotificationRequest>{request});
    QVERIFY(QFile::exists(AgentProcess::dataDirectory(m_home->path()) + QLatin1String("/reminders.json")));

    // Detached: a session of its own and not this process's child, so it outlives the app.
    const pid_t pid = agentPid();
    QVERIFY(pid != 0);
    const ProcessState agent = processState(pid);
    QVERIFY(agent.alive);
    QVERIFY(agent.parent != ::getpid());
    QVERIFY(::getsid(pid) != ::getsid(0));
    center.reset();
    QDBusConnection::disconnectFromBus(m_connection->name());
    m_connection = QDBusConnection::connectToBus(m_bus->address(), QStringLiteral("launch-test-after"));
    QCOMPARE(pid_t(m_connection->interface()->servicePid(ReminderBus::service).value()), pid);

    // It still holds a reminder, so it stays; without its bus it leaves within its minute check.
    QDBusConnection::disconnectFromBus(m_connection->name());
    m_connection.reset();
    m_bus.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!processState(pid).alive, 65'000);
}

void TestAgentLaunch::heldCallsKeepTheirOrder_data()
{
    QTest::addColumn<bool>("whileStarting");
    // All sent before the first failure came back: each failure is held in the order it was made.
    QTest::newRow("sent together") << false;
    // The rest made once the agent was being started: they wait behind the first call.
    QTest::newRow("made while the agent starts") << true;
}

void TestAgentLaunch::heldCallsKeepTheirOrder()
{
    QFETCH(bool, whileStarting);
    DBusNotificationCenter center(*m_connection);
    // The pause keeps the agent from taking its name before the later calls are made.
    center.setAgentPath(writeLauncher(AgentProcess::program(), 1));
    center.setLaunchTimeout(10'000);

    const QString fern = QStringLiteral("tendrel.daily.1");
    const QString ivy = QStringLiteral("tendrel.daily.2");
    const NotificationRequest first = futureRequest(fern, 1, QStringLiteral("Water Fern"));
    const NotificationRequest replanned = futureRequest(fern, 1, QStringLiteral("Water Fern, Mist Fern"));
    const NotificationRequest dropped = futureRequest(ivy, 2, QStringLiteral("Water Ivy"));

    QList<int> completed;
    QList<QString> errors;
    auto completion = [&completed, &errors](int index) {
        return [&completed, &errors, index](const std::optional<QString> &error) {
            completed.append(index);
            if (error)
                errors.append(*error);
        };
    };
    center.add(first, nullptr, completion(0));
    if (whileStarting) {
        QTRY_COMPARE_WITH_TIMEOUT(launches(), 1, 5'000);
        QVERIFY(!isOwned());
    }
    // The scheduler's replanning: removal before the adds, and the adds must win.
    center.removePendingRequests({fern, ivy}, nullptr, completion(1));
    center.add(replanned, nullptr, completion(2));
    center.add(dropped, nullptr, completion(3));
    auto gone = std::make_unique<QObject>();
    // A completion goes with its context; the removal is made all the same.
    center.removePendingRequests({ivy}, gone.get(), completion(99));
    gone.reset();
    center.add(dropped, nullptr, completion(4));
    center.removePendingRequests({ivy}, nullptr, completion(5));

    QTRY_COMPARE_WITH_TIMEOUT(completed.size(), 6, 20'000);
    QTest::qWait(100);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    QCOMPARE(completed, (QList<int>{0, 1, 2, 3, 4, 5}));
    std::optional<QList<NotificationRequest>> pending;
    center.pendingRequests(nullptr, [&pending](const QList<NotificationRequest> &requests,
                                               const std::optional<QString> &) { pending = requests; });
    QTRY_VERIFY_WITH_TIMEOUT(pending.has_value(), 10'000);
    QCOMPARE(*pending, QList<NotificationRequest>{replanned});
    QCOMPARE(launches(), 1);
    QVERIFY(agentPid() != 0);
}

void TestAgentLaunch::agentThatCannotStartFailsQuickly_data()
{
    QTest::addColumn<QString>("agentPath");
    QTest::addColumn<QByteArray>("fileText");
    QTest::newRow("missing") << QStringLiteral("bin/tendrel-reminders") << QByteArray();
    QTest::newRow("not executable") << QStringLiteral("tendrel-reminders") << QByteArray("#!/bin/sh\n");
    QTest::newRow("a folder") << QStringLiteral("data") << QByteArray();
    QTest::newRow("none set") << QString() << QByteArray();
}

void TestAgentLaunch::agentThatCannotStartFailsQuickly()
{
    QFETCH(QString, agentPath);
    QFETCH(QByteArray, fileText);
    QVERIFY(QDir(m_home->path()).mkpath(QStringLiteral("data")));
    if (!fileText.isEmpty()) {
        QFile file(m_home->filePath(agentPath));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fileText);
    }
    DBusNotificationCenter center(*m_connection);
    center.setAgentPath(agentPath.isEmpty() ? QString() : m_home->filePath(agentPath));

    QElapsedTimer timer;
    timer.start();
    std::optional<QString> addError, listError;
    int answers = 0;
    center.add(futureRequest(QStringLiteral("tendrel.daily.1"), 1, QStringLiteral("Water Fern")), nullptr,
               [&](const std::optional<QString> &error) { addError = error.value_or(QString()), ++answers; });
    center.pendingRequests(nullptr,
                           [&](const QList<NotificationRequest> &, const std::optional<QString> &error) {
                               listError = error.value_or(QString()), ++answers;
                           });
    QCOMPARE(answers, 0);
    QTRY_COMPARE_WITH_TIMEOUT(answers, 2, 5'000);
    QVERIFY2(timer.elapsed() < 2'000, "an agent that cannot be started must not be waited for");
    for (const auto &error : {addError, listError})
        QVERIFY2(error && error->contains(QLatin1String("could not be reached")),
                 qPrintable(error.value_or(QString())));
    QVERIFY(!isOwned());
}

void TestAgentLaunch::agentThatNeverArrivesIsNotStartedAgainAtOnce()
{
    DBusNotificationCenter center(*m_connection);
    // Starts and exits without taking the name.
    center.setAgentPath(writeLauncher(QStringLiteral("/bin/true"), 0));
    center.setLaunchTimeout(700);

    QList<std::optional<QString>> results;
    auto record = [&results](const std::optional<QString> &error) { results.append(error); };
    const NotificationRequest request =
        futureRequest(QStringLiteral("tendrel.daily.1"), 1, QStringLiteral("Water Fern"));
    QElapsedTimer timer;
    timer.start();
    center.add(request, nullptr, record);
    center.add(request, nullptr, record);
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), 2, 5'000);
    QVERIFY(timer.elapsed() >= 600);
    QCOMPARE(launches(), 1);

    // Moments later: fails at once rather than starting it again.
    timer.restart();
    center.add(request, nullptr, record);
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), 3, 5'000);
    QVERIFY(timer.elapsed() < 600);
    QCOMPARE(launches(), 1);
    for (const auto &result : std::as_const(results))
        QVERIFY(result && result->contains(QLatin1String("could not be reached")));
}

void TestAgentLaunch::removalStartsTheAgentOnlyForWhatIsPending_data()
{
    QTest::addColumn<QStringList>("pending");
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<bool>("starts");

    QTest::newRow("no reminder file") << QStringList() << false << false;
    QTest::newRow("nothing pending") << QStringList() << true << false;
    QTest::newRow("only other requests") << QStringList{QStringLiteral("other.1")} << false << false;
    QTest::newRow("a daily reminder pending")
        << QStringList{QStringLiteral("tendrel.daily.3")} << false << true;
}

void TestAgentLaunch::removalStartsTheAgentOnlyForWhatIsPending()
{
    QFETCH(QStringList, pending);
    QFETCH(bool, damaged);
    QFETCH(bool, starts);
    // With reminders off the app removes the daily reminders on every start; the agent is started
    // for that only when its file holds one of them.
    const QString dataDirectory = AgentProcess::dataDirectory(m_home->path());
    QVERIFY(QDir().mkpath(dataDirectory));
    const ReminderFile file = ReminderFile::in(dataDirectory);
    if (damaged) {
        QFile broken(file.path());
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("{\"version\": 1, \"pending\": [");
    } else if (!pending.isEmpty()) {
        QList<NotificationRequest> requests;
        for (const QString &identifier : pending)
            requests.append(futureRequest(identifier, 3, QStringLiteral("Water Fern")));
        QVERIFY(file.save(requests));
    }
    auto center = std::make_unique<DBusNotificationCenter>(*m_connection);
    center->setAgentPath(writeLauncher(AgentProcess::program(), 0));
    center->setAgentDataDirectory(dataDirectory);

    QStringList daily;
    for (int day = 0; day < 14; ++day)
        daily.append(QStringLiteral("tendrel.daily.%1").arg(day));
    // Twice, as two starts in a row would.
    QList<std::optional<QString>> results;
    for (int i = 0; i < 2; ++i)
        center->removePendingRequests(
            daily, nullptr, [&results](const std::optional<QString> &error) { results.append(error); });
    QVERIFY(results.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(results.size() == 2, 15'000);
    QCOMPARE(results, (QList<std::optional<QString>>{std::nullopt, std::nullopt}));
    QCOMPARE(launches(), starts ? 1 : 0);
    QCOMPARE(isOwned(), starts);
    if (starts) {
        QVERIFY(agentPid() != 0);
        QVERIFY(file.load().isEmpty());
    } else {
        // Nothing was touched: what else was pending stays.
        QCOMPARE(file.load().size(), damaged ? 0 : pending.size());
    }
}

QTEST_GUILESS_MAIN(TestAgentLaunch)
#include "tst_agentlaunch.moc"
