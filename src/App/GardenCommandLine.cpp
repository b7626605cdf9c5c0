#include "App/GardenCommandLine.h"

#include "Models/Plant.h"
#include "Services/CareLogExport.h"
#include "Store/ModelStore.h"
#include "Store/StoreBackup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int failed = 1;
constexpr int usage = 2;

int complain(const QString &reason, int status)
{
    QTextStream(stderr) << "tendrel: " << QString(reason).replace(QLatin1Char('\n'), QLatin1Char(' '))
                        << '\n';
    return status;
}

bool exportCareLog(const QString &storePath, const QString &target, QString *error)
{
    if (const auto refused = StoreBackup::refusal(storePath, target)) {
        *error = *refused;
        return false;
    }
    // Before the app's first start there is no store, and so no log to write.
    if (!QFileInfo::exists(storePath)) {
        *error = QStringLiteral("There is no plant store at \u201c%1\u201d.")
                     .arg(QDir::toNativeSeparators(storePath));
        return false;
    }
    std::vector<std::unique_ptr<Plant>> garden;
    if (!ModelStore::readFile(storePath, garden, error))
        return false;
    QList<Plant *> plants;
    plants.reserve(qsizetype(garden.size()));
    for (const auto &plant : garden)
        plants.append(plant.get());
    return CareLogExport::write(plants, target, error);
}

// A damaged store is refused as the app refuses to open it, before any copy of it is made.
bool backUp(const QString &storePath, const QString &target, QString *error)
{
    if (QFileInfo::exists(storePath) && !StoreBackup::refusal(storePath, target) &&
        !ModelStore::check(storePath, error))
        return false;
    return StoreBackup::write(storePath, target, error);
}

} // namespace

bool GardenCommandLine::isRequested(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"--backup", "--export-csv", "--help", "-h", "--version", "-v"}) {
            const size_t length = std::strlen(option);
            if (std::strncmp(argv[i], option, length) == 0 &&
                (argv[i][length] == '\0' || argv[i][length] == '='))
                return true;
        }
    }
    return false;
}

int GardenCommandLine::run(const QStringList &arguments, const QString &storePath)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tendrel keeps track of your plants' care."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption backup(QStringLiteral("backup"),
                                    QStringLiteral("Write a backup of the whole garden to FILE."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption exportCsv(QStringLiteral("export-csv"),
                                       QStringLiteral("Write the care log as CSV to FILE."),
                                       QStringLiteral("FILE"));
    parser.addOption(backup);
    parser.addOption(exportCsv);
    if (!parser.parse(arguments))
        return complain(parser.errorText(), usage);
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return complain(
            QStringLiteral("Unexpected argument \u201c%1\u201d.").arg(parser.positionalArguments().first()),
            usage);

    // Each failure is one line of its own below; the layers' warnings would say it twice.
    // QT_LOGGING_RULES still turns them on.
    QLoggingCategory::setFilterRules(QStringLiteral("tendrel.*.warning=false"));
    int status = 0;
    QString error;
    for (const QString &target : parser.values(backup)) {
        if (!backUp(storePath, target, &error))
            status = complain(error, failed);
    }
    for (const QString &target : parser.values(exportCsv)) {
        if (!exportCareLog(storePath, target, &error))
            status = complain(error, failed);
    }
    return status;
}
