#pragma once

#include <QWidget>

class AppState;
class ModelStore;
class Preferences;

// The separate settings window (fixed 480 x 520) that hosts the Settings screen. Escape or Ctrl+W
// closes it; closing only hides it, and the next "Settings…" shows the same window again.
class SettingsWindow final : public QWidget
{
    Q_OBJECT

public:
    SettingsWindow(ModelStore &store, AppState &state, Preferences &preferences, QWidget *parent = nullptr);
};
