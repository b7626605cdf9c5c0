#pragma once

#include "Platform/NotificationRequest.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QTimeZone>

#include <optional>

// The agent's pending requests and the rule for when each one is delivered. Pure: the caller
// passes the current instant and zone, so the rule is tested without a bus or a real clock.
//
// Requests keep local wall-clock components; their moment is worked out afresh in the zone of each
// check, so a change of zone moves them with the wall clock. A request whose moment has come leaves
// the schedule for good: it is delivered or dropped, never both and never twice, however the clock
// moves afterwards.
class ReminderSchedule final
{
public:
    static constexpr qsizetype maxPending = 14;
    // A request at most this late counts as on time (the check runs once a minute).
    static constexpr qint64 onTimeMsecs = 2 * 60'000;
    // A missed request (after a sleep, a shutdown or a clock jump) is still worth showing this long.
    static constexpr qint64 missedWindowMsecs = 12 * 3'600'000;

    struct Due
    {
        QList<NotificationRequest> deliver;
        QList<NotificationRequest> dropped;
    };

    // Adds request, or replaces the one with the same identifier. Fails for an invalid request or when
    // maxPending other requests are already waiting.
    std::optional<QString> add(const NotificationRequest &request);
    // Returns how many requests were removed.
    qsizetype remove(const QStringList &identifiers);
    // Takes back a request whose delivery failed, unless a newer one took its identifier or its place.
    bool putBack(const NotificationRequest &request);
    // Replaces everything with requests read from disk: invalid ones are skipped, a repeated
    // identifier keeps its last request, and only the first maxPending are kept.
    void restore(const QList<NotificationRequest> &requests);

    const QList<NotificationRequest> &pending() const { return m_pending; }
    bool isEmpty() const { return m_pending.isEmpty(); }

    // Removes every request whose moment in zone is at or before now. Those due within the last
    // onTimeMsecs are delivered; when there is none, only the latest missed one is, and only if it fell
    // due within missedWindowMsecs. The rest are dropped.
    Due takeDue(const QDateTime &now, const QTimeZone &zone);

private:
    QList<NotificationRequest> m_pending;
};
