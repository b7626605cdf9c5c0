// Times a backup of a garden of 1,000 plants with 300 KB photos against copying the same store
// file with cp: the backup should run at least half as fast (ratio = cp time / backup time).

#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Store/StoreBackup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int plantCount = 1000;
constexpr qsizetype photoBytes = 300 * 1024;
constexpr double goalRatio = 0.5;

// cp's time, and with synced the time until the copy is on disk too (as a backup's is).
double copyWithCp(const QString &from, const QString &to, bool synced = false)
{
    // Each run starts with nothing left to write back from the one before.
    ::sync();
    QElapsedTimer timer;
    timer.start();
    if (QProcess::execute(QStringLiteral("cp"), {from, to}) != 0)
        return -1;
    if (synced) {
        const int fd = ::open(QFile::encodeName(to).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0)
            return -1;
        ::close(fd);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    auto store = ModelStore::open(path);
    if (!store) {
        std::printf("No store: no figure\n");
        return 1;
    }
    QRandomGenerator random(3);
    for (int i = 0; i < plantCount; ++i) {
        QByteArray photo(photoBytes, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(photo.data()), photo.size() / 4);
        auto *plant = new Plant(QStringLiteral("Plant %1").arg(i), Species::custom(),
                                QStringLiteral("Room %1").arg(i % 12), photo);
        store->insert(plant);
        for (int e = 0; e < 20; ++e)
            plant->markDone(CareKind::water,
                            QDateTime(QDate(2026, 1, 1).addDays(e * 7), QTime(9, 0), Qt::UTC));
        if (i % 50 == 49)
            store->flush();
    }
    store->flush();
    // Everything in the main file, as cp would find it after a quiet moment; the app keeps it open.
    store.reset();
    store = ModelStore::open(path);
    const double megabytes = double(QFileInfo(path).size()) / (1024 * 1024);

    // Warm the page cache for both, then one timed run of each (figures vary with the machine's load).
    copyWithCp(path, dir.filePath(QStringLiteral("warm.sqlite")));
    const double cp = copyWithCp(path, dir.filePath(QStringLiteral("copy.sqlite")));
    ::sync();
    QElapsedTimer timer;
    timer.start();
    QString error;
    const bool ok = store->backUp(dir.filePath(QStringLiteral("garden.tendrel")), &error);
    const double backup = double(timer.nsecsElapsed()) / 1e6;
    if (!ok || cp <= 0) {
        std::printf("Backup or cp failed (%s): no figure\n", qPrintable(error));
        return 1;
    }
    const double cpSynced = copyWithCp(path, dir.filePath(QStringLiteral("synced.sqlite")), true);
    std::printf(
        "Backup of %d plants with %lld KB photos (%.0f MB store, open in the app): %.0f ms; cp of the "
        "store file: %.0f ms; speed ratio %.2f of cp (goal: >= %.1f)\n",
        plantCount, static_cast<long long>(photoBytes / 1024), megabytes, backup, cp, cp / backup, goalRatio);
    std::printf("  cp until the copy is on disk too: %.0f ms; ratio %.2f\n", cpSynced, cpSynced / backup);
    return 0;
}
