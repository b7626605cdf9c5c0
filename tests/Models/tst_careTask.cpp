#include "Core/Calendar.h"
#include "Models/CareTask.h"
#include "Models/Plant.h"
#include "Models/Species.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <limits>
#include <memory>
#include <vector>

namespace {

QDateTime at(const char *zone, QDate date, QTime time)
{
    return QDateTime(date, time, QTimeZone(zone));
}

// Plants built for one test, each with only watering on unless set otherwise.
class Garden final
{
public:
    Plant *add(const QString &name, qint64 waterInterval, std::optional<QDateTime> lastWatered = {})
    {
        auto plant = std::make_unique<Plant>(name, Species::custom(), QStringLiteral("Hall"));
        plant->setWaterInterval(waterInterval);
        plant->setFertilizeInterval(0);
        plant->setMistInterval(0);
        if (lastWatered)
            plant->markDone(CareKind::water, *lastWatered);
        m_plants.push_back(std::move(plant));
        return m_plants.back().get();
    }
    QList<Plant *> plants() const
    {
        QList<Plant *> list;
        for (const auto &plant : m_plants)
            list.append(plant.get());
        return list;
    }

private:
    std::vector<std::unique_ptr<Plant>> m_plants;
};

QStringList describe(const QList<CareTask> &tasks)
{
    QStringList lines;
    for (const CareTask &task : tasks)
        lines.append(task.plant->name() + QLatin1Char(' ') + task.kind.rawValue() + QLatin1Char(' ') +
                     task.dueText());
    return lines;
}

} // namespace

class CareTaskTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void horizon_data();
    void horizon();
    void dueText_data();
    void dueText();
    void tomorrowAcrossShortDays_data();
    void tomorrowAcrossShortDays();
    void equalDueDatesSortByPlainTextName_data();
    void equalDueDatesSortByPlainTextName();
    void ordersByDueDateThenInputOrder();
    void largeTieKeepsInputOrder();
    void unusableInputYieldsNoTask();
    void agreesWithPlantSchedule();
    void orderMatchesPlainTextReference_data();
    void orderMatchesPlainTextReference();
    void datesSkippedWholeTieWithTheNextDate();
    void identifiesByPlantAndKind();

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
    QDateTime now() const { return m_clock->now(); }
};

void CareTaskTest::init()
{
    pin("America/New_York", at("America/New_York", {2026, 12, 7}, {9, 0}));
}

void CareTaskTest::cleanup()
{
    m_scope.reset();
    m_calendar.reset();
    m_clock.reset();
}

void CareTaskTest::horizon_data()
{
    QTest::addColumn<qint64>("interval");
    QTest::addColumn<int>("daysSinceWatered"); // negative: never watered, added today
    QTest::addColumn<qint64>("horizon");
    QTest::addColumn<QString>("listed"); // empty: absent

    QTest::newRow("watered today, interval 1, horizon 0") << qint64(1) << 0 << qint64(0) << QString();
    QTest::newRow("watered today, interval 1, horizon 7")
        << qint64(1) << 0 << qint64(7) << QStringLiteral("Tomorrow");
    QTest::newRow("added today, interval 7, horizon 7")
        << qint64(7) << -1 << qint64(7) << QStringLiteral("In 7 days");
    QTest::newRow("added today, interval 7, horizon 6") << qint64(7) << -1 << qint64(6) << QString();
    QTest::newRow("due today, horizon 0") << qint64(3) << 3 << qint64(0) << QStringLiteral("Due today");
    QTest::newRow("overdue, horizon 0") << qint64(3) << 5 << qint64(0) << QStringLiteral("2 days late");
    QTest::newRow("400 days late") << qint64(1) << 401 << qint64(0) << QStringLiteral("400 days late");
    QTest::newRow("fourteen days ahead") << qint64(15) << 1 << qint64(14) << QStringLiteral("In 14 days");
    QTest::newRow("fifteen days ahead") << qint64(16) << 1 << qint64(14) << QString();
    QTest::newRow("interval 0") << qint64(0) << 30 << qint64(14) << QString();
    QTest::newRow("negative interval") << qint64(-7) << 30 << qint64(14) << QString();
    QTest::newRow("largest horizon") << qint64(1) << 5 << std::numeric_limits<qint64>::max() << QString();
}

void CareTaskTest::horizon()
{
    QFETCH(qint64, interval);
    QFETCH(int, daysSinceWatered);
    QFETCH(qint64, horizon);
    QFETCH(QString, listed);

    Garden garden;
    garden.add(QStringLiteral("Fern"), interval,
               daysSinceWatered < 0 ? std::nullopt
                                    : std::optional<QDateTime>(now().addDays(-daysSinceWatered)));
    const QList<CareTask> tasks = CareTask::tasks(garden.plants(), horizon);
    if (listed.isEmpty()) {
        QVERIFY(tasks.isEmpty());
        return;
    }
    QCOMPARE(tasks.size(), 1);
    QCOMPARE(tasks.first().dueText(), listed);
}

void CareTaskTest::dueText_data()
{
    QTest::addColumn<qint64>("days");
    QTest::addColumn<QString>("text");

    QTest::newRow("-1234") << qint64(-1234) << QStringLiteral("1234 days late"); // never grouped
    QTest::newRow("-2") << qint64(-2) << QStringLiteral("2 days late");
    QTest::newRow("-1") << qint64(-1) << QStringLiteral("1 day late");
    QTest::newRow("0") << qint64(0) << QStringLiteral("Due today");
    QTest::newRow("1") << qint64(1) << QStringLiteral("Tomorrow");
    QTest::newRow("2") << qint64(2) << QStringLiteral("In 2 days");
    QTest::newRow("10000") << qint64(10000) << QStringLiteral("In 10000 days");
}

void CareTaskTest::dueText()
{
    QFETCH(qint64, days);
    QFETCH(QString, text);

    QCOMPARE(CareTask::dueText(days), text);
}

void CareTaskTest::tomorrowAcrossShortDays_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("lastWatered");
    QTest::addColumn<qint64>("interval");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<qint64>("daysFromToday");
    QTest::addColumn<QString>("text");

    // Each "now" is less than 24 hours before the due date, which is still the next calendar day.
    const char *ny = "America/New_York";
    QTest::newRow("New York, 23-hour day")
        << QByteArray(ny) << at(ny, {2026, 3, 6}, {20, 0}) << qint64(3) << at(ny, {2026, 3, 8}, {0, 0})
        << qint64(1) << QStringLiteral("Tomorrow");
    QTest::newRow("New York, 25-hour day, late evening")
        << QByteArray(ny) << at(ny, {2026, 10, 30}, {8, 0}) << qint64(2) << at(ny, {2026, 11, 1}, {23, 30})
        << qint64(0) << QStringLiteral("Due today");
    const char *sp = "America/Sao_Paulo";
    QTest::newRow("Sao Paulo, day starting at 01:00")
        << QByteArray(sp) << at(sp, {2018, 11, 3}, {9, 0}) << qint64(2) << at(sp, {2018, 11, 4}, {1, 0})
        << qint64(1) << QStringLiteral("Tomorrow");
    QTest::newRow("Sao Paulo, due at 01:00")
        << QByteArray(sp) << at(sp, {2018, 11, 2}, {9, 0}) << qint64(2) << at(sp, {2018, 11, 3}, {1, 30})
        << qint64(1) << QStringLiteral("Tomorrow");
    const char *lh = "Australia/Lord_Howe";
    QTest::newRow("Lord Howe, 23.5-hour day")
        << QByteArray(lh) << at(lh, {2026, 10, 3}, {9, 0}) << qint64(2) << at(lh, {2026, 10, 4}, {0, 10})
        << qint64(1) << QStringLiteral("Tomorrow");
    QTest::newRow("UTC") << QByteArray("UTC") << at("UTC", {2026, 12, 6}, {9, 0}) << qint64(2)
                         << at("UTC", {2026, 12, 7}, {0, 0}) << qint64(1) << QStringLiteral("Tomorrow");
}

void CareTaskTest::tomorrowAcrossShortDays()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, lastWatered);
    QFETCH(qint64, interval);
    QFETCH(QDateTime, now);
    QFETCH(qint64, daysFromToday);
    QFETCH(QString, text);

    pin(zone.constData(), now);
    Garden garden;
    Plant *plant = garden.add(QStringLiteral("Fern"), interval, lastWatered);
    const QList<CareTask> tasks = CareTask::tasks(garden.plants(), 7);
    QCOMPARE(tasks.size(), 1);
    QCOMPARE(tasks.first().daysFromToday(), daysFromToday);
    QCOMPARE(tasks.first().dueText(), text);
    QCOMPARE(plant->daysUntilDue(CareKind::water, now), std::optional<qint64>(daysFromToday));
    // Only what is due today or earlier counts for horizon 0.
    QCOMPARE(CareTask::tasks(garden.plants(), 0).size(), daysFromToday <= 0 ? 1 : 0);
}

void CareTaskTest::equalDueDatesSortByPlainTextName_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    QTest::newRow("upper case before lower case") << QStringLiteral("Fern") << QStringLiteral("aloe");
    QTest::newRow("not locale-aware") << QStringLiteral("Zebra") << QStringLiteral("\u00c4pfel");
    QTest::newRow("prefix first") << QStringLiteral("Fern") << QStringLiteral("Fern 2");
    // Code points, not UTF-16 units: U+FF21 is below U+1F331 although its unit is above the surrogates.
    QTest::newRow("BMP above surrogates before astral")
        << QStringLiteral("\uff21 plant") << QStringLiteral("\U0001F331 plant");
    QTest::newRow("private use before astral") << QStringLiteral("\ue000") << QStringLiteral("\U00010000");
    QTest::newRow("astral order") << QStringLiteral("\U0001F331") << QStringLiteral("\U0001F332");
    // Canonically equal names compare by their normal form: decomposed e-acute sorts as U+00E9.
    QTest::newRow("decomposed sorts as composed")
        << QStringLiteral("Cafe\u0301 a") << QStringLiteral("Caf\u00e9 b");
    QTest::newRow("composed after plain") << QStringLiteral("Cafe") << QStringLiteral("Cafe\u0301");
    // Past the first few thousand characters, the same rules still hold.
    const QString longStart = QStringLiteral("Ivy ").repeated(2'500);
    QTest::newRow("long shared start, decomposed")
        << longStart + QStringLiteral("Cafe\u0301 a") << longStart + QStringLiteral("Caf\u00e9 b");
}

void CareTaskTest::equalDueDatesSortByPlainTextName()
{
    QFETCH(QString, first);
    QFETCH(QString, second);

    // Passed in both orders; the names alone decide, also the names plants were renamed to after a
    // list was made.
    for (const bool swap : {false, true}) {
        Garden garden;
        Plant *one = garden.add(swap ? first : second, 1, now().addDays(-1));
        Plant *other = garden.add(swap ? second : first, 1, now().addDays(-1));
        const QList<CareTask> before = CareTask::tasks(garden.plants(), 0);
        QCOMPARE(before.size(), 2);
        QCOMPARE(before[0].plant->name(), first);
        one->setName(swap ? second : first);
        other->setName(swap ? first : second);
        const QList<CareTask> tasks = CareTask::tasks(garden.plants(), 0);
        QCOMPARE(tasks.size(), 2);
        QCOMPARE(tasks[0].plant->name(), first);
        QCOMPARE(tasks[1].plant->name(), second);
    }
}

void CareTaskTest::ordersByDueDateThenInputOrder()
{
    Garden garden;
    Plant *both = garden.add(QStringLiteral("Mixed"), 1, now().addDays(-1));
    both->setMistInterval(1);
    both->markDone(CareKind::mist, now().addDays(-1));
    both->setFertilizeInterval(5);
    garden.add(QStringLiteral("Zamioculcas"), 7, now().addDays(-9)); // two days late
    Plant *twin1 = garden.add(QStringLiteral("Twin"), 2, now().addDays(-1));
    Plant *twin2 = garden.add(QStringLiteral("Twin"), 2, now().addDays(-1));

    const QList<CareTask> tasks = CareTask::tasks(garden.plants(), 7);
    QCOMPARE(
        describe(tasks),
        (QStringList{QStringLiteral("Zamioculcas water 2 days late"), QStringLiteral("Mixed water Due today"),
                     QStringLiteral("Mixed mist Due today"), QStringLiteral("Twin water Tomorrow"),
                     QStringLiteral("Twin water Tomorrow"), QStringLiteral("Mixed fertilize In 5 days")}));
    QCOMPARE(tasks[3].plant, twin1);
    QCOMPARE(tasks[4].plant, twin2);
    for (const CareTask &task : tasks)
        QCOMPARE(m_calendar->startOfDay(task.due()), std::optional<QDateTime>(task.due()));
}

void CareTaskTest::largeTieKeepsInputOrder()
{
    // Large enough that an unstable sort would reorder equal elements.
    Garden garden;
    for (int i = 0; i < 200; ++i)
        garden.add(QStringLiteral("Same"), 1 + i % 3, now().addDays(-(1 + i % 3)));
    const QList<Plant *> plants = garden.plants();
    const QList<CareTask> tasks = CareTask::tasks(plants, 0);
    QCOMPARE(tasks.size(), 200);
    for (qsizetype i = 1; i < tasks.size(); ++i)
        QVERIFY(plants.indexOf(tasks[i - 1].plant) < plants.indexOf(tasks[i].plant));
}

void CareTaskTest::unusableInputYieldsNoTask()
{
    Garden garden;
    QVERIFY(CareTask::tasks({}, 7).isEmpty());
    Plant *off = garden.add(QStringLiteral("Off"), 0);
    QVERIFY(CareTask::tasks(garden.plants(), 14).isEmpty());

    off->setWaterInterval(std::numeric_limits<qint64>::max());
    Plant *lost = garden.add(QStringLiteral("Lost"), 1);
    lost->setDateAdded(QDateTime());
    Plant *future = garden.add(QStringLiteral("Future"), 1);
    future->setDateAdded(QDateTime(QDate(20000, 1, 1), QTime(0, 0), Qt::UTC));
    garden.add(QStringLiteral("Fine"), 1, now().addDays(-1));
    QList<Plant *> plants = garden.plants();
    plants.insert(1, nullptr);

    const QList<CareTask> tasks = CareTask::tasks(plants, 14);
    QCOMPARE(describe(tasks), QStringList{QStringLiteral("Fine water Due today")});
}

void CareTaskTest::agreesWithPlantSchedule()
{
    // The list computes due dates on its own fast path; it must agree with the plant's schedule.
    pin("America/New_York", at("America/New_York", {2026, 3, 9}, {0, 30}));
    QRandomGenerator random(7);
    Garden garden;
    for (int i = 0; i < 300; ++i) {
        Plant *plant = garden.add(QStringLiteral("P%1").arg(i), random.bounded(-1, 20));
        plant->setFertilizeInterval(random.bounded(0, 40));
        plant->setMistInterval(random.bounded(0, 4));
        plant->setDateAdded(now().addSecs(-random.bounded(0, 200 * 86400)));
        for (CareKind kind : CareKind::allCases()) {
            if (random.bounded(2))
                plant->markDone(kind, now().addSecs(-random.bounded(0, 60 * 86400)));
        }
    }
    int expected = 0;
    for (const Plant *plant : garden.plants()) {
        for (CareKind kind : plant->enabledKinds())
            expected += plant->daysUntilDue(kind, now()).value() <= 7 ? 1 : 0;
    }
    const QList<CareTask> tasks = CareTask::tasks(garden.plants(), 7);
    QCOMPARE(tasks.size(), expected);
    for (const CareTask &task : tasks) {
        QCOMPARE(task.due(), task.plant->nextDue(task.kind).value());
        QCOMPARE(task.daysFromToday(), task.plant->daysUntilDue(task.kind, now()).value());
    }
}

void CareTaskTest::orderMatchesPlainTextReference_data()
{
    QTest::addColumn<bool>("withAncientPlant");
    QTest::newRow("recent dates") << false;
    // A due date centuries back spreads the days too wide for day slots: the general sort runs.
    QTest::newRow("one plant from year 1") << true;
}

void CareTaskTest::orderMatchesPlainTextReference()
{
    // The list orders names through packed keys; the reference is the plain definition: stable
    // sort by due date, then code points of the NFC names.
    QFETCH(bool, withAncientPlant);
    const QStringList parts = {QStringLiteral("Monstera"), QStringLiteral("Monstera deliciosa "),
                               QStringLiteral("a"),        QStringLiteral("A"),
                               QStringLiteral("é"),        QStringLiteral("é"),
                               QStringLiteral("🌱"),        QStringLiteral("Ａ"),
                               QStringLiteral(""),        QStringLiteral(" "),
                               QStringLiteral("Ä"),        QStringLiteral("0")};
    QRandomGenerator random(99);
    Garden garden;
    for (int i = 0; i < 400; ++i) {
        QString name;
        for (int n = random.bounded(0, 5); n > 0; --n)
            name += parts[random.bounded(qsizetype(parts.size()))];
        Plant *plant = garden.add(name, random.bounded(1, 6), now().addDays(-random.bounded(0, 8)));
        plant->setMistInterval(random.bounded(0, 3));
    }
    if (withAncientPlant) {
        Plant *ancient = garden.add(QStringLiteral("Ancient"), 1);
        ancient->setDateAdded(QDateTime(QDate(1, 1, 1), QTime(12, 0), Qt::UTC));
    }
    const QList<Plant *> plants = garden.plants();

    struct Expected
    {
        Plant *plant;
        CareKind kind;
        QDateTime due;
    };
    QList<Expected> expected;
    for (Plant *plant : plants) {
        for (CareKind kind : plant->enabledKinds()) {
            const std::optional<qint64> days = plant->daysUntilDue(kind, now());
            if (days && *days <= 7)
                expected.append({plant, kind, *plant->nextDue(kind)});
        }
    }
    std::stable_sort(expected.begin(), expected.end(), [](const Expected &a, const Expected &b) {
        if (a.due != b.due)
            return a.due < b.due;
        return compareCodePoints(a.plant->name().normalized(QString::NormalizationForm_C),
                                 b.plant->name().normalized(QString::NormalizationForm_C)) < 0;
    });

    const QList<CareTask> tasks = CareTask::tasks(plants, 7);
    QCOMPARE(tasks.size(), expected.size());
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        QCOMPARE(tasks[i].plant, expected[i].plant);
        QVERIFY(tasks[i].kind == expected[i].kind);
        QCOMPARE(tasks[i].due(), expected[i].due);
    }
    if (withAncientPlant)
        QCOMPARE(tasks.first().plant->name(), QStringLiteral("Ancient"));
}

void CareTaskTest::datesSkippedWholeTieWithTheNextDate()
{
    // Samoa skipped 2011-12-30: care due that day and care due on the 31st fall due at the same
    // instant, so they order by name like any other tie.
    const char *apia = "Pacific/Apia";
    pin(apia, at(apia, {2011, 12, 31}, {9, 0}));
    Garden garden;
    garden.add(QStringLiteral("Zamioculcas"), 1, at(apia, {2011, 12, 29}, {8, 0})); // due on the 30th
    garden.add(QStringLiteral("Aloe"), 2, at(apia, {2011, 12, 29}, {8, 0}));        // due on the 31st
    garden.add(QStringLiteral("Monstera"), 3, at(apia, {2011, 12, 28}, {8, 0}));    // due on the 31st
    QCOMPARE(describe(CareTask::tasks(garden.plants(), 0)),
             (QStringList{QStringLiteral("Aloe water Due today"), QStringLiteral("Monstera water Due today"),
                          QStringLiteral("Zamioculcas water Due today")}));
}

void CareTaskTest::identifiesByPlantAndKind()
{
    Garden garden;
    Plant *plant = garden.add(QStringLiteral("Fern"), 1, now().addDays(-1));
    plant->setMistInterval(1);
    Plant *other = garden.add(QStringLiteral("Fern"), 1, now().addDays(-1));

    const CareTask water{plant, CareKind::water, 0};
    const CareTask waterLater{plant, CareKind::water, 86'400'000};
    const CareTask mist{plant, CareKind::mist, 0};
    const CareTask otherWater{other, CareKind::water, 0};
    QVERIFY(water.id() == waterLater.id());
    QCOMPARE(qHash(water.id()), qHash(waterLater.id()));
    QVERIFY(!(water.id() == mist.id()));
    QVERIFY(!(water.id() == otherWater.id()));

    QSet<CareTask::ID> ids;
    for (const CareTask &task : CareTask::tasks(garden.plants(), 7))
        ids.insert(task.id());
    QCOMPARE(ids.size(), 3);
}

QTEST_GUILESS_MAIN(CareTaskTest)
#include "tst_careTask.moc"
