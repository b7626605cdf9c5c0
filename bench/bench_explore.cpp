// Times the Explore tab: the first switch to it, from the tab change to the first painted frame of
// its card grid, in a fresh process each run (so fonts, symbols and pictures are drawn for the
// first time, as for a user); then, in the shown tab, toggling a filter chip and typing one
// character in the search field, each until the grid has been painted again. For reference, the
// same process also repaints the unchanged grid: what a change costs beyond painting its cards,
// and how busy the machine was.

#include "BenchSupport.h"
#include "App/TendrelApp.h"
#include "Views/Components/FilterChip.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/Spring.h"
#include "Views/Explore/ExploreView.h"
#include "Views/Explore/SpeciesCard.h"
#include "Views/Explore/SpeciesGrid.h"
#include "Views/RootView.h"
#include "Views/State/AppState.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int runs = 9;
constexpr int changes = 40;
constexpr double firstSwitchGoalMs = 50.0;
constexpr double changeGoalMs = 8.0;

// Notes when any species card has been painted.
class CardPaints final : public QObject
{
public:
    bool seen = false;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && qobject_cast<SpeciesCard *>(watched))
            seen = true;
        return QObject::eventFilter(watched, event);
    }
};

// Runs the event loop until a card has been painted, and returns the milliseconds since timer
// started; the frame is complete when processEvents returns.
double untilPainted(CardPaints &paints, const QElapsedTimer &timer)
{
    paints.seen = false;
    while (!paints.seen && timer.elapsed() < 5'000)
        QCoreApplication::processEvents();
    return double(timer.nsecsElapsed()) / 1e6;
}

void typeKey(QWidget *target, int key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

int child(int argc, char *argv[], const QString &settingsPath)
{
    QApplication app(argc, argv);
    Spring::setAnimationsEnabled(false);
    TendrelApp::Options options;
    options.inMemoryStore = true;
    options.settingsPath = settingsPath;
    TendrelApp tendrel(options);
    tendrel.mainWindow()->resize(1100, 760);
    tendrel.showMainWindow();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents();

    CardPaints paints;
    app.installEventFilter(&paints);
    QElapsedTimer timer;
    timer.start();
    tendrel.state().setSelectedTab(AppTab::explore);
    const double firstSwitch = untilPainted(paints, timer);

    auto *explore =
        qobject_cast<ExploreView *>(tendrel.rootView()->navigationStack(AppTab::explore)->page(0));
    if (!explore || !paints.seen) {
        std::printf("failed\n");
        return 1;
    }
    std::vector<double> toggles;
    for (int i = 0; i < changes; ++i) {
        FilterChip *chip = i % 4 < 2 ? explore->petSafeChip() : explore->lowLightChip();
        timer.restart();
        chip->click();
        toggles.push_back(untilPainted(paints, timer));
    }
    std::vector<double> typing;
    QLineEdit *edit = explore->searchField()->lineEdit();
    edit->setFocus();
    for (int i = 0; i < changes; ++i) {
        timer.restart();
        if (i % 2 == 0)
            typeKey(edit, Qt::Key_P, QStringLiteral("p"));
        else
            typeKey(edit, Qt::Key_Backspace, QString());
        typing.push_back(untilPainted(paints, timer));
    }
    std::vector<double> repaints;
    for (int i = 0; i < changes; ++i) {
        timer.restart();
        explore->grid()->update();
        repaints.push_back(untilPainted(paints, timer));
    }
    std::printf("%f %f %f %f\n", firstSwitch, median(toggles), median(typing), median(repaints));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::vector<double> firstSwitches, toggles, typing, repaints;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        process.setProcessEnvironment(env);
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--child"), dir.filePath(QStringLiteral("settings-%1.ini").arg(i))});
        process.waitForFinished(30'000);
        double a = 0, b = 0, c = 0, d = 0;
        const QByteArray out = process.readAllStandardOutput();
        if (std::sscanf(out.constData(), "%lf %lf %lf %lf", &a, &b, &c, &d) != 4) {
            std::printf("Explore: a run failed: %s\n", out.constData());
            return 1;
        }
        firstSwitches.push_back(a);
        toggles.push_back(b);
        typing.push_back(c);
        repaints.push_back(d);
    }
    std::printf("Explore, first switch to the tab until its grid is painted: %.1f ms median of %d processes "
                "(worst %.1f ms) (goal: < %.0f ms)\n",
                median(firstSwitches), runs, *std::max_element(firstSwitches.begin(), firstSwitches.end()),
                firstSwitchGoalMs);
    std::printf(
        "Explore, toggling a filter chip until the grid is painted again: %.2f ms median (goal: < %.0f ms)\n",
        median(toggles), changeGoalMs);
    std::printf("Explore, typing one character in the search until the grid is painted again: %.2f ms median "
                "(goal: < %.0f ms)\n",
                median(typing), changeGoalMs);
    std::printf("Explore, for reference: repainting the unchanged grid: %.2f ms median (no goal)\n",
                median(repaints));
    return 0;
}
