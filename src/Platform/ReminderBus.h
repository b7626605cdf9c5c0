#pragma once

#include <QLatin1String>

// Names under which the reminder agent serves the app on the session bus. The service name is also
// the D-Bus activation file's and the autostart entry's name.
namespace ReminderBus {

inline constexpr QLatin1String service("app.tendrel.Tendrel.Reminders");
inline constexpr QLatin1String path("/app/tendrel/Tendrel/Reminders");
inline constexpr QLatin1String interface("app.tendrel.Tendrel.Reminders");

// Methods: Add(a{sv}), Remove(as), ListPending() -> aa{sv}, AuthorizationStatus() -> s,
// RequestAuthorization(u options) -> b (a D-Bus error when no notification server answers).
inline constexpr QLatin1String addMethod("Add");
inline constexpr QLatin1String removeMethod("Remove");
inline constexpr QLatin1String listPendingMethod("ListPending");
inline constexpr QLatin1String authorizationStatusMethod("AuthorizationStatus");
inline constexpr QLatin1String requestAuthorizationMethod("RequestAuthorization");

inline constexpr QLatin1String invalidRequestError("app.tendrel.Tendrel.Reminders.Error.InvalidRequest");
inline constexpr QLatin1String tooManyRequestsError("app.tendrel.Tendrel.Reminders.Error.TooManyRequests");
inline constexpr QLatin1String
    noNotificationServerError("app.tendrel.Tendrel.Reminders.Error.NoNotificationServer");
inline constexpr QLatin1String failedError("app.tendrel.Tendrel.Reminders.Error.Failed");

} // namespace ReminderBus
