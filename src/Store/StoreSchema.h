#pragma once

#include <QString>

class SqliteDatabase;

// The layout of a store file and the steps that bring an older file up to date.
//
// Version 1: plant rows (store order is the rowid "seq"; "id" is the record's persistent
// identifier), care events with a real foreign key to their plant and ON DELETE CASCADE, and
// photos in a table of their own so that listing plants never reads photo bytes.
class StoreSchema final
{
public:
    // Written to PRAGMA user_version; a file with a higher number was written by a newer build.
    static constexpr int currentVersion = 1;
    // PRAGMA application_id of every store file ("Tndr"), so a foreign SQLite file is recognised.
    static constexpr qint64 applicationId = 0x546e6472;

    // Brings a database at fromVersion (0 for a new, empty file) up to currentVersion. The caller
    // holds a write transaction, so a step that fails leaves the file as it was.
    static bool migrate(SqliteDatabase &db, int fromVersion, QString *error);

    // Whether the tables and columns this build reads are all present.
    static bool hasExpectedTables(SqliteDatabase &db, QString *error);
};
