#include "Views/Components/AccessibleButton.h"

#include "Views/Components/Accessibility.h"

#include <QAbstractButton>
#include <QPointer>
#include <QTimer>

AccessibleButton::AccessibleButton(QAbstractButton *button, QAccessible::Role role)
    : AccessibleItem(button, role)
{
}

QAbstractButton *AccessibleButton::button() const
{
    return static_cast<QAbstractButton *>(widget());
}

QString AccessibleButton::withoutMnemonics(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                plain.append(QLatin1Char('&'));
            ++i;
            if (i < text.size() && text[i] != QLatin1Char('&'))
                plain.append(text[i]);
            continue;
        }
        plain.append(text[i]);
    }
    return plain;
}

QString AccessibleButton::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name) {
        const QString name = widget()->accessibleName();
        return name.isEmpty() ? withoutMnemonics(button()->text()) : name;
    }
    if (t == QAccessible::Accelerator)
        return {};
    return AccessibleItem::text(t);
}

QAccessible::State AccessibleButton::state() const
{
    QAccessible::State state = AccessibleItem::state();
    if (button()->isDown())
        state.pressed = true;
    if (role() == QAccessible::PageTab) {
        state.selectable = true;
        state.selected = button()->isChecked();
    } else if (button()->isCheckable()) {
        state.checkable = true;
        state.checked = button()->isChecked();
    }
    return state;
}

QStringList AccessibleButton::actionNames() const
{
    QStringList names;
    if (widget()->isEnabled()) {
        names.append(button()->isCheckable() && role() != QAccessible::PageTab
                         ? QAccessibleActionInterface::toggleAction()
                         : QAccessibleActionInterface::pressAction());
    }
    for (const QString &name : AccessibleItem::actionNames()) {
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

void AccessibleButton::doAction(const QString &actionName)
{
    if (actionName != QAccessibleActionInterface::pressAction() &&
        actionName != QAccessibleActionInterface::toggleAction()) {
        AccessibleItem::doAction(actionName);
        return;
    }
    // A click, on the next turn: what a click runs may open a dialog with its own event loop,
    // and the reader is still waiting for this call to return.
    QTimer::singleShot(0, button(), [target = QPointer<QAbstractButton>(button())] {
        if (target && target->isEnabled())
            target->click();
    });
}

QStringList AccessibleButton::keyBindingsForAction(const QString &) const
{
    return {};
}
