#include "Views/ShortcutsWindow.h"

#include "Views/Components/InsetSection.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/ScrollColumn.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

// A command's short name: "&New Plant…" reads "New Plant", "Fish && Chips" keeps one ampersand.
QString plainTitle(const QAction *action)
{
    QString title = action->iconText();
    if (title.endsWith(QChar(0x2026)))
        title.chop(1);
    return title.trimmed();
}

} // namespace

ShortcutsWindow::ShortcutsWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("shortcutsWindow"));
    setWindowTitle(tr("Keyboard Shortcuts"));
    setAccessibleName(tr("Keyboard Shortcuts"));
    resize(460, 620);
    setMinimumSize(360, 320);
    m_page = new ScrollColumn(this);
    m_page->setBackground(&ThemeColors::groupedBackground);
    m_page->setSpacing(18);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_page);

    for (const QKeySequence &key : {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)}) {
        auto *close = new QShortcut(key, this);
        connect(close, &QShortcut::activated, this, &QWidget::close);
    }
}

void ShortcutsWindow::setGroups(const QList<Group> &groups)
{
    m_groups = groups;
    QLayout *column = m_page->columnLayout();
    // The column ends in a stretch; everything before it is a section.
    while (column->count() > 1) {
        QLayoutItem *item = column->takeAt(0);
        delete item->widget();
        delete item;
    }
    for (const Group &group : groups) {
        if (group.shortcuts.isEmpty())
            continue;
        auto *section = new InsetSection(group.title);
        section->setObjectName(QStringLiteral("shortcutGroup"));
        for (const Shortcut &shortcut : group.shortcuts) {
            auto *row = new ListRow(shortcut.action);
            row->setValueText(keysText(shortcut));
            row->setAccessibleName(shortcut.action + QStringLiteral(": ") + keysText(shortcut));
            section->addRow(row);
        }
        m_page->addWidget(section);
    }
}

QString ShortcutsWindow::keysText(const Shortcut &shortcut)
{
    if (!shortcut.keysText.isEmpty())
        return shortcut.keysText;
    QStringList keys;
    for (const QKeySequence &key : shortcut.keys) {
        const QString text = key.toString(QKeySequence::NativeText);
        if (!text.isEmpty() && !keys.contains(text))
            keys.append(text);
    }
    return keys.join(tr(" or "));
}

QList<ShortcutsWindow::Group> ShortcutsWindow::menuGroups(const QMenuBar *menuBar)
{
    QList<Group> groups;
    if (!menuBar)
        return groups;
    for (const QAction *menuAction : menuBar->actions()) {
        const QMenu *menu = menuAction->menu();
        if (!menu || !menuAction->isVisible())
            continue;
        Group group{plainTitle(menuAction), {}};
        for (const QAction *action : menu->actions()) {
            if (action->isSeparator() || !action->isVisible() || action->shortcuts().isEmpty())
                continue;
            group.shortcuts.append({plainTitle(action), action->shortcuts(), {}});
        }
        if (!group.shortcuts.isEmpty())
            groups.append(group);
    }
    return groups;
}

QList<ShortcutsWindow::Group> ShortcutsWindow::screenGroups()
{
    // Each line is what the screens' own key handling does; keep them in step.
    const QKeySequence back(QKeySequence::Back);
    return {
        {tr("Windows and Sheets"),
         {
             {tr("Go back"), {back}, {}},
             {tr("Close a sheet, dialog or this window"), {QKeySequence(Qt::Key_Escape)}, {}},
             {tr("Move to the next or previous control"), {}, tr("Tab or Shift+Tab")},
             {tr("Move to a message's action (Undo) and back"), {QKeySequence(Qt::Key_F6)}, {}},
         }},
        {tr("Lists"),
         {
             {tr("Choose a tab in the sidebar"), {}, tr("Up, Down, Home, End")},
             {tr("Move through plants or species"), {}, tr("Arrow keys, Home, End")},
             {tr("Mark the selected task done"), {QKeySequence(Qt::Key_Space)}, {}},
             {tr("Open the selected task's plant"), {}, tr("Enter")},
             {tr("Open the selected plant or species"), {}, tr("Enter or Space")},
             {tr("Delete the selected plant"), {QKeySequence(Qt::Key_Delete)}, {}},
             {tr("Show the selected plant's actions"),
              {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)},
              {}},
             {tr("Change a number in a stepper"), {}, tr("Up or Down")},
         }},
        {tr("Search"),
         {
             {tr("Search My Plants or Explore"), {QKeySequence(QKeySequence::Find)}, {}},
             {tr("Clear the search"), {QKeySequence(Qt::Key_Escape)}, {}},
             {tr("Go between the species search and its list"), {}, tr("Up or Down")},
         }},
    };
}
