#include "Views/Components/Accessibility.h"

#include "Views/Components/AccessibleButton.h"
#include "Views/Components/AccessibleItem.h"
#include "Views/Components/AccessibleLabel.h"
#include "Views/Components/AccessibleStepper.h"
#include "Views/Components/Stepper.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace {

const char *const roleProperty = "tendrelAccessibleRole";
const char *const presentationalProperty = "tendrelAccessiblePresentational";
const char *const leafProperty = "tendrelAccessibleLeaf";
const char *const modalProperty = "tendrelAccessibleModal";
const char *const ignoredProperty = "tendrelAccessibleIgnored";
const char *const decorativeProperty = "tendrelAccessibleDecorative";
const char *const inPlaceOrderProperty = "tendrelAccessibleInPlaceOrder";

using ActionList = QList<std::pair<QString, std::function<void()>>>;

// Actions by widget; an entry goes with its widget.
QHash<const QObject *, ActionList> &actionRegistry()
{
    static QHash<const QObject *, ActionList> registry;
    return registry;
}

QAccessibleInterface *kitFactory(const QString &className, QObject *object)
{
    // The object may still be under construction: only its QWidget part is used here.
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    // Qt's own interface for scroll areas counts the scroll bars among the children only while
    // they are shown and does not check the index it is asked for: a reader that counted the
    // children just before a page's layout hid a scroll bar made it read past the list.
    if (className == QLatin1String("QScrollArea") || className == QLatin1String("QAbstractScrollArea"))
        return new AccessibleItem(widget, QAccessible::Client);
    if (className == QLatin1String("GlassButton") || className == QLatin1String("FilterChip"))
        return new AccessibleButton(static_cast<QAbstractButton *>(widget), QAccessible::PushButton);
    if (className == QLatin1String("SymbolView"))
        return new AccessibleItem(widget, QAccessible::Graphic);
    if (className == QLatin1String("ToggleSwitch"))
        return new AccessibleButton(static_cast<QAbstractButton *>(widget), QAccessible::CheckBox);
    if (className == QLatin1String("SidebarItem"))
        return new AccessibleButton(static_cast<QAbstractButton *>(widget), QAccessible::PageTab);
    if (className == QLatin1String("Stepper"))
        return new AccessibleStepper(static_cast<Stepper *>(widget));
    // TextLabel always, so that a title made a heading after it was first read still says so.
    if (className == QLatin1String("TextLabel") ||
        (className == QLatin1String("QLabel") && Accessibility::role(widget)))
        return new AccessibleLabel(static_cast<QLabel *>(widget));
    if (className == QLatin1String("QDialog"))
        return new AccessibleItem(widget, QAccessible::Dialog);
    // Plain containers and custom-painted widgets of the kit and the screens; also any widget
    // given a role or an action, before Qt's interface for its base class would answer.
    if (className == QLatin1String("QWidget") || Accessibility::role(widget) ||
        Accessibility::isLeaf(widget) || Accessibility::isPresentational(widget) ||
        !Accessibility::actionNames(widget).isEmpty())
        return new AccessibleItem(widget, QAccessible::Client);
    return nullptr;
}

} // namespace

void Accessibility::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(kitFactory);
}

void Accessibility::setRole(QWidget *widget, QAccessible::Role role)
{
    widget->setProperty(roleProperty, int(role));
}

void Accessibility::clearRole(QWidget *widget)
{
    widget->setProperty(roleProperty, QVariant());
}

std::optional<QAccessible::Role> Accessibility::role(const QWidget *widget)
{
    const QVariant value = widget->property(roleProperty);
    if (!value.isValid())
        return std::nullopt;
    return QAccessible::Role(value.toInt());
}

void Accessibility::setPresentational(QWidget *widget, bool presentational)
{
    widget->setProperty(presentationalProperty, presentational);
}

bool Accessibility::isPresentational(const QWidget *widget)
{
    return widget->property(presentationalProperty).toBool();
}

void Accessibility::setLeaf(QWidget *widget, bool leaf)
{
    widget->setProperty(leafProperty, leaf);
}

bool Accessibility::isLeaf(const QWidget *widget)
{
    return widget->property(leafProperty).toBool();
}

void Accessibility::setIgnored(QWidget *widget, bool ignored)
{
    widget->setProperty(ignoredProperty, ignored);
}

bool Accessibility::isIgnored(const QWidget *widget)
{
    return widget->property(ignoredProperty).toBool() ||
           (widget->property(decorativeProperty).toBool() && widget->accessibleName().isEmpty());
}

void Accessibility::setDecorative(QWidget *widget, bool decorative)
{
    widget->setProperty(decorativeProperty, decorative);
}

void Accessibility::setReadInPlaceOrder(QWidget *widget, bool inPlace)
{
    widget->setProperty(inPlaceOrderProperty, inPlace);
}

bool Accessibility::readsInPlaceOrder(const QWidget *widget)
{
    return widget->property(inPlaceOrderProperty).toBool();
}

void Accessibility::setModal(QWidget *widget, bool modal)
{
    widget->setProperty(modalProperty, modal);
}

bool Accessibility::isModal(const QWidget *widget)
{
    return widget->property(modalProperty).toBool();
}

void Accessibility::setAction(QWidget *widget, const QString &name, std::function<void()> action)
{
    auto &registry = actionRegistry();
    if (!action) {
        if (registry.contains(widget)) {
            ActionList &actions = registry[widget];
            actions.removeIf([&name](const auto &entry) { return entry.first == name; });
        }
        return;
    }
    if (!registry.contains(widget)) {
        QObject::connect(widget, &QObject::destroyed, widget,
                         [](QObject *gone) { actionRegistry().remove(gone); });
    }
    ActionList &actions = registry[widget];
    for (auto &entry : actions) {
        if (entry.first == name) {
            entry.second = std::move(action);
            return;
        }
    }
    actions.append({name, std::move(action)});
}

void Accessibility::setPressKey(QWidget *widget, int key)
{
    setAction(widget, QAccessibleActionInterface::pressAction(), [widget, key] {
        // Delivered to the widget itself, wherever the focus is: what the key does on it.
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &release);
    });
}

QStringList Accessibility::actionNames(const QWidget *widget)
{
    QStringList names;
    for (const auto &entry : actionRegistry().value(widget))
        names.append(entry.first);
    return names;
}

bool Accessibility::trigger(QWidget *widget, const QString &name)
{
    for (const auto &entry : actionRegistry().value(widget)) {
        if (entry.first != name)
            continue;
        // Not now: the reader's call is still being answered, and the action may open a dialog
        // that runs its own event loop.
        QTimer::singleShot(0, widget, [target = QPointer<QWidget>(widget), name] {
            if (!target)
                return;
            for (const auto &current : actionRegistry().value(target.data())) {
                if (current.first == name && current.second && target->isEnabled()) {
                    current.second();
                    return;
                }
            }
        });
        return true;
    }
    return false;
}

bool Accessibility::isShowing(const QWidget *widget)
{
    if (!widget || !widget->isVisible())
        return false;
    const QWidget *window = widget->window();
    if (widget == window)
        return !window->isMinimized();
    // What is left of the widget once every ancestor has clipped it (scrolled away, slid out).
    QRect shown(widget->mapTo(window, QPoint(0, 0)), widget->size());
    for (const QWidget *ancestor = widget->parentWidget(); ancestor && ancestor != window;
         ancestor = ancestor->parentWidget()) {
        shown &= QRect(ancestor->mapTo(window, QPoint(0, 0)), ancestor->size());
        if (shown.isEmpty())
            return false;
    }
    shown &= window->rect();
    if (shown.isEmpty())
        return false;
    // A modal panel laid over the window (an open sheet) covers the rest of it for the user.
    const QObjectList &layers = window->children();
    for (auto it = layers.crbegin(); it != layers.crend(); ++it) {
        if (!(*it)->isWidgetType())
            continue;
        const auto *layer = static_cast<const QWidget *>(*it);
        if (layer->isVisible() && !layer->isWindow() && isModal(layer))
            return layer == widget || layer->isAncestorOf(widget);
    }
    return true;
}
