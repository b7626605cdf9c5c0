#include "Store/StoreSchema.h"

#include "Store/SqliteDatabase.h"
#include "Store/SqliteStatement.h"

#include <QList>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <tuple>

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

// Plants deleted while the app runs keep their rows, marked here, for as long as undo may bring them
// back; the marked rows are removed for good when that ends.
const char *const createVersion2 = R"sql(
CREATE TABLE deletedPlant (
    plant INTEGER PRIMARY KEY REFERENCES plant(id) ON DELETE CASCADE
);
)sql";

// One entry of sqlite_master, its statement with runs of white space made single spaces.
struct SchemaObject
{
    QString type;
    QString name;
    QString table;
    QString sql;

    friend bool operator<(const SchemaObject &a, const SchemaObject &b)
    {
        return std::tie(a.type, a.name, a.table, a.sql) < std::tie(b.type, b.name, b.table, b.sql);
    }
};

std::optional<QList<SchemaObject>> readSchema(SqliteDatabase &db, QString *error)
{
    SqliteStatement statement(db.handle(), "SELECT type, name, tbl_name, sql FROM sqlite_master");
    QList<SchemaObject> objects;
    int rc = SQLITE_ERROR;
    while (statement.isValid() && (rc = statement.step()) == SQLITE_ROW) {
        objects.append(
            {statement.text(0), statement.text(1), statement.text(2), statement.text(3).simplified()});
    }
    if (rc != SQLITE_DONE) {
        if (error)
            *error = db.lastError();
        return std::nullopt;
    }
    std::sort(objects.begin(), objects.end());
    return objects;
}

// The objects a new file of the current version holds, made in a private database in memory.
QList<SchemaObject> schemaOf(int version)
{
    SqliteDatabase db;
    if (!db.open(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr) ||
        !StoreSchema::migrate(db, 0, nullptr, version))
        return {};
    return readSchema(db, nullptr).value_or(QList<SchemaObject>());
}

// A name read from a file, short enough for a message and on one line.
QString shownName(const QString &name)
{
    constexpr qsizetype maxShown = 40;
    QString shown = name.simplified();
    if (shown.size() > maxShown)
        shown = shown.left(maxShown - 1) + QChar(0x2026);
    return QStringLiteral("\u201c%1\u201d").arg(shown);
}

} // namespace

bool StoreSchema::migrate(SqliteDatabase &db, int fromVersion, QString *error, int toVersion)
{
    // Each step takes the file from one version to the next; later versions add cases below.
    for (int version = fromVersion; version < toVersion; ++version) {
        switch (version) {
        case 0:
            if (!db.exec(createVersion1, error))
                return false;
            break;
        case 1:
            if (!db.exec(createVersion2, error))
                return false;
            break;
        default:
            if (error)
                *error = QStringLiteral("no migration from version %1").arg(version);
            return false;
        }
    }
    const QByteArray stamp = QByteArray("PRAGMA application_id = ") + QByteArray::number(applicationId) +
                             "; PRAGMA user_version = " + QByteArray::number(toVersion) + ";";
    return db.exec(stamp.constData(), error);
}

StoreSchema::Match StoreSchema::compareObjects(SqliteDatabase &db, int version, QString *detail)
{
    // The layout of every version this build writes or brings up to date; a file of version 0 is a
    // new, empty one.
    static const auto layouts = [] {
        std::array<QList<SchemaObject>, currentVersion + 1> all;
        for (int v = 1; v <= currentVersion; ++v)
            all[size_t(v)] = schemaOf(v);
        return all;
    }();
    const QList<SchemaObject> expected =
        version > 0 && version <= currentVersion ? layouts[size_t(version)] : QList<SchemaObject>();
    QString error;
    const auto found = readSchema(db, &error);
    if (!found) {
        *detail = error;
        return Match::unreadable;
    }
    for (const SchemaObject &object : *found) {
        if (!std::binary_search(expected.cbegin(), expected.cend(), object)) {
            *detail = QStringLiteral("the %1 %2").arg(object.type, shownName(object.name));
            return Match::different;
        }
    }
    for (const SchemaObject &object : expected) {
        if (!std::binary_search(found->cbegin(), found->cend(), object)) {
            *detail = QStringLiteral("no %1 %2").arg(object.type, shownName(object.name));
            return Match::different;
        }
    }
    return Match::same;
}
