#include "App/PlantCommands.h"
#include "App/TendrelApp.h"
#include "Views/RootView.h"
#include "Views/State/AppState.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <sys/stat.h>

// Tendrel on Wayland: a headless weston started on its own socket, the real app on it with
// QT_QPA_PLATFORM=wayland. The installed binary shows its window there and quits cleanly when the
// session ends it; the app's keyboard shortcuts work and File > Quit ends the process.
class WaylandTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void appShowsItsWindowAndEndsCleanly();
    void shortcutsWorkAndQuitEndsTheApp();

private:
    QProcessEnvironment clientEnvironment(const QString &home) const;
    QString sceneGraph() const;

    QTemporaryDir m_runtime;
    QString m_socket;
    QProcess m_weston;
};

namespace {

// Bounds, not waits: generous for a machine busy with other builds.
constexpr int startTimeoutMsecs = 30'000;
constexpr int stepTimeoutMsecs = 15'000;

// The child side of shortcutsWorkAndQuitEndsTheApp: the app's start-up, on Wayland, driven with
// keys the way a user types them. Prints what it saw; the exit code is the app loop's.
int runChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tendrel"));
    if (QGuiApplication::platformName() != QLatin1String("wayland")) {
        std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
        return 3;
    }
    TendrelApp::Options options;
    options.inMemoryStore = true;
    options.settingsPath = QDir::home().filePath(QStringLiteral("settings.ini"));
    auto tendrel = std::make_unique<TendrelApp>(options);
    tendrel->showMainWindow();
    QMainWindow *window = tendrel->mainWindow();
    if (!QTest::qWaitForWindowExposed(window, startTimeoutMsecs)) {
        std::printf("not exposed\n");
        return 4;
    }
    std::printf("exposed\n");
    // A headless compositor has no seat, so nothing ever gets the keyboard focus; stand in for the
    // click that would have focused the window on a desktop.
    QApplication::setActiveWindow(window);
    QTest::keyClick(window, Qt::Key_2, Qt::ControlModifier);
    if (QTest::qWaitFor([&] { return tendrel->state().selectedTab() == AppTab::plants; }, stepTimeoutMsecs))
        std::printf("ctrl+2 shows my plants\n");
    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
    if (QTest::qWaitFor([&] { return tendrel->state().isAddingPlant(); }, stepTimeoutMsecs))
        std::printf("ctrl+n opens the sheet\n");
    std::fflush(stdout);
    // Quit comes through the event loop, as from the menu.
    QMetaObject::invokeMethod(
        window, [window] { QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier); }, Qt::QueuedConnection);
    const int code = app.exec();
    tendrel.reset();
    std::printf("quit %d\n", code);
    return code;
}

} // namespace

void WaylandTest::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    // Wayland wants the runtime folder private to its user.
    QVERIFY(::chmod(QFile::encodeName(m_runtime.path()).constData(), 0700) == 0);
    const QString weston = QStandardPaths::findExecutable(QStringLiteral("weston"));
    QVERIFY2(!weston.isEmpty(), "weston is not installed (scripts/bootstrap installs it)");
    m_socket = QStringLiteral("tendrel-test-%1").arg(QCoreApplication::applicationPid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    for (const char *name : {"WAYLAND_DISPLAY", "WAYLAND_SOCKET", "DISPLAY"})
        env.remove(QString::fromLatin1(name));
    m_weston.setProcessEnvironment(env);
    m_weston.setProcessChannelMode(QProcess::MergedChannels);
    // The desktop shell, as on a desktop; no weston.ini of the machine is read.
    m_weston.start(weston, {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--no-config"),
                            QStringLiteral("--socket=") + m_socket, QStringLiteral("--width=1280"),
                            QStringLiteral("--height=800"), QStringLiteral("--idle-time=0"),
                            QStringLiteral("--debug")});
    QVERIFY2(m_weston.waitForStarted(startTimeoutMsecs), qPrintable(m_weston.errorString()));
    const QString socket = QDir(m_runtime.path()).filePath(m_socket);
    QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(socket) || m_weston.state() == QProcess::NotRunning,
                              "weston made no socket", startTimeoutMsecs);
    QVERIFY2(m_weston.state() == QProcess::Running, m_weston.readAll().constData());
}

void WaylandTest::cleanupTestCase()
{
    if (m_weston.state() == QProcess::NotRunning)
        return;
    m_weston.terminate();
    if (!m_weston.waitForFinished(10'000)) {
        m_weston.kill();
        m_weston.waitForFinished(5'000);
    }
}

QProcessEnvironment WaylandTest::clientEnvironment(const QString &home) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    // No session bus: reminders stay off, and nothing on the machine is reached.
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    // Qt 6.4's Wayland input method dereferences the seat's text input, and a headless compositor
    // has no seat: a focused text field would crash the client. The compose input method needs none.
    env.insert(QStringLiteral("QT_IM_MODULE"), QStringLiteral("compose"));
    for (const char *name : {"DISPLAY", "TENDREL_APPEARANCE", "QT_LOGGING_RULES", "QT_DEBUG_PLUGINS"})
        env.remove(QString::fromLatin1(name));
    return env;
}

QString WaylandTest::sceneGraph() const
{
    QProcess debug;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    debug.setProcessEnvironment(env);
    debug.start(QStringLiteral("weston-debug"), {QStringLiteral("scene-graph")});
    if (!debug.waitForFinished(10'000))
        debug.kill();
    return QString::fromLocal8Bit(debug.readAllStandardOutput());
}

void WaylandTest::appShowsItsWindowAndEndsCleanly()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString binary = qEnvironmentVariable("TENDREL_BINARY_DIR") + QStringLiteral("/bin/tendrel");
    QVERIFY2(QFile::exists(binary), qPrintable(binary));
    QProcess app;
    app.setProcessEnvironment(clientEnvironment(home.path()));
    app.start(binary, {});
    QVERIFY2(app.waitForStarted(startTimeoutMsecs), qPrintable(app.errorString()));
    // The compositor shows a top-level window of this process, with Tendrel's title and app id.
    const QString window = QStringLiteral("role xdg_toplevel, PID %1,").arg(app.processId());
    const auto shown = [&] {
        const QString scene = sceneGraph();
        return scene.contains(window) && scene.contains(QStringLiteral("'Tendrel' of app.tendrel.Tendrel"));
    };
    QTRY_VERIFY2_WITH_TIMEOUT(shown(), qPrintable(sceneGraph()), startTimeoutMsecs);
    QVERIFY(app.state() == QProcess::Running);

    // The session ends it: it quits as from the menu, saving what it has.
    app.terminate();
    QVERIFY(app.waitForFinished(stepTimeoutMsecs));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    QVERIFY(!sceneGraph().contains(window));
    // A normal start and end print nothing.
    QCOMPARE(QString::fromLocal8Bit(app.readAllStandardError()), QString());
    QCOMPARE(QString::fromLocal8Bit(app.readAllStandardOutput()), QString());
}

void WaylandTest::shortcutsWorkAndQuitEndsTheApp()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcess child;
    child.setProcessEnvironment(clientEnvironment(home.path()));
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--wayland-child")});
    QVERIFY(child.waitForStarted(startTimeoutMsecs));
    const bool finished = child.waitForFinished(startTimeoutMsecs + 3 * stepTimeoutMsecs);
    if (!finished) {
        child.kill();
        child.waitForFinished(stepTimeoutMsecs);
    }
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(child.readAllStandardError());
    QVERIFY2(finished, qPrintable(QStringLiteral("the app did not quit:\n") + out + err));
    QVERIFY2(out.contains(QStringLiteral("exposed")), qPrintable(out + err));
    QVERIFY2(out.contains(QStringLiteral("ctrl+2 shows my plants")), qPrintable(out + err));
    QVERIFY2(out.contains(QStringLiteral("ctrl+n opens the sheet")), qPrintable(out + err));
    QVERIFY2(out.contains(QStringLiteral("quit 0")), qPrintable(out + err));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(err, QString());
}

int main(int argc, char *argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], "--wayland-child") == 0)
        return runChild(argc, argv);
    QCoreApplication app(argc, argv);
    WaylandTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wayland.moc"
