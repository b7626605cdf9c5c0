#include "Platform/JsonFile.h"

#include "Platform/ReminderLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<QByteArray> JsonFile::read(const QString &path, qint64 maxBytes, QString *error)
{
    error->clear();
    // Non-blocking, so opening a FIFO returns at once instead of waiting for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            *error =
                QStringLiteral("cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return std::nullopt;
    }
    std::optional<QByteArray> bytes;
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = QStringLiteral("%1 is not a regular file").arg(path);
    } else {
        // One byte more than allowed tells a file that is too large, however its size is reported.
        QByteArray buffer(maxBytes + 1, Qt::Uninitialized);
        qint64 total = 0;
        while (total < buffer.size()) {
            const ssize_t n = ::read(fd, buffer.data() + total, size_t(buffer.size() - total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            total += n;
        }
        if (total > maxBytes) {
            *error = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maxBytes);
        } else {
            buffer.truncate(total);
            bytes = std::move(buffer);
        }
    }
    ::close(fd);
    return bytes;
}

bool JsonFile::write(const QString &path, const QJsonObject &root, QString *error)
{
    QString reason;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        reason = QStringLiteral("cannot create the folder of %1").arg(path);
    } else {
        // QSaveFile writes through a symbolic link to its target; the agent's files are its own
        // and never shared that way, so a link (to a device, say) is replaced, not followed.
        if (QFileInfo(path).isSymLink() && !QFile::remove(path))
            reason = QStringLiteral("cannot replace the link %1").arg(path);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0 ||
            !file.commit())
            reason = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    }
    if (reason.isEmpty())
        return true;
    qCWarning(lcReminders).noquote() << reason;
    if (error)
        *error = reason;
    return false;
}
