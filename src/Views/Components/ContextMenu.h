#pragma once

// ContextMenu: context menus built from a list of items at the moment they open (so they
// reflect the current state), shown on right click or the Menu key.
//
//   ContextMenu::attach(card, [plant] {
//       QList<ContextMenu::Item> items;
//       for (CareKind kind : plant->enabledKinds())
//           items.append({tr("Mark %1").arg(kind.pastTense()), kind.symbol(), [=] { ... }});
//       items.append(ContextMenu::separator());
//       items.append({tr("Delete"), "trash", [=] { ... }, ContextMenu::Role::destructive});
//       return items;
//   });
//   QMenu *menu = ContextMenu::build(items, parent);    // for a toolbar menu button (GlassButton::setMenu)
// Test seam: ContextMenu::itemsFor(card) gives the titles now offered; ContextMenu::trigger(card,
// title) runs that item's action as a click in the menu would.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QMenu;
class QWidget;

class ContextMenu final
{
public:
    ContextMenu() = delete;

    enum class Role : unsigned char { normal, destructive };
    struct Item
    {
        QString title; // plain text, "&" included; empty title with no action: a separator
        QString symbol;
        std::function<void()> action;
        Role role = Role::normal;
        bool enabled = true;
        bool checked = false; // shows a check mark (pickers such as the room filter)
    };
    using Builder = std::function<QList<Item>()>;

    static Item separator();
    static void attach(QWidget *widget, Builder builder);
    static QMenu *build(const QList<Item> &items, QWidget *parent);

    static QStringList itemsFor(QWidget *widget); // separators appear as "-"
    static bool trigger(QWidget *widget, const QString &title);
};
