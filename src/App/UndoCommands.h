#pragma once

// UndoCommands: "Undo {step}" (Ctrl+Z) and "Redo {step}" (Ctrl+Shift+Z) for the garden's history,
// in the Edit menu and in every window they are attached to, and the toast with "Undo" that
// follows a bulk or destructive step, at the bottom of the window the user acted in. A text
// field that has the keyboard focus keeps Ctrl+Z for its own typing.
//
//   auto *undo = new UndoCommands(GardenHistory::of(store), mainWindow, this);
//   undo->install(editMenu);       // "Undo Water Fern", "Redo Delete Monty", greyed when none
//   undo->attach(settingsWindow);  // the keys work there too; its toasts show there
//
// Step names hold plant names: the menu shows them as written ("&" never becomes a mnemonic).

#include <QObject>
#include <QPointer>

class GardenHistory;
class QAction;
class QMenu;
class QWidget;

class UndoCommands final : public QObject
{
    Q_OBJECT

public:
    UndoCommands(GardenHistory &history, QWidget *mainWindow, QObject *parent = nullptr);

    void install(QMenu *menu);
    void attach(QWidget *window);

    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }

    // "Undo Water Fern" as a menu shows it: the step's "&" doubled; just verb when step is empty.
    static QString actionText(const QString &verb, const QString &step);

private:
    void update();
    void announce(const QString &message, quint64 serial);
    QWidget *toastWindow() const;

    GardenHistory &m_history;
    QPointer<QWidget> m_mainWindow;
    QList<QPointer<QWidget>> m_windows;
    QAction *m_undo;
    QAction *m_redo;
    quint64 m_toastSerial = 0;
};
