#include "Core/Calendar.h"
#include "Models/ModelContext.h"
#include "Models/Plant.h"
#include "Models/Species.h"

#include <QSignalSpy>
#include <QTest>

#include <limits>
#include <memory>
#include <vector>

namespace {

QDateTime at(const char *zone, QDate date, QTime time)
{
    return QDateTime(date, time, QTimeZone(zone));
}

// Records what a plant tells its store, in order.
class RecordingContext final : public ModelContext
{
public:
    void insert(Plant *) override {}
    void deletePlant(Plant *) override {}
    void plantChanged(Plant &) override { calls.append(QStringLiteral("changed")); }
    void eventAppended(Plant &plant, CareEvent &event) override
    {
        calls.append(QStringLiteral("appended"));
        linkedToPlant = event.plant() == &plant;
    }
    void deleteEvent(Plant &, const CareEvent &event) override
    {
        calls.append(QStringLiteral("deleted"));
        deletedIds.append(event.id());
    }
    std::optional<QByteArray> loadPhoto(const Plant &) const override { return std::nullopt; }

    QStringList calls;
    QList<RecordId> deletedIds;
    bool linkedToPlant = false;
};

} // namespace

class PlantTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void schedule_data();
    void schedule();
    void newPlantTakesSpeciesSchedule();
    void enabledKinds_data();
    void enabledKinds();
    void backDatedCareReplacesLastDone();
    void undoDerivesLastDoneFromLog();
    void undoLeavesOtherKinds();
    void absentLogReadsAsEmpty();
    void sortedEventsNewestFirstAndStable();
    void invalidDateChangesNothing();
    void tellsItsStoreAndWatchers();

private:
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<Calendar> m_calendar;
    std::unique_ptr<ScopedCalendar> m_scope;

    void pin(const char *zone, const QDateTime &now)
    {
        m_scope.reset();
        m_clock = std::make_unique<ManualClock>(now);
        m_calendar = std::make_unique<Calendar>(QTimeZone(zone), m_clock.get());
        m_scope = std::make_unique<ScopedCalendar>(m_calendar.get());
    }
};

void PlantTest::init()
{
    pin("America/New_York", at("America/New_York", {2026, 12, 7}, {9, 0}));
}

void PlantTest::cleanup()
{
    m_scope.reset();
    m_calendar.reset();
    m_clock.reset();
}

void PlantTest::schedule_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("added");
    QTest::addColumn<qint64>("interval");
    QTest::addColumn<QDateTime>("lastDone"); // invalid: never done
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDateTime>("due"); // invalid: none
    QTest::addColumn<qint64>("daysUntilDue");

    const char *ny = "America/New_York";
    const QDate today(2026, 12, 7);
    const QDateTime morning = at(ny, today, {9, 0});
    const QDateTime never;
    QTest::newRow("interval 0 ignores last watering") << QByteArray(ny) << morning.addDays(-30) << qint64(0)
                                                      << morning.addDays(-1) << morning << never << qint64(0);
    QTest::newRow("negative interval")
        << QByteArray(ny) << morning.addDays(-30) << qint64(-3) << never << morning << never << qint64(0);
    QTest::newRow("added today, interval 7")
        << QByteArray(ny) << morning << qint64(7) << never << at(ny, today, {23, 0})
        << at(ny, today.addDays(7), {0, 0}) << qint64(7);
    QTest::newRow("yesterday 23:59, interval 1")
        << QByteArray(ny) << morning.addDays(-30) << qint64(1) << at(ny, today.addDays(-1), {23, 59})
        << at(ny, today, {0, 1}) << at(ny, today, {0, 0}) << qint64(0);
    QTest::newRow("10 days ago, interval 7")
        << QByteArray(ny) << morning.addDays(-30) << qint64(7) << morning.addDays(-10) << morning
        << at(ny, today.addDays(-3), {0, 0}) << qint64(-3);
    QTest::newRow("last done wins over date added")
        << QByteArray(ny) << morning.addDays(-300) << qint64(7) << morning.addDays(-2) << morning
        << at(ny, today.addDays(5), {0, 0}) << qint64(5);
    // 23 hours before the due date, yet a whole calendar day away: "tomorrow", not "today".
    QTest::newRow("New York, start of a 23-hour day")
        << QByteArray(ny) << morning.addDays(-300) << qint64(2) << at(ny, {2026, 3, 7}, {10, 0})
        << at(ny, {2026, 3, 8}, {0, 0}) << at(ny, {2026, 3, 9}, {0, 0}) << qint64(1);
    // 25.5 hours before the due date, yet two calendar days away.
    QTest::newRow("New York, before a 25-hour day")
        << QByteArray(ny) << morning.addDays(-300) << qint64(2) << at(ny, {2026, 10, 31}, {10, 0})
        << at(ny, {2026, 10, 31}, {23, 30}) << at(ny, {2026, 11, 2}, {0, 0}) << qint64(2);
    const char *sp = "America/Sao_Paulo";
    QTest::newRow("Sao Paulo, due on a day starting at 01:00")
        << QByteArray(sp) << morning.addDays(-3000) << qint64(2) << at(sp, {2018, 11, 2}, {12, 0})
        << at(sp, {2018, 11, 3}, {23, 0}) << at(sp, {2018, 11, 4}, {1, 0}) << qint64(1);
    QTest::newRow("Sao Paulo, from a day starting at 01:00")
        << QByteArray(sp) << morning.addDays(-3000) << qint64(3) << at(sp, {2018, 11, 2}, {12, 0})
        << at(sp, {2018, 11, 4}, {1, 0}) << at(sp, {2018, 11, 5}, {0, 0}) << qint64(1);
    const char *lh = "Australia/Lord_Howe";
    QTest::newRow("Lord Howe, 23.5-hour day")
        << QByteArray(lh) << morning.addDays(-300) << qint64(2) << at(lh, {2026, 10, 3}, {12, 0})
        << at(lh, {2026, 10, 4}, {0, 0}) << at(lh, {2026, 10, 5}, {0, 0}) << qint64(1);
    // Samoa skipped 2011-12-30: what falls due on it is due when the next date starts.
    const char *apia = "Pacific/Apia";
    QTest::newRow("Apia, due on the skipped date")
        << QByteArray(apia) << morning.addDays(-6000) << qint64(1) << at(apia, {2011, 12, 29}, {12, 0})
        << at(apia, {2011, 12, 31}, {8, 0}) << at(apia, {2011, 12, 31}, {0, 0}) << qint64(0);
    QTest::newRow("UTC") << QByteArray("UTC") << morning.addDays(-30) << qint64(3)
                         << at("UTC", today, {23, 59}) << at("UTC", today, {0, 0})
                         << at("UTC", today.addDays(3), {0, 0}) << qint64(3);
    constexpr qint64 largest = std::numeric_limits<qint64>::max();
    QTest::newRow("largest interval")
        << QByteArray(ny) << morning << largest << never << morning << never << qint64(0);
    QTest::newRow("largest interval after care")
        << QByteArray(ny) << morning << largest << morning << morning << never << qint64(0);
    QTest::newRow("date added in year 20000")
        << QByteArray(ny) << QDateTime(QDate(20000, 1, 1), QTime(0, 0), Qt::UTC) << qint64(7) << never
        << morning << never << qint64(0);
    QTest::newRow("date added at the end of time")
        << QByteArray(ny) << QDateTime::fromMSecsSinceEpoch(std::numeric_limits<qint64>::max(), Qt::UTC)
        << qint64(7) << never << morning << never << qint64(0);
    QTest::newRow("date added invalid")
        << QByteArray(ny) << QDateTime() << qint64(7) << never << morning << never << qint64(0);
}

void PlantTest::schedule()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, added);
    QFETCH(qint64, interval);
    QFETCH(QDateTime, lastDone);
    QFETCH(QDateTime, now);
    QFETCH(QDateTime, due);
    QFETCH(qint64, daysUntilDue);

    pin(zone.constData(), now);
    Plant plant(QStringLiteral("Fern"), Species::custom(), QStringLiteral("Hall"));
    plant.setDateAdded(added);
    plant.setWaterInterval(interval);
    if (lastDone.isValid())
        plant.markDone(CareKind::water, lastDone);

    const std::optional<QDateTime> nextDue = plant.nextDue(CareKind::water);
    const std::optional<qint64> days = plant.daysUntilDue(CareKind::water, now);
    if (!due.isValid()) {
        QVERIFY(!nextDue);
        QVERIFY(!days);
        QCOMPARE(plant.enabledKinds().contains(CareKind::water), interval >= 1);
        return;
    }
    QVERIFY(nextDue);
    QCOMPARE(nextDue->toMSecsSinceEpoch(), due.toMSecsSinceEpoch());
    // A due date is always the first moment of a local day.
    QCOMPARE(m_calendar->startOfDay(*nextDue), nextDue);
    QVERIFY(days);
    QCOMPARE(*days, daysUntilDue);
}

void PlantTest::newPlantTakesSpeciesSchedule()
{
    const Species &fern = Species::find(QStringLiteral("fern"));
    Plant plant(QStringLiteral("Bathroom fern"), fern, QStringLiteral("Bathroom"), QByteArray("jpeg"),
                QStringLiteral("By the window"));
    QCOMPARE(plant.speciesID(), QStringLiteral("fern"));
    QCOMPARE(plant.waterInterval(), fern.waterDays);
    QCOMPARE(plant.fertilizeInterval(), fern.fertilizeDays);
    QCOMPARE(plant.mistInterval(), fern.mistDays);
    QCOMPARE(plant.dateAdded(), m_clock->now());
    QCOMPARE(plant.photo(), std::optional<QByteArray>(QByteArray("jpeg")));
    QVERIFY(plant.hasEventList());
    QCOMPARE(plant.eventCount(), 0);
    for (CareKind kind : CareKind::allCases())
        QVERIFY(!plant.lastDone(kind));

    // A species that needs no misting starts with misting switched off.
    const Plant pothos(QStringLiteral("Pothos"), Species::find(QStringLiteral("pothos")),
                       QStringLiteral("Office"));
    QVERIFY(!pothos.nextDue(CareKind::mist));
    QVERIFY(pothos.nextDue(CareKind::water));
}

void PlantTest::enabledKinds_data()
{
    QTest::addColumn<qint64>("water");
    QTest::addColumn<qint64>("fertilize");
    QTest::addColumn<qint64>("mist");
    QTest::addColumn<QList<int>>("enabled");

    QTest::newRow("all on") << qint64(7) << qint64(30) << qint64(2) << QList<int>{0, 1, 2};
    QTest::newRow("all off") << qint64(0) << qint64(0) << qint64(0) << QList<int>{};
    QTest::newRow("negative is off") << qint64(-1) << qint64(5) << qint64(-30) << QList<int>{1};
    QTest::newRow("water and mist keep order") << qint64(1) << qint64(0) << qint64(1) << QList<int>{0, 2};
}

void PlantTest::enabledKinds()
{
    QFETCH(qint64, water);
    QFETCH(qint64, fertilize);
    QFETCH(qint64, mist);
    QFETCH(QList<int>, enabled);

    Plant plant(QStringLiteral("Aloe"), Species::custom(), QStringLiteral("Kitchen"));
    plant.setWaterInterval(water);
    plant.setFertilizeInterval(fertilize);
    plant.setMistInterval(mist);
    QList<int> kinds;
    for (CareKind kind : plant.enabledKinds())
        kinds.append(kind.index());
    QCOMPARE(kinds, enabled);
}

void PlantTest::backDatedCareReplacesLastDone()
{
    Plant plant(QStringLiteral("Monstera"), Species::find(QStringLiteral("monstera")),
                QStringLiteral("Hall"));
    const QDateTime now = m_clock->now();
    plant.markDone(CareKind::water, now);
    plant.markDone(CareKind::water, now.addDays(-3));

    QCOMPARE(plant.lastWatered(), std::optional<QDateTime>(now.addDays(-3)));
    QCOMPARE(plant.eventCount(), 2);
    QCOMPARE(plant.sortedEvents().first()->date(), now);
    QCOMPARE(plant.daysUntilDue(CareKind::water, now), std::optional<qint64>(8 - 3));
}

void PlantTest::undoDerivesLastDoneFromLog()
{
    Plant plant(QStringLiteral("Pilea"), Species::find(QStringLiteral("pilea")), QStringLiteral("Desk"));
    const QDateTime added = plant.dateAdded();
    const QDateTime day1 = added.addDays(1);
    const QDateTime day5 = added.addDays(5);
    plant.markDone(CareKind::water, day1);
    plant.markDone(CareKind::water, day5);

    const CareEvent *newest = plant.sortedEvents().first();
    QCOMPARE(newest->date(), day5);
    plant.remove(newest);
    QCOMPARE(plant.lastWatered(), std::optional<QDateTime>(day1));
    QCOMPARE(plant.eventCount(), 1);

    plant.remove(plant.events().first());
    QVERIFY(!plant.lastWatered());
    QCOMPARE(plant.eventCount(), 0);
    // With nothing logged the schedule restarts from the day the plant was added.
    QCOMPARE(plant.nextDue(CareKind::water), m_calendar->startOfDayAdding(added, plant.waterInterval()));

    // Undo of a back-dated entry while a newer one remains brings back the newer date.
    plant.markDone(CareKind::water, day5);
    plant.markDone(CareKind::water, day1);
    QCOMPARE(plant.lastWatered(), std::optional<QDateTime>(day1));
    plant.remove(plant.events().last());
    QCOMPARE(plant.lastWatered(), std::optional<QDateTime>(day5));
}

void PlantTest::undoLeavesOtherKinds()
{
    Plant plant(QStringLiteral("Calathea"), Species::find(QStringLiteral("calathea")),
                QStringLiteral("Bedroom"));
    const QDateTime now = m_clock->now();
    plant.markDone(CareKind::fertilize, now.addDays(-2));
    plant.markDone(CareKind::fertilize, now.addDays(-20)); // back-dated: last-done is not the newest entry
    plant.markDone(CareKind::mist, now.addDays(-1));
    plant.markDone(CareKind::water, now);

    const CareEvent *watering = plant.sortedEvents().first();
    QVERIFY(watering->kind() == CareKind::water);
    plant.remove(watering);

    QVERIFY(!plant.lastWatered());
    QCOMPARE(plant.lastFertilized(), std::optional<QDateTime>(now.addDays(-20)));
    QCOMPARE(plant.lastMisted(), std::optional<QDateTime>(now.addDays(-1)));
    QCOMPARE(plant.eventCount(), 3);
}

void PlantTest::absentLogReadsAsEmpty()
{
    Plant plant(RecordId(7));
    plant.restoreEvents(std::nullopt);
    plant.restoreLastDone(CareKind::water, m_clock->now().addDays(-1).toMSecsSinceEpoch());
    QVERIFY(!plant.hasEventList());
    QVERIFY(plant.sortedEvents().isEmpty());
    QVERIFY(plant.events().isEmpty());

    // Undo against an absent log leaves it absent and falls back to the log, which is empty.
    const CareEvent stray(CareKind::water, m_clock->now());
    plant.remove(&stray);
    QVERIFY(!plant.hasEventList());
    QVERIFY(!plant.lastWatered());

    plant.markDone(CareKind::mist, m_clock->now());
    QVERIFY(plant.hasEventList());
    QCOMPARE(plant.eventCount(), 1);
    QCOMPARE(plant.events().first()->plant(), &plant);
}

void PlantTest::sortedEventsNewestFirstAndStable()
{
    const qint64 t = m_clock->now().toMSecsSinceEpoch();
    std::vector<std::unique_ptr<CareEvent>> log;
    const qint64 dates[] = {t - 5000, t, t - 9000, t, t - 5000, t - 1};
    RecordId id = 100;
    for (const qint64 date : dates)
        log.push_back(std::make_unique<CareEvent>(id++, QStringLiteral("water"), date, QString()));
    Plant plant(RecordId(8));
    plant.restoreEvents(std::move(log));

    QList<RecordId> order;
    for (const CareEvent *event : plant.sortedEvents()) {
        order.append(event->id());
        QCOMPARE(event->plant(), &plant);
    }
    // Equal dates keep their log order: 101 before 103, 100 before 104.
    QCOMPARE(order, (QList<RecordId>{101, 103, 105, 100, 104, 102}));
}

void PlantTest::invalidDateChangesNothing()
{
    Plant plant(QStringLiteral("Jade"), Species::find(QStringLiteral("jade")), QStringLiteral("Sill"));
    const QDateTime now = m_clock->now();
    plant.markDone(CareKind::water, now);
    QSignalSpy changed(&plant, &Plant::changed);

    plant.markDone(CareKind::water, QDateTime());
    QCOMPARE(plant.lastWatered(), std::optional<QDateTime>(now));
    QCOMPARE(plant.eventCount(), 1);
    QCOMPARE(changed.count(), 0);
}

void PlantTest::tellsItsStoreAndWatchers()
{
    RecordingContext context;
    Plant plant(QStringLiteral("Hoya"), Species::find(QStringLiteral("hoya")), QStringLiteral("Shelf"));
    plant.setModelContext(&context);
    QSignalSpy changed(&plant, &Plant::changed);

    plant.setName(QStringLiteral("Hoya"));
    plant.setWaterInterval(plant.waterInterval());
    QCOMPARE(changed.count(), 0);
    QVERIFY(context.calls.isEmpty());

    plant.setName(QStringLiteral("Wax plant"));
    QCOMPARE(changed.count(), 1);

    plant.markDone(CareKind::water, m_clock->now());
    QVERIFY(context.linkedToPlant);
    QCOMPARE(changed.count(), 2);
    const RecordId eventId = plant.events().first()->id();

    plant.remove(plant.events().first());
    QCOMPARE(context.deletedIds, QList<RecordId>{eventId});
    QCOMPARE(changed.count(), 3);
    QCOMPARE(context.calls,
             (QStringList{QStringLiteral("changed"), QStringLiteral("appended"), QStringLiteral("changed"),
                          QStringLiteral("deleted"), QStringLiteral("changed")}));
}

QTEST_GUILESS_MAIN(PlantTest)
#include "tst_plant.moc"
