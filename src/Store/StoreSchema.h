#pragma once

#include <QString>

class SqliteDatabase;

// The layout of a store file and the steps that bring an older file up to date.
//
// Version 1: plant rows (store order is the rowid "seq"; "id" is the record's persistent
// identifier), care events with a real foreign key to their plant and ON DELETE CASCADE, and
// photos in a table of their own so that listing plants never reads photo bytes.
// Version 2: "deletedPlant" marks plants deleted in the running app whose rows stay until undo can no
// longer bring them back; every reader of the file leaves them out.
//
// A file must hold exactly the objects this build creates for its version, nothing more:
//
//     QString detail;
//     if (StoreSchema::compareObjects(db, version, &detail) != StoreSchema::Match::same)
//         refuse(detail); // e.g. "the view “plant”"
class StoreSchema final
{
public:
    // Written to PRAGMA user_version; a file with a higher number was written by a newer build.
    static constexpr int currentVersion = 2;
    // PRAGMA application_id of every store file ("Tndr"), so a foreign SQLite file is recognised.
    static constexpr qint64 applicationId = 0x546e6472;

    // Brings a database at fromVersion (0 for a new, empty file) up to toVersion. The caller holds
    // a write transaction, so a step that fails leaves the file as it was.
    static bool migrate(SqliteDatabase &db, int fromVersion, QString *error, int toVersion = currentVersion);

    enum class Match { same, different, unreadable };
    // Compares db's schema with the objects a store of this version holds: exactly the same
    // tables with the same columns and constraints, the same indexes, and nothing else (no view,
    // trigger or object of its own). When they differ, detail names the first odd or missing
    // object ("the view “plant”", "no table “careEvent”"); when the schema cannot be read, it is
    // SQLite's message. Reading the schema runs nothing stored in it.
    static Match compareObjects(SqliteDatabase &db, int version, QString *detail);
};
