#pragma once

// AppearanceController: keeps Tendrel's light or dark look in step with the desktop. At start it
// asks the desktop (portal setting, then GTK_THEME, then the desktop palette; TENDREL_APPEARANCE
// wins over all) before the first window is built, and when the desktop switches it re-themes
// every open window live: new theme, new application palette, every widget restyled and repainted.
//
//   auto *appearance = new AppearanceController(QDBusConnection::sessionBus(), this);
//   appearance->start();      // before the first window is created

#include <QDBusConnection>
#include <QObject>

class DesktopAppearance;

class AppearanceController final : public QObject
{
    Q_OBJECT

public:
    explicit AppearanceController(const QDBusConnection &bus, QObject *parent = nullptr);

    void start();
    DesktopAppearance &desktop() const { return *m_desktop; }

signals:
    // The look switched between light and dark while the app was running.
    void appearanceChanged();

private:
    void apply();

    DesktopAppearance *m_desktop;
};
