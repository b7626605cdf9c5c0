#pragma once

// EditCommands: the Edit menu's standard text actions (Cut, Copy, Paste, Select All), after the
// garden's Undo and Redo. They act on the text field that has the keyboard focus (a name field,
// the notes, a search field) in any window, and are enabled only for what that field can do right
// now. Keys typed in a field are still handled by the field itself; the menu shows the keys and
// serves the mouse.
//
//   auto *edit = new EditCommands(this);
//   edit->install(editMenu);          // a separator, then Cut, Copy, Paste, Select All
//   edit->attach(settingsWindow);     // the keys reach fields there too
//   edit->action(EditCommands::Command::copy)->trigger();

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointer>

class QWidget;

class EditCommands final : public QObject
{
    Q_OBJECT

public:
    enum class Command : unsigned char { cut, copy, paste, selectAll };

    explicit EditCommands(QObject *parent = nullptr);

    // Appends the text actions to menu.
    void install(QMenu *menu);
    void attach(QWidget *window);
    QAction *action(Command command) const;
    QMenu *menu() const { return m_menu; }

    // The text field the actions act on: the focused widget when it edits text, else none.
    QWidget *target() const { return m_target; }

    // Whether command can act on field now (false for anything that edits no text).
    static bool canRun(Command command, const QWidget *field);
    static void run(Command command, QWidget *field);

private:
    void focusChanged(QWidget *old, QWidget *now);
    void updateActions();

    QPointer<QMenu> m_menu;
    // By Command; they go with the window's menu bar, which may be destroyed before this.
    QList<QPointer<QAction>> m_actions;
    QPointer<QWidget> m_target;
};
