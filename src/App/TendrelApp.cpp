#include "App/TendrelApp.h"

#include "App/AppearanceController.h"
#include "App/EditCommands.h"
#include "App/GardenCommands.h"
#include "App/HelpCommands.h"
#include "App/PlantCommands.h"
#include "App/UndoCommands.h"
#include "Platform/Preferences.h"
#include "Store/ModelStore.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/MessageBox.h"
#include "Views/RootView.h"
#include "Views/SettingsWindow.h"
#include "Views/State/AppState.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QFileInfo>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

TendrelApp::TendrelApp(QObject *parent) : TendrelApp(Options(), parent) {}

TendrelApp::TendrelApp(const Options &options, QObject *parent)
    : QObject(parent), m_windowState(!options.windowStatePath.isEmpty() ? options.windowStatePath
                                     : options.settingsPath.isEmpty()
                                         ? WindowState::defaultPath()
                                         : QFileInfo(options.settingsPath).absolutePath() + QLatin1Char('/') +
                                               QFileInfo(options.settingsPath).completeBaseName() +
                                               QStringLiteral("-window.ini")),
      m_state(new AppState(this)),
      m_preferences(options.settingsPath.isEmpty() ? new Preferences(this)
                                                   : new Preferences(options.settingsPath, this))
{
    if (options.inMemoryStore)
        m_store = ModelStore::openInMemory();
    else if (!options.storeRefusal.isEmpty())
        m_store = ModelStore::openStandIn(options.storeRefusal);
    else
        m_store = ModelStore::openDefault(options.storePath);
    // Without even an in-memory store there is nothing the app could show or keep.
    if (!m_store)
        qFatal("Tendrel cannot create a store for its plants");
    // Before the first window: interfaces handed out earlier would stay Qt's own.
    Accessibility::install();
    // The desktop's light or dark look is known before the first widget is made.
    m_appearance = new AppearanceController(QDBusConnection::sessionBus(), this);
    m_appearance->start();
    createMainWindow();
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, &TendrelApp::applicationStateChanged);
}

TendrelApp::~TendrelApp()
{
    delete m_settingsWindow;
    if (m_mainWindow && m_windowShown)
        m_windowState.save(m_mainWindow);
    delete m_mainWindow;
    if (m_store)
        m_store->flush();
}

void TendrelApp::createMainWindow()
{
    auto *window = new QMainWindow;
    window->setObjectName(QStringLiteral("mainWindow"));
    window->setWindowTitle(QStringLiteral("Tendrel"));
    window->setWindowIcon(QIcon(QStringLiteral(":/app/app.tendrel.Tendrel.svg")));
    window->resize(1100, 760);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_mainWindow = window;

    m_commands = new PlantCommands(*m_state, this);
    m_commands->install(window->menuBar());
    // Back up, restore and export sit in the File menu, before "Settings…".
    m_gardenCommands = new GardenCommands(*m_store, window, this);
    if (QMenu *file = window->menuBar()->actions().constFirst()->menu())
        m_gardenCommands->install(file, m_commands->settingsAction());
    // File, Edit, Go, Help: the Edit menu goes before the Go menu; the garden's steps, then text.
    auto *edit = new QMenu(tr("&Edit"), window->menuBar());
    edit->setObjectName(QStringLiteral("editMenu"));
    window->menuBar()->insertMenu(window->menuBar()->actions().value(1), edit);
    m_undoCommands = new UndoCommands(GardenHistory::of(*m_store), window, this);
    m_undoCommands->install(edit);
    // The shortcuts window names them without the step of the moment.
    m_undoCommands->undoAction()->setIconText(tr("Undo"));
    m_undoCommands->redoAction()->setIconText(tr("Redo"));
    m_editCommands = new EditCommands(this);
    m_editCommands->install(edit);
    m_helpCommands = new HelpCommands(this);
    m_helpCommands->install(window->menuBar());
    connect(m_commands, &PlantCommands::settingsRequested, this, &TendrelApp::showSettings);
    connect(m_commands, &PlantCommands::mainWindowRequested, this, &TendrelApp::raiseMainWindow);
    connect(m_commands, &PlantCommands::quitRequested, this, &TendrelApp::quit, Qt::QueuedConnection);
    // Closing the main window ends the session too: it asks the same question.
    window->installEventFilter(this);

    m_rootView = new RootView(*m_store, *m_state, *m_preferences, window);
    window->setCentralWidget(m_rootView);
}

void TendrelApp::applicationStateChanged(Qt::ApplicationState state)
{
    if (state == Qt::ApplicationActive && !m_store->saveError().isEmpty())
        m_store->flush();
}

void TendrelApp::showMainWindow()
{
    if (!m_windowShown) {
        m_windowShown = true;
        m_windowState.restore(m_mainWindow);
    }
    m_mainWindow->show();
}

void TendrelApp::raiseMainWindow()
{
    if (m_mainWindow->isMinimized())
        m_mainWindow->showNormal();
    m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

void TendrelApp::showSettings()
{
    if (!m_settingsWindow) {
        m_settingsWindow = new SettingsWindow(*m_store, *m_state, *m_preferences);
        m_undoCommands->attach(m_settingsWindow);
        m_editCommands->attach(m_settingsWindow);
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

bool TendrelApp::confirmQuit()
{
    // Quitting closes the main window, which asks again: one answer serves both.
    if (m_changesGivenUp)
        return true;
    while (!m_store->flush()) {
        const int choice = MessageBox::confirm(
            m_mainWindow, QStringLiteral("Tendrel couldn't save your latest changes."),
            m_store->saveError() + QStringLiteral("\n\nIf you quit now, these changes will be lost."),
            {{QStringLiteral("Try Again")}, {QStringLiteral("Quit Anyway"), MessageBox::Role::destructive}});
        if (choice == 1) {
            m_changesGivenUp = true;
            return true;
        }
        if (choice != 0)
            return false;
    }
    return true;
}

void TendrelApp::quit()
{
    if (confirmQuit())
        QApplication::quit();
}

bool TendrelApp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_mainWindow && event->type() == QEvent::Close && !confirmQuit()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
