#pragma once

#include "Models/CareKind.h"
#include "Models/RecordId.h"

#include <QDateTime>
#include <QString>

class Plant;

// One logged care action: a kind, a moment and a note, in one plant's log. Events are owned by
// their plant (which the store owns) and are kept small, since a garden holds hundreds of
// thousands of them: the date is milliseconds since the epoch, the kind a shared string.
// Identity is the record id: two events with the same kind, date and note are different events.
class CareEvent final
{
public:
    // A new event not yet in any log; its plant is set when a plant appends it.
    CareEvent(CareKind kind, const QDateTime &date, QString note = {});
    // An event as read back from a store.
    CareEvent(RecordId id, QString kindRaw, qint64 dateMsecs, QString note);

    CareEvent(const CareEvent &) = delete;
    CareEvent &operator=(const CareEvent &) = delete;

    RecordId id() const { return m_id; }
    const QString &kindRaw() const { return m_kindRaw; }
    // The kind whose raw value equals kindRaw exactly; anything else reads as water.
    CareKind kind() const;
    QDateTime date() const { return QDateTime::fromMSecsSinceEpoch(m_dateMsecs, Qt::UTC); }
    qint64 dateMsecs() const { return m_dateMsecs; }
    const QString &note() const { return m_note; }
    Plant *plant() const { return m_plant; }

private:
    friend class Plant;

    RecordId m_id;
    QString m_kindRaw;
    qint64 m_dateMsecs;
    QString m_note;
    Plant *m_plant = nullptr;
};
