#include "App/GardenCommandLine.h"
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

    // One process per data folder: a second start on it raises the running window and leaves.
    SingleInstance instance(QFileInfo(ModelStore::defaultPath()).absolutePath());
    if (!instance.acquire())
        return 0;

    // A logout or Ctrl+C ends Tendrel as Quit does: the store commits before the process goes.
    TerminationSignals terminationSignals;
    TendrelApp tendrel;
    QObject::connect(&instance, &SingleInstance::activationRequested, &tendrel, &TendrelApp::raiseMainWindow);
    tendrel.showMainWindow();
    return app.exec();
}
