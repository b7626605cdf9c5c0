#include "Views/SettingsWindow.h"

#include "Views/Components/ContentUnavailableView.h"

#if __has_include("Views/Settings/SettingsView.h")
#include "Views/Settings/SettingsView.h"
#define TENDREL_HAS_SETTINGS_VIEW 1
#endif

#include <QVBoxLayout>

SettingsWindow::SettingsWindow([[maybe_unused]] ModelStore &store, AppState &state,
                               [[maybe_unused]] Preferences &preferences, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    Q_UNUSED(state);
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(480, 520);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
#ifdef TENDREL_HAS_SETTINGS_VIEW
    layout->addWidget(new SettingsView(store, preferences, this));
#else
    layout->addWidget(new ContentUnavailableView(QStringLiteral("bell.badge.fill"), QStringLiteral("Settings"), QString(), this));
#endif
}
