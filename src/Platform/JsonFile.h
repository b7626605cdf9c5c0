#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

class FileFaults;

// The agent's small JSON files, written atomically so a crash or a full disk never leaves half a file,
// and read so that no file can stall or swell the agent:
//
//     const auto bytes = JsonFile::read(path, 64 * 1024, &reason); // none for a FIFO or /dev/zero
class JsonFile final
{
public:
    JsonFile() = delete;

    // The bytes of path when it is a regular file (a link to one counts) of at most maxBytes; none,
    // with the reason in error, otherwise. A FIFO, a device or a socket is never waited on or read,
    // and nothing past maxBytes is read, whatever size the file reports. A missing file gives none
    // with an empty error. Given cut, a larger file gives its first maxBytes, with *cut true.
    static std::optional<QByteArray> read(const QString &path, qint64 maxBytes, QString *error,
                                          bool *cut = nullptr);

    // Writes root to path whole or not at all (AtomicFile). False, with the reason logged and put
    // in error, when the folder or the file cannot be written. faults: the tests' failing disk.
    static bool write(const QString &path, const QJsonObject &root, QString *error = nullptr,
                      FileFaults *faults = nullptr);
};
