#include "Services/CareLogExport.h"

#include "Core/AtomicFile.h"
#include "Core/Calendar.h"
#include "Models/CareEvent.h"
#include "Models/CareKind.h"
#include "Models/Plant.h"
#include "Models/Species.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

// A zone's offset from UTC at a moment, kept for the stretch between two of its transitions: a
// log in date order asks the zone once per change of offset rather than once per entry.
class ZoneOffsets
{
public:
    explicit ZoneOffsets(const QTimeZone &zone) : m_zone(zone) {}

    int at(qint64 msecs)
    {
        if (msecs >= m_from && msecs < m_to)
            return m_offset;
        const QDateTime moment = QDateTime::fromMSecsSinceEpoch(msecs, m_zone);
        m_offset = moment.offsetFromUtc();
        m_from = msecs;
        m_to = msecs + 1;
        if (m_zone == QTimeZone::utc()) {
            m_from = std::numeric_limits<qint64>::min();
            m_to = std::numeric_limits<qint64>::max();
            return m_offset;
        }
        // The offset holds until the zone's next change. Past the last change a zone lists, its
        // rules may still move the clock, and a listed change may leave the offset as it was, so
        // the stretch is kept only when it ends and its last moment has this moment's offset.
        const QTimeZone::OffsetData next =
            m_zone.hasTransitions() ? m_zone.nextTransition(moment) : QTimeZone::OffsetData();
        if (!next.atUtc.isValid())
            return m_offset;
        const qint64 to = next.atUtc.toMSecsSinceEpoch();
        if (to > msecs && QDateTime::fromMSecsSinceEpoch(to - 1, m_zone).offsetFromUtc() == m_offset)
            m_to = to;
        return m_offset;
    }

private:
    QTimeZone m_zone;
    qint64 m_from = 0;
    qint64 m_to = 0;
    int m_offset = 0;
};

void putDigits(char *&out, int value, int digits)
{
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
    out += digits;
}

// msecs at offset seconds east of UTC as "2026-12-07T10:30:00+01:00", written to out; its length,
// or 0 for a year that four digits do not hold. Qt::ISODate's form, seconds of an offset dropped.
int isoDate(qint64 msecs, int offset, char *out)
{
    constexpr qint64 msecsPerDay = 86400000;
    const qint64 local = msecs + qint64(offset) * 1000;
    const qint64 day = local >= 0 ? local / msecsPerDay : (local - msecsPerDay + 1) / msecsPerDay;
    const int secondOfDay = int((local - day * msecsPerDay) / 1000);
    const QDate date = QDate::fromJulianDay(day + 2440588); // 1970-01-01
    if (!date.isValid() || date.year() < 0 || date.year() > 9999)
        return 0;
    char *start = out;
    putDigits(out, date.year(), 4);
    *out++ = '-';
    putDigits(out, date.month(), 2);
    *out++ = '-';
    putDigits(out, date.day(), 2);
    *out++ = 'T';
    putDigits(out, secondOfDay / 3600, 2);
    *out++ = ':';
    putDigits(out, secondOfDay / 60 % 60, 2);
    *out++ = ':';
    putDigits(out, secondOfDay % 60, 2);
    *out++ = offset >= 0 ? '+' : '-';
    putDigits(out, std::abs(offset) / 3600, 2);
    *out++ = ':';
    putDigits(out, std::abs(offset) / 60 % 60, 2);
    return int(out - start);
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

CareLogExport::Log CareLogExport::Log::of(const QList<Plant *> &plants)
{
    Log log;
    for (const CareKind kind : CareKind::allCases())
        log.kindFields.append(field(kind.title()));
    log.plantFields.reserve(plants.size());
    log.entries.reserve(size_t(entryCount(plants)));
    for (const Plant *plant : plants) {
        const int index = int(log.plantFields.size());
        log.plantFields.append(field(plant->name()) + QLatin1Char(',') +
                               field(Species::find(plant->speciesID()).commonName) + QLatin1Char(',') +
                               field(plant->site()) + QLatin1Char(','));
        for (const CareEvent *event : plant->events())
            log.entries.push_back({event->dateMsecs(), index, event->kind().index()});
    }
    // Oldest first; entries of one moment stay in store order.
    std::stable_sort(log.entries.begin(), log.entries.end(),
                     [](const Entry &a, const Entry &b) { return a.dateMsecs < b.dateMsecs; });
    return log;
}

QByteArray CareLogExport::csv(const QList<Plant *> &plants)
{
    return csv(plants, Calendar::current());
}

QByteArray CareLogExport::csv(const QList<Plant *> &plants, const Calendar &calendar)
{
    return csv(Log::of(plants), calendar.timeZone());
}

QByteArray CareLogExport::csv(const Log &log, const QTimeZone &zone)
{
    QByteArray text = "Plant,Species,Room,Care,Date\r\n";
    QList<QByteArray> plantFields;
    plantFields.reserve(log.plantFields.size());
    for (const QString &fields : log.plantFields)
        plantFields.append(fields.toUtf8());
    QList<QByteArray> kindFields;
    for (const QString &fields : log.kindFields)
        kindFields.append(fields.toUtf8() + ',');
    ZoneOffsets offsets(zone);
    char date[sizeof("-9999-12-31T23:59:59+99:59\r\n")];
    for (const Log::Entry &entry : log.entries) {
        text += plantFields.at(entry.plant);
        text += kindFields.at(entry.kind);
        const int length = isoDate(entry.dateMsecs, offsets.at(entry.dateMsecs), date);
        if (length > 0)
            text.append(date, length);
        else // beyond the years of four digits
            text += QDateTime::fromMSecsSinceEpoch(entry.dateMsecs, zone).toString(Qt::ISODate).toUtf8();
        text += "\r\n";
    }
    return text;
}

bool CareLogExport::write(const QList<Plant *> &plants, const QString &path, QString *error)
{
    return write(Log::of(plants), Calendar::current().timeZone(), path, error);
}

bool CareLogExport::write(const Log &log, const QTimeZone &zone, const QString &path, QString *error,
                          FileFaults *faults)
{
    return AtomicFile::write(path, csv(log, zone), error, faults);
}

QString CareLogExport::defaultFileName(const QDate &date)
{
    return QStringLiteral("Tendrel Care Log %1.csv").arg(date.toString(Qt::ISODate));
}
