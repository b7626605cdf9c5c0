#include "Agent/NotificationConsent.h"

#include "Platform/JsonFile.h"
#include "Platform/ReminderLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString grantedKey = QStringLiteral("granted");
// The record is one short line; anything much larger is not it.
constexpr qint64 maxFileSize = 64 * 1024;

} // namespace

NotificationConsent::NotificationConsent(QString path) : m_path(std::move(path)) {}

bool NotificationConsent::isRecorded() const
{
    QString reason;
    const std::optional<QByteArray> bytes = JsonFile::read(m_path, maxFileSize, &reason);
    if (!bytes) {
        if (!reason.isEmpty())
            qCWarning(lcReminders).noquote() << reason << "; notifications count as not yet allowed";
        return false;
    }
    const QJsonDocument document = QJsonDocument::fromJson(*bytes);
    if (!document.isObject() || !document.object().value(grantedKey).isString()) {
        qCWarning(lcReminders).noquote() << m_path << "is damaged; notifications count as not yet allowed";
        return false;
    }
    return true;
}

bool NotificationConsent::record(const QDateTime &at, QString *error) const
{
    const QJsonObject root{{grantedKey, at.toUTC().toString(Qt::ISODate)}};
    return JsonFile::write(m_path, root, error);
}
