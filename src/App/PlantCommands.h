#pragma once

#include <QObject>

class AppState;
class QMenuBar;
class QAction;

// The menu-bar commands: File > New Plant…, Settings…, Quit, and the Go menu. They only set
// fields of the shared AppState (and ask for the settings window), never touch screens directly.
// Their shortcuts work from every window of the app; New Plant and the Go commands also ask for
// the main window to come forward, since that is where they show their result.
class PlantCommands final : public QObject
{
    Q_OBJECT

public:
    PlantCommands(AppState &state, QObject *parent = nullptr);

    // Fills menuBar with the File and Go menus.
    void install(QMenuBar *menuBar);

    QAction *newPlantAction() const { return m_newPlant; }
    QAction *settingsAction() const { return m_settings; }

signals:
    void mainWindowRequested();
    void settingsRequested();
    void quitRequested();

private:
    AppState &m_state;
    QAction *m_newPlant = nullptr;
    QAction *m_settings = nullptr;
};
