#include "Agent/NotificationConsent.h"

#include "Agent/JsonFile.h"
#include "Platform/ReminderLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

const QString grantedKey = QStringLiteral("granted");

} // namespace

NotificationConsent::NotificationConsent(QString path) : m_path(std::move(path)) {}

bool NotificationConsent::isRecorded() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(64 * 1024));
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
