#include "Core/Calendar.h"
#include "Models/Plant.h"
#include "Services/ReminderRun.h"
#include "Services/ReminderScheduler.h"
#include "tst_reminderscheduler/RecordingNotificationCenter.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <limits>
#include <memory>
#include <vector>

using Operation = RecordingNotificationCenter::Operation;

Q_DECLARE_METATYPE(AuthorizationStatus)
Q_DECLARE_METATYPE(NotificationTrigger)

namespace {

const QTimeZone newYork("America/New_York");
const QDate today(2026, 12, 7);

QDateTime local(QDate date, int hour, int minute = 0)
{
    return QDateTime(date, QTime(hour, minute), newYork);
}

struct Intervals
{
    int water = 0;
    int fertilize = 0;
    int mist = 0;
};

NotificationTrigger triggerOn(QDate date, int hour, int minute)
{
    return {date.year(), date.month(), date.day(), hour, minute};
}

// A plant name that could reorder or join the words around it, as a summary shows it: isolated
// from them. Plain names are shown as typed.
QString isolatedName(const QString &name)
{
    return QChar(0x2068) + name + QChar(0x2069);
}

} // namespace

class TestReminderScheduler : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void onlyRemoves_data();
    void onlyRemoves();
    void overdueTaskFillsEveryLaterDay();
    void taskDueTodayBeforeReminderTime();
    void taskAppearsFromItsDueDay();
    void titlesAndBodies_data();
    void titlesAndBodies();
    void failedAddDoesNotStopLaterDays();
    void cancelledRunAddsNothingFurther();
    void plantDeletedWhileWaitingForPermission();
    void fireMomentIsTheWallClockTime_data();
    void fireMomentIsTheWallClockTime();

private:
    // A plant whose kinds fall due dueInDays from today (negative: overdue).
    Plant *addPlant(const QString &name, Intervals intervals, int dueInDays);
    void runToEnd(bool enabled, int minutesAfterMidnight);

    ManualClock m_clock;
    std::unique_ptr<Calendar> m_calendar;
    std::unique_ptr<ScopedCalendar> m_scopedCalendar;
    std::unique_ptr<RecordingNotificationCenter> m_center;
    std::unique_ptr<ScopedNotificationCenter> m_scopedCenter;
    std::vector<std::unique_ptr<Plant>> m_plants;
    RecordId m_nextId = 1;
};

void TestReminderScheduler::init()
{
    m_clock.setNow(local(today, 9));
    m_calendar = std::make_unique<Calendar>(newYork, &m_clock);
    m_scopedCalendar = std::make_unique<ScopedCalendar>(m_calendar.get());
    m_center = std::make_unique<RecordingNotificationCenter>();
    m_scopedCenter = std::make_unique<ScopedNotificationCenter>(m_center.get());
}

void TestReminderScheduler::cleanup()
{
    m_plants.clear();
    m_scopedCenter.reset();
    m_center.reset();
    m_scopedCalendar.reset();
    m_calendar.reset();
}

Plant *TestReminderScheduler::addPlant(const QString &name, Intervals intervals, int dueInDays)
{
    auto plant = std::make_unique<Plant>(m_nextId++);
    plant->setName(name);
    plant->setWaterInterval(intervals.water);
    plant->setFertilizeInterval(intervals.fertilize);
    plant->setMistInterval(intervals.mist);
    // Every enabled kind is due on the same day: the interval after the day it was last done.
    for (CareKind kind : CareKind::allCases()) {
        if (plant->interval(kind) >= 1)
            plant->markDone(kind, local(today.addDays(dueInDays - plant->interval(kind)), 12));
    }
    m_plants.push_back(std::move(plant));
    return m_plants.back().get();
}

void TestReminderScheduler::runToEnd(bool enabled, int minutesAfterMidnight)
{
    QList<Plant *> plants;
    for (const auto &plant : m_plants)
        plants.append(plant.get());
    QPointer<ReminderRun> run = ReminderScheduler::reschedule(plants, enabled, minutesAfterMidnight);
    QVERIFY(run);
    QSignalSpy finished(run.data(), &ReminderRun::finished);
    QVERIFY(finished.wait(5'000));
    QCOMPARE(finished.size(), 1);
    QTRY_VERIFY(run.isNull());
}

void TestReminderScheduler::onlyRemoves_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<AuthorizationStatus>("status");
    QTest::addColumn<int>("dueInDays"); // 99: no plant at all
    QTest::addColumn<QList<Operation>>("operations");

    const QList<Operation> removeOnly{Operation::remove};
    const QList<Operation> removeAndAsk{Operation::remove, Operation::status};
    QTest::newRow("reminders off") << false << AuthorizationStatus::authorized << -1 << removeOnly;
    QTest::newRow("no plants") << true << AuthorizationStatus::authorized << 99 << removeAndAsk;
    QTest::newRow("due in 14 days") << true << AuthorizationStatus::authorized << 14 << removeAndAsk;
    QTest::newRow("denied") << true << AuthorizationStatus::denied << -1 << removeAndAsk;
    QTest::newRow("not determined") << true << AuthorizationStatus::notDetermined << 0 << removeAndAsk;
}

void TestReminderScheduler::onlyRemoves()
{
    QFETCH(bool, enabled);
    QFETCH(AuthorizationStatus, status);
    QFETCH(int, dueInDays);
    QFETCH(QList<Operation>, operations);

    m_center->status = status;
    if (dueInDays != 99)
        addPlant(QStringLiteral("Fern"), {1, 0, 0}, dueInDays);
    m_clock.setNow(local(today, 7));
    runToEnd(enabled, 8 * 60);

    QCOMPARE(m_center->operations(), operations);
    QStringList all;
    for (int offset = 0; offset < 14; ++offset)
        all.append(QStringLiteral("tendrel.daily.%1").arg(offset));
    QCOMPARE(m_center->calls.constFirst().identifiers, all);
}

void TestReminderScheduler::overdueTaskFillsEveryLaterDay()
{
    addPlant(QStringLiteral("Fern"), {3, 0, 0}, -1);
    m_clock.setNow(local(today, 9));
    runToEnd(true, 8 * 60);

    const QList<NotificationRequest> added = m_center->added();
    QCOMPARE(added.size(), 13);
    for (int offset = 1; offset <= 13; ++offset) {
        const NotificationRequest &request = added[offset - 1];
        QCOMPARE(request.identifier, QStringLiteral("tendrel.daily.%1").arg(offset));
        QCOMPARE(request.title, QStringLiteral("1 plant needs care"));
        QCOMPARE(request.body, QStringLiteral("Water Fern"));
        QVERIFY(request.defaultSound);
        QCOMPARE(request.trigger, triggerOn(today.addDays(offset), 8, 0));
    }
    QCOMPARE(m_center->mostOutstandingAdds, 1);
}

void TestReminderScheduler::taskDueTodayBeforeReminderTime()
{
    addPlant(QStringLiteral("Fern"), {7, 0, 0}, 0);
    m_clock.setNow(local(today, 7));
    runToEnd(true, 8 * 60);

    const QList<NotificationRequest> added = m_center->added();
    QCOMPARE(added.size(), 14);
    QCOMPARE(added.constFirst().identifier, QStringLiteral("tendrel.daily.0"));
    QCOMPARE(added.constFirst().trigger, triggerOn(today, 8, 0));
    QCOMPARE(added.constFirst().title, QStringLiteral("1 plant needs care"));
    QCOMPARE(added.constFirst().body, QStringLiteral("Water Fern"));
}

void TestReminderScheduler::taskAppearsFromItsDueDay()
{
    addPlant(QStringLiteral("Aloe"), {30, 0, 0}, 7);
    addPlant(QStringLiteral("Ivy"), {30, 0, 0}, 5);
    m_clock.setNow(local(today, 7));
    runToEnd(true, 8 * 60);

    const QList<NotificationRequest> added = m_center->added();
    QCOMPARE(added.size(), 9);
    QCOMPARE(added.constFirst().identifier, QStringLiteral("tendrel.daily.5"));
    QCOMPARE(added[0].body, QStringLiteral("Water Ivy"));
    QCOMPARE(added[1].body, QStringLiteral("Water Ivy"));
    QCOMPARE(added[2].identifier, QStringLiteral("tendrel.daily.7"));
    QCOMPARE(added[2].body,
             QStringLiteral("Water %1, Water %2").arg(QStringLiteral("Ivy"), QStringLiteral("Aloe")));
    QCOMPARE(added.constLast().body, added[2].body);
    QCOMPARE(added.constLast().title, QStringLiteral("2 care tasks today"));
}

void TestReminderScheduler::titlesAndBodies_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("mistToo");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("body");
    const QString fern = QStringLiteral("Fern");
    const QString ivy = QStringLiteral("Ivy");
    const QString moss = QStringLiteral("Moss");

    QTest::newRow("three tasks") << QStringList{QStringLiteral("Fern"), QStringLiteral("Ivy"),
                                                QStringLiteral("Moss")}
                                 << false << QStringLiteral("3 care tasks today")
                                 << QStringLiteral("Water %1, Water %2, Water %3").arg(fern, ivy, moss);
    QTest::newRow("four tasks")
        << QStringList{QStringLiteral("Fern"), QStringLiteral("Ivy"), QStringLiteral("Moss"),
                       QStringLiteral("Palm")}
        << false << QStringLiteral("4 care tasks today")
        << QStringLiteral("Water %1, Water %2, Water %3 and 1 more").arg(fern, ivy, moss);
    QTest::newRow("water and mist of one plant")
        << QStringList{QStringLiteral("Fern")} << true << QStringLiteral("2 care tasks today")
        << QStringLiteral("Water %1, Mist %1").arg(fern);
    QTest::newRow("name as stored") << QStringList{QStringLiteral("<b>Fern</b> & co")} << false
                                    << QStringLiteral("1 plant needs care")
                                    << QStringLiteral("Water ") +
                                           isolatedName(QStringLiteral("<b>Fern</b> & co"));
    // Whole, three such names made a body too long for any notification service to keep.
    const QString longName = QStringLiteral("Monstera ").repeated(1'112);
    const QString shortened = longName.left(59) + QChar(0x2026);
    QTest::newRow("10,000-character names")
        << QStringList{longName, longName + QLatin1Char('2'), longName + QLatin1Char('3')} << false
        << QStringLiteral("3 care tasks today")
        << QStringLiteral("Water %1, Water %1, Water %1").arg(isolatedName(shortened));
    // A cut never splits a character: not a surrogate pair, not a ZWJ sequence.
    const QString family = QStringLiteral("\U0001F469\u200D\U0001F469\u200D\U0001F467");
    QTest::newRow("cut before a whole emoji")
        << QStringList{QString(57, QLatin1Char('a')) + family + QStringLiteral("tail")} << false
        << QStringLiteral("1 plant needs care")
        << QStringLiteral("Water ") + isolatedName(QString(57, QLatin1Char('a')) + QChar(0x2026));
    // A right-to-left override in a name reorders that name alone.
    QTest::newRow("right-to-left override")
        << QStringList{QStringLiteral("evil\u202Eexe.txt"), QStringLiteral("\u2069Ivy")} << false
        << QStringLiteral("2 care tasks today")
        << QStringLiteral("Water %1, Water %2")
               .arg(isolatedName(QStringLiteral("evil\u202Eexe.txt")), isolatedName(QStringLiteral("Ivy")));
    QTest::newRow("six tasks of three plants")
        << QStringList{QStringLiteral("Fern"), QStringLiteral("Ivy"), QStringLiteral("Moss")} << true
        << QStringLiteral("6 care tasks today")
        << QStringLiteral("Water %1, Mist %1, Water %2 and 3 more").arg(fern, ivy);
}

void TestReminderScheduler::titlesAndBodies()
{
    QFETCH(QStringList, names);
    QFETCH(bool, mistToo);
    QFETCH(QString, title);
    QFETCH(QString, body);

    for (const QString &name : names)
        addPlant(name, {2, 0, mistToo ? 3 : 0}, 0);
    m_clock.setNow(local(today, 7));
    runToEnd(true, 8 * 60);

    const QList<NotificationRequest> added = m_center->added();
    QVERIFY(!added.isEmpty());
    QCOMPARE(added.constFirst().identifier, QStringLiteral("tendrel.daily.0"));
    QCOMPARE(added.constFirst().title, title);
    QCOMPARE(added.constFirst().body, body);
    QCOMPARE(added.constFirst().validationError(), std::nullopt);
}

void TestReminderScheduler::failedAddDoesNotStopLaterDays()
{
    addPlant(QStringLiteral("Fern"), {1, 0, 0}, -2);
    m_center->failingIdentifiers = {QStringLiteral("tendrel.daily.0"), QStringLiteral("tendrel.daily.5")};
    m_clock.setNow(local(today, 7));
    runToEnd(true, 8 * 60);

    QStringList identifiers;
    for (const NotificationRequest &request : m_center->added())
        identifiers.append(request.identifier);
    QCOMPARE(identifiers, ReminderScheduler::identifiers());
    QCOMPARE(m_center->mostOutstandingAdds, 1);
}

void TestReminderScheduler::cancelledRunAddsNothingFurther()
{
    addPlant(QStringLiteral("Fern"), {1, 0, 0}, -2);
    m_center->holdAdds = true;
    QPointer<ReminderRun> run = ReminderScheduler::reschedule({m_plants.front().get()}, true, 23 * 60);
    QSignalSpy finished(run.data(), &ReminderRun::finished);
    QTRY_COMPARE(m_center->added().size(), 1);

    run->cancel();
    run->cancel();
    m_center->releaseHeld();
    QVERIFY(finished.wait(5'000));
    QTest::qWait(50);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(m_center->added().size(), 1);
    QTRY_VERIFY(run.isNull());
}

void TestReminderScheduler::plantDeletedWhileWaitingForPermission()
{
    addPlant(QStringLiteral("Fern"), {1, 0, 0}, 0);
    addPlant(QStringLiteral("Ivy"), {1, 0, 0}, 0);
    m_center->holdStatus = true;
    m_clock.setNow(local(today, 7));
    QPointer<ReminderRun> run =
        ReminderScheduler::reschedule({m_plants[0].get(), m_plants[1].get()}, true, 8 * 60);
    QSignalSpy finished(run.data(), &ReminderRun::finished);
    QTRY_COMPARE(m_center->operations(), (QList<Operation>{Operation::remove, Operation::status}));

    m_plants.erase(m_plants.begin());
    m_center->releaseHeld();
    QVERIFY(finished.wait(5'000));
    const QList<NotificationRequest> added = m_center->added();
    QVERIFY(!added.isEmpty());
    for (const NotificationRequest &request : added)
        QCOMPARE(request.body, QStringLiteral("Water Ivy"));
}

void TestReminderScheduler::fireMomentIsTheWallClockTime_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("offset");
    QTest::addColumn<NotificationTrigger>("trigger"); // invalid: no request for offset
    QTest::addColumn<QDateTime>("fireMoment");

    const QTimeZone utc = QTimeZone::utc();
    QTest::newRow("clocks go forward")
        << local(QDate(2027, 3, 13), 10) << 9 * 60 << 1 << triggerOn(QDate(2027, 3, 14), 9, 0)
        << QDateTime(QDate(2027, 3, 14), QTime(13, 0), utc);
    QTest::newRow("clocks go back") << local(QDate(2026, 10, 31), 10) << 9 * 60 << 1
                                    << triggerOn(QDate(2026, 11, 1), 9, 0)
                                    << QDateTime(QDate(2026, 11, 1), QTime(14, 0), utc);
    QTest::newRow("time the clocks skip")
        << local(QDate(2027, 3, 13), 10) << 2 * 60 + 30 << 1 << triggerOn(QDate(2027, 3, 14), 3, 0)
        << QDateTime(QDate(2027, 3, 14), QTime(7, 0), utc);
    QTest::newRow("repeated hour fires the first time")
        << local(QDate(2026, 10, 31), 10) << 90 << 1 << triggerOn(QDate(2026, 11, 1), 1, 30)
        << QDateTime(QDate(2026, 11, 1), QTime(5, 30), utc);
    QTest::newRow("run at the reminder time")
        << local(today, 8) << 8 * 60 << 0 << NotificationTrigger{} << QDateTime();
    QTest::newRow("a minute before") << local(today, 7, 59) << 8 * 60 << 0 << triggerOn(today, 8, 0)
                                     << local(today, 8);
    QTest::newRow("minutes past the day move to the next")
        << local(today, 7) << 1500 << 0 << triggerOn(today.addDays(1), 1, 0) << local(today.addDays(1), 1);
    QTest::newRow("negative minutes move to the day before")
        << local(today, 7) << -30 << 2 << triggerOn(today.addDays(1), 23, 30)
        << local(today.addDays(1), 23, 30);
    // 2^31 - 1 minutes is 1,491,308 days and 127 minutes: a date the calendar still forms.
    const QDate farAhead = today.addDays(1'491'308);
    QTest::newRow("largest minutes") << local(today, 7) << std::numeric_limits<int>::max() << 0
                                     << triggerOn(farAhead, 2, 7) << local(farAhead, 2, 7);
    QTest::newRow("smallest minutes")
        << local(today, 7) << std::numeric_limits<int>::min() << 0 << NotificationTrigger{} << QDateTime();
    QTest::newRow("last minute of the day")
        << local(today, 7) << 1439 << 13 << triggerOn(today.addDays(13), 23, 59)
        << local(today.addDays(13), 23, 59);
}

void TestReminderScheduler::fireMomentIsTheWallClockTime()
{
    QFETCH(QDateTime, now);
    QFETCH(int, minutes);
    QFETCH(int, offset);
    QFETCH(NotificationTrigger, trigger);
    QFETCH(QDateTime, fireMoment);

    m_clock.setNow(now);
    Plant *plant = addPlant(QStringLiteral("Fern"), {1, 0, 0}, 0);
    plant->markDone(CareKind::water, now.addDays(-30)); // overdue on every day
    const auto planned = ReminderScheduler::plan({plant}, minutes, *m_calendar);
    const auto it =
        std::find_if(planned.cbegin(), planned.cend(),
                     [offset](const ReminderScheduler::PlannedReminder &p) { return p.offset == offset; });
    if (!trigger.isValid()) {
        QVERIFY(it == planned.cend());
        return;
    }
    QVERIFY(it != planned.cend());
    QCOMPARE(it->request.trigger, trigger);
    QCOMPARE(it->fireMoment, fireMoment);
}

QTEST_GUILESS_MAIN(TestReminderScheduler)
#include "tst_reminderscheduler.moc"
