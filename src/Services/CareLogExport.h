#pragma once

// CareLogExport: a garden's care log as CSV for spreadsheets and scripts, one row per care
// entry, oldest first, under the header row "Plant,Species,Room,Care,Date". It follows RFC 4180:
// fields separated by commas, records ended by CRLF, a field holding a comma, a double quote or a
// line break enclosed in double quotes with its quotes doubled. Text is UTF-8 (no byte-order
// mark). Dates are ISO 8601 in the user's time zone with its UTC offset
// ("2026-12-07T10:30:00+01:00"). Names arrive intact, whatever they hold; a value a spreadsheet
// would run as a formula (it begins with =, +, -, @, a tab or a carriage return) gets a leading
// apostrophe, so opening the file never runs anything.
//
//   QString error;
//   CareLogExport::write(store.plants(), path, &error);  // the file appears whole or not at all;
//                                                        // error says why ("The disk … is full.")
//   CareLogExport::csv(plants, calendar);                 // the bytes
//
// A large log is written away from the window: take a Log where the plants live, then hand it
// to another thread with the zone to date it in.
//
//   auto log = CareLogExport::Log::of(store.plants());
//   QtConcurrent::run([log, zone] { return CareLogExport::write(log, zone, path, nullptr); });

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <vector>

class Calendar;
class FileFaults;
class Plant;

class CareLogExport final
{
public:
    CareLogExport() = delete;

    // The rows of a garden's care log, oldest first, holding only values: it can go to any thread.
    struct Log
    {
        struct Entry
        {
            qint64 dateMsecs;
            int plant; // index into plantFields
            int kind;  // index into kindFields
        };
        QStringList plantFields; // "name,species,room," of each plant, as they stand in a record
        QStringList kindFields;  // one per care kind
        std::vector<Entry> entries;

        static Log of(const QList<Plant *> &plants);
    };

    static QByteArray csv(const QList<Plant *> &plants);
    static QByteArray csv(const QList<Plant *> &plants, const Calendar &calendar);
    static QByteArray csv(const Log &log, const QTimeZone &zone);
    static bool write(const QList<Plant *> &plants, const QString &path, QString *error);
    // Test seam: faults fail chosen steps of the write (see AtomicFile).
    static bool write(const Log &log, const QTimeZone &zone, const QString &path, QString *error,
                      FileFaults *faults = nullptr);
    // The number of rows below the header.
    static qsizetype entryCount(const QList<Plant *> &plants);

    // "Tendrel Care Log 2026-12-07.csv"
    static QString defaultFileName(const QDate &date);
    // One field as it stands in a record.
    static QString field(const QString &value);
};
