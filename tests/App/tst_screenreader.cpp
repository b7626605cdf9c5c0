// The main window as a screen reader reads it through Qt's accessibility interfaces: the Today
// list, the sidebar's page tabs, the add-plant sheet and form, the Settings switch. The same
// paths over AT-SPI with a real client are in tst_atspi.
#include "support/AppHarness.h"

#include "Models/Plant.h"
#include "Models/Species.h"
#include "Platform/Preferences.h"
#include "Platform/ReminderAutostart.h"
#include "Services/SampleData.h"
#include "Store/ModelStore.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InfoTile.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Sidebar.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Stepper.h"
#include "Views/Components/SymbolLabel.h"
#include "Views/Components/ToggleSwitch.h"
#include "Views/Explore/ExploreView.h"
#include "Views/Explore/SpeciesCard.h"
#include "Views/Explore/SpeciesDetailView.h"
#include "Views/Explore/SpeciesGrid.h"
#include "Views/Explore/TipRow.h"
#include "Views/Plants/AddPlantFlow.h"
#include "Views/Plants/IntervalRow.h"
#include "Views/Plants/PlantCard.h"
#include "Views/Plants/PlantDetailView.h"
#include "Views/Plants/PlantFormView.h"
#include "Views/Plants/PlantGrid.h"
#include "Views/Plants/PlantsView.h"
#include "Views/RootView.h"
#include "Views/Settings/SettingsView.h"
#include "Views/ShortcutsWindow.h"
#include "Views/State/AppState.h"
#include "Views/Today/TaskRow.h"
#include "Views/Today/TodayList.h"
#include "Views/Today/TodaySummaryCard.h"
#include "Views/Today/TodayView.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate monday(2026, 12, 7);

QString roleName(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::ListItem:
        return QStringLiteral("item");
    case QAccessible::Heading:
        return QStringLiteral("heading");
    case QAccessible::PushButton:
        return QStringLiteral("button");
    case QAccessible::StaticText:
        return QStringLiteral("text");
    default:
        return QString::number(int(role), 16);
    }
}

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// As a reader lists them: "heading: Overdue", "item: Figgy, Fertilize, 1 day late, Living Room".
QStringList readChildren(QAccessibleInterface *iface)
{
    QStringList lines;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *child = iface->child(i);
        lines.append(roleName(child->role()) + QStringLiteral(": ") + child->text(QAccessible::Name));
    }
    return lines;
}

// Every node below iface, which must name its parent back and know its own index.
void walk(QAccessibleInterface *iface, QList<QAccessibleInterface *> &nodes, QStringList &inconsistent)
{
    nodes.append(iface);
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *child = iface->child(i);
        if (!child)
            continue;
        if (child->parent() != iface || iface->indexOfChild(child) != i)
            inconsistent.append(QString::fromLatin1(child->object()->metaObject()->className()));
        walk(child, nodes, inconsistent);
    }
}

void perform(QAccessibleInterface *iface, const QString &action)
{
    QVERIFY2(iface->actionInterface()->actionNames().contains(action),
             qPrintable(iface->text(QAccessible::Name) + QStringLiteral(": ") + action));
    iface->actionInterface()->doAction(action);
}

} // namespace

class TestScreenReader final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Spring::setAnimationsEnabled(false);
    }

    void init()
    {
        m_harness = std::make_unique<AppHarness>(AppHarness::at(monday, 10, 30));
        MessageBox::clearNextAnswer();
        MessageBox::clearLastShown();
    }

    void cleanup()
    {
        m_harness.reset();
        MessageBox::clearNextAnswer();
        ReminderAutostart::remove();
    }

    void todayReadsAsOneList()
    {
        SampleData::load(store());
        QTRY_VERIFY(!today()->isShowingEmptyState());
        QAccessibleInterface *list = accessible(today()->list());
        QCOMPARE(list->role(), QAccessible::List);
        const QStringList expected = {
            QStringLiteral("item: Monday, Dec 7, 6 tasks left, 0 done today"),
            QStringLiteral("heading: Overdue"),
            QStringLiteral("item: Figgy, Fertilize, 1 day late, Living Room"),
            QStringLiteral("item: Monty, Water, 1 day late, Living Room"),
            QStringLiteral("item: Monty, Mist, 1 day late, Living Room"),
            QStringLiteral("heading: Today"),
            QStringLiteral("button: Complete All"),
            QStringLiteral("item: Fernando, Water, Due today, Bathroom"),
            QStringLiteral("item: Fernando, Mist, Due today, Bathroom"),
            QStringLiteral("item: Goldie, Water, Due today, Kitchen"),
            QStringLiteral("heading: Next 7 Days"),
            QStringLiteral("item: Orbi, Mist, Tomorrow, Bathroom"),
            QStringLiteral("item: Orbi, Water, In 2 days, Bathroom"),
            QStringLiteral("item: Penny, Fertilize, In 2 days, Office"),
            QStringLiteral("item: Figgy, Water, In 5 days, Living Room"),
            QStringLiteral("item: Penny, Water, In 5 days, Office"),
        };
        QCOMPARE(readChildren(list), expected);
        QCOMPARE(accessible(today()->summaryCard())->childCount(), 0);

        // Completing a task by its button's action: the item moves to the next days, the summary
        // and the tab's count follow.
        QAccessibleInterface *tab = accessible(m_harness->app->rootView()->sidebar())->child(0);
        QCOMPARE(tab->text(QAccessible::Name), QStringLiteral("Today, 6 tasks due"));
        TaskRow *goldie = today()->rows().at(5);
        QCOMPARE(goldie->plantName(), QStringLiteral("Goldie"));
        // The item's name already says its texts: inside it a reader finds only the button.
        QCOMPARE(readChildren(accessible(goldie)),
                 QStringList{QStringLiteral("button: Mark water done for Goldie")});
        perform(accessible(goldie->doneButton()), QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(today()->completions(), 1);
        QStringList after = expected;
        after[0] = QStringLiteral("item: Monday, Dec 7, 5 tasks left, 1 done today");
        after.append(after.takeAt(9).replace(QStringLiteral("Due today"), QStringLiteral("In 7 days")));
        QTRY_COMPARE(readChildren(list), after);
        QTRY_COMPARE(tab->text(QAccessible::Name), QStringLiteral("Today, 5 tasks due"));

        // Undone, the item is back under "Today", and read there.
        QTest::keyClick(m_harness->app->mainWindow(), Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(readChildren(list), expected);
    }

    // A row's Press is whatever Enter does on it.
    void rowPressDoesWhatEnterDoes()
    {
        SampleData::load(store());
        QTRY_VERIFY(!today()->isShowingEmptyState());
        NavigationStack *stack = m_harness->app->rootView()->navigationStack(AppTab::today);
        const auto effect = [&](TaskRow *row, bool byReader) {
            const int events = store().eventCount();
            const int depth = stack->depth();
            if (byReader)
                perform(accessible(row), QAccessibleActionInterface::pressAction());
            else
                QTest::keyClick(row, Qt::Key_Return);
            QTest::qWait(50);
            const QPair<int, int> change{store().eventCount() - events, stack->depth() - depth};
            stack->popToRoot();
            return change;
        };
        const QPair<int, int> byKey = effect(today()->rows().at(0), false);
        const QPair<int, int> byReader = effect(today()->rows().at(0), true);
        QVERIFY(byKey != qMakePair(0, 0));
        QCOMPARE(byReader, byKey);
    }

    // My Plants reads as the screen shows it: each room's heading, then its cards; cards scrolled
    // far away are not read, those scrolled into view are.
    void myPlantsReadInScreenOrder()
    {
        SampleData::load(store());
        m_harness->app->state().setSelectedTab(AppTab::plants);
        PlantsView *plants = plantsView();
        PlantGrid *grid = plants->grid();
        QTRY_VERIFY(!grid->shownCards().isEmpty());
        QAccessibleInterface *list = accessible(grid);
        QCOMPARE(list->role(), QAccessible::List);
        const QStringList lines = readChildren(list);
        // Names are read as the user typed them, with no direction marks around plain names.
        QCOMPARE(lines.mid(0, 4), (QStringList{QStringLiteral("heading: Bathroom"),
                                               QStringLiteral("item: Fernando, Boston Fern"),
                                               QStringLiteral("item: Orbi, Calathea Orbifolia"),
                                               QStringLiteral("heading: Bedroom")}));
        QCOMPARE(list->child(1)->text(QAccessible::Description), QStringLiteral("Water today"));
        QCOMPARE(list->child(2)->text(QAccessible::Description), QStringLiteral("Water in 2 days"));
        // Reading order is screen order, and every child names the list as its parent.
        const auto screenOrder = [&] {
            QList<QWidget *> widgets = grid->readingOrder();
            std::stable_sort(widgets.begin(), widgets.end(), [](QWidget *a, QWidget *b) {
                return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
            });
            return widgets;
        };
        for (int i = 0; i < list->childCount(); ++i) {
            QCOMPARE(list->child(i)->parent(), list);
            QCOMPARE(list->indexOfChild(list->child(i)), i);
        }
        QCOMPARE(grid->readingOrder(), screenOrder());
        PlantCard *last = grid->scrollTo(grid->plants().constLast());
        QVERIFY(last);
        QTRY_VERIFY(!accessible(last)->state().offscreen);
        QVERIFY(grid->readingOrder().contains(last));
        QCOMPARE(grid->readingOrder(), screenOrder());
    }

    // A species' facts and tips are lists of one-line items; its symbols say nothing on their own.
    void speciesDetailReadsAsLists()
    {
        m_harness->app->state().setSelectedTab(AppTab::explore);
        auto *explore = qobject_cast<ExploreView *>(
            m_harness->app->rootView()->navigationStack(AppTab::explore)->page(0));
        SpeciesDetailView *detail = explore->open(Species::find(QStringLiteral("monstera")));
        QVERIFY(detail);
        QAccessibleInterface *facts = accessible(detail->tiles().constFirst())->parent();
        QCOMPARE(facts->role(), QAccessible::List);
        QCOMPARE(readChildren(facts).mid(0, 2),
                 (QStringList{QStringLiteral("item: Water, Every 8 days"),
                              QStringLiteral("item: Fertilize, Every 30 days")}));
        QCOMPARE(facts->childCount(), detail->tiles().size());
        QAccessibleInterface *tips = accessible(detail->tipRows().constFirst())->parent();
        QCOMPARE(tips->role(), QAccessible::List);
        QCOMPARE(tips->childCount(), detail->tipRows().size());
        QVERIFY(tips->child(0)->text(QAccessible::Name).startsWith(QStringLiteral("Tip 1: ")));
        QCOMPARE(tips->child(0)->childCount(), 0);

        QList<QAccessibleInterface *> nodes;
        QStringList inconsistent;
        walk(accessible(detail), nodes, inconsistent);
        QVERIFY2(inconsistent.isEmpty(), qPrintable(inconsistent.join(QLatin1Char(','))));
        for (QAccessibleInterface *node : nodes) {
            if (node->role() == QAccessible::Graphic && !node->state().invisible)
                QVERIFY2(!node->text(QAccessible::Name).isEmpty(), node->object()->metaObject()->className());
        }
    }

    // A symbol with its text is one text, read by its name; the text inside is not read again.
    void symbolLabelIsOneText()
    {
        SymbolLabel label(QStringLiteral("house"), QStringLiteral("&Kitchen"));
        label.setAccessibleName(QStringLiteral("Room: &Kitchen"));
        QAccessibleInterface *text = accessible(&label);
        QCOMPARE(text->role(), QAccessible::StaticText);
        QCOMPARE(text->text(QAccessible::Name), QStringLiteral("Room: &Kitchen"));
        QCOMPARE(text->childCount(), 0);
    }

    void sidebarTabsSwitchTabs()
    {
        QAccessibleInterface *tabs = accessible(m_harness->app->rootView()->sidebar());
        QCOMPARE(tabs->role(), QAccessible::PageTabList);
        perform(tabs->child(2), QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(m_harness->app->state().selectedTab(), AppTab::explore);
        perform(tabs->child(0), QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(m_harness->app->state().selectedTab(), AppTab::today);
        for (int i = 0; i < tabs->childCount(); ++i)
            QCOMPARE(bool(tabs->child(i)->state().selected), i == 0);
    }

    // While the sheet is open the window behind it is not showing; the sheet is a modal dialog
    // whose form offers the interval as a spin button and the kinds as switches.
    void addPlantSheetIsAModalDialog()
    {
        SampleData::load(store());
        QTRY_VERIFY(!today()->isShowingEmptyState());
        QAccessibleInterface *firstRow = accessible(today()->rows().at(0));
        QVERIFY(!firstRow->state().offscreen);

        m_harness->app->state().setAddingPlant(true);
        QTRY_VERIFY(m_harness->app->rootView()->sheet());
        Sheet *sheet = m_harness->app->rootView()->sheet();
        QAccessibleInterface *dialog = accessible(sheet);
        QCOMPARE(dialog->role(), QAccessible::Dialog);
        QCOMPARE(dialog->text(QAccessible::Name), QStringLiteral("Add a Plant"));
        QVERIFY(dialog->state().modal);
        QVERIFY(firstRow->state().offscreen);

        auto *flow = qobject_cast<AddPlantFlow *>(sheet->content());
        QAccessibleInterface *monstera = accessible(flow->speciesRow(QStringLiteral("monstera")));
        QCOMPARE(monstera->role(), QAccessible::ListItem);
        QTRY_VERIFY(!monstera->state().offscreen);
        perform(monstera, QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(flow->navigationStack()->depth(), 2);
        auto *form = qobject_cast<PlantFormView *>(flow->navigationStack()->currentPage());
        QVERIFY(form);
        QTRY_VERIFY(monstera->state().invisible || monstera->state().offscreen);

        IntervalRow *water = form->intervalRow(CareKind::water);
        QAccessibleInterface *stepper = accessible(water->stepper());
        QCOMPARE(stepper->role(), QAccessible::SpinBox);
        QCOMPARE(stepper->text(QAccessible::Name), QStringLiteral("Water interval"));
        QCOMPARE(stepper->valueInterface()->maximumValue().toInt(), 120);
        stepper->valueInterface()->setCurrentValue(14);
        QCOMPARE(water->days(), 14);
        QCOMPARE(stepper->text(QAccessible::Description), QStringLiteral("Every 14 days"));

        QAccessibleInterface *toggle = accessible(water->toggle());
        QCOMPARE(toggle->role(), QAccessible::CheckBox);
        QVERIFY(toggle->state().checked);
        perform(toggle, QAccessibleActionInterface::toggleAction());
        QTRY_COMPARE(water->days(), 0);
        QVERIFY(stepper->state().invisible);
        perform(toggle, QAccessibleActionInterface::toggleAction());
        QTRY_COMPARE(water->days(), 7); // switching on starts from the kind's default again

        sheet->dismiss();
        QTRY_VERIFY(!firstRow->state().offscreen);
    }

    // Windows of their own are frames (not fillers) named after their title.
    void windowsAreNamedFrames()
    {
        m_harness->app->showSettings();
        QWidget *settings = m_harness->app->settingsWindow();
        QVERIFY(QTest::qWaitForWindowExposed(settings));
        ShortcutsWindow shortcuts;
        shortcuts.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shortcuts));
        for (QWidget *window : {settings, static_cast<QWidget *>(&shortcuts)}) {
            QAccessibleInterface *frame = accessible(window);
            QCOMPARE(frame->role(), QAccessible::Window);
            QCOMPARE(frame->text(QAccessible::Name), window->windowTitle());
        }
    }

    // A right click on a card that is not the current one makes it current (and selected for a
    // reader) before its menu opens.
    void rightClickedCardIsCurrent_data()
    {
        QTest::addColumn<bool>("plants");
        QTest::newRow("my plants") << true;
        QTest::newRow("explore") << false;
    }
    void rightClickedCardIsCurrent()
    {
        QFETCH(bool, plants);
        const AppTab tab = plants ? AppTab::plants : AppTab::explore;
        SampleData::load(store());
        m_harness->app->state().setSelectedTab(tab);
        QWidget *card = nullptr;
        std::function<bool()> isCurrent;
        if (tab == AppTab::plants) {
            PlantGrid *grid = plantsView()->grid();
            QTRY_VERIFY(grid->shownCards().size() > 2);
            grid->setCurrentPlant(grid->plants().first());
            Plant *other = grid->plants().at(2);
            card = grid->card(other);
            isCurrent = [grid, other] { return grid->currentPlant() == other; };
        } else {
            auto *explore = qobject_cast<ExploreView *>(
                m_harness->app->rootView()->navigationStack(AppTab::explore)->page(0));
            SpeciesGrid *grid = explore->grid();
            QTRY_VERIFY(grid->builtCount() > 2);
            grid->setCurrentIndex(0);
            card = grid->card(2);
            isCurrent = [grid] { return grid->currentIndex() == 2; };
        }
        QVERIFY(card && !isCurrent());
        const QPoint centre = card->rect().center();
        QTest::mousePress(card, Qt::RightButton, {}, centre);
        QContextMenuEvent click(QContextMenuEvent::Mouse, centre, card->mapToGlobal(centre));
        QApplication::sendEvent(card, &click);
        QTest::mouseRelease(card, Qt::RightButton, {}, centre);
        QVERIFY(isCurrent());
        if (plants) {
            QVERIFY(accessible(card)->state().selected);
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            menu->close();
        }
    }

    // Both form sheets are dialogs named after their title that open on the Name field; a
    // species opened from the keyboard puts focus on a page named after it.
    void formSheetsOpenNamedOnTheNameField_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::newRow("add to my plants") << false;
        QTest::newRow("edit plant") << true;
    }
    void formSheetsOpenNamedOnTheNameField()
    {
        QFETCH(bool, editing);
        Sheet *sheet = nullptr;
        if (editing) {
            auto *plant = new Plant(QStringLiteral("Figgy"), Species::find(QStringLiteral("monstera")),
                                    QStringLiteral("Office"));
            store().insert(plant);
            auto *detail = new PlantDetailView(store(), plant);
            m_harness->app->rootView()->navigationStack(AppTab::today)->push(detail, plant->name());
            detail->edit();
            sheet = detail->editSheet();
        } else {
            m_harness->app->state().setSelectedTab(AppTab::explore);
            auto *explore = qobject_cast<ExploreView *>(
                m_harness->app->rootView()->navigationStack(AppTab::explore)->page(0));
            QTRY_VERIFY(explore->grid()->card(0));
            explore->grid()->card(0)->setFocus(Qt::TabFocusReason);
            SpeciesDetailView *species = explore->open(explore->grid()->card(0)->species());
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(species->isAncestorOf(focus));
            QCOMPARE(accessible(focus)->text(QAccessible::Name), species->species().commonName);
            species->addToMyPlants();
            sheet = Sheet::topmost(m_harness->app->mainWindow());
        }
        QVERIFY(sheet);
        QAccessibleInterface *dialog = accessible(sheet);
        QCOMPARE(dialog->role(), QAccessible::Dialog);
        QCOMPARE(dialog->text(QAccessible::Name),
                 editing ? QStringLiteral("Edit Plant") : QStringLiteral("New Plant"));
        auto *form = sheet->content()->findChild<PlantFormView *>();
        QTRY_COMPARE(QApplication::focusWidget(), form->nameField());
        QCOMPARE(accessible(QApplication::focusWidget())->text(QAccessible::Name), QStringLiteral("Name"));
    }

    // The whole window, sheet and form included: every control has a name, none has a key
    // binding taken from user text, and every node names its parent back.
    void everyControlIsNamed()
    {
        Plant *plant = new Plant(QStringLiteral("R&D <b>"), Species::custom(), QStringLiteral("&Lab"));
        store().insert(plant);
        plant->setInterval(CareKind::water, 1);
        plant->markDone(CareKind::water, m_harness->clock.now().addDays(-1));
        QTRY_VERIFY(!today()->rows().isEmpty());
        // User text reaches the name as typed, markup and "&" included.
        QCOMPARE(accessible(today()->rows().constFirst()->doneButton())->text(QAccessible::Name),
                 QStringLiteral("Mark water done for R&D <b>"));
        checkNames(today());
        m_harness->app->state().setSelectedTab(AppTab::plants);
        auto *detail = new PlantDetailView(store(), plant);
        m_harness->app->rootView()->navigationStack(AppTab::plants)->push(detail, plant->name());
        m_harness->app->state().setAddingPlant(true);
        QTRY_VERIFY(m_harness->app->rootView()->sheet());
        auto *flow = qobject_cast<AddPlantFlow *>(m_harness->app->rootView()->sheet()->content());
        // The species list, then the form; the plant's page and its history wait on another tab.
        checkNames(detail);
        checkNames(m_harness->app->mainWindow());
        flow->choose(Species::custom());
        checkNames(m_harness->app->mainWindow());
        QVERIFY(!QTest::currentTestFailed());
    }

    // The switch's Toggle runs what a click runs: the permission request, then the saved choice
    // or the alert.
    void remindersSwitchAsksLikeAClick_data()
    {
        QTest::addColumn<bool>("granted");
        QTest::newRow("granted") << true;
        QTest::newRow("refused") << false;
    }
    void remindersSwitchAsksLikeAClick()
    {
        QFETCH(bool, granted);
        if (!granted) {
            m_harness->notifications.status = AuthorizationStatus::denied;
            MessageBox::setNextAnswer(QStringLiteral("OK"));
        }
        m_harness->app->showSettings();
        QWidget *window = m_harness->app->settingsWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto *settings = window->findChild<SettingsView *>(QStringLiteral("settingsView"));
        QAccessibleInterface *toggle = accessible(settings->remindersToggle());
        QCOMPARE(toggle->text(QAccessible::Name), QStringLiteral("Daily Reminders"));

        perform(toggle, QAccessibleActionInterface::toggleAction());
        QTRY_COMPARE(m_harness->notifications.operations().count(
                         RecordingNotificationCenter::Operation::requestAuthorization),
                     1);
        if (granted) {
            QTRY_VERIFY(m_harness->app->preferences().remindersEnabled());
            QVERIFY(toggle->state().checked);
            QVERIFY(!MessageBox::lastShown());
        } else {
            QTRY_VERIFY(MessageBox::lastShown());
            QCOMPARE(MessageBox::lastShown()->title, QStringLiteral("Notifications Are Off"));
            QVERIFY(!m_harness->app->preferences().remindersEnabled());
            QTRY_VERIFY(!toggle->state().checked);
        }
        Preferences reread(m_harness->dir.filePath(QStringLiteral("settings.ini")));
        QCOMPARE(reread.remindersEnabled(), granted);
    }

private:
    // Below root: every control and list has a name, none has a key binding taken from user
    // text, every node names its parent back, and no list item has a part that says again what
    // the item's name or description says.
    void checkNames(QWidget *root)
    {
        QList<QAccessibleInterface *> nodes;
        QStringList inconsistent;
        walk(accessible(root), nodes, inconsistent);
        QVERIFY2(inconsistent.isEmpty(), qPrintable(inconsistent.join(QLatin1Char(','))));
        QStringList unnamed;
        QStringList repeated;
        for (QAccessibleInterface *node : nodes) {
            const QAccessible::Role role = node->role();
            const QString name = node->text(QAccessible::Name);
            const bool named = role == QAccessible::PushButton || role == QAccessible::CheckBox ||
                               role == QAccessible::PageTab || role == QAccessible::SpinBox ||
                               role == QAccessible::List || role == QAccessible::Dialog;
            if (named && name.isEmpty() && !node->state().invisible)
                unnamed.append(node->object()->objectName() + QLatin1Char('/') +
                               QString::fromLatin1(node->object()->metaObject()->className()));
            if (QAccessibleActionInterface *actions = node->actionInterface()) {
                // Fixed keys (a card's Return and Menu) are fine; a mnemonic from a name is not.
                for (const QString &action : actions->actionNames()) {
                    for (const QString &keys : actions->keyBindingsForAction(action))
                        QVERIFY2(!keys.startsWith(QStringLiteral("Alt+")), qPrintable(name));
                }
            }
            if (role != QAccessible::ListItem || name.isEmpty())
                continue;
            const QString said = name + QLatin1Char('\n') + node->text(QAccessible::Description);
            QList<QAccessibleInterface *> inside;
            QStringList ignored;
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i), inside, ignored);
            for (QAccessibleInterface *part : std::as_const(inside)) {
                const QString partName = part->text(QAccessible::Name);
                if (!part->state().invisible && !partName.isEmpty() && said.contains(partName))
                    repeated.append(name + QStringLiteral(" > ") + partName);
            }
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char(','))));
        QVERIFY2(repeated.isEmpty(), qPrintable(repeated.join(QLatin1Char(','))));
    }

    ModelStore &store() const { return m_harness->app->store(); }
    PlantsView *plantsView() const
    {
        return qobject_cast<PlantsView *>(
            m_harness->app->rootView()->navigationStack(AppTab::plants)->page(0));
    }
    TodayView *today() const
    {
        return qobject_cast<TodayView *>(m_harness->app->rootView()->navigationStack(AppTab::today)->page(0));
    }

    QTemporaryDir m_config;
    std::unique_ptr<AppHarness> m_harness;
};

QTEST_MAIN(TestScreenReader)
#include "tst_screenreader.moc"
