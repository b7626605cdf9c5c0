#pragma once

#include <QLatin1String>
#include <QStringView>

#include <optional>

// Whether the user lets Tendrel show notifications.
enum class AuthorizationStatus { notDetermined, denied, authorized, provisional };

// The wire form used between the app and the reminder agent: the enumerator's name.
inline QLatin1String authorizationStatusName(AuthorizationStatus status)
{
    switch (status) {
    case AuthorizationStatus::notDetermined:
        return QLatin1String("notDetermined");
    case AuthorizationStatus::denied:
        return QLatin1String("denied");
    case AuthorizationStatus::authorized:
        return QLatin1String("authorized");
    case AuthorizationStatus::provisional:
        return QLatin1String("provisional");
    }
    return QLatin1String("notDetermined");
}

inline std::optional<AuthorizationStatus> authorizationStatusFromName(QStringView name)
{
    for (AuthorizationStatus status : {AuthorizationStatus::notDetermined, AuthorizationStatus::denied,
                                       AuthorizationStatus::authorized, AuthorizationStatus::provisional}) {
        if (name == authorizationStatusName(status))
            return status;
    }
    return std::nullopt;
}
