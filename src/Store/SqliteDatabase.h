#pragma once

#include <QString>

#include <optional>

struct sqlite3;

// Owns one SQLite connection and closes it on destruction. Move-only; a default-constructed or
// moved-from object holds no connection. Not thread-safe: one connection per thread.
class SqliteDatabase final
{
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(SqliteDatabase &&other) noexcept;
    SqliteDatabase &operator=(SqliteDatabase &&other) noexcept;
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    // flags are SQLite's SQLITE_OPEN_* flags. On failure no connection is kept and error says why.
    bool open(const QString &path, int flags, QString *error);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3 *handle() const { return m_db; }

    // Runs one or more statements that return no rows.
    bool exec(const char *sql, QString *error = nullptr);
    // The first column of the first row of a one-value query such as "PRAGMA user_version".
    std::optional<qint64> queryInt(const char *sql, QString *error = nullptr);
    std::optional<QString> queryText(const char *sql, QString *error = nullptr);

    // SQLite's message for the last failure on this connection.
    QString lastError() const;
    int lastErrorCode() const;

private:
    sqlite3 *m_db = nullptr;
};
