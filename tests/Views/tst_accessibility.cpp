#include "Views/Components/Accessibility.h"
#include "Views/Components/FilterChip.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InsetSection.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Sidebar.h"
#include "Views/Components/SidebarItem.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Stepper.h"
#include "Views/Components/ToggleSwitch.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

QAccessibleInterface *accessible(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

// Runs an action as a reader does and lets its queued click happen.
void perform(QWidget *widget, const QString &action)
{
    QAccessibleInterface *iface = accessible(widget);
    QVERIFY2(iface->actionInterface()->actionNames().contains(action), qPrintable(action));
    iface->actionInterface()->doAction(action);
    QCoreApplication::processEvents();
}

} // namespace

class TestAccessibility final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Spring::setAnimationsEnabled(false);
        Accessibility::install();
    }

    // A reader counts the children, then asks for each: the scroll bar that a page's layout hides
    // in between must not leave it asking past the end of the list.
    void scrollAreaChildrenOutlastScrollBars_data()
    {
        QTest::addColumn<bool>("column");
        QTest::addColumn<bool>("startsTall");
        QTest::newRow("column, bar goes away") << true << true;
        QTest::newRow("column, bar comes") << true << false;
        QTest::newRow("scroll area, bar goes away") << false << true;
        QTest::newRow("scroll area, bar comes") << false << false;
    }
    void scrollAreaChildrenOutlastScrollBars()
    {
        QFETCH(bool, column);
        QFETCH(bool, startsTall);
        std::unique_ptr<QAbstractScrollArea> area;
        std::function<void(int)> setContentHeight;
        if (column) {
            auto *scroll = new ScrollColumn;
            auto *filler = new QLabel(QStringLiteral("Rows"));
            scroll->addWidget(filler);
            setContentHeight = [filler](int h) { filler->setFixedHeight(h); };
            area.reset(scroll);
        } else {
            auto *scroll = new QScrollArea;
            auto *content = new QWidget;
            scroll->setWidget(content);
            setContentHeight = [content](int h) { content->setFixedSize(200, h); };
            area.reset(scroll);
        }
        area->resize(300, 200);
        setContentHeight(startsTall ? 2000 : 20);
        area->show();
        QVERIFY(QTest::qWaitForWindowExposed(area.get()));
        QTRY_COMPARE(area->verticalScrollBar()->isVisible(), startsTall);

        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(area.get());
        QVERIFY(iface);
        const int counted = iface->childCount();
        QVERIFY(counted >= 1);

        setContentHeight(startsTall ? 20 : 2000);
        QTRY_COMPARE(area->verticalScrollBar()->isVisible(), !startsTall);

        QCOMPARE(iface->childCount(), counted);
        bool sawViewport = false;
        for (int i = 0; i < counted; ++i) {
            QAccessibleInterface *child = iface->child(i);
            QVERIFY2(child && child->isValid(), qPrintable(QString::number(i)));
            QCOMPARE(child->object()->parent(), area.get());
            QCOMPARE(iface->indexOfChild(child), i);
            QCOMPARE(child->parent()->object(), area.get());
            sawViewport = sawViewport || child->object() == area->viewport();
        }
        QVERIFY(sawViewport);
        QVERIFY(!iface->child(counted));
        QVERIFY(!iface->child(-1));
    }

    // A reader's action is a real click: what a click runs (clicked, the sidebar switching pages)
    // runs, once; Qt's own Toggle would only flip the check mark.
    void actionsClickLikeTheMouse_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("role");
        QTest::newRow("switch") << QStringLiteral("switch") << QAccessibleActionInterface::toggleAction()
                                << int(QAccessible::CheckBox);
        QTest::newRow("chip") << QStringLiteral("chip") << QAccessibleActionInterface::toggleAction()
                              << int(QAccessible::PushButton);
        QTest::newRow("button") << QStringLiteral("button") << QAccessibleActionInterface::pressAction()
                                << int(QAccessible::PushButton);
        QTest::newRow("disabled button")
            << QStringLiteral("disabled") << QString() << int(QAccessible::PushButton);
    }
    void actionsClickLikeTheMouse()
    {
        QFETCH(QString, kind);
        QFETCH(QString, action);
        QFETCH(int, role);
        std::unique_ptr<QAbstractButton> button;
        if (kind == QLatin1String("switch"))
            button = std::make_unique<ToggleSwitch>();
        else if (kind == QLatin1String("chip"))
            button =
                std::make_unique<FilterChip>(QStringLiteral("Pet Safe"), QStringLiteral("pawprint.fill"));
        else
            button = std::make_unique<GlassButton>(QStringLiteral("Add"));
        button->setEnabled(kind != QLatin1String("disabled"));
        QSignalSpy clicks(button.get(), &QAbstractButton::clicked);
        QAccessibleInterface *iface = accessible(button.get());
        QCOMPARE(int(iface->role()), role);
        if (action.isEmpty()) {
            QVERIFY(
                !iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
            iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            QCoreApplication::processEvents();
            QCOMPARE(clicks.count(), 0);
            return;
        }
        perform(button.get(), action);
        QCOMPARE(clicks.count(), 1);
        if (button->isCheckable()) {
            QVERIFY(button->isChecked());
            QVERIFY(iface->state().checkable && iface->state().checked);
            perform(button.get(), action);
            QCOMPARE(clicks.count(), 2);
            QVERIFY(!button->isChecked() && !iface->state().checked);
        }
    }

    void sidebarTabsSwitchPages()
    {
        Sidebar sidebar;
        sidebar.addItem(QStringLiteral("checklist"), QStringLiteral("Today"));
        sidebar.addItem(QStringLiteral("leaf"), QStringLiteral("My Plants"));
        sidebar.addItem(QStringLiteral("books.vertical"), QStringLiteral("Explore"));
        sidebar.setBadge(0, 6, QStringLiteral("6 tasks due"));
        QSignalSpy changes(&sidebar, &Sidebar::currentChanged);
        QAccessibleInterface *list = accessible(&sidebar);
        QCOMPARE(list->role(), QAccessible::PageTabList);
        QCOMPARE(list->childCount(), 3);
        QCOMPARE(list->child(0)->text(QAccessible::Name), QStringLiteral("Today, 6 tasks due"));

        for (int twice = 0; twice < 2; ++twice)
            perform(sidebar.item(2), QAccessibleActionInterface::pressAction());
        QCOMPARE(sidebar.currentIndex(), 2);
        QCOMPARE(changes.count(), 1);
        for (int i = 0; i < 3; ++i) {
            QAccessibleInterface *tab = list->child(i);
            QCOMPARE(tab->role(), QAccessible::PageTab);
            QCOMPARE(bool(tab->state().selected), i == 2);
            QVERIFY(!tab->state().checked);
        }
    }

    void stepperIsASpinButton()
    {
        Stepper stepper(1, 120);
        stepper.setValue(7);
        QSignalSpy changes(&stepper, &Stepper::valueChanged);
        QAccessibleInterface *iface = accessible(&stepper);
        QCOMPARE(iface->role(), QAccessible::SpinBox);
        QAccessibleValueInterface *value = iface->valueInterface();
        QVERIFY(value);
        QCOMPARE(value->currentValue().toInt(), 7);
        QCOMPARE(value->minimumValue().toInt(), 1);
        QCOMPARE(value->maximumValue().toInt(), 120);

        value->setCurrentValue(500);
        QCOMPARE(stepper.value(), 120);
        perform(&stepper, QAccessibleActionInterface::increaseAction());
        QCOMPARE(stepper.value(), 120);
        value->setCurrentValue(1);
        perform(&stepper, QAccessibleActionInterface::decreaseAction());
        QCOMPARE(stepper.value(), 1);
        perform(&stepper, QAccessibleActionInterface::increaseAction());
        QCOMPARE(stepper.value(), 2);
        QCOMPARE(changes.count(), 3); // 120, 1, 2: nothing for the steps past an end
    }

    // Rows: a list item in a list section, a button in a form; Press is what a click does.
    // A confirmation or an alert blocks its window: a reader hears a modal dialog (or alert)
    // named by its title.
    void messageBoxesAreModal_data()
    {
        QTest::addColumn<bool>("confirmation");
        QTest::newRow("delete confirmation") << true;
        QTest::newRow("alert") << false;
    }
    void messageBoxesAreModal()
    {
        QFETCH(bool, confirmation);
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAccessible::Role role = QAccessible::NoRole;
        QString name;
        bool modal = false;
        QTimer::singleShot(0, &window, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            QAccessibleInterface *iface = accessible(dialog);
            role = iface->role();
            name = iface->text(QAccessible::Name);
            modal = iface->state().modal;
            dialog->close();
        });
        const QString title = QStringLiteral("Delete Figgy?");
        if (confirmation)
            MessageBox::confirm(&window, title, {},
                                {{QStringLiteral("Delete"), MessageBox::Role::destructive}});
        else
            MessageBox::alert(&window, title, {});
        QCOMPARE(role, confirmation ? QAccessible::Dialog : QAccessible::AlertMessage);
        QCOMPARE(name, title);
        QVERIFY(modal);
    }

    void rowsPressLikeAClick_data()
    {
        QTest::addColumn<bool>("list");
        QTest::addColumn<bool>("activatable");
        QTest::addColumn<int>("role");
        QTest::newRow("species row") << true << true << int(QAccessible::ListItem);
        QTest::newRow("form button row") << false << true << int(QAccessible::PushButton);
        QTest::newRow("value row") << false << false << int(QAccessible::Client);
    }
    void rowsPressLikeAClick()
    {
        QFETCH(bool, list);
        QFETCH(bool, activatable);
        QFETCH(int, role);
        InsetSection section(QStringLiteral("Popular Houseplants"));
        section.setAccessibleList(list);
        auto *row = new ListRow(QStringLiteral("Monstera"));
        row->setActivatable(activatable);
        section.addRow(row);
        QSignalSpy activations(row, &ListRow::activated);
        QAccessibleInterface *iface = accessible(row);
        QCOMPARE(int(iface->role()), role);
        QCOMPARE(iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()),
                 activatable);
        if (activatable)
            perform(row, QAccessibleActionInterface::pressAction());
        QCOMPARE(activations.count(), activatable ? 1 : 0);

        // The section's title is a heading beside the rows.
        QAccessibleInterface *sectionIface = accessible(&section);
        QCOMPARE(sectionIface->child(0)->role(), QAccessible::Heading);
        QCOMPARE(sectionIface->child(0)->text(QAccessible::Name), QStringLiteral("Popular Houseplants"));
        QCOMPARE(sectionIface->child(0)->childCount(), 0);
    }

    // Names come from the text as shown, never from mnemonic markers, and no key binding either:
    // a plant named "R&D" must not give its button Alt+D.
    void buttonNamesIgnoreMnemonics_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("escaped ampersand") << QStringLiteral("Water R&&D") << QStringLiteral("Water R&D");
        QTest::newRow("marker") << QStringLiteral("&Save") << QStringLiteral("Save");
        QTest::newRow("trailing") << QStringLiteral("Fern &") << QStringLiteral("Fern ");
        QTest::newRow("markup stays text") << QStringLiteral("<b>Fern</b>") << QStringLiteral("<b>Fern</b>");
    }
    void buttonNamesIgnoreMnemonics()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        GlassButton button(text);
        QAccessibleInterface *iface = accessible(&button);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QVERIFY(iface->text(QAccessible::Accelerator).isEmpty());
        for (const QString &action : iface->actionInterface()->actionNames())
            QVERIFY(iface->actionInterface()->keyBindingsForAction(action).isEmpty());
    }

    void alertsAreAlerts_data()
    {
        QTest::addColumn<bool>("alert");
        QTest::newRow("alert") << true;
        QTest::newRow("confirmation") << false;
    }
    void alertsAreAlerts()
    {
        QFETCH(bool, alert);
        QWidget window;
        window.show();
        QAccessible::Role seen = QAccessible::NoRole;
        QTimer::singleShot(0, &window, [&seen] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            seen = accessible(dialog)->role();
            dialog->close();
        });
        if (alert)
            MessageBox::alert(&window, QStringLiteral("Notifications Are Off"),
                              QStringLiteral("Allow them."));
        else
            MessageBox::confirm(&window, QStringLiteral("Delete all plants?"), QString(),
                                {{QStringLiteral("Delete All"), MessageBox::Role::destructive}});
        QCOMPARE(seen, alert ? QAccessible::AlertMessage : QAccessible::Dialog);
    }

    // "Showing" follows what the user can see: a page slid out of its stack, everything behind an
    // open sheet, a row scrolled away.
    void showingFollowsWhatIsOnScreen()
    {
        QWidget window;
        window.resize(600, 400);
        auto *stack = new NavigationStack(&window);
        stack->setGeometry(window.rect());
        auto *root = new ScrollColumn;
        QList<QLabel *> rows;
        for (int i = 0; i < 30; ++i) {
            rows.append(new QLabel(QStringLiteral("Row %1").arg(i)));
            rows.last()->setFixedHeight(40);
            root->addWidget(rows.last());
        }
        stack->setRoot(root, QStringLiteral("Plants"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(root->verticalScrollBar()->maximum() > 0);
        QVERIFY(Accessibility::isShowing(rows.first()));
        QVERIFY(!Accessibility::isShowing(rows.last()));
        root->verticalScrollBar()->setValue(root->verticalScrollBar()->maximum());
        QVERIFY(!Accessibility::isShowing(rows.first()));
        QVERIFY(Accessibility::isShowing(rows.last()));
        QVERIFY(accessible(root)->state().offscreen == false);

        // The back button is named even while hidden.
        QCOMPARE(accessible(stack->backButton())->text(QAccessible::Name), QStringLiteral("Back"));

        auto *page = new QWidget;
        stack->push(page, QStringLiteral("Detail"));
        QTRY_VERIFY(!root->isVisible() || !Accessibility::isShowing(root));
        QVERIFY(Accessibility::isShowing(page));
        root->show();
        root->move(stack->width(), 0); // slid out, as during a pop
        QVERIFY(!Accessibility::isShowing(root));
        QVERIFY(accessible(root)->state().offscreen);

        Sheet *sheet = Sheet::present(&window, new QLabel(QStringLiteral("Add a Plant")));
        QAccessibleInterface *sheetIface = accessible(sheet);
        QCOMPARE(sheetIface->role(), QAccessible::Dialog);
        QVERIFY(sheetIface->state().modal);
        QVERIFY(Accessibility::isShowing(sheet->content()));
        QVERIFY(!Accessibility::isShowing(page));
        sheet->dismiss();
        QVERIFY(Accessibility::isShowing(page));
    }

    // Widgets that derive from a scroll area keep Qt's interfaces made for them.
    void derivedScrollAreasKeepTheirInterfaces()
    {
        QPlainTextEdit notes;
        QListWidget list;
        QCOMPARE(QAccessible::queryAccessibleInterface(&notes)->role(), QAccessible::EditableText);
        QCOMPARE(QAccessible::queryAccessibleInterface(&list)->role(), QAccessible::List);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
