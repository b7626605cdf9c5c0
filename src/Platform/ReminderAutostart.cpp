#include "Platform/ReminderAutostart.h"

#include "Core/AtomicFile.h"
#include "Platform/ReminderBus.h"
#include "Platform/ReminderLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString templatePath = QStringLiteral(":/reminders/autostart/app.tendrel.Tendrel.Reminders.desktop.in");
const QString execPlaceholder = QStringLiteral("@TENDREL_REMINDERS_EXEC@");

QString configHome()
{
    // Read the variable directly: QStandardPaths ignores it in test mode, and tests point it at a
    // temporary directory.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

// Quoting of one Exec argument, then escaping of the whole value as a desktop-entry string.
std::optional<QString> execValue(const QString &path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || path.contains(QLatin1Char('\n')) ||
        path.contains(QLatin1Char('\r')))
        return std::nullopt;
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`=");
    bool needsQuotes = false;
    for (const QChar c : path)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString argument = path;
    if (needsQuotes) {
        QString quoted;
        for (const QChar c : path) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        argument = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    argument.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    argument.replace(QLatin1Char('%'), QLatin1String("%%"));
    return argument;
}

} // namespace

QString ReminderAutostart::entryPath()
{
    return configHome() + QLatin1String("/autostart/") + ReminderBus::service + QLatin1String(".desktop");
}

QString ReminderAutostart::defaultAgentPath()
{
    return QCoreApplication::applicationDirPath() + QLatin1String("/tendrel-reminders");
}

std::optional<QString> ReminderAutostart::entryText(const QString &agentPath)
{
    const auto exec = execValue(agentPath);
    if (!exec)
        return std::nullopt;
    QFile file(templatePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcReminders) << "autostart template missing:" << file.errorString();
        return std::nullopt;
    }
    QString text = QString::fromUtf8(file.readAll());
    text.replace(execPlaceholder, *exec);
    return text;
}

bool ReminderAutostart::install(const QString &agentPath, QString *error)
{
    auto fail = [error](const QString &reason) {
        qCWarning(lcReminders).noquote() << reason;
        if (error)
            *error = reason;
        return false;
    };
    const auto text = entryText(agentPath);
    if (!text)
        return fail(
            QStringLiteral("Cannot write an autostart entry for the agent at \"%1\".").arg(agentPath));
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(QStringLiteral("Cannot create the folder of %1.").arg(path));
    QString reason;
    if (!AtomicFile::write(path, text->toUtf8(), &reason))
        return fail(reason);
    return true;
}

bool ReminderAutostart::remove(QString *error)
{
    QFile file(entryPath());
    if (!file.exists() || file.remove())
        return true;
    const QString reason = QStringLiteral("Cannot remove %1: %2").arg(file.fileName(), file.errorString());
    qCWarning(lcReminders).noquote() << reason;
    if (error)
        *error = reason;
    return false;
}

bool ReminderAutostart::isInstalled()
{
    return QFileInfo::exists(entryPath());
}
