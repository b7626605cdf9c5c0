#pragma once

// AccessibleStepper: a Stepper as a spin button: its value with minimum, maximum and step, set
// through the value interface or stepped with the Increase and Decrease actions, each running
// the same path as the "+" and "-" buttons. The buttons themselves are not listed.

#include "Views/Components/AccessibleItem.h"

class Stepper;

class AccessibleStepper final : public AccessibleItem, public QAccessibleValueInterface
{
public:
    explicit AccessibleStepper(Stepper *stepper);

    void *interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    Stepper *stepper() const;
};
