// Resident memory of a large garden held in memory: plants with their whole care logs.

#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"

#include <QCoreApplication>
#include <QFile>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int plantCount = 10'000;
constexpr int eventsPerPlant = 30;
constexpr double goalMegabytes = 40.0;

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return 0;
    return double(fields[1].toLongLong()) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double heapMegabytes()
{
    return double(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

using Garden = std::vector<std::unique_ptr<Plant>>;

// As the screens build it: each care action logged through markDone.
Garden loggedGarden(const QDateTime &now)
{
    Garden garden;
    garden.reserve(plantCount);
    const QList<Species> &catalog = Species::catalog();
    for (int i = 0; i < plantCount; ++i) {
        auto plant = std::make_unique<Plant>(QStringLiteral("Plant %1").arg(i), catalog[i % catalog.size()],
                                             QStringLiteral("Living Room"));
        for (int e = 0; e < eventsPerPlant; ++e)
            plant->markDone(CareKind::allCases()[size_t(e % 3)], now.addSecs(-qint64(e) * 86'400));
        garden.push_back(std::move(plant));
    }
    return garden;
}

// As a store reads it back: every text is a fresh string from the database.
Garden storedGarden(const QDateTime &now)
{
    Garden garden;
    garden.reserve(plantCount);
    RecordId id = 1;
    for (int i = 0; i < plantCount; ++i) {
        auto plant = std::make_unique<Plant>(id++);
        plant->setName(QStringLiteral("Plant %1").arg(i));
        plant->setSpeciesID(QString::fromUtf8("monstera"));
        plant->setSite(QString::fromUtf8("Living Room"));
        std::vector<std::unique_ptr<CareEvent>> log;
        log.reserve(eventsPerPlant);
        for (int e = 0; e < eventsPerPlant; ++e) {
            log.push_back(std::make_unique<CareEvent>(id++, QString::fromUtf8(e % 3 ? "mist" : "water"),
                                                      now.addSecs(-qint64(e) * 86'400).toMSecsSinceEpoch(),
                                                      QString::fromUtf8("")));
        }
        plant->restoreEvents(std::move(log));
        garden.push_back(std::move(plant));
    }
    return garden;
}

bool report(const char *what, Garden (*build)(const QDateTime &), const QDateTime &now)
{
    malloc_trim(0);
    const double residentBefore = residentMegabytes();
    const double heapBefore = heapMegabytes();
    Garden garden = build(now);
    const double resident = residentMegabytes() - residentBefore;
    const double heap = heapMegabytes() - heapBefore;
    std::printf("%d plants x %d log entries, %s: resident memory +%.1f MB, heap in use +%.1f MB (goal: < %.0f MB)\n",
                plantCount, eventsPerPlant, what, resident, heap, goalMegabytes);
    garden.clear();
    return resident < goalMegabytes;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // Warm up what every run needs once (catalog, calendar, QObject machinery).
    { const Plant warm(QStringLiteral("warm"), Species::custom(), QString()); }

    bool ok = report("logged with markDone", &loggedGarden, now);
    ok = report("read back from a store", &storedGarden, now) && ok;
    return ok ? 0 : 1;
}
