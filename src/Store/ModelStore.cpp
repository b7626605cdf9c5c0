#include "Store/ModelStore.h"

#include "Models/CareEvent.h"
#include "Models/CareKind.h"
#include "Models/Plant.h"
#include "Store/PlantQuery.h"
#include "Store/StoreLog.h"
#include "Store/StoreSchema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <sqlite3.h>

#include <algorithm>

namespace {

// How long a write waits for another process that holds the store's lock before giving up.
constexpr int busyTimeoutMsecs = 5000;
constexpr int openingLockWaitMsecs = 10000;
constexpr int openingLockStaleMsecs = 30000;
// A failed commit keeps its changes queued and tries again after this pause, doubled after each
// further failure up to the longest.
constexpr int retryMsecs = 2000;
constexpr int longestRetryMsecs = 60'000;
// The most time the statements of one piece of work may take: checking and reading a file when it
// is opened, one commit, reading one photo. The queries never need more; a file that makes them
// (an endless trigger added behind the store's back, a huge damaged file) is stopped there.
constexpr int openBudgetMsecs = 10'000;
constexpr int commitBudgetMsecs = 2'000;
constexpr int photoBudgetMsecs = 2'000;

QString quoted(const QString &path)
{
    return QStringLiteral("\u201c") + QDir::toNativeSeparators(path) + QStringLiteral("\u201d");
}

QString notAStore(const QString &path)
{
    return QStringLiteral("%1 is not a Tendrel plant store.").arg(quoted(path));
}

// A reason the user can act on, from SQLite's result code.
QString describeFailure(const QString &path, int code, const QString &message)
{
    switch (code & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return QStringLiteral("%1 is damaged or not a plant store (%2).").arg(quoted(path), message);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        return QStringLiteral("%1 cannot be opened for writing (%2). Check that the file and its folder can "
                              "be written.")
            .arg(quoted(path), message);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("%1 is locked by another program (%2).").arg(quoted(path), message);
    case SQLITE_FULL:
        return QStringLiteral("The disk that holds %1 is full.").arg(quoted(path));
    case SQLITE_INTERRUPT:
        return QStringLiteral("Reading %1 took too long and was stopped.").arg(quoted(path));
    case SQLITE_TOOBIG:
        return QStringLiteral("%1 holds a value too large for a plant store.").arg(quoted(path));
    default:
        return QStringLiteral("%1 cannot be opened (%2).").arg(quoted(path), message);
    }
}

// Why a commit failed, in words the user can act on.
QString describeSaveFailure(const QString &path, int code, const QString &message)
{
    const QString store = path.isEmpty() ? QStringLiteral("the plants kept in memory") : quoted(path);
    const QString reason = message.isEmpty() ? QStringLiteral("unknown error") : message;
    switch (code & 0xff) {
    case SQLITE_FULL:
        return QStringLiteral("The disk that holds %1 is full.").arg(store);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_AUTH:
        return QStringLiteral("%1 cannot be written (%2). Check that the file and its folder can be written.")
            .arg(store, reason);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("%1 is locked by another program (%2).").arg(store, reason);
    case SQLITE_INTERRUPT:
        return QStringLiteral("Saving to %1 took too long and was stopped.").arg(store);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("%1 is damaged (%2).").arg(store, reason);
    default:
        return QStringLiteral("Saving to %1 failed (%2).").arg(store, reason);
    }
}

// The kinds' own raw value strings are static literals: events that share them cost no
// allocation, which matters with hundreds of thousands of events.
class SharedKindRaws final
{
public:
    QString operator()(QByteArrayView utf8) const
    {
        for (const QString &raw : m_raws) {
            if (utf8.size() == raw.size() && QLatin1StringView(utf8) == raw)
                return raw;
        }
        return QString::fromUtf8(utf8);
    }

private:
    const QString m_raws[3] = {CareKind(CareKind::water).rawValue(), CareKind(CareKind::fertilize).rawValue(),
                               CareKind(CareKind::mist).rawValue()};
};

// Why a database with these header values must not be opened by this build, if it must not: a
// newer build's store may hold data this one would lose, and another program's file is not ours.
std::optional<QString> refusal(const QString &path, qint64 applicationId, qint64 version, qint64 tables)
{
    if (version > StoreSchema::currentVersion) {
        return QStringLiteral("%1 was written by a newer version of Tendrel (store version %2).")
            .arg(quoted(path))
            .arg(version);
    }
    const bool emptyDatabase = applicationId == 0 && version == 0 && tables == 0;
    if (!emptyDatabase && applicationId != StoreSchema::applicationId)
        return notAStore(path);
    return std::nullopt;
}

// Every plant with its log, in store order, read from db (photos stay in the file). Rows whose
// identifier is 0 or repeated are skipped, and so are events of no plant.
bool readGarden(SqliteDatabase &db, std::vector<std::unique_ptr<Plant>> &garden, QString *error)
{
    garden.clear();
    SqliteStatement plants(
        db.handle(), "SELECT id, name, speciesID, site, notes, dateAdded, waterInterval, "
                     "fertilizeInterval, mistInterval, lastWatered, lastFertilized, lastMisted, "
                     "hasEventList, EXISTS (SELECT 1 FROM plantPhoto WHERE plantPhoto.plant = plant.id) "
                     "FROM plant ORDER BY seq");
    if (!plants.isValid()) {
        *error = db.lastError();
        return false;
    }
    std::vector<bool> hasList;
    QHash<RecordId, size_t> indexOf;
    int rc = SQLITE_ROW;
    while ((rc = plants.step()) == SQLITE_ROW) {
        const auto id = RecordId(plants.int64(0));
        if (id == 0 || indexOf.contains(id))
            continue;
        auto plant = std::make_unique<Plant>(id);
        plant->setName(plants.text(1));
        plant->setSpeciesID(plants.text(2));
        plant->setSite(plants.text(3));
        plant->setNotes(plants.text(4));
        const auto added = plants.optionalInt64(5);
        plant->setDateAdded(added ? QDateTime::fromMSecsSinceEpoch(*added, Qt::UTC) : QDateTime());
        plant->setWaterInterval(plants.int64(6));
        plant->setFertilizeInterval(plants.int64(7));
        plant->setMistInterval(plants.int64(8));
        plant->restoreLastDone(CareKind::water, plants.optionalInt64(9));
        plant->restoreLastDone(CareKind::fertilize, plants.optionalInt64(10));
        plant->restoreLastDone(CareKind::mist, plants.optionalInt64(11));
        plant->restoreHasPhoto(plants.int64(13) != 0);
        indexOf.insert(id, garden.size());
        garden.push_back(std::move(plant));
        hasList.push_back(plants.int64(12) != 0);
    }
    if (rc != SQLITE_DONE) {
        *error = db.lastError();
        garden.clear();
        return false;
    }

    // Rowid order is insertion order, so each plant's log comes out in the order it was written.
    std::vector<std::vector<std::unique_ptr<CareEvent>>> logs(garden.size());
    SqliteStatement events(db.handle(), "SELECT id, plant, kindRaw, date, note FROM careEvent ORDER BY seq");
    const SharedKindRaws sharedKindRaw;
    RecordId lastOwner = 0;
    std::vector<std::unique_ptr<CareEvent>> *log = nullptr;
    while (events.isValid() && (rc = events.step()) == SQLITE_ROW) {
        // A plant's events are mostly written together, so the previous row's plant is a good guess.
        const auto ownerId = RecordId(events.int64(1));
        if (ownerId != lastOwner || !log) {
            const auto owner = indexOf.constFind(ownerId);
            lastOwner = ownerId;
            log = owner == indexOf.cend() ? nullptr : &logs[*owner];
        }
        if (!log)
            continue; // an event without a plant belongs to no log
        log->push_back(std::make_unique<CareEvent>(RecordId(events.int64(0)), sharedKindRaw(events.utf8(2)),
                                                   events.int64(3), events.text(4)));
    }
    if (!events.isValid() || rc != SQLITE_DONE) {
        *error = db.lastError();
        garden.clear();
        return false;
    }
    for (size_t i = 0; i < garden.size(); ++i) {
        if (hasList[i] || !logs[i].empty())
            garden[i]->restoreEvents(std::move(logs[i]));
        else
            garden[i]->restoreEvents(std::nullopt);
    }
    return true;
}

// Why db, opened on path, must be left alone, if it must: a header this build may not open, or a
// schema other than exactly the one of its version.
std::optional<QString> refusal(const QString &path, SqliteDatabase &db)
{
    QString message;
    const auto applicationId = db.queryInt("PRAGMA application_id", &message);
    const auto version = applicationId ? db.queryInt("PRAGMA user_version", &message) : std::nullopt;
    const auto tables = version ? db.queryInt("SELECT count(*) FROM sqlite_master", &message) : std::nullopt;
    if (!tables)
        return describeFailure(path, db.lastErrorCode(), message);
    if (const auto refused = refusal(path, *applicationId, *version, *tables))
        return refused;
    switch (StoreSchema::compareObjects(db, int(*version), &message)) {
    case StoreSchema::Match::same:
        return std::nullopt;
    case StoreSchema::Match::different:
        return QStringLiteral("%1 is not a plant store Tendrel can use: it has %2.")
            .arg(quoted(path), message);
    case StoreSchema::Match::unreadable:
        break;
    }
    return describeFailure(path, db.lastErrorCode(), message);
}

// Checks, through a connection that cannot write, that an existing file is a store this build may
// open, and reads all it holds for the app, so that a damaged page shows before anything is written.
// A refused file keeps every byte and gains no file beside it.
bool checkExisting(const QString &path, bool immutable, std::vector<std::unique_ptr<Plant>> &garden,
                   QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 cannot be read: %2.").arg(quoted(path), file.errorString());
        return false;
    }
    const QByteArray header = file.read(100);
    file.close();
    if (header.size() < 100 || !header.startsWith(QByteArrayView("SQLite format 3\0", 16))) {
        *error = notAStore(path);
        return false;
    }

    SqliteDatabase db;
    QString message;
    if (!db.openForCheck(path, immutable, &message)) {
        *error = describeFailure(path, SQLITE_CANTOPEN, message);
        return false;
    }
    sqlite3_busy_timeout(db.handle(), busyTimeoutMsecs);
    db.setDeadline(QDeadlineTimer(openBudgetMsecs));
    if (const auto refused = refusal(path, db)) {
        *error = *refused;
        return false;
    }
    // An older version's file is empty (version 0): there is nothing to read yet.
    if (db.queryInt("PRAGMA user_version") == StoreSchema::currentVersion &&
        !readGarden(db, garden, &message)) {
        *error = describeFailure(path, db.lastErrorCode(), message);
        return false;
    }
    return true;
}

} // namespace

ModelStore::ModelStore(SqliteDatabase db, QString path) : m_db(std::move(db)), m_path(std::move(path))
{
    m_retryTimer.setSingleShot(true);
    m_retryDelayMsecs = retryMsecs;
    connect(&m_retryTimer, &QTimer::timeout, this, &ModelStore::endOfTurn);
    if (auto *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &ModelStore::flush);
}

ModelStore::~ModelStore()
{
    commit();
    for (PlantQuery *query : std::as_const(m_queries))
        query->m_store = nullptr;
}

QString ModelStore::defaultPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/tendrel.sqlite");
}

std::unique_ptr<ModelStore> ModelStore::open(const QString &path, QString *error)
{
    QString reason;
    auto store = openFile(path, &reason);
    if (!store) {
        qCWarning(lcStore).noquote() << "Cannot open the store:" << reason;
        if (error)
            *error = reason;
    }
    return store;
}

std::unique_ptr<ModelStore> ModelStore::openFile(const QString &path, QString *error)
{
    if (path.isEmpty()) {
        *error = QStringLiteral("There is no folder for application data.");
        return nullptr;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        *error = QStringLiteral("%1 is a folder, not a plant store.").arg(quoted(path));
        return nullptr;
    }
    if (info.exists() && !info.isFile()) {
        *error = notAStore(path);
        return nullptr;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        *error = QStringLiteral("The folder %1 cannot be created.").arg(quoted(info.absolutePath()));
        return nullptr;
    }
    // Two processes opening a file that does not exist yet would otherwise see each other's
    // half-created database (a header without our schema) and take it for a foreign file.
    QLockFile openingLock(path + QStringLiteral(".opening"));
    openingLock.setStaleLockTime(openingLockStaleMsecs);
    if (!openingLock.tryLock(openingLockWaitMsecs)) {
        if (openingLock.error() == QLockFile::LockFailedError)
            *error = QStringLiteral("%1 is being opened by another program.").arg(quoted(path));
        else
            *error = QStringLiteral("The folder %1 cannot be written.").arg(quoted(info.absolutePath()));
        return nullptr;
    }
    std::vector<std::unique_ptr<Plant>> garden;
    // A -wal or -journal file beside the store means another connection may have it open, or left
    // changes that only a connection honouring SQLite's locks reads: then the check reads through
    // the locks, and the plants are read again once this process holds the write lock.
    const bool inUse = QFileInfo::exists(path + QStringLiteral("-wal")) ||
                       QFileInfo::exists(path + QStringLiteral("-journal"));
    if (QFileInfo(path).size() > 0 && !checkExisting(path, !inUse, garden, error))
        return nullptr;

    SqliteDatabase db;
    QString message;
    if (!db.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &message)) {
        *error = describeFailure(path, SQLITE_CANTOPEN, message);
        return nullptr;
    }
    // SQLite quietly falls back to read-only when the file cannot be written; every later save
    // would then fail, so that counts as not opened.
    if (sqlite3_db_readonly(db.handle(), "main") == 1) {
        *error = describeFailure(path, SQLITE_READONLY, QStringLiteral("read-only"));
        return nullptr;
    }
    sqlite3_busy_timeout(db.handle(), busyTimeoutMsecs);
    db.setDeadline(QDeadlineTimer(openBudgetMsecs));
    // Nothing is written before this point; the header, the schema and every row have been read.
    const auto journal = db.queryText("PRAGMA journal_mode = WAL", &message);
    if (!journal || !db.exec("PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL", &message) ||
        !db.exec("BEGIN IMMEDIATE", &message)) {
        *error = describeFailure(path, db.lastErrorCode(), message);
        return nullptr;
    }
    if (*journal != QLatin1String("wal"))
        qCWarning(lcStore) << "Store journal mode is" << *journal << "instead of WAL";

    // Checked again inside the write transaction: another process may have created or upgraded the
    // file since.
    if (const auto refused = refusal(path, db)) {
        db.exec("ROLLBACK");
        *error = *refused;
        return nullptr;
    }
    const auto version = db.queryInt("PRAGMA user_version", &message);
    bool ok = version.has_value();
    int code = SQLITE_OK;
    if (ok && *version < StoreSchema::currentVersion) {
        ok = StoreSchema::migrate(db, int(*version), &message);
    } else if (ok) {
        // Rewriting the version proves the file and its journal can be written now, rather than
        // at the first care action.
        ok = db.exec(QByteArray("PRAGMA user_version = " + QByteArray::number(StoreSchema::currentVersion))
                         .constData(),
                     &message);
    }
    if (ok &&
        StoreSchema::compareObjects(db, StoreSchema::currentVersion, &message) != StoreSchema::Match::same) {
        code = SQLITE_CORRUPT;
        ok = false;
    }
    if (ok && inUse)
        ok = readGarden(db, garden, &message);
    if (!ok || !db.exec("COMMIT", &message)) {
        if (code == SQLITE_OK)
            code = db.lastErrorCode();
        db.exec("ROLLBACK");
        *error = describeFailure(path, code, message);
        return nullptr;
    }
    db.setDeadline(QDeadlineTimer(QDeadlineTimer::Forever));

    std::unique_ptr<ModelStore> store(new ModelStore(std::move(db), path));
    store->adoptGarden(std::move(garden));
    return store;
}

std::unique_ptr<ModelStore> ModelStore::openInMemory(QString *error)
{
    SqliteDatabase db;
    QString message;
    bool ok = db.open(QStringLiteral(":memory:"),
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MEMORY, &message) &&
              db.exec("PRAGMA foreign_keys = ON", &message) && db.exec("BEGIN", &message) &&
              StoreSchema::migrate(db, 0, &message) && db.exec("COMMIT", &message);
    std::unique_ptr<ModelStore> store;
    if (ok)
        store.reset(new ModelStore(std::move(db), QString()));
    if (!ok) {
        qCCritical(lcStore).noquote() << "Cannot open a store in memory:" << message;
        if (error)
            *error = message;
        return nullptr;
    }
    return store;
}

std::unique_ptr<ModelStore> ModelStore::openDefault(const QString &path)
{
    const QString target = path.isEmpty() ? defaultPath() : path;
    QString reason;
    if (auto store = open(target, &reason))
        return store;
    auto store = openInMemory();
    if (store) {
        qCWarning(lcStore) << "Plants are kept in memory only until Tendrel quits";
        store->m_notPersistentReason = reason;
    }
    return store;
}

void ModelStore::adoptGarden(std::vector<std::unique_ptr<Plant>> garden)
{
    m_plants.reserve(qsizetype(garden.size()));
    m_byId.reserve(qsizetype(garden.size()));
    for (auto &plant : garden) {
        m_eventCount += plant->eventCount();
        plant->setParent(this);
        adopt(plant.release());
    }
}

void ModelStore::adopt(Plant *plant)
{
    plant->setModelContext(this);
    m_plants.append(plant);
    m_byId.insert(plant->id(), plant);
}

void ModelStore::insert(Plant *plant)
{
    if (!plant || plant->modelContext() == this)
        return;
    if (plant->modelContext() || m_byId.contains(plant->id())) {
        qCWarning(lcStore) << "Not inserting a plant that is already in a store";
        return;
    }
    plant->setParent(this);
    adopt(plant);
    m_unsaved.insert(plant->id());
    m_insertOrder.push_back(plant->id());
    m_plantsChangedPending = true;
    if (plant->eventCount() > 0) {
        m_eventCount += plant->eventCount();
        m_eventsChangedPending = true;
    }
    invalidateQueries(nullptr);
    scheduleFlush();
}

void ModelStore::deletePlant(Plant *plant)
{
    if (!plant || plant->modelContext() != this)
        return;
    const RecordId id = plant->id();
    m_plants.removeOne(plant);
    m_byId.remove(id);
    if (plant->eventCount() > 0) {
        m_eventCount -= plant->eventCount();
        m_eventsChangedPending = true;
    }
    if (m_unsaved.remove(id))
        m_insertOrder.erase(std::find(m_insertOrder.begin(), m_insertOrder.end(), id));
    else
        m_deletedPlants.push_back(id);
    m_dirty.remove(id);
    // Events and the photo go with the row by the foreign keys' cascade.
    std::erase_if(m_newEvents, [id](const PendingEvent &event) { return event.plant == id; });

    plant->setModelContext(nullptr);
    plant->deleteLater();
    m_plantsChangedPending = true;
    invalidateQueries(nullptr);
    scheduleFlush();
}

void ModelStore::plantChanged(Plant &plant)
{
    if (plant.modelContext() != this)
        return;
    if (!m_unsaved.contains(plant.id()))
        m_dirty.insert(plant.id());
    m_plantsChangedPending = true;
    invalidateQueries(&plant);
    scheduleFlush();
}

void ModelStore::eventAppended(Plant &plant, CareEvent &event)
{
    if (plant.modelContext() != this)
        return;
    ++m_eventCount;
    m_eventsChangedPending = true;
    if (!m_unsaved.contains(plant.id()))
        m_newEvents.push_back({event.id(), plant.id(), event.kindRaw(), event.dateMsecs(), event.note()});
    scheduleFlush();
}

void ModelStore::deleteEvent(Plant &plant, const CareEvent &event)
{
    if (plant.modelContext() != this)
        return;
    --m_eventCount;
    m_eventsChangedPending = true;
    if (!m_unsaved.contains(plant.id())) {
        const auto queued = std::find_if(m_newEvents.begin(), m_newEvents.end(),
                                         [&event](const PendingEvent &e) { return e.id == event.id(); });
        if (queued != m_newEvents.end())
            m_newEvents.erase(queued);
        else
            m_deletedEvents.insert(event.id());
    }
    scheduleFlush();
}

std::optional<QByteArray> ModelStore::loadPhoto(const Plant &plant) const
{
    if (plant.holdsPhoto())
        return plant.photo();
    if (!plant.hasPhoto())
        return std::nullopt;
    SqliteStatement *read = statement(m_readPhoto, "SELECT bytes FROM plantPhoto WHERE plant = ?1");
    if (!read)
        return std::nullopt;
    m_db.setDeadline(QDeadlineTimer(photoBudgetMsecs));
    read->bind(1, qint64(plant.id()));
    std::optional<QByteArray> bytes;
    const int rc = read->step();
    if (rc == SQLITE_ROW)
        bytes = read->blob(0);
    else if (rc != SQLITE_DONE)
        qCWarning(lcStore).noquote() << "Cannot read a photo:" << m_db.lastError();
    read->reset();
    m_db.setDeadline(QDeadlineTimer(QDeadlineTimer::Forever));
    return bytes;
}

bool ModelStore::hasUnsavedChanges() const
{
    return !m_insertOrder.empty() || !m_dirty.isEmpty() || !m_newEvents.empty() ||
           !m_deletedEvents.isEmpty() || !m_deletedPlants.empty();
}

bool ModelStore::flush()
{
    return commit();
}

void ModelStore::scheduleFlush()
{
    if (m_endOfTurnQueued)
        return;
    m_endOfTurnQueued = true;
    QMetaObject::invokeMethod(this, &ModelStore::endOfTurn, Qt::QueuedConnection);
}

void ModelStore::endOfTurn()
{
    m_endOfTurnQueued = false;
    commit();
    if (m_plantsChangedPending) {
        m_plantsChangedPending = false;
        emit plantsChanged();
    }
    if (m_eventsChangedPending) {
        m_eventsChangedPending = false;
        emit eventsChanged();
    }
}

SqliteStatement *ModelStore::statement(std::unique_ptr<SqliteStatement> &slot, const char *sql) const
{
    if (!slot) {
        auto prepared = std::make_unique<SqliteStatement>(m_db.handle(), sql, true);
        // A statement that failed to prepare is not kept: the next call prepares it afresh, and
        // the failure keeps SQLite's own reason.
        if (!prepared->isValid()) {
            m_failureCode = m_db.lastErrorCode();
            m_failure = m_db.lastError();
            qCWarning(lcStore).noquote() << "Cannot prepare" << sql << ":" << m_failure;
            return nullptr;
        }
        slot = std::move(prepared);
    }
    return slot.get();
}

bool ModelStore::run(SqliteStatement *statement)
{
    if (!statement)
        return false;
    if (statement->run())
        return true;
    m_failureCode = m_db.deadlinePassed() ? SQLITE_INTERRUPT : m_db.lastErrorCode();
    m_failure = m_db.lastError();
    return false;
}

bool ModelStore::writePlant(SqliteStatement *statement, const Plant &plant)
{
    if (!statement)
        return false;
    statement->bind(1, qint64(plant.id()));
    statement->bind(2, plant.name());
    statement->bind(3, plant.speciesID());
    statement->bind(4, plant.site());
    statement->bind(5, plant.notes());
    statement->bind(6, plant.dateAddedMsecs());
    statement->bind(7, plant.waterInterval());
    statement->bind(8, plant.fertilizeInterval());
    statement->bind(9, plant.mistInterval());
    statement->bind(10, plant.lastDoneMsecs(CareKind::water));
    statement->bind(11, plant.lastDoneMsecs(CareKind::fertilize));
    statement->bind(12, plant.lastDoneMsecs(CareKind::mist));
    statement->bind(13, qint64(plant.hasEventList() ? 1 : 0));
    return run(statement);
}

bool ModelStore::writePhoto(const Plant &plant)
{
    const std::optional<QByteArray> photo = plant.photo();
    if (!photo) {
        SqliteStatement *drop = statement(m_dropPhoto, "DELETE FROM plantPhoto WHERE plant = ?1");
        if (drop)
            drop->bind(1, qint64(plant.id()));
        return run(drop);
    }
    SqliteStatement *put =
        statement(m_putPhoto, "INSERT OR REPLACE INTO plantPhoto (plant, bytes) VALUES (?1, ?2)");
    if (put) {
        put->bind(1, qint64(plant.id()));
        put->bindBlob(2, *photo);
    }
    return run(put);
}

bool ModelStore::writeEvent(const PendingEvent &event)
{
    SqliteStatement *insert = statement(
        m_insertEvent, "INSERT INTO careEvent (id, plant, kindRaw, date, note) VALUES (?1, ?2, ?3, ?4, ?5)");
    if (insert) {
        insert->bind(1, qint64(event.id));
        insert->bind(2, qint64(event.plant));
        insert->bind(3, event.kindRaw);
        insert->bind(4, event.dateMsecs);
        insert->bind(5, event.note);
    }
    return run(insert);
}

bool ModelStore::commit()
{
    if (!hasUnsavedChanges() || !m_db.isOpen())
        return true;
    m_retryTimer.stop();
    m_failureCode = SQLITE_ERROR;
    m_failure.clear();
    m_db.setDeadline(QDeadlineTimer(commitBudgetMsecs));

    bool ok = run(statement(m_begin, "BEGIN IMMEDIATE"));
    std::vector<Plant *> photosWritten;
    if (ok) {
        SqliteStatement *insert =
            statement(m_insertPlant, "INSERT INTO plant (id, name, speciesID, site, notes, dateAdded, "
                                     "waterInterval, fertilizeInterval, "
                                     "mistInterval, lastWatered, lastFertilized, lastMisted, hasEventList) "
                                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
        for (auto it = m_insertOrder.cbegin(); ok && it != m_insertOrder.cend(); ++it) {
            Plant *plant = m_byId.value(*it);
            ok = writePlant(insert, *plant);
            if (ok && plant->holdsPhoto()) {
                ok = writePhoto(*plant);
                photosWritten.push_back(plant);
            }
            const QList<CareEvent *> log = plant->events();
            for (auto event = log.cbegin(); ok && event != log.cend(); ++event) {
                ok = writeEvent({(*event)->id(), plant->id(), (*event)->kindRaw(), (*event)->dateMsecs(),
                                 (*event)->note()});
            }
        }
    }
    if (ok) {
        SqliteStatement *update =
            statement(m_updatePlant,
                      "UPDATE plant SET name = ?2, speciesID = ?3, site = ?4, notes = ?5, dateAdded = ?6, "
                      "waterInterval = ?7, fertilizeInterval = ?8, mistInterval = ?9, lastWatered = ?10, "
                      "lastFertilized = ?11, lastMisted = ?12, hasEventList = ?13 WHERE id = ?1");
        for (auto it = m_dirty.cbegin(); ok && it != m_dirty.cend(); ++it) {
            Plant *plant = m_byId.value(*it);
            ok = writePlant(update, *plant);
            if (ok && plant->holdsPhoto()) {
                ok = writePhoto(*plant);
                photosWritten.push_back(plant);
            }
        }
    }
    for (auto it = m_newEvents.cbegin(); ok && it != m_newEvents.cend(); ++it)
        ok = writeEvent(*it);
    if (ok) {
        SqliteStatement *remove = statement(m_deleteEvent, "DELETE FROM careEvent WHERE id = ?1");
        for (auto it = m_deletedEvents.cbegin(); ok && it != m_deletedEvents.cend(); ++it) {
            if (remove)
                remove->bind(1, qint64(*it));
            ok = run(remove);
        }
    }
    if (ok) {
        SqliteStatement *remove = statement(m_deletePlant, "DELETE FROM plant WHERE id = ?1");
        for (auto it = m_deletedPlants.cbegin(); ok && it != m_deletedPlants.cend(); ++it) {
            if (remove)
                remove->bind(1, qint64(*it));
            ok = run(remove);
        }
    }
    ok = ok && run(statement(m_commit, "COMMIT"));
    m_db.setDeadline(QDeadlineTimer(QDeadlineTimer::Forever));

    if (!ok) {
        const QString message = describeSaveFailure(m_path, m_failureCode, m_failure);
        if (sqlite3_get_autocommit(m_db.handle()) == 0) {
            if (SqliteStatement *rollback = statement(m_rollback, "ROLLBACK"))
                rollback->run();
        }
        qCWarning(lcStore).noquote() << "Saving failed, will retry:" << message;
        if (m_saveError != message) {
            m_saveError = message;
            emit saveErrorChanged();
        }
        // Each failure in a row doubles the pause: a file that keeps failing slowly (a lock held
        // elsewhere, a commit stopped at its time limit) cannot keep the window busy.
        m_retryTimer.start(m_retryDelayMsecs);
        m_retryDelayMsecs = std::min(m_retryDelayMsecs * 2, longestRetryMsecs);
        return false;
    }

    m_insertOrder.clear();
    m_unsaved.clear();
    m_dirty.clear();
    m_newEvents.clear();
    m_deletedEvents.clear();
    m_deletedPlants.clear();
    // The bytes are on disk now; keeping them in memory too would grow with every photo shown.
    for (Plant *plant : photosWritten)
        plant->releasePhoto();
    ++m_commitCount;
    m_retryDelayMsecs = retryMsecs;
    if (!m_saveError.isEmpty()) {
        m_saveError.clear();
        emit saveErrorChanged();
    }
    return true;
}

void ModelStore::attachQuery(PlantQuery *query)
{
    m_queries.append(query);
}

void ModelStore::detachQuery(PlantQuery *query)
{
    m_queries.removeOne(query);
}

void ModelStore::invalidateQueries(Plant *changed)
{
    for (PlantQuery *query : std::as_const(m_queries))
        query->storeChanged(changed);
}
