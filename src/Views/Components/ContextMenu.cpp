#include "Views/Components/ContextMenu.h"

#include "Core/Formatting.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/Theme.h"

#include <QMenu>
#include <QWidget>

namespace {

const char *const kBuilderProperty = "tendrelContextMenu";

// Holds the builder as a child of the widget, so it lives exactly as long as the widget.
class BuilderHolder final : public QObject
{
public:
    BuilderHolder(ContextMenu::Builder build, QObject *parent) : QObject(parent), builder(std::move(build)) {}
    ContextMenu::Builder builder;
};

BuilderHolder *holderOf(QWidget *widget)
{
    return widget ? static_cast<BuilderHolder *>(widget->property(kBuilderProperty).value<QObject *>())
                  : nullptr;
}

bool isSeparator(const ContextMenu::Item &item)
{
    return item.title.isEmpty() && !item.action;
}

} // namespace

ContextMenu::Item ContextMenu::separator()
{
    return {};
}

void ContextMenu::attach(QWidget *widget, Builder builder)
{
    if (BuilderHolder *old = holderOf(widget))
        delete old;
    auto *holder = new BuilderHolder(std::move(builder), widget);
    widget->setProperty(kBuilderProperty, QVariant::fromValue(static_cast<QObject *>(holder)));
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(widget, &QWidget::customContextMenuRequested, holder,
                     [widget, holder](const QPoint &pos) {
                         QMenu *menu = build(holder->builder(), widget);
                         menu->setAttribute(Qt::WA_DeleteOnClose);
                         menu->popup(widget->mapToGlobal(pos));
                     });
}

QMenu *ContextMenu::build(const QList<Item> &items, QWidget *parent)
{
    const Theme &t = Theme::current();
    auto *menu = new QMenu(parent);
    for (const Item &item : items) {
        if (isSeparator(item)) {
            menu->addSeparator();
            continue;
        }
        const QColor color = item.role == Role::destructive ? t.textColor(ColorRole::red) : t.colors.label;
        // Titles are plain text: a room called "&Garden" must not become a mnemonic.
        QAction *action = menu->addAction(Formatting::mnemonicEscaped(item.title));
        if (!item.symbol.isEmpty())
            action->setIcon(Symbols::icon(item.symbol, color));
        action->setEnabled(item.enabled);
        if (item.checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        if (item.action)
            QObject::connect(action, &QAction::triggered, menu, item.action);
    }
    return menu;
}

QStringList ContextMenu::itemsFor(QWidget *widget)
{
    QStringList titles;
    if (BuilderHolder *holder = holderOf(widget)) {
        for (const Item &item : holder->builder())
            titles.append(isSeparator(item) ? QStringLiteral("-") : item.title);
    }
    return titles;
}

bool ContextMenu::trigger(QWidget *widget, const QString &title)
{
    BuilderHolder *holder = holderOf(widget);
    if (!holder)
        return false;
    for (const Item &item : holder->builder()) {
        if (!isSeparator(item) && item.title == title && item.enabled && item.action) {
            item.action();
            return true;
        }
    }
    return false;
}
