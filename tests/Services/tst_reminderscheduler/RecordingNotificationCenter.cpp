#include "RecordingNotificationCenter.h"

#include <QPointer>

QList<NotificationRequest> RecordingNotificationCenter::added() const
{
    QList<NotificationRequest> result;
    for (const Call &call : calls) {
        if (call.operation == Operation::add)
            result.append(call.request);
    }
    return result;
}

QList<RecordingNotificationCenter::Operation> RecordingNotificationCenter::operations() const
{
    QList<Operation> result;
    for (const Call &call : calls)
        result.append(call.operation);
    return result;
}

void RecordingNotificationCenter::answer(QObject *context, std::function<void()> completion)
{
    QMetaObject::invokeMethod(
        this,
        [guard = QPointer<QObject>(context), guarded = context != nullptr,
         completion = std::move(completion)] {
            if (guarded && !guard)
                return;
            completion();
        },
        Qt::QueuedConnection);
}

void RecordingNotificationCenter::releaseHeld()
{
    const auto held = std::exchange(m_held, {});
    for (const auto &release : held)
        release();
}

void RecordingNotificationCenter::removePendingRequests(const QStringList &identifiers, QObject *context,
                                                        ErrorCompletion completion)
{
    calls.append({Operation::remove, identifiers, {}});
    if (completion)
        answer(context, [completion] { completion(std::nullopt); });
}

void RecordingNotificationCenter::authorizationStatus(QObject *context, StatusCompletion completion)
{
    calls.append({Operation::status, {}, {}});
    auto reply = [this, context, completion] { answer(context, [this, completion] { completion(status); }); };
    if (holdStatus)
        m_held.append(reply);
    else
        reply();
}

void RecordingNotificationCenter::requestAuthorization(AuthorizationOptions, QObject *context,
                                                       AuthorizationCompletion completion)
{
    calls.append({Operation::requestAuthorization, {}, {}});
    answer(context,
           [this, completion] { completion(status == AuthorizationStatus::authorized, std::nullopt); });
}

void RecordingNotificationCenter::add(const NotificationRequest &request, QObject *context,
                                      ErrorCompletion completion)
{
    calls.append({Operation::add, {}, request});
    mostOutstandingAdds = std::max(mostOutstandingAdds, ++outstandingAdds);
    const bool fails = failingIdentifiers.contains(request.identifier);
    auto reply = [this, context, completion, fails] {
        answer(context, [this, completion, fails] {
            --outstandingAdds;
            completion(fails ? std::optional<QString>(QStringLiteral("refused")) : std::nullopt);
        });
    };
    if (holdAdds)
        m_held.append(reply);
    else
        reply();
}

void RecordingNotificationCenter::pendingRequests(QObject *context, PendingCompletion completion)
{
    calls.append({Operation::pending, {}, {}});
    answer(context, [completion] { completion({}, std::nullopt); });
}

void RecordingNotificationCenter::notificationServerAnswers(QObject *context, ServerCompletion completion)
{
    answer(context, [this, completion] { completion(serverAnswers); });
}
