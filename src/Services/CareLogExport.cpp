#include "Services/CareLogExport.h"

#include "Core/Calendar.h"
#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"

#include <QDir>
#include <QSaveFile>

#include <algorithm>
#include <vector>

namespace {

QString quoted(const QString &path)
{
    return QStringLiteral("\u201c") + QDir::toNativeSeparators(path) + QStringLiteral("\u201d");
}

} // namespace

QString CareLogExport::field(const QString &value)
{
    QString text = value;
    // Spreadsheets run a cell that starts like this as a formula.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.front()))
        text.prepend(QLatin1Char('\''));
    const bool needsQuotes = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                             text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!needsQuotes)
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

qsizetype CareLogExport::entryCount(const QList<Plant *> &plants)
{
    qsizetype count = 0;
    for (const Plant *plant : plants)
        count += plant->eventCount();
    return count;
}

QByteArray CareLogExport::csv(const QList<Plant *> &plants)
{
    return csv(plants, Calendar::current());
}

QByteArray CareLogExport::csv(const QList<Plant *> &plants, const Calendar &calendar)
{
    struct Row
    {
        qint64 dateMsecs;
        const Plant *plant;
        const CareEvent *event;
    };
    std::vector<Row> rows;
    rows.reserve(size_t(entryCount(plants)));
    for (const Plant *plant : plants) {
        for (const CareEvent *event : plant->events())
            rows.push_back({event->dateMsecs(), plant, event});
    }
    // Oldest first; entries of one moment stay in store order.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row &a, const Row &b) { return a.dateMsecs < b.dateMsecs; });

    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Plant,Species,Room,Care,Date") + crlf;
    const QTimeZone zone = calendar.timeZone();
    const Plant *lastPlant = nullptr;
    QString plantFields;
    for (const Row &row : rows) {
        if (row.plant != lastPlant) {
            lastPlant = row.plant;
            const Species &species = Species::find(row.plant->speciesID());
            plantFields = field(row.plant->name()) + QLatin1Char(',') + field(species.commonName) +
                          QLatin1Char(',') + field(row.plant->site()) + QLatin1Char(',');
        }
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(row.dateMsecs, zone);
        text += plantFields + field(row.event->kind().title()) + QLatin1Char(',') +
                when.toString(Qt::ISODate) + crlf;
    }
    return text.toUtf8();
}

bool CareLogExport::write(const QList<Plant *> &plants, const QString &path, QString *error)
{
    QSaveFile file(path);
    const QByteArray bytes = csv(plants);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("%1 cannot be written: %2.").arg(quoted(path), file.errorString());
        return false;
    }
    return true;
}

QString CareLogExport::defaultFileName(const QDate &date)
{
    return QStringLiteral("Tendrel Care Log %1.csv").arg(date.toString(Qt::ISODate));
}
