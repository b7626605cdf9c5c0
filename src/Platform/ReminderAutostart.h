#pragma once

#include <QString>

#include <optional>

// The XDG autostart entry that starts the reminder agent at login, so reminders planned for later
// days arrive even when Tendrel is not open. The agent installs it when the user allows
// notifications; the app removes it when reminders are turned off.
//
// The entry lives in $XDG_CONFIG_HOME/autostart (~/.config/autostart when unset).
class ReminderAutostart final
{
public:
    ReminderAutostart() = delete;

    // The entry's full path.
    static QString entryPath();
    // tendrel-reminders next to the running executable (the app and the agent are installed side by side).
    static QString defaultAgentPath();
    // The entry's text for an agent at agentPath, or none when the path cannot be written into an
    // Exec line (empty, relative, or holding a line break).
    static std::optional<QString> entryText(const QString &agentPath);

    // Writes the entry atomically. False, with the reason in error, when it cannot be written.
    static bool install(const QString &agentPath = defaultAgentPath(), QString *error = nullptr);
    // Removes the entry; succeeds when there was none.
    static bool remove(QString *error = nullptr);
    static bool isInstalled();
};
