// Start-up time: from starting the tendrel process to its first painted main window, with a store of
// 1,000 plants. The parent builds the store, then starts this same executable in "child" mode and
// times it from spawn until the child reports its first paint of the main window.

#include "App/TendrelApp.h"
#include "Core/Calendar.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Views/RootView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int plantCount = 1000;
constexpr int runs = 9;
constexpr double goalMs = 400.0;

class FirstPaint final : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            std::printf("painted\n");
            std::fflush(stdout);
            std::_Exit(0);
        }
        return QObject::eventFilter(watched, event);
    }
};

int child(int argc, char *argv[], const QString &storePath, const QString &settingsPath)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tendrel"));
    TendrelApp::Options options;
    options.storePath = storePath;
    options.settingsPath = settingsPath;
    TendrelApp tendrel(options);
    FirstPaint firstPaint;
    tendrel.rootView()->installEventFilter(&firstPaint);
    tendrel.showMainWindow();
    return app.exec();
}

void buildStore(const QString &path)
{
    auto store = ModelStore::open(path);
    const QList<Species> &catalog = Species::catalog();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < plantCount; ++i) {
        const Species &species = catalog[i % catalog.size()];
        auto *plant =
            new Plant(QStringLiteral("Plant %1").arg(i), species, QStringLiteral("Room %1").arg(i % 9));
        store->insert(plant);
        plant->setDateAdded(now.addDays(-60));
        for (int d = 30; d > 0; d -= 6)
            plant->markDone(CareKind::water, now.addDays(-d - (i % 5)));
    }
    store->flush();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 4 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));

    QCoreApplication app(argc, argv);
    // --make-store PATH leaves the 1,000-plant store behind, for profiling the child by hand.
    if (argc >= 3 && qstrcmp(argv[1], "--make-store") == 0) {
        buildStore(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    QTemporaryDir dir;
    const QString storePath = dir.filePath(QStringLiteral("tendrel.sqlite"));
    const QString settingsPath = dir.filePath(QStringLiteral("settings.ini"));
    buildStore(storePath);

    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        process.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--child"), storePath, settingsPath});
        process.waitForReadyRead(10'000);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (!process.readAll().contains("painted")) {
            std::printf("start-up: the child never painted its window\n");
            return 1;
        }
        process.waitForFinished(5'000);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("process start to first painted main window, %d plants: %.1f ms median of %d (best %.1f ms) "
                "(goal: < %.0f ms)\n",
                plantCount, median, runs, times.front(), goalMs);
    return median < goalMs ? 0 : 1;
}
