#include "Agent/ReminderSchedule.h"

#include <algorithm>

std::optional<QString> ReminderSchedule::add(const NotificationRequest &request)
{
    if (auto reason = request.validationError())
        return reason;
    for (NotificationRequest &existing : m_pending) {
        if (existing.identifier == request.identifier) {
            existing = request;
            return std::nullopt;
        }
    }
    if (m_pending.size() >= maxPending)
        return QStringLiteral("At most %1 reminders can be pending.").arg(maxPending);
    m_pending.append(request);
    return std::nullopt;
}

qsizetype ReminderSchedule::remove(const QStringList &identifiers)
{
    return m_pending.removeIf([&identifiers](const NotificationRequest &request) {
        return identifiers.contains(request.identifier);
    });
}

bool ReminderSchedule::putBack(const NotificationRequest &request)
{
    const bool taken =
        std::any_of(m_pending.cbegin(), m_pending.cend(),
                    [&request](const NotificationRequest &r) { return r.identifier == request.identifier; });
    if (taken || m_pending.size() >= maxPending || request.validationError())
        return false;
    m_pending.append(request);
    return true;
}

void ReminderSchedule::restore(const QList<NotificationRequest> &requests)
{
    m_pending.clear();
    for (const NotificationRequest &request : requests) {
        if (request.validationError())
            continue;
        auto it = std::find_if(m_pending.begin(), m_pending.end(), [&request](const NotificationRequest &r) {
            return r.identifier == request.identifier;
        });
        if (it != m_pending.end())
            *it = request;
        else if (m_pending.size() < maxPending)
            m_pending.append(request);
    }
}

ReminderSchedule::Due ReminderSchedule::takeDue(const QDateTime &now, const QTimeZone &zone)
{
    struct Candidate
    {
        qint64 moment;
        NotificationRequest request;
    };
    const qint64 nowMsecs = now.toMSecsSinceEpoch();
    std::vector<Candidate> due;
    Due result;
    m_pending.removeIf([&](const NotificationRequest &request) {
        const auto moment = request.trigger.moment(zone);
        if (!moment) {
            result.dropped.append(request);
            return true;
        }
        if (moment->toMSecsSinceEpoch() > nowMsecs)
            return false;
        due.push_back({moment->toMSecsSinceEpoch(), request});
        return true;
    });
    if (due.empty())
        return result;

    std::stable_sort(due.begin(), due.end(),
                     [](const Candidate &a, const Candidate &b) { return a.moment < b.moment; });
    const bool anyOnTime = nowMsecs - due.back().moment <= onTimeMsecs;
    for (size_t i = 0; i < due.size(); ++i) {
        const qint64 late = nowMsecs - due[i].moment;
        const bool deliver =
            anyOnTime ? late <= onTimeMsecs : (i + 1 == due.size() && late <= missedWindowMsecs);
        (deliver ? result.deliver : result.dropped).append(due[i].request);
    }
    return result;
}
