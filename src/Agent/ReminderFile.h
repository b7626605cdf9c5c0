#pragma once

#include "Platform/NotificationRequest.h"

#include <QList>
#include <QString>

// The agent's pending requests on disk (reminders.json in its data folder), so they survive a
// logout or a reboot. Writes are atomic. A file that cannot be read as a whole counts as empty, with
// a warning; the next write replaces it.
class ReminderFile final
{
public:
    explicit ReminderFile(QString path);

    QString path() const { return m_path; }

    QList<NotificationRequest> load() const;
    bool save(const QList<NotificationRequest> &requests, QString *error = nullptr) const;

private:
    QString m_path;
};
