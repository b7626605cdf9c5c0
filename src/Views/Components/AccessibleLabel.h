#pragma once

// AccessibleLabel: the kit's interface for TextLabel (and any QLabel given a role): static text
// whose name is its text, or a heading when given that role
// (Accessibility::setRole(title, QAccessible::Heading), as sectionHeaderStyle() does). A label
// with a buddy says which control it names.

#include "Views/Components/AccessibleItem.h"

class QLabel;

class AccessibleLabel final : public AccessibleItem
{
public:
    explicit AccessibleLabel(QLabel *label);

    QString text(QAccessible::Text t) const override;
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QList<std::pair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override;
};
