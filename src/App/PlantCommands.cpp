#include "App/PlantCommands.h"

#include "Views/State/AppState.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

PlantCommands::PlantCommands(AppState &state, QObject *parent) : QObject(parent), m_state(state) {}

void PlantCommands::install(QMenuBar *menuBar)
{
    QMenu *file = menuBar->addMenu(QStringLiteral("&File"));
    m_newPlant = file->addAction(QStringLiteral("&New Plant\u2026"));
    m_newPlant->setObjectName(QStringLiteral("newPlantAction"));
    m_newPlant->setShortcut(QKeySequence::New);
    // Opening the sheet leaves the current tab as it is.
    connect(m_newPlant, &QAction::triggered, this, [this] {
        m_state.setAddingPlant(true);
        emit mainWindowRequested();
    });

    file->addSeparator();
    m_settings = file->addAction(QStringLiteral("&Settings\u2026"));
    m_settings->setObjectName(QStringLiteral("settingsAction"));
    m_settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_settings->setMenuRole(QAction::PreferencesRole);
    connect(m_settings, &QAction::triggered, this, &PlantCommands::settingsRequested);

    file->addSeparator();
    QAction *quit = file->addAction(QStringLiteral("&Quit"));
    quit->setObjectName(QStringLiteral("quitAction"));
    // Ctrl+Q on every Linux desktop; the platform's standard key is empty on some platforms.
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &PlantCommands::quitRequested);

    QMenu *go = menuBar->addMenu(QStringLiteral("&Go"));
    const struct
    {
        const char *title;
        Qt::Key key;
        AppTab tab;
        const char *name;
    } items[] = {
        {"&Today", Qt::Key_1, AppTab::today, "goTodayAction"},
        {"&My Plants", Qt::Key_2, AppTab::plants, "goPlantsAction"},
        {"&Explore", Qt::Key_3, AppTab::explore, "goExploreAction"},
    };
    for (const auto &item : items) {
        QAction *action = go->addAction(QString::fromLatin1(item.title));
        action->setObjectName(QString::fromLatin1(item.name));
        action->setShortcut(QKeySequence(Qt::CTRL | item.key));
        const AppTab tab = item.tab;
        // A place by name: the tab's list, not the page last left open in it.
        connect(action, &QAction::triggered, this, [this, tab] {
            m_state.showTabStart(tab);
            emit mainWindowRequested();
        });
    }

    // Only the commands made here: editing commands belong to the focused field's window.
    for (QMenu *menu : {file, go}) {
        for (QAction *action : menu->actions())
            action->setShortcutContext(Qt::ApplicationShortcut);
    }
}
