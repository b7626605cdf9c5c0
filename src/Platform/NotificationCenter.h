#pragma once

#include "Platform/AuthorizationStatus.h"
#include "Platform/NotificationRequest.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

// The platform's notification service: pending requests keyed by identifier, and the user's
// permission to notify.
//
// Every operation is asynchronous. Its completion runs later on the thread that owns the centre (the
// UI thread), never inside the call itself. When a context object is given, the completion is
// dropped if the context is destroyed first; without one it always runs. Failures arrive as an error
// text; no operation blocks.
class NotificationCenter : public QObject
{
    Q_OBJECT

public:
    enum class AuthorizationOption { alert = 0x1, sound = 0x2, badge = 0x4 };
    Q_DECLARE_FLAGS(AuthorizationOptions, AuthorizationOption)

    using ErrorCompletion = std::function<void(const std::optional<QString> &error)>;
    using StatusCompletion = std::function<void(AuthorizationStatus status)>;
    using AuthorizationCompletion = std::function<void(bool granted, const std::optional<QString> &error)>;
    using ServerCompletion = std::function<void(bool answers)>;
    using PendingCompletion =
        std::function<void(const QList<NotificationRequest> &requests, const std::optional<QString> &error)>;

    explicit NotificationCenter(QObject *parent = nullptr);
    ~NotificationCenter() override;

    // The centre the application uses: the reminder agent on the session bus unless a test has
    // installed another one with setCurrent().
    static NotificationCenter &current();
    // Installs center as current() (not owned); nullptr restores the default one.
    static void setCurrent(NotificationCenter *center);

    // Drops the pending requests with these identifiers; unknown identifiers are ignored. Requests
    // sent earlier from this thread are handled first, so a removal followed by adds keeps the adds.
    virtual void removePendingRequests(const QStringList &identifiers, QObject *context,
                                       ErrorCompletion completion) = 0;
    // The current permission; a service that cannot be asked reads as notDetermined.
    virtual void authorizationStatus(QObject *context, StatusCompletion completion) = 0;
    // Asks for permission to notify. The answer is granted or not; an error always means not granted.
    virtual void requestAuthorization(AuthorizationOptions options, QObject *context,
                                      AuthorizationCompletion completion) = 0;
    // Adds or replaces the pending request with the same identifier.
    virtual void add(const NotificationRequest &request, QObject *context, ErrorCompletion completion) = 0;
    // Every pending request.
    virtual void pendingRequests(QObject *context, PendingCompletion completion) = 0;
    // Whether the desktop's notification server answers, which tells a refusal for want of one
    // from the user's. A centre that shows its notifications itself answers true.
    virtual void notificationServerAnswers(QObject *context, ServerCompletion completion);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(NotificationCenter::AuthorizationOptions)

// Installs a centre as NotificationCenter::current() for the lifetime of the guard (tests).
class ScopedNotificationCenter final
{
public:
    explicit ScopedNotificationCenter(NotificationCenter *center) { NotificationCenter::setCurrent(center); }
    ~ScopedNotificationCenter() { NotificationCenter::setCurrent(nullptr); }
    ScopedNotificationCenter(const ScopedNotificationCenter &) = delete;
    ScopedNotificationCenter &operator=(const ScopedNotificationCenter &) = delete;
};
