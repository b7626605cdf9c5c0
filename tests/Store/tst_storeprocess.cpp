#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Store/ModelStore.h"
#include "Store/SqliteDatabase.h"

#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>

namespace {

// What the store must hold, rebuilt from the steps a worker reported as committed.
struct ExpectedEvent
{
    RecordId id = 0; // 0: committed but not reported, so its id is unknown
    int kind = 0;
    qint64 msecs = 0;
};

struct ExpectedPlant
{
    QString name;
    std::optional<qint64> lastDone[3];
    QList<ExpectedEvent> events;
    std::optional<std::pair<int, int>> photo; // size, fill byte
};

struct Garden
{
    QList<RecordId> order;
    QHash<RecordId, ExpectedPlant> plants;
};

struct Step
{
    QList<QByteArray> words; // after "BEGIN"
    RecordId event = 0;      // from "OK <event>"
};

Garden gardenOf(const ModelStore &store)
{
    Garden garden;
    for (const Plant *plant : store.plants()) {
        ExpectedPlant expected;
        expected.name = plant->name();
        for (CareKind kind : CareKind::allCases())
            expected.lastDone[kind.index()] = plant->lastDoneMsecs(kind);
        for (const CareEvent *event : plant->events())
            expected.events.append({event->id(), event->kind().index(), event->dateMsecs()});
        if (const auto photo = plant->photo())
            expected.photo =
                std::make_pair(int(photo->size()), photo->isEmpty() ? 0 : int(uchar(photo->at(0))));
        garden.order.append(plant->id());
        garden.plants.insert(plant->id(), expected);
    }
    return garden;
}

void apply(Garden &garden, const Step &step)
{
    const QByteArray &op = step.words.at(0);
    const RecordId id = RecordId(step.words.at(1).toLongLong());
    if (op == "ADD") {
        garden.order.append(id);
        garden.plants.insert(id, {QString::fromLatin1(step.words.at(2)), {}, {}, {}});
        return;
    }
    ExpectedPlant &plant = garden.plants[id];
    if (op == "DONE") {
        const int kind = CareKind::fromRawValue(QString::fromLatin1(step.words.at(2)))->index();
        const qint64 msecs = step.words.at(3).toLongLong();
        plant.lastDone[kind] = msecs;
        plant.events.append({step.event, kind, msecs});
    } else if (op == "UNDO") {
        const RecordId event = RecordId(step.words.at(2).toLongLong());
        const auto gone = std::find_if(plant.events.begin(), plant.events.end(),
                                       [event](const ExpectedEvent &e) { return e.id == event; });
        QVERIFY(gone != plant.events.end());
        const int kind = gone->kind;
        plant.events.erase(gone);
        plant.lastDone[kind].reset();
        for (const ExpectedEvent &e : std::as_const(plant.events)) {
            if (e.kind == kind && (!plant.lastDone[kind] || e.msecs > *plant.lastDone[kind]))
                plant.lastDone[kind] = e.msecs;
        }
    } else if (op == "RENAME") {
        plant.name = QString::fromLatin1(step.words.at(2));
    } else if (op == "PHOTO") {
        plant.photo = std::make_pair(step.words.at(2).toInt(), step.words.at(3).toInt());
    } else if (op == "DELETE") {
        garden.plants.remove(id);
        garden.order.removeOne(id);
    }
}

// Where the store differs from the garden; empty when they agree.
QString difference(const Garden &expected, const Garden &actual, bool checkOrder)
{
    if (checkOrder ? expected.order != actual.order : expected.plants.size() != actual.plants.size())
        return QStringLiteral("plants differ: %1 expected, %2 stored")
            .arg(expected.order.size())
            .arg(actual.order.size());
    for (auto it = expected.plants.cbegin(); it != expected.plants.cend(); ++it) {
        const auto stored = actual.plants.constFind(it.key());
        if (stored == actual.plants.cend())
            return QStringLiteral("plant %1 missing").arg(it.key());
        const ExpectedPlant &want = *it;
        const ExpectedPlant &have = *stored;
        if (want.name != have.name || want.photo != have.photo)
            return QStringLiteral("plant %1: name or photo differs").arg(it.key());
        for (int kind = 0; kind < 3; ++kind) {
            if (want.lastDone[kind] != have.lastDone[kind])
                return QStringLiteral("plant %1: last-done date of kind %2 differs").arg(it.key()).arg(kind);
        }
        if (want.events.size() != have.events.size())
            return QStringLiteral("plant %1: %2 events expected, %3 stored")
                .arg(it.key())
                .arg(want.events.size())
                .arg(have.events.size());
        for (qsizetype i = 0; i < want.events.size(); ++i) {
            const ExpectedEvent &a = want.events[i];
            const ExpectedEvent &b = have.events[i];
            if ((a.id != 0 && a.id != b.id) || a.kind != b.kind || a.msecs != b.msecs)
                return QStringLiteral("plant %1: event %2 differs").arg(it.key()).arg(i);
        }
    }
    return {};
}

// No care action is stored by half: each last-done date is the newest logged entry of its kind.
QString halfWritten(const Garden &garden)
{
    for (auto it = garden.plants.cbegin(); it != garden.plants.cend(); ++it) {
        std::optional<qint64> newest[3];
        for (const ExpectedEvent &e : it->events) {
            if (!newest[e.kind] || e.msecs > *newest[e.kind])
                newest[e.kind] = e.msecs;
        }
        for (int kind = 0; kind < 3; ++kind) {
            if (newest[kind] != it->lastDone[kind])
                return QStringLiteral("plant %1: last-done date of kind %2 disagrees with its log")
                    .arg(it.key())
                    .arg(kind);
        }
    }
    return {};
}

// The reported steps: those with an OK, then the one that had begun when the output ended.
std::pair<QList<Step>, std::optional<Step>> parse(const QByteArray &output)
{
    QList<Step> committed;
    std::optional<Step> inFlight;
    for (const QByteArray &line : output.split('\n')) {
        if (line.startsWith("BEGIN ")) {
            inFlight = Step{line.mid(6).split(' '), 0};
        } else if (line.startsWith("OK") && inFlight) {
            if (line.size() > 3)
                inFlight->event = RecordId(line.mid(3).toLongLong());
            committed.append(*inFlight);
            inFlight.reset();
        }
    }
    return {committed, inFlight};
}

QString integrity(const QString &path)
{
    SqliteDatabase db;
    QString error;
    if (!db.open(path, SQLITE_OPEN_READONLY, &error))
        return error;
    const auto check = db.queryText("PRAGMA integrity_check", &error);
    if (check != QStringLiteral("ok"))
        return check.value_or(error);
    if (db.queryText("PRAGMA foreign_key_check"))
        return QStringLiteral("a row refers to a plant that is gone");
    return {};
}

QString workerPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/store_worker");
}

} // namespace

class TestStoreProcess final : public QObject
{
    Q_OBJECT

private slots:
    void killedMidBurstLosesNothingReported();
    void twoProcessesShareOneFile();
};

void TestStoreProcess::killedMidBurstLosesNothingReported()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("kill schedule seed %u", seed);
    QRandomGenerator random(seed);

    Garden garden;
    int reportedTotal = 0;
    for (int round = 0; round < 20; ++round) {
        QProcess worker;
        worker.start(workerPath(), {path, QString::number(seed + quint32(round)), QStringLiteral("0"),
                                    QStringLiteral("all")});
        QVERIFY2(worker.waitForReadyRead(10'000), qPrintable(worker.errorString()));
        QTest::qWait(int(random.bounded(10, 250)));
        worker.kill();
        QVERIFY(worker.waitForFinished(10'000));
        QCOMPARE(worker.exitStatus(), QProcess::CrashExit);

        const QByteArray output = worker.readAllStandardOutput();
        QVERIFY2(output.startsWith("READY\n"), output.left(200).constData());
        const auto [committed, inFlight] = parse(output);
        QVERIFY(!committed.isEmpty());
        reportedTotal += int(committed.size());
        for (const Step &step : committed)
            apply(garden, step);

        const QString damage = integrity(path);
        QVERIFY2(damage.isEmpty(), qPrintable(damage));
        QString error;
        auto store = ModelStore::open(path, &error);
        QVERIFY2(store, qPrintable(error));
        const Garden stored = gardenOf(*store);
        const QString half = halfWritten(stored);
        QVERIFY2(half.isEmpty(), qPrintable(half));

        // The step under way when the process died is either wholly there or wholly absent.
        QString mismatch = difference(garden, stored, true);
        if (!mismatch.isEmpty() && inFlight) {
            Garden after = garden;
            apply(after, *inFlight);
            if (difference(after, stored, true).isEmpty())
                mismatch.clear();
        }
        QVERIFY2(mismatch.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(mismatch)));
        garden = stored;
    }
    qInfo("%d reported steps checked", reportedTotal);
}

void TestStoreProcess::twoProcessesShareOneFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    constexpr int steps = 300;

    // Both start on a file that does not exist yet, so they also race to create it.
    QProcess first;
    QProcess second;
    first.start(workerPath(), {path, QStringLiteral("1"), QString::number(steps), QStringLiteral("own")});
    second.start(workerPath(), {path, QStringLiteral("2"), QString::number(steps), QStringLiteral("own")});
    QVERIFY(first.waitForFinished(120'000));
    QVERIFY(second.waitForFinished(120'000));
    const QByteArray firstOutput = first.readAllStandardOutput();
    const QByteArray secondOutput = second.readAllStandardOutput();
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(firstOutput.endsWith("END\n"));
    QVERIFY(secondOutput.endsWith("END\n"));

    const QString damage = integrity(path);
    QVERIFY2(damage.isEmpty(), qPrintable(damage));
    Garden garden;
    for (const QByteArray &output : {firstOutput, secondOutput}) {
        const auto [committed, inFlight] = parse(output);
        QCOMPARE(int(committed.size()), steps);
        QVERIFY(!inFlight);
        for (const Step &step : committed)
            apply(garden, step);
    }
    auto store = ModelStore::open(path);
    QVERIFY(store);
    const QString mismatch = difference(garden, gardenOf(*store), false);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

QTEST_GUILESS_MAIN(TestStoreProcess)
#include "tst_storeprocess.moc"
