#include "Core/Calendar.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Views/Components/ContentUnavailableView.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InsetSection.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/PlantPhotoView.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/Spring.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/TextLabel.h"
#include "Views/Plants/AddPlantFlow.h"
#include "Views/Plants/PlantFormView.h"
#include "Views/Plants/SpeciesRow.h"

#include <QLineEdit>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

QStringList names(const QList<Species> &species)
{
    QStringList list;
    for (const Species &s : species)
        list.append(s.commonName);
    return list;
}

// Key by key; characters beyond ASCII arrive as a key event carrying the text, as from an input method.
void type(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        if (ch.unicode() < 128)
            QTest::keyClick(widget, char(ch.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

} // namespace

// The species list of the add-plant flow, driven with keyboard and mouse offscreen over a real
// in-memory store.
class AddPlantFlowTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void searchFiltersCatalogOnly_data();
    void searchFiltersCatalogOnly();
    void speciesRowsShowLightAndPetSafety_data();
    void speciesRowsShowLightAndPetSafety();
    void cancelFinishesWithoutAddingAPlant();
    void choosingASpeciesPushesFormWithoutCancel();
    void rowsOpenFromTheKeyboard_data();
    void rowsOpenFromTheKeyboard();
    void backKeepsSearchText();
    void savingEndsTheFlowOnce();

private:
    AddPlantFlow *open();

    ManualClock m_clock;
    std::unique_ptr<Calendar> m_calendar;
    std::unique_ptr<ScopedCalendar> m_scopedCalendar;
    std::unique_ptr<ModelStore> m_store;
    std::unique_ptr<AddPlantFlow> m_flow;
    int m_finishCount = 0;
};

void AddPlantFlowTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qunsetenv("TENDREL_APPEARANCE");
    Spring::setAnimationsEnabled(false);
}

void AddPlantFlowTest::init()
{
    const QTimeZone berlin("Europe/Berlin");
    m_clock.setNow(QDateTime(QDate(2026, 12, 7), QTime(10, 0), berlin));
    m_calendar = std::make_unique<Calendar>(berlin, &m_clock);
    m_scopedCalendar = std::make_unique<ScopedCalendar>(m_calendar.get());
    m_store = ModelStore::openInMemory();
    QVERIFY(m_store);
    m_finishCount = 0;
}

void AddPlantFlowTest::cleanup()
{
    m_flow.reset();
    m_store.reset();
    m_scopedCalendar.reset();
    m_calendar.reset();
}

AddPlantFlow *AddPlantFlowTest::open()
{
    m_flow = std::make_unique<AddPlantFlow>(*m_store, [this] { ++m_finishCount; });
    m_flow->resize(m_flow->sizeHint());
    m_flow->show();
    if (!QTest::qWaitForWindowExposed(m_flow.get()))
        return nullptr;
    return m_flow.get();
}

void AddPlantFlowTest::searchFiltersCatalogOnly_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("fern") << "fern" << QStringList{QStringLiteral("Boston Fern")};
    // Through the scientific names Ficus lyrata and Ficus elastica.
    QTest::newRow("FICUS") << "FICUS"
                           << QStringList{QStringLiteral("Fiddle Leaf Fig"), QStringLiteral("Rubber Plant")};
    QTest::newRow("plant") << "plant"
                           << QStringList{QStringLiteral("Snake Plant"),
                                          QStringLiteral("ZZ Plant"),
                                          QStringLiteral("Spider Plant"),
                                          QStringLiteral("Rubber Plant"),
                                          QStringLiteral("Chinese Money Plant"),
                                          QStringLiteral("Jade Plant"),
                                          QStringLiteral("Wax Plant")};
    QTest::newRow("accents ignored") << QStringLiteral("f\u00E9rn")
                                     << QStringList{QStringLiteral("Boston Fern")};
    QTest::newRow("untrimmed: a space inside") << " fern" << QStringList{QStringLiteral("Boston Fern")};
    QTest::newRow("untrimmed: trailing space") << "fern " << QStringList{};
    QTest::newRow("custom is not in the catalog") << "Other" << QStringList{};
    QTest::newRow("custom id") << "custom" << QStringList{};
    QTest::newRow("nonsense") << "xyzzy" << QStringList{};
}

void AddPlantFlowTest::searchFiltersCatalogOnly()
{
    QFETCH(QString, search);
    QFETCH(QStringList, expected);
    AddPlantFlow *flow = open();
    QVERIFY(flow);
    QCOMPARE(names(flow->shownSpecies()), names(Species::catalog()));
    QVERIFY(!flow->noResultsView()->isVisible());

    // Focus starts in the search field, so typing searches.
    QTRY_VERIFY(flow->searchField()->lineEdit()->hasFocus());
    type(flow->searchField()->lineEdit(), search);
    QCOMPARE(flow->searchText(), search);
    QCOMPARE(names(flow->shownSpecies()), expected);
    QCOMPARE(names(AddPlantFlow::results(search)), expected);
    QVERIFY(flow->customRow()->isVisible());
    QCOMPARE(flow->noResultsView()->isVisible(), expected.isEmpty());
    QCOMPARE(flow->catalogSection()->isVisible(), !expected.isEmpty());
    if (expected.isEmpty()) {
        QCOMPARE(flow->noResultsView()->title(), ContentUnavailableView::searchTitle(search));
        // "Other plant" stays usable under the panel.
        QTest::mouseClick(flow->customRow(), Qt::LeftButton);
        QCOMPARE(flow->navigationStack()->depth(), 2);
    }

    // Clearing the search brings the whole catalog back.
    QTest::keyClick(flow->searchField()->lineEdit(), Qt::Key_Escape);
    if (flow->navigationStack()->depth() == 1) {
        QCOMPARE(flow->shownSpecies().size(), Species::catalog().size());
        QVERIFY(!flow->noResultsView()->isVisible());
    }
}

void AddPlantFlowTest::speciesRowsShowLightAndPetSafety_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("symbols");
    QTest::addColumn<QStringList>("accessibleNames");
    QTest::newRow("monstera") << "monstera" << QStringList{QStringLiteral("sun.max")}
                              << QStringList{QStringLiteral("Bright indirect")};
    QTest::newRow("spider plant, pet safe")
        << "spider" << QStringList{QStringLiteral("sun.min.fill"), QStringLiteral("pawprint.fill")}
        << QStringList{QStringLiteral("Medium light"), QStringLiteral("Pet safe")};
    QTest::newRow("custom") << "custom" << QStringList{} << QStringList{};
}

void AddPlantFlowTest::speciesRowsShowLightAndPetSafety()
{
    QFETCH(QString, id);
    QFETCH(QStringList, symbols);
    QFETCH(QStringList, accessibleNames);
    const Species &species = Species::find(id);
    SpeciesRow row(species);
    QCOMPARE(row.commonNameLabel()->text(), species.commonName);
    QCOMPARE(row.scientificNameLabel()->text(), species.scientificName);
    QVERIFY(row.scientificNameLabel()->font().italic());
    QCOMPARE(row.picture()->size(), QSize(44, 44));
    QStringList shownSymbols, shownNames;
    for (const SymbolView *symbol : row.symbols()) {
        shownSymbols.append(symbol->symbol());
        shownNames.append(symbol->accessibleName());
    }
    QCOMPARE(shownSymbols, symbols);
    QCOMPARE(shownNames, accessibleNames);
}

void AddPlantFlowTest::cancelFinishesWithoutAddingAPlant()
{
    AddPlantFlow *flow = open();
    QVERIFY(flow);
    QCOMPARE(flow->navigationStack()->currentTitle(), QStringLiteral("Add a Plant"));
    QVERIFY(flow->cancelButton()->isVisible());
    QCOMPARE(flow->cancelButton()->text(), QStringLiteral("Cancel"));
    QTest::mouseClick(flow->cancelButton(), Qt::LeftButton);
    QCOMPARE(m_finishCount, 1);
    QCOMPARE(m_store->plantCount(), 0);
}

void AddPlantFlowTest::choosingASpeciesPushesFormWithoutCancel()
{
    AddPlantFlow *flow = open();
    QVERIFY(flow);
    QTest::mouseClick(flow->customRow(), Qt::LeftButton);
    NavigationStack *stack = flow->navigationStack();
    QCOMPARE(stack->depth(), 2);
    QCOMPARE(stack->currentTitle(), QStringLiteral("New Plant"));
    auto *form = qobject_cast<PlantFormView *>(stack->currentPage());
    QVERIFY(form);
    QTRY_VERIFY(form->isVisible());
    QCOMPARE(form->species(), Species::custom());
    QVERIFY(!form->showsCancel());
    QVERIFY(!form->cancelButton()->isVisible());
    QVERIFY(form->confirmButton()->isVisible());
    QVERIFY(stack->backButton()->isVisible());
    QCOMPARE(form->interval(CareKind::water), 7);
    QCOMPARE(form->interval(CareKind::fertilize), 30);
    QCOMPARE(form->interval(CareKind::mist), 0);

    // A second activation while the form is up does not stack another one.
    QVERIFY(!flow->choose(Species::find(u"fern")));
    QCOMPARE(stack->depth(), 2);
}

void AddPlantFlowTest::rowsOpenFromTheKeyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Space") << int(Qt::Key_Space);
}

void AddPlantFlowTest::rowsOpenFromTheKeyboard()
{
    QFETCH(int, key);
    AddPlantFlow *flow = open();
    QVERIFY(flow);
    ListRow *jade = flow->speciesRow(QStringLiteral("jade"));
    QVERIFY(jade);
    QCOMPARE(jade->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    jade->setFocus(Qt::TabFocusReason);
    QTest::keyClick(jade, Qt::Key(key));
    QCOMPARE(flow->navigationStack()->depth(), 2);
    auto *form = qobject_cast<PlantFormView *>(flow->navigationStack()->currentPage());
    QVERIFY(form);
    QCOMPARE(form->species().id, QStringLiteral("jade"));
}

void AddPlantFlowTest::backKeepsSearchText()
{
    AddPlantFlow *flow = open();
    QVERIFY(flow);
    QTest::keyClicks(flow->searchField()->lineEdit(), QStringLiteral("palm"));
    QCOMPARE(names(flow->shownSpecies()), QStringList{QStringLiteral("Parlor Palm")});
    QTest::mouseClick(flow->speciesRow(QStringLiteral("parlor")), Qt::LeftButton);
    QCOMPARE(flow->navigationStack()->depth(), 2);
    QTest::mouseClick(flow->navigationStack()->backButton(), Qt::LeftButton);
    QCOMPARE(flow->navigationStack()->depth(), 1);
    QCOMPARE(flow->searchText(), QStringLiteral("palm"));
    QCOMPARE(names(flow->shownSpecies()), QStringList{QStringLiteral("Parlor Palm")});
    QCOMPARE(m_finishCount, 0);
    QCOMPARE(m_store->plantCount(), 0);
}

void AddPlantFlowTest::savingEndsTheFlowOnce()
{
    AddPlantFlow *flow = open();
    QVERIFY(flow);
    QTest::mouseClick(flow->speciesRow(QStringLiteral("peacelily")), Qt::LeftButton);
    auto *form = qobject_cast<PlantFormView *>(flow->navigationStack()->currentPage());
    QVERIFY(form);
    QTRY_VERIFY(form->nameField()->hasFocus());
    QTest::keyClicks(form->nameField(), QStringLiteral("Lily"));
    QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
    QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
    QCOMPARE(m_finishCount, 1);
    QCOMPARE(m_store->plantCount(), 1);
    const Plant *plant = m_store->plants().first();
    QCOMPARE(plant->name(), QStringLiteral("Lily"));
    QCOMPARE(plant->speciesID(), QStringLiteral("peacelily"));
    QCOMPARE(plant->site(), QStringLiteral("Living Room"));
    QCOMPARE(plant->mistInterval(), 3);
}

QTEST_MAIN(AddPlantFlowTest)
#include "tst_addplantflow.moc"
