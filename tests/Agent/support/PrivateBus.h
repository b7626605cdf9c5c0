#pragma once

// A private D-Bus daemon for one test: its own configuration, no standard service folders (so no
// notification daemon installed on the machine is ever activated on it), and optionally one
// service folder of the test's own.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

class PrivateBus final
{
public:
    // serviceDirectory: a folder of .service files the bus may activate, or empty for none.
    // environment: what activated services inherit.
    explicit PrivateBus(const QString &serviceDirectory = {},
                        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        if (!m_dir.isValid()) {
            m_error = QStringLiteral("no temporary folder");
            return;
        }
        m_address = QLatin1String("unix:path=") + m_dir.path() + QLatin1String("/bus");
        const QString serviceLine =
            serviceDirectory.isEmpty()
                ? QString()
                : QLatin1String("  <servicedir>") + serviceDirectory + QLatin1String("</servicedir>\n");
        const QString config =
            QLatin1String(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>)") +
            m_address + QLatin1String(R"(</listen>
  <auth>EXTERNAL</auth>
)") + serviceLine +
            QLatin1String(R"(  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)");
        QFile file(m_dir.filePath(QStringLiteral("bus.conf")));
        if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) {
            m_error = QStringLiteral("cannot write the bus configuration");
            return;
        }
        file.close();

        QProcessEnvironment env = environment;
        // Activated services reach this bus as their session bus.
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        m_daemon.setProcessEnvironment(env);
        // Its stderr only carries notes such as an fd limit it may not raise; kept for failures.
        m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QLatin1String("--config-file=") + file.fileName(), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(10'000)) {
            m_error = QStringLiteral("dbus-daemon did not start: ") + m_daemon.errorString();
            return;
        }
        while (!m_daemon.canReadLine()) {
            if (!m_daemon.waitForReadyRead(10'000)) {
                m_error = QStringLiteral("dbus-daemon printed no address: ") +
                          QString::fromLocal8Bit(m_daemon.readAllStandardError());
                return;
            }
        }
        m_daemon.readLine();
        m_running = true;
    }

    ~PrivateBus()
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5'000))
                m_daemon.kill();
            m_daemon.waitForFinished(5'000);
        }
    }

    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    bool isRunning() const { return m_running; }
    QString errorString() const { return m_error; }
    QString address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
    bool m_running = false;
};
