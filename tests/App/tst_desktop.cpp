#include "Agent/support/PrivateBus.h"
#include "App/AppearanceController.h"
#include "App/EditCommands.h"
#include "App/HelpCommands.h"
#include "App/PlantCommands.h"
#include "App/TendrelApp.h"
#include "App/UndoCommands.h"
#include "App/support/FakeDesktopPortal.h"
#include "App/support/PinnedEnvironment.h"
#include "Models/Species.h"
#include "Platform/DesktopAppearance.h"
#include "Services/SampleData.h"
#include "Store/ModelStore.h"
#include "Views/AboutWindow.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/PhotoCreditLabel.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Theme.h"
#include "Views/Explore/ExploreView.h"
#include "Views/Plants/AddPlantFlow.h"
#include "Views/Plants/PlantFormView.h"
#include "Views/Plants/PlantsView.h"
#include "Views/RootView.h"
#include "Views/ShortcutsWindow.h"
#include "Views/State/AppState.h"
#include "fixtures/ImageFixtures.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmapCache>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Tendrel as a desktop citizen, through the real main window on a private session bus with a fake
// XDG desktop portal: the look follows the desktop's light or dark setting live, photos come from
// the desktop's chooser (or Qt's dialog when no portal answers), and the Edit and Help menus.
class DesktopTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    // First: its window is the first here to follow the portal, before any other test has made
    // the types of the portal's signal known.
    void appearanceFollowsTheDesktopLive();
    void screenFollowsALiveSwitch_data();
    void screenFollowsALiveSwitch();
    void desktopPreference_data();
    void desktopPreference();
    void photoFromTheDesktopChooser();
    void photoFromQtDialogWithoutPortal();
    void editMenuActsOnTheFocusedField();
    void helpMenuListsEveryShortcut();
    void aboutWindowFitsItsContent_data();
    void aboutWindowFitsItsContent();
    void windowSizeIsKeptBetweenSessions_data();
    void windowSizeIsKeptBetweenSessions();

private:
    std::unique_ptr<TendrelApp> makeApp(bool withSamples = false);
    PlantFormView *openForm(TendrelApp &app);
    QList<QImage> screens(TendrelApp &app);
    enum class Screen {
        today,
        plants,
        plantDetail,
        explore,
        speciesDetail,
        settings,
        addPlant,
        shortcuts,
        about
    };
    QWidget *openScreen(TendrelApp &app, Screen screen);

    std::unique_ptr<PrivateBus> m_bus;
    QDBusConnection m_portalConnection{QString()};
    std::unique_ptr<FakeDesktopPortal> m_portal;
    QTemporaryDir m_dir;
    std::unique_ptr<PinnedEnvironment> m_env;
    int m_apps = 0;
};

void DesktopTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qunsetenv("TENDREL_APPEARANCE");
    qunsetenv("GTK_THEME");
    Spring::setAnimationsEnabled(false);
    // A steady caret, so two renderings of a focused field are alike.
    QApplication::setCursorFlashTime(0);
    QVERIFY(m_dir.isValid());
    m_bus = std::make_unique<PrivateBus>();
    QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
    // The app finds its session bus here; nothing has connected to one before this point.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->address().toUtf8());
    QVERIFY(QDBusConnection::sessionBus().isConnected());
    m_portalConnection = QDBusConnection::connectToBus(m_bus->address(), QStringLiteral("fakePortal"));
    QVERIFY(m_portalConnection.isConnected());
}

void DesktopTest::init()
{
    m_env = std::make_unique<PinnedEnvironment>(PinnedEnvironment::at(QDate(2026, 5, 12), 10));
    m_portal = std::make_unique<FakeDesktopPortal>(m_portalConnection);
    QVERIFY(m_portal->registerOnBus());
    QTRY_VERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(FakeDesktopPortal::service()));
}

void DesktopTest::cleanup()
{
    m_portal.reset();
    m_env.reset();
}

void DesktopTest::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("fakePortal"));
}

std::unique_ptr<TendrelApp> DesktopTest::makeApp(bool withSamples)
{
    TendrelApp::Options options;
    options.inMemoryStore = true;
    options.settingsPath = m_dir.filePath(QStringLiteral("settings-%1.ini").arg(++m_apps));
    auto app = std::make_unique<TendrelApp>(options);
    if (withSamples)
        SampleData::load(app->store());
    app->mainWindow()->resize(1100, 760);
    app->showMainWindow();
    if (!QTest::qWaitForWindowExposed(app->mainWindow()))
        return nullptr;
    app->mainWindow()->activateWindow();
    if (!QTest::qWaitForWindowActive(app->mainWindow()))
        return nullptr;
    return app;
}

PlantFormView *DesktopTest::openForm(TendrelApp &app)
{
    // Two apps may be open here, and File's keys work from any window: the menu item of this one.
    app.commands()->newPlantAction()->trigger();
    if (!QTest::qWaitFor([&] { return app.rootView()->sheet() != nullptr; }))
        return nullptr;
    auto *flow = qobject_cast<AddPlantFlow *>(app.rootView()->sheet()->content());
    ListRow *row = flow ? flow->speciesRow(QStringLiteral("pothos")) : nullptr;
    if (!row || !QTest::qWaitFor([row] { return row->isVisible(); }))
        return nullptr;
    emit row->activated();
    auto *form = qobject_cast<PlantFormView *>(flow->navigationStack()->currentPage());
    if (!form || !QTest::qWaitFor([form] { return form->isVisible(); }))
        return nullptr;
    return form;
}

// What a user sees: the main window with the Today list and the add-plant form over it, the
// settings window, and My Plants under the form.
QList<QImage> DesktopTest::screens(TendrelApp &app)
{
    QCoreApplication::processEvents();
    QList<QImage> images{app.mainWindow()->grab().toImage(), app.settingsWindow()->grab().toImage()};
    app.state().setSelectedTab(AppTab::plants);
    QCoreApplication::processEvents();
    images.append(app.mainWindow()->grab().toImage());
    app.state().setSelectedTab(AppTab::today);
    return images;
}

void DesktopTest::desktopPreference_data()
{
    QTest::addColumn<QVariant>("portalValue");
    QTest::addColumn<QString>("gtkTheme");
    QTest::addColumn<int>("expected"); // -1 none, 0 light, 1 dark

    using Scheme = DesktopAppearance::Scheme;
    const auto wrapped = [](uint value) { return QVariant::fromValue(QDBusVariant(value)); };
    QTest::newRow("portal dark") << QVariant(uint(1)) << QString() << int(Scheme::dark);
    QTest::newRow("portal light beats a dark GTK theme")
        << QVariant(uint(2)) << QStringLiteral("Adwaita:dark") << int(Scheme::light);
    QTest::newRow("wrapped twice, as Read sends it")
        << QVariant::fromValue(QDBusVariant(wrapped(1))) << QString() << int(Scheme::dark);
    QTest::newRow("no preference, GTK theme dark")
        << QVariant(uint(0)) << QStringLiteral("Adwaita:dark") << int(Scheme::dark);
    QTest::newRow("no preference, GTK variant in capitals")
        << QVariant(uint(0)) << QStringLiteral("Breeze:DARK") << int(Scheme::dark);
    QTest::newRow("no preference, GTK theme without variant")
        << QVariant(uint(0)) << QStringLiteral("Adwaita-dark") << -1;
    QTest::newRow("unknown value") << QVariant(uint(7)) << QString() << -1;
    QTest::newRow("a string is no scheme") << QVariant(QStringLiteral("1")) << QString() << -1;
    QTest::newRow("no portal answer, GTK theme light") << QVariant() << QStringLiteral("Adwaita:light") << -1;
}

void DesktopTest::desktopPreference()
{
    QFETCH(QVariant, portalValue);
    QFETCH(QString, gtkTheme);
    QFETCH(int, expected);
    const auto portal = DesktopAppearance::schemeFromPortalValue(portalValue);
    const auto preference = DesktopAppearance::preferenceOf(portal, gtkTheme);
    QCOMPARE(preference ? int(*preference) : -1, expected);
}

void DesktopTest::appearanceFollowsTheDesktopLive()
{
    // The window is open and showing plants, a form and the settings when the desktop switches to
    // dark, then to light. Each time it must look exactly as a Tendrel started in that appearance.
    m_portal->setColorSchemeQuietly(0);
    auto app = makeApp(true);
    QVERIFY(app);
    QCOMPARE(Theme::current().appearance, Appearance::light);
    QVERIFY(openForm(*app));
    app->commands()->settingsAction()->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(app->settingsWindow()));

    for (const uint scheme : {1u, 2u}) {
        const Appearance wanted = scheme == 1 ? Appearance::dark : Appearance::light;
        QSignalSpy changed(app->appearance(), &AppearanceController::appearanceChanged);
        m_portal->setColorScheme(scheme);
        QTRY_COMPARE(Theme::current().appearance, wanted);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(QApplication::palette().color(QPalette::Window), Theme::current().colors.windowBackground);
        // The same setting again changes nothing.
        m_portal->setColorScheme(scheme);
        QTest::qWait(50);
        QCOMPARE(changed.size(), 1);
        auto fresh = makeApp(true);
        QVERIFY(fresh);
        // Started while the desktop is in this appearance: right from the first frame.
        QCOMPARE(Theme::current().appearance, wanted);
        QVERIFY(openForm(*fresh));
        fresh->commands()->settingsAction()->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(fresh->settingsWindow()));
        // Pictures and cards may still be arriving: compare until both have settled.
        QList<QImage> live, started;
        const bool alike = QTest::qWaitFor([&] {
            live = screens(*app);
            started = screens(*fresh);
            return live == started;
        });
        for (int i = 0; !alike && i < live.size(); ++i) {
            if (live[i] == started[i])
                continue;
            live[i].save(m_dir.filePath(QStringLiteral("live-%1-%2.png").arg(scheme).arg(i)));
            started[i].save(m_dir.filePath(QStringLiteral("started-%1-%2.png").arg(scheme).arg(i)));
            m_dir.setAutoRemove(false);
            QFAIL(qPrintable(
                QStringLiteral("screen %1 differs after a live switch; see %2").arg(i).arg(m_dir.path())));
        }
        fresh.reset();
        // The portal's word stays in force for the open window.
        QCOMPARE(Theme::current().appearance, wanted);
    }
}

// Opens screen as a user would and returns the window it shows in, or null if it did not show.
QWidget *DesktopTest::openScreen(TendrelApp &app, Screen screen)
{
    RootView *root = app.rootView();
    QWidget *window = app.mainWindow();
    switch (screen) {
    case Screen::today:
        break;
    case Screen::plants:
    case Screen::plantDetail: {
        app.state().setSelectedTab(AppTab::plants);
        auto *plants = qobject_cast<PlantsView *>(root->navigationStack(AppTab::plants)->currentPage());
        if (screen == Screen::plantDetail && plants && !plants->filtered().isEmpty())
            emit plants->plantChosen(plants->filtered().constFirst());
        break;
    }
    case Screen::explore:
    case Screen::speciesDetail: {
        app.state().setSelectedTab(AppTab::explore);
        auto *explore = qobject_cast<ExploreView *>(root->navigationStack(AppTab::explore)->currentPage());
        if (screen == Screen::speciesDetail && explore)
            explore->open(explore->shownSpecies().constFirst());
        break;
    }
    case Screen::settings:
        app.commands()->settingsAction()->trigger();
        window = app.settingsWindow();
        break;
    case Screen::addPlant:
        app.commands()->newPlantAction()->trigger();
        if (!QTest::qWaitFor([root] { return root->sheet() != nullptr; }))
            return nullptr;
        break;
    case Screen::shortcuts:
        app.helpCommands()->shortcutsAction()->trigger();
        window = app.helpCommands()->shortcutsWindow();
        break;
    case Screen::about:
        app.helpCommands()->aboutAction()->trigger();
        window = app.helpCommands()->aboutWindow();
        break;
    }
    return window && QTest::qWaitForWindowExposed(window) ? window : nullptr;
}

void DesktopTest::screenFollowsALiveSwitch_data()
{
    QTest::addColumn<Screen>("screen");
    QTest::newRow("Today") << Screen::today;
    QTest::newRow("My Plants") << Screen::plants;
    QTest::newRow("plant detail") << Screen::plantDetail;
    QTest::newRow("Explore") << Screen::explore;
    QTest::newRow("species detail") << Screen::speciesDetail;
    QTest::newRow("Settings") << Screen::settings;
    QTest::newRow("add a plant") << Screen::addPlant;
    QTest::newRow("Keyboard Shortcuts") << Screen::shortcuts;
    QTest::newRow("About") << Screen::about;
}

// What window shows on screen once its pictures and cards have arrived: two looks in a row alike.
static QImage settled(QWidget *window)
{
    const auto shown = [window] {
        QCoreApplication::processEvents();
        return window->screen()->grabWindow(window->winId()).toImage();
    };
    QImage image = shown();
    // Still changing after the wait: the caller's comparison says how.
    static_cast<void>(QTest::qWaitFor([&] {
        QTest::qWait(50);
        QImage again = shown();
        return std::exchange(image, std::move(again)) == image;
    }));
    return image;
}

// Pixels of a and b that differ by more than a rounding step in some channel.
static int differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            const int d = std::max({qAbs(qRed(p[column]) - qRed(q[column])),
                                    qAbs(qGreen(p[column]) - qGreen(q[column])),
                                    qAbs(qBlue(p[column]) - qBlue(q[column]))});
            count += d > 4 ? 1 : 0;
        }
    }
    return count;
}

void DesktopTest::screenFollowsALiveSwitch()
{
    // The screen is open while the desktop switches to dark, then back to light: each time it
    // looks as the same screen of a Tendrel started in that appearance. Kept drawings are
    // forgotten before each start, so neither window borrows the other's.
    QFETCH(Screen, screen);
    QMap<uint, QImage> started;
    std::unique_ptr<TendrelApp> app;
    QWidget *live = nullptr;
    for (const uint scheme : {1u, 2u}) {
        m_portal->setColorSchemeQuietly(scheme);
        QPixmapCache::clear();
        app = makeApp(true);
        QVERIFY(app);
        live = openScreen(*app, screen);
        QVERIFY(live);
        started[scheme] = settled(live);
    }
    for (const uint scheme : {1u, 2u}) {
        m_portal->setColorScheme(scheme);
        QTRY_COMPARE(Theme::current().appearance, scheme == 1 ? Appearance::dark : Appearance::light);
        const QImage now = settled(live);
        if (differingPixels(now, started[scheme]) > 0) {
            m_dir.setAutoRemove(false);
            const QString name = QString::fromLatin1(QTest::currentDataTag()) + QString::number(scheme);
            now.save(m_dir.filePath(name + QStringLiteral("-live.png")));
            started[scheme].save(m_dir.filePath(name + QStringLiteral("-started.png")));
            QFAIL(qPrintable(QStringLiteral("differs after a live switch; see %1").arg(m_dir.path())));
        }
    }
}

void DesktopTest::photoFromTheDesktopChooser()
{
    const QString path = m_dir.filePath(QStringLiteral("portal-photo.jpg"));
    QVERIFY(ImageFixtures::naturalPicture(800, 600).save(path, "JPEG", 90));
    auto app = makeApp();
    QVERIFY(app);
    PlantFormView *form = openForm(*app);
    QVERIFY(form);
    auto *button = form->findChild<GlassButton *>(QStringLiteral("photoButton"));
    QVERIFY(button);

    // Clicked twice while the desktop's chooser is open: one chooser.
    m_portal->holdAnswers(true);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE(m_portal->openFileCalls().size(), 1);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::qWait(100);
    QCOMPARE(m_portal->openFileCalls().size(), 1);
    QVERIFY(!app->mainWindow()->findChild<QFileDialog *>());
    const FakeDesktopPortal::OpenFileCall call = m_portal->openFileCalls().constFirst();
    QCOMPARE(call.title, QStringLiteral("Choose a Photo"));
    QVERIFY(call.filterRules.contains(QStringLiteral("image/jpeg")));
    QVERIFY(call.filterRules.contains(QStringLiteral("image/png")));
    QVERIFY(!call.filterRules.contains(QStringLiteral("text/plain")));
    QCOMPARE(call.options.value(QStringLiteral("multiple")).toBool(), false);

    m_portal->answer(path);
    QTRY_VERIFY(form->photo().has_value());
    QTRY_VERIFY(!form->isProcessingPhoto());

    // Cancelled in the desktop's chooser: the photo stays.
    const QByteArray before = *form->photo();
    m_portal->holdAnswers(false);
    m_portal->setNextAnswer(std::nullopt);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE(m_portal->openFileCalls().size(), 2);
    QTest::qWait(100);
    QVERIFY(!form->isProcessingPhoto());
    QCOMPARE(*form->photo(), before);
    QVERIFY(!app->mainWindow()->findChild<QFileDialog *>());
}

void DesktopTest::photoFromQtDialogWithoutPortal()
{
    m_portal->unregister();
    QTRY_VERIFY(
        !QDBusConnection::sessionBus().interface()->isServiceRegistered(FakeDesktopPortal::service()));
    const QString path = m_dir.filePath(QStringLiteral("dialog-photo.png"));
    QVERIFY(ImageFixtures::naturalPicture(640, 480).save(path, "PNG"));
    auto app = makeApp();
    QVERIFY(app);
    PlantFormView *form = openForm(*app);
    QVERIFY(form);
    auto *button = form->findChild<GlassButton *>(QStringLiteral("photoButton"));
    QTest::mouseClick(button, Qt::LeftButton);
    QPointer<QFileDialog> dialog;
    QTRY_VERIFY((dialog = app->mainWindow()->findChild<QFileDialog *>(QStringLiteral("photoChooser"))));
    QTRY_VERIFY(dialog->isVisible());
    QVERIFY(dialog->nameFilters().constFirst().contains(QStringLiteral("*.png")));
    // A second click while the dialog is open opens no second one.
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::qWait(100);
    QCOMPARE(app->mainWindow()->findChildren<QFileDialog *>().size(), 1);
    // Typed into the dialog's file name field, as a user would.
    auto *fileName = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(fileName);
    fileName->setFocus();
    QTest::keyClicks(fileName, path);
    QTest::keyClick(fileName, Qt::Key_Return);
    QTRY_VERIFY(!dialog);
    QTRY_VERIFY(form->photo().has_value());
    QTRY_VERIFY(!form->isProcessingPhoto());
}

void DesktopTest::editMenuActsOnTheFocusedField()
{
    auto app = makeApp();
    QVERIFY(app);
    EditCommands *edit = app->editCommands();
    using Command = EditCommands::Command;
    // One Edit menu: the garden's steps first, then the text actions.
    QStringList names;
    for (const QAction *item : edit->menu()->actions())
        names.append(item->objectName());
    names.removeAll(QString());
    QCOMPARE(names, (QStringList{QStringLiteral("undoAction"), QStringLiteral("redoAction"),
                                 QStringLiteral("cutAction"), QStringLiteral("copyAction"),
                                 QStringLiteral("pasteAction"), QStringLiteral("selectAllAction")}));
    // No text field has the focus: nothing to do.
    app->rootView()->setFocus();
    for (Command command : {Command::cut, Command::copy, Command::paste, Command::selectAll})
        QVERIFY(!edit->action(command)->isEnabled());

    PlantFormView *form = openForm(*app);
    QVERIFY(form);
    QLineEdit *name = form->nameField();
    QTRY_VERIFY(name->hasFocus());
    QTest::keyClicks(name, QStringLiteral("Fish & <b>Chips"));
    emit edit->menu()->aboutToShow();
    QVERIFY(!edit->action(Command::copy)->isEnabled());

    edit->action(Command::selectAll)->trigger();
    QCOMPARE(name->selectedText(), QStringLiteral("Fish & <b>Chips"));
    QVERIFY(edit->action(Command::cut)->isEnabled());
    QGuiApplication::clipboard()->clear();
    edit->action(Command::copy)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Fish & <b>Chips"));
    edit->action(Command::cut)->trigger();
    QCOMPARE(name->text(), QString());
    // Pasted twice: twice the text, as typing it twice would.
    edit->action(Command::paste)->trigger();
    edit->action(Command::paste)->trigger();
    QCOMPARE(name->text(), QStringLiteral("Fish & <b>ChipsFish & <b>Chips"));

    // The notes are a multi-line field; the same menu serves them.
    auto *notes = form->findChild<QPlainTextEdit *>(QStringLiteral("notesEditor"));
    QVERIFY(notes);
    notes->setFocus();
    QTRY_VERIFY(notes->hasFocus());
    edit->action(Command::paste)->trigger();
    QCOMPARE(notes->toPlainText(), QStringLiteral("Fish & <b>Chips"));
    edit->action(Command::selectAll)->trigger();
    edit->action(Command::cut)->trigger();
    QCOMPARE(notes->toPlainText(), QString());
    // The name field kept its own text.
    QCOMPARE(name->text(), QStringLiteral("Fish & <b>ChipsFish & <b>Chips"));
}

void DesktopTest::helpMenuListsEveryShortcut()
{
    auto app = makeApp();
    QVERIFY(app);
    QMenuBar *bar = app->mainWindow()->menuBar();
    QStringList menuTitles;
    QList<const QAction *> items;
    for (const QAction *menuAction : bar->actions()) {
        menuTitles.append(menuAction->text());
        for (const QAction *item : menuAction->menu()->actions()) {
            if (item->isSeparator())
                continue;
            items.append(item);
            // Every item has its accelerator, and every command its shortcut (About, by desktop
            // convention, has none).
            // (The garden's Undo and Redo name their step as written, with no accelerator.)
            QVERIFY2(QKeySequence::mnemonic(item->text()) != QKeySequence() ||
                         item == app->undoCommands()->undoAction() ||
                         item == app->undoCommands()->redoAction(),
                     qPrintable(item->text()));
            QVERIFY2(!item->shortcut().isEmpty() || item->menuRole() == QAction::AboutRole,
                     qPrintable(item->text()));
        }
    }
    QCOMPARE(menuTitles, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&Go"),
                                      QStringLiteral("&Help")}));

    QTest::keyClick(app->mainWindow(), Qt::Key_Question, Qt::ControlModifier);
    QTRY_VERIFY(app->helpCommands()->shortcutsWindow() &&
                app->helpCommands()->shortcutsWindow()->isVisible());
    ShortcutsWindow *window = app->helpCommands()->shortcutsWindow();
    QStringList listed;
    for (const ShortcutsWindow::Group &group : window->groups()) {
        for (const ShortcutsWindow::Shortcut &shortcut : group.shortcuts)
            listed.append(shortcut.action + QLatin1Char('=') + ShortcutsWindow::keysText(shortcut));
    }
    for (const QAction *item : items) {
        if (item->shortcut().isEmpty())
            continue;
        QString title = item->iconText();
        if (title.endsWith(QChar(0x2026)))
            title.chop(1);
        const QString entry = title + QLatin1Char('=') + item->shortcut().toString(QKeySequence::NativeText);
        QVERIFY2(listed.contains(entry), qPrintable(entry));
    }
    QVERIFY(listed.contains(QStringLiteral("New Plant=Ctrl+N")));
    // Asked for again: the same window, not a second one.
    QTest::keyClick(app->mainWindow(), Qt::Key_Question, Qt::ControlModifier);
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(
        std::count_if(windows.cbegin(), windows.cend(),
                      [](const QWidget *w) { return w->objectName() == QStringLiteral("shortcutsWindow"); }),
        1);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(!window->isVisible());

    app->helpCommands()->aboutAction()->trigger();
    AboutWindow *about = app->helpCommands()->aboutWindow();
    QVERIFY(about);
    QVERIFY(QTest::qWaitForWindowActive(about));
    const auto labels = about->findChildren<QLabel *>();
    const auto shows = [&labels](const QString &text) {
        return std::any_of(labels.cbegin(), labels.cend(),
                           [&text](const QLabel *label) { return label->text().contains(text); });
    };
    QVERIFY(shows(QStringLiteral("Version ") + QCoreApplication::applicationVersion()));
    QVERIFY(shows(QStringLiteral("Phosphor Icons")));
    QVERIFY(shows(QStringLiteral("MIT")));
    QVERIFY(shows(AboutWindow::licenceText()));
    QVERIFY(shows(AboutWindow::websiteUrl().host()));
    // Every species photograph that ships is credited.
    int photographs = 0;
    for (const Species &species : Species::catalog())
        photographs += species.hasImage() && PhotoCreditLabel::lineFor(species.photoCredit(), true) ? 1 : 0;
    QCOMPARE(about->findChildren<ListRow *>(QStringLiteral("aboutPhotoCredit")).size(), photographs);
    QTest::keyClick(about, Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(!about->isVisible());
}

void DesktopTest::aboutWindowFitsItsContent_data()
{
    QTest::addColumn<qreal>("fontScale");
    QTest::addColumn<Appearance>("appearance");
    QTest::newRow("light") << 1.0 << Appearance::light;
    QTest::newRow("dark") << 1.0 << Appearance::dark;
    QTest::newRow("large font") << 1.5 << Appearance::light;
    QTest::newRow("font too large for the screen") << 4.0 << Appearance::dark;
}

void DesktopTest::aboutWindowFitsItsContent()
{
    // As large as what it shows, down to the last credit: no empty space below it, nothing hidden
    // or cut off; taller than the screen allows, it stops short of the screen's height and scrolls.
    QFETCH(qreal, fontScale);
    QFETCH(Appearance, appearance);
    const QFont original = QApplication::font();
    QFont font = original;
    font.setPointSizeF(original.pointSizeF() * fontScale);
    QApplication::setFont(font);
    Theme::setAppearanceOverride(appearance);
    Theme::applyToApplication();
    const auto restore = qScopeGuard([&original] {
        QApplication::setFont(original);
        Theme::setAppearanceOverride(std::nullopt);
        Theme::applyToApplication();
    });

    AboutWindow about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto *page = about.findChild<QScrollArea *>();
    QVERIFY(page);
    const QWidget *last = about.findChild<QWidget *>(QStringLiteral("aboutCredits"));
    QVERIFY(last);
    const int contentBottom = last->mapTo(page->widget(), QPoint(0, last->height())).y();
    const int padding = Theme::current().contentPadding;
    const int screenHeight = about.screen()->availableGeometry().height();
    QVERIFY(about.height() < screenHeight);
    if (contentBottom + padding <= screenHeight * 0.8) {
        QCOMPARE(about.height(), contentBottom + padding);
        QCOMPARE(page->verticalScrollBar()->maximum(), 0);
        // Nothing cut off at the side either.
        QCOMPARE(page->widget()->width(), page->viewport()->width());
    } else {
        QVERIFY(about.height() > screenHeight / 2);
        QCOMPARE(page->verticalScrollBar()->maximum(), contentBottom + padding - about.height());
    }
    QVERIFY(about.width() >= about.minimumWidth());
}

void DesktopTest::windowSizeIsKeptBetweenSessions_data()
{
    QTest::addColumn<QByteArray>("kept"); // the file before the second session; empty: a first one writes it
    QTest::addColumn<bool>("maximizeFirst");
    QTest::addColumn<QSize>("expected"); // invalid: the screen's available size
    QTest::addColumn<bool>("maximized");
    QTest::newRow("size of the last session") << QByteArray() << false << QSize(780, 560) << false;
    QTest::newRow("maximized, with the size it goes back to")
        << QByteArray() << true << QSize(780, 560) << true;
    QTest::newRow("larger than the screen")
        << QByteArray("[window]\nwidth=9000\nheight=7000\n") << false << QSize() << false;
    QTest::newRow("nonsense") << QByteArray("[window]\nwidth=-4\nheight=huge\nmaximized=perhaps\n") << false
                              << QSize(1100, 760) << false;
}

void DesktopTest::windowSizeIsKeptBetweenSessions()
{
    QFETCH(QByteArray, kept);
    QFETCH(bool, maximizeFirst);
    QFETCH(QSize, expected);
    QFETCH(bool, maximized);
    TendrelApp::Options options;
    options.inMemoryStore = true;
    options.settingsPath = m_dir.filePath(QStringLiteral("settings-%1.ini").arg(++m_apps));
    const QString statePath = m_dir.filePath(QStringLiteral("settings-%1-window.ini").arg(m_apps));
    const auto start = [&] {
        auto app = std::make_unique<TendrelApp>(options);
        app->mainWindow()->resize(1100, 760);
        app->showMainWindow();
        return QTest::qWaitForWindowExposed(app->mainWindow()) ? std::move(app) : nullptr;
    };
    if (kept.isEmpty()) {
        auto first = start();
        QVERIFY(first);
        first->mainWindow()->resize(780, 560);
        if (maximizeFirst) {
            first->mainWindow()->showMaximized();
            QTRY_VERIFY(first->mainWindow()->isMaximized());
        }
        first.reset();
        const QSettings written(statePath, QSettings::IniFormat);
        QCOMPARE(QSize(written.value(QStringLiteral("window/width")).toInt(),
                       written.value(QStringLiteral("window/height")).toInt()),
                 expected);
    } else {
        QFile file(statePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kept);
    }
    QVERIFY(QFileInfo::exists(statePath));

    auto app = start();
    QVERIFY(app);
    QMainWindow *window = app->mainWindow();
    QCOMPARE(window->isMaximized(), maximized);
    if (maximized)
        return;
    const QSize screen = window->screen()->availableSize();
    QCOMPARE(window->size(), expected.isValid() ? expected : screen.expandedTo(window->minimumSize()));
}

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
