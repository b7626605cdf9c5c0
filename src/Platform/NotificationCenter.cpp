#include "Platform/NotificationCenter.h"

#include "Platform/DBusNotificationCenter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStandardPaths>

namespace {

QPointer<NotificationCenter> installedCenter;

} // namespace

NotificationCenter::NotificationCenter(QObject *parent) : QObject(parent) {}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter &NotificationCenter::current()
{
    if (installedCenter)
        return *installedCenter;
    // Parented to the application so it goes before the bus connections are torn down.
    static QPointer<NotificationCenter> defaultCenter;
    if (!defaultCenter) {
        auto *center = new DBusNotificationCenter(QCoreApplication::instance());
        // The agent shares the app's data folder; see ReminderFile.
        center->setAgentDataDirectory(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        defaultCenter = center;
    }
    return *defaultCenter;
}

void NotificationCenter::notificationServerAnswers(QObject *context, ServerCompletion completion)
{
    if (!completion)
        return;
    QMetaObject::invokeMethod(
        context ? context : this, [completion = std::move(completion)] { completion(true); },
        Qt::QueuedConnection);
}

void NotificationCenter::setCurrent(NotificationCenter *center)
{
    installedCenter = center;
}
