// The My Plants screen in the real main window: rooms and cards, search and the room filter,
// the watering badges, the context menu's care and delete, choosing a card, the keyboard, and
// the grid following the store, the calendar and a large garden.
#include "support/AppHarness.h"

#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Views/Components/ContentUnavailableView.h"
#include "Views/Components/ContextMenu.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/Sidebar.h"
#include "Views/Components/SidebarItem.h"
#include "Views/Components/Spring.h"
#include "Views/Components/TextLabel.h"
#include "Views/Plants/PlantCard.h"
#include "Views/Plants/PlantGrid.h"
#include "Views/Plants/PlantPictureCache.h"
#include "Views/Plants/PlantsView.h"
#include "Views/Plants/RoomHeader.h"
#include "Views/RootView.h"
#include "Views/State/AppState.h"
#include "Views/Today/TaskRow.h"
#include "Views/Today/TodayView.h"

#include "fixtures/ImageFixtures.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

const QDate monday(2026, 12, 7);
const QString fsi = QString(QChar(0x2068));
const QString pdi = QString(QChar(0x2069));

struct Care
{
    qint64 water = 7;
    qint64 fertilize = 0;
    qint64 mist = 0;
    std::optional<int> wateredDaysAgo; // none: never, the schedule runs from today
};

} // namespace

Q_DECLARE_METATYPE(Care)

namespace {

QString badgeLine(const PlantCard *card)
{
    const std::optional<PlantCard::Badge> badge = card->statusBadge();
    if (!badge)
        return QStringLiteral("none");
    const char *tint = badge->tint == PlantCard::BadgeTint::red    ? "red"
                       : badge->tint == PlantCard::BadgeTint::blue ? "blue"
                                                                   : "plain";
    return QStringLiteral("%1 %2 %3")
        .arg(badge->text, QLatin1String(tint),
             badge->whiteForeground ? QStringLiteral("white") : QStringLiteral("primary"));
}

// Records the regions a widget paints.
class PaintRecorder final : public QObject
{
public:
    QList<QRegion> regions;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            regions.append(static_cast<QPaintEvent *>(event)->region());
        return QObject::eventFilter(watched, event);
    }
};

QMenu *openPopup()
{
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

QAction *menuAction(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

class TestPlantsScreen final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Spring::setAnimationsEnabled(false);
    }

    void init()
    {
        m_harness = std::make_unique<AppHarness>(AppHarness::at(monday, 10, 30));
        m_harness->app->mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_harness->app->mainWindow()));
        m_view = m_harness->app->mainWindow()->findChild<PlantsView *>(QStringLiteral("plantsView"));
        QVERIFY(m_view);
        QVERIFY(!m_view->isVisible());
        QTest::mouseClick(m_harness->app->rootView()->sidebar()->item(1), Qt::LeftButton);
        QTRY_VERIFY(m_view->isVisible());
        QCOMPARE(m_harness->app->state().selectedTab(), AppTab::plants);
    }

    void cleanup()
    {
        MessageBox::clearNextAnswer();
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        m_harness.reset();
    }

    void noPlantsOffersToAddOne_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("empty state") << QStringLiteral("plantsAddFirstPlantButton");
        QTest::newRow("toolbar") << QStringLiteral("plantsAddPlantButton");
    }

    void noPlantsOffersToAddOne()
    {
        QFETCH(QString, button);
        QVERIFY(m_view->isShowingEmptyState());
        QVERIFY(!m_view->isShowingNoResults());
        QCOMPARE(m_view->emptyState()->title(), QStringLiteral("No Plants Yet"));
        QCOMPARE(m_view->emptyState()->description(),
                 QStringLiteral("Plants you add will appear here, organized by room."));
        QCOMPARE(screen(), QStringList());
        QCOMPARE(roomChoices(), QStringList{QStringLiteral("✓ All Rooms")});
        QCOMPARE(m_harness->app->rootView()->navigationStack(AppTab::plants)->currentTitle(),
                 QStringLiteral("My Plants"));

        auto *addButton = m_harness->app->mainWindow()->findChild<GlassButton *>(button);
        QVERIFY(addButton && addButton->isVisible());
        QTest::mouseClick(addButton, Qt::LeftButton);
        QVERIFY(m_harness->app->state().isAddingPlant());
        m_harness->app->state().setAddingPlant(false);
        // A first plant replaces the panel with its room.
        add(QStringLiteral("Fern"), QStringLiteral("Study"));
        QTRY_COMPARE(screen(), (QStringList{QStringLiteral("# Study 1"), QStringLiteral("Fern 7d")}));
        QVERIFY(!m_view->isShowingEmptyState());
    }

    void searchFindsNameOrSpecies_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("expected");
        const QString living = QStringLiteral("# Living Room ");
        QTest::newRow("case ignored, name or species")
            << QStringLiteral("FERN")
            << QStringList{living + QStringLiteral("2"), QStringLiteral("Boston fern 7d"),
                           QStringLiteral("Fronds 4d")};
        QTest::newRow("species only")
            << QStringLiteral("monstera")
            << QStringList{QStringLiteral("# Office 1"), QStringLiteral("Monty 8d")};
        QTest::newRow("diacritics ignored")
            << QStringLiteral("cafe") << QStringList{QStringLiteral("# Office 1"), QStringLiteral("Café 7d")};
        QTest::newRow("markup is plain text")
            << QStringLiteral("<b>")
            << QStringList{living + QStringLiteral("1"), QStringLiteral("<b>x</b> 7d")};
        QTest::newRow("as typed, not trimmed") << QStringLiteral("fern ") << QStringList{};
    }

    void searchFindsNameOrSpecies()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        add(QStringLiteral("Boston fern"), QStringLiteral("Living Room"));
        add(QStringLiteral("Fronds"), QStringLiteral("Living Room"), QStringLiteral("fern"), {4, 30, 2, {}});
        add(QStringLiteral("Monty"), QStringLiteral("Office"), QStringLiteral("monstera"), {8, 30, 4, {}});
        add(QStringLiteral("Café"), QStringLiteral("Office"));
        add(QStringLiteral("<b>x</b>"), QStringLiteral("Living Room"));
        QTRY_COMPARE(screen().size(), 7);

        QTest::keyClicks(m_view->searchField()->lineEdit(), typed);
        QCOMPARE(m_view->searchText(), typed);
        QTRY_COMPARE(screen(), expected);
        QCOMPARE(m_view->isShowingNoResults(), expected.isEmpty());
        if (expected.isEmpty())
            QCOMPARE(m_view->noResults()->title(),
                     QStringLiteral("No Results for “%1”").arg(fsi + typed + pdi));
        // Escape clears the search and every plant is back.
        QTest::keyClick(m_view->searchField()->lineEdit(), Qt::Key_Escape);
        QTRY_COMPARE(screen().size(), 7);
        QVERIFY(!m_view->isShowingNoResults());
    }

    void roomFilterWithSearch()
    {
        add(QStringLiteral("Basil"), QStringLiteral("Kitchen"));
        add(QStringLiteral("Kitchen fern"), QStringLiteral("Kitchen"), QStringLiteral("fern"),
            {4, 30, 2, {}});
        add(QStringLiteral("Boston fern"), QStringLiteral("Living Room"), QStringLiteral("fern"),
            {4, 30, 2, {}});
        QTRY_COMPARE(screen().size(), 5);

        chooseRoom(QStringLiteral("Kitchen"));
        QCOMPARE(m_view->siteFilter(), QStringLiteral("Kitchen"));
        QCOMPARE(m_view->roomMenuButton()->symbol(),
                 QStringLiteral("line.3.horizontal.decrease.circle.fill"));
        QTRY_COMPARE(screen(), (QStringList{QStringLiteral("# Kitchen 2"), QStringLiteral("Basil 7d"),
                                            QStringLiteral("Kitchen fern 4d")}));
        QTest::keyClicks(m_view->searchField()->lineEdit(), QStringLiteral("fern"));
        QTRY_COMPARE(screen(),
                     (QStringList{QStringLiteral("# Kitchen 1"), QStringLiteral("Kitchen fern 4d")}));
        // The menu shows the choice; every room stays offered whatever the search says.
        QCOMPARE(roomChoices(), (QStringList{QStringLiteral("All Rooms"), QStringLiteral("✓ Kitchen"),
                                             QStringLiteral("Living Room")}));

        // The room's last plant leaves: the filter stays, and the panel says why the grid is empty.
        m_view->searchField()->clear();
        for (Plant *plant : m_harness->app->store().plants()) {
            if (plant->site() == QStringLiteral("Kitchen"))
                plant->setSite(QStringLiteral("Pantry"));
        }
        QTRY_VERIFY(m_view->isShowingNoResults());
        QCOMPARE(m_view->siteFilter(), QStringLiteral("Kitchen"));
        QCOMPARE(screen(), QStringList());
        chooseRoom(QStringLiteral("All Rooms"));
        QTRY_COMPARE(screen().size(), 5);
        QCOMPARE(m_view->roomMenuButton()->symbol(), QStringLiteral("line.3.horizontal.decrease.circle"));
    }

    void roomsInCodePointOrder()
    {
        for (const char *room : {"Bedroom", "bathroom", "Attic", "kitchen", "Kitchen", "&x"})
            add(QString::fromLatin1(room), QString::fromLatin1(room));
        const QString longRoom(10'000, QLatin1Char('w'));
        add(QStringLiteral("Long"), longRoom);
        QTRY_COMPARE(m_view->grid()->groups().size(), 7);
        QStringList headers;
        for (const PlantGrid::Group &group : m_view->grid()->groups())
            headers.append(group.site.left(10));
        QCOMPARE(headers,
                 (QStringList{QStringLiteral("&x"), QStringLiteral("Attic"), QStringLiteral("Bedroom"),
                              QStringLiteral("Kitchen"), QStringLiteral("bathroom"),
                              QStringLiteral("kitchen"), QStringLiteral("wwwwwwwwww")}));
        // In the menu a room is never a mnemonic and never wider than the menu.
        const QStringList choices = roomChoices();
        QCOMPARE(choices.mid(0, 7),
                 (QStringList{QStringLiteral("✓ All Rooms"), QStringLiteral("&&x"), QStringLiteral("Attic"),
                              QStringLiteral("Bedroom"), QStringLiteral("Kitchen"),
                              QStringLiteral("bathroom"), QStringLiteral("kitchen")}));
        QVERIFY(choices.last().size() < 200 && choices.last().endsWith(QStringLiteral("…")));
        chooseRoom(QStringLiteral("kitchen"));
        QTRY_COMPARE(screen(), (QStringList{QStringLiteral("# kitchen 1"), QStringLiteral("kitchen 7d")}));
        // A header shows its room as plain text.
        RoomHeader *header = m_view->grid()->header(QStringLiteral("kitchen"));
        QCOMPARE(header->titleLabel()->textFormat(), Qt::PlainText);
        QCOMPARE(QAccessible::queryAccessibleInterface(header)->role(), QAccessible::Heading);
    }

    void wateringBadges_data()
    {
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<int>("wateredDaysAgo");
        QTest::addColumn<QString>("badge");
        QTest::addColumn<QString>("status");
        QTest::newRow("no watering schedule") << qint64(0) << 1 << QStringLiteral("none") << QString();
        QTest::newRow("two days overdue") << qint64(7) << 9 << QStringLiteral("Thirsty red white")
                                          << QStringLiteral("Thirsty, 2 days late");
        QTest::newRow("one day overdue")
            << qint64(3) << 4 << QStringLiteral("Thirsty red white") << QStringLiteral("Thirsty, 1 day late");
        QTest::newRow("due today") << qint64(7) << 7 << QStringLiteral("Today blue white")
                                   << QStringLiteral("Water today");
        QTest::newRow("tomorrow") << qint64(7) << 6 << QStringLiteral("1d plain primary")
                                  << QStringLiteral("Water tomorrow");
        QTest::newRow("in three days")
            << qint64(7) << 4 << QStringLiteral("3d plain primary") << QStringLiteral("Water in 3 days");
    }

    void wateringBadges()
    {
        QFETCH(qint64, interval);
        QFETCH(int, wateredDaysAgo);
        QFETCH(QString, badge);
        QFETCH(QString, status);
        Plant *plant = add(QStringLiteral("Fern"), QStringLiteral("Study"), QStringLiteral("custom"),
                           {interval, 30, 0, wateredDaysAgo});
        QTRY_VERIFY(m_view->grid()->card(plant));
        PlantCard *card = m_view->grid()->card(plant);
        QCOMPARE(badgeLine(card), badge);
        // One element for assistive technology, the status in words as its description.
        QAccessibleInterface *item = QAccessible::queryAccessibleInterface(card);
        QCOMPARE(item->role(), QAccessible::ListItem);
        QCOMPARE(item->text(QAccessible::Name), QStringLiteral("Fern, Other plant"));
        QCOMPARE(item->text(QAccessible::Description), status);
        QCOMPARE(item->childCount(), 0);
        QCOMPARE(QAccessible::queryAccessibleInterface(m_view->grid())->role(), QAccessible::List);
    }

    void contextMenuOffersEnabledKinds_data()
    {
        QTest::addColumn<Care>("care");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("only watering")
            << Care{7, 0, 0, {}}
            << QStringList{QStringLiteral("Mark Watered"), QStringLiteral("-"), QStringLiteral("Delete")};
        QTest::newRow("all three") << Care{7, 30, 2, {}}
                                   << QStringList{QStringLiteral("Mark Watered"),
                                                  QStringLiteral("Mark Fertilized"),
                                                  QStringLiteral("Mark Misted"), QStringLiteral("-"),
                                                  QStringLiteral("Delete")};
        QTest::newRow("no schedule at all")
            << Care{0, -1, 0, {}} << QStringList{QStringLiteral("-"), QStringLiteral("Delete")};
    }

    void contextMenuOffersEnabledKinds()
    {
        QFETCH(Care, care);
        QFETCH(QStringList, items);
        Plant *plant = add(QStringLiteral("&x"), QStringLiteral("Study"), QStringLiteral("custom"), care);
        QTRY_VERIFY(m_view->grid()->card(plant));
        QCOMPARE(ContextMenu::itemsFor(m_view->grid()->card(plant)), items);
    }

    void contextMenuCareLogsOneEvent_data()
    {
        QTest::addColumn<int>("opening");
        QTest::newRow("Menu key") << 0;
        QTest::newRow("Shift+F10") << 1;
        QTest::newRow("right click") << 2;
    }

    void contextMenuCareLogsOneEvent()
    {
        QFETCH(int, opening);
        Plant *goldie =
            add(QStringLiteral("Goldie"), QStringLiteral("Hall"), QStringLiteral("custom"), {7, 0, 0, 7});
        add(QStringLiteral("Other"), QStringLiteral("Hall"), QStringLiteral("custom"), {30, 0, 0, 2});
        QTRY_VERIFY(m_view->grid()->card(goldie));
        PlantCard *card = m_view->grid()->card(goldie);
        QCOMPARE(badgeLine(card), QStringLiteral("Today blue white"));
        TodayView *today = m_harness->app->mainWindow()->findChild<TodayView *>();
        QTRY_COMPARE(dueTexts(today), QStringList{QStringLiteral("Goldie Due today")});
        const int badge = m_harness->app->rootView()->todayBadge();
        const int events = m_harness->app->store().eventCount();

        tabIntoGrid();
        QCOMPARE(m_view->grid()->currentPlant(), goldie);
        if (opening == 0) {
            QTest::keyClick(m_view->grid(), Qt::Key_Menu);
        } else if (opening == 1) {
            QTest::keyClick(m_view->grid(), Qt::Key_F10, Qt::ShiftModifier);
        } else {
            const QPoint pos = card->rect().center();
            QContextMenuEvent click(QContextMenuEvent::Mouse, pos, card->mapToGlobal(pos));
            QApplication::sendEvent(card, &click);
        }
        QTRY_VERIFY(openPopup());
        QMenu *menu = openPopup();
        QAction *water = menuAction(menu, QStringLiteral("Mark Watered"));
        QVERIFY(water);
        // However quickly the choice comes twice, the one opening logs one watering.
        water->trigger();
        water->trigger();
        menu->close();
        QCOMPARE(m_harness->app->store().eventCount(), events + 1);
        QCOMPARE(goldie->lastWatered().value(), m_harness->clock.now());
        QCOMPARE(badgeLine(card), QStringLiteral("7d plain primary"));
        QTRY_COMPARE(dueTexts(today), QStringList{QStringLiteral("Goldie In 7 days")});
        QTRY_COMPARE(m_harness->app->rootView()->todayBadge(), badge - 1);
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QString>("answer");
        QTest::newRow("menu, cancel") << false << QStringLiteral("Cancel");
        QTest::newRow("menu, delete") << false << QStringLiteral("Delete");
        QTest::newRow("Delete key, cancel") << true << QStringLiteral("Cancel");
        QTest::newRow("Delete key, delete") << true << QStringLiteral("Delete");
    }

    void deleteAsksFirst()
    {
        QFETCH(bool, byKey);
        QFETCH(QString, answer);
        Plant *goldie =
            add(QStringLiteral("Goldie"), QStringLiteral("Hall"), QStringLiteral("custom"), {7, 30, 0, 2});
        goldie->markDone(CareKind::fertilize, m_harness->clock.now().addDays(-3));
        add(QStringLiteral("Zed"), QStringLiteral("Hall"));
        QTRY_COMPARE(screen().size(), 3);
        const RecordId id = goldie->id();
        const int events = m_harness->app->store().eventCount();
        QCOMPARE(events, 2);

        MessageBox::clearLastShown();
        MessageBox::setNextAnswer(answer);
        if (byKey) {
            tabIntoGrid();
            QTest::keyClick(m_view->grid(), Qt::Key_Delete);
        } else {
            QVERIFY(ContextMenu::trigger(m_view->grid()->card(goldie), QStringLiteral("Delete")));
        }
        const std::optional<MessageBox::Shown> shown = MessageBox::lastShown();
        QVERIFY(shown);
        QCOMPARE(shown->title, QStringLiteral("Delete Goldie?"));
        QCOMPARE(shown->message, QStringLiteral("Its care history will be removed too."));
        QCOMPARE(shown->buttons, (QStringList{QStringLiteral("Delete"), QStringLiteral("Cancel")}));
        QVERIFY(!m_view->plantToDelete());

        const bool deleted = answer == QStringLiteral("Delete");
        if (deleted) {
            QTRY_COMPARE(screen(), (QStringList{QStringLiteral("# Hall 1"), QStringLiteral("Zed 7d")}));
            QVERIFY(!m_harness->app->store().plant(id));
            QCOMPARE(m_harness->app->store().eventCount(), 0);
        } else {
            QCOMPARE(screen(), (QStringList{QStringLiteral("# Hall 2"), QStringLiteral("Goldie 5d"),
                                            QStringLiteral("Zed 7d")}));
            QCOMPARE(m_harness->app->store().plant(id), goldie);
            QCOMPARE(m_harness->app->store().eventCount(), events);
        }
    }

    void hostileNames()
    {
        const QString rtl = QStringLiteral("\u200Fשלום");
        const QString longName(10'000, QLatin1Char('n'));
        for (const QString &name : {QStringLiteral("&x"), QStringLiteral("<b>bold</b>"), rtl, longName})
            add(name, QStringLiteral("<i>Room</i>"));
        QTRY_COMPARE(m_view->grid()->shownCards().size(), 4);
        QStringList names;
        for (PlantCard *card : m_view->grid()->shownCards())
            names.append(card->name());
        QVERIFY(names.contains(QStringLiteral("&x")) && names.contains(rtl) && names.contains(longName));
        QCOMPARE(m_view->grid()->header(QStringLiteral("<i>Room</i>"))->titleLabel()->text(),
                 QStringLiteral("<i>Room</i>"));
        // The question names the plant, isolated from its own words and cut to a readable length.
        MessageBox::setNextAnswer(QStringLiteral("Cancel"));
        for (Plant *plant : m_view->grid()->plants()) {
            if (plant->name() == longName)
                m_view->requestDelete(plant);
        }
        const QString title = MessageBox::lastShown()->title;
        QVERIFY(title.startsWith(QStringLiteral("Delete ") + fsi + QStringLiteral("nnn")));
        QVERIFY(title.endsWith(QStringLiteral("…") + pdi + QStringLiteral("?")));
        QVERIFY(title.size() < 200);
    }

    void choosingACard_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("click") << 0;
        QTest::newRow("Enter") << 1;
        QTest::newRow("Space") << 2;
        QTest::newRow("accessibility press") << 3;
    }

    void choosingACard()
    {
        QFETCH(int, how);
        add(QStringLiteral("Aloe"), QStringLiteral("Hall"));
        Plant *basil = add(QStringLiteral("Basil"), QStringLiteral("Hall"));
        QTRY_VERIFY(m_view->grid()->card(basil));
        PlantCard *card = m_view->grid()->card(basil);
        QSignalSpy chosen(m_view, &PlantsView::plantChosen);
        if (how == 1 || how == 2) {
            tabIntoGrid();
            QTest::keyClick(m_view->grid(), Qt::Key_Right);
            QTest::keyClick(m_view->grid(), how == 1 ? Qt::Key_Return : Qt::Key_Space);
        } else if (how == 0) {
            QTest::mouseClick(card, Qt::LeftButton);
        } else {
            QAccessible::queryAccessibleInterface(card)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        }
        QTRY_COMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().first().value<Plant *>(), basil);
        QCOMPARE(m_view->grid()->currentPlant(), basil);
        // The plant's detail covers the grid; a second click that lands then chooses nothing.
        NavigationStack *stack = m_harness->app->rootView()->navigationStack(AppTab::plants);
        QCOMPARE(stack->depth(), 2);
        QCOMPARE(stack->currentTitle(), QStringLiteral("Basil"));
        QTest::mouseClick(card, Qt::LeftButton);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(stack->depth(), 2);
    }

    void arrowKeysCrossRooms()
    {
        for (const char *name : {"A1", "A2", "A3"})
            add(QString::fromLatin1(name), QStringLiteral("Attic"));
        add(QStringLiteral("B1"), QStringLiteral("Bedroom"));
        QTRY_COMPARE(screen().size(), 6);
        const int columns = m_view->grid()->gridLayout().columns();
        QVERIFY(columns >= 3);
        tabIntoGrid();
        QCOMPARE(current(), QStringLiteral("A1"));
        QTest::keyClick(m_view->grid(), Qt::Key_Right);
        QCOMPARE(current(), QStringLiteral("A2"));
        QTest::keyClick(m_view->grid(), Qt::Key_Down); // into the next room, nearest column
        QCOMPARE(current(), QStringLiteral("B1"));
        QTest::keyClick(m_view->grid(), Qt::Key_Up);
        QCOMPARE(current(), QStringLiteral("A1"));
        QTest::keyClick(m_view->grid(), Qt::Key_End);
        QCOMPARE(current(), QStringLiteral("B1"));
        QTest::keyClick(m_view->grid(), Qt::Key_Right); // at the end it stays
        QCOMPARE(current(), QStringLiteral("B1"));
        // Tab leaves the grid; Shift+Tab comes back to the same card.
        QTest::keyClick(m_view->grid(), Qt::Key_Tab);
        QVERIFY(!m_view->grid()->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QTRY_VERIFY(m_view->grid()->hasFocus());
        QCOMPARE(current(), QStringLiteral("B1"));
    }

    void findShortcutBelongsToThePage()
    {
        add(QStringLiteral("Fern"), QStringLiteral("Study"));
        QTest::keyClick(m_harness->app->mainWindow(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(m_view->searchField()->lineEdit()->hasFocus());
        QTest::keyClicks(m_view->searchField()->lineEdit(), QStringLiteral("zz"));
        QTRY_VERIFY(m_view->isShowingNoResults());
        QTest::keyClick(m_view->searchField()->lineEdit(), Qt::Key_Escape);
        QCOMPARE(m_view->searchText(), QString());
        QVERIFY(!m_view->isShowingNoResults());

        // On another tab the shortcut does not reach this page.
        m_view->grid()->setFocus();
        QTest::mouseClick(m_harness->app->rootView()->sidebar()->item(0), Qt::LeftButton);
        QTRY_VERIFY(!m_view->isVisible());
        QTest::keyClick(m_harness->app->mainWindow(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!m_view->searchField()->lineEdit()->hasFocus());
    }

    void followsTheStoreAndTheCalendar()
    {
        Plant *fern =
            add(QStringLiteral("Fern"), QStringLiteral("Study"), QStringLiteral("custom"), {7, 0, 0, 4});
        Plant *aloe = add(QStringLiteral("Aloe"), QStringLiteral("Study"));
        QTRY_COMPARE(screen(), (QStringList{QStringLiteral("# Study 2"), QStringLiteral("Aloe 7d"),
                                            QStringLiteral("Fern 3d")}));
        // Care logged elsewhere, a rename, a move and a new plant show at once.
        fern->markDone(CareKind::water, m_harness->clock.now().addDays(-8));
        aloe->setName(QStringLiteral("Zebra"));
        QTRY_COMPARE(screen(), (QStringList{QStringLiteral("# Study 2"), QStringLiteral("Fern Thirsty"),
                                            QStringLiteral("Zebra 7d")}));
        fern->setSite(QStringLiteral("Attic"));
        add(QStringLiteral("Moss"), QStringLiteral("Study"));
        QTRY_COMPARE(screen(), (QStringList{QStringLiteral("# Attic 1"), QStringLiteral("Fern Thirsty"),
                                            QStringLiteral("# Study 2"), QStringLiteral("Moss 7d"),
                                            QStringLiteral("Zebra 7d")}));
        // Midnight moves the badges on.
        m_harness->clock.advance(qint64(14) * 3600 * 1000);
        DayClock::instance().check();
        QTRY_COMPARE(screen(), (QStringList{QStringLiteral("# Attic 1"), QStringLiteral("Fern Thirsty"),
                                            QStringLiteral("# Study 2"), QStringLiteral("Moss 6d"),
                                            QStringLiteral("Zebra 6d")}));
        m_harness->app->store().deletePlant(fern);
        QTRY_COMPARE(screen(), (QStringList{QStringLiteral("# Study 2"), QStringLiteral("Moss 6d"),
                                            QStringLiteral("Zebra 6d")}));
    }

    void oneChangeRepaintsOneCard_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("repaints");
        QTest::newRow("watered") << 0 << true;
        QTest::newRow("renamed, same place") << 1 << true;
        QTest::newRow("photo added") << 2 << true;
        QTest::newRow("fertilized, nothing shown changes") << 3 << false;
    }

    void oneChangeRepaintsOneCard()
    {
        QFETCH(int, change);
        QFETCH(bool, repaints);
        QList<Plant *> plants;
        for (int i = 0; i < 6; ++i)
            plants.append(add(QStringLiteral("Plant %1").arg(i), QStringLiteral("Hall"),
                              QStringLiteral("custom"), {7, 30, 0, 2}));
        QTRY_COMPARE(screen().size(), 7);
        QTRY_VERIFY(m_view->pictures().isIdle());
        settlePaints();
        PlantGrid *grid = m_view->grid();
        PaintRecorder gridPaints;
        grid->installEventFilter(&gridPaints);
        QHash<Plant *, std::shared_ptr<PaintRecorder>> cardPaints;
        for (Plant *plant : plants) {
            cardPaints.insert(plant, std::make_shared<PaintRecorder>());
            grid->card(plant)->installEventFilter(cardPaints.value(plant).get());
        }

        Plant *target = plants[2];
        if (change == 0)
            target->markDone(CareKind::water, m_harness->clock.now());
        else if (change == 1)
            target->setName(QStringLiteral("Plant 2b"));
        else if (change == 2)
            target->setPhoto(ImageFixtures::encode(ImageFixtures::naturalPicture(200, 250), "JPEG", 80));
        else
            target->markDone(CareKind::fertilize, m_harness->clock.now());
        if (repaints)
            QTRY_VERIFY(!cardPaints.value(target)->regions.isEmpty());
        QTRY_VERIFY(m_view->pictures().isIdle());
        settlePaints();

        QCOMPARE(cardPaints.value(target)->regions.isEmpty(), !repaints);
        const QRect cardRect = grid->card(target)->geometry();
        for (const QRegion &region : std::as_const(gridPaints.regions))
            QVERIFY2(cardRect.contains(region.boundingRect()), "the grid repainted beyond the changed card");
        for (Plant *plant : plants) {
            if (plant != target)
                QVERIFY2(cardPaints.value(plant)->regions.isEmpty(), qPrintable(plant->name()));
        }
        QCOMPARE(grid->card(target)->isShowingPhoto(), change == 2);
    }

    void largeGardenMakesCardsAsTheyScrollIntoView()
    {
        const QByteArray photo = ImageFixtures::encode(ImageFixtures::naturalPicture(400, 500), "JPEG", 80);
        for (int i = 0; i < 300; ++i) {
            auto *plant = new Plant(QStringLiteral("Plant %1").arg(i, 3, 10, QLatin1Char('0')),
                                    Species::custom(), QStringLiteral("Room %1").arg(i / 40),
                                    i % 10 == 0 ? std::optional(photo) : std::nullopt);
            m_harness->app->store().insert(plant);
        }
        PlantGrid *grid = m_view->grid();
        QTRY_COMPARE(grid->plants().size(), 300);
        QVERIFY2(grid->madeCardCount() < 60, qPrintable(QString::number(grid->madeCardCount())));
        // The first photo shows once decoded, off the UI thread.
        PlantCard *first = grid->card(grid->plants().first());
        QTRY_VERIFY(first->isShowingPhoto());

        QScrollBar *bar = m_view->scrollArea()->verticalScrollBar();
        bar->setValue(bar->maximum());
        Plant *last = grid->plants().constLast();
        QTRY_VERIFY(grid->card(last) && grid->card(last)->isVisible());
        QVERIFY(!first->isVisible());
        QVERIFY(grid->madeCardCount() < 120);
        QCOMPARE(m_view->pictures().decodesOnUiThread(), 0);
        QVERIFY(m_view->pictures().cachedBytes() <= m_view->pictures().maxBytes());
    }

private:
    Plant *add(const QString &name, const QString &site, const QString &species = QStringLiteral("custom"),
               const Care &care = {})
    {
        auto *plant = new Plant(name, Species::find(species), site);
        plant->setWaterInterval(care.water);
        plant->setFertilizeInterval(care.fertilize);
        plant->setMistInterval(care.mist);
        if (care.wateredDaysAgo)
            plant->markDone(CareKind::water, m_harness->clock.now().addDays(-*care.wateredDaysAgo));
        m_harness->app->store().insert(plant);
        return plant;
    }

    // What the grid shows top to bottom: "# Room count" for a header, "Name badge" for a card.
    QStringList screen() const
    {
        QList<QPair<QPoint, QString>> items;
        PlantGrid *grid = m_view->grid();
        for (RoomHeader *header : grid->shownHeaders())
            items.append(
                {header->pos(), QStringLiteral("# %1 %2").arg(header->room(), header->countLabel()->text())});
        for (PlantCard *card : grid->shownCards())
            items.append({card->pos(), card->name() + QLatin1Char(' ') +
                                           card->statusText().value_or(QStringLiteral("-"))});
        std::sort(items.begin(), items.end(), [](const auto &a, const auto &b) {
            return a.first.y() != b.first.y() ? a.first.y() < b.first.y() : a.first.x() < b.first.x();
        });
        QStringList lines;
        for (const auto &item : items)
            lines.append(item.second);
        return lines;
    }

    // Lets every paint already asked for happen: two frames of a widget updated on purpose.
    void settlePaints()
    {
        QWidget *probe = m_view->searchField()->lineEdit();
        for (int frame = 0; frame < 2; ++frame) {
            PaintRecorder painted;
            probe->installEventFilter(&painted);
            probe->update();
            QTRY_VERIFY(!painted.regions.isEmpty());
            probe->removeEventFilter(&painted);
        }
    }

    QStringList dueTexts(TodayView *today) const
    {
        QStringList lines;
        for (TaskRow *row : today->rows())
            lines.append(row->plantName() + QLatin1Char(' ') + row->dueText());
        return lines;
    }

    // The room menu as it opens: checked choices marked.
    QStringList roomChoices()
    {
        QTest::mouseClick(m_view->roomMenuButton(), Qt::LeftButton);
        QMenu *menu = m_view->roomMenu();
        if (!QTest::qWaitFor([menu] { return menu->isVisible(); }))
            return {QStringLiteral("(the menu did not open)")};
        QStringList choices;
        for (QAction *action : menu->actions())
            choices.append((action->isChecked() ? QStringLiteral("✓ ") : QString()) + action->text());
        menu->close();
        return choices;
    }

    void chooseRoom(const QString &room)
    {
        QTest::mouseClick(m_view->roomMenuButton(), Qt::LeftButton);
        QMenu *menu = m_view->roomMenu();
        QTRY_VERIFY(menu->isVisible());
        QAction *action = menuAction(menu, room);
        QVERIFY2(action, qPrintable(room));
        action->trigger();
        menu->close();
    }

    void tabIntoGrid()
    {
        m_view->searchField()->lineEdit()->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(m_view->searchField()->lineEdit(), Qt::Key_Tab);
        QTRY_VERIFY(m_view->grid()->hasFocus());
    }

    QString current() const
    {
        Plant *plant = m_view->grid()->currentPlant();
        return plant ? plant->name() : QString();
    }

    std::unique_ptr<AppHarness> m_harness;
    PlantsView *m_view = nullptr;
};

QTEST_MAIN(TestPlantsScreen)
#include "tst_plants_screen.moc"
