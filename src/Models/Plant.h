#pragma once

#include "Models/CareEvent.h"
#include "Models/CareKind.h"
#include "Models/RecordId.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

class Calendar;
class ModelContext;
struct Species;

// One plant the user keeps: descriptive fields, one care schedule per kind (an interval in whole
// days and when that care was last given) and the care log. The store owns every plant; screens
// hold plants only while they show them and watch changed().
//
// Only markDone() and remove() write last-done dates, and each writes the date and the log
// together. Undo takes a step back through withdraw() and reinstate(), which put the date and the
// log back exactly as they were before the step.
class Plant final : public QObject
{
    Q_OBJECT

public:
    // A new plant of species: its intervals come from the species, dateAdded is now.
    Plant(QString name, const Species &species, QString site, std::optional<QByteArray> photo = {},
          QString notes = {}, QObject *parent = nullptr);
    // A plant with the given id and every field at its default, for a store to fill in.
    explicit Plant(RecordId id, QObject *parent = nullptr);
    ~Plant() override;

    RecordId id() const { return m_id; }

    QString name() const { return m_name; }
    // The name without a copy, for hot loops; valid until the name changes.
    QStringView nameView() const { return m_name; }
    // The name in canonical composed form (NFC), made once whenever the name changes so that
    // ordering plants by name never normalises a name again; shares the name's characters when it
    // is composed already. Valid until the name changes.
    QStringView composedNameView() const { return m_composedName; }
    void setName(const QString &name);
    QString speciesID() const { return m_speciesID; }
    void setSpeciesID(const QString &speciesID);
    QString site() const { return m_site; }
    void setSite(const QString &site);
    // The photo bytes; for a stored plant they are read from the store on each call.
    std::optional<QByteArray> photo() const;
    bool hasPhoto() const { return m_hasPhoto; }
    // Counts photo changes in this run, so a view can tell whether the photo it shows is still the
    // plant's without reading the bytes.
    quint64 photoRevision() const { return m_photoRevision; }
    void setPhoto(const std::optional<QByteArray> &photo);
    QString notes() const { return m_notes; }
    void setNotes(const QString &notes);
    // An invalid QDateTime when the stored date is not valid.
    QDateTime dateAdded() const;
    // Milliseconds since the epoch, for hot loops; none when the stored date is not valid.
    std::optional<qint64> dateAddedMsecs() const { return fromStored(m_schedule.dateAdded); }
    void setDateAdded(const QDateTime &date);

    qint64 waterInterval() const { return m_schedule.intervals[0]; }
    qint64 fertilizeInterval() const { return m_schedule.intervals[1]; }
    qint64 mistInterval() const { return m_schedule.intervals[2]; }
    void setWaterInterval(qint64 days) { setInterval(CareKind::water, days); }
    void setFertilizeInterval(qint64 days) { setInterval(CareKind::fertilize, days); }
    void setMistInterval(qint64 days) { setInterval(CareKind::mist, days); }
    std::optional<QDateTime> lastWatered() const { return lastDone(CareKind::water); }
    std::optional<QDateTime> lastFertilized() const { return lastDone(CareKind::fertilize); }
    std::optional<QDateTime> lastMisted() const { return lastDone(CareKind::mist); }

    qint64 interval(CareKind kind) const { return m_schedule.intervals[size_t(kind.index())]; }
    void setInterval(CareKind kind, qint64 days);
    std::optional<QDateTime> lastDone(CareKind kind) const;
    // Milliseconds since the epoch, for hot loops; none when never done.
    std::optional<qint64> lastDoneMsecs(CareKind kind) const
    {
        return fromStored(m_schedule.lastDone[size_t(kind.index())]);
    }

    // For loops over many plants: ask the processor to fetch, ahead of use, the schedule and the
    // name's place in the plant, then (once that has arrived) the name's characters.
    void prefetchSchedule() const
    {
        __builtin_prefetch(&m_schedule);
        __builtin_prefetch(&m_composedName);
    }
    void prefetchName() const { __builtin_prefetch(m_composedName.constData()); }

    // Kinds whose interval is at least 1, in the order water, fertilize, mist.
    QList<CareKind> enabledKinds() const;
    // Start of (the day of the last care, or of dateAdded) plus the interval; none when disabled.
    std::optional<QDateTime> nextDue(CareKind kind) const;
    std::optional<QDateTime> nextDue(CareKind kind, const Calendar &calendar) const;
    // Calendar days from the day of now to the due date: 0 today, negative when overdue.
    std::optional<qint64> daysUntilDue(CareKind kind, const QDateTime &now) const;
    std::optional<qint64> daysUntilDue(CareKind kind, const QDateTime &now, const Calendar &calendar) const;

    // Records care of kind at date: sets the last-done date (even to an earlier date) and appends
    // a new event to the log, which it returns. An invalid date changes nothing (null).
    const CareEvent *markDone(CareKind kind, const QDateTime &date);
    // Undoes one logged action: drops the event from the log and re-derives the kind's last-done
    // date from what is left. event is destroyed.
    void remove(const CareEvent *event);

    // Takes the event with eventId out of the log and sets its kind's last-done date to lastDone:
    // the way back from markDone() to the plant as it was. Null when the log has no such event.
    std::unique_ptr<CareEvent> withdraw(RecordId eventId, std::optional<qint64> lastDoneMsecs);
    // Puts event back into the log at index (clamped to the log) and sets its kind's last-done
    // date to lastDone: the way back from withdraw() or remove(). Ignored when the log already
    // holds an event with that identity.
    void reinstate(std::unique_ptr<CareEvent> event, qsizetype index, std::optional<qint64> lastDoneMsecs);
    // Where the event with eventId stands in the log (store order), or -1.
    qsizetype indexOfEvent(RecordId eventId) const;

    // The log in store order; an absent log reads as empty. A stored plant's log is read from its
    // store on the first call that needs the entries themselves.
    QList<CareEvent *> events() const;
    bool hasEventList() const { return m_storedLog ? m_storedLog->hasList : m_events.has_value(); }
    int eventCount() const;
    // The log, newest first; equal dates keep their log order.
    QList<CareEvent *> sortedEvents() const;
    // Entries dated from fromMsecs up to (not including) toMsecs, without reading a stored log
    // when the range is recent enough for what the store handed over at opening.
    int eventCountBetween(qint64 fromMsecs, qint64 toMsecs) const;
    // Whether the log is in memory (false while a stored log waits to be read).
    bool isLogLoaded() const { return !m_storedLog; }
    // Reads a stored log from the store if it waits there; false when it cannot be read.
    bool loadLog() const;

    ModelContext *modelContext() const { return m_context; }

    // For the store only: attach to a context, restore state without notifying, and manage the
    // photo cache.
    void setModelContext(ModelContext *context) { m_context = context; }
    void restoreLastDone(CareKind kind, std::optional<qint64> msecs)
    {
        m_schedule.lastDone[size_t(kind.index())] = msecs.value_or(noDate);
    }
    void restoreEvents(std::optional<std::vector<std::unique_ptr<CareEvent>>> events);
    // Leaves the log in the store until it is needed, knowing only its size, whether the plant has
    // one, and the dates of its entries from recentSinceMsecs on.
    void restoreStoredLog(int count, bool hasList, qint64 recentSinceMsecs, std::vector<qint64> recentDates);
    void restoreHasPhoto(bool hasPhoto);
    // Holds photo bytes that are not stored yet (a plant being put back), without notifying.
    void restorePhoto(const std::optional<QByteArray> &photo);
    // Forgets photo bytes held in memory once the store has them.
    void releasePhoto();
    // Whether photo bytes are held in memory (set but maybe not yet stored).
    bool holdsPhoto() const { return m_photoHeld; }

signals:
    // Any stored field or the log changed.
    void changed();

private:
    void setLastDone(const std::optional<QDateTime> &date, CareKind kind);
    // Sets dateAdded without telling anyone; true when it changed.
    bool setDateAddedQuietly(const QDateTime &date);
    void didChange();

    // What the task list reads of every plant on every redraw, kept in one cache line. Instants
    // are milliseconds since the epoch; noDate stands for none.
    static constexpr qint64 noDate = std::numeric_limits<qint64>::min();
    struct alignas(64) Schedule
    {
        qint64 intervals[3] = {7, 30, 0};
        qint64 lastDone[3] = {noDate, noDate, noDate};
        qint64 dateAdded = noDate;
    };
    static std::optional<qint64> fromStored(qint64 msecs)
    {
        return msecs == noDate ? std::nullopt : std::optional<qint64>(msecs);
    }

    Schedule m_schedule;
    RecordId m_id;
    QString m_name;
    QString m_composedName;
    QString m_speciesID = QStringLiteral("custom");
    QString m_site = QStringLiteral("Living Room");
    QString m_notes;
    std::optional<QByteArray> m_photo; // meaningful while m_photoHeld
    bool m_hasPhoto = false;
    bool m_photoHeld = false;
    quint64 m_photoRevision = 0;
    // What is known of a log that waits in the store; null once the log is in memory.
    struct StoredLog
    {
        int count = 0;
        bool hasList = true;
        qint64 recentSinceMsecs = 0;
        std::vector<qint64> recentDates;
    };
    // Mutable: reading the log on demand changes where it is, not what it holds.
    mutable std::optional<std::vector<std::unique_ptr<CareEvent>>> m_events;
    mutable std::unique_ptr<StoredLog> m_storedLog;
    ModelContext *m_context = nullptr;
};
