#include "Store/StoreBackup.h"

#include "Core/AtomicFile.h"
#include "Store/SqliteDatabase.h"
#include "Store/StoreLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <sqlite3.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr int busyTimeoutMsecs = 5000;
// A copy of the store file writes its mapped pages in large pieces, which the kernel hands to the
// disk as many requests at once; pieces read through a buffer are smaller.
constexpr sqlite3_int64 mappedChunkBytes = 128 * 1024 * 1024;
constexpr sqlite3_int64 readChunkBytes = 4 * 1024 * 1024;
// Lets the copy and SQLite's reads take the store file's cached pages without copying them.
constexpr const char *mapStoreFile = "PRAGMA mmap_size = 2147418112";

enum class FileCopy : unsigned char { copied, notPossible, failed };

QString quoted(const QString &path)
{
    return QStringLiteral("\u201c") + QDir::toNativeSeparators(path) + QStringLiteral("\u201d");
}

// Opens the store file for reading only. With no -wal file beside it no connection has it open,
// so it is read as an unchanging file: no lock taken, nothing created next to it.
bool openSource(SqliteDatabase &db, const QString &path, QString *error)
{
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("There is no plant store at %1.").arg(quoted(path));
        return false;
    }
    const QString file = QFileInfo(path).absoluteFilePath();
    const bool inUse = QFileInfo::exists(path + QStringLiteral("-wal"));
    QString message;
    // The copy holds SQLite's read lock for as long as it runs, so an app that starts meanwhile
    // cannot move its log into the file under it. While no app has the file open there is no log
    // to take part in: this connection makes it, and as the last to close removes it again.
    // Opened read-write for that only; it never writes the file itself.
    bool opened =
        inUse ? db.openForCheck(file, false, &message)
              : db.open(file, SQLITE_OPEN_READWRITE, &message) && db.queryInt("PRAGMA application_id");
    // A file or folder this user may not write, which no app of theirs can be writing either.
    if (!opened && !inUse)
        opened = db.openForCheck(file, true, &message);
    if (!opened) {
        *error = QStringLiteral("%1 cannot be read (%2).").arg(quoted(path), message);
        return false;
    }
    sqlite3_busy_timeout(db.handle(), busyTimeoutMsecs);
    db.exec(mapStoreFile);
    // Reading the header shows a file that is no database before anything is written.
    if (!db.queryInt("PRAGMA application_id", &message)) {
        *error = QStringLiteral("%1 is damaged or not a plant store (%2).").arg(quoted(path), message);
        return false;
    }
    return true;
}

bool setDirect(int fd, bool direct)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, direct ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
}

// Copies the store file of source into the open file to, when that file alone is the source's
// snapshot: a read transaction is held, and the write-ahead log beside the file is empty or
// absent. A reader that needs nothing from the log keeps any checkpoint from writing into the
// file, and writers only append to the log, so the file stays as it is until the transaction ends.
// The file is read through SQLite's own handle: closing a descriptor of our own would drop the
// locks this process holds on it.
FileCopy copyStoreFile(sqlite3 *source, AtomicFile &part)
{
    const int to = part.handle();
    const char *name = sqlite3_db_filename(source, "main");
    if (!name || !*name || sqlite3_get_autocommit(source) == 0)
        return FileCopy::notPossible;
    if (sqlite3_exec(source, "BEGIN; SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        if (sqlite3_get_autocommit(source) == 0)
            sqlite3_exec(source, "ROLLBACK", nullptr, nullptr, nullptr);
        return FileCopy::notPossible;
    }
    const auto endRead =
        qScopeGuard([source] { sqlite3_exec(source, "ROLLBACK", nullptr, nullptr, nullptr); });

    const QFileInfo log(QString::fromUtf8(sqlite3_filename_wal(name)));
    sqlite3_file *file = nullptr;
    if ((log.exists() && log.size() > 0) ||
        sqlite3_file_control(source, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        return FileCopy::notPossible;
    sqlite3_int64 size = 0;
    if (file->pMethods->xFileSize(file, &size) != SQLITE_OK)
        return FileCopy::notPossible;

    std::vector<char> buffer;
    for (sqlite3_int64 offset = 0; offset < size;) {
        void *mapped = nullptr;
        int amount = int(std::min(mappedChunkBytes, size - offset));
        if (file->pMethods->iVersion < 3 ||
            file->pMethods->xFetch(file, offset, amount, &mapped) != SQLITE_OK)
            mapped = nullptr;
        bool ok = true;
        if (mapped) {
            // The disk takes the pages straight from the store file's mapping: no copy in memory.
            setDirect(to, true);
            ok = part.write(static_cast<const char *>(mapped), amount);
            file->pMethods->xUnfetch(file, offset, mapped);
        } else {
            amount = int(std::min(readChunkBytes, size - offset));
            buffer.resize(size_t(readChunkBytes));
            ok = setDirect(to, false) &&
                 file->pMethods->xRead(file, buffer.data(), amount, offset) == SQLITE_OK &&
                 part.write(buffer.data(), amount);
            // The disk starts on this piece while the next one is read; the final flush waits less.
            ::sync_file_range(to, offset, amount, SYNC_FILE_RANGE_WRITE);
        }
        if (!ok)
            return FileCopy::failed;
        offset += amount;
    }
    return FileCopy::copied;
}

// SQLite's online backup of source into destination, all pages in one step: one read transaction
// on the source, so one consistent moment.
bool copyPages(sqlite3 *source, SqliteDatabase &destination, const QString &target, QString *error)
{
    // A half-written copy is thrown away, so it needs no journal; durability comes from one flush
    // of the finished file.
    destination.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
    sqlite3_backup *backup = sqlite3_backup_init(destination.handle(), "main", source, "main");
    if (!backup) {
        *error = QStringLiteral("%1 cannot be written (%2).").arg(quoted(target), destination.lastError());
        return false;
    }
    int rc = sqlite3_backup_step(backup, -1);
    while (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        sqlite3_sleep(20);
        rc = sqlite3_backup_step(backup, -1);
    }
    const int finished = sqlite3_backup_finish(backup);
    if (rc == SQLITE_DONE && finished == SQLITE_OK)
        return true;
    if ((rc & 0xff) == SQLITE_FULL)
        *error = QStringLiteral("The disk that holds %1 is full.").arg(quoted(target));
    else
        *error =
            QStringLiteral("%1 cannot be written (%2).")
                .arg(quoted(target), QString::fromUtf8(sqlite3_errstr(rc != SQLITE_DONE ? rc : finished)));
    return false;
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

bool StoreBackup::write(const QString &storePath, const QString &target, QString *error, FileFaults *faults)
{
    QString reason;
    SqliteDatabase source;
    bool ok = true;
    if (const auto refused = refusal(storePath, target)) {
        reason = *refused;
        ok = false;
    }
    ok = ok && openSource(source, storePath, &reason) && write(source.handle(), target, &reason, faults);
    if (!ok && error)
        *error = reason;
    return ok;
}

bool StoreBackup::write(sqlite3 *source, const QString &target, QString *error, FileFaults *faults)
{
    const auto fail = [&](const QString &reason) {
        qCWarning(lcStore).noquote() << "Backup failed:" << reason;
        if (error)
            *error = reason;
        return false;
    };
    if (const auto refused = refusal(QString(), target))
        return fail(*refused);

    // What killed backups left in this folder, whatever their names' dates.
    const QFileInfo info(target);
    AtomicFile::removeLeftovers(info.absolutePath(), QStringLiteral(".+\\.") + QLatin1String(suffix));
    // Written next to the target so the rename that publishes it stays on one file system.
    AtomicFile part(target, faults);
    if (!part.open(AtomicFile::NewFile::ownerOnly))
        return fail(part.errorString());
    FileCopy copy = copyStoreFile(source, part);
    if (copy == FileCopy::failed && !part.errorString().isEmpty())
        return fail(part.errorString());
    if (copy == FileCopy::failed) {
        // The store file could not be read as a file; copying it page by page tells why, if it fails.
        qCWarning(lcStore) << "Copying the store file failed; copying it page by page";
        if (!part.open(AtomicFile::NewFile::ownerOnly))
            return fail(part.errorString());
        copy = FileCopy::notPossible;
    }
    qCDebug(lcStore) << (copy == FileCopy::copied ? "Backup copied the store file"
                                                  : "Backup copied the store page by page");

    SqliteDatabase destination;
    QString message;
    // The copy's own journal files go with it when anything below fails.
    const auto failWithCopy = [&](const QString &reason) {
        const bool full =
            destination.handle() && (sqlite3_errcode(destination.handle()) & 0xff) == SQLITE_FULL;
        destination.close();
        for (const char *companion : {"-wal", "-shm", "-journal"})
            QFile::remove(part.temporaryPath() + QLatin1String(companion));
        part.discard();
        return fail(full ? AtomicFile::reason(ENOSPC, target) : reason);
    };
    if (!destination.open(part.temporaryPath(), SQLITE_OPEN_READWRITE, &message))
        return failWithCopy(QStringLiteral("%1 cannot be written (%2).").arg(quoted(target), message));
    if (copy == FileCopy::notPossible && !copyPages(source, destination, target, &message))
        return failWithCopy(message);
    // A backup stands alone: one file in the rollback journal's format, no -wal beside it. A copy of
    // the store file is still in write-ahead mode until this rewrites its header; it is flushed once
    // when finished, so nothing here needs to reach the disk on its own.
    const auto journal =
        destination.exec("PRAGMA locking_mode = EXCLUSIVE; PRAGMA synchronous = OFF", &message)
            ? destination.queryText("PRAGMA journal_mode = DELETE", &message)
            : std::nullopt;
    if (journal != QStringLiteral("delete"))
        return failWithCopy(QStringLiteral("%1 cannot be written (%2).").arg(quoted(target), message));
    // Plants deleted in the running app keep their rows, marked, for its undo; a backup holds only
    // the garden.
    if (destination.queryInt("PRAGMA user_version").value_or(0) >= 2 &&
        destination.queryInt("SELECT EXISTS (SELECT 1 FROM deletedPlant)", &message) != 0 &&
        !destination.exec(
            "PRAGMA foreign_keys = ON; DELETE FROM plant WHERE id IN (SELECT plant FROM deletedPlant)",
            &message))
        return failWithCopy(QStringLiteral("%1 cannot be written (%2).").arg(quoted(target), message));
    destination.close();

    if (!part.commit())
        return fail(part.errorString());
    return true;
}
