#include "Store/SqliteDatabase.h"

#include "Store/SqliteStatement.h"

#include <sqlite3.h>

#include <utility>

SqliteDatabase::~SqliteDatabase()
{
    close();
}

SqliteDatabase::SqliteDatabase(SqliteDatabase &&other) noexcept : m_db(std::exchange(other.m_db, nullptr)) {}

SqliteDatabase &SqliteDatabase::operator=(SqliteDatabase &&other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
    }
    return *this;
}

bool SqliteDatabase::open(const QString &path, int flags, QString *error)
{
    close();
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        // A handle is returned even on failure and must still be closed.
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    m_db = db;
    return true;
}

void SqliteDatabase::close()
{
    if (m_db) {
        // _v2 defers the close until every statement is finalized, so member order cannot leak.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool SqliteDatabase::exec(const char *sql, QString *error)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        if (error)
            *error = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(message);
        return false;
    }
    return true;
}

std::optional<qint64> SqliteDatabase::queryInt(const char *sql, QString *error)
{
    SqliteStatement statement(m_db, sql);
    if (statement.isValid() && statement.step() == SQLITE_ROW)
        return statement.int64(0);
    if (error)
        *error = lastError();
    return std::nullopt;
}

std::optional<QString> SqliteDatabase::queryText(const char *sql, QString *error)
{
    SqliteStatement statement(m_db, sql);
    if (statement.isValid() && statement.step() == SQLITE_ROW)
        return statement.text(0);
    if (error)
        *error = lastError();
    return std::nullopt;
}

QString SqliteDatabase::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
}

int SqliteDatabase::lastErrorCode() const
{
    return m_db ? sqlite3_extended_errcode(m_db) : SQLITE_MISUSE;
}
