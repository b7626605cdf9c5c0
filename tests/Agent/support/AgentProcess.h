#pragma once

// The real tendrel-reminders executable, started on a private bus with its own home, data and
// config folders and the UTC zone, so it never touches the user's files or desktop.

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

class AgentProcess final
{
public:
    static QString program()
    {
        return qEnvironmentVariable("TENDREL_BINARY_DIR") + QLatin1String("/bin/tendrel-reminders");
    }

    // The environment the agent runs in; home holds data/ and config/.
    static QProcessEnvironment environment(const QString &busAddress, const QString &home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QLatin1String("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QLatin1String("/config"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tendrel.reminders.debug=true"));
        env.remove(QStringLiteral("DBUS_STARTER_ADDRESS"));
        env.remove(QStringLiteral("DBUS_STARTER_BUS_TYPE"));
        return env;
    }

    static QString dataDirectory(const QString &home) { return home + QLatin1String("/data/Tendrel"); }

    AgentProcess(const QString &busAddress, const QString &home, int lingerMsecs = 60'000)
    {
        m_process.setProcessEnvironment(environment(busAddress, home));
        m_process.setProgram(program());
        m_process.setArguments({QStringLiteral("--linger"), QString::number(lingerMsecs)});
        m_process.setProcessChannelMode(QProcess::MergedChannels);
    }

    ~AgentProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5'000))
                m_process.kill();
            m_process.waitForFinished(5'000);
        }
    }

    AgentProcess(const AgentProcess &) = delete;
    AgentProcess &operator=(const AgentProcess &) = delete;

    bool start()
    {
        m_process.start();
        return m_process.waitForStarted(10'000);
    }

    QProcess &process() { return m_process; }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // What the agent logged so far, for failure messages.
    QString output()
    {
        m_output += QString::fromUtf8(m_process.readAll());
        return m_output;
    }

private:
    QProcess m_process;
    QString m_output;
};
