#include "App/InstanceLockCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QLoggingCategory>
#include <QStorageInfo>
#include <QSysInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcLock, "tendrel.app.lock", QtWarningMsg)

namespace {

QString quoted(const QString &path)
{
    return QStringLiteral("\u201c") + QDir::toNativeSeparators(path) + QStringLiteral("\u201d");
}

} // namespace

InstanceLockCheck InstanceLockCheck::run(const QString &dataFolder)
{
    InstanceLockCheck check = look(dataFolder);
    if (check.m_outcome == Outcome::unusable)
        qCWarning(lcLock).noquote() << "Plants are kept in memory:" << check.m_reason;
    return check;
}

InstanceLockCheck InstanceLockCheck::look(const QString &dataFolder, bool mayTakeOver)
{
    const QString lockPath = QDir(dataFolder).filePath(fileName());
    const QFileInfo folder(dataFolder);
    if (folder.exists() && !folder.isDir()) {
        return {Outcome::unusable,
                QStringLiteral("%1 is a file where Tendrel keeps its data folder.").arg(quoted(dataFolder))};
    }
    if (!QDir().mkpath(dataFolder)) {
        return {Outcome::unusable,
                QStringLiteral("The folder %1 cannot be created.").arg(quoted(dataFolder))};
    }
    const QFileInfo lock(lockPath);
    if (lock.exists() && !lock.isFile()) {
        return {Outcome::unusable,
                QStringLiteral("%1 is not the lock file Tendrel makes, so Tendrel cannot tell whether it "
                               "already runs.")
                    .arg(quoted(lockPath))};
    }

    // As SingleInstance takes it: a lock whose process is gone is taken over.
    QLockFile probe(lockPath);
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return {Outcome::free};
    }
    switch (probe.error()) {
    case QLockFile::LockFailedError: {
        qint64 pid = 0;
        QString host;
        QString application;
        const bool readable = probe.getLockInfo(&pid, &host, &application);
        if (!readable && mayTakeOver)
            return takeOverUnreadable(dataFolder, lockPath);
        if (!host.isEmpty() && host != QSysInfo::machineHostName()) {
            return {
                Outcome::unusable,
                QStringLiteral("Tendrel on the computer \u201c%1\u201d holds the lock file %2; two computers "
                               "must not write the same plants at once.")
                    .arg(host, quoted(lockPath))};
        }
        return {Outcome::heldHere};
    }
    case QLockFile::PermissionError:
        return {Outcome::unusable,
                QStringLiteral("The folder %1 cannot be written.").arg(quoted(dataFolder))};
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        break;
    }
    // Qt names only EACCES and EROFS; an immutable folder (EPERM) says no the same way.
    if (::access(QFile::encodeName(dataFolder).constData(), W_OK | X_OK) != 0)
        return {Outcome::unusable,
                QStringLiteral("The folder %1 cannot be written.").arg(quoted(dataFolder))};
    if (QStorageInfo(dataFolder).bytesAvailable() == 0)
        return {Outcome::unusable, QStringLiteral("The disk that holds %1 is full.").arg(quoted(dataFolder))};
    return {Outcome::unusable, QStringLiteral("Tendrel cannot make its lock file %1.").arg(quoted(lockPath))};
}

InstanceLockCheck InstanceLockCheck::takeOverUnreadable(const QString &dataFolder, const QString &lockPath)
{
    // QLockFile keeps its lock file under flock() for as long as it holds it and takes over only
    // locks it can read; one whose lines are not a process, program and host (left by a crash
    // mid-write, a bad disk block, another program) would stand for ever. Nobody holding it is
    // proof enough that it is stale: it goes, under the same flock, as QLockFile drops a stale one.
    const QByteArray path = QFile::encodeName(lockPath);
    const QString unreadable = QStringLiteral("The lock file %1 is not one Tendrel can read, so Tendrel "
                                              "cannot tell whether it already runs.")
                                   .arg(quoted(lockPath));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return look(dataFolder, false);
        return {Outcome::unusable, unreadable};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        if (held)
            return {Outcome::heldHere};
        return {Outcome::unusable, unreadable};
    }
    const bool removed = ::unlink(path.constData()) == 0;
    ::close(fd);
    if (!removed) {
        return {Outcome::unusable,
                QStringLiteral("The lock file %1 is damaged and cannot be replaced.").arg(quoted(lockPath))};
    }
    qCInfo(lcLock).noquote() << "Took over an unreadable lock file nobody held:" << lockPath;
    return look(dataFolder, false);
}
