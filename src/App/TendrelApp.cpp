#include "App/TendrelApp.h"

#include "App/PlantCommands.h"
#include "Platform/Preferences.h"
#include "Store/ModelStore.h"
#include "Views/Components/Accessibility.h"
#include "Views/RootView.h"
#include "Views/SettingsWindow.h"
#include "Views/State/AppState.h"

#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMenuBar>

TendrelApp::TendrelApp(QObject *parent) : TendrelApp(Options(), parent) {}

TendrelApp::TendrelApp(const Options &options, QObject *parent)
    : QObject(parent), m_state(new AppState(this)),
      m_preferences(options.settingsPath.isEmpty() ? new Preferences(this)
                                                   : new Preferences(options.settingsPath, this))
{
    if (options.inMemoryStore)
        m_store = ModelStore::openInMemory();
    else
        m_store = ModelStore::openDefault(options.storePath);
    // Without even an in-memory store there is nothing the app could show or keep.
    if (!m_store)
        qFatal("Tendrel cannot create a store for its plants");
    // Before the first window: interfaces handed out earlier would stay Qt's own.
    Accessibility::install();
    createMainWindow();
}

TendrelApp::~TendrelApp()
{
    delete m_settingsWindow;
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
    connect(m_commands, &PlantCommands::settingsRequested, this, &TendrelApp::showSettings);
    connect(m_commands, &PlantCommands::quitRequested, qApp, &QApplication::quit, Qt::QueuedConnection);

    m_rootView = new RootView(*m_store, *m_state, *m_preferences, window);
    window->setCentralWidget(m_rootView);
}

void TendrelApp::showMainWindow()
{
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
    if (!m_settingsWindow)
        m_settingsWindow = new SettingsWindow(*m_store, *m_state, *m_preferences);
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}
