#include "Models/CareEvent.h"

CareEvent::CareEvent(CareKind kind, const QDateTime &date, QString note)
    : m_id(newRecordId()), m_kindRaw(kind.rawValue()), m_dateMsecs(date.toMSecsSinceEpoch()),
      m_note(std::move(note))
{
}

CareEvent::CareEvent(RecordId id, QString kindRaw, qint64 dateMsecs, QString note)
    : m_id(id), m_kindRaw(std::move(kindRaw)), m_dateMsecs(dateMsecs), m_note(std::move(note))
{
}

CareKind CareEvent::kind() const
{
    return CareKind::fromRawValue(m_kindRaw).value_or(CareKind::water);
}
