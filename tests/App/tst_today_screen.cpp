// The Today screen in the real main window: the welcome panel, the sample plants' tasks, every way
// of completing a task, and the list following the store and the calendar.
#include "support/AppHarness.h"

#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Views/Components/CapacityGauge.h"
#include "Views/Components/ContentUnavailableView.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InputHold.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/Sidebar.h"
#include "Views/Components/SidebarItem.h"
#include "Views/Components/Spring.h"
#include "Views/Components/SuccessFeedback.h"
#include "Views/Components/Toast.h"
#include "Views/Plants/CareCard.h"
#include "Views/Plants/PlantDetailView.h"
#include "Views/RootView.h"
#include "Views/State/AppState.h"
#include "Views/Today/TaskRow.h"
#include "Views/Today/TodayList.h"
#include "Views/Today/TodaySummaryCard.h"
#include "Views/Today/TodayView.h"

#include <QAccessible>
#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpontaneKeyEvent>
#include <QStandardPaths>
#include <QTest>

namespace {

const QDate monday(2026, 12, 7);

// How a Space key held down comes after its first press.
enum class Repeat : unsigned char { marked, releasedAndPressed, pressedOnly, pressedAgain };

// Every row the way a user reads the list: "Today: Goldie Water (Due today)".
QStringList listed(const TodayView *view)
{
    QStringList lines;
    for (const TaskRow *row : view->rows()) {
        QString section;
        switch (view->sectionOf(row)) {
        case TodayView::Section::overdue:
            section = QStringLiteral("Overdue");
            break;
        case TodayView::Section::today:
            section = QStringLiteral("Today");
            break;
        case TodayView::Section::next:
            section = QStringLiteral("Next");
            break;
        }
        lines.append(QStringLiteral("%1: %2 %3 (%4)")
                         .arg(section, row->plantName(), row->kind().title(), row->dueText()));
    }
    return lines;
}

const QStringList sampleTasks = {
    QStringLiteral("Overdue: Figgy Fertilize (1 day late)"),
    QStringLiteral("Overdue: Monty Water (1 day late)"),
    QStringLiteral("Overdue: Monty Mist (1 day late)"),
    QStringLiteral("Today: Fernando Water (Due today)"),
    QStringLiteral("Today: Fernando Mist (Due today)"),
    QStringLiteral("Today: Goldie Water (Due today)"),
    QStringLiteral("Next: Orbi Mist (Tomorrow)"),
    QStringLiteral("Next: Orbi Water (In 2 days)"),
    QStringLiteral("Next: Penny Fertilize (In 2 days)"),
    QStringLiteral("Next: Figgy Water (In 5 days)"),
    QStringLiteral("Next: Penny Water (In 5 days)"),
};

// "Goldie Water" for a task row, empty for anything else.
QString rowTitle(const QWidget *widget)
{
    const auto *row = qobject_cast<const TaskRow *>(widget);
    return row ? row->plantName() + QLatin1Char(' ') + row->kind().title() : QString();
}

TaskRow *findRow(const TodayView *view, const QString &name, CareKind kind)
{
    for (TaskRow *row : view->rows()) {
        if (row->plantName() == name && row->kind() == kind)
            return row;
    }
    return nullptr;
}

Plant *findPlant(const ModelStore &store, const QString &name)
{
    for (Plant *plant : store.plants()) {
        if (plant->name() == name)
            return plant;
    }
    return nullptr;
}

// As the window system delivers it: a wheel event that nobody takes goes on to the parents.
void sendSpontaneous(QWidget *widget, QEvent *event)
{
    QSpontaneKeyEvent::setSpontaneous(event);
    qApp->notify(widget, event);
}

void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Presses on the row's texts, drags sideways by distance in steps, and lets go.
void drag(TaskRow *row, int distance)
{
    const QPoint start(row->width() / 3, row->height() / 2);
    sendMouse(row, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    const int steps = 8;
    for (int i = 1; i <= steps; ++i)
        sendMouse(row, QEvent::MouseMove, start + QPoint(distance * i / steps, 0), Qt::NoButton,
                  Qt::LeftButton);
    sendMouse(row, QEvent::MouseButtonRelease, start + QPoint(distance, 0), Qt::LeftButton, Qt::NoButton);
}

// A two-finger sideways scroll over the row: begin, updates of step pixels, end.
void scroll(TaskRow *row, int distance)
{
    const QPointF pos(row->width() / 3.0, row->height() / 2.0);
    auto send = [&](QPoint pixels, Qt::ScrollPhase phase) {
        QWheelEvent event(pos, row->mapToGlobal(pos), pixels, pixels * 2, Qt::NoButton, Qt::NoModifier, phase,
                          false);
        sendSpontaneous(row, &event);
    };
    send({}, Qt::ScrollBegin);
    const int step = distance > 0 ? 40 : -40;
    for (int moved = 0; std::abs(moved) < std::abs(distance); moved += step)
        send(QPoint(step, 0), Qt::ScrollUpdate);
    send({}, Qt::ScrollEnd);
}

} // namespace

class TestTodayScreen final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Spring::setAnimationsEnabled(false);
    }

    void init() { start(AppHarness::at(monday, 10, 30)); }

    void cleanup()
    {
        Spring::setAnimationsEnabled(false);
        m_harness.reset();
    }

    void emptyStateOffersSamplePlants()
    {
        QVERIFY(m_today->isShowingEmptyState());
        auto *panel = m_today->findChild<QWidget *>(QStringLiteral("todayEmptyState"));
        QVERIFY(panel && panel->isVisible());
        QVERIFY(!m_today->summaryCard());

        auto *samples = m_today->findChild<GlassButton *>(QStringLiteral("todaySampleButton"));
        QVERIFY(samples && samples->isVisible());
        QCOMPARE(samples->text(), QStringLiteral("Try with Sample Plants"));
        QTest::mouseClick(samples, Qt::LeftButton);

        QTRY_VERIFY(!m_today->isShowingEmptyState());
        QCOMPARE(listed(m_today), sampleTasks);
        TodaySummaryCard *card = m_today->summaryCard();
        QVERIFY(card && card->isVisible());
        QCOMPARE(card->dateText(), QStringLiteral("Monday, Dec 7"));
        QCOMPARE(card->remainingLine(), QStringLiteral("6 tasks left"));
        QCOMPARE(card->doneLine(), QStringLiteral("0 done today"));
        QCOMPARE(card->gauge()->symbol(), QStringLiteral("drop.fill"));
        QCOMPARE(card->gauge()->value(), 0.0);
        QCOMPARE(m_harness->app->rootView()->todayBadge(), 6);

        TaskRow *monty = findRow(m_today, QStringLiteral("Monty"), CareKind::water);
        QVERIFY(monty->isLate());
        QCOMPARE(monty->doneButton()->accessibleName(), QStringLiteral("Mark water done for Monty"));
        QCOMPARE(
            findRow(m_today, QStringLiteral("Penny"), CareKind::fertilize)->doneButton()->accessibleName(),
            QStringLiteral("Mark fertilize done for Penny"));
        QVERIFY(!findRow(m_today, QStringLiteral("Goldie"), CareKind::water)->isLate());
        for (const char *header : {"todaySectionOverdue", "todaySectionToday", "todaySectionNext"})
            QVERIFY2(m_today->findChild<QWidget *>(QLatin1String(header))->isVisible(), header);
        QVERIFY(m_today->completeAllButton()->isVisible());
    }

    void tabFollowsWhatTheUserSees()
    {
        // From the keyboard: Tab to "Try with Sample Plants" and press Space.
        auto *samples = m_today->findChild<GlassButton *>(QStringLiteral("todaySampleButton"));
        m_harness->app->rootView()->sidebar()->item(0)->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 20 && !samples->hasFocus(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(samples->hasFocus());
        QTest::keyClick(samples, Qt::Key_Space);
        QTRY_COMPARE(m_today->rows().size(), sampleTasks.size());
        // The focus lands on the first task, where the user sees it.
        QCOMPARE(QApplication::focusWidget(), m_today->rows().constFirst());

        // Once round the window: the sidebar top to bottom, the header's button, then the list
        // from top to bottom, every stop visible.
        QStringList stops;
        QWidget *start = m_harness->app->rootView()->sidebar()->item(0);
        start->setFocus(Qt::TabFocusReason);
        int lastY = -1;
        for (int i = 0; i < 40; ++i) {
            QWidget *focused = QApplication::focusWidget();
            QVERIFY(focused && focused->isVisible());
            if (i > 0 && focused == start)
                break;
            const auto *button = qobject_cast<const QAbstractButton *>(focused);
            const QString name = button ? button->text() : focused->accessibleName();
            stops.append(name);
            if (stops.size() > 4) {
                const int y = focused->mapTo(m_harness->app->mainWindow(), QPoint(0, 0)).y();
                QVERIFY2(y >= lastY, qPrintable(stops.join(QStringLiteral(" / "))));
                lastY = y;
            }
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        QCOMPARE(stops.mid(0, 4), (QStringList{QStringLiteral("Today"), QStringLiteral("My Plants"),
                                               QStringLiteral("Explore"), QStringLiteral("Add Plant")}));
        // Every task and "Complete All", nothing else.
        QVERIFY2(stops.size() == 4 + int(sampleTasks.size()) + 1,
                 qPrintable(stops.join(QStringLiteral(" / "))));
    }

    void addPlantButtonsOpenTheSheet_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("toolbar") << QStringLiteral("todayAddPlantButton");
        QTest::newRow("welcome panel") << QStringLiteral("todayAddFirstPlantButton");
    }

    void addPlantButtonsOpenTheSheet()
    {
        QFETCH(QString, button);
        auto *add = m_harness->app->mainWindow()->findChild<GlassButton *>(button);
        QVERIFY(add && add->isVisible());
        QTest::mouseClick(add, Qt::LeftButton);
        QVERIFY(m_harness->app->state().isAddingPlant());
        QCOMPARE(m_harness->app->state().selectedTab(), AppTab::today);
        m_harness->app->state().setAddingPlant(false);
    }

    void completingByButtonLogsOneAction()
    {
        loadSamples();
        const int cues = SuccessFeedback::playCount();
        TaskRow *goldie = findRow(m_today, QStringLiteral("Goldie"), CareKind::water);
        QTest::mouseClick(goldie->doneButton(), Qt::LeftButton);

        QTRY_COMPARE(doneLine(), QStringLiteral("1 done today"));
        QCOMPARE(remainingLine(), QStringLiteral("5 tasks left"));
        // Watered today with a 7-day interval: the task leaves Today and is next due in 7 days.
        QStringList expected = sampleTasks;
        expected.removeOne(QStringLiteral("Today: Goldie Water (Due today)"));
        expected.append(QStringLiteral("Next: Goldie Water (In 7 days)"));
        QCOMPARE(listed(m_today), expected);
        QTRY_COMPARE(m_harness->app->rootView()->todayBadge(), 5);
        QCOMPARE(m_today->completions(), 1);
        QCOMPARE(SuccessFeedback::playCount(), cues + 1);
        const Plant *plant = findPlant(m_harness->app->store(), QStringLiteral("Goldie"));
        QCOMPARE(plant->lastWatered().value(), m_harness->clock.now());
        QCOMPARE(plant->sortedEvents().first()->date(), m_harness->clock.now());
    }

    void completingBySwipe_data()
    {
        QTest::addColumn<bool>("byScrolling");
        QTest::addColumn<QString>("plant");
        QTest::addColumn<QString>("staysAs"); // the row's due text when it stays listed
        QTest::newRow("drag, task leaves") << false << QStringLiteral("Monty") << QString();
        QTest::newRow("scroll, task leaves") << true << QStringLiteral("Monty") << QString();
        QTest::newRow("drag, task stays") << false << QStringLiteral("Goldie") << QStringLiteral("In 7 days");
        QTest::newRow("scroll, task stays")
            << true << QStringLiteral("Goldie") << QStringLiteral("In 7 days");
    }

    void completingBySwipe()
    {
        QFETCH(bool, byScrolling);
        QFETCH(QString, plant);
        QFETCH(QString, staysAs);
        loadSamples();
        TaskRow *row = findRow(m_today, plant, CareKind::water);
        const int distance = TaskRow::fullSwipeDistance(row->width()) + 20;
        if (byScrolling)
            scroll(row, distance);
        else
            drag(row, distance);

        QTRY_COMPARE(doneLine(), QStringLiteral("1 done today"));
        QCOMPARE(m_today->completions(), 1);
        QCOMPARE(findPlant(m_harness->app->store(), plant)->lastWatered().value(), m_harness->clock.now());
        if (staysAs.isEmpty()) {
            QVERIFY(!findRow(m_today, plant, CareKind::water));
            return;
        }
        // Listed again further down: closed, with its new due text, and clicks on it log nothing.
        QCOMPARE(findRow(m_today, plant, CareKind::water), row);
        QCOMPARE(row->dueText(), staysAs);
        QCOMPARE(row->swipeOffset(), 0.0);
        QVERIFY(!row->isActionShown());
        for (int click = 0; click < 2; ++click)
            QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 4, row->height() / 2));
        QTest::qWait(20);
        QCOMPARE(doneLine(), QStringLiteral("1 done today"));
        QCOMPARE(m_today->completions(), 1);
    }

    void shortSwipeLeavesTheActionShown_data()
    {
        QTest::addColumn<bool>("byScrolling");
        QTest::addColumn<bool>("clickAction");
        QTest::newRow("drag, then click the action") << false << true;
        QTest::newRow("drag, then scroll back") << false << false;
        QTest::newRow("scroll, then click the action") << true << true;
        QTest::newRow("scroll, then scroll back") << true << false;
    }

    void shortSwipeLeavesTheActionShown()
    {
        QFETCH(bool, byScrolling);
        QFETCH(bool, clickAction);
        loadSamples();
        TaskRow *figgy = findRow(m_today, QStringLiteral("Figgy"), CareKind::fertilize);
        if (byScrolling)
            scroll(figgy, TaskRow::actionWidth + 20);
        else
            drag(figgy, TaskRow::actionWidth + 20);
        QTRY_VERIFY(figgy->isActionShown());
        QCOMPARE(figgy->swipeOffset(), qreal(TaskRow::actionWidth));
        QCOMPARE(m_today->completions(), 0);
        QVERIFY(findRow(m_today, QStringLiteral("Figgy"), CareKind::fertilize));

        if (clickAction) {
            QTest::mouseClick(figgy, Qt::LeftButton, {},
                              QPoint(TaskRow::actionWidth / 2, figgy->height() / 2));
            QTRY_VERIFY(!findRow(m_today, QStringLiteral("Figgy"), CareKind::fertilize));
            QCOMPARE(m_today->completions(), 1);
        } else {
            scroll(figgy, -(TaskRow::actionWidth + 40));
            QTRY_COMPARE(figgy->swipeOffset(), 0.0);
            QVERIFY(!figgy->isActionShown());
            QCOMPARE(m_today->completions(), 0);
            QVERIFY(findRow(m_today, QStringLiteral("Figgy"), CareKind::fertilize));
        }
    }

    void verticalScrollingIsNotASwipe()
    {
        loadSamples();
        TaskRow *figgy = findRow(m_today, QStringLiteral("Figgy"), CareKind::fertilize);
        const QPointF pos(figgy->width() / 3.0, figgy->height() / 2.0);
        QWheelEvent wheel(pos, figgy->mapToGlobal(pos), QPoint(8, -60), QPoint(16, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        sendSpontaneous(figgy, &wheel);
        QCOMPARE(figgy->swipeOffset(), 0.0);
        QVERIFY(!figgy->isActionShown());
        // The scroll reached the list instead.
        QVERIFY(m_today->findChild<QScrollArea *>(QStringLiteral("todayList"))->verticalScrollBar()->value() >
                0);
    }

    void completeAllTakesOnlyTodaysTasks()
    {
        loadSamples();
        const int cues = SuccessFeedback::playCount();
        QTest::mouseClick(m_today->completeAllButton(), Qt::LeftButton);

        QTRY_COMPARE(doneLine(), QStringLiteral("3 done today"));
        const QStringList expected = {
            QStringLiteral("Overdue: Figgy Fertilize (1 day late)"),
            QStringLiteral("Overdue: Monty Water (1 day late)"),
            QStringLiteral("Overdue: Monty Mist (1 day late)"),
            QStringLiteral("Next: Orbi Mist (Tomorrow)"),
            QStringLiteral("Next: Fernando Mist (In 2 days)"),
            QStringLiteral("Next: Orbi Water (In 2 days)"),
            QStringLiteral("Next: Penny Fertilize (In 2 days)"),
            QStringLiteral("Next: Fernando Water (In 4 days)"),
            QStringLiteral("Next: Figgy Water (In 5 days)"),
            QStringLiteral("Next: Penny Water (In 5 days)"),
            QStringLiteral("Next: Goldie Water (In 7 days)"),
        };
        QCOMPARE(listed(m_today), expected);
        QCOMPARE(remainingLine(), QStringLiteral("3 tasks left"));
        QCOMPARE(m_today->completions(), 1);
        QCOMPARE(SuccessFeedback::playCount(), cues + 1);
        QVERIFY(!m_today->completeAllButton()->isVisible());
        auto *nothing = m_today->findChild<QWidget *>(QStringLiteral("todayNothingDue"));
        QVERIFY(nothing && nothing->isVisible());
        // The "Today" heading keeps its full height without the button: nothing of it is cut off.
        auto *header = m_today->findChild<QWidget *>(QStringLiteral("todaySectionToday"));
        auto *title = header->findChild<QWidget *>(QStringLiteral("todaySectionTitle"));
        QCOMPARE(header->parentWidget()->height(), header->height());
        QVERIFY(title->geometry().bottom() < header->parentWidget()->height());
    }

    void completeAllNeedsTwoTasksDueToday()
    {
        loadSamples();
        QTest::mouseClick(findRow(m_today, QStringLiteral("Fernando"), CareKind::water)->doneButton(),
                          Qt::LeftButton);
        QTRY_COMPARE(doneLine(), QStringLiteral("1 done today"));
        QVERIFY(m_today->completeAllButton()->isVisible());
        // The row that took the done one's place takes clicks again a moment later.
        QTest::qWait(InputHold::standardMsecs + 50);
        QTest::mouseClick(findRow(m_today, QStringLiteral("Fernando"), CareKind::mist)->doneButton(),
                          Qt::LeftButton);
        QTRY_COMPARE(doneLine(), QStringLiteral("2 done today"));
        QVERIFY(!m_today->completeAllButton()->isVisible());
        QCOMPARE(m_today->completions(), 2);
    }

    void keyboardCompletesTheFocusedRow_data()
    {
        QTest::addColumn<QString>("row");          // "Name Kind"
        QTest::addColumn<QString>("focusedAfter"); // "Name Kind", or empty for the list itself
        QTest::newRow("task leaves") << QStringLiteral("Monty Water") << QStringLiteral("Monty Mist");
        QTest::newRow("task stays listed") << QStringLiteral("Goldie Water") << QStringLiteral("Orbi Mist");
        QTest::newRow("last row") << QStringLiteral("Penny Water") << QStringLiteral("Figgy Water");
        QTest::newRow("only row, stays listed") << QStringLiteral("Fern Water") << QString();
    }

    void keyboardCompletesTheFocusedRow()
    {
        QFETCH(QString, row);
        QFETCH(QString, focusedAfter);
        if (row.startsWith(QStringLiteral("Fern"))) {
            addPlant(QStringLiteral("Fern"), 3)
                ->markDone(CareKind::water, m_harness->clock.now().addDays(-3));
            QTRY_COMPARE(m_today->rows().size(), 1);
        } else {
            loadSamples();
        }
        TaskRow *first = m_today->rows().constFirst();
        QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(first->width() / 3, first->height() / 2));
        QCOMPARE(m_today->completions(), 0); // choosing a row is not completing it: it opens the plant
        NavigationStack *stack = m_harness->app->rootView()->navigationStack(AppTab::today);
        QCOMPARE(stack->depth(), 2);
        QTest::keyClick(stack->window(), Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(stack->depth(), 1);
        QVERIFY(first->hasFocus());
        for (int i = 0; i < 30 && rowTitle(QApplication::focusWidget()) != row; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(rowTitle(QApplication::focusWidget()), row);
        const Plant *plant = findPlant(m_harness->app->store(), row.section(QLatin1Char(' '), 0, 0));
        auto logged = [plant] {
            const QList<CareEvent *> events = plant->events();
            return std::count_if(events.cbegin(), events.cend(),
                                 [](const CareEvent *event) { return event->kind() == CareKind::water; });
        };
        const auto eventsBefore = logged();

        typeSpace();
        QTRY_COMPARE(doneLine(), QStringLiteral("1 done today"));
        // The completed row takes no more keys: the focus has moved on.
        QWidget *focused = QApplication::focusWidget();
        if (focusedAfter.isEmpty())
            QCOMPARE(focused, m_today->findChild<QScrollArea *>(QStringLiteral("todayList")));
        else
            QCOMPARE(rowTitle(focused), focusedAfter);
        // A second press at once is the same press: one press is one task. A moment later it is a
        // new one.
        typeSpace();
        QTest::qWait(20);
        QCOMPARE(doneLine(), QStringLiteral("1 done today"));
        QTest::qWait(InputHold::standardMsecs + 50);
        typeSpace();
        QTRY_COMPARE(doneLine(), focusedAfter.isEmpty() ? QStringLiteral("1 done today")
                                                        : QStringLiteral("2 done today"));
        QCOMPARE(logged(), eventsBefore + 1);
    }

    // Space held down completes the focused task only, however the window system repeats it.
    void heldSpaceCompletesOneTask_data()
    {
        QTest::addColumn<Repeat>("repeat");
        QTest::newRow("repeats marked as such") << Repeat::marked;
        QTest::newRow("repeats unmarked, let go and pressed at one moment") << Repeat::releasedAndPressed;
        QTest::newRow("repeats unmarked, never let go") << Repeat::pressedOnly;
        QTest::newRow("pressed again and again") << Repeat::pressedAgain;
    }

    void heldSpaceCompletesOneTask()
    {
        QFETCH(Repeat, repeat);
        loadSamples();
        findRow(m_today, QStringLiteral("Monty"), CareKind::water)->setFocus(Qt::TabFocusReason);
        quint64 moment = 1000;
        sendKey(QEvent::KeyPress, moment);
        QTRY_COMPARE(doneLine(), QStringLiteral("1 done today"));
        QCOMPARE(rowTitle(QApplication::focusWidget()), QStringLiteral("Monty Mist"));
        // Longer than the moment a row is held for, so only the rule on repeats keeps them out.
        for (int i = 0; i < 15; ++i) {
            QTest::qWait(40);
            moment += 40;
            switch (repeat) {
            case Repeat::marked:
                sendKey(QEvent::KeyRelease, moment, true);
                sendKey(QEvent::KeyPress, moment, true);
                break;
            case Repeat::releasedAndPressed:
                sendKey(QEvent::KeyRelease, moment);
                sendKey(QEvent::KeyPress, moment);
                break;
            case Repeat::pressedOnly:
                sendKey(QEvent::KeyPress, moment);
                break;
            case Repeat::pressedAgain:
                sendKey(QEvent::KeyRelease, moment);
                sendKey(QEvent::KeyPress, moment + 20);
                break;
            }
        }
        QTest::qWait(40);
        sendKey(QEvent::KeyRelease, moment + 60);
        QCOMPARE(doneLine(), QStringLiteral("1 done today"));
        QCOMPARE(rowTitle(QApplication::focusWidget()), QStringLiteral("Monty Mist"));

        // Let go, a fresh press a moment later is the next task.
        QTest::qWait(InputHold::standardMsecs + 50);
        sendKey(QEvent::KeyPress, moment + 1000);
        sendKey(QEvent::KeyRelease, moment + 1100);
        QTRY_COMPARE(doneLine(), QStringLiteral("2 done today"));
        QCOMPARE(findPlant(m_harness->app->store(), QStringLiteral("Monty"))->lastMisted(),
                 m_harness->clock.now());
    }

    // A double click, or a screen reader's Press given twice, logs the care once: the control
    // takes nothing more until its new state has been shown.
    void aSecondPressLogsNothing_data()
    {
        QTest::addColumn<bool>("onDetail"); // the plant's care card instead of the Today row
        QTest::addColumn<bool>("byReader");
        QTest::newRow("Today, double click") << false << false;
        QTest::newRow("Today, reader's Press twice") << false << true;
        QTest::newRow("care card, double click") << true << false;
        QTest::newRow("care card, reader's Press twice") << true << true;
    }

    void aSecondPressLogsNothing()
    {
        QFETCH(bool, onDetail);
        QFETCH(bool, byReader);
        loadSamples();
        // Fernando's water stays listed once done (due again in four days).
        TaskRow *row = findRow(m_today, QStringLiteral("Fernando"), CareKind::water);
        QAbstractButton *button = row->doneButton();
        if (onDetail) {
            QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 3, row->height() / 2));
            PlantDetailView *detail = nullptr;
            QTRY_VERIFY((detail = m_harness->app->mainWindow()->findChild<PlantDetailView *>()) &&
                        detail->isVisible());
            for (CareCard *card : detail->careCards()) {
                if (card->kind() == CareKind::water)
                    button = card->doneButton();
            }
        }
        const Plant *fernando = findPlant(m_harness->app->store(), QStringLiteral("Fernando"));
        const qsizetype eventsBefore = fernando->events().size();
        for (int press = 0; press < 2; ++press) {
            if (byReader) {
                QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
                    QAccessibleActionInterface::pressAction());
                QTest::qWait(200);
            } else {
                QTest::mouseClick(button, Qt::LeftButton);
                QTest::qWait(10);
            }
        }
        QTRY_VERIFY(fernando->lastWatered() == m_harness->clock.now());
        QTest::qWait(150);
        QCOMPARE(fernando->events().size(), eventsBefore + 1);
        QCOMPARE(doneLine(), QStringLiteral("1 done today"));
    }

    // The toast after "Complete All" never takes the keyboard: a page opened with Enter has it, and
    // Space there undoes nothing. F6 reaches the toast on purpose, and goes back again.
    void openingAPageLeavesTheToastAlone()
    {
        loadSamples();
        QTest::mouseClick(m_today->completeAllButton(), Qt::LeftButton);
        QTRY_COMPARE(doneLine(), QStringLiteral("3 done today"));
        Toast *toast = Toast::current(m_harness->app->mainWindow());
        QVERIFY(toast && toast->isVisible());
        QCOMPARE(toast->message(), QStringLiteral("Completed 3 tasks"));

        TaskRow *monty = findRow(m_today, QStringLiteral("Monty"), CareKind::water);
        monty->setFocus(Qt::TabFocusReason);
        QTest::keyClick(monty, Qt::Key_Return);
        NavigationStack *stack = m_harness->app->rootView()->navigationStack(AppTab::today);
        QCOMPARE(stack->depth(), 2);
        QWidget *focused = QApplication::focusWidget();
        QVERIFY2(focused && stack->currentPage()->isAncestorOf(focused),
                 focused ? focused->metaObject()->className() : "nothing");
        QTest::keyClick(focused, Qt::Key_Space);
        QTest::qWait(20);
        QCOMPARE(findPlant(m_harness->app->store(), QStringLiteral("Goldie"))->lastWatered(),
                 m_harness->clock.now());

        toast = Toast::current(m_harness->app->mainWindow());
        QVERIFY(toast);
        QTest::keyClick(m_harness->app->mainWindow(), Qt::Key_F6);
        QCOMPARE(QApplication::focusWidget(), toast->actionButton());
        QTest::keyClick(toast->actionButton(), Qt::Key_F6);
        QCOMPARE(QApplication::focusWidget(), focused);
    }

    void hostileNamesStayText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("room");
        // Whether the first 40 characters, typed into a search, could join the words around them.
        QTest::addColumn<bool>("searchIsolated");
        QTest::newRow("mnemonic") << QStringLiteral("&x") << QStringLiteral("&Garden") << true;
        QTest::newRow("markup") << QStringLiteral("<b>Big</b> &amp; x") << QStringLiteral("<i>Hall</i>")
                                << true;
        QTest::newRow("right-to-left override")
            << QStringLiteral("evil\u202Eexe.txt &x") << QStringLiteral("\u2069\u202EOffice") << true;
        QTest::newRow("10,000 characters") << QString(9'998, QLatin1Char('w')) + QStringLiteral("&x")
                                           << QString(10'000, QChar(0x05D0)) << false;
    }

    void hostileNamesStayText()
    {
        QFETCH(QString, name);
        QFETCH(QString, room);
        QFETCH(bool, searchIsolated);
        Plant *plant = addPlant(name, 1);
        plant->setSite(room);
        QTRY_COMPARE(m_today->rows().size(), 1);
        TaskRow *row = m_today->rows().constFirst();
        QTRY_COMPARE(row->plantName(), name);

        // No part of a name becomes a keyboard shortcut: Alt+X twice logs nothing.
        for (int press = 0; press < 2; ++press)
            QTest::keyClick(m_harness->app->mainWindow(), Qt::Key_X, Qt::AltModifier);
        QTest::qWait(20);
        QCOMPARE(doneLine(), QStringLiteral("0 done today"));
        QVERIFY(plant->events().isEmpty());
        QVERIFY(QKeySequence::mnemonic(row->doneButton()->text()).isEmpty());

        // Read out as written, and never laid out as markup.
        QCOMPARE(row->doneButton()->accessibleName(), QStringLiteral("Mark water done for ") + name);
        QVERIFY(row->accessibleName().startsWith(name + QStringLiteral(", Water, ")));
        for (const QLabel *label : m_harness->app->mainWindow()->findChildren<QLabel *>()) {
            if (label->text().contains(name.left(6)) || label->text().contains(room.right(6)))
                QCOMPARE(label->textFormat(), Qt::PlainText);
        }
        QTest::mouseClick(row->doneButton(), Qt::LeftButton);
        QTRY_COMPARE(doneLine(), QStringLiteral("1 done today"));

        // Typed where it is shown among other words, it is isolated from them where it could join
        // them, and shown as typed where it could not.
        QTest::keyClick(m_harness->app->mainWindow(), Qt::Key_N, Qt::ControlModifier);
        QTRY_VERIFY(m_harness->app->rootView()->sheet());
        auto *search = m_harness->app->rootView()->sheet()->findChild<SearchField *>();
        QVERIFY(search);
        const QString typed = name.left(40);
        for (const QChar ch : typed) // as an input method delivers what a keyboard cannot
            QTest::sendKeyEvent(QTest::Click, search->lineEdit(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
        auto *noResults = m_harness->app->rootView()->sheet()->findChild<ContentUnavailableView *>(
            QStringLiteral("noResults"));
        QTRY_VERIFY(noResults && noResults->isVisible());
        const QString shown = searchIsolated ? QChar(0x2068) + typed + QChar(0x2069) : typed;
        QCOMPARE(noResults->title(), QStringLiteral("No Results for \u201C%1\u201D").arg(shown));
    }

    void nextSectionCoversSevenDays_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("due in 7 days") << 7 << QStringList{QStringLiteral("Next: Fern Water (In 7 days)")};
        QTest::newRow("due in 8 days") << 8 << QStringList{};
    }

    void nextSectionCoversSevenDays()
    {
        QFETCH(int, interval);
        QFETCH(QStringList, expected);
        addPlant(QStringLiteral("Fern"), interval);

        QTRY_VERIFY(!m_today->isShowingEmptyState());
        QCOMPARE(listed(m_today), expected);
        QVERIFY(!m_today->findChild<QWidget *>(QStringLiteral("todaySectionOverdue")));
        QCOMPARE(bool(m_today->findChild<QWidget *>(QStringLiteral("todaySectionNext"))),
                 !expected.isEmpty());
        auto *nothing = m_today->findChild<QWidget *>(QStringLiteral("todayNothingDue"));
        QVERIFY(nothing && nothing->isVisible());
        TodaySummaryCard *card = m_today->summaryCard();
        QCOMPARE(card->remainingLine(), QStringLiteral("All caught up"));
        QCOMPARE(card->gauge()->symbol(), QStringLiteral("checkmark"));
        QCOMPARE(card->gauge()->value(), 1.0);
    }

    void doneCountsCareLoggedToday()
    {
        Plant *fern = addPlant(QStringLiteral("Fern"), 3);
        const QDateTime now = m_harness->clock.now();
        fern->markDone(CareKind::water, now.addSecs(-9 * 3600)); // 01:30 today
        fern->markDone(CareKind::fertilize, now);
        fern->markDone(CareKind::water, now.addDays(-1)); // yesterday
        QTRY_COMPARE(doneLine(), QStringLiteral("2 done today"));

        // Undoing one of today's actions elsewhere lowers the count again.
        const QList<CareEvent *> events = fern->sortedEvents();
        fern->remove(events.first());
        QTRY_COMPARE(doneLine(), QStringLiteral("1 done today"));
    }

    void listFollowsCareLoggedElsewhere()
    {
        loadSamples();
        Plant *goldie = findPlant(m_harness->app->store(), QStringLiteral("Goldie"));
        goldie->markDone(CareKind::water, m_harness->clock.now());
        QTRY_COMPARE(findRow(m_today, QStringLiteral("Goldie"), CareKind::water)->dueText(),
                     QStringLiteral("In 7 days"));
        QCOMPARE(remainingLine(), QStringLiteral("5 tasks left"));
        QCOMPARE(m_today->completions(), 0);

        goldie->remove(goldie->sortedEvents().first());
        QTRY_COMPARE(listed(m_today), sampleTasks);
        QCOMPARE(doneLine(), QStringLiteral("0 done today"));

        for (Plant *plant : m_harness->app->store().plants())
            m_harness->app->store().deletePlant(plant);
        QTRY_VERIFY(m_today->isShowingEmptyState());
        QVERIFY(m_today->rows().isEmpty());
    }

    void midnightMovesTheListOn()
    {
        start(AppHarness::at(monday, 23, 30));
        loadSamples();
        QCOMPARE(listed(m_today), sampleTasks);

        m_harness->clock.advance(60 * 60 * 1000); // 00:30 on Tuesday
        DayClock::instance().check();
        QTRY_COMPARE(dateLine(), QStringLiteral("Tuesday, Dec 8"));
        const QStringList tuesday = {
            QStringLiteral("Overdue: Figgy Fertilize (2 days late)"),
            QStringLiteral("Overdue: Monty Water (2 days late)"),
            QStringLiteral("Overdue: Monty Mist (2 days late)"),
            QStringLiteral("Overdue: Fernando Water (1 day late)"),
            QStringLiteral("Overdue: Fernando Mist (1 day late)"),
            QStringLiteral("Overdue: Goldie Water (1 day late)"),
            QStringLiteral("Today: Orbi Mist (Due today)"),
            QStringLiteral("Next: Orbi Water (Tomorrow)"),
            QStringLiteral("Next: Penny Fertilize (Tomorrow)"),
            QStringLiteral("Next: Figgy Water (In 4 days)"),
            QStringLiteral("Next: Penny Water (In 4 days)"),
        };
        QCOMPARE(listed(m_today), tuesday);
        QCOMPARE(remainingLine(), QStringLiteral("7 tasks left"));
        QVERIFY(!m_today->completeAllButton()->isVisible());
        QTRY_COMPARE(m_harness->app->rootView()->todayBadge(), 7);
    }

    void interruptedAnimationEndsAtTheLatestList()
    {
        loadSamples();
        Spring::setAnimationsEnabled(true);
        QTest::mouseClick(findRow(m_today, QStringLiteral("Goldie"), CareKind::water)->doneButton(),
                          Qt::LeftButton);
        QVERIFY(m_today->list()->isAnimating());
        QTest::qWait(60);
        QTest::mouseClick(findRow(m_today, QStringLiteral("Fernando"), CareKind::water)->doneButton(),
                          Qt::LeftButton);
        QVERIFY(m_today->list()->isAnimating());
        QTRY_VERIFY_WITH_TIMEOUT(!m_today->list()->isAnimating(), 5000);

        const QStringList expected = {
            QStringLiteral("Overdue: Figgy Fertilize (1 day late)"),
            QStringLiteral("Overdue: Monty Water (1 day late)"),
            QStringLiteral("Overdue: Monty Mist (1 day late)"),
            QStringLiteral("Today: Fernando Mist (Due today)"),
            QStringLiteral("Next: Orbi Mist (Tomorrow)"),
            QStringLiteral("Next: Orbi Water (In 2 days)"),
            QStringLiteral("Next: Penny Fertilize (In 2 days)"),
            QStringLiteral("Next: Fernando Water (In 4 days)"),
            QStringLiteral("Next: Figgy Water (In 5 days)"),
            QStringLiteral("Next: Penny Water (In 5 days)"),
            QStringLiteral("Next: Goldie Water (In 7 days)"),
        };
        QCOMPARE(listed(m_today), expected);
        QCOMPARE(m_today->completions(), 2);
        // Every row stands at full height below the one before it, none left half-collapsed.
        int bottom = 0;
        for (TaskRow *row : m_today->rows()) {
            const QRect placed(row->mapTo(m_today->list(), QPoint(0, 0)), row->size());
            QCOMPARE(row->parentWidget()->height(), row->sizeHint().height());
            QVERIFY(placed.top() >= bottom);
            bottom = placed.bottom();
        }
        QTRY_COMPARE(m_today->list()->findChildren<TaskRow *>().size(), expected.size());
    }

    void aLargeGardenListsEveryRow()
    {
        for (int i = 0; i < 299; ++i)
            addPlant(QStringLiteral("Plant %1").arg(i), 1);
        addPlant(QStringLiteral("Thirsty"), 1)->markDone(CareKind::water, m_harness->clock.now().addDays(-3));
        // The first rows come at once, the others in later turns once the list is seen; none twice.
        QTRY_COMPARE(m_today->rows().size(), 300);
        QTRY_COMPARE(m_today->list()->findChildren<TaskRow *>().size(), 300);
        QTRY_VERIFY(m_today->list()->findChildren<QWidget *>(QStringLiteral("todayStandInRow")).isEmpty());
        // Tab walks every row top to bottom, across the rows made in later turns, and again once
        // the overdue task is done and its row has moved down among the others (due tomorrow).
        TaskRow *first = m_today->rows().constFirst();
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                QTest::mouseClick(first->doneButton(), Qt::LeftButton);
                QTRY_VERIFY(m_today->rows().indexOf(first) > 0);
            }
            const QList<TaskRow *> rows = m_today->rows();
            rows.constFirst()->setFocus(Qt::TabFocusReason);
            for (TaskRow *row : rows) {
                QCOMPARE(QApplication::focusWidget(), row);
                QTest::keyClick(row, Qt::Key_Tab);
            }
        }
    }

private:
    // Space as the window system delivers it: to whatever has the focus at that moment.
    static void sendKey(QEvent::Type type, quint64 moment, bool autoRepeat = false)
    {
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
        event.setTimestamp(moment);
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(QApplication::focusWidget(), &event);
    }
    static void typeSpace()
    {
        sendKey(QEvent::KeyPress, 0);
        sendKey(QEvent::KeyRelease, 0);
    }

    // The card's lines; empty while no card is shown.
    QString doneLine() const
    {
        return m_today->summaryCard() ? m_today->summaryCard()->doneLine() : QString();
    }
    QString remainingLine() const
    {
        return m_today->summaryCard() ? m_today->summaryCard()->remainingLine() : QString();
    }
    QString dateLine() const
    {
        return m_today->summaryCard() ? m_today->summaryCard()->dateText() : QString();
    }

    void start(const QDateTime &now)
    {
        m_harness.reset();
        m_harness = std::make_unique<AppHarness>(now);
        m_today = m_harness->app->mainWindow()->findChild<TodayView *>(QStringLiteral("todayView"));
        QVERIFY(m_today);
        QVERIFY(m_today->isVisible());
    }

    void loadSamples()
    {
        QTest::mouseClick(m_today->findChild<GlassButton *>(QStringLiteral("todaySampleButton")),
                          Qt::LeftButton);
        QTRY_COMPARE(m_today->rows().size(), sampleTasks.size());
    }

    Plant *addPlant(const QString &name, int waterInterval)
    {
        auto *plant = new Plant(name, Species::custom(), QStringLiteral("Office"));
        plant->setWaterInterval(waterInterval);
        plant->setFertilizeInterval(0);
        plant->setMistInterval(0);
        m_harness->app->store().insert(plant);
        return plant;
    }

    std::unique_ptr<AppHarness> m_harness;
    TodayView *m_today = nullptr;
};

QTEST_MAIN(TestTodayScreen)
#include "tst_today_screen.moc"
