#include "App/GardenCommandLine.h"
#include "App/InstanceLockCheck.h"
#include "App/SingleInstance.h"
#include "App/TendrelApp.h"
#include "App/TerminationSignals.h"
#include "Store/ModelStore.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    // Commands for scripts run without a window, beside a running app or none.
    if (GardenCommandLine::isRequested(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Tendrel"));
        QCoreApplication::setApplicationVersion(QStringLiteral(TENDREL_VERSION));
        return GardenCommandLine::run(QCoreApplication::arguments(), ModelStore::defaultPath());
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tendrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tendrel"));
    QApplication::setApplicationVersion(QStringLiteral(TENDREL_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("app.tendrel.Tendrel"));

    // One process per data folder: a second start on it raises the running window and leaves. A
    // lock that cannot be made at all, or another computer's, is no running Tendrel: the window
    // opens with the plants in memory and says why.
    const QString dataFolder = QFileInfo(ModelStore::defaultPath()).absolutePath();
    const InstanceLockCheck lock = InstanceLockCheck::run(dataFolder);
    SingleInstance instance(dataFolder);
    TendrelApp::Options options;
    if (lock.outcome() == InstanceLockCheck::Outcome::unusable)
        options.storeRefusal = lock.reason();
    else if (!instance.acquire())
        return 0;

    // A logout or Ctrl+C ends Tendrel as Quit does: the store commits before the process goes.
    TerminationSignals terminationSignals;
    TendrelApp tendrel(options);
    QObject::connect(&instance, &SingleInstance::activationRequested, &tendrel, &TendrelApp::raiseMainWindow);
    tendrel.showMainWindow();
    return app.exec();
}
