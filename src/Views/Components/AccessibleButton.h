#pragma once

// AccessibleButton: the kit's interface for its own buttons (GlassButton, SidebarItem,
// ToggleSwitch, FilterChip). Every action is a real click on the next turn of the event loop, so
// a reader runs exactly what a mouse click runs (a switch's Toggle asks for permission where a
// click does; a page tab's Press switches the page). The name is the accessible name, else the
// text without mnemonic markers; no key binding is ever derived from the text.
//   PushButton: Press. CheckBox (a switch, a chip): Toggle, with checkable and checked.
//   PageTab: Press, with selectable and selected instead of checked.

#include "Views/Components/AccessibleItem.h"

class QAbstractButton;

class AccessibleButton final : public AccessibleItem
{
public:
    AccessibleButton(QAbstractButton *button, QAccessible::Role role);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

    // "Save &as" -> "Save as", "R&&D" -> "R&D".
    static QString withoutMnemonics(const QString &text);

private:
    QAbstractButton *button() const;
};
