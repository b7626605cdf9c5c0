// The Explore tab and a species' detail screen in the real main window: filters and search over
// the catalog, the keyboard, going to a species and back, its care facts and tips, and adding a
// plant from it.
#include "support/AppHarness.h"

#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Views/Components/ContentUnavailableView.h"
#include "Views/Components/FilterChip.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InfoTile.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Spring.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/Components/Toast.h"
#include "Views/Explore/ExploreView.h"
#include "Views/Explore/SpeciesCard.h"
#include "Views/Explore/SpeciesDetailView.h"
#include "Views/Explore/SpeciesGrid.h"
#include "Views/Explore/TipRow.h"
#include "Views/Plants/PlantDetailView.h"
#include "Views/Plants/PlantFormView.h"
#include "Views/RootView.h"
#include "Views/State/AppState.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmapCache>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

namespace {

QStringList ids(const QList<Species> &species)
{
    QStringList list;
    for (const Species &s : species)
        list.append(s.id);
    return list;
}

// A list written as plain ASCII literals.
QStringList words(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *word : list)
        result.append(QString::fromLatin1(word));
    return result;
}

QStringList catalogIds()
{
    return ids(Species::catalog());
}

// What a card draws itself: the pixels outside its rounded shape (the page behind) are blanked.
QImage cardPixels(QWidget *card)
{
    QImage image = card->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRectF bounds(card->rect());
    QPainterPath outside;
    outside.addRect(bounds);
    const qreal radius = Theme::current().card.radius;
    outside = outside.subtracted(Shapes::continuousRoundedRect(bounds.adjusted(1, 1, -1, -1), radius - 1));
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillPath(outside, Qt::transparent);
    return image;
}

} // namespace

class ExploreScreenTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void filtersAndSearchNarrowTheGrid_data();
    void filtersAndSearchNarrowTheGrid();
    void keyboardBrowsesAndOpensCards();
    void goingToASpeciesAndBackKeepsTheFilters();
    void detailShowsCareNeedsAndTips_data();
    void detailShowsCareNeedsAndTips();
    void addingAPlantStaysOnTheDetailScreen();
    void cardRepaintsAsNewAfterAChange_data();
    void cardRepaintsAsNewAfterAChange();

private:
    ExploreView *showExplore();
    SpeciesDetailView *openCard(ExploreView *explore, const QString &id);

    std::unique_ptr<AppHarness> m_app;
};

void ExploreScreenTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qunsetenv("TENDREL_APPEARANCE");
    Spring::setAnimationsEnabled(false);
}

void ExploreScreenTest::init()
{
    m_app = std::make_unique<AppHarness>(AppHarness::at(QDate(2026, 12, 7), 10));
    m_app->app->mainWindow()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_app->app->mainWindow()));
}

void ExploreScreenTest::cleanup()
{
    m_app.reset();
}

ExploreView *ExploreScreenTest::showExplore()
{
    QTest::keyClick(m_app->app->mainWindow(), Qt::Key_3, Qt::ControlModifier);
    if (m_app->app->state().selectedTab() != AppTab::explore)
        return nullptr;
    auto *explore =
        qobject_cast<ExploreView *>(m_app->app->rootView()->navigationStack(AppTab::explore)->currentPage());
    if (!explore || !QTest::qWaitForWindowExposed(explore->window()) ||
        !QTest::qWaitFor([explore] { return explore->isVisible() && explore->grid()->builtCount() > 0; }))
        return nullptr;
    return explore;
}

SpeciesDetailView *ExploreScreenTest::openCard(ExploreView *explore, const QString &id)
{
    const qsizetype index = ids(explore->shownSpecies()).indexOf(id);
    SpeciesCard *card = explore->grid()->card(index);
    if (!card)
        return nullptr;
    explore->scrollColumn()->ensureWidgetVisible(card);
    QTest::mouseClick(card, Qt::LeftButton);
    NavigationStack *stack = NavigationStack::of(explore);
    auto *detail = qobject_cast<SpeciesDetailView *>(stack->currentPage());
    if (!detail || !QTest::qWaitFor([detail] { return detail->isVisible(); }))
        return nullptr;
    return detail;
}

void ExploreScreenTest::filtersAndSearchNarrowTheGrid_data()
{
    QTest::addColumn<QStringList>("chips");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("expected");

    const QStringList none;
    const QStringList petSafe = words({"spider", "calathea", "fern", "pilea", "parlor", "hoya"});
    QTest::newRow("nothing set: the whole catalog") << none << QString() << catalogIds();
    QTest::newRow("pet safe") << words({"Pet Safe"}) << QString() << petSafe;
    QTest::newRow("low light: low and medium") << words({"Low Light"}) << QString()
                                               << words({"pothos", "snake", "zz", "peacelily", "spider",
                                                         "calathea", "fern", "philodendron", "parlor"});
    QTest::newRow("easy care") << words({"Easy Care"}) << QString()
                               << words({"monstera", "pothos", "snake", "zz", "peacelily", "spider", "aloe",
                                         "pilea", "philodendron", "jade", "parlor"});
    QTest::newRow("all three") << words({"Pet Safe", "Low Light", "Easy Care"}) << QString()
                               << words({"spider", "parlor"});
    QTest::newRow("a chip pressed twice is off again")
        << words({"Pet Safe", "Pet Safe"}) << QString() << catalogIds();
    QTest::newRow("pet safe and ficus: no matches") << words({"Pet Safe"}) << QStringLiteral("ficus") << none;
    QTest::newRow("case ignored, one match") << none << QStringLiteral("PEARL") << words({"pearls"});
    QTest::newRow("scientific names count") << none << QStringLiteral("ficus") << words({"fiddle", "rubber"});
    QTest::newRow("accents ignored") << none << QStringLiteral("Fërn") << words({"fern"});
    QTest::newRow("markup is text") << none << QStringLiteral("<b>") << none;
    QTest::newRow("ampersand") << none << QStringLiteral("&x") << none;
    QTest::newRow("10,000 characters") << none << QString(10'000, QLatin1Char('a')) << none;
}

void ExploreScreenTest::filtersAndSearchNarrowTheGrid()
{
    QFETCH(QStringList, chips);
    QFETCH(QString, search);
    QFETCH(QStringList, expected);

    ExploreView *explore = showExplore();
    QVERIFY(explore);
    QCOMPARE(explore->searchField()->lineEdit()->placeholderText(), QStringLiteral("Search 18 houseplants"));
    const QList<FilterChip *> all{explore->petSafeChip(), explore->lowLightChip(), explore->easyCareChip()};
    for (const QString &title : chips) {
        for (FilterChip *chip : all) {
            if (chip->text() == title)
                QTest::mouseClick(chip, Qt::LeftButton);
        }
    }
    for (FilterChip *chip : all) {
        // Checked state as the user and assistive technology see it.
        const bool on = chips.count(chip->text()) % 2 == 1;
        QCOMPARE(chip->isOn(), on);
        QCOMPARE(bool(QAccessible::queryAccessibleInterface(chip)->state().checked), on);
    }
    if (!search.isEmpty()) {
        QTest::keyClick(m_app->app->mainWindow(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(explore->searchField()->lineEdit()->hasFocus());
        const bool typeable = search.size() < 100 && std::all_of(search.cbegin(), search.cend(),
                                                                 [](QChar c) { return c.unicode() < 128; });
        if (!typeable)
            explore->searchField()->lineEdit()->insert(search); // pasted, or from an input method
        else
            QTest::keyClicks(QApplication::focusWidget(), search);
        QCOMPARE(explore->searchField()->text(), search);
    }

    QCOMPARE(ids(explore->shownSpecies()), expected);
    QCOMPARE(explore->noMatchesView()->isVisible(), expected.isEmpty());
    if (expected.isEmpty()) {
        QCOMPARE(explore->noMatchesView()->title(), QStringLiteral("No Matches"));
        QCOMPARE(explore->noMatchesView()->description(), QStringLiteral("Try removing a filter."));
    }
    // The cards on screen are the listed ones, row by row in that order; the rest stay hidden.
    SpeciesGrid *grid = explore->grid();
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(grid);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->childCount(), int(expected.size()));
    QPoint previous(-1, -1);
    for (qsizetype i = 0; i < expected.size(); ++i) {
        SpeciesCard *card = grid->card(i);
        QVERIFY(card->isVisible());
        const QPoint at = card->pos();
        QVERIFY(at.y() > previous.y() || (at.y() == previous.y() && at.x() > previous.x()));
        previous = at;
        QCOMPARE(list->child(int(i))->text(QAccessible::Name), card->species().commonName);
        QCOMPARE(list->indexOfChild(list->child(int(i))), int(i));
    }
    for (const QString &id : catalogIds()) {
        if (!expected.contains(id))
            QVERIFY(!grid->builtCard(id));
    }

    // Escape in the search field clears it and brings the filtered catalog back.
    if (!search.isEmpty()) {
        QTest::keyClick(explore->searchField()->lineEdit(), Qt::Key_Escape);
        QCOMPARE(explore->filters().searchText, QString());
        QCOMPARE(explore->shownSpecies(), ExploreView::results(explore->filters()));
        QVERIFY(!explore->shownSpecies().isEmpty());
    }
}

void ExploreScreenTest::keyboardBrowsesAndOpensCards()
{
    ExploreView *explore = showExplore();
    QVERIFY(explore);
    // Tab goes through the chips to one card, the grid's only tab stop.
    explore->petSafeChip()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), explore->lowLightChip());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), explore->easyCareChip());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(explore->easyCareChip()->isOn());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto *card = qobject_cast<SpeciesCard *>(QApplication::focusWidget());
    QVERIFY(card);
    QCOMPARE(card->species().id, QStringLiteral("monstera"));
    QVERIFY(QAccessible::queryAccessibleInterface(card)->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));

    // Arrows move by card and by row (two columns at this width: 1100 less the sidebar).
    const int columns = explore->grid()->fit().count;
    QVERIFY(columns >= 2);
    QTest::keyClick(card, Qt::Key_Right);
    QCOMPARE(qobject_cast<SpeciesCard *>(QApplication::focusWidget())->species().id,
             QStringLiteral("pothos"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    const QList<Species> easy = explore->shownSpecies();
    QCOMPARE(qobject_cast<SpeciesCard *>(QApplication::focusWidget())->species().id, easy[1 + columns].id);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    card = qobject_cast<SpeciesCard *>(QApplication::focusWidget());
    QCOMPARE(card->species().id, QStringLiteral("parlor"));
    QVERIFY(card->visibleRegion().boundingRect().height() > 0); // scrolled into view

    // Enter opens it once, however often it is pressed.
    QTest::keyClick(card, Qt::Key_Return);
    QTest::keyClick(card, Qt::Key_Return);
    NavigationStack *stack = NavigationStack::of(explore);
    QCOMPARE(stack->depth(), 2);
    QCOMPARE(stack->currentTitle(), QStringLiteral("Parlor Palm"));
    // Ctrl+F belongs to the Explore page: on a species, and on another tab, it leaves the search alone.
    QTest::keyClick(m_app->app->mainWindow(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(!explore->searchField()->lineEdit()->hasFocus());
    QTest::keyClick(m_app->app->mainWindow(), Qt::Key_Left, Qt::AltModifier);
    QTRY_COMPARE(stack->depth(), 1);
    // Back on the card it came from; a screen reader's "Press" opens it as Enter does.
    QTRY_COMPARE(QApplication::focusWidget(), card);
    QAccessible::queryAccessibleInterface(card)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(stack->depth(), 2);
    QCOMPARE(stack->currentTitle(), QStringLiteral("Parlor Palm"));
    QTest::mouseClick(stack->backButton(), Qt::LeftButton);
    QTRY_COMPARE(stack->depth(), 1);
    QTest::keyClick(m_app->app->mainWindow(), Qt::Key_1, Qt::ControlModifier);
    QTest::keyClick(m_app->app->mainWindow(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(!explore->searchField()->lineEdit()->hasFocus());
}

void ExploreScreenTest::goingToASpeciesAndBackKeepsTheFilters()
{
    ExploreView *explore = showExplore();
    QVERIFY(explore);
    QTest::mouseClick(explore->petSafeChip(), Qt::LeftButton);
    QTest::keyClick(m_app->app->mainWindow(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(explore->searchField()->lineEdit(), QStringLiteral("fern"));
    QCOMPARE(ids(explore->shownSpecies()), words({"fern"}));

    SpeciesDetailView *detail = openCard(explore, QStringLiteral("fern"));
    QVERIFY(detail);
    NavigationStack *stack = NavigationStack::of(explore);
    QCOMPARE(stack->titles(), words({"Explore", "Boston Fern"}));
    QVERIFY(!explore->searchField()->isVisible());   // the header belongs to the species now
    QVERIFY(!explore->open(Species::find(u"aloe"))); // one species at a time
    QTest::mouseClick(stack->backButton(), Qt::LeftButton);
    QTRY_COMPARE(stack->depth(), 1);

    QVERIFY(explore->petSafeChip()->isOn());
    QCOMPARE(explore->searchField()->text(), QStringLiteral("fern"));
    QVERIFY(explore->searchField()->isVisible());
    QCOMPARE(ids(explore->shownSpecies()), words({"fern"}));
}

void ExploreScreenTest::detailShowsCareNeedsAndTips_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("symbols");
    QTest::addColumn<QList<ColorRole>>("tints");

    QTest::newRow("Boston Fern") << QStringLiteral("fern")
                                 << words({"Every 4 days", "Every 30 days", "Every 2 days", "Medium light",
                                           "High", "Pet safe"})
                                 << words({"drop.fill", "leaf.arrow.triangle.circlepath", "humidity.fill",
                                           "sun.min.fill", "humidity", "pawprint.fill"})
                                 << QList<ColorRole>{ColorRole::blue,   ColorRole::orange, ColorRole::teal,
                                                     ColorRole::yellow, ColorRole::cyan,   ColorRole::green};
    QTest::newRow("Aloe Vera") << QStringLiteral("aloe")
                               << words({"Every 18 days", "Every 90 days", "Not needed", "Direct sun", "Low",
                                         "Toxic to pets"})
                               << words({"drop.fill", "leaf.arrow.triangle.circlepath", "humidity.fill",
                                         "sun.max.fill", "humidity", "exclamationmark.triangle.fill"})
                               << QList<ColorRole>{ColorRole::blue,   ColorRole::orange, ColorRole::teal,
                                                   ColorRole::yellow, ColorRole::cyan,   ColorRole::orange};
}

void ExploreScreenTest::detailShowsCareNeedsAndTips()
{
    QFETCH(QString, id);
    QFETCH(QStringList, values);
    QFETCH(QStringList, symbols);
    QFETCH(QList<ColorRole>, tints);

    ExploreView *explore = showExplore();
    QVERIFY(explore);
    SpeciesDetailView *detail = openCard(explore, id);
    QVERIFY(detail);
    const Species &species = Species::find(id);
    QCOMPARE(NavigationStack::of(explore)->currentTitle(), species.commonName);

    const QStringList titles = words({"Water", "Fertilize", "Mist", "Light", "Humidity", "Pets"});
    const QList<InfoTile *> tiles = detail->tiles();
    QCOMPARE(tiles.size(), 6);
    for (int i = 0; i < 6; ++i) {
        QVERIFY(tiles[i]->isVisible());
        QCOMPARE(tiles[i]->title(), titles[i]);
        QCOMPARE(tiles[i]->value(), values[i]);
        QCOMPARE(tiles[i]->symbol(), symbols[i]);
        QCOMPARE(tiles[i]->tint(), Theme::current().color(tints[i]));
    }
    // The section titles are headings to assistive technology.
    QStringList headings;
    for (QLabel *label : detail->findChildren<QLabel *>()) {
        if (QAccessible::queryAccessibleInterface(label)->role() == QAccessible::Heading)
            headings.append(label->text());
    }
    QCOMPARE(headings.join(QLatin1Char(',')), QStringLiteral("Care Needs,Tips"));
    // Three numbered tips in the catalog's order, under the picture and above nothing else.
    const QList<TipRow *> tips = detail->tipRows();
    QCOMPARE(tips.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(tips[i]->number(), i + 1);
        QCOMPARE(tips[i]->text(), species.tips[i]);
        QVERIFY(tips[i]->isVisible());
        // The number's circle sits on the text's first line.
        QVERIFY(tips[i]->circleTop() == 0 || tips[i]->textTop() == 0);
        if (i > 0)
            QVERIFY(tips[i]->y() > tips[i - 1]->y() + tips[i - 1]->textLabel()->height());
    }
    QVERIFY(tiles.last()->mapTo(detail, QPoint()).y() < tips.first()->mapTo(detail, QPoint()).y());
}

void ExploreScreenTest::addingAPlantStaysOnTheDetailScreen()
{
    ExploreView *explore = showExplore();
    QVERIFY(explore);
    SpeciesDetailView *detail = openCard(explore, QStringLiteral("aloe"));
    QVERIFY(detail);
    NavigationStack *stack = NavigationStack::of(explore);
    ModelStore &store = m_app->app->store();

    struct Round
    {
        bool save;
        int plants;
    };
    Plant *added = nullptr;
    for (const Round round : {Round{false, 0}, Round{true, 1}, Round{true, 2}}) {
        const QList<Plant *> before = store.plants();
        // A double click opens one sheet.
        QTest::mouseClick(detail->addButton(), Qt::LeftButton);
        QTest::mouseClick(detail->addButton(), Qt::LeftButton);
        QVERIFY(detail->isAdding());
        QCOMPARE(Sheet::topmost(detail->window()), detail->sheet());
        PlantFormView *form = detail->form();
        QVERIFY(form);
        QTRY_VERIFY(form->isVisible());
        QCOMPARE(form->mode().species().id, QStringLiteral("aloe"));
        QVERIFY(form->cancelButton()->isVisible());
        if (round.save) {
            QTest::keyClicks(form->nameField(), QStringLiteral("<b>Vera & Co</b>"));
            QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
        } else {
            QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
        }
        QTRY_VERIFY(!detail->isAdding());
        QTRY_VERIFY(!Sheet::topmost(detail->window()));
        QCOMPARE(store.plantCount(), round.plants);
        for (Plant *plant : store.plants()) {
            if (!before.contains(plant))
                added = plant;
        }
        QCOMPARE(stack->currentPage(), detail);
        QCOMPARE(m_app->app->state().selectedTab(), AppTab::explore);
        // A plant saved is announced, with a way to it.
        Toast *toast = Toast::current(detail->window());
        QCOMPARE(bool(toast), round.save);
        if (toast) {
            QCOMPARE(toast->message(), QStringLiteral("Added \u2068<b>Vera & Co</b>\u2069"));
            QCOMPARE(toast->actionButton()->text(), QStringLiteral("Show"));
        }
    }
    for (const Plant *plant : store.plants()) {
        QCOMPARE(plant->name(), QStringLiteral("<b>Vera & Co</b>"));
        QCOMPARE(plant->speciesID(), QStringLiteral("aloe"));
    }
    // "Show" opens the plant last added, in My Plants.
    QTest::mouseClick(Toast::current(detail->window())->actionButton(), Qt::LeftButton);
    QCOMPARE(m_app->app->state().selectedTab(), AppTab::plants);
    auto *shown = qobject_cast<PlantDetailView *>(
        m_app->app->rootView()->navigationStack(AppTab::plants)->currentPage());
    QVERIFY(shown);
    QCOMPARE(shown->plant(), added);
}

QTEST_MAIN(ExploreScreenTest)
#include "tst_explore_screen.moc"

void ExploreScreenTest::cardRepaintsAsNewAfterAChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("dark appearance") << QStringLiteral("dark");
    QTest::newRow("narrower window") << QStringLiteral("narrow");
    QTest::newRow("right to left") << QStringLiteral("rtl");
}

// Cards draw their shapes, pictures, badges and texts from what earlier paints kept; after a
// change that shows, a card in the grid must look exactly as one built afresh in the new state.
void ExploreScreenTest::cardRepaintsAsNewAfterAChange()
{
    QFETCH(QString, change);
    const auto restore = qScopeGuard([] {
        Theme::setAppearanceOverride(std::nullopt);
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    });
    ExploreView *explore = showExplore();
    QVERIFY(explore);
    // A pet-safe species: its card has every layer, the badge too.
    const QList<Species> shown = explore->shownSpecies();
    const auto petSafe =
        std::find_if(shown.cbegin(), shown.cend(), [](const Species &s) { return s.petSafe; });
    QVERIFY(petSafe != shown.cend());
    SpeciesCard *card = explore->grid()->card(petSafe - shown.cbegin());
    QVERIFY(card && card->petBadge());
    const QImage before = cardPixels(card);

    if (change == QLatin1String("dark")) {
        Theme::setAppearanceOverride(Appearance::dark);
    } else if (change == QLatin1String("narrow")) {
        const int width = card->width();
        m_app->app->mainWindow()->resize(m_app->app->mainWindow()->minimumSize());
        QTRY_VERIFY(card->width() != width);
    } else {
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
        QTRY_COMPARE(card->layoutDirection(), Qt::RightToLeft);
        // The grid mirrors too: the first card takes the rightmost cell.
        SpeciesGrid *grid = explore->grid();
        QVERIFY(grid->card(0)->geometry().right() >= grid->width() - SpeciesGrid::style().spacing);
    }
    const QImage after = cardPixels(card);
    QVERIFY(after != before);

    QPixmapCache::clear();
    SpeciesCard fresh(card->species());
    fresh.setLayoutDirection(card->layoutDirection());
    fresh.resize(card->size());
    QCOMPARE(after, cardPixels(&fresh));
}
