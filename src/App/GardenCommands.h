#pragma once

// GardenCommands: the File menu's "Back Up Garden…", "Restore Garden…" and "Export Care Log…",
// each run by GardenFiles in the main window, with Ctrl+Shift+B, Ctrl+Shift+O and Ctrl+Shift+E
// from every window.
//
//   auto *garden = new GardenCommands(store, mainWindow, this);
//   garden->install(fileMenu, settingsAction);   // before "Settings…", after a separator

#include <QObject>
#include <QPointer>

class GardenFiles;
class ModelStore;
class QAction;
class QMenu;
class QWidget;

class GardenCommands final : public QObject
{
    Q_OBJECT

public:
    GardenCommands(ModelStore &store, QWidget *window, QObject *parent = nullptr);

    void install(QMenu *menu, QAction *before);

    GardenFiles *files() const { return m_files; }
    QAction *backUpAction() const { return m_backUp; }
    QAction *restoreAction() const { return m_restore; }
    QAction *exportAction() const { return m_export; }

private:
    QPointer<QWidget> m_window;
    GardenFiles *m_files;
    QAction *m_backUp;
    QAction *m_restore;
    QAction *m_export;
};
