#include "Views/Components/AccessibleStepper.h"

#include "Views/Components/Stepper.h"

#include <QPointer>
#include <QTimer>

AccessibleStepper::AccessibleStepper(Stepper *stepper) : AccessibleItem(stepper, QAccessible::SpinBox) {}

Stepper *AccessibleStepper::stepper() const
{
    return static_cast<Stepper *>(widget());
}

void *AccessibleStepper::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return AccessibleItem::interface_cast(type);
}

QString AccessibleStepper::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return QString::number(stepper()->value());
    return AccessibleItem::text(t);
}

QVariant AccessibleStepper::currentValue() const
{
    return stepper()->value();
}

void AccessibleStepper::setCurrentValue(const QVariant &value)
{
    bool ok = false;
    const double wanted = value.toDouble(&ok);
    if (!ok || !stepper()->isEnabled())
        return;
    // Clamped to the range by the stepper, as the buttons are.
    stepper()->setValue(int(qBound<double>(stepper()->minimum(), wanted, stepper()->maximum())));
}

QVariant AccessibleStepper::maximumValue() const
{
    return stepper()->maximum();
}

QVariant AccessibleStepper::minimumValue() const
{
    return stepper()->minimum();
}

QVariant AccessibleStepper::minimumStepSize() const
{
    return stepper()->step();
}

QStringList AccessibleStepper::actionNames() const
{
    QStringList names{QAccessibleActionInterface::increaseAction(),
                      QAccessibleActionInterface::decreaseAction()};
    for (const QString &name : AccessibleItem::actionNames()) {
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

void AccessibleStepper::doAction(const QString &actionName)
{
    const bool up = actionName == QAccessibleActionInterface::increaseAction();
    if (!up && actionName != QAccessibleActionInterface::decreaseAction()) {
        AccessibleItem::doAction(actionName);
        return;
    }
    QTimer::singleShot(0, stepper(), [target = QPointer<Stepper>(stepper()), up] {
        if (!target || !target->isEnabled())
            return;
        if (up)
            target->stepUp();
        else
            target->stepDown();
    });
}
