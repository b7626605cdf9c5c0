// Store figures: opening a large garden, one care action from call to commit, and resident
// memory of a garden whose plants all have photos. Each prints "<what>: <figure> (goal: <goal>)".
//
// Usage: bench_store                      all three figures
//        bench_store --rss <store file>    (internal) open, list, print resident KiB

#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Store/PlantQuery.h"
#include "Store/SqliteDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of this thread: on a shared machine it shows the work itself, without waiting for a core.
double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void print(const char *what, const QString &figure, const char *goal)
{
    std::printf("%s: %s (goal: %s)\n", what, qPrintable(figure), goal);
    std::fflush(stdout);
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

const char *const speciesIds[] = {"monstera", "pothos", "snake", "fiddle",
                                  "calathea", "pilea",  "fern",  "custom"};

// plants plants named like a real garden, each with eventsPerPlant care events spread over years,
// and a photo of photoBytes when not 0. Written in batches so the journal stays small.
bool buildGarden(const QString &path, int plants, int eventsPerPlant, int photoBytes)
{
    auto store = ModelStore::open(path);
    if (!store)
        return false;
    QRandomGenerator random(7);
    const qint64 start = QDateTime({2020, 1, 1}, {8, 0}, Qt::UTC).toMSecsSinceEpoch();
    for (int i = 0; i < plants; ++i) {
        const QString name =
            (i % 3 == 0 ? QStringLiteral("plant %1") : QStringLiteral("Plant %1")).arg(i % 700);
        auto *plant = new Plant(name, Species::find(QString::fromLatin1(speciesIds[i % 8])),
                                QStringLiteral("Room %1").arg(i % 9));
        if (photoBytes > 0) {
            QByteArray photo(photoBytes, Qt::Uninitialized);
            for (char &byte : photo)
                byte = char(random.bounded(256));
            plant->setPhoto(photo);
        }
        for (int e = 0; e < eventsPerPlant; ++e) {
            const CareKind kind = CareKind::allCases()[size_t(e % 3)];
            plant->markDone(kind,
                            QDateTime::fromMSecsSinceEpoch(start + qint64(e) * 8 * 3600 * 1000, Qt::UTC));
        }
        store->insert(plant);
        if (i % 50 == 49 && !store->flush())
            return false;
    }
    return store->flush();
}

int measureResident(const QString &path)
{
    auto store = ModelStore::open(path);
    if (!store)
        return 1;
    PlantQuery sorted(*store, PlantQuery::Sort::nameAscending);
    PlantQuery unsorted(*store);
    qint64 names = 0;
    for (const Plant *plant : sorted.plants())
        names += plant->name().size() + (plant->hasPhoto() ? 1 : 0);
    names += unsorted.plants().size();
    std::printf("%lld %lld\n", residentKiB(), names);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() == 3 && app.arguments().at(1) == QLatin1String("--rss"))
        return measureResident(app.arguments().at(2));

    QTemporaryDir dir;
    const QString large = dir.filePath(QStringLiteral("large.sqlite"));
    if (!buildGarden(large, 1000, 100, 0)) {
        std::fprintf(stderr, "cannot build the large garden\n");
        return 1;
    }

    // Opening: read 1,000 plants and 100,000 events and sort the plants by name, as the Today
    // and Plants screens do first.
    std::vector<double> opens;
    std::vector<double> openCpu;
    for (int run = 0; run < 15; ++run) {
        const auto start = Clock::now();
        const double cpuStart = threadCpuMilliseconds();
        auto store = ModelStore::open(large);
        PlantQuery query(*store, PlantQuery::Sort::nameAscending);
        const qsizetype listed = query.plants().size();
        opens.push_back(millisecondsSince(start));
        openCpu.push_back(threadCpuMilliseconds() - cpuStart);
        if (listed != 1000 || store->eventCount() != 100'000) {
            std::fprintf(stderr, "unexpected garden: %lld plants, %d events\n", qlonglong(listed),
                         store->eventCount());
            return 1;
        }
    }
    print("open 1,000 plants with 100,000 care events and build the name-sorted list",
          QStringLiteral("%1 ms median of %2 runs (CPU %3 ms)")
              .arg(median(opens), 0, 'f', 1)
              .arg(opens.size())
              .arg(median(openCpu), 0, 'f', 1),
          "< 100 ms");

    // Ten times that garden: opening it, and what the check of every page that opening runs
    // before anything is written costs of that.
    {
        const QString huge = dir.filePath(QStringLiteral("huge.sqlite"));
        if (!buildGarden(huge, 10'000, 100, 0)) {
            std::fprintf(stderr, "cannot build the huge garden\n");
            return 1;
        }
        std::vector<double> hugeOpens;
        std::vector<double> checks;
        for (int run = 0; run < 5; ++run) {
            auto start = Clock::now();
            auto store = ModelStore::open(huge);
            hugeOpens.push_back(millisecondsSince(start));
            if (!store || store->eventCount() != 1'000'000) {
                std::fprintf(stderr, "unexpected huge garden\n");
                return 1;
            }
            store.reset();
            SqliteDatabase db;
            db.openForCheck(huge, true, nullptr);
            const double cpuStart = threadCpuMilliseconds();
            if (db.queryText("PRAGMA quick_check(1)") != QStringLiteral("ok")) {
                std::fprintf(stderr, "the huge garden does not pass its check\n");
                return 1;
            }
            checks.push_back(threadCpuMilliseconds() - cpuStart);
        }
        print("open 10,000 plants with 1,000,000 care events",
              QStringLiteral("%1 ms median of %2 runs, the check of every page (on its own thread) %3 ms of "
                             "CPU (store file %4 MB)")
                  .arg(median(hugeOpens), 0, 'f', 1)
                  .arg(hugeOpens.size())
                  .arg(median(checks), 0, 'f', 1)
                  .arg(double(QFileInfo(huge).size()) / 1024.0 / 1024.0, 0, 'f', 0),
              "< 1,000 ms");
        QFile::remove(huge);
    }

    // One care action: markDone, then the event loop runs the turn's commit (with the screens'
    // live queries attached).
    {
        auto store = ModelStore::open(large);
        PlantQuery sorted(*store, PlantQuery::Sort::nameAscending);
        PlantQuery unsorted(*store);
        sorted.plants();
        const QList<Plant *> plants = store->plants();
        std::vector<double> actions;
        qint64 when = QDateTime::currentMSecsSinceEpoch();
        for (int i = 0; i < 2000; ++i) {
            Plant *plant = plants[i % plants.size()];
            const quint64 commits = store->commitCount();
            const auto start = Clock::now();
            plant->markDone(CareKind::water, QDateTime::fromMSecsSinceEpoch(++when, Qt::UTC));
            while (store->commitCount() == commits)
                QCoreApplication::processEvents();
            actions.push_back(millisecondsSince(start));
            sorted.plants();
        }
        std::sort(actions.begin(), actions.end());
        print("one care action from the call to its commit on disk",
              QStringLiteral("%1 ms median, %2 ms 99th percentile")
                  .arg(median(actions), 0, 'f', 3)
                  .arg(actions[actions.size() * 99 / 100], 0, 'f', 3),
              "< 1 ms median");
    }

    // Memory: a fresh process opens a garden whose 1,000 plants each have a 300 KB photo.
    const QString photos = dir.filePath(QStringLiteral("photos.sqlite"));
    if (!buildGarden(photos, 1000, 10, 300 * 1024)) {
        std::fprintf(stderr, "cannot build the photo garden\n");
        return 1;
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--rss"), photos});
    if (!child.waitForFinished(300'000) || child.exitCode() != 0) {
        std::fprintf(stderr, "the measuring process failed: %s\n", qPrintable(child.errorString()));
        return 1;
    }
    const QList<QByteArray> reply = child.readAllStandardOutput().trimmed().split(' ');
    const double megabytes = reply.first().toDouble() / 1024.0;
    print("resident memory after opening and listing 1,000 plants with 300 KB photos each",
          QStringLiteral("%1 MB (store file %2 MB)")
              .arg(megabytes, 0, 'f', 1)
              .arg(double(QFileInfo(photos).size()) / 1024.0 / 1024.0, 0, 'f', 0),
          "< 60 MB");
    return 0;
}
