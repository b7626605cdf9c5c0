#pragma once

#include <QDateTime>
#include <QString>

// The user's consent to reminder notifications on Linux, where no system setting records it. It is a
// small file next to the pending reminders (notification-consent.json in the agent's data folder),
// written when a notification server answered the permission request. It is never withdrawn by
// turning reminders off: that only removes the autostart entry and the pending requests.
class NotificationConsent final
{
public:
    explicit NotificationConsent(QString path);

    QString path() const { return m_path; }

    bool isRecorded() const;
    bool record(const QDateTime &at, QString *error = nullptr) const;

private:
    QString m_path;
};
