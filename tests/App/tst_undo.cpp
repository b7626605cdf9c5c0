// Undo and redo through the real main window with a store file: every undoable action, undone and
// redone twice over, leaves the file exactly as before and after it; the toast's "Undo".
#include "support/AppHarness.h"

#include "App/UndoCommands.h"
#include "Models/Plant.h"
#include "Services/SampleData.h"
#include "Store/ModelStore.h"
#include "Views/Components/ContextMenu.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InputHold.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Sidebar.h"
#include "Views/Components/SidebarItem.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Stepper.h"
#include "Views/Components/Toast.h"
#include "Views/Plants/AddPlantFlow.h"
#include "Views/Plants/CareCard.h"
#include "Views/Plants/DatePicker.h"
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
#include "fixtures/StoreDump.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QStandardPaths>
#include <QTest>

namespace {

const QDate monday(2026, 12, 7);
const QString fsi = QStringLiteral("\u2068");
const QString pdi = QStringLiteral("\u2069");

enum class Action {
    todayButton,
    spaceKey,
    completeAll,
    menuCare,
    detailDone,
    historyEntry,
    deletePlant,
    deleteAll,
    addSamples,
    addPlant,
    saveForm
};

Plant *findPlant(const ModelStore &store, const QString &name)
{
    for (Plant *plant : store.plants()) {
        if (plant->name() == name)
            return plant;
    }
    return nullptr;
}

TaskRow *findRow(const TodayView *view, const QString &name, CareKind kind)
{
    for (TaskRow *row : view->rows()) {
        if (row->plantName() == name && row->kind() == kind)
            return row;
    }
    return nullptr;
}

// Counts the mouse presses that reach the widget it watches.
class PressCounter final : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class UndoTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Spring::setAnimationsEnabled(false);
    }

    void init()
    {
        m_harness =
            std::make_unique<AppHarness>(AppHarness::at(monday, 10, 30), QStringLiteral("tendrel.sqlite"));
        m_harness->app->mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_harness->app->mainWindow()));
        // The garden is there before the test begins: not a step of the history.
        SampleData::load(store());
        findPlant(store(), QStringLiteral("Monty"))->setPhoto(QByteArray(300 * 1024, 'm'));
        saved();
        m_today = m_harness->app->mainWindow()->findChild<TodayView *>();
        QTRY_VERIFY(!m_today->rows().isEmpty());
    }

    void cleanup()
    {
        MessageBox::clearNextAnswer();
        m_harness.reset();
    }

    void eachActionUndoneAndRedone_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("step");
        const QString monty = QStringLiteral("Monty");
        QTest::newRow("Today's button") << Action::todayButton << QStringLiteral("Water ") + monty;
        QTest::newRow("Space on a row") << Action::spaceKey << QStringLiteral("Mist ") + monty;
        QTest::newRow("Complete All") << Action::completeAll << QStringLiteral("Complete All");
        QTest::newRow("a card's menu") << Action::menuCare << QStringLiteral("Water ") + monty;
        QTest::newRow("Done on the detail's care card")
            << Action::detailDone << QStringLiteral("Water ") + monty;
        QTest::newRow("a history entry undone")
            << Action::historyEntry << QStringLiteral("Remove Misted from ") + monty;
        QTest::newRow("delete a plant with photo and log")
            << Action::deletePlant << QStringLiteral("Delete ") + monty;
        QTest::newRow("Delete All Plants") << Action::deleteAll << QStringLiteral("Delete All Plants");
        QTest::newRow("Add Sample Plants") << Action::addSamples << QStringLiteral("Add Sample Plants");
        QTest::newRow("a plant added in the flow")
            << Action::addPlant
            << QStringLiteral("Add ") + fsi + QStringLiteral("&&x Ivy") + pdi; // no mnemonic
        QTest::newRow("the form saved: photo and schedule at once")
            << Action::saveForm << QStringLiteral("Edit ") + monty;
    }

    void eachActionUndoneAndRedone()
    {
        QFETCH(Action, action);
        QFETCH(QString, step);
        const QString before = dumpStore(path());
        const QStringList tasksBefore = tasks();
        QAction *undo = m_harness->app->undoCommands()->undoAction();
        QAction *redo = m_harness->app->undoCommands()->redoAction();
        QVERIFY(!undo->isEnabled());

        perform(action);
        saved();
        const QString after = dumpStore(path());
        QTRY_VERIFY(tasks() != tasksBefore);
        const QStringList tasksAfter = tasks();
        QVERIFY(after != before);
        QCOMPARE(undo->text(), QStringLiteral("Undo ") + step);
        QVERIFY(undo->isEnabled());

        // Twice: the second Ctrl+Z finds nothing more to undo.
        for (int i = 0; i < 2; ++i) {
            QTest::keyClick(m_harness->app->mainWindow(), Qt::Key_Z, Qt::ControlModifier);
            saved();
            QCOMPARE(dumpStore(path()), before);
            QTRY_COMPARE(tasks(), tasksBefore);
        }
        QVERIFY(!undo->isEnabled());
        QCOMPARE(redo->text(), QStringLiteral("Redo ") + step);
        for (int i = 0; i < 2; ++i) {
            QTest::keyClick(m_harness->app->mainWindow(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            saved();
            QCOMPARE(dumpStore(path()), after);
            QTRY_COMPARE(tasks(), tasksAfter);
        }
        QVERIFY(!redo->isEnabled());
        // And back once more from the menu.
        undo->trigger();
        saved();
        QCOMPARE(dumpStore(path()), before);
    }

    void toastUndoesItsOwnStep()
    {
        QMainWindow *window = m_harness->app->mainWindow();
        const QString before = dumpStore(path());
        perform(Action::deletePlant);
        Toast *toast = Toast::current(window);
        QVERIFY(toast);
        QVERIFY(toast->isVisible());
        QCOMPARE(toast->message(), QStringLiteral("Deleted Monty"));
        QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(toast);
        QVERIFY(spoken);
        QCOMPARE(spoken->role(), QAccessible::Notification);
        QCOMPARE(spoken->text(QAccessible::Name), toast->message());
        QCOMPARE(toast->actionButton()->text(), QStringLiteral("Undo"));

        // The pointer over it keeps it; leaving starts the count again.
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(toast, &enter);
        QVERIFY(toast->isPaused());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(toast, &leave);
        QVERIFY(!toast->isPaused());

        GlassButton *button = toast->actionButton();
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::mouseClick(button, Qt::LeftButton);
        saved();
        QCOMPARE(dumpStore(path()), before);
        QVERIFY(!Toast::current(window));
        QVERIFY(m_harness->app->undoCommands()->redoAction()->isEnabled());
        QVERIFY(!m_harness->app->undoCommands()->undoAction()->isEnabled());

        // A toast whose step is no longer the latest goes without undoing anything; one task done
        // has a toast of its own, whose "Undo" takes back that task only.
        perform(Action::completeAll);
        const QPointer<Toast> completed = Toast::current(window);
        QCOMPARE(completed->message(), QStringLiteral("Completed 3 tasks"));
        QVERIFY(completed->remainingMsecs() > Toast::shownMsecs);
        perform(Action::todayButton);
        QTRY_VERIFY(!completed);
        Toast *watered = Toast::current(window);
        QVERIFY(watered && watered->isVisible());
        QCOMPARE(watered->message(), QStringLiteral("Watered Monty"));
        QCOMPARE(watered->actionButton()->text(), QStringLiteral("Undo"));
        QTest::mouseClick(watered->actionButton(), Qt::LeftButton);
        QCOMPARE(m_harness->app->undoCommands()->undoAction()->text(), QStringLiteral("Undo Complete All"));
        QTRY_VERIFY(findRow(m_today, QStringLiteral("Monty"), CareKind::water));
    }

    // A click meant for the toast that lands just after it went reaches nothing under it.
    void aClickJustAfterTheToastWentReachesNothing()
    {
        perform(Action::completeAll);
        Toast *toast = Toast::current(m_harness->app->mainWindow());
        QVERIFY(toast);
        const QPoint where = toast->mapToGlobal(toast->rect().center());
        toast->dismiss(); // its time is up
        QWidget *under = QApplication::widgetAt(where);
        QVERIFY(under && under != toast && !toast->isAncestorOf(under));
        PressCounter presses;
        under->installEventFilter(&presses);
        QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFromGlobal(where));
        QCOMPARE(presses.count, 0);
        QTest::qWait(InputHold::standardMsecs + 50);
        QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFromGlobal(where));
        QCOMPARE(presses.count, 1);
    }

    // A plant's name in "Undo Delete {name}" and in the toast: on one line, so a tab never shows
    // as the entry's shortcut and a line break never hides the words before it; never a mnemonic.
    void hostileNamesStayOnOneLine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        // Isolated from the words around it where it could reorder or join them.
        QTest::addColumn<bool>("isolated");
        QTest::newRow("tab") << QStringLiteral("Monty\tCtrl+Q") << QStringLiteral("Monty Ctrl+Q") << false;
        QTest::newRow("line breaks") << QStringLiteral("Fig\nleaf\r\u2028tree\u2029")
                                     << QStringLiteral("Fig leaf  tree ") << true;
        QTest::newRow("markup, ampersand, right-to-left marks")
            << QStringLiteral("&x <b>b</b> \u200f\u05e9\u05dc\u05d5\u05dd\u200f")
            << QStringLiteral("&x <b>b</b> \u200f\u05e9\u05dc\u05d5\u05dd\u200f") << true;
        QTest::newRow("10,000 characters")
            << QStringLiteral("&\n") + QString(9998, QLatin1Char('W'))
            << QStringLiteral("& ") + QString(37, QLatin1Char('W')) + QChar(0x2026) << true;
    }

    void hostileNamesStayOnOneLine()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QFETCH(bool, isolated);
        findPlant(store(), QStringLiteral("Monty"))->setName(name);
        saved();
        perform(Action::deletePlant, name);
        // The menu doubles "&" so it shows as written.
        const QString open = isolated ? fsi : QString(), close = isolated ? pdi : QString();
        const QString inMenu = open + QString(shown).replace(QLatin1Char('&'), QStringLiteral("&&")) + close;
        QCOMPARE(m_harness->app->undoCommands()->undoAction()->text(),
                 QStringLiteral("Undo Delete ") + inMenu);
        Toast *toast = Toast::current(m_harness->app->mainWindow());
        QVERIFY(toast);
        QCOMPARE(toast->message(), QStringLiteral("Deleted ") + open + shown + close);

        QTest::keyClick(m_harness->app->mainWindow(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(findPlant(store(), name));
        QCOMPARE(m_harness->app->undoCommands()->redoAction()->text(),
                 QStringLiteral("Redo Delete ") + inMenu);
    }

private:
    ModelStore &store() { return m_harness->app->store(); }
    QString path() { return store().filePath(); }

    void saved()
    {
        QCoreApplication::processEvents();
        QVERIFY(store().flush());
    }

    QStringList tasks() const
    {
        QStringList lines;
        for (const TaskRow *row : m_today->rows())
            lines.append(row->plantName() + QLatin1Char(' ') + row->kind().title());
        return lines;
    }

    PlantsView *openPlants()
    {
        QTest::mouseClick(m_harness->app->rootView()->sidebar()->item(1), Qt::LeftButton);
        auto *view = m_harness->app->mainWindow()->findChild<PlantsView *>(QStringLiteral("plantsView"));
        if (!QTest::qWaitFor([view] { return view && view->isVisible(); }))
            return nullptr;
        return view;
    }

    void perform(Action action, const QString &name = QStringLiteral("Monty"))
    {
        Plant *monty = findPlant(store(), name);
        switch (action) {
        case Action::todayButton: {
            TaskRow *row = findRow(m_today, QStringLiteral("Monty"), CareKind::water);
            QVERIFY(row);
            QTest::mouseClick(row->doneButton(), Qt::LeftButton);
            break;
        }
        case Action::spaceKey: {
            TaskRow *row = findRow(m_today, QStringLiteral("Monty"), CareKind::mist);
            QVERIFY(row);
            row->setFocus(Qt::TabFocusReason);
            QTest::keyClick(row, Qt::Key_Space);
            break;
        }
        case Action::completeAll:
            m_harness->app->state().setSelectedTab(AppTab::today);
            QTRY_VERIFY(m_today->completeAllButton()->isVisible());
            QTest::mouseClick(m_today->completeAllButton(), Qt::LeftButton);
            break;
        case Action::menuCare: {
            PlantsView *view = openPlants();
            QVERIFY(view);
            PlantCard *card = view->grid()->scrollTo(monty);
            QVERIFY(card);
            QVERIFY(ContextMenu::trigger(card, QStringLiteral("Mark Watered")));
            break;
        }
        case Action::addPlant: {
            QTest::keyClick(m_harness->app->mainWindow(), Qt::Key_N, Qt::ControlModifier);
            QTRY_VERIFY(m_harness->app->rootView()->sheet());
            auto *flow = qobject_cast<AddPlantFlow *>(m_harness->app->rootView()->sheet()->content());
            QVERIFY(flow);
            QTRY_VERIFY(flow->searchField()->lineEdit()->hasFocus());
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("fern"));
            ListRow *fern = flow->speciesRow(QStringLiteral("fern"));
            QVERIFY(fern);
            // The click lands where the user sees the row, once the opened sheet is laid out.
            QTRY_VERIFY(fern->isVisible() && [fern] {
                QWidget *hit = QApplication::widgetAt(fern->mapToGlobal(fern->rect().center()));
                return hit && (hit == fern || fern->isAncestorOf(hit));
            }());
            QTest::mouseClick(fern, Qt::LeftButton);
            PlantFormView *form = nullptr;
            QTRY_VERIFY((form = qobject_cast<PlantFormView *>(flow->navigationStack()->currentPage())) &&
                        form->isVisible());
            form->nameField()->selectAll();
            QTest::keyClicks(form->nameField(), QStringLiteral("&x Ivy"));
            form->roomField()->selectAll();
            QTest::keyClicks(form->roomField(), QStringLiteral("Hall"));
            // Watered five days ago: overdue on Today.
            for (int i = 0; i < 5; ++i)
                QTest::keyClick(form->lastWateredPicker()->button(), Qt::Key_Down);
            QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
            QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
            break;
        }
        case Action::saveForm:
        case Action::detailDone:
        case Action::historyEntry: {
            PlantsView *view = openPlants();
            QVERIFY(view);
            PlantCard *card = view->grid()->scrollTo(monty);
            QVERIFY(card);
            QTest::mouseClick(card, Qt::LeftButton);
            PlantDetailView *detail = nullptr;
            QTRY_VERIFY((detail = m_harness->app->mainWindow()->findChild<PlantDetailView *>()) &&
                        detail->isVisible());
            QCOMPARE(detail->plant(), monty);
            if (action == Action::saveForm) {
                QAction *edit = nullptr;
                for (QAction *item : detail->actionsButton()->menu()->actions()) {
                    if (item->text() == QStringLiteral("Edit"))
                        edit = item;
                }
                QVERIFY(edit);
                edit->trigger();
                PlantFormView *form = nullptr;
                QTRY_VERIFY(detail->editSheet() &&
                            (form = detail->editSheet()->findChild<PlantFormView *>()) && form->didLoad());
                QTest::mouseClick(form->removePhotoButton(), Qt::LeftButton);
                for (int step = 0; step < 7; ++step)
                    QTest::keyClick(form->intervalRow(CareKind::water)->stepper(), Qt::Key_Up);
                QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
                QTest::mouseClick(form->confirmButton(), Qt::LeftButton);
                break;
            }
            if (action == Action::historyEntry) {
                QVERIFY(!detail->historyRows().isEmpty());
                QVERIFY(ContextMenu::trigger(detail->historyRows().first(), QStringLiteral("Undo")));
                break;
            }
            for (CareCard *care : detail->careCards()) {
                if (care->kind() == CareKind::water)
                    QTest::mouseClick(care->doneButton(), Qt::LeftButton);
            }
            break;
        }
        case Action::deletePlant: {
            PlantsView *view = openPlants();
            QVERIFY(view);
            PlantCard *card = view->grid()->scrollTo(monty);
            QVERIFY(card);
            MessageBox::setNextAnswer(QStringLiteral("Delete"));
            QVERIFY(ContextMenu::trigger(card, QStringLiteral("Delete")));
            break;
        }
        case Action::deleteAll:
        case Action::addSamples: {
            m_harness->app->showSettings();
            auto *settings = m_harness->app->settingsWindow()->findChild<SettingsView *>();
            QVERIFY(settings);
            if (action == Action::deleteAll)
                MessageBox::setNextAnswer(QStringLiteral("Delete All"));
            QTest::mouseClick(action == Action::deleteAll ? settings->deleteAllRow()
                                                          : settings->addSamplesRow(),
                              Qt::LeftButton);
            m_harness->app->settingsWindow()->close();
            m_harness->app->mainWindow()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_harness->app->mainWindow()));
            break;
        }
        }
    }

    std::unique_ptr<AppHarness> m_harness;
    TodayView *m_today = nullptr;
};

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
