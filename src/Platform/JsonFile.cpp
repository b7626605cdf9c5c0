#include "Platform/JsonFile.h"

#include "Core/AtomicFile.h"
#include "Platform/ReminderLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<QByteArray> JsonFile::read(const QString &path, qint64 maxBytes, QString *error, bool *cut)
{
    if (cut)
        *cut = false;
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
        if (total > maxBytes && cut) {
            *cut = true;
            buffer.truncate(maxBytes);
            bytes = std::move(buffer);
        } else if (total > maxBytes) {
            *error = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maxBytes);
        } else {
            buffer.truncate(total);
            bytes = std::move(buffer);
        }
    }
    ::close(fd);
    return bytes;
}

bool JsonFile::write(const QString &path, const QJsonObject &root, QString *error, FileFaults *faults)
{
    QString reason;
    // The agent's files are its own and never shared through a link: a link there (to a device,
    // say) is replaced by the file, not followed.
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        reason = AtomicFile::reason(errno, path);
    else if (AtomicFile::write(path, QJsonDocument(root).toJson(), &reason, faults))
        return true;
    qCWarning(lcReminders).noquote() << reason;
    if (error)
        *error = reason;
    return false;
}
