#pragma once

#include "Models/ModelContext.h"
#include "Models/RecordId.h"
#include "Store/SqliteDatabase.h"
#include "Store/SqliteStatement.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class CareEvent;
class Plant;
class PlantQuery;
class StoreCheckpointer;

// The store of every plant and care event, and the main context that screens of both windows
// share. It owns all records for their whole life: on opening it reads every plant into memory, one
// object per record. Photos stay on disk until a screen asks, and so does each plant's care log:
// the first window needs only the last-done dates, a count and the latest entries' dates.
//
// Saving is automatic. Every change that reaches the store through a record (ModelContext) or
// insert()/deletePlant() is committed in the same event-loop turn, all changes of one turn in one
// transaction, so a care action's last-done date and its log entry are on disk together or not at
// all. plantsChanged() and eventsChanged() fire once per turn that changed something, after that
// turn's commit.
//
// A persistent store is one SQLite file (WAL journal). Before anything is written to an existing
// file, a connection that can neither write nor create files beside it checks the header and that
// the schema is exactly the store's own (no view, trigger or object of another program), walks
// every page for damage (PRAGMA quick_check, beside the reading) and reads every plant and event; a
// write-ahead log beside it that no index accounts for is read first, as SQLite would replay it
// whichever database wrote it. A file that fails is never written to, nor anything beside it:
// openDefault() then works in memory and says why through notPersistentReason(). Every statement on
// the file runs under a time limit, so no file can hold the window. The log is moved into the file on a worker thread with its own
// connection, never by a commit of the window's thread. UI thread only.
class ModelStore final : public QObject, public ModelContext
{
    Q_OBJECT

public:
    ~ModelStore() override;

    // <app data>/tendrel.sqlite, e.g. ~/.local/share/Tendrel/tendrel.sqlite.
    static QString defaultPath();

    // Opens (or creates) the store file at path. Returns null and says why in error when the file
    // cannot be used; such a file is left exactly as it was.
    static std::unique_ptr<ModelStore> open(const QString &path, QString *error = nullptr);
    // A store that keeps everything in memory until it is destroyed.
    static std::unique_ptr<ModelStore> openInMemory(QString *error = nullptr);
    // The store at path (defaultPath() when empty) or, when that cannot be opened, an in-memory
    // store whose notPersistentReason() tells why. Null only when not even memory works.
    static std::unique_ptr<ModelStore> openDefault(const QString &path = {});
    // An in-memory store standing in for the store file, which is not even looked at; reason says
    // why (notPersistentReason()). Null only when not even memory works.
    static std::unique_ptr<ModelStore> openStandIn(const QString &reason);

    bool isPersistent() const { return !m_path.isEmpty(); }
    // The store file; empty in memory.
    QString filePath() const { return m_path; }
    // Why an in-memory store stands in for the store file (empty when nothing failed), in words
    // fit to show the user.
    QString notPersistentReason() const { return m_notPersistentReason; }

    // Every plant, in store order (insertion order, across reopen).
    QList<Plant *> plants() const { return m_plants; }
    int plantCount() const { return int(m_plants.size()); }
    // The plant with this persistent identifier, or null.
    Plant *plant(RecordId id) const { return m_byId.value(id); }
    // Number of care events in all logs.
    int eventCount() const { return m_eventCount; }

    // Where plant stands in store order, or -1 when it is not in this store.
    qsizetype indexOf(const Plant *plant) const { return m_plants.indexOf(plant); }

    // Undo's way to delete and put back. take() deletes plant as deletePlant() does (log, photo and
    // all) and returns a detached copy of it that restore() puts back exactly: same identity,
    // fields, photo bytes, log and place in store order, in memory and in the file. In the file a
    // taken plant keeps its rows, marked deleted (no reader of the file sees them), so putting it
    // back clears one mark; discard() removes them for good when the copy will never be put back,
    // and so does closing the store. (A plant taken before its rows were first saved is deleted
    // outright, its photo waiting in a private table of this connection.)
    //
    //   std::unique_ptr<Plant> kept = store.take(plant);   // gone from every query
    //   store.restore(std::move(kept), index);              // back where it was
    std::unique_ptr<Plant> take(Plant *plant);
    // index is clamped to the store; a plant whose identity is already in the store is refused.
    void restore(std::unique_ptr<Plant> plant, qsizetype index);
    void discard(std::unique_ptr<Plant> plant);

    // ModelContext
    void insert(Plant *plant) override;
    void deletePlant(Plant *plant) override;
    void plantChanged(Plant &plant) override;
    void eventAppended(Plant &plant, CareEvent &event) override;
    void deleteEvent(Plant &plant, const CareEvent &event) override;
    void eventReinstated(Plant &plant, CareEvent &event, const CareEvent *next) override;
    std::optional<std::vector<std::unique_ptr<CareEvent>>> loadEvents(const Plant &plant) override;
    std::optional<QByteArray> loadPhoto(const Plant &plant) const override;

    // Whether changes wait for this turn's commit (or for a retry after a failed one).
    bool hasUnsavedChanges() const;
    // Commits waiting changes now instead of at the end of the turn; also runs on quit and on
    // destruction. False when the commit failed (the changes stay queued and are retried).
    bool flush();
    // Commits as flush() does, then moves every committed change from the write-ahead log into the
    // store file, unless a reader stands in the way (it never waits for one). A backup taken next
    // copies the file as it is instead of page by page.
    bool flushToFile();
    // Writes a backup of the whole garden to target (see StoreBackup), after committing what waits.
    // A persistent store's file may as well be copied on another thread: flushToFile(), then
    // StoreBackup::write(filePath(), target, error).
    bool backUp(const QString &target, QString *error);

    // What a backup (or any store file) holds, read as opening the store reads it.
    struct GardenSummary
    {
        int plants = 0;
        qint64 events = 0;
        QDateTime written; // when the file was last written
    };
    // Checks the file at path as opening the store does (the files beside it, header, schema, every
    // page and row) without writing to it or creating anything beside it; false, with the reason
    // in error, for a file the store would refuse.
    static bool check(const QString &path, QString *error);
    // Checks the file at path read-only exactly as opening the store does (header, this build's
    // own schema and version, every row) and counts what it holds. Nothing is written to the file
    // or created beside it. None, with the reason in error, for a file that could not be opened.
    static std::optional<GardenSummary> inspect(const QString &path, QString *error);
    // The same check, handing out every plant with its log (photos stay in the file).
    static bool readFile(const QString &path, std::vector<std::unique_ptr<Plant>> &garden, QString *error);
    // Replaces every plant, photo and care entry with those of the store file at path, in one
    // transaction after the same check: all or nothing. The file is only read. Plant objects of
    // the garden that goes are deleted later, as deletePlant() does; every query follows.
    bool replaceGarden(const QString &path, QString *error);

    // Why the last commit failed, in words fit to show the user; empty once a commit succeeds again.
    QString saveError() const { return m_saveError; }
    // Number of successful commits, for tests and benchmarks that wait for one.
    quint64 commitCount() const { return m_commitCount; }
    // Number of times the worker moved the log into the file (none in memory), for tests.
    quint64 checkpointCount() const;

signals:
    // The store is being destroyed: whoever holds plants taken out of it lets them go now.
    void aboutToClose();
    // Plants were inserted, deleted or changed in the turn that just ended.
    void plantsChanged();
    // Care events were added or deleted (directly or with their plant) in the turn that just ended.
    void eventsChanged();
    // saveError() changed: a commit failed, or succeeded after failing.
    void saveErrorChanged();

private:
    friend class PlantQuery;

    struct PendingEvent
    {
        RecordId id = 0;
        RecordId plant = 0;
        QString kindRaw;
        qint64 dateMsecs = 0;
        QString note;
        // The event that follows this one in its plant's log, when it was put back in between.
        RecordId before = 0;
    };

    explicit ModelStore(SqliteDatabase db, QString path);

    static std::unique_ptr<ModelStore> openFile(const QString &path, QString *error);
    void adoptGarden(std::vector<std::unique_ptr<Plant>> garden);
    void adopt(Plant *plant);
    // Takes plant out of every list and query; whatever its rows need is queued by the caller.
    void removeFromMemory(Plant *plant);

    // Hands the moving of the log to a worker from now on; the window's commits never do it.
    void startCheckpointer();
    void scheduleFlush();
    void endOfTurn();
    // Copies the rows select reads from source into table of this store's file.
    bool copyTable(SqliteDatabase &source, const QByteArray &select, const char *table);
    bool commit();
    // Each returns false on failure and keeps SQLite's reason in m_failure.
    bool run(SqliteStatement *statement);
    bool writePlant(SqliteStatement *statement, const Plant &plant);
    bool insertPlant(const Plant &plant);
    bool writePhoto(const Plant &plant);
    bool writeEvent(const PendingEvent &event);
    bool ensureAsideTable();
    // Marks the rows of a taken plant deleted, or clears the mark; false on failure. Putting back a
    // plant whose rows are gone writes it whole instead.
    bool markDeleted(RecordId plant, bool deleted);
    bool setPhotoAside(RecordId plant, qint64 key);
    bool takePhotoBack(RecordId plant, qint64 key);
    // A free store position (rowid "seq") right before the row of beforeId, so that a plant or
    // event put back takes its old place; none puts it last.
    std::optional<qint64> plantSeqBefore(RecordId beforeId);
    std::optional<qint64> eventSeqBefore(RecordId plant, RecordId beforeId);
    // The first value of the first row of statement (bound by the caller), if it has one.
    std::optional<qint64> firstValue(SqliteStatement *statement);
    // The prepared statement kept in slot, prepared on first use; null when that fails.
    SqliteStatement *statement(std::unique_ptr<SqliteStatement> &slot, const char *sql) const;

    void attachQuery(PlantQuery *query);
    void detachQuery(PlantQuery *query);
    void invalidateQueries(Plant *changed);

    // Mutable: reading a photo sets the connection's time limit.
    mutable SqliteDatabase m_db;
    QString m_path;
    QString m_notPersistentReason;

    QList<Plant *> m_plants; // store order
    QHash<RecordId, Plant *> m_byId;
    int m_eventCount = 0;
    QList<PlantQuery *> m_queries;

    // Changes waiting for the end of the turn. Plants inserted since the last commit are written
    // whole (row, photo, log) from their live state, so their own changes are not queued.
    std::vector<RecordId> m_insertOrder;
    QSet<RecordId> m_unsaved;
    QSet<RecordId> m_dirty;
    std::vector<PendingEvent> m_newEvents;
    QSet<RecordId> m_deletedEvents;
    std::vector<RecordId> m_deletedPlants;
    // Plants put back in between others: id of the plant that follows each.
    QHash<RecordId, RecordId> m_insertBefore;

    // Photos of taken plants, by key in the connection's private table "keptPhoto": copied there
    // in the commit that deletes the plant, copied back in the one that inserts it again.
    bool m_hasAsideTable = false;
    qint64 m_lastAsideKey = 0;
    QHash<const Plant *, qint64> m_asideOfCopy;            // taken copies whose photo waits aside
    std::vector<std::pair<RecordId, qint64>> m_toSetAside; // plant id, key; before the deletes
    QHash<RecordId, qint64> m_fromAside; // restored plants whose photo comes back from aside

    // Taken plants whose rows stay in the file, marked deleted, by their copy.
    QHash<const Plant *, RecordId> m_keptOfCopy;
    // Marks to set (true) or clear (false) at the next commit; a plant taken and put back within
    // one turn has none.
    QHash<RecordId, bool> m_toMark;
    // Kept plants whose rows go for good at the next commit.
    std::vector<RecordId> m_toPurge;

    bool m_endOfTurnQueued = false;
    bool m_plantsChangedPending = false;
    bool m_eventsChangedPending = false;
    QTimer m_retryTimer;
    int m_retryDelayMsecs;
    // Why the statement that just failed did: SQLite's result code and message.
    mutable int m_failureCode = 0;
    mutable QString m_failure;
    QString m_saveError;
    quint64 m_commitCount = 0;
    // Stopped (and its connection closed) before m_db closes, so the last close folds the log.
    std::unique_ptr<StoreCheckpointer> m_checkpointer;

    mutable std::unique_ptr<SqliteStatement> m_insertPlant, m_updatePlant, m_deletePlant, m_putPhoto,
        m_dropPhoto, m_readPhoto, m_insertEvent, m_deleteEvent, m_begin, m_commit, m_rollback, m_setAside,
        m_takeBack, m_dropAside, m_readAside, m_plantSeq, m_plantSeqBelow, m_eventSeq, m_eventSeqBelow,
        m_freeEventSeq, m_readLog, m_markDeleted, m_clearDeleted;
};
