#pragma once

// StoreBackup: one self-contained file holding a whole garden (every plant, photo and care
// entry), copied from a store that may be in use: the copy is the store as it was at one moment,
// whatever is written meanwhile. Under a read transaction that needs nothing from the write-ahead
// log (see ModelStore::flushToFile()) the store file itself is copied, straight from its cached
// pages to the disk; otherwise SQLite's online backup copies it page by page. Either holds SQLite's
// read lock until the copy is whole, also when the store file is not in use as it starts. The file
// appears complete or not at all (AtomicFile): it is written beside the target, flushed to disk,
// then renamed over it. What a killed backup left in the target's folder goes at the next one.
//
//   QString error;
//   StoreBackup::write(ModelStore::defaultPath(), target, &error); // any thread; the store file
//                                                                   // is only read
//   store.backUp(target, &error);  // UI thread: commits what waits and empties the log first;
//                                  // also for a store in memory
//   StoreBackup::defaultFileName(today);   // "Tendrel Backup 2026-12-07.tendrel"
//
// A backup is a store file like any other: restoring checks it as opening the store does.
// Test seam: faults cut the copy of the store file into pieces and fail chosen steps (FileFaults).

#include <QDate>
#include <QString>

#include <optional>

class FileFaults;
struct sqlite3;

class StoreBackup final
{
public:
    StoreBackup() = delete;

    static constexpr const char *suffix = "tendrel";

    // Copies the store file at storePath. It is opened read-only and nothing is created beside
    // it when no other connection has it open.
    static bool write(const QString &storePath, const QString &target, QString *error,
                      FileFaults *faults = nullptr);
    // Copies the main database of source (a store connection, also one in memory).
    static bool write(sqlite3 *source, const QString &target, QString *error, FileFaults *faults = nullptr);

    static QString defaultFileName(const QDate &date);

    // Why target must not be written, if it must not: a folder, or the store file itself (or one
    // of its journal files).
    static std::optional<QString> refusal(const QString &storePath, const QString &target);
};
