// The Today screen's pure pieces: where the list puts its items, what a swipe does when let go,
// the summary card's wording and gauge, and the count of care logged today.
#include "Core/Calendar.h"
#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Views/Today/TaskRow.h"
#include "Views/Today/TodayList.h"
#include "Views/Today/TodaySummaryCard.h"
#include "Views/Today/TodayView.h"

#include <QTest>
#include <QTimeZone>

#include <limits>
#include <memory>

using Role = TodayList::Role;
using Outcome = TaskRow::SwipeOutcome;

Q_DECLARE_METATYPE(QList<TodayList::Slot>)
Q_DECLARE_METATYPE(TaskRow::SwipeOutcome)

class TestTodayParts final : public QObject
{
    Q_OBJECT

private slots:
    void listLayout_data()
    {
        QTest::addColumn<QList<TodayList::Slot>>("cells");
        QTest::addColumn<QList<int>>("tops");
        QTest::addColumn<QList<int>>("heights");
        const QString overdue = QStringLiteral("overdue"), today = QStringLiteral("today");

        // Card, then a section: the header sits one section gap below, its rows one header gap below it.
        QTest::newRow("card and section") << QList<TodayList::Slot>{{Role::plain, {}, 100},
                                                                    {Role::header, today, 20},
                                                                    {Role::row, today, 68},
                                                                    {Role::row, today, 68}}
                                          << QList<int>{20, 142, 170, 238} << QList<int>{100, 20, 68, 68};
        QTest::newRow("two sections") << QList<TodayList::Slot>{{Role::header, overdue, 20},
                                                                {Role::row, overdue, 68},
                                                                {Role::header, today, 20},
                                                                {Role::row, today, 44}}
                                      << QList<int>{20, 48, 138, 166} << QList<int>{20, 68, 20, 44};
        // A row on its way out adds nothing: the next row takes its place.
        QTest::newRow("leaving row") << QList<TodayList::Slot>{{Role::header, today, 20},
                                                               {Role::row, today, 68},
                                                               {Role::row, today, 0},
                                                               {Role::row, today, 68}}
                                     << QList<int>{20, 48, 116, 116} << QList<int>{20, 68, 0, 68};
        // A whole section leaving collapses where it stood; the next section closes up to the card.
        QTest::newRow("leaving section") << QList<TodayList::Slot>{{Role::plain, {}, 100},
                                                                   {Role::header, overdue, 0},
                                                                   {Role::row, overdue, 0},
                                                                   {Role::header, today, 20}}
                                         << QList<int>{20, 120, 120, 142} << QList<int>{100, 0, 0, 20};
        QTest::newRow("empty") << QList<TodayList::Slot>{} << QList<int>{} << QList<int>{};
    }

    void listLayout()
    {
        QFETCH(QList<TodayList::Slot>, cells);
        QFETCH(QList<int>, tops);
        QFETCH(QList<int>, heights);
        const TodayList::Metrics metrics; // padding 20, section gap 22, header gap 8
        const QList<QRect> rects = TodayList::layout(cells, 600, metrics);
        QCOMPARE(rects.size(), cells.size());
        for (qsizetype i = 0; i < rects.size(); ++i) {
            QCOMPARE(rects[i].top(), tops[i]);
            QCOMPARE(rects[i].height(), heights[i]);
            QCOMPARE(rects[i].left(), 20);
            QCOMPARE(rects[i].width(), 560);
        }
        const int bottom = rects.isEmpty() ? 20 : rects.last().y() + rects.last().height();
        QCOMPARE(TodayList::contentHeight(rects, metrics), bottom + 20);
    }

    void listColumnIsCentredAndLimited_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("columnWidth");
        QTest::newRow("wide window") << 1200 << 220 << 760;
        QTest::newRow("exactly the limit") << 800 << 20 << 760;
        QTest::newRow("narrow") << 500 << 20 << 460;
        QTest::newRow("narrower than the padding") << 30 << 20 << 0;
    }

    void listColumnIsCentredAndLimited()
    {
        QFETCH(int, width);
        QFETCH(int, left);
        QFETCH(int, columnWidth);
        const QList<QRect> rects = TodayList::layout({{Role::row, {}, 50}}, width, TodayList::Metrics());
        QCOMPARE(rects.first().left(), left);
        QCOMPARE(rects.first().width(), columnWidth);
    }

    void swipeOutcome_data()
    {
        QTest::addColumn<qreal>("offset");
        QTest::addColumn<int>("rowWidth");
        QTest::addColumn<Outcome>("outcome");
        const int wide = 700; // full swipe at 315
        QTest::newRow("not moved") << 0.0 << wide << Outcome::close;
        QTest::newRow("nudged") << 47.0 << wide << Outcome::close;
        QTest::newRow("half the action") << 48.0 << wide << Outcome::reveal;
        QTest::newRow("the action") << 96.0 << wide << Outcome::reveal;
        QTest::newRow("just short of full") << 314.0 << wide << Outcome::reveal;
        QTest::newRow("full") << 315.0 << wide << Outcome::complete;
        QTest::newRow("whole row") << 700.0 << wide << Outcome::complete;
        // In a narrow row a full swipe still needs clearly more than the action.
        QTest::newRow("narrow, past the action") << 150.0 << 200 << Outcome::reveal;
        QTest::newRow("narrow, full") << 160.0 << 200 << Outcome::complete;
        QTest::newRow("NaN") << std::numeric_limits<qreal>::quiet_NaN() << wide << Outcome::close;
    }

    void swipeOutcome()
    {
        QFETCH(qreal, offset);
        QFETCH(int, rowWidth);
        QFETCH(Outcome, outcome);
        QCOMPARE(TaskRow::swipeOutcome(offset, rowWidth), outcome);
    }

    void summaryWording_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<QString>("remainingText");
        QTest::addColumn<QString>("doneText");
        QTest::addColumn<double>("progress");
        QTest::newRow("nothing at all")
            << 0 << 0 << QStringLiteral("All caught up") << QStringLiteral("0 done today") << 1.0;
        QTest::newRow("all done") << 3 << 0 << QStringLiteral("All caught up")
                                  << QStringLiteral("3 done today") << 1.0;
        QTest::newRow("one left") << 1 << 1 << QStringLiteral("1 task left") << QStringLiteral("1 done today")
                                  << 0.5;
        QTest::newRow("many, no grouping") << 1234 << 3 << QStringLiteral("3 tasks left")
                                           << QStringLiteral("1234 done today") << 1234.0 / 1237.0;
    }

    void summaryWording()
    {
        QFETCH(int, done);
        QFETCH(int, remaining);
        QFETCH(QString, remainingText);
        QFETCH(QString, doneText);
        QFETCH(double, progress);
        QCOMPARE(TodaySummaryCard::remainingText(remaining), remainingText);
        QCOMPARE(TodaySummaryCard::doneText(done), doneText);
        QCOMPARE(TodaySummaryCard::progress(done, remaining), progress);
    }

    void doneTodayFollowsTheLocalDay()
    {
        // 00:30 in Berlin is still the previous day in UTC: the count goes by the user's day.
        const QTimeZone berlin("Europe/Berlin");
        ManualClock clock(QDateTime(QDate(2026, 12, 7), QTime(0, 30), berlin));
        Calendar calendar(berlin, &clock);
        const ScopedCalendar scoped(&calendar);
        auto plant =
            std::make_unique<Plant>(QStringLiteral("Fern"), Species::custom(), QStringLiteral("Office"));
        plant->markDone(CareKind::water, QDateTime(QDate(2026, 12, 7), QTime(0, 5), berlin));
        plant->markDone(CareKind::mist, QDateTime(QDate(2026, 12, 7), QTime(23, 59), berlin));
        plant->markDone(CareKind::water, QDateTime(QDate(2026, 12, 6), QTime(23, 55), berlin));
        plant->markDone(CareKind::fertilize, QDateTime(QDate(2026, 12, 8), QTime(0, 0), berlin));
        QCOMPARE(TodayView::doneTodayCount({plant.get()}, calendar), 2);
        QCOMPARE(TodayView::doneTodayCount({}, calendar), 0);
    }

    void doneLabelLowersTheKind()
    {
        QCOMPARE(TaskRow::doneLabel(CareKind::fertilize, QStringLiteral("Big <b>Fern</b>")),
                 QStringLiteral("Mark fertilize done for Big <b>Fern</b>"));
    }
};

QTEST_MAIN(TestTodayParts)
#include "tst_today_parts.moc"
