// A plant's detail screen in the real main window: opening it from Today and coming back, the care
// cards through the days of a schedule, logging and undoing care, the species facts, notes and
// photo, editing in the sheet, and deleting (here or elsewhere).
#include "support/AppHarness.h"

#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/CapacityGauge.h"
#include "Views/Components/ContextMenu.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InfoTile.h"
#include "Views/Components/InputHold.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/PhotoCreditLabel.h"
#include "Views/Components/PlantPhotoView.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Sidebar.h"
#include "Views/Components/SidebarItem.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Stepper.h"
#include "Views/Components/SuccessFeedback.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/Plants/CareCard.h"
#include "Views/Plants/HistoryRow.h"
#include "Views/Plants/IntervalRow.h"
#include "Views/Plants/PlantCard.h"
#include "Views/Plants/PlantDetailView.h"
#include "Views/Plants/PlantFormView.h"
#include "Views/Plants/PlantGrid.h"
#include "Views/Plants/PlantsView.h"
#include "Views/RootView.h"
#include "Views/Settings/SettingsView.h"
#include "Views/State/AppState.h"
#include "Views/Today/TaskRow.h"
#include "Views/Today/TodayView.h"
#include "fixtures/ImageFixtures.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTest>

namespace {

const QDate monday(2026, 12, 7);

QString text(const QWidget *root, const char *name)
{
    auto *label = root->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

bool shown(const QWidget *root, const char *name)
{
    auto *widget = root->findChild<QWidget *>(QLatin1String(name));
    return widget && widget->isVisibleTo(root);
}

QColor textColor(const QWidget *label)
{
    return label->palette().color(QPalette::WindowText);
}

QAction *menuAction(QMenu *menu, const QString &title)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == title)
            return action;
    }
    return nullptr;
}

QStringList historyLines(const PlantDetailView *view)
{
    QStringList lines;
    for (const HistoryRow *row : view->historyRows())
        lines.append(row->kind().pastTense() + QLatin1Char(' ') + row->dateText());
    return lines;
}

} // namespace

class TestPlantDetail final : public QObject
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
        m_stack = m_harness->app->rootView()->navigationStack(AppTab::today);
        MessageBox::clearNextAnswer();
    }

    void cleanup()
    {
        m_harness.reset();
        Species::setImageDirectory(QString());
    }

    // A 7-day watering schedule through its week, and the interval wording.
    void careCardFollowsTheSchedule_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("daysAgo");
        QTest::addColumn<QString>("every");
        QTest::addColumn<QString>("status");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<int>("tone");
        const int later = int(CareCard::Tone::later);
        const int today = int(CareCard::Tone::dueToday);
        const int overdue = int(CareCard::Tone::overdue);
        const QString week = QStringLiteral("Every 7 days");
        QTest::newRow("watered today") << 7 << 0 << week << "Next in 7 days" << 1.0 << later;
        QTest::newRow("6 days ago") << 7 << 6 << week << "Due tomorrow" << 1.0 / 7 << later;
        QTest::newRow("7 days ago") << 7 << 7 << week << "Due today" << 0.0 << today;
        QTest::newRow("8 days ago") << 7 << 8 << week << "1 day overdue" << 0.0 << overdue;
        QTest::newRow("10 days ago") << 7 << 10 << week << "3 days overdue" << 0.0 << overdue;
        QTest::newRow("every day") << 1 << 0 << "Every 1 day"
                                   << "Due tomorrow" << 1.0 << later;
        QTest::newRow("every 14 days") << 14 << 3 << "Every 14 days"
                                       << "Next in 11 days" << 11.0 / 14 << later;
    }

    void careCardFollowsTheSchedule()
    {
        QFETCH(int, interval);
        QFETCH(int, daysAgo);
        QFETCH(double, fraction);
        QFETCH(int, tone);
        Plant *plant = addPlant(QStringLiteral("Fern"), Species::custom(), {interval, 0, 0});
        plant->markDone(CareKind::water, AppHarness::at(monday.addDays(-daysAgo), 8));
        PlantDetailView *view = showDetail(plant);

        QCOMPARE(view->careCards().size(), 1);
        CareCard *card = view->careCards().first();
        QVERIFY(card->kind() == CareKind::water);
        QTEST(card->intervalLine(), "every");
        QTEST(card->statusLine(), "status");
        QVERIFY(qAbs(card->gauge()->value() - fraction) < 1e-9);
        QCOMPARE(int(card->shownTone()), tone);

        const ThemeColors &colors = Theme::current().colors;
        const bool overdue = CareCard::Tone(tone) == CareCard::Tone::overdue;
        const bool dueToday = CareCard::Tone(tone) == CareCard::Tone::dueToday;
        QCOMPARE(card->gauge()->tint(), overdue ? colors.red : colors.blue);
        // The status is written in the tone's colour, in the shade that reads as text.
        const Theme &theme = Theme::current();
        QCOMPARE(textColor(card->findChild<QLabel *>(QStringLiteral("careStatus"))),
                 overdue    ? theme.textColor(ColorRole::red)
                 : dueToday ? theme.textColor(ColorRole::blue)
                            : colors.secondaryLabel);
        QVERIFY(card->doneButton()->isEnabled());
        QCOMPARE(card->doneButton()->text(), QStringLiteral("Done"));
        QCOMPARE(card->doneButton()->accessibleName(), QStringLiteral("Mark water done"));
        QVERIFY(!shown(view, "detailNoCare"));
    }

    void withoutScheduleTheHistoryStays()
    {
        Plant *plant = addPlant(QStringLiteral("Cactus"), Species::custom(), {0, 0, 0});
        plant->markDone(CareKind::mist, AppHarness::at(monday.addDays(-2), 9));
        PlantDetailView *view = showDetail(plant);
        QVERIFY(view->careCards().isEmpty());
        QVERIFY(shown(view, "detailNoCare"));
        QCOMPARE(text(view, "detailNoCare"),
                 QStringLiteral("No care reminders. Edit this plant to set a schedule."));
        QCOMPARE(historyLines(view), QStringList{QStringLiteral("Misted Dec 5")});
    }

    void doneTwiceOnOneDayLogsTwice()
    {
        Plant *plant = addPlant(QStringLiteral("Fern"), Species::custom(), {7, 30, 0});
        plant->markDone(CareKind::fertilize, AppHarness::at(monday.addDays(-5), 8));
        plant->markDone(CareKind::water, AppHarness::at(monday.addDays(-9), 8));
        PlantDetailView *view = showDetail(plant);
        CareCard *water = view->careCards().first();
        QCOMPARE(water->statusLine(), QStringLiteral("2 days overdue"));
        const int cues = SuccessFeedback::playCount();

        QTest::mouseClick(water->doneButton(), Qt::LeftButton);
        QCOMPARE(water->statusLine(), QStringLiteral("Next in 7 days"));
        QCOMPARE(water->gauge()->value(), 1.0);
        // A second click a moment later is a second watering (a double click would be one).
        QTest::qWait(InputHold::standardMsecs + 50);
        QTest::mouseClick(water->doneButton(), Qt::LeftButton);
        QCOMPARE(water->statusLine(), QStringLiteral("Next in 7 days"));

        QCOMPARE(plant->eventCount(), 4);
        QCOMPARE(historyLines(view),
                 (QStringList{QStringLiteral("Watered Dec 7"), QStringLiteral("Watered Dec 7"),
                              QStringLiteral("Fertilized Dec 2"), QStringLiteral("Watered Nov 28")}));
        QCOMPARE(view->completions(), 2);
        QCOMPARE(SuccessFeedback::playCount(), cues + 2);
        QCOMPARE(view->careCards()[1]->statusLine(), QStringLiteral("Next in 25 days")); // untouched
    }

    // Every way to the row's menu, each chosen twice: one entry goes, the 16th comes into view.
    void undoFromTheHistory_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("right click") << QStringLiteral("mouse");
        QTest::newRow("Menu key") << QStringLiteral("keyboard");
        QTest::newRow("touch and hold") << QStringLiteral("hold");
    }

    void undoFromTheHistory()
    {
        QFETCH(QString, how);
        Plant *plant = addPlant(QStringLiteral("Fern"), Species::custom(), {7, 30, 3});
        for (int day = 1; day <= 20; ++day)
            plant->markDone(CareKind::allCases()[size_t(day % 3)], AppHarness::at(monday.addDays(-day), 9));
        PlantDetailView *view = showDetail(plant);

        QList<HistoryRow *> rows = view->historyRows();
        QCOMPARE(rows.size(), PlantDetailView::historyLimit);
        QCOMPARE(historyLines(view).first(), QStringLiteral("Fertilized Dec 6"));
        QCOMPARE(historyLines(view).last(), QStringLiteral("Watered Nov 22"));
        for (qsizetype i = 0; i < rows.size(); ++i)
            QCOMPARE(rows[i]->showsDivider(), i + 1 < rows.size());
        QVERIFY(shown(view, "detailHistoryFooter"));
        QCOMPARE(text(view, "detailHistoryFooter"), QStringLiteral("Right-click an entry to undo it."));

        HistoryRow *row = rows[2]; // "Watered Dec 4"
        QMenu *menu = openMenu(row, how);
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QAction *undo = menuAction(menu, QStringLiteral("Undo"));
        QVERIFY(undo);
        undo->trigger();
        undo->trigger(); // the entry is gone already: nothing more goes
        menu->close();

        QCOMPARE(plant->eventCount(), 19);
        QCOMPARE(view->historyRows().size(), PlantDetailView::historyLimit);
        QVERIFY(!historyLines(view).contains(QStringLiteral("Watered Dec 4")));
        QCOMPARE(historyLines(view).last(), QStringLiteral("Fertilized Nov 21"));
        QVERIFY(!view->historyRows().last()->showsDivider());
        QCOMPARE(plant->lastWatered().value(), AppHarness::at(monday.addDays(-6), 9));
    }

    void undoingTheOnlyWateringCountsFromTheDayAdded()
    {
        Plant *plant = addPlant(QStringLiteral("Fern"), Species::custom(), {7, 0, 0});
        plant->setDateAdded(AppHarness::at(monday.addDays(-3), 12));
        plant->markDone(CareKind::water, AppHarness::at(monday, 8));
        PlantDetailView *view = showDetail(plant);
        QCOMPARE(view->careCards().first()->statusLine(), QStringLiteral("Next in 7 days"));

        QVERIFY(ContextMenu::trigger(view->historyRows().first(), QStringLiteral("Undo")));
        QCOMPARE(view->careCards().first()->statusLine(), QStringLiteral("Next in 4 days"));
        QVERIFY(!plant->lastWatered());
        QVERIFY(view->historyRows().isEmpty());
        QVERIFY(shown(view, "detailHistoryEmpty"));
        QVERIFY(!shown(view, "detailHistoryFooter"));
        QCOMPARE(text(view, "detailHistoryEmpty"), QStringLiteral("Care you log will show up here."));
    }

    void speciesFactsAndTips_data()
    {
        QTest::addColumn<QString>("species");
        QTest::addColumn<bool>("facts");
        QTest::addColumn<int>("tips");
        QTest::newRow("catalog species") << QStringLiteral("fern") << true << 3;
        QTest::newRow("other plant") << QStringLiteral("custom") << false << 0;
    }

    void speciesFactsAndTips()
    {
        QFETCH(QString, species);
        QFETCH(bool, facts);
        QFETCH(int, tips);
        const Species &entry = Species::find(species);
        PlantDetailView *view = showDetail(addPlant(QStringLiteral("Frond"), entry, {7, 30, 0}));

        QCOMPARE(text(view, "detailHeroSpecies"),
                 entry.commonName + QStringLiteral(" · ") + entry.scientificName);
        // Nothing is known about another plant: no summary, and no light or pet facts claimed.
        QCOMPARE(shown(view, "detailAbout"), facts);
        QStringList tiles;
        for (const InfoTile *tile : view->findChildren<InfoTile *>()) {
            if (tile->isVisibleTo(view))
                tiles.append(tile->title() + QLatin1Char('=') + tile->value());
        }
        if (facts) {
            QVERIFY(shown(view, "detailSummary"));
            QCOMPARE(text(view, "detailSummary"), entry.summary);
            QCOMPARE(tiles, (QStringList{QStringLiteral("Light=") + entry.light.label(),
                                         QStringLiteral("Humidity=") + entry.humidity,
                                         QStringLiteral("Difficulty=") + entry.difficulty.label(),
                                         QStringLiteral("Pets=") + entry.petSafetyLabel()}));
        } else {
            QVERIFY(tiles.isEmpty());
        }
        QCOMPARE(shown(view, "detailTips"), tips > 0);
        QCOMPARE(view->findChildren<QWidget *>(QStringLiteral("detailTip")).size(), tips);
        // The page ends where its content does: no blank stretch below the history.
        const QWidget *canvas = view->scrollArea()->widget();
        QTRY_COMPARE(canvas->height(), std::max(view->scrollArea()->viewport()->height(),
                                                canvas->heightForWidth(canvas->width())));
    }

    void notesAreShownVerbatim_data()
    {
        QTest::addColumn<QString>("notes");
        QTest::newRow("none") << QString();
        QTest::newRow("only spaces") << QStringLiteral("   ");
        QTest::newRow("markup and a mnemonic") << QStringLiteral("<b>&x</b> \u202Eright to left");
        QTest::newRow("one long word") << QString(10'000, QLatin1Char('w'));
    }

    void notesAreShownVerbatim()
    {
        QFETCH(QString, notes);
        Plant *plant = addPlant(QStringLiteral("Fern"), Species::custom(), {7, 0, 0});
        plant->setNotes(notes);
        PlantDetailView *view = showDetail(plant);
        QCOMPARE(shown(view, "detailNotes"), !notes.isEmpty());
        auto *label = view->findChild<QLabel *>(QStringLiteral("detailNotesText"));
        QCOMPARE(label->text(), notes);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        // However long the words, the column keeps to the window.
        QTRY_VERIFY(view->scrollArea()->widget()->width() <= view->scrollArea()->viewport()->width());
    }

    void creditOnlyUnderTheSpeciesPicture_data()
    {
        QTest::addColumn<bool>("hasPhoto");
        QTest::newRow("species picture") << false;
        QTest::newRow("own photo") << true;
    }

    void creditOnlyUnderTheSpeciesPicture()
    {
        QFETCH(bool, hasPhoto);
        QTemporaryDir pictures;
        Species::setImageDirectory(pictures.path());
        QFile file(pictures.filePath(QStringLiteral("fern.jpg")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ImageFixtures::encode(ImageFixtures::quadrants(64, 48), "JPEG"));
        file.close();

        Plant *plant = addPlant(QStringLiteral("Fern"), Species::find(QStringLiteral("fern")), {7, 0, 0});
        const QByteArray photo = ImageFixtures::encode(ImageFixtures::quadrants(40, 30), "JPEG");
        if (hasPhoto)
            plant->setPhoto(photo);
        PlantDetailView *view = showDetail(plant);
        QCOMPARE(view->photoView()->photo().has_value(), hasPhoto);
        QCOMPARE(view->photoView()->backdrop(), PlantPhotoView::Backdrop::speciesImage);
        QCOMPARE(view->creditLabel()->isVisibleTo(view), !hasPhoto);
        QVERIFY(view->creditLabel()->text().contains(QStringLiteral("Wikimedia Commons")));
        // A reader meets the picture as an image that says whose it is, on screen.
        const QString ownPhoto = QStringLiteral("Photo of Fern");
        const QString speciesPhoto = QStringLiteral("Species photo: Boston Fern");
        QAccessibleInterface *picture = QAccessible::queryAccessibleInterface(view->photoView());
        QCOMPARE(picture->role(), QAccessible::Graphic);
        QCOMPARE(picture->text(QAccessible::Name), hasPhoto ? ownPhoto : speciesPhoto);
        QVERIFY(!picture->state().invisible);
        QTRY_VERIFY(!picture->state().offscreen);

        // Taking the photo away (or adding one) in the form moves the credit at once.
        plant->setPhoto(hasPhoto ? std::nullopt : std::optional<QByteArray>(photo));
        QTRY_COMPARE(view->creditLabel()->isVisibleTo(view), hasPhoto);
        QCOMPARE(view->photoView()->photo().has_value(), !hasPhoto);
        QCOMPARE(picture->text(QAccessible::Name), hasPhoto ? speciesPhoto : ownPhoto);
    }

    // Opened by a click or Enter on a Today row; back by the button, Alt+Left or the mouse.
    void openFromTodayAndComeBack_data()
    {
        QTest::addColumn<bool>("byKeyboard");
        QTest::addColumn<QString>("back");
        QTest::newRow("click, back button") << false << QStringLiteral("button");
        QTest::newRow("Enter, Alt+Left") << true << QStringLiteral("keys");
        QTest::newRow("click, mouse Back") << false << QStringLiteral("mouse");
    }

    void openFromTodayAndComeBack()
    {
        QFETCH(bool, byKeyboard);
        QFETCH(QString, back);
        for (int i = 0; i < 12; ++i)
            addPlant(QStringLiteral("Plant %1").arg(i, 2, 10, QLatin1Char('0')), Species::custom(),
                     {1, 0, 0});
        auto *today = m_harness->app->mainWindow()->findChild<TodayView *>(QStringLiteral("todayView"));
        QTRY_COMPARE(today->rows().size(), 12);
        auto *list = today->findChild<QScrollArea *>(QStringLiteral("todayList"));
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
        const int scrolled = list->verticalScrollBar()->value();
        QVERIFY(scrolled > 0);
        TaskRow *row = today->rows().last();
        const qsizetype events = m_harness->app->store().eventCount();

        for (int press = 0; press < 2; ++press) { // the second press lands while the detail shows
            if (byKeyboard) {
                row->setFocus(Qt::TabFocusReason);
                QTest::keyClick(row, Qt::Key_Return);
            } else {
                QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 3, row->height() / 2));
            }
        }
        QCOMPARE(m_stack->depth(), 2);
        QCOMPARE(m_stack->currentTitle(), QStringLiteral("Plant 11"));
        auto *view = qobject_cast<PlantDetailView *>(m_stack->currentPage());
        QVERIFY(view);
        QCOMPARE(view->plant()->name(), QStringLiteral("Plant 11"));
        QVERIFY(m_stack->header()->isAncestorOf(view->actionsButton()));
        QVERIFY(view->actionsButton()->isVisible());
        QCOMPARE(view->actionsButton()->accessibleName(), QStringLiteral("Actions"));
        QCOMPARE(m_harness->app->store().eventCount(), events); // choosing is not completing

        for (int press = 0; press < 2; ++press) {
            if (back == QLatin1String("button")) {
                QTest::mouseClick(m_stack->backButton(), Qt::LeftButton);
            } else if (back == QLatin1String("keys")) {
                QTest::keyClick(m_stack->window(), Qt::Key_Left, Qt::AltModifier);
            } else {
                QWidget *target = press == 0 ? view->scrollArea()->viewport() : m_stack->currentPage();
                QTest::mouseClick(target, Qt::BackButton);
            }
        }
        QCOMPARE(m_stack->depth(), 1);
        QCOMPARE(m_harness->app->state().selectedTab(), AppTab::today);
        QCOMPARE(list->verticalScrollBar()->value(), scrolled);
        QCOMPARE(today->rows().last(), row);
        if (byKeyboard)
            QVERIFY(row->hasFocus());
        // Space on the row still completes it.
        row->setFocus(Qt::TabFocusReason);
        QTest::keyClick(row, Qt::Key_Space);
        QTRY_COMPARE(m_harness->app->store().eventCount(), events + 1);
        QCOMPARE(m_stack->depth(), 1);
    }

    void openFromMyPlantsAndComeBack()
    {
        for (int i = 0; i < 16; ++i)
            addPlant(QStringLiteral("Plant %1").arg(i, 2, 10, QLatin1Char('0')), Species::custom(),
                     {7, 0, 0});
        QTest::mouseClick(m_harness->app->rootView()->sidebar()->item(1), Qt::LeftButton);
        auto *plants = m_harness->app->mainWindow()->findChild<PlantsView *>(QStringLiteral("plantsView"));
        QTRY_VERIFY(plants->isVisible());
        Plant *last = m_harness->app->store().plants().last();
        QTRY_VERIFY(plants->grid()->card(last));
        plants->scrollArea()->verticalScrollBar()->setValue(
            plants->scrollArea()->verticalScrollBar()->maximum());
        const int scrolled = plants->scrollArea()->verticalScrollBar()->value();
        QVERIFY(scrolled > 0);
        PlantCard *card = plants->grid()->card(last);

        NavigationStack *stack = m_harness->app->rootView()->navigationStack(AppTab::plants);
        QTest::mouseClick(card, Qt::LeftButton);
        QTest::mouseClick(card, Qt::LeftButton);
        QCOMPARE(stack->depth(), 2);
        auto *view = qobject_cast<PlantDetailView *>(stack->currentPage());
        QVERIFY(view);
        QCOMPARE(view->plant(), last);
        QCOMPARE(m_stack->depth(), 1); // the Today tab keeps its own stack

        QTest::keyClick(stack->window(), Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(stack->depth(), 1);
        QVERIFY(plants->isVisible());
        QCOMPARE(plants->scrollArea()->verticalScrollBar()->value(), scrolled);
        QCOMPARE(plants->grid()->card(last), card);
    }

    // Care done on the Today list while the plant's detail waits on the My Plants stack.
    void followsCareDoneElsewhere()
    {
        Plant *plant = addPlant(QStringLiteral("Fern"), Species::custom(), {7, 0, 0});
        plant->markDone(CareKind::water, AppHarness::at(monday.addDays(-8), 9));
        NavigationStack *stack = m_harness->app->rootView()->navigationStack(AppTab::plants);
        auto *view = new PlantDetailView(m_harness->app->store(), plant);
        stack->push(view, plant->name());
        QCOMPARE(view->careCards().first()->statusLine(), QStringLiteral("1 day overdue"));

        QTest::mouseClick(m_harness->app->rootView()->sidebar()->item(0), Qt::LeftButton);
        auto *today = m_harness->app->mainWindow()->findChild<TodayView *>(QStringLiteral("todayView"));
        QTRY_VERIFY(today->isVisible() && today->rows().size() == 1);
        QTest::mouseClick(today->rows().first()->doneButton(), Qt::LeftButton);
        QTRY_COMPARE(view->careCards().first()->statusLine(), QStringLiteral("Next in 7 days"));
        QVERIFY(view->careCards().first()->shownTone() == CareCard::Tone::later);
        QCOMPARE(historyLines(view),
                 (QStringList{QStringLiteral("Watered Dec 7"), QStringLiteral("Watered Nov 29")}));
        QCOMPARE(stack->currentPage(), view);
    }

    void editInTheSheet_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("save") << true;
        QTest::newRow("cancel") << false;
    }

    void editInTheSheet()
    {
        QFETCH(bool, save);
        Plant *plant = addPlant(QStringLiteral("Fern"), Species::custom(), {7, 0, 0});
        plant->markDone(CareKind::water, AppHarness::at(monday.addDays(-2), 8));
        PlantDetailView *view = showDetail(plant);
        QAction *edit = menuAction(view->actionsButton()->menu(), QStringLiteral("Edit"));
        edit->trigger();
        edit->trigger(); // one sheet, not two
        QVERIFY(view->editSheet());
        QCOMPARE(view->window()->findChildren<Sheet *>().size(), 1);
        auto *form = view->editSheet()->findChild<PlantFormView *>();
        QVERIFY(form);
        QTRY_VERIFY(form->didLoad());

        const QString hostile = QStringLiteral("&x <b>bold</b>\u200F");
        form->nameField()->selectAll();
        QTest::keyClicks(form->nameField(), QStringLiteral("&x <b>bold</b>"));
        QInputMethodEvent mark; // a right-to-left mark, as an input method types it
        mark.setCommitString(QStringLiteral("\u200F"));
        QApplication::sendEvent(form->nameField(), &mark);
        for (int step = 0; step < 7; ++step)
            QTest::keyClick(form->intervalRow(CareKind::water)->stepper(), Qt::Key_Up);
        QTest::mouseClick(save ? form->confirmButton() : form->cancelButton(), Qt::LeftButton);

        QTRY_VERIFY(!view->editSheet() || view->editSheet()->isDismissed());
        const QString name = save ? hostile : QStringLiteral("Fern");
        QCOMPARE(plant->name(), name);
        QCOMPARE(text(view, "detailHeroName"), name);
        QCOMPARE(m_stack->currentTitle(), name);
        QCOMPARE(view->careCards().first()->intervalLine(),
                 save ? QStringLiteral("Every 14 days") : QStringLiteral("Every 7 days"));
        QCOMPARE(view->careCards().first()->statusLine(),
                 save ? QStringLiteral("Next in 12 days") : QStringLiteral("Next in 5 days"));
        QCOMPARE(plant->eventCount(), 1);
    }

    void deleteAsksThenLeavesFirst_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("delete") << QStringLiteral("Delete");
        QTest::newRow("cancel") << QStringLiteral("Cancel");
    }

    void deleteAsksThenLeavesFirst()
    {
        QFETCH(QString, answer);
        Plant *plant = addPlant(QStringLiteral("<b>Monty</b>"), Species::custom(), {7, 0, 0});
        for (int day = 1; day <= 3; ++day)
            plant->markDone(CareKind::water, AppHarness::at(monday.addDays(-day), 9));
        Plant *other = addPlant(QStringLiteral("Fern"), Species::custom(), {7, 0, 0});
        other->markDone(CareKind::water, AppHarness::at(monday, 9));
        m_harness->app->store().flush();
        showDetail(plant);
        int depthWhenDeleted = -1;
        // Connected for this test only: a plant kept is destroyed later, with its store.
        QObject watching;
        connect(plant, &QObject::destroyed, &watching, [&] { depthWhenDeleted = m_stack->depth(); });

        auto *view = qobject_cast<PlantDetailView *>(m_stack->currentPage());
        MessageBox::setNextAnswer(answer);
        menuAction(view->actionsButton()->menu(), QStringLiteral("Delete Plant"))->trigger();
        const std::optional<MessageBox::Shown> dialog = MessageBox::lastShown();
        QVERIFY(dialog);
        QCOMPARE(dialog->title, QStringLiteral("Delete \u2068<b>Monty</b>\u2069?"));
        QCOMPARE(dialog->message, QStringLiteral("Its care history will be removed too."));
        QCOMPARE(dialog->buttons, (QStringList{QStringLiteral("Delete"), QStringLiteral("Cancel")}));

        const ModelStore &store = m_harness->app->store();
        if (answer == QLatin1String("Delete")) {
            QCOMPARE(m_stack->depth(), 1);
            QTRY_COMPARE(depthWhenDeleted, 1);
            QCOMPARE(store.plantCount(), 1);
            QCOMPARE(store.eventCount(), 1);
            QCOMPARE(store.plants().first(), other);
        } else {
            QCOMPARE(m_stack->depth(), 2);
            QCOMPARE(plant->eventCount(), 3);
            QCOMPARE(store.eventCount(), 4);
        }
    }

    // Deleted from the Settings window (or any other path) while shown: the screen leaves.
    void deletedElsewhereLeavesTheScreen()
    {
        Plant *plant = addPlant(QStringLiteral("Fern"), Species::custom(), {7, 0, 0});
        PlantDetailView *view = showDetail(plant);
        QPointer<PlantDetailView> watched(view);
        menuAction(view->actionsButton()->menu(), QStringLiteral("Edit"))->trigger();
        QVERIFY(view->editSheet());

        m_harness->app->showSettings();
        auto *settings = m_harness->app->settingsWindow();
        QVERIFY(settings);
        MessageBox::setNextAnswer(QStringLiteral("Delete All"));
        QTest::mouseClick(settings->findChild<SettingsView *>()->deleteAllRow(), Qt::LeftButton);
        QTRY_COMPARE(m_stack->depth(), 1);
        QTRY_VERIFY(!watched);
        QVERIFY(!Sheet::topmost(m_harness->app->mainWindow()) ||
                Sheet::topmost(m_harness->app->mainWindow())->isDismissed());
        QCOMPARE(m_harness->app->store().plantCount(), 0);
    }

    void accessibleStructure()
    {
        Plant *plant = addPlant(QStringLiteral("Fern"), Species::find(QStringLiteral("fern")), {7, 0, 0});
        plant->markDone(CareKind::water, AppHarness::at(monday.addDays(-6), 9));
        PlantDetailView *view = showDetail(plant);

        QStringList headings;
        for (QLabel *label : view->findChildren<QLabel *>()) {
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(label);
            if (face && face->role() == QAccessible::Heading && label->isVisibleTo(view))
                headings.append(face->text(QAccessible::Name));
        }
        QCOMPARE(headings, (QStringList{QStringLiteral("Care Schedule"), QStringLiteral("About"),
                                        QStringLiteral("Tips"), QStringLiteral("History")}));

        QAccessibleInterface *gauge =
            QAccessible::queryAccessibleInterface(view->careCards().first()->gauge());
        QCOMPARE(gauge->role(), QAccessible::ProgressBar);
        QCOMPARE(gauge->text(QAccessible::Name), QStringLiteral("Water schedule"));
        QCOMPARE(gauge->text(QAccessible::Description), QStringLiteral("Due tomorrow"));
        // A reader cannot change it: no value (over AT-SPI that brings Increase and Decrease).
        QVERIFY(!gauge->valueInterface());
        // Without a photo of its own or of its species, the picture is the species' drawing.
        QAccessibleInterface *picture = QAccessible::queryAccessibleInterface(view->photoView());
        QCOMPARE(picture->text(QAccessible::Name), QStringLiteral("Drawing of Boston Fern"));
        QVERIFY(!picture->state().invisible);

        // The tips read as the species page reads them: a list of "Tip 1: …".
        const Species fern = Species::find(QStringLiteral("fern"));
        QAccessibleInterface *tips = QAccessible::queryAccessibleInterface(
            view->findChild<QWidget *>(QStringLiteral("detailTipsPanel")));
        QCOMPARE(tips->role(), QAccessible::List);
        QCOMPARE(tips->text(QAccessible::Name), QStringLiteral("Tips"));
        QCOMPARE(tips->childCount(), fern.tips.size());
        for (int i = 0; i < tips->childCount(); ++i) {
            QCOMPARE(tips->child(i)->role(), QAccessible::ListItem);
            QCOMPARE(tips->child(i)->text(QAccessible::Name),
                     QStringLiteral("Tip %1: %2").arg(QString::number(i + 1), fern.tips[i]));
            QCOMPARE(tips->child(i)->childCount(), 0);
        }

        HistoryRow *row = view->historyRows().first();
        QAccessibleInterface *item = QAccessible::queryAccessibleInterface(row);
        QCOMPARE(item->role(), QAccessible::ListItem);
        QCOMPARE(item->text(QAccessible::Name), QStringLiteral("Watered, Dec 1"));
        QCOMPARE(QAccessible::queryAccessibleInterface(row->parentWidget())->role(), QAccessible::List);
        QVERIFY(
            item->actionInterface()->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
        item->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QVERIFY(menuAction(menu, QStringLiteral("Undo")));
        menu->close();
    }

private:
    struct Intervals
    {
        int water, fertilize, mist;
    };

    Plant *addPlant(const QString &name, const Species &species, Intervals intervals)
    {
        auto *plant = new Plant(name, species, QStringLiteral("Office"));
        plant->setDateAdded(AppHarness::at(monday.addDays(-60), 12));
        plant->setWaterInterval(intervals.water);
        plant->setFertilizeInterval(intervals.fertilize);
        plant->setMistInterval(intervals.mist);
        m_harness->app->store().insert(plant);
        return plant;
    }

    // As choosing the plant in a list does: its detail pushed onto the Today stack.
    PlantDetailView *showDetail(Plant *plant)
    {
        auto *view = new PlantDetailView(m_harness->app->store(), plant);
        m_stack->push(view, plant->name());
        return view;
    }

    // Opens row's context menu as a right click, the Menu key or a press held until it shows would.
    QMenu *openMenu(HistoryRow *row, const QString &how)
    {
        const auto popup = [] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); };
        const QPoint centre = row->rect().center();
        if (how == QLatin1String("hold")) {
            QTest::mousePress(row, Qt::LeftButton, {}, centre);
            const bool opened = QTest::qWaitFor([&] { return popup() != nullptr; });
            QTest::mouseRelease(row, Qt::LeftButton, {}, centre);
            return opened ? popup() : nullptr;
        }
        QContextMenuEvent event(how == QLatin1String("keyboard") ? QContextMenuEvent::Keyboard
                                                                 : QContextMenuEvent::Mouse,
                                centre, row->mapToGlobal(centre));
        QApplication::sendEvent(row, &event);
        return popup();
    }

    std::unique_ptr<AppHarness> m_harness;
    NavigationStack *m_stack = nullptr;
};

QTEST_MAIN(TestPlantDetail)
#include "tst_plant_detail.moc"
