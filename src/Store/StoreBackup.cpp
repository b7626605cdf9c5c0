#include "Store/StoreBackup.h"

#include "Store/SqliteDatabase.h"
#include "Store/StoreLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int busyTimeoutMsecs = 5000;

QString quoted(const QString &path)
{
    return QStringLiteral("\u201c") + QDir::toNativeSeparators(path) + QStringLiteral("\u201d");
}

bool syncPath(const QString &path, bool directory)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), (directory ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Opens the store file for reading only. With no -wal file beside it no connection has it open,
// so it is read as an unchanging file: no lock taken, nothing created next to it.
bool openSource(SqliteDatabase &db, const QString &path, QString *error)
{
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("There is no plant store at %1.").arg(quoted(path));
        return false;
    }
    const bool inUse = QFileInfo::exists(path + QStringLiteral("-wal"));
    QString message;
    if (!db.openForCheck(QFileInfo(path).absoluteFilePath(), !inUse, &message)) {
        *error = QStringLiteral("%1 cannot be read (%2).").arg(quoted(path), message);
        return false;
    }
    sqlite3_busy_timeout(db.handle(), busyTimeoutMsecs);
    // Reading the header shows a file that is no database before anything is written.
    if (!db.queryInt("PRAGMA application_id", &message)) {
        *error = QStringLiteral("%1 is damaged or not a plant store (%2).").arg(quoted(path), message);
        return false;
    }
    return true;
}

} // namespace

QString StoreBackup::defaultFileName(const QDate &date)
{
    return QStringLiteral("Tendrel Backup %1.%2").arg(date.toString(Qt::ISODate), QLatin1String(suffix));
}

std::optional<QString> StoreBackup::refusal(const QString &storePath, const QString &target)
{
    const QFileInfo info(target);
    if (target.isEmpty())
        return QStringLiteral("No file was chosen.");
    if (info.isDir())
        return QStringLiteral("%1 is a folder.").arg(quoted(target));
    if (!storePath.isEmpty()) {
        const QString store = QFileInfo(storePath).canonicalFilePath();
        const QString chosen = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
        for (const char *sibling : {"", "-wal", "-shm", "-journal"}) {
            if (!store.isEmpty() && chosen == store + QLatin1String(sibling))
                return QStringLiteral("%1 is Tendrel's own plant store; choose another file.")
                    .arg(quoted(target));
        }
    }
    return std::nullopt;
}

bool StoreBackup::write(const QString &storePath, const QString &target, QString *error)
{
    QString reason;
    SqliteDatabase source;
    bool ok = true;
    if (const auto refused = refusal(storePath, target)) {
        reason = *refused;
        ok = false;
    }
    ok = ok && openSource(source, storePath, &reason) && write(source.handle(), target, &reason);
    if (!ok && error)
        *error = reason;
    return ok;
}

bool StoreBackup::write(sqlite3 *source, const QString &target, QString *error)
{
    const auto fail = [&](const QString &reason) {
        qCWarning(lcStore).noquote() << "Backup failed:" << reason;
        if (error)
            *error = reason;
        return false;
    };
    if (const auto refused = refusal(QString(), target))
        return fail(*refused);

    // Written next to the target so the rename that publishes it stays on one file system.
    const QFileInfo info(target);
    QTemporaryFile part(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!part.open())
        return fail(QStringLiteral("%1 cannot be written: %2.").arg(quoted(target), part.errorString()));
    part.close();

    SqliteDatabase destination;
    QString message;
    if (!destination.open(part.fileName(), SQLITE_OPEN_READWRITE, &message))
        return fail(QStringLiteral("%1 cannot be written (%2).").arg(quoted(target), message));
    // A half-written copy is thrown away, so it needs no journal; durability comes from one
    // flush of the finished file.
    destination.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");

    sqlite3_backup *backup = sqlite3_backup_init(destination.handle(), "main", source, "main");
    if (!backup)
        return fail(
            QStringLiteral("%1 cannot be written (%2).").arg(quoted(target), destination.lastError()));
    // All pages in one step: one read transaction on the source, so one consistent moment.
    int rc = sqlite3_backup_step(backup, -1);
    while (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        sqlite3_sleep(20);
        rc = sqlite3_backup_step(backup, -1);
    }
    const int finished = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE || finished != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errstr(rc != SQLITE_DONE ? rc : finished));
        if ((rc & 0xff) == SQLITE_FULL)
            return fail(QStringLiteral("The disk that holds %1 is full.").arg(quoted(target)));
        return fail(QStringLiteral("%1 cannot be written (%2).").arg(quoted(target), why));
    }
    // A backup stands alone: one file in the rollback journal's format, no -wal beside it.
    if (!destination.exec("PRAGMA journal_mode = DELETE", &message))
        return fail(QStringLiteral("%1 cannot be written (%2).").arg(quoted(target), message));
    destination.close();

    if (!syncPath(part.fileName(), false))
        return fail(QStringLiteral("%1 cannot be written to disk.").arg(quoted(target)));
    if (std::rename(QFile::encodeName(part.fileName()).constData(), QFile::encodeName(target).constData()) !=
        0)
        return fail(QStringLiteral("%1 cannot be replaced.").arg(quoted(target)));
    part.setAutoRemove(false);
    syncPath(info.absolutePath(), true);
    return true;
}
