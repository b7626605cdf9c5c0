#include "App/AppearanceController.h"

#include "Platform/DesktopAppearance.h"
#include "Views/Components/KitStyle.h"
#include "Views/Components/Theme.h"

AppearanceController::AppearanceController(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_desktop(new DesktopAppearance(bus, this))
{
    connect(m_desktop, &DesktopAppearance::preferenceChanged, this, &AppearanceController::apply);
}

void AppearanceController::start()
{
    // Qt's own menus, tooltips and dialogs drawn as the kit draws, from the theme's colours.
    KitStyle::install();
    m_desktop->start();
    apply();
}

void AppearanceController::apply()
{
    std::optional<Appearance> appearance;
    if (const auto scheme = m_desktop->preference())
        appearance = *scheme == DesktopAppearance::Scheme::dark ? Appearance::dark : Appearance::light;
    Theme::setDesktopAppearance(appearance);
    if (Theme::applyToApplication())
        emit appearanceChanged();
}
