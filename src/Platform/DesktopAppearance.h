#pragma once

// DesktopAppearance: whether the desktop asks apps for a light or a dark look. It reads the
// cross-desktop setting of the XDG desktop portal (org.freedesktop.appearance color-scheme) and
// follows its changes live; when the portal has no preference or does not answer, a GTK_THEME
// ending in ":dark" still asks for dark. No widgets: the views decide what a preference means.
//
//   DesktopAppearance desktop(QDBusConnection::sessionBus());
//   desktop.start();                     // waits briefly for a running portal, else asks in the background
//   if (desktop.preference() == DesktopAppearance::Scheme::dark) ...
//   connect(&desktop, &DesktopAppearance::preferenceChanged, this, &Follower::apply);
//
// Tests put a fake portal on a private bus and hand that bus in; the environment is injectable
// through setGtkTheme().

#include <QDBusConnection>
#include <QObject>
#include <QVariant>

#include <optional>

class QDBusVariant;

class DesktopAppearance final : public QObject
{
    Q_OBJECT

public:
    enum class Scheme : unsigned char { light, dark };

    // How long start() waits for a portal that is already running, so the first frame is right.
    static constexpr int startupReadTimeoutMsecs = 300;

    explicit DesktopAppearance(const QDBusConnection &bus, QObject *parent = nullptr);

    void start();

    // The scheme the desktop asks for, or none when it says nothing (then the look of the
    // desktop's palette decides).
    std::optional<Scheme> preference() const;
    // The portal's own answer: none until it answered or while it says "no preference".
    std::optional<Scheme> portalScheme() const { return m_portal; }

    // GTK_THEME as the session set it (read at construction).
    void setGtkTheme(const QString &theme) { m_gtkTheme = theme; }

    // The portal's color-scheme value (possibly wrapped in variants, as older portals send it):
    // 1 dark, 2 light, anything else none.
    static std::optional<Scheme> schemeFromPortalValue(const QVariant &value);
    // "Adwaita:dark" asks for dark; a theme without a variant says nothing.
    static std::optional<Scheme> schemeFromGtkTheme(const QString &theme);
    // The portal's answer first; without one, the GTK theme's variant.
    static std::optional<Scheme> preferenceOf(std::optional<Scheme> portal, const QString &gtkTheme);

signals:
    // preference() changed value.
    void preferenceChanged();

private Q_SLOTS:
    void settingChanged(const QString &nameSpace, const QString &key, const QDBusVariant &value);

private:
    void readAnswered(const QDBusMessage &reply);
    void setPortalScheme(std::optional<Scheme> scheme);

    QDBusConnection m_bus;
    QString m_gtkTheme;
    std::optional<Scheme> m_portal;
    bool m_started = false;
};
