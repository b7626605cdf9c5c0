#pragma once

#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "App/WindowState.h"

#include <memory>

class AppState;
class AppearanceController;
class EditCommands;
class HelpCommands;
class ModelStore;
class PlantCommands;
class Preferences;
class GardenCommands;
class RootView;
class UndoCommands;

// The application object: opens the store (falling back to memory when the saved plants cannot be
// opened), owns the one AppState, the preferences, the main window with its menus, and the
// settings window. Where data lives is injectable so tests never touch the user's files.
class TendrelApp final : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString storePath;          // empty: the default location under the user's data folder
        bool inMemoryStore = false; // keep nothing after quitting (tests, benchmarks)
        QString settingsPath;       // empty: the user's settings file
        // Where the window's size is kept between sessions; empty: beside settingsPath when that
        // is given ("settings-window.ini" for "settings.ini"), otherwise the user's state folder
        // (WindowState::defaultPath()).
        QString windowStatePath;
        // When set, the store file is left alone and the plants are kept in memory; this says why
        // (e.g. the one-instance lock cannot be made, so another process may be writing the file).
        QString storeRefusal;
    };

    explicit TendrelApp(QObject *parent = nullptr);
    explicit TendrelApp(const Options &options, QObject *parent = nullptr);
    ~TendrelApp() override;

    AppState &state() const { return *m_state; }
    ModelStore &store() const { return *m_store; }
    Preferences &preferences() const { return *m_preferences; }
    QMainWindow *mainWindow() const { return m_mainWindow; }
    RootView *rootView() const { return m_rootView; }
    PlantCommands *commands() const { return m_commands; }
    UndoCommands *undoCommands() const { return m_undoCommands; }
    AppearanceController *appearance() const { return m_appearance; }
    EditCommands *editCommands() const { return m_editCommands; }
    HelpCommands *helpCommands() const { return m_helpCommands; }
    GardenCommands *gardenCommands() const { return m_gardenCommands; }
    // The settings window, once it has been opened.
    QWidget *settingsWindow() const { return m_settingsWindow; }

    void showMainWindow();
    void showSettings();
    // Brings the main window to the front (another start of Tendrel asked for it).
    void raiseMainWindow();

    // Whether quitting may go ahead: every change is saved, or, when saving fails, the user chose
    // to quit anyway after being asked ("Try Again" saves once more and asks again if that fails;
    // "Cancel" keeps Tendrel open with the changes still waiting).
    bool confirmQuit();
    // Quits once confirmQuit() allows it.
    void quit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMainWindow();
    // Back in the window after space was freed elsewhere: what waits is saved now, not at the
    // next retry.
    void applicationStateChanged(Qt::ApplicationState state);

    WindowState m_windowState;
    bool m_windowShown = false;
    std::unique_ptr<ModelStore> m_store;
    AppState *m_state;
    Preferences *m_preferences;
    AppearanceController *m_appearance = nullptr;
    QPointer<QMainWindow> m_mainWindow;
    RootView *m_rootView = nullptr;
    PlantCommands *m_commands = nullptr;
    UndoCommands *m_undoCommands = nullptr;
    EditCommands *m_editCommands = nullptr;
    HelpCommands *m_helpCommands = nullptr;
    GardenCommands *m_gardenCommands = nullptr;
    QPointer<QWidget> m_settingsWindow;
    bool m_changesGivenUp = false;
};
