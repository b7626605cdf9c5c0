#pragma once

// AccessibleItem: the kit's accessible interface for a widget, as screen readers see it over
// AT-SPI. Everything it reports is read from the widget when asked, so settings made with
// Accessibility (role, presentational, leaf, actions) count whenever they were made:
//   - role: the one given with Accessibility::setRole, else the one the factory chose; for a
//     plain widget, a frame for a window, a list item in a list, a button when it can be pressed,
//     static text for a leaf;
//   - children: the widget's child widgets less the ignored ones, with presentational wrappers
//     replaced by their own children; none for a leaf. Always bounds-checked: a reader may ask for a child
//     index it counted a moment ago;
//   - state: off screen (not "showing") when scrolled or slid out of an ancestor or behind an
//     open sheet (Accessibility::isShowing); modal for a modal window or a panel set modal;
//   - actions: those given with Accessibility::setAction / setPressKey, then SetFocus.
// Accessibility::install() registers the factory that hands it out; subclass it for widgets that
// need more (a value, a different name), as the Stepper and the buttons of the kit do.

#include <QAccessibleWidget>

class AccessibleItem : public QAccessibleWidget
{
public:
    explicit AccessibleItem(QWidget *widget, QAccessible::Role role = QAccessible::Client);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QAccessibleInterface *parent() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

    // The widgets a reader sees as the children of widget, in order, and the one it sees as its
    // parent (null for a window).
    static QList<QWidget *> accessibleChildren(const QWidget *widget);
    static QWidget *accessibleParent(const QWidget *widget);
};
