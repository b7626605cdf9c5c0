#include "Views/Components/AccessibleLabel.h"

#include <QLabel>

AccessibleLabel::AccessibleLabel(QLabel *label) : AccessibleItem(label, QAccessible::StaticText) {}

QString AccessibleLabel::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name) {
        const QString name = widget()->accessibleName();
        return name.isEmpty() ? static_cast<QLabel *>(widget())->text() : name;
    }
    return AccessibleItem::text(t);
}

QList<std::pair<QAccessibleInterface *, QAccessible::Relation>>
AccessibleLabel::relations(QAccessible::Relation match) const
{
    auto relations = AccessibleItem::relations(match);
    if (match & QAccessible::Labelled) {
        if (QWidget *buddy = static_cast<QLabel *>(widget())->buddy()) {
            if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(buddy))
                relations.append({iface, QAccessible::Labelled});
        }
    }
    return relations;
}
