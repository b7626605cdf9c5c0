#pragma once

#include <QJsonObject>
#include <QString>

// The agent's small JSON files, written atomically so a crash or a full disk never leaves half a file.
class JsonFile final
{
public:
    JsonFile() = delete;

    // Writes root to path through a temporary file that replaces path only once complete. False,
    // with the reason logged and put in error, when the folder or the file cannot be written.
    static bool write(const QString &path, const QJsonObject &root, QString *error = nullptr);
};
