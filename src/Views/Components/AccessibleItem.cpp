#include "Views/Components/AccessibleItem.h"

#include "Views/Components/Accessibility.h"

#include <QFocusFrame>
#include <QMenu>
#include <QWidget>

#include <algorithm>

namespace {

// The child widgets Qt's own interfaces would list: windows and menus are separate trees.
bool isListedChild(const QObject *object)
{
    if (!object->isWidgetType())
        return false;
    const auto *widget = static_cast<const QWidget *>(object);
    return !widget->isWindow() && !qobject_cast<const QFocusFrame *>(widget) &&
           !qobject_cast<const QMenu *>(widget) && widget->objectName() != QLatin1String("qt_rubberband") &&
           widget->objectName() != QLatin1String("qt_spinbox_lineedit");
}

void collectChildren(const QWidget *widget, QList<QWidget *> &into)
{
    QList<QWidget *> listed;
    for (QObject *object : widget->children()) {
        if (isListedChild(object))
            listed.append(static_cast<QWidget *>(object));
    }
    if (Accessibility::readsInPlaceOrder(widget)) {
        // Stacking says nothing here: read top to bottom, then in the reading direction.
        const bool rightToLeft = widget->layoutDirection() == Qt::RightToLeft;
        std::stable_sort(listed.begin(), listed.end(), [rightToLeft](const QWidget *a, const QWidget *b) {
            if (a->y() != b->y())
                return a->y() < b->y();
            return rightToLeft ? a->x() > b->x() : a->x() < b->x();
        });
    }
    for (QWidget *child : std::as_const(listed)) {
        if (Accessibility::isIgnored(child))
            continue;
        if (Accessibility::isPresentational(child))
            collectChildren(child, into);
        else
            into.append(child);
    }
}

} // namespace

AccessibleItem::AccessibleItem(QWidget *widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

QList<QWidget *> AccessibleItem::accessibleChildren(const QWidget *widget)
{
    QList<QWidget *> children;
    if (widget && !Accessibility::isLeaf(widget))
        collectChildren(widget, children);
    return children;
}

QAccessible::Role AccessibleItem::role() const
{
    if (const std::optional<QAccessible::Role> given = Accessibility::role(widget()))
        return *given;
    const QAccessible::Role fallback = QAccessibleWidget::role();
    if (fallback != QAccessible::Client)
        return fallback;
    // Whatever sits in a list is one of its items; elsewhere a widget that can be pressed is a
    // button.
    if (const QWidget *container = accessibleParent(widget());
        container && Accessibility::role(container) == QAccessible::List)
        return QAccessible::ListItem;
    if (Accessibility::actionNames(widget()).contains(QAccessibleActionInterface::pressAction()))
        return QAccessible::PushButton;
    // One element that speaks for its children is read as its name.
    if (Accessibility::isLeaf(widget()))
        return QAccessible::StaticText;
    // A window of its own (Settings, Keyboard Shortcuts) is a frame, not a filler.
    if (widget()->isWindow())
        return QAccessible::Window;
    return fallback;
}

QAccessible::State AccessibleItem::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    if (!state.invisible && !Accessibility::isShowing(widget()))
        state.offscreen = true;
    // A panel marked modal (a sheet), or a window that blocks the others (a confirmation).
    if (Accessibility::isModal(widget()) || (widget()->isWindow() && widget()->isModal()))
        state.modal = true;
    return state;
}

QWidget *AccessibleItem::accessibleParent(const QWidget *widget)
{
    if (!widget || widget->isWindow())
        return nullptr;
    QWidget *ancestor = widget->parentWidget();
    while (ancestor && !ancestor->isWindow() && Accessibility::isPresentational(ancestor))
        ancestor = ancestor->parentWidget();
    return ancestor;
}

QAccessibleInterface *AccessibleItem::parent() const
{
    if (QWidget *ancestor = accessibleParent(widget()))
        return QAccessible::queryAccessibleInterface(ancestor);
    return QAccessibleWidget::parent();
}

int AccessibleItem::childCount() const
{
    return int(accessibleChildren(widget()).size());
}

QAccessibleInterface *AccessibleItem::child(int index) const
{
    const QList<QWidget *> children = accessibleChildren(widget());
    if (index < 0 || index >= children.size())
        return nullptr;
    return QAccessible::queryAccessibleInterface(children.at(index));
}

int AccessibleItem::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child || !child->object() || !child->object()->isWidgetType())
        return -1;
    return int(accessibleChildren(widget()).indexOf(static_cast<QWidget *>(child->object())));
}

QStringList AccessibleItem::actionNames() const
{
    QStringList names = Accessibility::actionNames(widget());
    for (const QString &name : QAccessibleWidget::actionNames()) {
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

void AccessibleItem::doAction(const QString &actionName)
{
    if (!Accessibility::trigger(widget(), actionName))
        QAccessibleWidget::doAction(actionName);
}

QStringList AccessibleItem::keyBindingsForAction(const QString &actionName) const
{
    if (Accessibility::actionNames(widget()).contains(actionName))
        return {};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
