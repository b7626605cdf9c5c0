// Start-up time against the toolkit's own floor: from starting a process to its first painted main
// window, for Tendrel with a store of 1,000 plants and 100,000 care-log entries, and for a bare Qt
// Widgets main window holding one label (same toolchain, same offscreen platform, started and
// timed the same way). The parent builds the store, then starts this same executable in one of two
// child modes, alternately, and times each from spawn until the child reports its first paint.

#include "App/TendrelApp.h"
#include "Core/Calendar.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Views/RootView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int plantCount = 1000;
constexpr int eventsPerPlant = 100;
constexpr int runs = 11;
constexpr double goalRatio = 3.0;

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

int tendrelChild(int argc, char *argv[], const QString &storePath, const QString &settingsPath)
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

// The floor: what any Qt Widgets app pays to put a window with one line of text on the screen.
int bareChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto *label = new QLabel(QStringLiteral("Tendrel"), &window);
    window.setCentralWidget(label);
    window.resize(1100, 760);
    FirstPaint firstPaint;
    label->installEventFilter(&firstPaint);
    window.show();
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
        plant->setDateAdded(now.addDays(-400));
        // A year of care, oldest first: 100 entries of the three kinds.
        for (int e = eventsPerPlant; e > 0; --e)
            plant->markDone(CareKind::allCases()[e % 3],
                            now.addSecs(-qint64(e) * 3 * 86400 - (i % 5) * 3600));
    }
    store->flush();
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Milliseconds from spawn to first paint, or a negative number when the child never painted.
double timeChild(const QStringList &arguments, const QTemporaryDir &dir)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    process.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    process.start(QCoreApplication::applicationFilePath(), arguments);
    process.waitForReadyRead(20'000);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const bool painted = process.readAll().contains("painted");
    process.waitForFinished(5'000);
    return painted ? ms : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 4 && qstrcmp(argv[1], "--child") == 0)
        return tendrelChild(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc >= 2 && qstrcmp(argv[1], "--bare-child") == 0)
        return bareChild(argc, argv);

    QCoreApplication app(argc, argv);
    // --make-store PATH leaves the store behind, for profiling the child by hand.
    if (argc >= 3 && qstrcmp(argv[1], "--make-store") == 0) {
        buildStore(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    QTemporaryDir dir;
    const QString storePath = dir.filePath(QStringLiteral("tendrel.sqlite"));
    const QString settingsPath = dir.filePath(QStringLiteral("settings.ini"));
    buildStore(storePath);

    std::vector<double> bare, tendrel;
    // Alternate, so a machine that gets busier meanwhile weighs on both alike.
    for (int i = 0; i < runs; ++i) {
        const double b = timeChild({QStringLiteral("--bare-child")}, dir);
        const double t = timeChild({QStringLiteral("--child"), storePath, settingsPath}, dir);
        if (b < 0 || t < 0) {
            std::printf("start-up: a child never painted its window\n");
            return 1;
        }
        bare.push_back(b);
        tendrel.push_back(t);
    }
    const double bareMs = median(bare), tendrelMs = median(tendrel);
    const double ratio = tendrelMs / bareMs;
    std::printf("process start to first painted main window, median of %d: bare Qt Widgets window %.1f ms, "
                "Tendrel with %d plants and %d log entries %.1f ms: %.2fx the bare window (goal: <= %.0fx)\n",
                runs, bareMs, plantCount, plantCount * eventsPerPlant, tendrelMs, ratio, goalRatio);
    return ratio <= goalRatio ? 0 : 1;
}
