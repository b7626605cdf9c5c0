#include "Models/Plant.h"

#include "Core/Calendar.h"
#include "Models/ModelContext.h"
#include "Models/Species.h"

#include <algorithm>

Plant::Plant(QString name, const Species &species, QString site, std::optional<QByteArray> photo,
             QString notes, QObject *parent)
    : QObject(parent), m_id(newRecordId()), m_name(std::move(name)), m_speciesID(species.id),
      m_site(std::move(site)), m_notes(std::move(notes)), m_events(std::vector<std::unique_ptr<CareEvent>>())
{
    m_composedName = m_name.normalized(QString::NormalizationForm_C);
    m_schedule.intervals[0] = species.waterDays;
    m_schedule.intervals[1] = species.fertilizeDays;
    m_schedule.intervals[2] = species.mistDays;
    setDateAddedQuietly(Calendar::current().now());
    if (photo) {
        m_photo = std::move(photo);
        m_hasPhoto = true;
        m_photoHeld = true;
    }
}

Plant::Plant(RecordId id, QObject *parent)
    : QObject(parent), m_id(id), m_events(std::vector<std::unique_ptr<CareEvent>>())
{
    setDateAddedQuietly(Calendar::current().now());
}

Plant::~Plant() = default;

void Plant::didChange()
{
    if (m_context)
        m_context->plantChanged(*this);
    emit changed();
}

void Plant::setName(const QString &name)
{
    if (m_name == name)
        return;
    m_name = name;
    m_composedName = m_name.normalized(QString::NormalizationForm_C);
    didChange();
}

void Plant::setSpeciesID(const QString &speciesID)
{
    if (m_speciesID == speciesID)
        return;
    m_speciesID = speciesID;
    didChange();
}

void Plant::setSite(const QString &site)
{
    if (m_site == site)
        return;
    m_site = site;
    didChange();
}

std::optional<QByteArray> Plant::photo() const
{
    if (m_photoHeld || !m_context)
        return m_photo;
    if (!m_hasPhoto)
        return std::nullopt;
    return m_context->loadPhoto(*this);
}

void Plant::setPhoto(const std::optional<QByteArray> &photo)
{
    if (photo.has_value() == m_hasPhoto && (!photo || *photo == this->photo()))
        return;
    m_photo = photo;
    m_hasPhoto = photo.has_value();
    m_photoHeld = true;
    ++m_photoRevision;
    didChange();
}

void Plant::restoreHasPhoto(bool hasPhoto)
{
    m_hasPhoto = hasPhoto;
    m_photo.reset();
    m_photoHeld = false;
}

void Plant::restorePhoto(const std::optional<QByteArray> &photo)
{
    m_photo = photo;
    m_hasPhoto = photo.has_value();
    m_photoHeld = true;
}

void Plant::releasePhoto()
{
    if (!m_context)
        return;
    m_photo.reset();
    m_photoHeld = false;
}

void Plant::setNotes(const QString &notes)
{
    if (m_notes == notes)
        return;
    m_notes = notes;
    didChange();
}

QDateTime Plant::dateAdded() const
{
    const std::optional<qint64> msecs = dateAddedMsecs();
    return msecs ? QDateTime::fromMSecsSinceEpoch(*msecs, Qt::UTC) : QDateTime();
}

bool Plant::setDateAddedQuietly(const QDateTime &date)
{
    const qint64 msecs = date.isValid() ? date.toMSecsSinceEpoch() : noDate;
    if (m_schedule.dateAdded == msecs)
        return false;
    m_schedule.dateAdded = msecs;
    return true;
}

void Plant::setDateAdded(const QDateTime &date)
{
    if (setDateAddedQuietly(date))
        didChange();
}

void Plant::setInterval(CareKind kind, qint64 days)
{
    qint64 &interval = m_schedule.intervals[size_t(kind.index())];
    if (interval == days)
        return;
    interval = days;
    didChange();
}

std::optional<QDateTime> Plant::lastDone(CareKind kind) const
{
    const std::optional<qint64> msecs = lastDoneMsecs(kind);
    if (!msecs)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(*msecs, Qt::UTC);
}

void Plant::setLastDone(const std::optional<QDateTime> &date, CareKind kind)
{
    m_schedule.lastDone[size_t(kind.index())] = date && date->isValid() ? date->toMSecsSinceEpoch() : noDate;
}

QList<CareKind> Plant::enabledKinds() const
{
    QList<CareKind> kinds;
    for (CareKind kind : CareKind::allCases()) {
        if (interval(kind) >= 1)
            kinds.append(kind);
    }
    return kinds;
}

std::optional<QDateTime> Plant::nextDue(CareKind kind) const
{
    return nextDue(kind, Calendar::current());
}

std::optional<QDateTime> Plant::nextDue(CareKind kind, const Calendar &calendar) const
{
    const qint64 days = interval(kind);
    if (days < 1)
        return std::nullopt;
    const auto last = lastDone(kind);
    return calendar.startOfDayAdding(last ? *last : dateAdded(), days);
}

std::optional<qint64> Plant::daysUntilDue(CareKind kind, const QDateTime &now) const
{
    return daysUntilDue(kind, now, Calendar::current());
}

std::optional<qint64> Plant::daysUntilDue(CareKind kind, const QDateTime &now, const Calendar &calendar) const
{
    const auto due = nextDue(kind, calendar);
    if (!due)
        return std::nullopt;
    return calendar.daysBetween(now, *due);
}

bool Plant::loadLog() const
{
    if (!m_storedLog)
        return true;
    if (!m_context)
        return false;
    std::optional<std::vector<std::unique_ptr<CareEvent>>> log = m_context->loadEvents(*this);
    if (!log)
        return false;
    if (m_storedLog->hasList || !log->empty()) {
        for (const auto &event : *log)
            event->m_plant = const_cast<Plant *>(this);
        m_events = std::move(log);
    } else {
        m_events.reset();
    }
    m_storedLog.reset();
    return true;
}

int Plant::eventCount() const
{
    if (m_storedLog)
        return m_storedLog->count;
    return m_events ? int(m_events->size()) : 0;
}

int Plant::eventCountBetween(qint64 fromMsecs, qint64 toMsecs) const
{
    if (m_storedLog && fromMsecs >= m_storedLog->recentSinceMsecs) {
        const auto &dates = m_storedLog->recentDates;
        return int(std::count_if(dates.cbegin(), dates.cend(),
                                 [=](qint64 date) { return date >= fromMsecs && date < toMsecs; }));
    }
    int count = 0;
    for (const CareEvent *event : events()) {
        if (event->dateMsecs() >= fromMsecs && event->dateMsecs() < toMsecs)
            ++count;
    }
    return count;
}

const CareEvent *Plant::markDone(CareKind kind, const QDateTime &date)
{
    // An invalid date would clear the last-done date and log an event at the epoch. A log that
    // cannot be read takes no new entry: the date and the log change together or not at all.
    if (!date.isValid() || !loadLog())
        return nullptr;
    setLastDone(date, kind);
    if (!m_events)
        m_events.emplace();
    m_events->push_back(std::make_unique<CareEvent>(kind, date));
    CareEvent &event = *m_events->back();
    event.m_plant = this;
    if (m_context)
        m_context->eventAppended(*this, event);
    didChange();
    return &event;
}

void Plant::remove(const CareEvent *event)
{
    if (!event || !loadLog())
        return;
    const CareKind kind = event->kind();
    const RecordId eventId = event->id();
    std::vector<std::unique_ptr<CareEvent>> removed;
    if (m_events) {
        auto &list = *m_events;
        auto keep = std::stable_partition(list.begin(), list.end(),
                                          [eventId](const auto &e) { return e->id() != eventId; });
        std::move(keep, list.end(), std::back_inserter(removed));
        list.erase(keep, list.end());
    }
    if (m_context) {
        for (const auto &gone : removed)
            m_context->deleteEvent(*this, *gone);
    }

    std::optional<qint64> latest;
    if (m_events) {
        for (const auto &e : *m_events) {
            if (e->kind() == kind && (!latest || e->dateMsecs() > *latest))
                latest = e->dateMsecs();
        }
    }
    restoreLastDone(kind, latest);
    didChange();
}

qsizetype Plant::indexOfEvent(RecordId eventId) const
{
    if (!loadLog() || !m_events)
        return -1;
    const auto &list = *m_events;
    // Undo mostly looks for the newest entries: search from the end.
    for (auto i = qsizetype(list.size()) - 1; i >= 0; --i) {
        if (list[size_t(i)]->id() == eventId)
            return i;
    }
    return -1;
}

std::unique_ptr<CareEvent> Plant::withdraw(RecordId eventId, std::optional<qint64> lastDoneMsecs)
{
    const qsizetype index = indexOfEvent(eventId);
    if (index < 0)
        return nullptr;
    auto &list = *m_events;
    std::unique_ptr<CareEvent> event = std::move(list[size_t(index)]);
    list.erase(list.begin() + index);
    if (m_context)
        m_context->deleteEvent(*this, *event);
    event->m_plant = nullptr;
    restoreLastDone(event->kind(), lastDoneMsecs);
    didChange();
    return event;
}

void Plant::reinstate(std::unique_ptr<CareEvent> event, qsizetype index, std::optional<qint64> lastDoneMsecs)
{
    if (!event || !loadLog() || indexOfEvent(event->id()) >= 0)
        return;
    if (!m_events)
        m_events.emplace();
    auto &list = *m_events;
    index = std::clamp<qsizetype>(index, 0, qsizetype(list.size()));
    const CareKind kind = event->kind();
    event->m_plant = this;
    CareEvent &placed = **list.insert(list.begin() + index, std::move(event));
    const CareEvent *next = size_t(index) + 1 < list.size() ? list[size_t(index) + 1].get() : nullptr;
    if (m_context)
        m_context->eventReinstated(*this, placed, next);
    restoreLastDone(kind, lastDoneMsecs);
    didChange();
}

QList<CareEvent *> Plant::events() const
{
    QList<CareEvent *> list;
    if (loadLog() && m_events) {
        list.reserve(qsizetype(m_events->size()));
        for (const auto &event : *m_events)
            list.append(event.get());
    }
    return list;
}

QList<CareEvent *> Plant::sortedEvents() const
{
    QList<CareEvent *> list = events();
    std::stable_sort(list.begin(), list.end(),
                     [](const CareEvent *a, const CareEvent *b) { return a->dateMsecs() > b->dateMsecs(); });
    return list;
}

void Plant::restoreEvents(std::optional<std::vector<std::unique_ptr<CareEvent>>> events)
{
    m_storedLog.reset();
    m_events = std::move(events);
    if (m_events) {
        for (const auto &event : *m_events)
            event->m_plant = this;
    }
}

void Plant::restoreStoredLog(int count, bool hasList, qint64 recentSinceMsecs,
                             std::vector<qint64> recentDates)
{
    m_events.reset();
    m_storedLog =
        std::make_unique<StoredLog>(StoredLog{count, hasList, recentSinceMsecs, std::move(recentDates)});
}
