#include "App/GardenCommands.h"

#include "Views/Settings/GardenFiles.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

GardenCommands::GardenCommands(ModelStore &store, QWidget *window, QObject *parent)
    : QObject(parent), m_window(window), m_files(new GardenFiles(store, this)),
      m_backUp(new QAction(tr("&Back Up Garden\u2026"), this)),
      m_restore(new QAction(tr("&Restore Garden\u2026"), this)),
      m_export(new QAction(tr("&Export Care Log\u2026"), this))
{
    const struct
    {
        QAction *action;
        Qt::Key key;
    } keys[] = {{m_backUp, Qt::Key_B}, {m_restore, Qt::Key_O}, {m_export, Qt::Key_E}};
    for (const auto &[action, key] : keys) {
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | key));
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    m_backUp->setObjectName(QStringLiteral("backUpGardenAction"));
    m_restore->setObjectName(QStringLiteral("restoreGardenAction"));
    m_export->setObjectName(QStringLiteral("exportCareLogAction"));
    connect(m_backUp, &QAction::triggered, this, [this] { m_files->backUp(m_window); });
    connect(m_restore, &QAction::triggered, this, [this] { m_files->restore(m_window); });
    connect(m_export, &QAction::triggered, this, [this] { m_files->exportCareLog(m_window); });
}

void GardenCommands::install(QMenu *menu, QAction *before)
{
    menu->insertActions(before, {m_backUp, m_restore, m_export});
    menu->insertSeparator(before);
}
