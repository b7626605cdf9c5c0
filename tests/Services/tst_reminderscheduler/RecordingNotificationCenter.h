#pragma once

#include "Platform/NotificationCenter.h"

#include <QSet>

#include <functional>

// A notification centre that records every call in order and answers from the event loop, as the
// real one does. Adds and the permission answer can be held back to test what happens while a run
// waits.
class RecordingNotificationCenter final : public NotificationCenter
{
public:
    enum class Operation { remove, status, requestAuthorization, add, pending };

    struct Call
    {
        Operation operation;
        QStringList identifiers;     // remove
        NotificationRequest request; // add
    };

    AuthorizationStatus status = AuthorizationStatus::authorized;
    QSet<QString> failingIdentifiers;
    bool holdAdds = false;
    bool holdStatus = false;
    bool serverAnswers = true;

    QList<Call> calls;
    int outstandingAdds = 0;
    int mostOutstandingAdds = 0;

    QList<NotificationRequest> added() const;
    QList<Operation> operations() const;
    // Answers the held adds and permission questions.
    void releaseHeld();

    void removePendingRequests(const QStringList &identifiers, QObject *context,
                               ErrorCompletion completion) override;
    void authorizationStatus(QObject *context, StatusCompletion completion) override;
    void requestAuthorization(AuthorizationOptions options, QObject *context,
                              AuthorizationCompletion completion) override;
    void add(const NotificationRequest &request, QObject *context, ErrorCompletion completion) override;
    void pendingRequests(QObject *context, PendingCompletion completion) override;
    void notificationServerAnswers(QObject *context, ServerCompletion completion) override;

private:
    void answer(QObject *context, std::function<void()> completion);

    QList<std::function<void()>> m_held;
};
