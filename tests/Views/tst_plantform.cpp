#include "Core/Calendar.h"
#include "Core/DayClock.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Services/PhotoProcessor.h"
#include "Store/ModelStore.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InsetSection.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Stepper.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/ToggleSwitch.h"
#include "Views/Plants/BusyIndicator.h"
#include "Views/Plants/DatePicker.h"
#include "Views/Plants/IntervalRow.h"
#include "Views/Plants/NotesEditor.h"
#include "Views/Plants/PlantFormView.h"
#include "fixtures/ImageFixtures.h"

#include <QBuffer>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Everything a save may or may not touch, in one comparable value.
struct PlantSnapshot
{
    QString name, speciesID, site, notes;
    std::optional<QByteArray> photo;
    qint64 water = 0, fertilize = 0, mist = 0;
    std::optional<QDateTime> lastWatered, lastFertilized, lastMisted;
    QDateTime dateAdded;
    QList<QPair<QString, QDateTime>> events;

    static PlantSnapshot of(const Plant &plant)
    {
        PlantSnapshot s{plant.name(),
                        plant.speciesID(),
                        plant.site(),
                        plant.notes(),
                        plant.photo(),
                        plant.waterInterval(),
                        plant.fertilizeInterval(),
                        plant.mistInterval(),
                        plant.lastWatered(),
                        plant.lastFertilized(),
                        plant.lastMisted(),
                        plant.dateAdded(),
                        {}};
        for (const CareEvent *event : plant.events())
            s.events.append({event->kind().rawValue(), event->date()});
        return s;
    }
    friend bool operator==(const PlantSnapshot &, const PlantSnapshot &) = default;
};

// Types text key by key; characters beyond ASCII arrive as a key event carrying the text, as an
// input method would deliver them.
void type(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        if (ch.unicode() < 128)
            QTest::keyClick(widget, char(ch.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

void clearAndType(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    type(field, text);
}

} // namespace

// The plant form as a user meets it: shown in its navigation stack offscreen, over a real
// in-memory store, with the clock pinned to 7 December 2026, 10:00 in Berlin.
class PlantFormTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newPlantNameAndRoomAreTrimmed_data();
    void newPlantNameAndRoomAreTrimmed();
    void blankRoomDisablesAdd_data();
    void blankRoomDisablesAdd();
    void newPlantRoomStartsFromLastPlant();
    void roomMenuListsRoomsInCodePointOrder();
    void roomMenuOpensBelowItsFieldAsWide();
    void switchingKindsBackOnUsesFixedDefaults();
    void stepperStaysWithinOneTo120();
    void everyTextCountsDays_data();
    void everyTextCountsDays();
    void wateringOffLogsNothing();
    void wateringOnLogsOneWateringAtLastWatered();
    void lastWateredTakesPickedDayNeverTheFuture();
    void lastWateredPastMidnightIsClampedToNow();
    void editChangesOnlyItsFields();
    void notesAreKeptExactly_data();
    void notesAreKeptExactly();
    void cancelEditLeavesPlantAsItWas();
    void removeThenSaveClearsPhoto();
    void editOfDeletedPlantFinishesQuietly();
    void importedPhotoIsDownscaledJPEG();
    void importFailuresEndAsDescribed_data();
    void importFailuresEndAsDescribed();
    void laterImportWins();
    void droppedImageFileIsImported();
    void editsSurviveLeavingAndReturning();
    void notesGrowFromThreeToEightLines();
    void customSpeciesHasNoSuggestionFooter();

private:
    PlantFormView *open(const PlantFormView::Mode &mode, bool showsCancel = true);
    Plant *addPlant(const QString &name, const QString &speciesId, const QString &site);
    void confirm(PlantFormView *form);

    QTemporaryDir m_dir;
    ManualClock m_clock;
    std::unique_ptr<Calendar> m_calendar;
    std::unique_ptr<ScopedCalendar> m_scopedCalendar;
    std::unique_ptr<ModelStore> m_store;
    std::unique_ptr<NavigationStack> m_stack;
    int m_finishCount = 0;
};

void PlantFormTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qunsetenv("TENDREL_APPEARANCE");
    Spring::setAnimationsEnabled(false);
    QVERIFY(m_dir.isValid());
}

void PlantFormTest::init()
{
    const QTimeZone berlin("Europe/Berlin");
    m_clock.setNow(QDateTime(QDate(2026, 12, 7), QTime(10, 0), berlin));
    m_calendar = std::make_unique<Calendar>(berlin, &m_clock);
    m_scopedCalendar = std::make_unique<ScopedCalendar>(m_calendar.get());
    m_store = ModelStore::openInMemory();
    QVERIFY(m_store);
    m_finishCount = 0;
}

void PlantFormTest::cleanup()
{
    m_stack.reset();
    m_store.reset();
    m_scopedCalendar.reset();
    m_calendar.reset();
}

PlantFormView *PlantFormTest::open(const PlantFormView::Mode &mode, bool showsCancel)
{
    auto *form = new PlantFormView(*m_store, mode, showsCancel, [this] { ++m_finishCount; });
    m_stack.reset(PlantFormView::inNavigationStack(form));
    m_stack->resize(560, 800);
    m_stack->show();
    if (!QTest::qWaitForWindowExposed(m_stack.get()))
        return nullptr;
    return form;
}

Plant *PlantFormTest::addPlant(const QString &name, const QString &speciesId, const QString &site)
{
    auto *plant = new Plant(name, Species::find(speciesId), site);
    m_store->insert(plant);
    return plant;
}

void PlantFormTest::confirm(PlantFormView *form)
{
    QVERIFY(form->confirmButton()->isVisible());
    QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
}

void PlantFormTest::newPlantNameAndRoomAreTrimmed_data()
{
    QTest::addColumn<QString>("species");
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QString>("typedRoom");
    QTest::addColumn<QString>("savedName");
    QTest::addColumn<QString>("savedRoom");
    QTest::newRow("blank name takes the species name") << "fern"
                                                       << ""
                                                       << "Bathroom"
                                                       << "Boston Fern"
                                                       << "Bathroom";
    QTest::newRow("spaces only") << "fern"
                                 << "   "
                                 << "Bathroom"
                                 << "Boston Fern"
                                 << "Bathroom";
    QTest::newRow("custom species") << "custom"
                                    << ""
                                    << "Hall"
                                    << "Other plant"
                                    << "Hall";
    QTest::newRow("surrounding spaces and tabs") << "pothos"
                                                 << "  Goldie\t"
                                                 << " \tKitchen  "
                                                 << "Goldie"
                                                 << "Kitchen";
    QTest::newRow("inner spaces kept") << "jade"
                                       << "Big  Jade"
                                       << "Living  Room"
                                       << "Big  Jade"
                                       << "Living  Room";
}

void PlantFormTest::newPlantNameAndRoomAreTrimmed()
{
    QFETCH(QString, species);
    QFETCH(QString, typedName);
    QFETCH(QString, typedRoom);
    QFETCH(QString, savedName);
    QFETCH(QString, savedRoom);

    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(species)));
    QVERIFY(form);
    QCOMPARE(m_stack->currentTitle(), QStringLiteral("New Plant"));
    QCOMPARE(form->confirmButton()->text(), QStringLiteral("Add"));
    QCOMPARE(form->nameField()->placeholderText(), Species::find(species).commonName);
    clearAndType(form->nameField(), typedName);
    clearAndType(form->roomField(), typedRoom);
    QVERIFY(m_store->plants().isEmpty()); // nothing is written while typing
    confirm(form);

    QCOMPARE(m_finishCount, 1);
    QCOMPARE(m_store->plantCount(), 1);
    const Plant *plant = m_store->plants().first();
    QCOMPARE(plant->name(), savedName);
    QCOMPARE(plant->site(), savedRoom);
    QCOMPARE(plant->speciesID(), Species::find(species).id);
    QCOMPARE(plant->photo(), std::nullopt);

    // The form is finished: a second click adds nothing and finishes nothing again.
    QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
    QCOMPARE(m_store->plantCount(), 1);
    QCOMPARE(m_finishCount, 1);
}

void PlantFormTest::blankRoomDisablesAdd_data()
{
    QTest::addColumn<QString>("room");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("spaces") << "   " << false;
    QTest::newRow("tabs and spaces") << "\t \t" << false;
    // Saving trims every kind of white space; a button that allowed these would store an empty room.
    QTest::newRow("no-break space") << QStringLiteral("\u00A0") << false;
    QTest::newRow("ideographic space") << QStringLiteral("\u3000 ") << false;
    QTest::newRow("a room") << " Office " << true;
    QTest::newRow("one letter") << "x" << true;
}

void PlantFormTest::blankRoomDisablesAdd()
{
    QFETCH(QString, room);
    QFETCH(bool, enabled);
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"monstera")));
    QVERIFY(form);
    QVERIFY(form->confirmButton()->isEnabled());
    clearAndType(form->roomField(), room);
    QCOMPARE(form->confirmButton()->isEnabled(), enabled);
    QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
    QCOMPARE(m_store->plantCount(), enabled ? 1 : 0);
    QCOMPARE(m_finishCount, enabled ? 1 : 0);
    // Return in a field confirms exactly like the button.
    if (!enabled) {
        QTest::keyClick(form->roomField(), Qt::Key_Return);
        QCOMPARE(m_store->plantCount(), 0);
    }
}

void PlantFormTest::newPlantRoomStartsFromLastPlant()
{
    {
        PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"monstera")));
        QVERIFY(form);
        QCOMPARE(form->roomField()->text(), QStringLiteral("Living Room"));
    }
    addPlant(QStringLiteral("A"), QStringLiteral("zz"), QStringLiteral("Office"));
    addPlant(QStringLiteral("B"), QStringLiteral("zz"), QStringLiteral("  attic "));
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"monstera")));
    QVERIFY(form);
    // The last plant in store order, its room exactly as stored.
    QCOMPARE(form->roomField()->text(), QStringLiteral("  attic "));
    QCOMPARE(form->site(), QStringLiteral("  attic "));
}

void PlantFormTest::roomMenuListsRoomsInCodePointOrder()
{
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"monstera")));
    QVERIFY(form);
    QCOMPARE(form->siteOptions(), (QStringList{QStringLiteral("Balcony"), QStringLiteral("Bathroom"),
                                               QStringLiteral("Bedroom"), QStringLiteral("Kitchen"),
                                               QStringLiteral("Living Room"), QStringLiteral("Office")}));

    addPlant(QStringLiteral("A"), QStringLiteral("zz"), QStringLiteral("kitchen"));
    addPlant(QStringLiteral("B"), QStringLiteral("zz"), QStringLiteral("Kitchen"));
    addPlant(QStringLiteral("C"), QStringLiteral("zz"), QStringLiteral("\u00C5trium"));
    addPlant(QStringLiteral("D"), QStringLiteral("zz"), QStringLiteral(" Porch"));
    addPlant(QStringLiteral("E"), QStringLiteral("zz"), QStringLiteral("&Garden"));
    addPlant(QStringLiteral("F"), QStringLiteral("zz"), QStringLiteral("Office"));
    const QStringList expected = {QStringLiteral(" Porch"),      QStringLiteral("&Garden"),
                                  QStringLiteral("Balcony"),     QStringLiteral("Bathroom"),
                                  QStringLiteral("Bedroom"),     QStringLiteral("Kitchen"),
                                  QStringLiteral("Living Room"), QStringLiteral("Office"),
                                  QStringLiteral("kitchen"),     QStringLiteral("\u00C5trium")};
    QCOMPARE(form->siteOptions(), expected);

    // The menu is built when it opens and offers the same rooms; choosing one fills the field.
    emit form->roomMenu()->aboutToShow();
    QStringList titles;
    QAction *garden = nullptr;
    for (QAction *action : form->roomMenu()->actions()) {
        titles.append(action->data().toString());
        if (action->data().toString() == QStringLiteral("&Garden"))
            garden = action;
    }
    QCOMPARE(titles, expected);
    QVERIFY(garden);
    QCOMPARE(garden->text(), QStringLiteral("&&Garden"));
    garden->trigger();
    QCOMPARE(form->roomField()->text(), QStringLiteral("&Garden"));
    confirm(form);
    QCOMPARE(m_store->plants().last()->site(), QStringLiteral("&Garden"));
}

// The room button at the end of the field opens its list as a combo box would: below the field,
// at least as wide, not as a narrow box over the form.
void PlantFormTest::roomMenuOpensBelowItsFieldAsWide()
{
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"monstera")));
    QVERIFY(form);
    auto *button = form->findChild<QAbstractButton *>(QStringLiteral("roomMenuButton"));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QMenu *menu = form->roomMenu();
    QTRY_VERIFY(menu->isVisible());
    const QRect field(form->roomField()->mapToGlobal(QPoint(0, 0)), form->roomField()->size());
    QVERIFY2(menu->geometry().top() > field.bottom(), "below the field");
    QCOMPARE(menu->geometry().left(), field.left());
    QVERIFY(menu->width() >= field.width() + button->width());
    menu->close();
}

void PlantFormTest::switchingKindsBackOnUsesFixedDefaults()
{
    // Calathea suggests water 5, fertilize 30, mist 2: the re-enable values are not the species'.
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"calathea")));
    QVERIFY(form);
    const QList<QPair<CareKind, qint64>> expected = {
        {CareKind::water, 7}, {CareKind::fertilize, 30}, {CareKind::mist, 3}};
    for (const auto &[kind, reenabled] : expected) {
        IntervalRow *row = form->intervalRow(kind);
        QVERIFY(row->toggle()->isChecked());
        QVERIFY(row->stepperRow()->isVisible());
        QTest::mouseClick(row->toggle(), Qt::LeftButton);
        QCOMPARE(form->interval(kind), 0);
        QVERIFY(!row->stepperRow()->isVisible());
        QTest::mouseClick(row->toggle(), Qt::LeftButton);
        QCOMPARE(form->interval(kind), reenabled);
        QCOMPARE(row->everyLabel()->text(), QStringLiteral("Every %1 days").arg(reenabled));
    }

    // An edited plant whose stored interval is 0 or negative shows the kind off; on gives the default.
    Plant *plant = addPlant(QStringLiteral("Odd"), QStringLiteral("zz"), QStringLiteral("Hall"));
    plant->setWaterInterval(-4);
    plant->setFertilizeInterval(0);
    plant->setMistInterval(45);
    form = open(PlantFormView::Mode::edit(plant));
    QVERIFY(form);
    QVERIFY(!form->intervalRow(CareKind::water)->toggle()->isChecked());
    QVERIFY(!form->intervalRow(CareKind::water)->stepperRow()->isVisible());
    QVERIFY(!form->intervalRow(CareKind::fertilize)->toggle()->isChecked());
    QTest::mouseClick(form->intervalRow(CareKind::water)->toggle(), Qt::LeftButton);
    QCOMPARE(form->interval(CareKind::water), 7);
    // Switching on keeps a larger current value.
    QTest::mouseClick(form->intervalRow(CareKind::mist)->toggle(), Qt::LeftButton);
    QCOMPARE(form->interval(CareKind::mist), 0);
    QVERIFY(!form->lastWateredRow()->isVisible()); // edit mode never shows it
}

void PlantFormTest::stepperStaysWithinOneTo120()
{
    Plant *plant = addPlant(QStringLiteral("P"), QStringLiteral("pothos"), QStringLiteral("Hall"));
    plant->setWaterInterval(2);
    plant->setFertilizeInterval(119);
    PlantFormView *form = open(PlantFormView::Mode::edit(plant));
    QVERIFY(form);
    Stepper *water = form->intervalRow(CareKind::water)->stepper();
    QTest::mouseClick(water->decrementButton(), Qt::LeftButton);
    QCOMPARE(form->interval(CareKind::water), 1);
    QCOMPARE(form->intervalRow(CareKind::water)->everyLabel()->text(), QStringLiteral("Every 1 day"));
    QVERIFY(!water->decrementButton()->isEnabled());
    QTest::mouseClick(water->decrementButton(), Qt::LeftButton);
    QCOMPARE(form->interval(CareKind::water), 1);
    QVERIFY(form->intervalRow(CareKind::water)->toggle()->isChecked());

    Stepper *fertilize = form->intervalRow(CareKind::fertilize)->stepper();
    fertilize->setFocus();
    QTest::keyClick(fertilize, Qt::Key_Up);
    QTest::keyClick(fertilize, Qt::Key_Up);
    QCOMPARE(form->interval(CareKind::fertilize), 120);
    QCOMPARE(form->intervalRow(CareKind::fertilize)->everyLabel()->text(), QStringLiteral("Every 120 days"));
}

void PlantFormTest::everyTextCountsDays_data()
{
    QTest::addColumn<qint64>("days");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << qint64(1) << "Every 1 day";
    QTest::newRow("2") << qint64(2) << "Every 2 days";
    QTest::newRow("14") << qint64(14) << "Every 14 days";
    QTest::newRow("120") << qint64(120) << "Every 120 days";
}

void PlantFormTest::everyTextCountsDays()
{
    QFETCH(qint64, days);
    QFETCH(QString, text);
    QCOMPARE(IntervalRow::everyText(days), text);
}

void PlantFormTest::wateringOffLogsNothing()
{
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"snake")));
    QVERIFY(form);
    QVERIFY(form->lastWateredRow()->isVisible());
    QTest::mouseClick(form->intervalRow(CareKind::water)->toggle(), Qt::LeftButton);
    QVERIFY(!form->lastWateredRow()->isVisible());
    confirm(form);
    QCOMPARE(m_store->plantCount(), 1);
    const Plant *plant = m_store->plants().first();
    QCOMPARE(plant->waterInterval(), 0);
    QCOMPARE(plant->fertilizeInterval(), 60);
    QCOMPARE(plant->eventCount(), 0);
    QCOMPARE(plant->lastWatered(), std::nullopt);
}

void PlantFormTest::wateringOnLogsOneWateringAtLastWatered()
{
    const QDateTime opened = m_clock.now();
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"fern")));
    QVERIFY(form);
    QCOMPARE(form->lastWateredPicker()->date(), QDate(2026, 12, 7));
    m_clock.advance(5 * 60 * 1000); // the user takes a while
    confirm(form);
    const Plant *plant = m_store->plants().first();
    QCOMPARE(plant->eventCount(), 1);
    QCOMPARE(plant->events().first()->kind(), CareKind::water);
    // Untouched, the picker means the moment the form was opened.
    QCOMPARE(plant->events().first()->date(), opened);
    QCOMPARE(plant->lastWatered(), std::optional<QDateTime>(opened));
    QCOMPARE(plant->lastFertilized(), std::nullopt);
    QCOMPARE(plant->waterInterval(), 4);
    QCOMPARE(plant->mistInterval(), 2);
}

void PlantFormTest::lastWateredTakesPickedDayNeverTheFuture()
{
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"pothos")));
    QVERIFY(form);
    DatePicker *picker = form->lastWateredPicker();
    QCOMPARE(picker->maximumDate(), QDate(2026, 12, 7));
    picker->setFocus();
    QTest::keyClick(picker->button(), Qt::Key_Up); // tomorrow is not offered
    QCOMPARE(picker->date(), QDate(2026, 12, 7));

    // Choose 3 December in the calendar, from the keyboard.
    picker->openCalendar();
    QCalendarWidget *calendar = picker->calendar();
    QVERIFY(calendar);
    QTRY_VERIFY(calendar->isVisible());
    QCOMPARE(calendar->maximumDate(), QDate(2026, 12, 7));
    QWidget *grid = calendar->focusWidget() ? calendar->focusWidget() : calendar;
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_Return);
    QTRY_VERIFY(!picker->calendar());
    QCOMPARE(picker->date(), QDate(2026, 12, 3));
    confirm(form);
    const Plant *plant = m_store->plants().first();
    QCOMPARE(plant->eventCount(), 1);
    const QDateTime expected(QDate(2026, 12, 3), QTime(10, 0), QTimeZone("Europe/Berlin"));
    QCOMPARE(plant->events().first()->date(), expected);
}

void PlantFormTest::lastWateredPastMidnightIsClampedToNow()
{
    const QTimeZone berlin("Europe/Berlin");
    m_clock.setNow(QDateTime(QDate(2026, 12, 6), QTime(23, 50), berlin));
    DayClock::instance().check();
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"pothos")));
    QVERIFY(form);
    // The form stays open past midnight; the next day becomes choosable.
    m_clock.setNow(QDateTime(QDate(2026, 12, 7), QTime(0, 10), berlin));
    DayClock::instance().check();
    QCOMPARE(form->lastWateredPicker()->maximumDate(), QDate(2026, 12, 7));
    form->lastWateredPicker()->setFocus();
    QTest::keyClick(form->lastWateredPicker()->button(), Qt::Key_Up);
    QCOMPARE(form->lastWateredPicker()->date(), QDate(2026, 12, 7));
    confirm(form);
    // 23:50 on the 7th would lie in the future; the watering is logged now instead.
    QCOMPARE(m_store->plants().first()->lastWatered(), std::optional<QDateTime>(m_clock.now()));
}

void PlantFormTest::editChangesOnlyItsFields()
{
    const QTimeZone berlin("Europe/Berlin");
    Plant *plant = addPlant(QStringLiteral("Monty"), QStringLiteral("monstera"), QStringLiteral("Office"));
    plant->setNotes(QStringLiteral("old notes"));
    plant->setPhoto(ImageFixtures::encode(ImageFixtures::quadrants(64, 48), "JPEG"));
    plant->markDone(CareKind::water, QDateTime(QDate(2026, 12, 1), QTime(8, 0), berlin));
    plant->markDone(CareKind::mist, QDateTime(QDate(2026, 12, 2), QTime(9, 0), berlin));
    const PlantSnapshot before = PlantSnapshot::of(*plant);
    QVERIFY(QTest::qWaitFor([&] { return !m_store->hasUnsavedChanges(); }));

    PlantFormView *form = open(PlantFormView::Mode::edit(plant), true);
    QVERIFY(form);
    QCOMPARE(m_stack->currentTitle(), QStringLiteral("Edit Plant"));
    QCOMPARE(form->confirmButton()->text(), QStringLiteral("Save"));
    QCOMPARE(form->nameField()->text(), QStringLiteral("Monty"));
    QCOMPARE(form->photoButton()->text(), QStringLiteral("Change"));
    QVERIFY(form->removePhotoButton()->isVisible());
    QVERIFY(!form->lastWateredRow()->isVisible());

    clearAndType(form->nameField(), QStringLiteral(" Monty II "));
    clearAndType(form->roomField(), QStringLiteral("Studio"));
    form->notesEditor()->setFocus();
    QTest::keyClick(form->notesEditor(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(form->notesEditor(), QStringLiteral(" + new  "));
    QTest::mouseClick(form->intervalRow(CareKind::fertilize)->toggle(), Qt::LeftButton);
    QTest::mouseClick(form->intervalRow(CareKind::water)->stepper()->incrementButton(), Qt::LeftButton);
    QTest::mouseClick(form->removePhotoButton(), Qt::LeftButton);
    QCOMPARE(PlantSnapshot::of(*plant), before); // still nothing written
    confirm(form);

    QCOMPARE(m_finishCount, 1);
    PlantSnapshot expected = before;
    expected.name = QStringLiteral("Monty II");
    expected.site = QStringLiteral("Studio");
    expected.notes = QStringLiteral("old notes + new  ");
    expected.photo = std::nullopt;
    expected.water = 9;
    expected.fertilize = 0;
    QCOMPARE(PlantSnapshot::of(*plant), expected);
    QCOMPARE(m_store->plantCount(), 1);
}

void PlantFormTest::notesAreKeptExactly_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed"); // at the end of the notes; empty: the notes are not touched
    QTest::addColumn<QString>("saved");
    const QString odd = QStringLiteral("pot\u00a010\u00a0cm\u2028repot\u2029spring\r\nwin\rsun");
    QTest::newRow("untouched") << odd << QString() << odd;
    QTest::newRow("typed after") << odd << QStringLiteral("\u00a0!\n+") << odd + QStringLiteral("\u00a0!\n+");
    QTest::newRow("typed into empty")
        << QString() << QStringLiteral("a\u00a0b\nc") << QStringLiteral("a\u00a0b\nc");
}

void PlantFormTest::notesAreKeptExactly()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    Plant *plant = addPlant(QStringLiteral("Monty"), QStringLiteral("monstera"), QStringLiteral("Office"));
    plant->setNotes(stored);

    PlantFormView *form = open(PlantFormView::Mode::edit(plant), true);
    QVERIFY(form);
    clearAndType(form->nameField(), QStringLiteral("Monty II"));
    if (!typed.isEmpty()) {
        form->notesEditor()->setFocus();
        QTest::keyClick(form->notesEditor(), Qt::Key_End, Qt::ControlModifier);
        for (const QChar ch : typed) {
            if (ch == QLatin1Char('\n'))
                QTest::keyClick(form->notesEditor(), Qt::Key_Return);
            else
                type(form->notesEditor(), QString(ch));
        }
    }
    confirm(form);
    QCOMPARE(plant->name(), QStringLiteral("Monty II"));
    QCOMPARE(plant->notes(), saved);
}

void PlantFormTest::cancelEditLeavesPlantAsItWas()
{
    Plant *plant = addPlant(QStringLiteral("Jade"), QStringLiteral("jade"), QStringLiteral("Kitchen"));
    plant->setPhoto(ImageFixtures::encode(ImageFixtures::quadrants(40, 40), "PNG"));
    plant->markDone(CareKind::fertilize, m_clock.now().addDays(-3));
    const PlantSnapshot before = PlantSnapshot::of(*plant);

    PlantFormView *form = open(PlantFormView::Mode::edit(plant), true);
    QVERIFY(form);
    QVERIFY(form->cancelButton()->isVisible());
    clearAndType(form->nameField(), QStringLiteral("Changed"));
    clearAndType(form->roomField(), QStringLiteral("Elsewhere"));
    QTest::mouseClick(form->removePhotoButton(), Qt::LeftButton);
    QTest::mouseClick(form->intervalRow(CareKind::water)->toggle(), Qt::LeftButton);
    QTest::mouseClick(form->cancelButton(), Qt::LeftButton);

    QCOMPARE(m_finishCount, 1);
    QCOMPARE(PlantSnapshot::of(*plant), before);
}

void PlantFormTest::removeThenSaveClearsPhoto()
{
    Plant *plant = addPlant(QStringLiteral("Pic"), QStringLiteral("aloe"), QStringLiteral("Office"));
    plant->setPhoto(ImageFixtures::encode(ImageFixtures::quadrants(40, 40), "JPEG"));
    QVERIFY(QTest::qWaitFor([&] { return !m_store->hasUnsavedChanges(); }));
    PlantFormView *form = open(PlantFormView::Mode::edit(plant));
    QVERIFY(form);
    QTest::mouseClick(form->removePhotoButton(), Qt::LeftButton);
    QVERIFY(!form->removePhotoButton()->isVisible());
    QCOMPARE(form->photoButton()->text(), QStringLiteral("Add Photo"));
    confirm(form);
    QCOMPARE(plant->photo(), std::nullopt);
    QVERIFY(!plant->hasPhoto());
}

void PlantFormTest::editOfDeletedPlantFinishesQuietly()
{
    Plant *plant = addPlant(QStringLiteral("Gone"), QStringLiteral("aloe"), QStringLiteral("Office"));
    PlantFormView *form = open(PlantFormView::Mode::edit(plant));
    QVERIFY(form);
    clearAndType(form->nameField(), QStringLiteral("Renamed"));
    m_store->deletePlant(plant);
    confirm(form);
    QCOMPARE(m_finishCount, 1);
    QCOMPARE(m_store->plantCount(), 0);
}

void PlantFormTest::importedPhotoIsDownscaledJPEG()
{
    const QString path = m_dir.filePath(QStringLiteral("big.png"));
    QVERIFY(ImageFixtures::quadrants(4000, 3000).save(path, "PNG"));
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"monstera")));
    QVERIFY(form);
    QCOMPARE(form->photoButton()->text(), QStringLiteral("Add Photo"));
    QVERIFY(!form->removePhotoButton()->isVisible());

    QSignalSpy finished(form, &PlantFormView::photoImportFinished);
    form->importPhoto(path);
    // While the picture is processed the form says so and cannot be confirmed.
    QVERIFY(form->isProcessingPhoto());
    QVERIFY(form->busyIndicator()->isVisible());
    QVERIFY(!form->confirmButton()->isEnabled());
    QVERIFY(finished.wait(20000));
    QVERIFY(!form->isProcessingPhoto());
    QVERIFY(!form->busyIndicator()->isVisible());
    QVERIFY(form->confirmButton()->isEnabled());
    QCOMPARE(form->photoButton()->text(), QStringLiteral("Change"));
    QVERIFY(form->removePhotoButton()->isVisible());

    QVERIFY(form->photo());
    QByteArray bytes = *form->photo();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.size(), QSize(1600, 1200));

    QVERIFY(m_store->plants().isEmpty());
    confirm(form);
    QCOMPARE(m_store->plants().first()->photo(), form->photo());
}

void PlantFormTest::importFailuresEndAsDescribed_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content"); // empty: the file does not exist
    QTest::addColumn<bool>("keepsPhoto");
    QTest::newRow("text file") << "notes.txt" << QByteArray("just some words, not a picture") << false;
    QTest::newRow("image name, text inside") << "fake.jpg" << QByteArray("GIF89a but not really") << false;
    QTest::newRow("missing file") << "missing.png" << QByteArray() << true;
    // Far beyond any photo: refused before it is read into memory, as if unreadable.
    QTest::newRow("huge file") << "huge.jpg" << QByteArray("sparse") << true;
}

void PlantFormTest::importFailuresEndAsDescribed()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(bool, keepsPhoto);
    const QString path = m_dir.filePath(file);
    if (content == "sparse") {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QVERIFY(out.resize(qint64(300) * 1024 * 1024)); // a hole: takes no disk space
    } else if (!content.isEmpty()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    const QByteArray original = ImageFixtures::encode(ImageFixtures::quadrants(30, 20), "JPEG");
    Plant *plant = addPlant(QStringLiteral("Has photo"), QStringLiteral("zz"), QStringLiteral("Hall"));
    plant->setPhoto(original);
    PlantFormView *form = open(PlantFormView::Mode::edit(plant));
    QVERIFY(form);
    QCOMPARE(form->photo(), std::optional<QByteArray>(original));

    QSignalSpy finished(form, &PlantFormView::photoImportFinished);
    form->importPhoto(path);
    QVERIFY(form->isProcessingPhoto()); // even a missing file is found missing in the background
    QVERIFY(finished.wait(20000));
    QVERIFY(!form->isProcessingPhoto());
    QCOMPARE(form->photo(), keepsPhoto ? std::optional<QByteArray>(original) : std::nullopt);
    QCOMPARE(form->photoButton()->text(),
             keepsPhoto ? QStringLiteral("Change") : QStringLiteral("Add Photo"));
    // The plant itself only changes on Save.
    QCOMPARE(plant->photo(), std::optional<QByteArray>(original));
}

void PlantFormTest::laterImportWins()
{
    const QString big = m_dir.filePath(QStringLiteral("first.png"));
    const QString small = m_dir.filePath(QStringLiteral("second.png"));
    QVERIFY(ImageFixtures::naturalPicture(3000, 2000).save(big, "PNG"));
    QVERIFY(ImageFixtures::quadrants(200, 100).save(small, "PNG"));
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"hoya")));
    QVERIFY(form);
    QSignalSpy finished(form, &PlantFormView::photoImportFinished);
    form->importPhoto(big);
    form->importPhoto(small);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    // Let the slower first import end too; it must not replace the photo picked after it.
    QTest::qWait(1500);
    QCOMPARE(finished.count(), 1);
    QVERIFY(form->photo());
    QCOMPARE(QImage::fromData(*form->photo()).size(), QSize(200, 100));

    // Remove during an import abandons it.
    form->importPhoto(big);
    QTest::mouseClick(form->removePhotoButton(), Qt::LeftButton);
    QVERIFY(!form->isProcessingPhoto());
    QTest::qWait(1500);
    QCOMPARE(form->photo(), std::nullopt);
}

void PlantFormTest::droppedImageFileIsImported()
{
    const QString picture = m_dir.filePath(QStringLiteral("dropped.png"));
    const QString text = m_dir.filePath(QStringLiteral("dropped.txt"));
    QVERIFY(ImageFixtures::quadrants(300, 200).save(picture, "PNG"));
    {
        QFile out(text);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("words");
    }
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"pothos")));
    QVERIFY(form);
    auto *row = form->findChild<QWidget *>(QStringLiteral("photoRow"));
    QVERIFY(row);
    const QPointF centre = QRectF(row->rect()).center();

    QMimeData notAPicture;
    notAPicture.setUrls({QUrl::fromLocalFile(text)});
    QDragEnterEvent refused(centre.toPoint(), Qt::CopyAction, &notAPicture, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(row, &refused);
    QVERIFY(!refused.isAccepted());

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(picture)});
    QDragEnterEvent enter(centre.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(row, &enter);
    QVERIFY(enter.isAccepted());
    QSignalSpy finished(form, &PlantFormView::photoImportFinished);
    QDropEvent drop(centre, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(row, &drop);
    QVERIFY(drop.isAccepted());
    QVERIFY(form->isProcessingPhoto());
    QVERIFY(finished.wait(20000));
    QVERIFY(form->photo());
    QCOMPARE(QImage::fromData(*form->photo()).size(), QSize(300, 200));
}

void PlantFormTest::editsSurviveLeavingAndReturning()
{
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"spider")));
    QVERIFY(form);
    clearAndType(form->nameField(), QStringLiteral("Spidey"));
    QTest::mouseClick(form->intervalRow(CareKind::mist)->toggle(), Qt::LeftButton);
    // Another page over the form, then back: the form appears again and keeps everything.
    m_stack->push(new QWidget, QStringLiteral("Elsewhere"));
    QVERIFY(m_stack->pop());
    QTRY_VERIFY(form->isVisible());
    form->load();
    QCOMPARE(form->nameField()->text(), QStringLiteral("Spidey"));
    QCOMPARE(form->interval(CareKind::mist), 3);
}

void PlantFormTest::notesGrowFromThreeToEightLines()
{
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::find(u"pilea")));
    QVERIFY(form);
    NotesEditor *notes = form->notesEditor();
    QCOMPARE(notes->placeholderText(), QStringLiteral("Pot size, where you bought it, quirks\u2026"));
    const int threeLines = notes->height();
    QCOMPARE(notes->visibleLines(), 3);
    notes->setFocus();
    for (int i = 0; i < 4; ++i) {
        QTest::keyClicks(notes, QStringLiteral("line"));
        QTest::keyClick(notes, Qt::Key_Return);
    }
    QTRY_COMPARE(notes->visibleLines(), 5);
    QVERIFY(notes->height() > threeLines);
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(notes, Qt::Key_Return);
    QTRY_COMPARE(notes->visibleLines(), 8);
    const int eightLines = notes->height();
    QTest::keyClick(notes, Qt::Key_Return);
    QCOMPARE(notes->height(), eightLines);
    // Notes are kept exactly as typed.
    confirm(form);
    QCOMPARE(m_store->plants().first()->notes(),
             QStringLiteral("line\nline\nline\nline\n") + QString(11, QLatin1Char('\n')));
}

void PlantFormTest::customSpeciesHasNoSuggestionFooter()
{
    PlantFormView *form = open(PlantFormView::Mode::newPlant(Species::custom()));
    QVERIFY(form);
    QCOMPARE(form->careSection()->footer(), QString());
    QCOMPARE(form->interval(CareKind::water), 7);
    QCOMPARE(form->interval(CareKind::fertilize), 30);
    QCOMPARE(form->interval(CareKind::mist), 0);
    QVERIFY(!form->intervalRow(CareKind::mist)->stepperRow()->isVisible());

    form = open(PlantFormView::Mode::newPlant(Species::find(u"parlor")));
    QVERIFY(form);
    QCOMPARE(form->careSection()->footer(),
             QStringLiteral("Suggested for Parlor Palm. Adjust to match your home's light and season."));
}

QTEST_MAIN(PlantFormTest)
#include "tst_plantform.moc"
