#include "Agent/ReminderAgent.h"
#include "Platform/ReminderLog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QStandardPaths>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Shares the app's data folder (~/.local/share/Tendrel).
    QCoreApplication::setApplicationName(QStringLiteral("Tendrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TENDREL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Delivers Tendrel's daily plant-care reminders."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption linger(QStringLiteral("linger"),
                                    QStringLiteral("Milliseconds to stay once there is nothing left to do."),
                                    QStringLiteral("msecs"), QStringLiteral("30000"));
    parser.addOption(linger);
    parser.process(app);

    ReminderAgent::Options options;
    options.dataDirectory = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    options.agentPath = QCoreApplication::applicationFilePath();
    bool ok = false;
    options.lingerMsecs = parser.value(linger).toInt(&ok);
    if (!ok || options.lingerMsecs < 0) {
        qCCritical(lcReminders).noquote() << "--linger needs a number of milliseconds";
        return 2;
    }

    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCCritical(lcReminders) << "no session bus:" << bus.lastError();
        return 1;
    }
    ReminderAgent agent(bus, options);
    QObject::connect(&agent, &ReminderAgent::idle, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    switch (agent.start()) {
    case ReminderAgent::StartResult::running:
        return app.exec();
    case ReminderAgent::StartResult::nameTaken:
        return 0;
    case ReminderAgent::StartResult::failed:
        break;
    }
    return 1;
}
