// The store's way back for undo: plants taken out and put back, log entries withdrawn and
// reinstated, leave the file exactly as it was (identity, every column, photo bytes, store order
// and log order), whether the way back comes in the same turn or a later one.
#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Store/SqliteDatabase.h"
#include "Store/SqliteStatement.h"

#include "fixtures/StoreDump.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

using Scenario = std::function<void(ModelStore &store)>;

void finishTurn(ModelStore &store)
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(store.flush());
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(size);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

Plant *plantNamed(ModelStore &store, const QString &name)
{
    for (Plant *plant : store.plants()) {
        if (plant->name() == name)
            return plant;
    }
    return nullptr;
}

QDateTime day(int n)
{
    return QDateTime(QDate(2026, 11, n), QTime(9, 15), Qt::UTC);
}

} // namespace

Q_DECLARE_METATYPE(Scenario)

class TestStoreUndo final : public QObject
{
    Q_OBJECT

private slots:
    void wayBackLeavesTheFileAsItWas_data();
    void wayBackLeavesTheFileAsItWas();
    void takenPhotoWaitsOutsideMemory();
    void takenPlantIsLeftOutByEveryReader();
};

void TestStoreUndo::wayBackLeavesTheFileAsItWas_data()
{
    QTest::addColumn<Scenario>("scenario");

    const auto takeAndRestore = [](const QString &name, bool sameTurn) {
        return Scenario([name, sameTurn](ModelStore &store) {
            Plant *plant = plantNamed(store, name);
            const qsizetype index = store.indexOf(plant);
            const RecordId id = plant->id();
            auto kept = store.take(plant);
            QCOMPARE(store.plant(id), nullptr);
            if (!sameTurn) {
                finishTurn(store);
                QVERIFY(!dumpStore(store.filePath()).contains(QString::number(id)));
            }
            store.restore(std::move(kept), index);
        });
    };
    QTest::newRow("plant with photo, back a turn later") << takeAndRestore(QStringLiteral("Aloe"), false);
    QTest::newRow("plant in the middle, back a turn later") << takeAndRestore(QStringLiteral("Basil"), false);
    QTest::newRow("plant with photo, back in the same turn") << takeAndRestore(QStringLiteral("Aloe"), true);
    QTest::newRow("every plant from the back, then all again") << Scenario([](ModelStore &store) {
        std::vector<std::pair<qsizetype, std::unique_ptr<Plant>>> kept;
        const QList<Plant *> plants = store.plants();
        for (auto i = plants.size() - 1; i >= 0; --i)
            kept.emplace_back(i, store.take(plants.at(i)));
        finishTurn(store);
        QCOMPARE(store.plantCount(), 0);
        for (auto it = kept.rbegin(); it != kept.rend(); ++it)
            store.restore(std::move(it->second), it->first);
    });
    QTest::newRow("taken, back, taken again unsaved, back") << Scenario([](ModelStore &store) {
        Plant *plant = plantNamed(store, QStringLiteral("Aloe"));
        auto kept = store.take(plant);
        finishTurn(store);
        store.restore(std::move(kept), 0);
        kept = store.take(store.plants().first());
        finishTurn(store);
        store.restore(std::move(kept), 0);
    });

    const auto withdrawAndReinstate = [](int index, bool sameTurn) {
        return Scenario([index, sameTurn](ModelStore &store) {
            Plant *plant = plantNamed(store, QStringLiteral("Basil"));
            const RecordId id = plant->events().at(index)->id();
            const auto before = plant->lastDoneMsecs(CareKind::water);
            auto event = plant->withdraw(id, std::nullopt);
            if (!sameTurn)
                finishTurn(store);
            plant->reinstate(std::move(event), index, before);
        });
    };
    QTest::newRow("first entry, back a turn later") << withdrawAndReinstate(0, false);
    QTest::newRow("middle entry, back a turn later") << withdrawAndReinstate(1, false);
    QTest::newRow("last entry, back a turn later") << withdrawAndReinstate(2, false);
    QTest::newRow("middle entry, back in the same turn") << withdrawAndReinstate(1, true);
    QTest::newRow("entry removed from the history, put back") << Scenario([](ModelStore &store) {
        Plant *plant = plantNamed(store, QStringLiteral("Basil"));
        const CareEvent *event = plant->events().at(1);
        const auto copy = std::make_tuple(event->id(), event->kindRaw(), event->dateMsecs(), event->note());
        const auto before = plant->lastDoneMsecs(event->kind());
        plant->remove(event);
        finishTurn(store);
        plant->reinstate(std::make_unique<CareEvent>(std::get<0>(copy), std::get<1>(copy), std::get<2>(copy),
                                                     std::get<3>(copy)),
                         1, before);
    });
    QTest::newRow("new care withdrawn with the date before it") << Scenario([](ModelStore &store) {
        Plant *plant = plantNamed(store, QStringLiteral("Cactus"));
        const auto before = plant->lastDoneMsecs(CareKind::water);
        const RecordId id = plant->markDone(CareKind::water, day(20))->id();
        finishTurn(store);
        plant->withdraw(id, before);
    });
}

void TestStoreUndo::wayBackLeavesTheFileAsItWas()
{
    QFETCH(Scenario, scenario);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    auto store = ModelStore::open(path);
    QVERIFY(store);

    // Logs written in turns so that the plants' entries interleave in the file; Basil's
    // schedule disagrees with its log (a back-dated entry), which the way back must keep.
    const QByteArray photo = randomBytes(300 * 1024);
    auto *aloe = new Plant(QStringLiteral("Aloe"), Species::custom(), QStringLiteral("Office"), photo,
                           QStringLiteral("south window"));
    auto *basil = new Plant(QStringLiteral("Basil"), Species::custom(), QStringLiteral("Kitchen"));
    auto *cactus =
        new Plant(QStringLiteral("Cactus"), Species::custom(), QStringLiteral("Hall"), randomBytes(2000));
    for (Plant *plant : {aloe, basil, cactus})
        store->insert(plant);
    finishTurn(*store);
    for (int i = 1; i <= 3; ++i) {
        aloe->markDone(CareKind::mist, day(i));
        basil->markDone(CareKind::water, day(10 - i));
        cactus->markDone(CareKind::fertilize, day(i + 3));
        finishTurn(*store);
    }
    basil->markDone(CareKind::fertilize, day(1));
    finishTurn(*store);
    const QString before = dumpStore(path);

    scenario(*store);
    finishTurn(*store);
    QCOMPARE(dumpStore(path), before);

    // And the store that reads the file back holds the same garden as the live one.
    store.reset();
    store = ModelStore::open(path);
    QVERIFY(store);
    finishTurn(*store);
    QCOMPARE(dumpStore(path), before);
}

void TestStoreUndo::takenPhotoWaitsOutsideMemory()
{
    QTemporaryDir dir;
    auto store = ModelStore::open(dir.filePath(QStringLiteral("tendrel.sqlite")));
    QVERIFY(store);
    const QByteArray photo = randomBytes(64 * 1024);
    store->insert(new Plant(QStringLiteral("Aloe"), Species::custom(), QStringLiteral("Office"), photo));
    finishTurn(*store);

    auto kept = store->take(store->plants().first());
    finishTurn(*store);
    QVERIFY(kept->hasPhoto());
    QVERIFY(!kept->holdsPhoto());
    store->restore(std::move(kept), 0);
    // Readable before and after the commit that writes it back.
    QCOMPARE(store->plants().first()->photo(), std::optional(photo));
    finishTurn(*store);
    QCOMPARE(store->plants().first()->photo(), std::optional(photo));

    // A copy that will never come back lets its photo go; the others keep theirs.
    store->insert(new Plant(QStringLiteral("Basil"), Species::custom(), QStringLiteral("Office"), photo));
    finishTurn(*store);
    auto gone = store->take(store->plants().at(0));
    auto back = store->take(store->plants().at(0));
    finishTurn(*store);
    store->discard(std::move(gone));
    store->restore(std::move(back), 0);
    finishTurn(*store);
    QCOMPARE(store->plants().first()->name(), QStringLiteral("Basil"));
    QCOMPARE(store->plants().first()->photo(), std::optional(photo));
}

// A taken plant keeps its rows in the file, marked deleted, for as long as it may come back: no reader
// of the file sees it meanwhile, and only its own store removes the rows, once it cannot come back.
void TestStoreUndo::takenPlantIsLeftOutByEveryReader()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    auto store = ModelStore::open(path);
    QVERIFY(store);
    const QByteArray photo = randomBytes(32 * 1024);
    auto *aloe = new Plant(QStringLiteral("Aloe"), Species::custom(), QStringLiteral("Office"), photo);
    store->insert(aloe);
    store->insert(new Plant(QStringLiteral("Basil"), Species::custom(), QStringLiteral("Kitchen")));
    finishTurn(*store);
    for (int i = 1; i <= 3; ++i)
        aloe->markDone(CareKind::water, day(i));
    finishTurn(*store);
    const RecordId id = aloe->id();
    const QString before = dumpStore(path);
    const auto rowsOf = [id](const QString &file) {
        SqliteDatabase db;
        db.open(file, SQLITE_OPEN_READONLY, nullptr);
        SqliteStatement count(db.handle(),
                              "SELECT (SELECT count(*) FROM plant WHERE id = ?1) + (SELECT count(*) "
                              "FROM careEvent WHERE plant = ?1) + (SELECT count(*) FROM "
                              "plantPhoto WHERE plant = ?1)");
        count.bind(1, qint64(id));
        return count.step() == SQLITE_ROW ? count.int64(0) : -1;
    };

    auto kept = store->take(aloe);
    finishTurn(*store);
    QCOMPARE(rowsOf(path), 5);
    std::vector<std::unique_ptr<Plant>> garden;
    QVERIFY(ModelStore::readFile(path, garden, nullptr));
    QCOMPARE(garden.size(), size_t(1));
    const auto summary = ModelStore::inspect(path, nullptr);
    QVERIFY(summary);
    QCOMPARE(summary->events, 0);
    const QString backup = dir.filePath(QStringLiteral("backup.tendrel"));
    QVERIFY(store->backUp(backup, nullptr));
    QCOMPARE(rowsOf(backup), 0);
    {
        // Another store on the same file leaves the rows alone: they are the first one's to put back.
        auto other = ModelStore::open(path);
        QVERIFY(other);
        QCOMPARE(other->plantCount(), 1);
    }
    QCOMPARE(rowsOf(path), 5);
    // A process that ended while the plant was out: the next store to open the file removes it.
    const QString crashed = dir.filePath(QStringLiteral("crashed.sqlite"));
    QVERIFY(store->flushToFile());
    QVERIFY(QFile::copy(path, crashed));
    QCOMPARE(ModelStore::open(crashed)->plantCount(), 1);
    QCOMPARE(rowsOf(crashed), 0);

    store->restore(std::move(kept), 0);
    finishTurn(*store);
    QCOMPARE(dumpStore(path), before);

    // Taken again, then the whole garden replaced: putting it back still brings its photo and log.
    kept = store->take(store->plant(id));
    finishTurn(*store);
    QVERIFY(store->replaceGarden(backup, nullptr));
    finishTurn(*store);
    store->restore(std::move(kept), 0);
    finishTurn(*store);
    QCOMPARE(store->plant(id)->photo(), std::optional(photo));
    QCOMPARE(store->plant(id)->eventCount(), 3);
    QVERIFY(dumpStore(path).contains(QString::number(id)));

    // Taken once more, its store closed: gone for good.
    kept = store->take(store->plant(id));
    finishTurn(*store);
    store.reset();
    QCOMPARE(rowsOf(path), 0);
}

QTEST_GUILESS_MAIN(TestStoreUndo)
#include "tst_storeundo.moc"
