#include "Views/Components/Accessibility.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/Spring.h"

#include <QAccessible>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <functional>
#include <memory>

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
