#include "Store/StoreSchema.h"

#include "Store/SqliteDatabase.h"
#include "Store/SqliteStatement.h"

namespace {

const char *const createVersion1 = R"sql(
CREATE TABLE plant (
    seq               INTEGER PRIMARY KEY,
    id                INTEGER NOT NULL UNIQUE,
    name              TEXT    NOT NULL DEFAULT '',
    speciesID         TEXT    NOT NULL DEFAULT 'custom',
    site              TEXT    NOT NULL DEFAULT 'Living Room',
    notes             TEXT    NOT NULL DEFAULT '',
    dateAdded         INTEGER,
    waterInterval     INTEGER NOT NULL DEFAULT 7,
    fertilizeInterval INTEGER NOT NULL DEFAULT 30,
    mistInterval      INTEGER NOT NULL DEFAULT 0,
    lastWatered       INTEGER,
    lastFertilized    INTEGER,
    lastMisted        INTEGER,
    hasEventList      INTEGER NOT NULL DEFAULT 1
);
CREATE TABLE plantPhoto (
    plant INTEGER PRIMARY KEY REFERENCES plant(id) ON DELETE CASCADE,
    bytes BLOB NOT NULL
);
CREATE TABLE careEvent (
    seq     INTEGER PRIMARY KEY,
    id      INTEGER NOT NULL UNIQUE,
    plant   INTEGER REFERENCES plant(id) ON DELETE CASCADE,
    kindRaw TEXT    NOT NULL DEFAULT 'water',
    date    INTEGER NOT NULL,
    note    TEXT    NOT NULL DEFAULT ''
);
CREATE INDEX careEventPlant ON careEvent(plant);
)sql";

// One statement per table naming every column this build reads; preparing them proves the
// schema without reading a row.
const char *const probes[] = {
    "SELECT seq, id, name, speciesID, site, notes, dateAdded, waterInterval, fertilizeInterval, "
    "mistInterval, lastWatered, lastFertilized, lastMisted, hasEventList FROM plant LIMIT 0",
    "SELECT plant, bytes FROM plantPhoto LIMIT 0",
    "SELECT seq, id, plant, kindRaw, date, note FROM careEvent LIMIT 0",
};

} // namespace

bool StoreSchema::migrate(SqliteDatabase &db, int fromVersion, QString *error)
{
    // Each step takes the file from one version to the next; later versions add cases below.
    for (int version = fromVersion; version < currentVersion; ++version) {
        switch (version) {
        case 0:
            if (!db.exec(createVersion1, error))
                return false;
            break;
        default:
            if (error)
                *error = QStringLiteral("no migration from version %1").arg(version);
            return false;
        }
    }
    const QByteArray stamp = QByteArray("PRAGMA application_id = ") + QByteArray::number(applicationId) +
                             "; PRAGMA user_version = " + QByteArray::number(currentVersion) + ";";
    return db.exec(stamp.constData(), error);
}

bool StoreSchema::hasExpectedTables(SqliteDatabase &db, QString *error)
{
    for (const char *probe : probes) {
        SqliteStatement statement(db.handle(), probe);
        if (!statement.isValid()) {
            if (error)
                *error = db.lastError();
            return false;
        }
    }
    return true;
}
