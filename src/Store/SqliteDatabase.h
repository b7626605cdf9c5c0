#pragma once

#include <QDeadlineTimer>
#include <QString>

#include <memory>
#include <optional>

struct sqlite3;

// Owns one SQLite connection and closes it on destruction. Move-only; a default-constructed or
// moved-from object holds no connection. Not thread-safe: one connection per thread.
//
// Every connection bounds what a file can make it do: no value larger than maxValueBytes, no
// function with side effects called from the file's own schema, and, once setDeadline() is given
// a time, no statement that runs past it (it stops with SQLITE_INTERRUPT):
//
//     SqliteDatabase db;
//     db.openForCheck(path, true, &error); // writes nothing, creates nothing beside the file
//     db.setDeadline(QDeadlineTimer(5000));
//     db.queryInt("SELECT count(*) FROM plant"); // none after five seconds, whatever the file holds
class SqliteDatabase final
{
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(SqliteDatabase &&other) noexcept;
    SqliteDatabase &operator=(SqliteDatabase &&other) noexcept;
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    // The largest text or blob a statement reads or writes (a stored photo is a few megabytes).
    static constexpr int maxValueBytes = 32 * 1024 * 1024;

    // flags are SQLite's SQLITE_OPEN_* flags. On failure no connection is kept and error says why.
    bool open(const QString &path, int flags, QString *error);
    // Opens path read-only without writing or creating anything: no journal, -wal or -shm file.
    // immutable also takes no locks and reads the main file alone (any -wal file is ignored), so
    // it is only right for a file that no connection has open.
    bool openForCheck(const QString &path, bool immutable, QString *error);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3 *handle() const { return m_db; }

    // Runs one or more statements that return no rows.
    bool exec(const char *sql, QString *error = nullptr);
    // The first column of the first row of a one-value query such as "PRAGMA user_version".
    std::optional<qint64> queryInt(const char *sql, QString *error = nullptr);
    std::optional<QString> queryText(const char *sql, QString *error = nullptr);

    // Statements stop with SQLITE_INTERRUPT once deadline has passed; QDeadlineTimer::Forever
    // (the default) lets them run as long as they take.
    void setDeadline(QDeadlineTimer deadline);
    // Whether the last statement stopped because the deadline had passed.
    bool deadlinePassed() const;

    // SQLite's message for the last failure on this connection.
    QString lastError() const;
    int lastErrorCode() const;

private:
    bool adopt(sqlite3 *db, int rc, QString *error);

    sqlite3 *m_db = nullptr;
    // On the heap, so the progress handler's pointer stays valid when the object moves.
    std::unique_ptr<QDeadlineTimer> m_deadline;
};
