#pragma once

#include "Platform/NotificationRequest.h"

#include <QList>
#include <QString>

class FileFaults;

// The agent's pending requests on disk (reminders.json in its data folder), so they survive a
// logout or a reboot. Writes are atomic. Of a damaged file (cut off, followed by other bytes, in
// UTF-16, with bytes that are no UTF-8, larger than any file of ours) every entry that can still be
// read is kept, with a warning; before a new file is written, the damaged one is moved aside to
// "reminders.json.damaged-20261207T083000Z". The agent owns the file; the app only reads it, to
// know that nothing is pending without starting the agent.
class ReminderFile final
{
public:
    explicit ReminderFile(QString path);
    // The file in the shared data folder (~/.local/share/Tendrel).
    static ReminderFile in(const QString &dataDirectory);

    QString path() const { return m_path; }

    // damaged: whether the file held anything that could not be read as written.
    QList<NotificationRequest> load(bool *damaged = nullptr) const;
    // faults: the tests' failing disk.
    bool save(const QList<NotificationRequest> &requests, QString *error = nullptr,
              FileFaults *faults = nullptr) const;
    // Moves the file aside, under a name of its own beside it.
    bool setAside() const;

private:
    QString m_path;
};
