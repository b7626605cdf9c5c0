#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QTimeZone>

#include <optional>

// A one-shot calendar trigger: a local wall-clock time, kept as components so that it means the
// same hour and minute in whatever zone the machine is in when it fires.
struct NotificationTrigger
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;

    friend bool operator==(const NotificationTrigger &, const NotificationTrigger &) = default;

    QDate date() const { return QDate(year, month, day); }
    QTime time() const { return QTime(hour, minute); }
    bool isValid() const { return date().isValid() && time().isValid(); }

    // The components of instant's local time in zone (seconds dropped).
    static NotificationTrigger fromInstant(const QDateTime &instant, const QTimeZone &zone);

    // The instant this wall-clock time names in zone: the earlier one when the hour repeats, the
    // first moment after the gap when it is skipped. None for invalid components.
    std::optional<QDateTime> moment(const QTimeZone &zone) const;
};
