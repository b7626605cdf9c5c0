#pragma once

#include <QLatin1String>

// Names of the XDG desktop portal on the session bus: the desktop's own settings and dialogs,
// answered by xdg-desktop-portal and the backend of the running desktop (GNOME, KDE, ...).
namespace DesktopPortal {

inline constexpr QLatin1String service("org.freedesktop.portal.Desktop");
inline constexpr QLatin1String path("/org/freedesktop/portal/desktop");

// Settings: Read(s namespace, s key) -> v, and the signal SettingChanged(s namespace, s key, v value).
inline constexpr QLatin1String settingsInterface("org.freedesktop.portal.Settings");
inline constexpr QLatin1String readMethod("Read");
inline constexpr QLatin1String settingChangedSignal("SettingChanged");
inline constexpr QLatin1String appearanceNamespace("org.freedesktop.appearance");
// u: 0 no preference, 1 prefers dark, 2 prefers light.
inline constexpr QLatin1String colorSchemeKey("color-scheme");

// FileChooser: OpenFile(s parent_window, s title, a{sv} options) -> o request handle. The answer
// comes as Response(u code, a{sv} results) on the request object; code 0 carries "uris" (as).
inline constexpr QLatin1String fileChooserInterface("org.freedesktop.portal.FileChooser");
inline constexpr QLatin1String openFileMethod("OpenFile");
inline constexpr QLatin1String requestInterface("org.freedesktop.portal.Request");
inline constexpr QLatin1String responseSignal("Response");
inline constexpr QLatin1String closeMethod("Close");
// Where a request object lives: <requestPathPrefix><sender without ':' and with '.' as '_'>/<token>.
inline constexpr QLatin1String requestPathPrefix("/org/freedesktop/portal/desktop/request/");

} // namespace DesktopPortal
