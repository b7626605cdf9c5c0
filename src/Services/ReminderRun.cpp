#include "Services/ReminderRun.h"

#include "Core/Calendar.h"
#include "Models/Plant.h"
#include "Platform/NotificationCenter.h"
#include "Platform/ReminderLog.h"

ReminderRun::ReminderRun(const QList<Plant *> &plants, bool enabled, int minutesAfterMidnight,
                         NotificationCenter &center)
    : m_enabled(enabled), m_minutesAfterMidnight(minutesAfterMidnight), m_center(&center)
{
    m_plants.reserve(plants.size());
    for (Plant *plant : plants)
        m_plants.append(plant);
    // A centre that goes away takes its pending completions with it.
    connect(&center, &QObject::destroyed, this, &ReminderRun::finish);
}

ReminderRun::~ReminderRun() = default;

void ReminderRun::start()
{
    // Removal comes first on every run and is not awaited; the centre keeps the order of calls.
    m_center->removePendingRequests(ReminderScheduler::identifiers(), nullptr, {});
    if (!m_enabled) {
        finish();
        return;
    }
    m_center->authorizationStatus(this, [this](AuthorizationStatus status) { permissionAnswered(status); });
}

void ReminderRun::permissionAnswered(AuthorizationStatus status)
{
    if (m_finished)
        return;
    if (status != AuthorizationStatus::authorized && status != AuthorizationStatus::provisional) {
        finish();
        return;
    }
    QList<Plant *> alive;
    alive.reserve(m_plants.size());
    for (const QPointer<Plant> &plant : std::as_const(m_plants)) {
        if (plant)
            alive.append(plant.data());
    }
    // Texts are built now, so the adds that follow never touch a plant.
    m_planned = ReminderScheduler::plan(alive, m_minutesAfterMidnight, Calendar::current());
    m_plants.clear();
    addNext();
}

void ReminderRun::addNext()
{
    if (m_finished)
        return;
    while (m_next < m_planned.size()) {
        const ReminderScheduler::PlannedReminder &planned = m_planned[m_next++];
        // The time may have passed while an earlier add was waiting.
        if (planned.fireMoment <= Calendar::current().now())
            continue;
        const QString identifier = planned.request.identifier;
        m_center->add(planned.request, this, [this, identifier](const std::optional<QString> &error) {
            if (error)
                qCInfo(lcReminders).noquote() << "reminder" << identifier << "not added:" << *error;
            addNext();
        });
        return;
    }
    finish();
}

void ReminderRun::cancel()
{
    m_cancelled = true;
    finish();
}

void ReminderRun::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_planned.clear();
    QMetaObject::invokeMethod(
        this,
        [this] {
            emit finished();
            deleteLater();
        },
        Qt::QueuedConnection);
}
