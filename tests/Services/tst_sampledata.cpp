#include "Core/Calendar.h"
#include "Models/CareEvent.h"
#include "Models/CareTask.h"
#include "Models/Plant.h"
#include "Services/SampleData.h"
#include "Store/ModelStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

struct Expectation
{
    const char *name;
    std::optional<qint64> days[3]; // days until due for water, fertilize, mist
    QList<qint64> eventDaysAgo;    // the log in order
};

// Ages from the sample table, intervals from the catalog (water / fertilize / mist).
const Expectation expectations[] = {
    {"Monty", {-1, 10, -1}, {17, 9, 20, 5}},       // 8 / 30 / 4
    {"Figgy", {5, -1, std::nullopt}, {13, 4, 31}}, // 9 / 30 / 0
    {"Goldie", {0, 20, std::nullopt}, {14, 7, 10}},
    {"Sid", {12, 20, std::nullopt}, {24, 6, 40}},
    {"Orbi", {2, 18, 1}, {8, 3, 12, 1}},
    {"Penny", {5, 2, std::nullopt}, {9, 2, 28}},
    {"Fernando", {0, 25, 0}, {8, 4, 5, 2}},
};

Plant *find(const QList<Plant *> &plants, const char *name)
{
    for (Plant *plant : plants) {
        if (plant->name() == QLatin1String(name))
            return plant;
    }
    return nullptr;
}

} // namespace

class TestSampleData final : public QObject
{
    Q_OBJECT

private slots:
    void dueRightAfterLoading_data();
    void dueRightAfterLoading();
    void loadingTwiceAddsSevenMore();
    void samplesPersistInOneCommit();
    void fallbackStoreTakesSamples();
};

void TestSampleData::dueRightAfterLoading_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("now");

    const QTimeZone berlin("Europe/Berlin");
    QTest::newRow("ordinary morning")
        << QByteArray("Europe/Berlin") << QDateTime({2026, 12, 7}, {9, 30}, berlin);
    QTest::newRow("just after midnight")
        << QByteArray("Europe/Berlin") << QDateTime({2026, 12, 7}, {0, 5}, berlin);
    QTest::newRow("last second of the day")
        << QByteArray("Europe/Berlin") << QDateTime({2026, 12, 7}, {23, 59, 59}, berlin);
    QTest::newRow("a week after clocks went forward, in the skipped hour's time")
        << QByteArray("Europe/Berlin") << QDateTime({2026, 4, 5}, {2, 30}, berlin);
    QTest::newRow("new year") << QByteArray("Europe/Berlin") << QDateTime({2027, 1, 1}, {10, 0}, berlin);
    QTest::newRow("day after clocks went back in New York")
        << QByteArray("America/New_York") << QDateTime({2026, 11, 2}, {0, 30}, QTimeZone("America/New_York"));
}

void TestSampleData::dueRightAfterLoading()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, now);
    ManualClock clock(now);
    Calendar calendar{QTimeZone(zone), &clock};
    ScopedCalendar scoped(&calendar);

    auto store = ModelStore::openInMemory();
    QVERIFY(store);
    SampleData::load(*store);
    const QList<Plant *> plants = store->plants();
    QCOMPARE(plants.size(), 7);

    for (qsizetype i = 0; i < plants.size(); ++i) {
        const Expectation &expected = expectations[i];
        const Plant *plant = plants[i];
        QCOMPARE(plant->name(), QLatin1String(expected.name));
        for (CareKind kind : CareKind::allCases())
            QCOMPARE(plant->daysUntilDue(kind, now), expected.days[kind.index()]);
        QCOMPARE(calendar.daysBetween(plant->dateAdded(), now), 60);
        QCOMPARE(plant->dateAdded().toTimeZone(calendar.timeZone()).time(), now.time());

        QList<qint64> daysAgo;
        for (const CareEvent *event : plant->events())
            daysAgo.append(*calendar.daysBetween(event->date(), now));
        QCOMPARE(daysAgo, expected.eventDaysAgo);
        const QList<CareEvent *> log = plant->events();
        QCOMPARE(log[0]->kind(), CareKind::water);
        QCOMPARE(log[1]->kind(), CareKind::water);
        QCOMPARE(log[2]->kind(), CareKind::fertilize);
        QCOMPARE(plant->lastMisted().has_value(), log.size() == 4);
    }

    QList<QString> dueToday;
    for (const CareTask &task : CareTask::tasks(plants, 0))
        dueToday.append(task.plant->name() + QLatin1Char(' ') + task.kind.rawValue());
    dueToday.sort();
    QCOMPARE(dueToday, QStringList({QStringLiteral("Fernando mist"), QStringLiteral("Fernando water"),
                                    QStringLiteral("Figgy fertilize"), QStringLiteral("Goldie water"),
                                    QStringLiteral("Monty mist"), QStringLiteral("Monty water")}));
    for (const CareTask &task : CareTask::tasks(plants, 7))
        QVERIFY(task.plant->name() != QLatin1String("Sid"));
}

void TestSampleData::loadingTwiceAddsSevenMore()
{
    auto store = ModelStore::openInMemory();
    QVERIFY(store);
    SampleData::load(*store);
    SampleData::load(*store);
    QCOMPARE(store->plantCount(), 14);
    for (const Expectation &expected : expectations) {
        int count = 0;
        for (const Plant *plant : store->plants())
            count += plant->name() == QLatin1String(expected.name) ? 1 : 0;
        QCOMPARE(count, 2);
    }
    QCOMPARE(store->eventCount(), 48);
}

void TestSampleData::samplesPersistInOneCommit()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    QDateTime orbiMisted;
    {
        auto store = ModelStore::open(path);
        QVERIFY(store);
        const quint64 commits = store->commitCount();
        SampleData::load(*store);
        QCoreApplication::processEvents();
        QCOMPARE(store->commitCount(), commits + 1);
        orbiMisted = *find(store->plants(), "Orbi")->lastMisted();
    }
    auto store = ModelStore::open(path);
    QVERIFY(store);
    QCOMPARE(store->plantCount(), 7);
    QCOMPARE(store->eventCount(), 24);
    QCOMPARE(find(store->plants(), "Orbi")->lastMisted(), orbiMisted);
    QCOMPARE(find(store->plants(), "Penny")->speciesID(), QStringLiteral("pilea"));
    QCOMPARE(find(store->plants(), "Sid")->site(), QStringLiteral("Bedroom"));
}

void TestSampleData::fallbackStoreTakesSamples()
{
    ManualClock clock(QDateTime({2026, 12, 7}, {12, 0}, Qt::UTC));
    Calendar calendar{QTimeZone("Europe/Berlin"), &clock};
    ScopedCalendar scoped(&calendar);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray unreadable(4096, '\x5a');
    file.write(unreadable);
    file.close();

    auto store = ModelStore::openDefault(path);
    QVERIFY(store);
    QVERIFY(!store->isPersistent());
    QVERIFY(!store->notPersistentReason().isEmpty());
    SampleData::load(*store);
    QCoreApplication::processEvents();
    QCOMPARE(store->plantCount(), 7);
    QCOMPARE(CareTask::tasks(store->plants(), 0).size(), 6);

    Plant *goldie = find(store->plants(), "Goldie");
    goldie->markDone(CareKind::water, Calendar::current().now());
    QCOMPARE(CareTask::tasks(store->plants(), 0).size(), 5);
    store->deletePlant(find(store->plants(), "Monty"));
    QCOMPARE(CareTask::tasks(store->plants(), 0).size(), 3);
    QVERIFY(store->flush());
    QVERIFY(store->saveError().isEmpty());
    store.reset();

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), unreadable);
}

QTEST_GUILESS_MAIN(TestSampleData)
#include "tst_sampledata.moc"
