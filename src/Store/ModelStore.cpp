#include "Store/ModelStore.h"

#include "Core/Calendar.h"
#include "Models/CareEvent.h"
#include "Models/CareKind.h"
#include "Models/Plant.h"
#include "Store/PlantQuery.h"
#include "Store/StoreBackup.h"
#include "Store/StoreCheckpointer.h"
#include "Store/StoreLog.h"
#include "Store/StoreSchema.h"
#include "Store/WriteAheadLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

#include <signal.h>

namespace {

// How long a write waits for another process that holds the store's lock before giving up.
constexpr int busyTimeoutMsecs = 5000;
constexpr int openingLockWaitMsecs = 10000;
constexpr int openingLockUnknownWaitMsecs = 200;
constexpr int openingLockStaleMsecs = 30000;
// A failed commit keeps its changes queued and tries again after this pause, doubled after each
// further failure up to the longest: short, so that once space is freed the save-failure banner
// goes within seconds. (Coming back to the window retries at once as well.)
constexpr int retryMsecs = 1000;
constexpr int longestRetryMsecs = 8000;
// The most time the statements of one piece of work may take: checking and reading a file when it
// is opened, one commit, reading one photo. The queries never need more; a file that makes them
// (an endless trigger added behind the store's back, a huge damaged file) is stopped there.
constexpr int openBudgetMsecs = 10'000;
constexpr int commitBudgetMsecs = 2'000;
constexpr int photoBudgetMsecs = 2'000;
// A log this many pages long (of the file's page size) is moved into the store file, as SQLite's own
// automatic checkpoint would; the log file is cut back to logSizeLimitBytes once it restarts.
constexpr int checkpointPages = 1000;
constexpr int logSizeLimitBytes = 8 * 1024 * 1024;
// Replacing the whole garden copies every photo once.
constexpr int restoreBudgetMsecs = 60'000;

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

// The moment from which the store hands each plant the dates of its entries at opening: two days
// before now, so that "today" in any time zone, for as long as the app then runs, is covered.
qint64 recentSinceMsecs()
{
    return Calendar::current().now().toMSecsSinceEpoch() - 2 * 24 * 3600 * qint64(1000);
}

// The log of the plant with this id, in store order, through read (prepared on "SELECT id, kindRaw,
// date, note FROM careEvent WHERE plant = ?1 ORDER BY seq"); false when it cannot be read.
bool readLog(SqliteStatement &read, RecordId plant, std::vector<std::unique_ptr<CareEvent>> &log)
{
    const SharedKindRaws sharedKindRaw;
    read.bind(1, qint64(plant));
    int rc = SQLITE_ROW;
    while ((rc = read.step()) == SQLITE_ROW) {
        log.push_back(std::make_unique<CareEvent>(RecordId(read.int64(0)), sharedKindRaw(read.utf8(1)),
                                                  read.int64(2), read.text(3)));
    }
    read.reset();
    return rc == SQLITE_DONE;
}

const char *const readLogSql = "SELECT id, kindRaw, date, note FROM careEvent WHERE plant = ?1 ORDER BY seq";

// Whether a garden read from a file leaves each log there for its store to read when needed, or
// reads it whole (a garden read without a store, to be copied or exported).
enum class Logs : unsigned char { onDemand, whole };

// What the first window shows of a plant's log while it stays in the file: how many entries, and
// the dates of the recent ones.
struct LogSummary
{
    int count = 0;
    std::vector<qint64> recent;
};

// Counts every care-log row into the summary of its plant, called by SQLite for each row of one
// aggregate query, so that the rows are read inside SQLite's loop rather than handed out one by one.
struct LogTally
{
    const QHash<RecordId, size_t> &indexOf;
    std::vector<LogSummary> &summaries;
    qint64 recentSince = 0;
    RecordId lastOwner = 0;
    LogSummary *summary = nullptr;

    // The tally reaches the function as a pointer bound to the statement, which SQL text cannot
    // forge; without one the function does nothing.
    static constexpr const char *pointerType = "tendrel.LogTally";

    // tendrel_tally(tally, plant, date)
    static void step(sqlite3_context *, int, sqlite3_value **values)
    {
        auto *tally = static_cast<LogTally *>(sqlite3_value_pointer(values[0], pointerType));
        if (!tally)
            return;
        // A plant's events are mostly written together, so the previous row's plant is a good guess.
        const auto ownerId = RecordId(sqlite3_value_int64(values[1]));
        if (ownerId != tally->lastOwner || !tally->summary) {
            const auto owner = tally->indexOf.constFind(ownerId);
            tally->lastOwner = ownerId;
            tally->summary = owner == tally->indexOf.cend() ? nullptr : &tally->summaries[*owner];
        }
        if (!tally->summary)
            return; // an event without a plant belongs to no log
        ++tally->summary->count;
        if (const qint64 date = sqlite3_value_int64(values[2]); date >= tally->recentSince)
            tally->summary->recent.push_back(date);
    }
    static void finish(sqlite3_context *context) { sqlite3_result_null(context); }

    // Passes every row of the log through the tally; false when a row cannot be read.
    bool run(sqlite3 *db)
    {
        // Direct only: the file's own schema (a view, a trigger) can never call it.
        if (sqlite3_create_function_v2(db, "tendrel_tally", 3, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr,
                                       nullptr, &step, &finish, nullptr) != SQLITE_OK)
            return false;
        SqliteStatement events(db, "SELECT tendrel_tally(?1, plant, date) FROM careEvent");
        if (!events.isValid() ||
            sqlite3_bind_pointer(events.handle(), 1, this, pointerType, nullptr) != SQLITE_OK)
            return false;
        return events.step() == SQLITE_ROW;
    }
};

// Whether db's layout marks plants deleted that still have rows (see StoreSchema).
bool marksDeletedPlants(SqliteDatabase &db)
{
    return db.queryInt("PRAGMA user_version").value_or(0) >= 2;
}

// Every plant, in store order, read from db; photos stay in the file, and so do the logs unless
// asked for whole. Rows whose identifier is 0 or repeated are skipped, and so are events of no plant
// and plants marked deleted.
bool readGarden(SqliteDatabase &db, std::vector<std::unique_ptr<Plant>> &garden, QString *error,
                Logs logs = Logs::onDemand)
{
    garden.clear();
    const QByteArray select =
        QByteArray("SELECT id, name, speciesID, site, notes, dateAdded, waterInterval, fertilizeInterval, "
                   "mistInterval, lastWatered, lastFertilized, lastMisted, hasEventList, "
                   "EXISTS (SELECT 1 FROM plantPhoto WHERE plantPhoto.plant = plant.id) FROM plant ") +
        (marksDeletedPlants(db) ? "WHERE id NOT IN (SELECT plant FROM deletedPlant) " : "") + "ORDER BY seq";
    SqliteStatement plants(db.handle(), select.constData());
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

    // The logs stay in the file until a screen needs them; what the first window shows of them (how
    // many entries, which are recent) comes from one pass over every row, which also finds a
    // damaged page before anything is written.
    std::vector<LogSummary> summaries(garden.size());
    const qint64 recentSince = recentSinceMsecs();
    LogTally tally{indexOf, summaries, recentSince};
    if (!tally.run(db.handle())) {
        *error = db.lastError();
        garden.clear();
        return false;
    }
    SqliteStatement read = logs == Logs::whole ? SqliteStatement(db.handle(), readLogSql) : SqliteStatement();
    for (size_t i = 0; i < garden.size(); ++i) {
        if (logs == Logs::onDemand) {
            garden[i]->restoreStoredLog(summaries[i].count, hasList[i], recentSince,
                                        std::move(summaries[i].recent));
            continue;
        }
        std::vector<std::unique_ptr<CareEvent>> log;
        if (!read.isValid() || !readLog(read, garden[i]->id(), log)) {
            *error = db.lastError();
            garden.clear();
            return false;
        }
        if (hasList[i] || !log.empty())
            garden[i]->restoreEvents(std::move(log));
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

// Why db, opened on path, is damaged, if it is. A torn index page, a broken freelist or two tables
// sharing a page read as nothing wrong until a write lands there and spreads the damage, so every
// page is walked before anything is written (about a quarter of a second for 10,000 plants with a
// million care entries).
std::optional<QString> damageIn(const QString &path, SqliteDatabase &db)
{
    QString message;
    const auto verdict = db.queryText("PRAGMA quick_check(1)", &message);
    if (!verdict)
        return describeFailure(path, db.lastErrorCode(), message);
    if (*verdict == QLatin1String("ok"))
        return std::nullopt;
    constexpr qsizetype maxShown = 200;
    QString shown = verdict->simplified();
    shown.remove(QStringLiteral("*** in database main *** "));
    if (shown.size() > maxShown)
        shown = shown.left(maxShown - 1) + QChar(0x2026);
    return QStringLiteral("%1 is damaged (%2).").arg(quoted(path), shown);
}

// How the check reads a store file: the file alone, or through SQLite's locks with whatever its log
// and journal beside it hold (when another connection may have it open, or left changes there).
enum class Reading : unsigned char { fileAlone, throughLocks };

// How the check reads the store at path, from the files SQLite keeps beside it; none, with the
// reason in error, when one of them means the store must be left alone. SQLite replays any log it
// finds and makes an index beside it to do so, so a log is read here first.
std::optional<Reading> readingOf(const QString &path, QString *error)
{
    const QString logPath = path + QStringLiteral("-wal");
    const QString indexPath = path + QStringLiteral("-shm");
    const QString journalPath = path + QStringLiteral("-journal");
    for (const QString &sibling : {logPath, indexPath, journalPath}) {
        const QFileInfo info(sibling);
        if (info.isSymLink() || (info.exists() && !info.isFile())) {
            *error =
                QStringLiteral("%1 beside the store is not a file SQLite made; Tendrel leaves both alone.")
                    .arg(quoted(sibling));
            return std::nullopt;
        }
    }
    const bool indexed = QFileInfo::exists(indexPath);
    const WriteAheadLog log =
        WriteAheadLog::read(path, indexed ? WriteAheadLog::Depth::header : WriteAheadLog::Depth::frames);
    const auto notItsOwn = [&](const QString &why) {
        *error = QStringLiteral("The log %1 beside the store is not its own (%2); Tendrel leaves both alone.")
                     .arg(quoted(logPath), why);
        return std::nullopt;
    };
    switch (log.state()) {
    case WriteAheadLog::State::otherPageSize:
        return notItsOwn(log.detail());
    case WriteAheadLog::State::notALog:
        // With an index beside it the log may be another connection's, being written right now.
        if (!indexed)
            return notItsOwn(log.detail());
        break;
    case WriteAheadLog::State::pending:
        // Only an index tells that a connection of this store wrote the log; without one its
        // pages could be any database's.
        if (!indexed)
            return notItsOwn(QStringLiteral("it holds changes the store does not, and no index tells whose"));
        break;
    case WriteAheadLog::State::alreadyInFile:
    case WriteAheadLog::State::none:
        break;
    }
    const bool inUse = QFileInfo::exists(journalPath) || (QFileInfo::exists(logPath) && indexed);
    return inUse ? Reading::throughLocks : Reading::fileAlone;
}

// Checks, through a connection that cannot write, that an existing file is a store this build may
// open, and reads all it holds for the app, so that a damaged page shows before anything is written.
// A refused file keeps every byte and gains no file beside it. With kept, the check's connection
// stays open there, and readAt holds the data version the plants were read at (none when no plants
// were read): that connection's data version moves on once another one commits.
bool checkExisting(const QString &path, bool immutable, std::vector<std::unique_ptr<Plant>> &garden,
                   QString *error, Logs logs = Logs::onDemand, SqliteDatabase *kept = nullptr,
                   std::optional<qint64> *readAt = nullptr)
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

    SqliteDatabase local;
    SqliteDatabase &db = kept ? *kept : local;
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
    // A file of version 0 is empty: there is nothing to read yet.
    if (db.queryInt("PRAGMA user_version") == 0)
        return true;
    // Every page is walked on a connection and thread of its own while this one reads the garden:
    // on a machine with a core to spare, the check costs the window next to nothing.
    std::optional<QString> damage;
    std::thread walk([&path, immutable, &damage] {
        SqliteDatabase own;
        QString why;
        if (!own.openForCheck(path, immutable, &why)) {
            damage = describeFailure(path, SQLITE_CANTOPEN, why);
            return;
        }
        sqlite3_busy_timeout(own.handle(), busyTimeoutMsecs);
        own.setDeadline(QDeadlineTimer(openBudgetMsecs));
        damage = damageIn(path, own);
    });
    // Taken before the plants: a change committed meanwhile shows as a later version.
    const std::optional<qint64> version = db.queryInt("PRAGMA data_version");
    const bool read = readGarden(db, garden, &message, logs);
    walk.join();
    if (damage || !read) {
        *error = damage ? *damage : describeFailure(path, db.lastErrorCode(), message);
        garden.clear();
        return false;
    }
    if (readAt)
        *readAt = version;
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
    emit aboutToClose();
    // Nothing can put back what was taken any more: its rows go for good, in a commit after the
    // one that saves the last changes, so a long removal cannot hold those up.
    std::vector<RecordId> purge = std::exchange(m_toPurge, {});
    for (auto it = m_keptOfCopy.cbegin(); it != m_keptOfCopy.cend(); ++it) {
        m_toMark.remove(it.value());
        purge.push_back(it.value());
    }
    m_keptOfCopy.clear();
    commit();
    m_toPurge.insert(m_toPurge.end(), purge.begin(), purge.end());
    commit();
    // Waits for a running checkpoint: then this connection is the last and folds the log on close.
    if (m_checkpointer) {
        sqlite3_wal_hook(m_db.handle(), nullptr, nullptr);
        m_checkpointer.reset();
    }
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
    // Only a process of this machine that is opening the store right now is waited for; anything
    // else in the lock's place (a folder, a lock of another computer) refuses the store at once, so
    // the window never waits for what will not go away.
    const QString openingPath = path + QStringLiteral(".opening");
    const QFileInfo opening(openingPath);
    if (opening.isSymLink() || (opening.exists() && !opening.isFile())) {
        *error =
            QStringLiteral("%1 beside the store is not a lock file Tendrel made; Tendrel leaves both alone.")
                .arg(quoted(openingPath));
        return nullptr;
    }
    QLockFile openingLock(openingPath);
    openingLock.setStaleLockTime(openingLockStaleMsecs);
    if (!openingLock.tryLock(0)) {
        qint64 pid = 0;
        QString host;
        QString application;
        const bool known = openingLock.error() == QLockFile::LockFailedError &&
                           openingLock.getLockInfo(&pid, &host, &application);
        const bool openingHere = known && host == QSysInfo::machineHostName() && pid > 0 &&
                                 (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
        if (known && !openingHere) {
            *error = QStringLiteral("%1 is being opened by Tendrel on %2.")
                         .arg(quoted(path), host.isEmpty() ? QStringLiteral("another computer") : host);
            return nullptr;
        }
        // Unknown: the lock file may have been made a moment ago, its owner not yet written in it.
        if (!openingLock.tryLock(openingHere ? openingLockWaitMsecs : openingLockUnknownWaitMsecs)) {
            if (openingLock.error() == QLockFile::LockFailedError)
                *error = QStringLiteral("%1 is being opened by another program.").arg(quoted(path));
            else
                *error = QStringLiteral("The folder %1 cannot be written.").arg(quoted(info.absolutePath()));
            return nullptr;
        }
    }
    std::vector<std::unique_ptr<Plant>> garden;
    // A log with its index, or a journal, beside the store means another connection may have it
    // open, or left changes that only a connection honouring SQLite's locks reads: then the check
    // reads through the locks, and the plants are read again once this process holds the write
    // lock if another connection has committed since.
    const auto reading = readingOf(path, error);
    if (!reading)
        return nullptr;
    const bool inUse = *reading == Reading::throughLocks;
    SqliteDatabase check;
    std::optional<qint64> checkReadAt;
    if (QFileInfo(path).size() > 0 &&
        !checkExisting(path, !inUse, garden, error, Logs::onDemand, inUse ? &check : nullptr, &checkReadAt))
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
    // FULL syncs the log at every commit: a care action the store has acknowledged survives a power
    // cut. NORMAL would sync it only when the log moves into the file, losing the commits since.
    if (!journal || !db.exec("PRAGMA foreign_keys = ON; PRAGMA synchronous = FULL", &message) ||
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
    // What the check read still holds unless another connection has committed since; none can
    // while this one holds the write lock. Otherwise the plants are read again, through it.
    if (ok && inUse &&
        (!checkReadAt || *version != StoreSchema::currentVersion ||
         check.queryInt("PRAGMA data_version") != checkReadAt))
        ok = readGarden(db, garden, &message);
    check.close();
    if (!ok || !db.exec("COMMIT", &message)) {
        if (code == SQLITE_OK)
            code = db.lastErrorCode();
        db.exec("ROLLBACK");
        *error = describeFailure(path, code, message);
        return nullptr;
    }
    // Plants marked deleted by a process that ended without closing the store go now, on their
    // own: whatever happens to that, the store opens. With a connection open elsewhere they may
    // still be that one's to put back, so they stay (unseen).
    if (!inUse && !db.exec("DELETE FROM plant WHERE id IN (SELECT plant FROM deletedPlant)", &message))
        qCWarning(lcStore).noquote() << "Plants marked deleted stay in the file for now:" << message;
    db.setDeadline(QDeadlineTimer(QDeadlineTimer::Forever));

    std::unique_ptr<ModelStore> store(new ModelStore(std::move(db), path));
    store->adoptGarden(std::move(garden));
    store->startCheckpointer();
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
    return openStandIn(reason);
}

std::unique_ptr<ModelStore> ModelStore::openStandIn(const QString &reason)
{
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
    if (m_unsaved.remove(id))
        m_insertOrder.erase(std::find(m_insertOrder.begin(), m_insertOrder.end(), id));
    else
        m_deletedPlants.push_back(id);
    m_dirty.remove(id);
    // Events and the photo go with the row by the foreign keys' cascade.
    std::erase_if(m_newEvents, [id](const PendingEvent &event) { return event.plant == id; });
    removeFromMemory(plant);
}

void ModelStore::removeFromMemory(Plant *plant)
{
    m_plants.removeOne(plant);
    m_byId.remove(plant->id());
    if (plant->eventCount() > 0) {
        m_eventCount -= plant->eventCount();
        m_eventsChangedPending = true;
    }
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

void ModelStore::eventReinstated(Plant &plant, CareEvent &event, const CareEvent *next)
{
    if (plant.modelContext() != this)
        return;
    ++m_eventCount;
    m_eventsChangedPending = true;
    if (!m_unsaved.contains(plant.id())) {
        // Put back before its deletion was saved: the row is still where it was.
        if (!m_deletedEvents.remove(event.id())) {
            m_newEvents.push_back({event.id(), plant.id(), event.kindRaw(), event.dateMsecs(), event.note(),
                                   next ? next->id() : 0});
        }
    }
    scheduleFlush();
}

std::unique_ptr<Plant> ModelStore::take(Plant *plant)
{
    // The copy carries the log: a plant whose log cannot be read stays where it is.
    if (!plant || plant->modelContext() != this || !plant->loadLog())
        return nullptr;
    auto copy = std::make_unique<Plant>(plant->id());
    copy->setName(plant->name());
    copy->setSpeciesID(plant->speciesID());
    copy->setSite(plant->site());
    copy->setNotes(plant->notes());
    copy->setDateAdded(plant->dateAdded());
    for (CareKind kind : CareKind::allCases()) {
        copy->setInterval(kind, plant->interval(kind));
        copy->restoreLastDone(kind, plant->lastDoneMsecs(kind));
    }
    if (plant->hasEventList()) {
        std::vector<std::unique_ptr<CareEvent>> log;
        log.reserve(size_t(plant->eventCount()));
        for (const CareEvent *event : plant->events())
            log.push_back(std::make_unique<CareEvent>(event->id(), event->kindRaw(), event->dateMsecs(),
                                                      event->note()));
        copy->restoreEvents(std::move(log));
    } else {
        copy->restoreEvents(std::nullopt);
    }

    const RecordId id = plant->id();
    // Rows saved as they are now stay in the file, marked deleted; the copy goes back by clearing
    // the mark. A plant with changes not yet saved is deleted outright and written whole again.
    if (!m_unsaved.contains(id) && !m_dirty.contains(id)) {
        if (plant->holdsPhoto())
            copy->restorePhoto(plant->photo());
        else
            copy->restoreHasPhoto(plant->hasPhoto());
        m_keptOfCopy.insert(copy.get(), id);
        if (m_toMark.remove(id) == 0)
            m_toMark.insert(id, true);
        removeFromMemory(plant);
        return copy;
    }
    if (plant->holdsPhoto()) {
        copy->restorePhoto(plant->photo());
    } else if (plant->hasPhoto()) {
        copy->restoreHasPhoto(true);
        // The bytes stay in the file until this plant's deletion is saved, then wait aside.
        qint64 key = m_fromAside.take(id);
        if (key == 0) {
            key = ++m_lastAsideKey;
            m_toSetAside.emplace_back(id, key);
        }
        m_asideOfCopy.insert(copy.get(), key);
    }
    deletePlant(plant);
    return copy;
}

void ModelStore::restore(std::unique_ptr<Plant> plant, qsizetype index)
{
    if (!plant || plant->modelContext() || m_byId.contains(plant->id())) {
        qCWarning(lcStore) << "Not putting back a plant that is already in a store";
        if (plant)
            discard(std::move(plant));
        return;
    }
    const RecordId id = plant->id();
    const bool kept = m_keptOfCopy.remove(plant.get()) > 0;
    if (const auto aside = m_asideOfCopy.constFind(plant.get()); aside != m_asideOfCopy.cend()) {
        m_fromAside.insert(id, *aside);
        m_asideOfCopy.erase(aside);
    }
    Plant *placed = plant.release();
    index = std::clamp<qsizetype>(index, 0, m_plants.size());
    placed->setParent(this);
    placed->setModelContext(this);
    m_plants.insert(index, placed);
    m_byId.insert(id, placed);
    if (kept) {
        // Its rows never left their place in the file.
        if (m_toMark.remove(id) == 0)
            m_toMark.insert(id, false);
    } else {
        if (index + 1 < m_plants.size())
            m_insertBefore.insert(id, m_plants.at(index + 1)->id());
        m_unsaved.insert(id);
        m_insertOrder.push_back(id);
    }
    m_plantsChangedPending = true;
    if (placed->eventCount() > 0) {
        m_eventCount += placed->eventCount();
        m_eventsChangedPending = true;
    }
    invalidateQueries(nullptr);
    scheduleFlush();
}

void ModelStore::discard(std::unique_ptr<Plant> plant)
{
    if (!plant)
        return;
    if (const auto kept = m_keptOfCopy.constFind(plant.get()); kept != m_keptOfCopy.cend()) {
        m_toMark.remove(*kept);
        m_toPurge.push_back(*kept);
        m_keptOfCopy.erase(kept);
        scheduleFlush();
        return;
    }
    const auto aside = m_asideOfCopy.constFind(plant.get());
    if (aside == m_asideOfCopy.cend())
        return;
    const qint64 key = *aside;
    m_asideOfCopy.erase(aside);
    const auto pending = std::find_if(m_toSetAside.begin(), m_toSetAside.end(),
                                      [key](const auto &entry) { return entry.second == key; });
    if (pending != m_toSetAside.end()) {
        m_toSetAside.erase(pending);
        return;
    }
    if (!m_hasAsideTable)
        return;
    SqliteStatement *drop = statement(m_dropAside, "DELETE FROM temp.keptPhoto WHERE key = ?1");
    if (drop)
        drop->bind(1, key);
    if (!run(drop))
        qCWarning(lcStore).noquote() << "Cannot forget a kept photo:" << m_failure;
}

bool ModelStore::ensureAsideTable()
{
    // In the connection's temporary database: never part of the store file.
    if (!m_hasAsideTable)
        m_hasAsideTable = m_db.exec("CREATE TEMP TABLE IF NOT EXISTS keptPhoto (key INTEGER PRIMARY KEY, "
                                    "bytes BLOB NOT NULL)",
                                    &m_failure);
    return m_hasAsideTable;
}

bool ModelStore::markDeleted(RecordId plant, bool deleted)
{
    SqliteStatement *mark =
        deleted ? statement(m_markDeleted, "INSERT OR IGNORE INTO deletedPlant (plant) VALUES (?1)")
                : statement(m_clearDeleted, "DELETE FROM deletedPlant WHERE plant = ?1");
    if (mark)
        mark->bind(1, qint64(plant));
    return run(mark);
}

bool ModelStore::setPhotoAside(RecordId plant, qint64 key)
{
    if (!ensureAsideTable())
        return false;
    SqliteStatement *copy = statement(m_setAside, "INSERT OR REPLACE INTO temp.keptPhoto (key, bytes) "
                                                  "SELECT ?2, bytes FROM main.plantPhoto WHERE plant = ?1");
    if (copy) {
        copy->bind(1, qint64(plant));
        copy->bind(2, key);
    }
    return run(copy);
}

bool ModelStore::takePhotoBack(RecordId plant, qint64 key)
{
    if (!ensureAsideTable())
        return false;
    SqliteStatement *copy = statement(m_takeBack, "INSERT OR REPLACE INTO main.plantPhoto (plant, bytes) "
                                                  "SELECT ?1, bytes FROM temp.keptPhoto WHERE key = ?2");
    if (copy) {
        copy->bind(1, qint64(plant));
        copy->bind(2, key);
    }
    if (!run(copy))
        return false;
    SqliteStatement *drop = statement(m_dropAside, "DELETE FROM temp.keptPhoto WHERE key = ?1");
    if (drop)
        drop->bind(1, key);
    return run(drop);
}

std::optional<qint64> ModelStore::firstValue(SqliteStatement *statement)
{
    if (!statement)
        return std::nullopt;
    const int rc = statement->step();
    const std::optional<qint64> value =
        rc == SQLITE_ROW && !statement->isNull(0) ? std::optional(statement->int64(0)) : std::nullopt;
    statement->reset();
    return value;
}

std::optional<qint64> ModelStore::plantSeqBefore(RecordId beforeId)
{
    SqliteStatement *find = statement(m_plantSeq, "SELECT seq FROM plant WHERE id = ?1");
    if (find)
        find->bind(1, qint64(beforeId));
    const std::optional<qint64> next = firstValue(find);
    if (!next)
        return std::nullopt;
    // Plants are in store order on disk, so the row below the next one is the one before.
    SqliteStatement *below =
        statement(m_plantSeqBelow, "SELECT coalesce(max(seq), 0) FROM plant WHERE seq < ?1");
    if (below)
        below->bind(1, *next);
    const qint64 previous = firstValue(below).value_or(*next);
    return *next - previous >= 2 ? std::optional(*next - 1) : std::nullopt;
}

std::optional<qint64> ModelStore::eventSeqBefore(RecordId plant, RecordId beforeId)
{
    SqliteStatement *find = statement(m_eventSeq, "SELECT seq FROM careEvent WHERE id = ?1");
    if (find)
        find->bind(1, qint64(beforeId));
    const std::optional<qint64> next = firstValue(find);
    if (!next)
        return std::nullopt;
    SqliteStatement *below = statement(m_eventSeqBelow, "SELECT coalesce(max(seq), 0) FROM careEvent "
                                                        "WHERE plant = ?1 AND seq < ?2");
    if (below) {
        below->bind(1, qint64(plant));
        below->bind(2, *next);
    }
    const qint64 previous = firstValue(below).value_or(*next);
    // Other plants' events may sit in between: the highest free number above the plant's previous
    // entry and below the next one (the event's own old number is free, so there is one).
    SqliteStatement *free =
        statement(m_freeEventSeq, "SELECT c.seq - 1 FROM careEvent c WHERE c.seq > ?1 + 1 AND c.seq <= ?2 "
                                  "AND NOT EXISTS (SELECT 1 FROM careEvent d WHERE d.seq = c.seq - 1) "
                                  "ORDER BY c.seq DESC LIMIT 1");
    if (free) {
        free->bind(1, previous);
        free->bind(2, *next);
    }
    return firstValue(free);
}

std::optional<std::vector<std::unique_ptr<CareEvent>>> ModelStore::loadEvents(const Plant &plant)
{
    if (plant.modelContext() != this)
        return std::nullopt;
    SqliteStatement *read = statement(m_readLog, readLogSql);
    std::vector<std::unique_ptr<CareEvent>> log;
    log.reserve(size_t(plant.eventCount()));
    m_db.setDeadline(QDeadlineTimer(openBudgetMsecs));
    const bool ok = read && readLog(*read, plant.id(), log);
    m_db.setDeadline(QDeadlineTimer(QDeadlineTimer::Forever));
    if (!ok) {
        const QString message =
            QStringLiteral("The care log in %1 cannot be read (%2).").arg(quoted(m_path), m_db.lastError());
        qCWarning(lcStore).noquote() << message;
        if (m_saveError != message) {
            m_saveError = message;
            emit saveErrorChanged();
        }
        return std::nullopt;
    }
    // The count known at opening gives way to the log as it is now.
    m_eventCount += int(log.size()) - plant.eventCount();
    return log;
}

std::optional<QByteArray> ModelStore::loadPhoto(const Plant &plant) const
{
    if (plant.holdsPhoto())
        return plant.photo();
    if (!plant.hasPhoto())
        return std::nullopt;
    SqliteStatement *read = statement(m_readPhoto, "SELECT bytes FROM main.plantPhoto WHERE plant = ?1");
    if (!read)
        return std::nullopt;
    m_db.setDeadline(QDeadlineTimer(photoBudgetMsecs));
    read->bind(1, qint64(plant.id()));
    std::optional<QByteArray> bytes;
    int rc = read->step();
    if (rc == SQLITE_ROW)
        bytes = read->blob(0);
    read->reset();
    // A plant put back since the last commit: its photo still waits aside.
    if (rc == SQLITE_DONE && m_hasAsideTable) {
        const auto aside = m_fromAside.constFind(plant.id());
        SqliteStatement *readAside =
            aside == m_fromAside.cend()
                ? nullptr
                : statement(m_readAside, "SELECT bytes FROM temp.keptPhoto WHERE key = ?1");
        if (readAside) {
            readAside->bind(1, *aside);
            rc = readAside->step();
            if (rc == SQLITE_ROW)
                bytes = readAside->blob(0);
            readAside->reset();
        }
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        qCWarning(lcStore).noquote() << "Cannot read a photo:" << m_db.lastError();
    m_db.setDeadline(QDeadlineTimer(QDeadlineTimer::Forever));
    return bytes;
}

void ModelStore::startCheckpointer()
{
    if (!m_db.exec(
            QByteArray("PRAGMA journal_size_limit = " + QByteArray::number(logSizeLimitBytes)).constData()))
        qCDebug(lcStore) << "The log keeps its size:" << m_db.lastError();
    m_checkpointer = std::make_unique<StoreCheckpointer>(m_path);
    // Replaces SQLite's automatic checkpoint: after each commit the hook only hands the work over.
    sqlite3_wal_hook(
        m_db.handle(),
        [](void *checkpointer, sqlite3 *, const char *, int pages) {
            if (pages >= checkpointPages)
                static_cast<StoreCheckpointer *>(checkpointer)->request();
            return SQLITE_OK;
        },
        m_checkpointer.get());
}

quint64 ModelStore::checkpointCount() const
{
    return m_checkpointer ? m_checkpointer->checkpointCount() : 0;
}

bool ModelStore::hasUnsavedChanges() const
{
    return !m_insertOrder.empty() || !m_dirty.isEmpty() || !m_newEvents.empty() ||
           !m_deletedEvents.isEmpty() || !m_deletedPlants.empty() || !m_toSetAside.empty() ||
           !m_toMark.isEmpty() || !m_toPurge.empty();
}

bool ModelStore::flush()
{
    return commit();
}

bool ModelStore::flushToFile()
{
    if (!commit())
        return false;
    if (!isPersistent() || sqlite3_get_autocommit(m_db.handle()) == 0)
        return true;
    // Without a busy handler: a reader in the way leaves the log as it is, at once.
    sqlite3_busy_timeout(m_db.handle(), 0);
    const int rc =
        sqlite3_wal_checkpoint_v2(m_db.handle(), "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_busy_timeout(m_db.handle(), busyTimeoutMsecs);
    if (rc != SQLITE_OK)
        qCDebug(lcStore) << "The write-ahead log stays:" << sqlite3_errstr(rc);
    return true;
}

bool ModelStore::backUp(const QString &target, QString *error)
{
    if (!flushToFile()) {
        if (error)
            *error = QStringLiteral("The latest changes cannot be saved (%1).").arg(m_saveError);
        return false;
    }
    if (isPersistent())
        return StoreBackup::write(m_path, target, error);
    return StoreBackup::write(m_db.handle(), target, error);
}

std::optional<ModelStore::GardenSummary> ModelStore::inspect(const QString &path, QString *error)
{
    std::vector<std::unique_ptr<Plant>> garden;
    QString reason;
    if (!readFile(path, garden, &reason)) {
        if (error)
            *error = reason;
        return std::nullopt;
    }
    GardenSummary summary;
    summary.plants = int(garden.size());
    for (const auto &plant : garden)
        summary.events += plant->eventCount();
    summary.written = QFileInfo(path).lastModified();
    return summary;
}

bool ModelStore::check(const QString &path, QString *error)
{
    QString reason;
    std::vector<std::unique_ptr<Plant>> garden;
    const auto reading = readingOf(path, &reason);
    if (reading && checkExisting(path, *reading == Reading::fileAlone, garden, &reason))
        return true;
    if (error)
        *error = reason;
    return false;
}

bool ModelStore::readFile(const QString &path, std::vector<std::unique_ptr<Plant>> &garden, QString *error)
{
    QString reason;
    const auto fail = [&](const QString &why) {
        garden.clear();
        if (error)
            *error = why;
        return false;
    };
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("%1 is not a file.").arg(quoted(path)));
    // A file that another connection may have open is read through its locks.
    const auto reading = readingOf(path, &reason);
    if (!reading)
        return fail(reason);
    const bool inUse = *reading == Reading::throughLocks;
    if (!checkExisting(path, !inUse, garden, &reason, Logs::whole))
        return fail(reason);
    // An empty database holds no garden to put in place of this one.
    SqliteDatabase db;
    if (!db.openForCheck(path, !inUse, &reason) ||
        db.queryInt("PRAGMA user_version", &reason).value_or(0) == 0)
        return fail(notAStore(path));
    return true;
}

bool ModelStore::copyTable(SqliteDatabase &source, const QByteArray &select, const char *table)
{
    SqliteStatement rows(source.handle(), select.constData());
    if (!rows.isValid()) {
        m_failureCode = source.lastErrorCode();
        m_failure = source.lastError();
        return false;
    }
    sqlite3_stmt *read = rows.handle();
    const int columns = sqlite3_column_count(read);
    QByteArray sql = QByteArray("INSERT INTO main.") + table + " VALUES (";
    for (int i = 1; i <= columns; ++i)
        sql += (i > 1 ? ", ?" : "?") + QByteArray::number(i);
    sql += ')';
    SqliteStatement insert(m_db.handle(), sql.constData());
    if (!insert.isValid()) {
        m_failureCode = m_db.lastErrorCode();
        m_failure = m_db.lastError();
        return false;
    }
    int rc = SQLITE_ROW;
    while ((rc = rows.step()) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i)
            sqlite3_bind_value(insert.handle(), i + 1, sqlite3_column_value(read, i));
        if (!run(&insert))
            return false;
    }
    if (rc != SQLITE_DONE) {
        m_failureCode = source.lastErrorCode();
        m_failure = source.lastError();
        return false;
    }
    return true;
}

bool ModelStore::replaceGarden(const QString &path, QString *error)
{
    const auto fail = [&](const QString &reason) {
        qCWarning(lcStore).noquote() << "Cannot restore:" << reason;
        if (error)
            *error = reason;
        return false;
    };
    if (const auto refused = StoreBackup::refusal(m_path, path))
        return fail(*refused);
    if (!commit())
        return fail(QStringLiteral("The latest changes cannot be saved. %1").arg(m_saveError));
    std::vector<std::unique_ptr<Plant>> garden;
    QString reason;
    if (!readFile(path, garden, &reason))
        return fail(reason);
    SqliteDatabase source;
    const bool inUse = readingOf(path, &reason) == Reading::throughLocks;
    if (!source.openForCheck(path, !inUse, &reason))
        return fail(describeFailure(path, SQLITE_CANTOPEN, reason));
    sqlite3_busy_timeout(source.handle(), busyTimeoutMsecs);
    source.setDeadline(QDeadlineTimer(restoreBudgetMsecs));

    // One transaction: the garden is replaced whole or not at all. Only the store's own columns
    // are copied, and only rows that belong to a plant.
    m_failureCode = SQLITE_ERROR;
    m_failure.clear();
    m_db.setDeadline(QDeadlineTimer(restoreBudgetMsecs));
    bool ok = run(statement(m_begin, "BEGIN IMMEDIATE")) && source.exec("BEGIN", &m_failure);
    // Plants taken out for undo lose their rows with this garden; their photos wait aside instead.
    std::vector<std::pair<const Plant *, qint64>> setAside;
    for (auto it = m_keptOfCopy.cbegin(); ok && it != m_keptOfCopy.cend(); ++it) {
        if (it.key()->hasPhoto() && !it.key()->holdsPhoto()) {
            setAside.emplace_back(it.key(), m_lastAsideKey + qint64(setAside.size()) + 1);
            ok = setPhotoAside(it.value(), setAside.back().second);
        }
    }
    // Plants the file marks deleted are not part of its garden.
    const bool marks = marksDeletedPlants(source);
    const QByteArray plants = marks
                                  ? "(SELECT id FROM plant WHERE id NOT IN (SELECT plant FROM deletedPlant))"
                                  : "(SELECT id FROM plant)";
    ok = ok &&
         m_db.exec(
             "DELETE FROM deletedPlant; DELETE FROM careEvent; DELETE FROM plantPhoto; DELETE FROM plant",
             &m_failure) &&
         copyTable(source, "SELECT * FROM plant WHERE id IN " + plants + " ORDER BY seq", "plant") &&
         copyTable(source, "SELECT * FROM careEvent WHERE plant IN " + plants + " ORDER BY seq",
                   "careEvent") &&
         copyTable(source, "SELECT * FROM plantPhoto WHERE plant IN " + plants, "plantPhoto");
    // Read back from this connection: the garden in memory is exactly what was written.
    ok = ok && readGarden(m_db, garden, &m_failure);
    ok = ok && run(statement(m_commit, "COMMIT"));
    m_db.setDeadline(QDeadlineTimer(QDeadlineTimer::Forever));
    source.close();
    if (!ok) {
        const QString message = describeSaveFailure(m_path, m_failureCode, m_failure);
        if (sqlite3_get_autocommit(m_db.handle()) == 0) {
            if (SqliteStatement *rollback = statement(m_rollback, "ROLLBACK"))
                rollback->run();
        }
        return fail(message);
    }

    for (const auto &[copy, key] : setAside)
        m_asideOfCopy.insert(copy, key);
    m_lastAsideKey += qint64(setAside.size());
    m_keptOfCopy.clear();
    // Every plant object goes; the new garden's plants take their place.
    for (Plant *plant : std::as_const(m_plants)) {
        plant->setModelContext(nullptr);
        plant->deleteLater();
    }
    m_plants.clear();
    m_byId.clear();
    m_eventCount = 0;
    m_fromAside.clear();
    adoptGarden(std::move(garden));
    m_plantsChangedPending = true;
    m_eventsChangedPending = true;
    invalidateQueries(nullptr);
    scheduleFlush();
    return true;
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
    // A number for seq puts the event back at its place; NULL lets SQLite put it last.
    const std::optional<qint64> seq = event.before ? eventSeqBefore(event.plant, event.before) : std::nullopt;
    SqliteStatement *insert = statement(
        m_insertEvent,
        "INSERT INTO careEvent (id, plant, kindRaw, date, note, seq) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (insert) {
        insert->bind(1, qint64(event.id));
        insert->bind(2, qint64(event.plant));
        insert->bind(3, event.kindRaw);
        insert->bind(4, event.dateMsecs);
        insert->bind(5, event.note);
        insert->bind(6, seq);
    }
    return run(insert);
}

bool ModelStore::insertPlant(const Plant &plant)
{
    const auto before = m_insertBefore.constFind(plant.id());
    const std::optional<qint64> seq =
        before != m_insertBefore.cend() ? plantSeqBefore(*before) : std::nullopt;
    SqliteStatement *insert = statement(
        m_insertPlant, "INSERT INTO plant (id, name, speciesID, site, notes, dateAdded, "
                       "waterInterval, fertilizeInterval, mistInterval, lastWatered, lastFertilized, "
                       "lastMisted, hasEventList, seq) "
                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
    if (insert)
        insert->bind(14, seq);
    return writePlant(insert, plant);
}

bool ModelStore::commit()
{
    if (!hasUnsavedChanges() || !m_db.isOpen()) {
        // What a failed commit left waiting may have cancelled out since (a plant taken and put
        // back, a plant added and deleted): nothing is unsaved, so that failure no longer stands.
        if (m_retryTimer.isActive()) {
            m_retryTimer.stop();
            m_retryDelayMsecs = retryMsecs;
            if (!m_saveError.isEmpty()) {
                m_saveError.clear();
                emit saveErrorChanged();
            }
        }
        return true;
    }
    m_retryTimer.stop();
    m_failureCode = SQLITE_ERROR;
    m_failure.clear();
    m_db.setDeadline(QDeadlineTimer(commitBudgetMsecs));

    bool ok = run(statement(m_begin, "BEGIN IMMEDIATE"));
    std::vector<Plant *> photosWritten;
    // Deletions first: a plant taken and put back in one turn is deleted, then written whole, and
    // the photo of a taken plant is set aside before its row goes.
    for (auto it = m_toSetAside.cbegin(); ok && it != m_toSetAside.cend(); ++it)
        ok = setPhotoAside(it->first, it->second);
    if (ok) {
        SqliteStatement *remove = statement(m_deletePlant, "DELETE FROM plant WHERE id = ?1");
        for (auto it = m_deletedPlants.cbegin(); ok && it != m_deletedPlants.cend(); ++it) {
            if (remove)
                remove->bind(1, qint64(*it));
            ok = run(remove);
        }
    }
    if (ok) {
        SqliteStatement *remove = statement(m_deleteEvent, "DELETE FROM careEvent WHERE id = ?1");
        for (auto it = m_deletedEvents.cbegin(); ok && it != m_deletedEvents.cend(); ++it) {
            if (remove)
                remove->bind(1, qint64(*it));
            ok = run(remove);
        }
    }
    // Plants put back whose rows stayed in the file; one whose rows are gone is written whole.
    std::vector<RecordId> insertOrder = m_insertOrder;
    for (auto it = m_toMark.cbegin(); ok && it != m_toMark.cend(); ++it) {
        if (it.value())
            continue;
        ok = markDeleted(it.key(), false);
        if (SqliteStatement *find =
                ok ? statement(m_plantSeq, "SELECT seq FROM plant WHERE id = ?1") : nullptr) {
            find->bind(1, qint64(it.key()));
            if (!firstValue(find) && m_byId.contains(it.key())) {
                qCWarning(lcStore) << "The rows of a plant put back were removed elsewhere; writing it again";
                insertOrder.push_back(it.key());
                // Its whole log is written with it.
                std::erase_if(m_newEvents,
                              [id = it.key()](const PendingEvent &event) { return event.plant == id; });
            }
        }
    }
    for (auto it = insertOrder.cbegin(); ok && it != insertOrder.cend(); ++it) {
        Plant *plant = m_byId.value(*it);
        ok = insertPlant(*plant);
        if (ok && plant->holdsPhoto()) {
            ok = writePhoto(*plant);
            photosWritten.push_back(plant);
        } else if (ok && plant->hasPhoto() && m_fromAside.contains(plant->id())) {
            ok = takePhotoBack(plant->id(), m_fromAside.value(plant->id()));
        }
        const QList<CareEvent *> log = plant->events();
        for (auto event = log.cbegin(); ok && event != log.cend(); ++event) {
            ok = writeEvent(
                {(*event)->id(), plant->id(), (*event)->kindRaw(), (*event)->dateMsecs(), (*event)->note()});
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
    for (auto it = m_toMark.cbegin(); ok && it != m_toMark.cend(); ++it) {
        if (it.value())
            ok = markDeleted(it.key(), true);
    }
    // Last: the cascade takes the rows of the plant, its log and photo, and its mark.
    if (ok) {
        SqliteStatement *remove = statement(m_deletePlant, "DELETE FROM plant WHERE id = ?1");
        for (auto it = m_toPurge.cbegin(); ok && it != m_toPurge.cend(); ++it) {
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
    m_insertBefore.clear();
    m_toSetAside.clear();
    m_toMark.clear();
    m_toPurge.clear();
    // Every plant still waiting for its photo from aside was inserted by this commit.
    m_fromAside.clear();
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
