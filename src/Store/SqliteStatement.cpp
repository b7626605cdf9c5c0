#include "Store/SqliteStatement.h"

#include <sqlite3.h>

#include <utility>

SqliteStatement::SqliteStatement(sqlite3 *db, const char *sql, bool persistent)
{
    const int rc =
        sqlite3_prepare_v3(db, sql, -1, persistent ? SQLITE_PREPARE_PERSISTENT : 0, &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        // The connection keeps the message for the caller (SqliteDatabase::lastError()).
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteStatement::SqliteStatement(SqliteStatement &&other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr))
{
}

SqliteStatement &SqliteStatement::operator=(SqliteStatement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

void SqliteStatement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index);
}

void SqliteStatement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void SqliteStatement::bind(int index, const std::optional<qint64> &value)
{
    if (value)
        sqlite3_bind_int64(m_stmt, index, *value);
    else
        sqlite3_bind_null(m_stmt, index);
}

void SqliteStatement::bind(int index, const QString &text)
{
    // utf16() of a null QString is still a valid empty buffer, so this never binds NULL.
    sqlite3_bind_text16(m_stmt, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
}

void SqliteStatement::bindBlob(int index, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        sqlite3_bind_zeroblob(m_stmt, index, 0);
    else
        sqlite3_bind_blob64(m_stmt, index, bytes.data(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
}

int SqliteStatement::step()
{
    return m_stmt ? sqlite3_step(m_stmt) : SQLITE_MISUSE;
}

bool SqliteStatement::run()
{
    const int rc = step();
    reset();
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

void SqliteStatement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::optional<qint64> SqliteStatement::optionalInt64(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return sqlite3_column_int64(m_stmt, column);
}

QString SqliteStatement::text(int column) const
{
    // Most texts read in bulk (event notes) are empty: asking the size first skips the text call.
    if (sqlite3_column_bytes(m_stmt, column) == 0)
        return {};
    return QString::fromUtf8(utf8(column));
}

QByteArrayView SqliteStatement::utf8(int column) const
{
    const auto *data = sqlite3_column_text(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    if (!data)
        return {};
    return QByteArrayView(reinterpret_cast<const char *>(data), size);
}

QByteArray SqliteStatement::blob(int column) const
{
    const void *data = sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    if (!data || size <= 0)
        return QByteArray("");
    return QByteArray(static_cast<const char *>(data), size);
}
