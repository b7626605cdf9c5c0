#include "Agent/JsonFile.h"

#include "Platform/ReminderLog.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

bool JsonFile::write(const QString &path, const QJsonObject &root, QString *error)
{
    QString reason;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        reason = QStringLiteral("cannot create the folder of %1").arg(path);
    } else {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0 || !file.commit())
            reason = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    }
    if (reason.isEmpty())
        return true;
    qCWarning(lcReminders).noquote() << reason;
    if (error)
        *error = reason;
    return false;
}
