#include "Store/SqliteDatabase.h"

#include "Store/SqliteStatement.h"

#include <QUrl>

#include <sqlite3.h>

#include <utility>

namespace {

// How many virtual-machine steps pass between two looks at the clock: a few microseconds' work.
constexpr int progressSteps = 10'000;
// The longest statement text, schema entries included.
constexpr int maxSqlBytes = 1024 * 1024;

int progress(void *deadline)
{
    return static_cast<const QDeadlineTimer *>(deadline)->hasExpired() ? 1 : 0;
}

} // namespace

SqliteDatabase::~SqliteDatabase()
{
    close();
}

SqliteDatabase::SqliteDatabase(SqliteDatabase &&other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_deadline(std::move(other.m_deadline))
{
}

SqliteDatabase &SqliteDatabase::operator=(SqliteDatabase &&other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_deadline = std::move(other.m_deadline);
    }
    return *this;
}

bool SqliteDatabase::open(const QString &path, int flags, QString *error)
{
    close();
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    return adopt(db, rc, error);
}

bool SqliteDatabase::openForCheck(const QString &path, bool immutable, QString *error)
{
    close();
    QUrl uri = QUrl::fromLocalFile(path);
    uri.setQuery(immutable ? QStringLiteral("mode=ro&immutable=1") : QStringLiteral("mode=ro"));
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(uri.toString(QUrl::FullyEncoded).toUtf8().constData(), &db,
                                   SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    return adopt(db, rc, error);
}

bool SqliteDatabase::adopt(sqlite3 *db, int rc, QString *error)
{
    if (rc != SQLITE_OK) {
        if (error)
            *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        // A handle is returned even on failure and must still be closed.
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, maxValueBytes);
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, maxSqlBytes);
    // A file's schema may not call functions that reach outside the database.
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    m_deadline = std::make_unique<QDeadlineTimer>(QDeadlineTimer::Forever);
    sqlite3_progress_handler(db, progressSteps, &progress, m_deadline.get());
    m_db = db;
    return true;
}

void SqliteDatabase::setDeadline(QDeadlineTimer deadline)
{
    if (m_deadline)
        *m_deadline = deadline;
}

bool SqliteDatabase::deadlinePassed() const
{
    return m_db && (sqlite3_errcode(m_db) & 0xff) == SQLITE_INTERRUPT && m_deadline &&
           m_deadline->hasExpired();
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
