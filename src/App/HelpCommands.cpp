#include "App/HelpCommands.h"

#include "Views/AboutWindow.h"
#include "Views/ShortcutsWindow.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

void present(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

HelpCommands::HelpCommands(QObject *parent) : QObject(parent) {}

HelpCommands::~HelpCommands()
{
    delete m_shortcutsWindow;
    delete m_aboutWindow;
}

void HelpCommands::install(QMenuBar *menuBar)
{
    m_menuBar = menuBar;
    QMenu *help = menuBar->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    m_shortcuts = help->addAction(tr("&Keyboard Shortcuts"));
    m_shortcuts->setObjectName(QStringLiteral("shortcutsAction"));
    m_shortcuts->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Question));
    connect(m_shortcuts, &QAction::triggered, this, &HelpCommands::showShortcuts);
    help->addSeparator();
    m_about = help->addAction(tr("&About Tendrel"));
    m_about->setObjectName(QStringLiteral("aboutAction"));
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &HelpCommands::showAbout);
}

void HelpCommands::showShortcuts()
{
    if (!m_shortcutsWindow)
        m_shortcutsWindow = new ShortcutsWindow;
    // Read afresh: menus may have gained items since the window was last open.
    m_shortcutsWindow->setGroups(ShortcutsWindow::menuGroups(m_menuBar) + ShortcutsWindow::screenGroups());
    present(m_shortcutsWindow);
}

void HelpCommands::showAbout()
{
    if (!m_aboutWindow)
        m_aboutWindow = new AboutWindow;
    present(m_aboutWindow);
}
