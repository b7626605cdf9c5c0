// Where the My Plants screen puts rooms and cards, and where the arrow keys lead.
#include "Views/Plants/PlantGridLayout.h"

#include <QTest>

using Move = PlantGridLayout::Move;

namespace {

PlantGridLayout::Metrics metrics()
{
    PlantGridLayout::Metrics m;
    m.padding = 20;
    m.headerHeight = 30;
    m.textHeight = 50;
    return m;
}

} // namespace

class TestPlantGridLayout final : public QObject
{
    Q_OBJECT

private slots:
    void columns_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("cardWidth");
        QTest::addColumn<int>("firstLeft");
        // The grid's width less 20 on either side is shared by columns of at least 160, 16 apart.
        QTest::newRow("too narrow for the minimum: one column") << 150 << 1 << 110 << 20;
        QTest::newRow("one column, capped at 240 and centred") << 375 << 1 << 240 << 67;
        QTest::newRow("exactly two minimum columns") << 376 << 2 << 160 << 20;
        QTest::newRow("two columns share the width") << 500 << 2 << 222 << 20;
        QTest::newRow("two columns at the maximum, centred") << 540 << 2 << 240 << 21;
        QTest::newRow("three columns") << 600 << 3 << 176 << 20;
        QTest::newRow("wide window: the spare pixels centre the grid") << 1380 << 7 << 177 << 22;
    }

    void columns()
    {
        QFETCH(int, width);
        QFETCH(int, columns);
        QFETCH(int, cardWidth);
        QFETCH(int, firstLeft);
        const PlantGridLayout layout(metrics(), width, {columns + 1});
        QCOMPARE(layout.columns(), columns);
        QCOMPARE(layout.cardWidth(), cardWidth);
        QCOMPARE(layout.cardRect(0).left(), firstLeft);
        // Width to height of the picture is 0.8; the texts go below it.
        QCOMPARE(layout.photoHeight(), qRound(cardWidth / 0.8));
        QCOMPARE(layout.cardHeight(), layout.photoHeight() + 50);
        // The second row starts in the first column, 20 below the first.
        QCOMPARE(layout.cardRect(columns).topLeft(),
                 QPoint(firstLeft, layout.cardRect(0).top() + layout.cardHeight() + 20));
        QVERIFY(layout.cardRect(columns - 1).right() <= width - 20);
    }

    void groupsStack()
    {
        // Two columns of 222: rooms of 3 and 1 cards.
        const PlantGridLayout layout(metrics(), 500, {3, 1});
        const int card = layout.cardHeight();
        QCOMPARE(layout.headerRect(0), QRect(20, 20, 460, 30));
        QCOMPARE(layout.cardRect(0).top(), 20 + 30 + 12);
        QCOMPARE(layout.cardRect(1).left(), 20 + 222 + 16);
        QCOMPARE(layout.cardRect(2).top(), 62 + card + 20);
        const int secondHeader = 62 + 2 * card + 20 + 28;
        QCOMPARE(layout.headerRect(1).top(), secondHeader);
        QCOMPARE(layout.cardRect(3).topLeft(), QPoint(20, secondHeader + 42));
        QCOMPARE(layout.height(), secondHeader + 42 + card + 20);
        QCOMPARE(layout.groupOf(3), 1);
        QCOMPARE(PlantGridLayout(metrics(), 500, {}).height(), 0);
    }

    void visibleStrip_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<QList<int>>("cards");
        QTest::addColumn<QList<int>>("headers");
        // 500 wide, cards 222 x (278 + 50): room 0 rows at 62 and 410, room 1 header at 766.
        QTest::newRow("top of the screen") << 0 << 100 << QList<int>{0, 1} << QList<int>{0};
        QTest::newRow("gap between rows only") << 391 << 409 << QList<int>{} << QList<int>{};
        QTest::newRow("across rooms") << 400 << 900 << QList<int>{2, 3} << QList<int>{1};
        QTest::newRow("below everything") << 5000 << 6000 << QList<int>{} << QList<int>{};
    }

    void visibleStrip()
    {
        QFETCH(int, top);
        QFETCH(int, bottom);
        QFETCH(QList<int>, cards);
        QFETCH(QList<int>, headers);
        const PlantGridLayout layout(metrics(), 500, {3, 1});
        QCOMPARE(layout.cardHeight(), 328);
        QCOMPARE(layout.cardsIn(top, bottom), cards);
        QCOMPARE(layout.headersIn(top, bottom), headers);
    }

    void arrowKeys_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("move");
        QTest::addColumn<int>("to");
        // Two columns; rooms of 3, 1 and 4 cards:
        //   room 0: 0 1 / 2     room 1: 3     room 2: 4 5 / 6 7
        QTest::newRow("down into a shorter row") << 1 << int(Move::down) << 2;
        QTest::newRow("down into the next room") << 2 << int(Move::down) << 3;
        QTest::newRow("down keeps the column when it can") << 3 << int(Move::down) << 4;
        QTest::newRow("up from the second column of a room") << 5 << int(Move::up) << 3;
        QTest::newRow("up into the last row of the room above") << 3 << int(Move::up) << 2;
        QTest::newRow("up at the top stays") << 0 << int(Move::up) << 0;
        QTest::newRow("down at the bottom stays") << 7 << int(Move::down) << 7;
        QTest::newRow("next runs across rooms") << 2 << int(Move::next) << 3;
        QTest::newRow("next at the end stays") << 7 << int(Move::next) << 7;
        QTest::newRow("previous at the start stays") << 0 << int(Move::previous) << 0;
        QTest::newRow("first") << 6 << int(Move::first) << 0;
        QTest::newRow("last") << 1 << int(Move::last) << 7;
    }

    void arrowKeys()
    {
        QFETCH(int, from);
        QFETCH(int, move);
        QFETCH(int, to);
        const PlantGridLayout layout(metrics(), 500, {3, 1, 4});
        QCOMPARE(layout.columns(), 2);
        QCOMPARE(layout.move(from, Move(move)), to);
        QCOMPARE(PlantGridLayout(metrics(), 500, {}).move(0, Move(move)), -1);
    }
};

QTEST_GUILESS_MAIN(TestPlantGridLayout)
#include "tst_plantgridlayout.moc"
