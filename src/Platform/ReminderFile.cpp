#include "Platform/ReminderFile.h"

#include "Platform/JsonFile.h"
#include "Platform/ReminderLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

constexpr int formatVersion = 1;
const QString versionKey = QStringLiteral("version");
const QString pendingKey = QStringLiteral("pending");
// Far more than 14 requests ever need; a bigger file is not ours.
constexpr qint64 maxFileSize = 1024 * 1024;

} // namespace

ReminderFile::ReminderFile(QString path) : m_path(std::move(path)) {}

ReminderFile ReminderFile::in(const QString &dataDirectory)
{
    return ReminderFile(dataDirectory + QLatin1String("/reminders.json"));
}

QList<NotificationRequest> ReminderFile::load() const
{
    QString reason;
    const std::optional<QByteArray> bytes = JsonFile::read(m_path, maxFileSize, &reason);
    if (!bytes) {
        if (!reason.isEmpty())
            qCWarning(lcReminders).noquote() << reason << "; starting with no pending reminders";
        return {};
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &parseError);
    const QJsonObject root = document.object();
    if (parseError.error != QJsonParseError::NoError || !document.isObject() ||
        root.value(versionKey).toInt() != formatVersion || !root.value(pendingKey).isArray()) {
        qCWarning(lcReminders).noquote() << m_path << "is damaged (" << parseError.errorString()
                                         << "); starting with no pending reminders";
        return {};
    }

    QList<NotificationRequest> requests;
    const QJsonArray pending = root.value(pendingKey).toArray();
    for (const QJsonValue &entry : pending) {
        QString damage;
        if (auto request = NotificationRequest::fromVariantMap(entry.toObject().toVariantMap(), &damage))
            requests.append(std::move(*request));
        else
            qCWarning(lcReminders).noquote() << "skipping a damaged reminder in" << m_path << ":" << damage;
    }
    return requests;
}

bool ReminderFile::save(const QList<NotificationRequest> &requests, QString *error) const
{
    QJsonArray pending;
    for (const NotificationRequest &request : requests)
        pending.append(QJsonObject::fromVariantMap(request.toVariantMap()));
    const QJsonObject root{{versionKey, formatVersion}, {pendingKey, pending}};

    return JsonFile::write(m_path, root, error);
}
