#include "App/PlantCommands.h"
#include "App/TendrelApp.h"
#include "App/support/PinnedEnvironment.h"
#include "Core/Calendar.h"
#include "Models/CareTask.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Platform/NotificationCenter.h"
#include "Store/ModelStore.h"
#include "Views/Components/ContentUnavailableView.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Theme.h"
#include "Views/Plants/AddPlantFlow.h"
#include "Views/Plants/DatePicker.h"
#include "Views/Plants/NotesEditor.h"
#include "Views/Plants/PlantFormView.h"
#include "Views/RootView.h"
#include "Views/State/AppState.h"
#include "Views/Today/TaskRow.h"
#include "Views/Today/TodayView.h"
#include "fixtures/ImageFixtures.h"

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Adding plants through the real main window, offscreen: every way into the add-plant sheet, the
// species list, the form, and the plant showing up on the Today screen and in its badge.
class AddPlantEndToEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newPlantCommandAddsOverdueFernToToday();
    void otherPlantWithPhotoFromDisk();
    void todayButtonsOpenTheFlow();
    void escapeFromTheFormAddsNothing();
    void sheetFitsTheSmallestWindow_data();
    void sheetFitsTheSmallestWindow();

private:
    std::unique_ptr<TendrelApp> makeApp();
    AddPlantFlow *openFlowWithShortcut(TendrelApp &app);
    PlantFormView *chooseSpecies(AddPlantFlow *flow, const QString &id);

    QTemporaryDir m_dir;
    std::unique_ptr<PinnedEnvironment> m_env;
};

void AddPlantEndToEndTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qunsetenv("TENDREL_APPEARANCE");
    Spring::setAnimationsEnabled(false);
    QVERIFY(m_dir.isValid());
}

void AddPlantEndToEndTest::init()
{
    m_env = std::make_unique<PinnedEnvironment>(PinnedEnvironment::at(QDate(2026, 12, 7), 10));
}

void AddPlantEndToEndTest::cleanup()
{
    m_env.reset();
}

void AddPlantEndToEndTest::sheetFitsTheSmallestWindow_data()
{
    QTest::addColumn<Appearance>("appearance");
    QTest::newRow("light") << Appearance::light;
    QTest::newRow("dark") << Appearance::dark;
}

void AddPlantEndToEndTest::sheetFitsTheSmallestWindow()
{
    QFETCH(Appearance, appearance);
    Theme::setAppearanceOverride(appearance);
    const auto restore = qScopeGuard([] { Theme::setAppearanceOverride(std::nullopt); });
    auto app = makeApp();
    QVERIFY(app);
    QMainWindow *window = app->mainWindow();
    // The smallest the window goes: content of 760 x 520 below the menu bar.
    window->resize(window->minimumSizeHint());
    QTRY_COMPARE(app->rootView()->size(), QSize(760, 520));
    AddPlantFlow *flow = openFlowWithShortcut(*app);
    QVERIFY(flow);
    // A scrolling page draws no focus of its own: Tab from the search goes to a row the user sees.
    QTRY_VERIFY(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(!qobject_cast<QScrollArea *>(QApplication::focusWidget()));
    PlantFormView *form = chooseSpecies(flow, Species::custom().id);
    QVERIFY(form);

    // The sheet ends above the window's bottom edge, below the menu bar; the form scrolls down to
    // its last field, which is then seen whole inside the sheet.
    Sheet *sheet = app->rootView()->sheet();
    const QRect card(flow->mapTo(window, QPoint(0, 0)), flow->size());
    QVERIFY2(card.bottom() < window->height(), qPrintable(QStringLiteral("%1").arg(card.bottom())));
    QVERIFY(sheet->geometry().top() >= window->menuBar()->geometry().bottom());
    QWidget *notes = form->notesEditor();
    form->nameField()->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 30 && !notes->hasFocus(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(!qobject_cast<QScrollArea *>(QApplication::focusWidget()));
    }
    QVERIFY(notes->hasFocus());
    QTRY_VERIFY(card.contains(QRect(notes->mapTo(window, QPoint(0, 0)), notes->size())));

    // What the window shows after that scrolling (its backing store, not a fresh rendering): the
    // form's background runs unbroken down its leading edge (no corner fragments moved up by the
    // scrolling) and on through the strip below it to the sheet's rounded bottom (no lighter band).
    const QRgb background = Theme::current().colors.groupedBackground.rgb();
    const int radius = int(Theme::current().sheet.radius);
    QWidget *header = flow->navigationStack()->header();
    const int formTop = header->mapTo(window, QPoint(0, header->height())).y() + 1;
    auto marks = [&] {
        const QImage shown = window->screen()->grabWindow(window->winId()).toImage();
        auto off = [&](int x, int y) {
            const QRgb pixel = shown.pixel(x, y);
            return std::abs(qRed(pixel) - qRed(background)) + std::abs(qGreen(pixel) - qGreen(background)) +
                       std::abs(qBlue(pixel) - qBlue(background)) >
                   4;
        };
        QStringList found;
        for (int y = formTop; y <= card.bottom(); ++y) {
            if (off(card.left() + 1, y))
                found.append(QStringLiteral("edge at %1").arg(y));
        }
        for (int x = card.left() + radius; x < card.right() - radius; ++x) {
            if (off(x, card.bottom() + radius / 2))
                found.append(QStringLiteral("strip at %1").arg(x));
        }
        return found.mid(0, 5).join(QStringLiteral(", "));
    };
    QTRY_COMPARE(marks(), QString());
}

std::unique_ptr<TendrelApp> AddPlantEndToEndTest::makeApp()
{
    TendrelApp::Options options;
    options.inMemoryStore = true;
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

AddPlantFlow *AddPlantEndToEndTest::openFlowWithShortcut(TendrelApp &app)
{
    QTest::keyClick(app.mainWindow(), Qt::Key_N, Qt::ControlModifier);
    if (!QTest::qWaitFor([&] { return app.state().isAddingPlant() && app.rootView()->sheet(); }))
        return nullptr;
    return qobject_cast<AddPlantFlow *>(app.rootView()->sheet()->content());
}

PlantFormView *AddPlantEndToEndTest::chooseSpecies(AddPlantFlow *flow, const QString &id)
{
    ListRow *row = id == Species::custom().id ? flow->customRow() : flow->speciesRow(id);
    if (!row || !row->isVisible())
        return nullptr;
    // A click lands where the user sees the row: wait for the freshly opened sheet's layout.
    const bool reachable = QTest::qWaitFor([row] {
        QWidget *hit = QApplication::widgetAt(row->mapToGlobal(row->rect().center()));
        return hit && (hit == row || row->isAncestorOf(hit));
    });
    if (!reachable)
        return nullptr;
    QTest::mouseClick(row, Qt::LeftButton);
    auto *form = qobject_cast<PlantFormView *>(flow->navigationStack()->currentPage());
    if (!form || !QTest::qWaitFor([form] { return form->isVisible(); }))
        return nullptr;
    return form;
}

void AddPlantEndToEndTest::newPlantCommandAddsOverdueFernToToday()
{
    auto app = makeApp();
    QVERIFY(app);
    // The menu shows "New Plant…" with N as its accelerator.
    QCOMPARE(app->commands()->newPlantAction()->text().remove(QLatin1Char('&')),
             QStringLiteral("New Plant\u2026"));
    QCOMPARE(app->rootView()->todayBadge(), 0);

    AddPlantFlow *flow = openFlowWithShortcut(*app);
    QVERIFY(flow);
    // The sheet is at least as large as the flow asks for.
    QVERIFY(flow->width() >= 520);
    QVERIFY(flow->height() >= 600);
    QTRY_VERIFY(flow->searchField()->lineEdit()->hasFocus());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("fern"));
    QCOMPARE(flow->shownSpecies().size(), 1);

    PlantFormView *form = chooseSpecies(flow, QStringLiteral("fern"));
    QVERIFY(form);
    QTRY_VERIFY(form->nameField()->hasFocus());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Fernanda"));
    // Watered five days ago; Boston Ferns want water every four days, so it is overdue.
    DatePicker *picker = form->lastWateredPicker();
    picker->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(picker->button(), Qt::Key_Down);
    QCOMPARE(picker->date(), QDate(2026, 12, 2));
    QTest::mouseClick(form->confirmButton(), Qt::LeftButton);

    QTRY_VERIFY(!app->state().isAddingPlant());
    QTRY_VERIFY(!app->rootView()->sheet() || app->rootView()->sheet()->isDismissed());
    QCOMPARE(app->store().plantCount(), 1);
    const Plant *plant = app->store().plants().first();
    QCOMPARE(plant->name(), QStringLiteral("Fernanda"));
    QCOMPARE(plant->speciesID(), QStringLiteral("fern"));
    QCOMPARE(plant->eventCount(), 1);
    QCOMPARE(plant->lastWatered(), std::optional<QDateTime>(QDateTime(QDate(2026, 12, 2), QTime(10, 0),
                                                                      QTimeZone("Europe/Berlin"))));
    QTRY_COMPARE(app->rootView()->todayBadge(), 1);

    auto *today = qobject_cast<TodayView *>(app->rootView()->navigationStack(AppTab::today)->page(0));
    QVERIFY(today);
    QTRY_VERIFY(!today->rows().isEmpty());
    bool listed = false;
    for (const TaskRow *row : today->rows())
        listed = listed ||
                 (row->plantName() == QStringLiteral("Fernanda") && row->taskId().kind == CareKind::water);
    QVERIFY(listed);
}

void AddPlantEndToEndTest::otherPlantWithPhotoFromDisk()
{
    const QString path = m_dir.filePath(QStringLiteral("my-plant.jpg"));
    QVERIFY(ImageFixtures::naturalPicture(2400, 3200).save(path, "JPEG", 92));

    auto app = makeApp();
    QVERIFY(app);
    app->state().setSelectedTab(AppTab::explore);
    AddPlantFlow *flow = openFlowWithShortcut(*app);
    QVERIFY(flow);
    QCOMPARE(app->state().selectedTab(), AppTab::explore);
    QTest::keyClicks(flow->searchField()->lineEdit(), QStringLiteral("qqq"));
    QVERIFY(flow->noResultsView()->isVisible());
    PlantFormView *form = chooseSpecies(flow, Species::custom().id);
    QVERIFY(form);
    QVERIFY(!form->cancelButton()->isVisible());

    form->importPhoto(path);
    QVERIFY(!form->confirmButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!form->isProcessingPhoto(), 20000);
    QVERIFY(form->photo());
    QTest::mouseClick(form->confirmButton(), Qt::LeftButton);

    QTRY_VERIFY(!app->state().isAddingPlant());
    QCOMPARE(app->store().plantCount(), 1);
    const Plant *plant = app->store().plants().first();
    QCOMPARE(plant->name(), QStringLiteral("Other plant"));
    QCOMPARE(plant->speciesID(), QStringLiteral("custom"));
    const std::optional<QByteArray> photo = plant->photo();
    QVERIFY(photo);
    QByteArray bytes = *photo;
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.size(), QSize(1200, 1600));
    // Due in a week: listed ahead, not counted in the badge.
    QCOMPARE(app->rootView()->todayBadge(), 0);
}

void AddPlantEndToEndTest::todayButtonsOpenTheFlow()
{
    auto app = makeApp();
    QVERIFY(app);
    auto *today = qobject_cast<TodayView *>(app->rootView()->navigationStack(AppTab::today)->page(0));
    QVERIFY(today);
    QTRY_VERIFY(today->isShowingEmptyState());
    GlassButton *addFirst = nullptr;
    for (GlassButton *button : today->findChildren<GlassButton *>()) {
        if (button->text() == QStringLiteral("Add a Plant") && button->isVisible())
            addFirst = button;
    }
    QVERIFY(addFirst);
    QTest::mouseClick(addFirst, Qt::LeftButton);
    QTRY_VERIFY(app->state().isAddingPlant());
    auto *flow = qobject_cast<AddPlantFlow *>(app->rootView()->sheet()->content());
    QVERIFY(flow);
    QTest::mouseClick(flow->cancelButton(), Qt::LeftButton);
    QTRY_VERIFY(!app->state().isAddingPlant());
    QCOMPARE(app->store().plantCount(), 0);

    // With a plant in the store the toolbar's "Add Plant" leads to the same flow.
    auto *plant = new Plant(QStringLiteral("Aloe"), Species::find(u"aloe"), QStringLiteral("Office"));
    app->store().insert(plant);
    QTRY_VERIFY(today->addPlantButton()->isVisible());
    QTest::mouseClick(today->addPlantButton(), Qt::LeftButton);
    QTRY_VERIFY(app->state().isAddingPlant());
    flow = qobject_cast<AddPlantFlow *>(app->rootView()->sheet()->content());
    QVERIFY(flow);
    QTest::keyClicks(flow->searchField()->lineEdit(), QStringLiteral("aloe"));
    PlantFormView *form = chooseSpecies(flow, QStringLiteral("aloe"));
    QVERIFY(form);
    // A new plant starts in the room of the last plant added.
    QCOMPARE(form->roomField()->text(), QStringLiteral("Office"));
    QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
    QTRY_VERIFY(!app->state().isAddingPlant());
    QCOMPARE(app->store().plantCount(), 2);
}

void AddPlantEndToEndTest::escapeFromTheFormAddsNothing()
{
    auto app = makeApp();
    QVERIFY(app);
    AddPlantFlow *flow = openFlowWithShortcut(*app);
    QVERIFY(flow);
    PlantFormView *form = chooseSpecies(flow, QStringLiteral("monstera"));
    QVERIFY(form);
    QTest::keyClicks(form->nameField(), QStringLiteral("Half typed"));
    QTest::keyClick(form->nameField(), Qt::Key_Escape);
    QTRY_VERIFY(!app->state().isAddingPlant());
    QCOMPARE(app->store().plantCount(), 0);
    // Opening again starts afresh: empty search, the species list.
    flow = openFlowWithShortcut(*app);
    QVERIFY(flow);
    QCOMPARE(flow->searchText(), QString());
    QCOMPARE(flow->navigationStack()->depth(), 1);
}

QTEST_MAIN(AddPlantEndToEndTest)
#include "tst_addplant_e2e.moc"
