#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement, finalized on destruction. Parameters are numbered from 1 and columns
// from 0, as in SQLite. Text and blobs are copied when bound, so the caller's buffers need not
// outlive the call; reset() must run before the statement is stepped again with new values.
class SqliteStatement final
{
public:
    SqliteStatement() = default;
    // persistent: the statement is kept for the life of the connection (SQLite sizes it so).
    SqliteStatement(sqlite3 *db, const char *sql, bool persistent = false);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement &&other) noexcept;
    SqliteStatement &operator=(SqliteStatement &&other) noexcept;
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    // The statement itself, for SQLite calls this class does not wrap (copying values as they are).
    sqlite3_stmt *handle() const { return m_stmt; }

    void bindNull(int index);
    void bind(int index, qint64 value);
    void bind(int index, const std::optional<qint64> &value);
    // A null QString binds the empty text, never NULL.
    void bind(int index, const QString &text);
    // An empty view binds a zero-length blob, never NULL.
    void bindBlob(int index, QByteArrayView bytes);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Runs a statement that returns no rows, then resets it; false on any error.
    bool run();
    void reset();

    bool isNull(int column) const;
    qint64 int64(int column) const;
    std::optional<qint64> optionalInt64(int column) const;
    QString text(int column) const;
    // The raw UTF-8 bytes of a text column, valid until the next step or reset.
    QByteArrayView utf8(int column) const;
    QByteArray blob(int column) const;

private:
    sqlite3_stmt *m_stmt = nullptr;
};
