#pragma once

// ShortcutsWindow: Help → Keyboard Shortcuts. Every key the app answers to, in groups: one group
// per menu (taken from the menu bar each time the window opens, so a new menu item shows up by
// itself) and the keys the screens handle themselves (going back, closing a sheet, lists).
//
//   auto *window = new ShortcutsWindow;
//   window->setGroups(ShortcutsWindow::menuGroups(menuBar) + ShortcutsWindow::screenGroups());
//   window->show();    // Escape or Ctrl+W closes it

#include <QKeySequence>
#include <QList>
#include <QString>
#include <QWidget>

class QMenuBar;
class ScrollColumn;

class ShortcutsWindow final : public QWidget
{
    Q_OBJECT

public:
    struct Shortcut
    {
        QString action;           // "New Plant", "Close the sheet"
        QList<QKeySequence> keys; // one or more; shown in the desktop's own notation
        QString keysText;         // instead of keys, for keys no sequence can name ("Enter or Space")
    };
    struct Group
    {
        QString title;
        QList<Shortcut> shortcuts;
    };

    explicit ShortcutsWindow(QWidget *parent = nullptr);

    void setGroups(const QList<Group> &groups);
    const QList<Group> &groups() const { return m_groups; }

    // One group per menu of the bar, holding its items that have a shortcut, in menu order. Item
    // texts lose their mnemonic and a trailing ellipsis.
    static QList<Group> menuGroups(const QMenuBar *menuBar);
    // The keys the screens handle without a menu item.
    static QList<Group> screenGroups();
    // What a key sequence reads as in this window, e.g. "Ctrl+N".
    static QString keysText(const Shortcut &shortcut);

private:
    ScrollColumn *m_page;
    QList<Group> m_groups;
};
