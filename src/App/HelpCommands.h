#pragma once

// HelpCommands: the Help menu. "Keyboard Shortcuts" (Ctrl+?) opens a window listing every key
// the app answers to, read from the menu bar at that moment; "About Tendrel" opens the about
// window. Each window is made once and raised when asked for again.
//
//   auto *help = new HelpCommands(this);
//   help->install(menuBar);            // after the other menus
//   help->shortcutsAction()->trigger(); help->shortcutsWindow()

#include "Views/AboutWindow.h"
#include "Views/ShortcutsWindow.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMenuBar;

class HelpCommands final : public QObject
{
    Q_OBJECT

public:
    explicit HelpCommands(QObject *parent = nullptr);
    ~HelpCommands() override;

    void install(QMenuBar *menuBar);

    QAction *shortcutsAction() const { return m_shortcuts; }
    QAction *aboutAction() const { return m_about; }
    ShortcutsWindow *shortcutsWindow() const { return m_shortcutsWindow; }
    AboutWindow *aboutWindow() const { return m_aboutWindow; }

    void showShortcuts();
    void showAbout();

private:
    QPointer<QMenuBar> m_menuBar;
    QAction *m_shortcuts = nullptr;
    QAction *m_about = nullptr;
    QPointer<ShortcutsWindow> m_shortcutsWindow;
    QPointer<AboutWindow> m_aboutWindow;
};
