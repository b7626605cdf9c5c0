#pragma once

// GardenCommandLine: the garden's files for scripts and cron, without a window:
//   tendrel --backup FILE       a backup of the whole garden (as File > "Back Up Garden…")
//   tendrel --export-csv FILE   the care log as CSV (as File > "Export Care Log…")
// Both read the store file only, so they work while Tendrel runs. The exit status is 0 when every
// file was written, 1 when one could not be (with one line saying why on standard error), 2 for
// arguments it does not understand.
//
//   if (GardenCommandLine::isRequested(argc, argv)) {
//       QCoreApplication app(argc, argv);                    // no display needed
//       return GardenCommandLine::run(app.arguments(), ModelStore::defaultPath());
//   }

#include <QString>
#include <QStringList>

class GardenCommandLine final
{
public:
    GardenCommandLine() = delete;

    // Whether the arguments ask for one of these commands (or for --help / --version).
    static bool isRequested(int argc, const char *const *argv);
    // Runs the commands on the store file at storePath; returns the exit status.
    static int run(const QStringList &arguments, const QString &storePath);
};
