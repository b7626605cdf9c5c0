#pragma once

#include "Platform/NotificationRequest.h"

#include <QList>
#include <QString>

// The agent's pending requests on disk (reminders.json in its data folder), so they survive a
// logout or a reboot. Writes are atomic. A file that cannot be read as a whole counts as empty, with
// a warning; the next write replaces it. The agent owns the file; the app only reads it, to know
// that nothing is pending without starting the agent.
class ReminderFile final
{
public:
    explicit ReminderFile(QString path);
    // The file in the shared data folder (~/.local/share/Tendrel).
    static ReminderFile in(const QString &dataDirectory);

    QString path() const { return m_path; }

    QList<NotificationRequest> load() const;
    bool save(const QList<NotificationRequest> &requests, QString *error = nullptr) const;

private:
    QString m_path;
};
