#include "App/HelpCommands.h"
#include "App/InstanceLockCheck.h"
#include "App/PlantCommands.h"
#include "App/SingleInstance.h"
#include "App/TendrelApp.h"
#include "App/UndoCommands.h"
#include "App/support/PinnedEnvironment.h"
#include "Core/Calendar.h"
#include "Core/DayClock.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Preferences.h"
#include "Services/SampleData.h"
#include "Store/ModelStore.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Sidebar.h"
#include "Views/Components/SidebarItem.h"
#include "Views/Components/Spring.h"
#include "Views/Components/TextLabel.h"
#include "Views/Plants/AddPlantFlow.h"
#include "Views/Plants/PlantCard.h"
#include "Views/Plants/PlantGrid.h"
#include "Views/Plants/PlantsView.h"
#include "Views/RootView.h"
#include "Views/ShortcutsWindow.h"
#include "Views/State/AppState.h"
#include "Views/Today/TaskRow.h"
#include "Views/Today/TodayView.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScopeGuard>
#include <QScrollArea>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a tool tip shows: Qt takes text that looks like markup for rich text.
QString shownText(const QString &toolTip)
{
    QTextDocument document;
    if (Qt::mightBeRichText(toolTip))
        document.setHtml(toolTip);
    else
        document.setPlainText(toolTip);
    return document.toPlainText();
}

bool chattr(const QString &flag, const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("chattr"), {flag, path});
    return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Files made immutable, which even root cannot write (tests run as root, which ignores permission
// bits); thawed in reverse order when it goes.
class Frozen final
{
public:
    explicit Frozen(QStringList paths) : m_paths(std::move(paths)) {}
    ~Frozen() { thaw(); }
    Frozen(const Frozen &) = delete;
    Frozen &operator=(const Frozen &) = delete;

    bool freeze()
    {
        m_frozen = true;
        return std::all_of(m_paths.cbegin(), m_paths.cend(),
                           [](const QString &path) { return chattr(QStringLiteral("+i"), path); });
    }
    bool thaw()
    {
        if (!m_frozen)
            return true;
        m_frozen = false;
        bool thawed = true;
        for (auto it = m_paths.crbegin(); it != m_paths.crend(); ++it)
            thawed = chattr(QStringLiteral("-i"), *it) && thawed;
        return thawed;
    }

private:
    QStringList m_paths;
    bool m_frozen = false;
};

// Every file below folder with its bytes (a folder's as empty).
QMap<QString, QByteArray> folderBytes(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        files.insert(path, QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                                      : QByteArray());
    }
    return files;
}

} // namespace

// The application shell driven through its real main window, offscreen, with a pinned clock, an
// in-memory store and a recording notification centre.
class ShellTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void signatureOfEmptyGarden();
    void signatureIgnoresOrderAndDisabledKinds();
    void signatureSortsNamesInNormalForm_data();
    void signatureSortsNamesInNormalForm();
    void badgeCountsSampleTasks();
    void newPlantOpensSheetOverCurrentTab();
    void goMenuSwitchesTabs();
    void choosingATabAgainShowsItsFirstPage_data();
    void choosingATabAgainShowsItsFirstPage();
    void tabVisitsEachStopOnceAsSeen_data();
    void tabVisitsEachStopOnceAsSeen();
    void menuBarStaysUsableOverTheSheet();
    void escapeFromTheMenuBarGivesFocusBack_data();
    void escapeFromTheMenuBarGivesFocusBack();
    void downFromTheSpeciesSearchEntersTheList();
    void cutNamesShowWholeInTheirToolTip_data();
    void cutNamesShowWholeInTheirToolTip();
    void shortcutsWindowSaysWhatTheKeysDo_data();
    void shortcutsWindowSaysWhatTheKeysDo();
    void commandsWorkFromTheSettingsWindow_data();
    void commandsWorkFromTheSettingsWindow();
    void remindersFollowSignatureAndActivation();
    void unreadableStoreShowsBannerAndKeepsFile();
    void refusalReasonShowsAsPlainText();
    void refusedStoreShowsBannerAtOnce_data();
    void refusedStoreShowsBannerAtOnce();
    void failingSavesShowBannerAndQuitAsks();
    void saveBannerGoesWhenTheUnsavedStepIsUndone();
    void instanceLockDecidesTheStart_data();
    void instanceLockDecidesTheStart();

private:
    std::unique_ptr<TendrelApp> makeApp(TendrelApp::Options options = {});
    // The app on a store file in its own folder, holding one saved plant; files are the folder and
    // the store's log, to freeze when its saves should fail.
    struct SavedFern
    {
        std::unique_ptr<TendrelApp> app;
        Plant *plant = nullptr;
        QWidget *banner = nullptr;
        std::unique_ptr<Frozen> files;
    };
    SavedFern savedFern(const QString &folderName);

    QTemporaryDir m_dir;
    std::unique_ptr<PinnedEnvironment> m_env;
};

void ShellTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void ShellTest::init()
{
    m_env = std::make_unique<PinnedEnvironment>(PinnedEnvironment::at(QDate(2026, 12, 7), 10));
}

void ShellTest::cleanup()
{
    m_env.reset();
}

ShellTest::SavedFern ShellTest::savedFern(const QString &folderName)
{
    const QString folder = m_dir.filePath(folderName);
    TendrelApp::Options options;
    options.storePath = folder + QStringLiteral("/tendrel.sqlite");
    SavedFern fern;
    fern.app = makeApp(options);
    if (!fern.app)
        return fern;
    fern.plant = new Plant(QStringLiteral("Fern"), Species::custom(), QStringLiteral("Hall"));
    fern.app->store().insert(fern.plant);
    fern.banner = fern.app->rootView()->saveBanner();
    if (!fern.app->store().flush() || !fern.banner || fern.banner->isVisible())
        fern.app.reset();
    fern.files = std::make_unique<Frozen>(QStringList{folder, options.storePath + QStringLiteral("-wal")});
    return fern;
}

std::unique_ptr<TendrelApp> ShellTest::makeApp(TendrelApp::Options options)
{
    if (options.storePath.isEmpty())
        options.inMemoryStore = true;
    if (options.settingsPath.isEmpty())
        options.settingsPath = m_dir.filePath(
            QStringLiteral("settings-%1.ini").arg(QString::fromLatin1(QTest::currentTestFunction())));
    auto app = std::make_unique<TendrelApp>(options);
    app->showMainWindow();
    if (!QTest::qWaitForWindowExposed(app->mainWindow()))
        return nullptr;
    app->mainWindow()->activateWindow();
    if (!QTest::qWaitForWindowActive(app->mainWindow()))
        return nullptr;
    return app;
}

void ShellTest::signatureOfEmptyGarden()
{
    QCOMPARE(RootView::scheduleSignature({}, false, 540), QStringLiteral("false|540|"));
    QCOMPARE(RootView::scheduleSignature({}, true, 0), QStringLiteral("true|0|"));
}

void ShellTest::signatureIgnoresOrderAndDisabledKinds()
{
    Plant fern(QStringLiteral("Fern"), Species::find(u"fern"), QStringLiteral("Bathroom"));
    Plant aloe(QStringLiteral("Aloe"), Species::find(u"aloe"), QStringLiteral("Office"));
    Plant resting(QStringLiteral("Resting"), Species::custom(), QStringLiteral("Hall"));
    resting.setWaterInterval(0);
    resting.setFertilizeInterval(-3);
    resting.setMistInterval(0);
    fern.setDateAdded(m_env->clock.now().addDays(-10));

    const QString forward = RootView::scheduleSignature({&fern, &aloe, &resting}, true, 465);
    QCOMPARE(RootView::scheduleSignature({&resting, &aloe, &fern}, true, 465), forward);
    QVERIFY(!forward.contains(QStringLiteral("Resting")));

    // Start-of-day due dates are whole seconds, written with one fractional digit.
    const QDateTime due = *aloe.nextDue(CareKind::water);
    const QString piece =
        QStringLiteral("Aloewater") + QString::number(due.toSecsSinceEpoch()) + QStringLiteral(".0");
    QVERIFY2(forward.contains(piece), qPrintable(forward));
    QVERIFY(forward.startsWith(QStringLiteral("true|465|Aloe")));

    fern.setNotes(QStringLiteral("repotted in spring"));
    fern.setSite(QStringLiteral("Kitchen"));
    QCOMPARE(RootView::scheduleSignature({&fern, &aloe, &resting}, true, 465), forward);
    fern.markDone(CareKind::water, m_env->clock.now());
    QVERIFY(RootView::scheduleSignature({&fern, &aloe, &resting}, true, 465) != forward);
}

void ShellTest::signatureSortsNamesInNormalForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("composed") << QStringLiteral("\u00C9va");
    QTest::newRow("decomposed") << QStringLiteral("E\u0301va");
}

void ShellTest::signatureSortsNamesInNormalForm()
{
    QFETCH(QString, name);
    Plant eva(name, Species::custom(), QStringLiteral("Hall"));
    Plant fern(QStringLiteral("Fern"), Species::custom(), QStringLiteral("Hall"));
    for (Plant *plant : {&eva, &fern}) {
        plant->setFertilizeInterval(0);
        plant->setMistInterval(0);
    }
    // "É" sorts after "F" in either spelling, as everywhere else plain text order is used.
    const QString signature = RootView::scheduleSignature({&eva, &fern}, true, 465);
    QVERIFY2(signature.startsWith(QStringLiteral("true|465|Fernwater")), qPrintable(signature));
    QCOMPARE(RootView::scheduleSignature({&fern, &eva}, true, 465), signature);
    QVERIFY(signature.contains(name + QStringLiteral("water"))); // the name itself as stored
}

void ShellTest::badgeCountsSampleTasks()
{
    auto app = makeApp();
    QVERIFY(app);
    Sidebar *sidebar = app->rootView()->sidebar();
    QCOMPARE(sidebar->badge(0), 0);
    SampleData::load(app->store());
    QTRY_COMPARE(sidebar->badge(0), 6);
    QCOMPARE(sidebar->badge(1), 0);

    // Marking one due task done lowers the badge by one.
    Plant *goldie = nullptr;
    for (Plant *plant : app->store().plants()) {
        if (plant->name() == QLatin1String("Goldie"))
            goldie = plant;
    }
    QVERIFY(goldie);
    goldie->markDone(CareKind::water, m_env->clock.now());
    QTRY_COMPARE(sidebar->badge(0), 5);

    // A new day brings the next tasks in without a restart.
    m_env->clock.advance(24LL * 3600 * 1000);
    DayClock::instance().check();
    QTRY_VERIFY(sidebar->badge(0) > 5);
}

void ShellTest::newPlantOpensSheetOverCurrentTab()
{
    auto app = makeApp();
    QVERIFY(app);
    app->state().setSelectedTab(AppTab::explore);
    QTest::keyClick(app->mainWindow(), Qt::Key_N, Qt::ControlModifier);
    QTRY_VERIFY(app->state().isAddingPlant());
    QVERIFY(app->rootView()->sheet());
    QCOMPARE(app->state().selectedTab(), AppTab::explore);

    // Escape dismisses the sheet and clears the state through the binding.
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : app->rootView()->sheet(),
                    Qt::Key_Escape);
    QTRY_VERIFY(!app->state().isAddingPlant());
    QTRY_VERIFY(!app->rootView()->sheet() || app->rootView()->sheet()->isDismissed());

    // Setting the state opens it again; clearing it closes it.
    app->state().setAddingPlant(true);
    QTRY_VERIFY(app->rootView()->sheet() && !app->rootView()->sheet()->isDismissed());
    app->state().setAddingPlant(false);
    QTRY_VERIFY(!app->rootView()->sheet() || app->rootView()->sheet()->isDismissed());
}

void ShellTest::goMenuSwitchesTabs()
{
    auto app = makeApp();
    QVERIFY(app);
    const struct
    {
        Qt::Key key;
        AppTab tab;
        int index;
    } steps[] = {
        {Qt::Key_3, AppTab::explore, 2}, {Qt::Key_2, AppTab::plants, 1}, {Qt::Key_1, AppTab::today, 0}};
    for (const auto &step : steps) {
        QTest::keyClick(app->mainWindow(), step.key, Qt::ControlModifier);
        QTRY_COMPARE(app->state().selectedTab(), step.tab);
        QCOMPARE(app->rootView()->sidebar()->currentIndex(), step.index);
    }
    // Choosing in the sidebar writes the shared state back.
    app->rootView()->sidebar()->setCurrentIndex(2);
    QCOMPARE(app->state().selectedTab(), AppTab::explore);
}

void ShellTest::choosingATabAgainShowsItsFirstPage_data()
{
    QTest::addColumn<bool>("fromAnotherTab");
    QTest::addColumn<bool>("byMenu"); // Ctrl+2, or a click on the sidebar's My Plants
    QTest::addColumn<int>("depth");   // of My Plants' pages afterwards
    QTest::newRow("sidebar, shown tab") << false << false << 1;
    QTest::newRow("sidebar, from Today") << true << false << 2;
    QTest::newRow("Ctrl+2, shown tab") << false << true << 1;
    QTest::newRow("Ctrl+2, from Today") << true << true << 1;
}

// Choosing the tab on show goes back to its list; another tab's item comes back to where that tab
// was left, while the Go menu names a place and always opens the tab's list.
void ShellTest::choosingATabAgainShowsItsFirstPage()
{
    QFETCH(bool, fromAnotherTab);
    QFETCH(bool, byMenu);
    QFETCH(int, depth);
    Spring::setAnimationsEnabled(false);
    const auto restore = qScopeGuard([] { Spring::setAnimationsEnabled(true); });
    auto app = makeApp();
    QVERIFY(app);
    SampleData::load(app->store());
    Sidebar *sidebar = app->rootView()->sidebar();
    QTest::mouseClick(sidebar->item(1), Qt::LeftButton);
    QCOMPARE(app->state().selectedTab(), AppTab::plants);
    auto *plants = qobject_cast<PlantsView *>(app->rootView()->navigationStack(AppTab::plants)->page(0));
    QTRY_VERIFY(!plants->grid()->plants().isEmpty());
    plants->grid()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(plants->grid(), Qt::Key_Return);
    NavigationStack *stack = app->rootView()->navigationStack(AppTab::plants);
    QCOMPARE(stack->depth(), 2);

    if (fromAnotherTab) {
        QTest::mouseClick(sidebar->item(0), Qt::LeftButton);
        QCOMPARE(app->state().selectedTab(), AppTab::today);
    }
    if (byMenu)
        QTest::keyClick(app->mainWindow(), Qt::Key_2, Qt::ControlModifier);
    else
        QTest::mouseClick(sidebar->item(1), Qt::LeftButton);
    QCOMPARE(app->state().selectedTab(), AppTab::plants);
    QVERIFY(sidebar->item(1)->isChecked());
    QCOMPARE(stack->depth(), depth);
    QTRY_COMPARE(stack->currentPage()->isVisible(), true);
}

void ShellTest::tabVisitsEachStopOnceAsSeen_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("samples");
    QTest::newRow("Today") << int(AppTab::today) << true;
    QTest::newRow("My Plants") << int(AppTab::plants) << true;
    QTest::newRow("My Plants, empty") << int(AppTab::plants) << false;
    QTest::newRow("Explore") << int(AppTab::explore) << false;
}

// Tab runs once round the window as it is seen: the sidebar, the header bar's controls, then the
// page; no control is met twice (a search field left behind in the page would be).
void ShellTest::tabVisitsEachStopOnceAsSeen()
{
    QFETCH(int, tab);
    QFETCH(bool, samples);
    auto app = makeApp();
    QVERIFY(app);
    if (samples) {
        SampleData::load(app->store());
        QTRY_VERIFY(app->rootView()->sidebar()->badge(0) > 0);
    }
    app->state().setSelectedTab(AppTab(tab));
    NavigationStack *stack = app->rootView()->navigationStack(AppTab(tab));
    QTRY_VERIFY(stack->isVisible() && stack->currentPage()->isVisible());
    QWidget *start = app->rootView()->sidebar()->item(0);
    start->setFocus(Qt::TabFocusReason);
    QList<QWidget *> stops;
    QStringList seen;
    for (int i = 0; i < 200 && (i == 0 || QApplication::focusWidget() != start); ++i) {
        QWidget *focused = QApplication::focusWidget();
        QVERIFY(focused && focused->isVisible());
        seen.append(focused->objectName().isEmpty() ? focused->accessibleName() : focused->objectName());
        QVERIFY2(!stops.contains(focused), qPrintable(seen.join(QStringLiteral(" / "))));
        stops.append(focused);
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), start);
    auto inHeader = [stack](QWidget *w) { return stack->header()->isAncestorOf(w); };
    auto inPage = [stack](QWidget *w) { return stack->currentPage()->isAncestorOf(w); };
    const auto firstInPage = std::find_if(stops.cbegin(), stops.cend(), inPage);
    QVERIFY2(firstInPage != stops.cend(), qPrintable(seen.join(QStringLiteral(" / "))));
    QVERIFY2(std::count_if(stops.cbegin(), stops.cend(), inHeader) > 0 &&
                 std::none_of(firstInPage, stops.cend(), inHeader),
             qPrintable(seen.join(QStringLiteral(" / "))));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(stops.value(i), app->rootView()->sidebar()->item(i));
    // A scrolling page draws no focus ring of its own: it would be a stop the user cannot see.
    QVERIFY2(
        std::none_of(stops.cbegin(), stops.cend(), [](QWidget *w) { return qobject_cast<QScrollArea *>(w); }),
        qPrintable(seen.join(QStringLiteral(" / "))));
}

void ShellTest::menuBarStaysUsableOverTheSheet()
{
    auto app = makeApp();
    QVERIFY(app);
    QTest::keyClick(app->mainWindow(), Qt::Key_N, Qt::ControlModifier);
    QTRY_VERIFY(app->rootView()->sheet());
    QMenuBar *bar = app->mainWindow()->menuBar();
    QAction *goMenu = nullptr;
    for (QAction *action : bar->actions()) {
        if (action->text() == QLatin1String("&Go"))
            goMenu = action;
    }
    QVERIFY(goMenu && goMenu->menu());

    // Clicked through the window, as the user does, so whatever lies on top takes the click.
    const QPoint at = bar->mapTo(app->mainWindow(), bar->actionGeometry(goMenu).center());
    QTest::mouseClick(app->mainWindow()->windowHandle(), Qt::LeftButton, {}, at);
    QMenu *go = goMenu->menu();
    QTRY_VERIFY(go->isVisible());
    QAction *plants = go->actions().value(1);
    QVERIFY(plants);
    QTest::mouseClick(go, Qt::LeftButton, {}, go->actionGeometry(plants).center());
    QTRY_COMPARE(app->state().selectedTab(), AppTab::plants);
    // The sheet stays open over the tab now shown.
    QVERIFY(app->state().isAddingPlant());
    QVERIFY(app->rootView()->sheet()->geometry().top() >= bar->geometry().bottom());
}

void ShellTest::escapeFromTheMenuBarGivesFocusBack_data()
{
    QTest::addColumn<bool>("inSheet"); // focus in the add-plant sheet's search, or on a page
    QTest::addColumn<bool>("viaMenu"); // Alt+F opens File first (Escape closes it), or Alt alone
    QTest::newRow("page, Alt") << false << false;
    QTest::newRow("page, File menu") << false << true;
    QTest::newRow("sheet, Alt") << true << false;
    QTest::newRow("sheet, File menu") << true << true;
}

// Escape leaves the menu bar for the control that had the focus; over a sheet the sheet stays.
void ShellTest::escapeFromTheMenuBarGivesFocusBack()
{
    QFETCH(bool, inSheet);
    QFETCH(bool, viaMenu);
    auto app = makeApp();
    QVERIFY(app);
    QWidget *start = app->rootView()->sidebar()->item(1);
    if (inSheet) {
        app->state().setAddingPlant(true);
        QTRY_VERIFY(app->rootView()->sheet());
        start = app->rootView()->sheet()->findChild<AddPlantFlow *>()->searchField()->lineEdit();
    }
    start->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(start->hasFocus());
    QMenuBar *bar = app->mainWindow()->menuBar();
    QWindow *window = app->mainWindow()->windowHandle();
    if (viaMenu) {
        QTest::keyClick(window, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget()->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
    } else {
        QTest::keyPress(window, Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(window, Qt::Key_Alt);
    }
    QTRY_COMPARE(QApplication::focusWidget(), bar);
    QTest::qWait(20); // nothing takes the focus from the menu bar meanwhile
    QCOMPARE(QApplication::focusWidget(), bar);

    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_COMPARE(QApplication::focusWidget(), start);
    QCOMPARE(app->state().isAddingPlant(), inSheet);
}

void ShellTest::downFromTheSpeciesSearchEntersTheList()
{
    auto app = makeApp();
    QVERIFY(app);
    app->state().setAddingPlant(true);
    QTRY_VERIFY(app->rootView()->sheet());
    auto *flow = app->rootView()->sheet()->findChild<AddPlantFlow *>();
    QLineEdit *search = flow->searchField()->lineEdit();
    QTRY_VERIFY(search->hasFocus());
    QWindow *window = app->mainWindow()->windowHandle();
    QTest::keyClick(window, Qt::Key_Down);
    QTRY_COMPARE(QApplication::focusWidget(), flow->customRow());
    QTest::keyClick(window, Qt::Key_Down);
    QTRY_COMPARE(QApplication::focusWidget(), flow->speciesRow(flow->shownSpecies().constFirst().id));
    QTest::keyClick(window, Qt::Key_Up);
    QTRY_COMPARE(QApplication::focusWidget(), flow->customRow());
    QTest::keyClick(window, Qt::Key_Up);
    QTRY_COMPARE(QApplication::focusWidget(), search);
    QVERIFY(app->state().isAddingPlant());
}

void ShellTest::cutNamesShowWholeInTheirToolTip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("tab");
    const QString longName =
        QStringLiteral("<b>Grandmother's</b> monstera from the kitchen windowsill in Lisbon");
    QTest::newRow("task row, cut") << longName << int(AppTab::today);
    QTest::newRow("plant card, cut") << longName << int(AppTab::plants);
    QTest::newRow("task row, whole") << QStringLiteral("Fern") << int(AppTab::today);
    QTest::newRow("plant card, whole") << QStringLiteral("Fern") << int(AppTab::plants);
}

// A plant's name cut short in a list shows whole, as written, in its tool tip; a whole one has none.
void ShellTest::cutNamesShowWholeInTheirToolTip()
{
    QFETCH(QString, name);
    QFETCH(int, tab);
    auto app = makeApp();
    QVERIFY(app);
    app->mainWindow()->resize(app->mainWindow()->minimumSizeHint());
    auto *plant = new Plant(name, Species::find(u"monstera"), QStringLiteral("Kitchen"));
    plant->setInterval(CareKind::water, 7);
    app->store().insert(plant);
    plant->markDone(CareKind::water, m_env->clock.now().addDays(-8));
    app->state().setSelectedTab(AppTab(tab));
    QWidget *page = app->rootView()->navigationStack(AppTab(tab))->page(0);
    QWidget *target = nullptr;
    if (auto *plants = qobject_cast<PlantsView *>(page)) {
        QTRY_VERIFY(plants->grid()->card(plant) && plants->grid()->card(plant)->isVisible());
        target = plants->grid()->card(plant);
    } else {
        QTRY_VERIFY(!qobject_cast<TodayView *>(page)->rows().isEmpty());
        for (TextLabel *label :
             qobject_cast<TodayView *>(page)->rows().constFirst()->findChildren<TextLabel *>()) {
            if (label->text() == name)
                target = label;
        }
    }
    QVERIFY(target && target->isVisible());

    const QPoint centre = target->rect().center();
    QHelpEvent help(QEvent::ToolTip, centre, target->mapToGlobal(centre));
    QApplication::sendEvent(target, &help);
    if (name.size() > 10) {
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(shownText(QToolTip::text()), name);
    } else {
        QVERIFY(!QToolTip::isVisible() || !shownText(QToolTip::text()).contains(name));
    }
    QToolTip::hideText();
}

void ShellTest::shortcutsWindowSaysWhatTheKeysDo_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("keys"); // as the window lists them
    QTest::addColumn<QKeySequence>("press");
    QTest::addColumn<int>("tab");
    const auto row = [](const char *name, const char *action, const char *keys, QKeySequence press,
                        AppTab tab) {
        QTest::newRow(name) << QString::fromUtf8(action) << QString::fromUtf8(keys) << press << int(tab);
    };
    row("Space completes", "Mark the selected task done", "Space", QKeySequence(Qt::Key_Space),
        AppTab::today);
    row("Enter opens a task's plant", "Open the selected task's plant", "Enter", QKeySequence(Qt::Key_Return),
        AppTab::today);
    row("Space opens a plant", "Open the selected plant or species", "Enter or Space",
        QKeySequence(Qt::Key_Space), AppTab::plants);
    row("Delete", "Delete the selected plant", "Del", QKeySequence(Qt::Key_Delete), AppTab::plants);
    row("Menu key", "Show the selected plant's actions", "Menu or Shift+F10", QKeySequence(Qt::Key_Menu),
        AppTab::plants);
    row("Ctrl+F", "Search My Plants or Explore", "Ctrl+F", QKeySequence(QKeySequence::Find), AppTab::plants);
}

// The window lists each key as the screens handle it, and pressing it does what the line says.
void ShellTest::shortcutsWindowSaysWhatTheKeysDo()
{
    QFETCH(QString, action);
    QFETCH(QString, keys);
    QFETCH(QKeySequence, press);
    QFETCH(int, tab);
    Spring::setAnimationsEnabled(false);
    const auto restore = qScopeGuard([] {
        Spring::setAnimationsEnabled(true);
        MessageBox::clearNextAnswer();
    });
    auto app = makeApp();
    QVERIFY(app);
    app->helpCommands()->shortcutsAction()->trigger();
    QTRY_VERIFY(app->helpCommands()->shortcutsWindow());
    QStringList listed;
    for (const ShortcutsWindow::Group &group : app->helpCommands()->shortcutsWindow()->groups()) {
        for (const ShortcutsWindow::Shortcut &shortcut : group.shortcuts) {
            if (shortcut.action == action)
                listed.append(ShortcutsWindow::keysText(shortcut));
        }
    }
    QCOMPARE(listed, QStringList{keys});
    app->helpCommands()->shortcutsWindow()->close();
    app->mainWindow()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app->mainWindow()));

    SampleData::load(app->store());
    app->state().setSelectedTab(AppTab(tab));
    NavigationStack *stack = app->rootView()->navigationStack(AppTab(tab));
    QTRY_VERIFY(stack->currentPage()->isVisible());
    QWidget *target = nullptr;
    if (auto *today = qobject_cast<TodayView *>(stack->currentPage())) {
        QTRY_VERIFY(!today->rows().isEmpty());
        target = today->rows().constFirst();
    } else {
        auto *plants = qobject_cast<PlantsView *>(stack->currentPage());
        QTRY_VERIFY(!plants->grid()->plants().isEmpty());
        target = plants->grid();
    }
    target->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(target->hasFocus());
    const auto events = [&app] { return app->store().eventCount(); };
    const int eventsBefore = events();
    MessageBox::setNextAnswer(QStringLiteral("Cancel"));
    MessageBox::clearLastShown();
    QTest::keySequence(app->mainWindow()->windowHandle(), press);

    const auto popup = [] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); };
    if (action.startsWith(QLatin1String("Mark"))) {
        QTRY_COMPARE(events(), eventsBefore + 1);
        QCOMPARE(stack->depth(), 1);
    } else if (action.startsWith(QLatin1String("Open"))) {
        QTRY_COMPARE(stack->depth(), 2);
        QCOMPARE(events(), eventsBefore);
    } else if (action.startsWith(QLatin1String("Delete"))) {
        QTRY_VERIFY(MessageBox::lastShown());
        QVERIFY(MessageBox::lastShown()->title.startsWith(QLatin1String("Delete ")));
    } else if (action.startsWith(QLatin1String("Show"))) {
        QTRY_VERIFY(popup());
        popup()->close();
    } else {
        auto *plants = qobject_cast<PlantsView *>(stack->currentPage());
        QTRY_VERIFY(plants->searchField()->lineEdit()->hasFocus());
    }
}

void ShellTest::commandsWorkFromTheSettingsWindow_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("tab");     // AppTab after the command
    QTest::addColumn<bool>("adding"); // the add-plant sheet is open after it
    QTest::newRow("New Plant") << int(Qt::Key_N) << int(AppTab::today) << true;
    QTest::newRow("Go to My Plants") << int(Qt::Key_2) << int(AppTab::plants) << false;
    QTest::newRow("Go to Explore") << int(Qt::Key_3) << int(AppTab::explore) << false;
}

void ShellTest::commandsWorkFromTheSettingsWindow()
{
    QFETCH(int, key);
    QFETCH(int, tab);
    QFETCH(bool, adding);
    auto app = makeApp();
    QVERIFY(app);
    auto openSettings = [&app]() -> QWidget * {
        // From the main window, as the user comes back to it once the settings window is closed.
        app->mainWindow()->activateWindow();
        if (!QTest::qWaitForWindowActive(app->mainWindow()))
            return nullptr;
        QTest::keyClick(app->mainWindow(), Qt::Key_Comma, Qt::ControlModifier);
        QWidget *settings = app->settingsWindow();
        return settings && QTest::qWaitForWindowActive(settings) ? settings : nullptr;
    };

    // Twice: the second press finds the command already done and changes nothing more.
    for (int press = 0; press < 2; ++press) {
        QWidget *settings = openSettings();
        QVERIFY(settings);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : settings, Qt::Key(key),
                        Qt::ControlModifier);
        QTRY_COMPARE(int(app->state().selectedTab()), tab);
        QCOMPARE(app->state().isAddingPlant(), adding);
        // The main window comes forward to show the result.
        QTRY_COMPARE(QApplication::activeWindow(), app->mainWindow());
        QCOMPARE(bool(Sheet::topmost(app->mainWindow())), adding);
        QCOMPARE(app->mainWindow()->findChildren<Sheet *>().size(), adding ? 1 : 0);
    }

    // The settings window closes with Escape and with Ctrl+W.
    for (const QKeySequence &close : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)}) {
        QWidget *settings = openSettings();
        QVERIFY(settings);
        QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget() : settings, close);
        QTRY_VERIFY(!settings->isVisible());
    }
}

void ShellTest::remindersFollowSignatureAndActivation()
{
    auto app = makeApp();
    QVERIFY(app);
    RootView *root = app->rootView();
    // First appearance runs once, with reminders off: only the removal of the fourteen days.
    QTRY_COMPARE(root->reminderRunCount(), 1);
    QTRY_VERIFY(!m_env->notifications.calls.isEmpty());
    QCOMPARE(m_env->notifications.calls.first().operation, RecordingNotificationCenter::Operation::remove);
    QCOMPARE(m_env->notifications.calls.first().identifiers.size(), 14);
    QCOMPARE(root->currentSignature(), QStringLiteral("false|540|"));

    SampleData::load(app->store());
    QTRY_COMPARE(root->reminderRunCount(), 2);

    Plant *monty = app->store().plants().first();
    monty->setNotes(QStringLiteral("new pot"));
    QTest::qWait(50);
    QCOMPARE(root->reminderRunCount(), 2);

    monty->markDone(CareKind::water, m_env->clock.now());
    QTRY_COMPARE(root->reminderRunCount(), 3);

    // Coming back to the app replans even though nothing changed.
    const QString signature = root->currentSignature();
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    QTRY_COMPARE(root->reminderRunCount(), 4);
    QCOMPARE(root->currentSignature(), signature);
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    QTest::qWait(20);
    QCOMPARE(root->reminderRunCount(), 4);

    // Turning reminders on changes the signature; with permission the days with tasks are planned.
    app->preferences().setRemindersEnabled(true);
    QTRY_COMPARE(root->reminderRunCount(), 5);
    QTRY_VERIFY(!m_env->notifications.added().isEmpty());
}

void ShellTest::unreadableStoreShowsBannerAndKeepsFile()
{
    const QString path = m_dir.filePath(QStringLiteral("garbage.sqlite"));
    QByteArray garbage;
    for (int i = 0; i < 8192; ++i)
        garbage.append(char((i * 131 + 7) % 251));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    TendrelApp::Options options;
    options.storePath = path;
    auto app = makeApp(options);
    QVERIFY(app);
    QVERIFY(!app->store().isPersistent());
    QWidget *banner = app->rootView()->storeBanner();
    QVERIFY(banner);
    QVERIFY(banner->isVisible());
    QVERIFY(!banner->toolTip().isEmpty());
    const auto labels = banner->findChildren<QLabel *>();
    bool found = false;
    for (const QLabel *label : labels)
        found =
            found || label->text() ==
                         QStringLiteral(
                             "Tendrel couldn't open your saved plants. Changes you make now won't be kept.");
    QVERIFY(found);

    // The app still works in memory, and the file stays exactly as it was.
    SampleData::load(app->store());
    QTRY_COMPARE(app->rootView()->sidebar()->badge(0), 6);
    app.reset();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), garbage);
}

void ShellTest::refusalReasonShowsAsPlainText()
{
    const QString path = m_dir.filePath(QStringLiteral("marked-up/tendrel.sqlite"));
    {
        auto store = ModelStore::open(path);
        QVERIFY(store);
    }
    const QByteArray name = "<h1 style='color:red'>All plants deleted</h1>";
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    const QByteArray create = "CREATE TABLE \"" + name + "\" (x)";
    QCOMPARE(sqlite3_exec(db, create.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    TendrelApp::Options options;
    options.storePath = path;
    auto app = makeApp(options);
    QVERIFY(app);
    QWidget *banner = app->rootView()->storeBanner();
    QVERIFY(banner && banner->isVisible());
    const QString shown = shownText(banner->toolTip());
    QVERIFY2(shown.contains(QString::fromUtf8(name.left(30))), qPrintable(shown));
    QCOMPARE(shown, app->store().notPersistentReason());
}

void ShellTest::refusedStoreShowsBannerAtOnce_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    QTest::newRow("freelist through the plants' table")
        << QStringLiteral("freelist") << QStringLiteral("is damaged");
    QTest::newRow("folder where the opening lock belongs")
        << QStringLiteral("opening") << QStringLiteral("tendrel.sqlite.opening");
}

void ShellTest::refusedStoreShowsBannerAtOnce()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    const QString folder = m_dir.filePath(damage);
    const QString path = folder + QStringLiteral("/tendrel.sqlite");
    {
        auto store = ModelStore::open(path);
        QVERIFY(store);
        store->insert(new Plant(QStringLiteral("Fern"), Species::custom(), QStringLiteral("Hall")));
    }
    if (damage == QLatin1String("freelist")) {
        // The header's first free page (bytes 32-35, one page long) is the plants' root page, 2.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(32));
        QCOMPARE(file.write(QByteArray("\0\0\0\2\0\0\0\1", 8)), 8);
    } else {
        QVERIFY(QDir().mkpath(path + QStringLiteral(".opening")));
    }
    const auto before = folderBytes(folder);

    QElapsedTimer clock;
    clock.start();
    TendrelApp::Options options;
    options.storePath = path;
    auto app = makeApp(options);
    QVERIFY(app);
    QVERIFY2(clock.elapsed() < 3'000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!app->store().isPersistent());
    QWidget *banner = app->rootView()->storeBanner();
    QVERIFY(banner && banner->isVisible());
    QVERIFY2(shownText(banner->toolTip()).contains(reason), qPrintable(banner->toolTip()));

    // What the user does in memory never reaches the file.
    app->store().insert(new Plant(QStringLiteral("New"), Species::custom(), QStringLiteral("Hall")));
    QVERIFY(app->store().flush());
    app.reset();
    QCOMPARE(folderBytes(folder), before);
}

void ShellTest::failingSavesShowBannerAndQuitAsks()
{
    SavedFern fern = savedFern(QStringLiteral("unwritable"));
    QVERIFY(fern.app && fern.app->store().isPersistent());
    auto &[app, plant, banner, files] = fern;
    if (!files->freeze())
        QSKIP("chattr +i is not available here");

    plant->markDone(CareKind::water, m_env->clock.now());
    QTRY_VERIFY(banner->isVisible());
    const auto labels = banner->findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *label) {
        return label->text() == QStringLiteral("Tendrel couldn't save your latest changes.");
    }));
    QCOMPARE(shownText(banner->toolTip()), app->store().saveError());
    QVERIFY2(app->store().saveError().contains(QStringLiteral("cannot be written")),
             qPrintable(app->store().saveError()));

    // Quitting asks; cancelling keeps the app and the waiting change.
    MessageBox::clearLastShown();
    MessageBox::setNextAnswer(QStringLiteral("Cancel"));
    QVERIFY(!app->confirmQuit());
    QCOMPARE(MessageBox::lastShown()->title, QStringLiteral("Tendrel couldn't save your latest changes."));
    QCOMPARE(
        MessageBox::lastShown()->buttons,
        (QStringList{QStringLiteral("Try Again"), QStringLiteral("Quit Anyway"), QStringLiteral("Cancel")}));
    QVERIFY(app->store().hasUnsavedChanges());

    // Once the folder can be written again, coming back to the window saves at once and the
    // banner goes, without waiting for the next retry.
    QVERIFY(files->thaw());
    QVERIFY(banner->isVisible());
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    QVERIFY(!banner->isVisible());
    QVERIFY(!app->store().hasUnsavedChanges());

    // Failing again, then able to write: the short retry alone clears the banner within seconds.
    QVERIFY(files->freeze());
    for (int i = 0; i < 4; ++i)
        plant->markDone(CareKind::mist, m_env->clock.now().addSecs(i));
    QTRY_VERIFY(banner->isVisible());
    for (int i = 0; i < 3; ++i)
        QVERIFY(!app->store().flush());
    QVERIFY(files->thaw());
    // Four failures in a row: the next try comes after 8 s at most (it used to be 16 s).
    QTRY_VERIFY_WITH_TIMEOUT(!banner->isVisible(), 12'000);
    QVERIFY(!app->store().hasUnsavedChanges());
    MessageBox::clearLastShown();
    QVERIFY(app->confirmQuit());
    QVERIFY(!MessageBox::lastShown());
}

void ShellTest::saveBannerGoesWhenTheUnsavedStepIsUndone()
{
    SavedFern fern = savedFern(QStringLiteral("undone"));
    QVERIFY(fern.app);
    auto &[app, plant, banner, files] = fern;
    if (!files->freeze())
        QSKIP("chattr +i is not available here");

    GardenHistory::of(app->store()).deletePlant(plant);
    QTRY_VERIFY(banner->isVisible());
    // The plant is back as the file still has it: nothing waits to be saved, so no save has
    // failed, though the file cannot be written yet.
    app->undoCommands()->undoAction()->trigger();
    QTRY_VERIFY(!banner->isVisible());
    QVERIFY(!app->store().hasUnsavedChanges());
    QCOMPARE(app->store().plantCount(), 1);
}

void ShellTest::instanceLockDecidesTheStart_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<InstanceLockCheck::Outcome>("outcome");
    QTest::addColumn<QString>("reason");
    using Outcome = InstanceLockCheck::Outcome;
    QTest::newRow("first start") << QStringLiteral("none") << Outcome::free << QString();
    QTest::newRow("Tendrel running here") << QStringLiteral("held") << Outcome::heldHere << QString();
    // A lock Tendrel cannot read is stale when nobody holds it, as QLockFile holds its own.
    QTest::newRow("lock of random bytes") << QStringLiteral("bytes") << Outcome::free << QString();
    QTest::newRow("lock of text not ours") << QStringLiteral("text") << Outcome::free << QString();
    QTest::newRow("empty lock") << QStringLiteral("empty") << Outcome::free << QString();
    QTest::newRow("lock of a process gone") << QStringLiteral("gone") << Outcome::free << QString();
    QTest::newRow("unreadable lock held") << QStringLiteral("textHeld") << Outcome::heldHere << QString();
    QTest::newRow("unreadable lock that cannot go")
        << QStringLiteral("textImmutable") << Outcome::unusable << QStringLiteral("cannot be replaced");
    QTest::newRow("data folder is a file")
        << QStringLiteral("file") << Outcome::unusable << QStringLiteral("is a file where Tendrel keeps");
    QTest::newRow("lock file is a folder")
        << QStringLiteral("lockFolder") << Outcome::unusable << QStringLiteral("is not the lock file");
    QTest::newRow("lock of another computer")
        << QStringLiteral("otherHost") << Outcome::unusable << QStringLiteral("faraway-host");
    QTest::newRow("immutable data folder")
        << QStringLiteral("immutable") << Outcome::unusable << QStringLiteral("cannot be written");
    QTest::newRow("read-only data folder")
        << QStringLiteral("readOnly") << Outcome::unusable << QStringLiteral("cannot be written");
    QTest::newRow("data folder that cannot be searched")
        << QStringLiteral("unsearchable") << Outcome::unusable << QStringLiteral("cannot be written");
    QTest::newRow("disk full") << QStringLiteral("full") << Outcome::unusable << QStringLiteral("is full");
}

// Whether Tendrel runs, raises another one or starts in memory is decided by its one-instance lock;
// a lock that cannot be made is no running Tendrel: the window opens with the banner saying why.
void ShellTest::instanceLockDecidesTheStart()
{
    QFETCH(QString, setup);
    QFETCH(InstanceLockCheck::Outcome, outcome);
    QFETCH(QString, reason);
    const QString base = m_dir.filePath(QStringLiteral("lock-") + setup);
    const QString data = base + QStringLiteral("/Tendrel");
    const QString lockPath = data + QLatin1Char('/') + InstanceLockCheck::fileName();
    QVERIFY(QDir().mkpath(data));
    QLockFile held(lockPath);
    QList<std::function<void()>> undo;
    auto undoAll = qScopeGuard([&] {
        for (auto it = undo.crbegin(); it != undo.crend(); ++it)
            (*it)();
    });
    // What other programs, crashes and bad blocks leave in a lock file; a stale lock as QLockFile
    // writes it: process id, program, host name.
    const QHash<QString, QByteArray> contents = {
        {QStringLiteral("bytes"), QByteArray::fromHex("9f00e2c4ff0a1b7e0a00d3")},
        {QStringLiteral("text"), "Tendrel is running\n"},
        {QStringLiteral("textHeld"), "Tendrel is running\n"},
        {QStringLiteral("textImmutable"), "Tendrel is running\n"},
        {QStringLiteral("empty"), QByteArray()},
        {QStringLiteral("gone"), "2147483600\nTendrel\n" + QSysInfo::machineHostName().toUtf8() + '\n'},
    };
    if (setup == QLatin1String("held")) {
        QVERIFY(held.tryLock(0));
    } else if (contents.contains(setup)) {
        QFile file(lockPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(contents.value(setup)), contents.value(setup).size());
        file.close();
        if (setup == QLatin1String("textHeld")) {
            // Whoever wrote it still holds it.
            const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC);
            QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0);
            undo.append([fd] { ::close(fd); });
        } else if (setup == QLatin1String("textImmutable")) {
            if (!chattr(QStringLiteral("+i"), data))
                QSKIP("chattr +i is not available here");
            undo.append([data] { chattr(QStringLiteral("-i"), data); });
        }
    } else if (setup == QLatin1String("file")) {
        QVERIFY(QDir(data).removeRecursively());
        QFile file(data);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (setup == QLatin1String("lockFolder")) {
        QVERIFY(QDir().mkpath(lockPath));
    } else if (setup == QLatin1String("otherHost")) {
        // As QLockFile writes it: process id, program, host name.
        QFile file(lockPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("4242\nTendrel\nfaraway-host\n");
    } else if (setup == QLatin1String("immutable")) {
        if (!chattr(QStringLiteral("+i"), data))
            QSKIP("chattr +i is not available here");
        undo.append([data] { chattr(QStringLiteral("-i"), data); });
    } else if (setup == QLatin1String("readOnly") || setup == QLatin1String("unsearchable")) {
        if (geteuid() == 0)
            QSKIP("running as root, which permission bits do not stop; the immutable folder stands in");
        QVERIFY(::chmod(QFile::encodeName(data).constData(),
                        setup == QLatin1String("readOnly") ? 0555 : 0666) == 0);
        undo.append([data] { ::chmod(QFile::encodeName(data).constData(), 0755); });
    } else if (setup == QLatin1String("full")) {
        // A small file system of its own, filled to the last byte.
        QProcess mount;
        mount.start(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=64k"), QStringLiteral("tmpfs"), data});
        if (!mount.waitForFinished() || mount.exitCode() != 0)
            QSKIP("cannot mount a small file system to fill here (needs root)");
        undo.append([data] { QProcess::execute(QStringLiteral("umount"), {data}); });
        QFile filler(data + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }

    const InstanceLockCheck lock = InstanceLockCheck::run(data);
    QCOMPARE(lock.outcome(), outcome);
    if (outcome == InstanceLockCheck::Outcome::free) {
        SingleInstance instance(data);
        QVERIFY(instance.acquire());
    }
    if (outcome != InstanceLockCheck::Outcome::unusable)
        return;
    QVERIFY2(lock.reason().contains(reason), qPrintable(lock.reason()));

    TendrelApp::Options options;
    options.storePath = data + QStringLiteral("/tendrel.sqlite");
    options.storeRefusal = lock.reason();
    auto app = makeApp(options);
    QVERIFY(app);
    QVERIFY(!app->store().isPersistent());
    QWidget *banner = app->rootView()->storeBanner();
    QVERIFY(banner && banner->isVisible());
    QCOMPARE(shownText(banner->toolTip()), lock.reason());
    QVERIFY(!QFileInfo::exists(options.storePath));
}

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
