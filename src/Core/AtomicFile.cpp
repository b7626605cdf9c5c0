#include "Core/AtomicFile.h"

#include "Core/FileFaults.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Files left by writers that ran before this process are the only ones it may take for leftovers.
const qint64 processStartMsecs = QDateTime::currentMSecsSinceEpoch();

QString quoted(const QString &path)
{
    return QStringLiteral("\u201c") + QDir::toNativeSeparators(path) + QStringLiteral("\u201d");
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(encoded(folder).constData(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    // The file is in place by now; a folder its file system cannot flush is no reason to say it is not.
    ::fsync(fd);
    ::close(fd);
}

bool clearDirect(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_DIRECT) != 0 && ::fcntl(fd, F_SETFL, flags & ~O_DIRECT) == 0;
}

} // namespace

AtomicFile::AtomicFile(QString target, FileFaults *faults) : m_target(std::move(target)), m_faults(faults) {}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::open(NewFile access)
{
    discard();
    m_error.clear();
    const QFileInfo info(m_target);
    const QString folder = info.absolutePath();
    removeLeftovers(folder, QRegularExpression::escape(info.fileName()));

    struct stat existing = {};
    const bool replacing =
        ::lstat(encoded(m_target).constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    const mode_t mode = replacing ? existing.st_mode & 07777 : access == NewFile::ownerOnly ? 0600 : 0666;
    static constexpr char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        QString name = QStringLiteral("/.") + info.fileName() + QLatin1Char('.');
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof(letters) - 1))]);
        const QString path = folder + name;
        m_fd = ::open(encoded(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (m_fd >= 0)
            m_temporaryPath = path;
        else if (errno != EEXIST)
            return failWith(errno);
    }
    if (m_fd < 0)
        return failWith(EEXIST);
    // The lock tells a later writer of this target that the file is not left over.
    ::flock(m_fd, LOCK_EX | LOCK_NB);
    if (replacing)
        ::fchmod(m_fd, mode); // past the umask, as the file it replaces had it
    return true;
}

bool AtomicFile::write(const char *data, qint64 size)
{
    if (m_fd < 0)
        return false;
    while (size > 0) {
        if (const int errnum = m_faults ? m_faults->take(FileFaults::Step::write) : 0)
            return failWith(errnum);
        qint64 piece = size;
        if (m_faults && m_faults->maxWriteBytes() > 0)
            piece = std::min(piece, m_faults->maxWriteBytes());
        const ssize_t written = ::write(m_fd, data, size_t(piece));
        if (written < 0 && errno == EINTR)
            continue;
        // A file system that takes no direct write of this piece takes it through the cache.
        if (written < 0 && errno == EINVAL && clearDirect(m_fd))
            continue;
        if (written < 0)
            return failWith(errno);
        if (written == 0)
            return failWith(ENOSPC);
        data += written;
        size -= written;
    }
    return true;
}

bool AtomicFile::commit()
{
    if (m_fd < 0)
        return false;
    int errnum = m_faults ? m_faults->take(FileFaults::Step::sync) : 0;
    // A file system that cannot flush a file (EINVAL) keeps it as well as it can.
    if (!errnum && ::fsync(m_fd) != 0 && errno != EINVAL)
        errnum = errno;
    if (errnum)
        return failWith(errnum);
    errnum = m_faults ? m_faults->take(FileFaults::Step::rename) : 0;
    if (!errnum && ::rename(encoded(m_temporaryPath).constData(), encoded(m_target).constData()) != 0)
        errnum = errno;
    if (errnum)
        return failWith(errnum);
    m_temporaryPath.clear();
    ::close(m_fd);
    m_fd = -1;
    syncFolder(QFileInfo(m_target).absolutePath());
    return true;
}

void AtomicFile::discard()
{
    if (!m_temporaryPath.isEmpty())
        ::unlink(encoded(m_temporaryPath).constData());
    m_temporaryPath.clear();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool AtomicFile::fail(const QString &reason)
{
    m_error = reason;
    discard();
    return false;
}

bool AtomicFile::failWith(int errnum)
{
    return fail(reason(errnum, m_target));
}

bool AtomicFile::write(const QString &target, const QByteArray &bytes, QString *error, FileFaults *faults)
{
    AtomicFile file(target, faults);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

QString AtomicFile::reason(int errnum, const QString &path)
{
    const QString file = quoted(path);
    switch (errnum) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("The disk that holds %1 is full.").arg(file);
    case EROFS:
        return QStringLiteral("The disk that holds %1 can only be read.").arg(file);
    case EACCES:
    case EPERM:
        return QStringLiteral("You have no permission to write %1.").arg(file);
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("The folder of %1 does not exist.").arg(file);
    case EISDIR:
        return QStringLiteral("%1 is a folder.").arg(file);
    case ENAMETOOLONG:
        return QStringLiteral("The name %1 is too long for its disk.").arg(file);
    case EFBIG:
        return QStringLiteral("%1 would be larger than its disk allows.").arg(file);
    case EIO:
        return QStringLiteral("The disk that holds %1 failed while it was written.").arg(file);
    case EMFILE:
    case ENFILE:
        return QStringLiteral("%1 cannot be written while so many files are open.").arg(file);
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("%1 is in use and cannot be replaced.").arg(file);
    default:
        break;
    }
    const QString words = errnum ? QString::fromLocal8Bit(std::strerror(errnum)) : QString();
    if (words.isEmpty() || words.startsWith(QLatin1String("Unknown error")))
        return QStringLiteral("%1 cannot be written (error %2).").arg(file).arg(errnum);
    return QStringLiteral("%1 cannot be written (%2).").arg(file, words);
}

void AtomicFile::removeLeftovers(const QString &folder, const QString &namePattern)
{
    static const QString companions = QStringLiteral("(-journal|-wal|-shm)?");
    const QRegularExpression leftover(
        QStringLiteral("^\\.(?:%1)\\.[A-Za-z0-9]{6}%2$").arg(namePattern, companions));
    const QDir dir(folder);
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    // Temporary files first, so the journal files of those still written are known to stay.
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.endsWith(QLatin1String("-journal")) + a.endsWith(QLatin1String("-wal")) +
                   a.endsWith(QLatin1String("-shm")) <
               b.endsWith(QLatin1String("-journal")) + b.endsWith(QLatin1String("-wal")) +
                   b.endsWith(QLatin1String("-shm"));
    });
    QStringList kept;
    for (const QString &name : std::as_const(names)) {
        const QRegularExpressionMatch match = leftover.match(name);
        if (!match.hasMatch())
            continue;
        const QString companion = match.captured(1);
        const QString base = name.chopped(companion.size());
        const QByteArray path = encoded(dir.filePath(name));
        struct stat info = {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
            qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000 >= processStartMsecs) {
            kept.append(base);
            continue;
        }
        if (!companion.isEmpty()) {
            // A journal file goes with its temporary file, or alone when that is gone.
            if (!kept.contains(base) && !QFileInfo::exists(dir.filePath(base)))
                ::unlink(path.constData());
            continue;
        }
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        else
            kept.append(base);
        ::close(fd);
    }
}
