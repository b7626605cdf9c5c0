#include "Models/CareEvent.h"

CareEvent::CareEvent(CareKind kind, const QDateTime &date, QString note)
    : m_id(newRecordId()), m_kindRaw(kind.rawValue()), m_dateMsecs(date.toMSecsSinceEpoch()),
      m_note(std::move(note))
{
}

CareEvent::CareEvent(RecordId id, QString kindRaw, qint64 dateMsecs, QString note)
    : m_id(id), m_kindRaw(std::move(kindRaw)), m_dateMsecs(dateMsecs), m_note(std::move(note))
{
    // A known kind shares the static raw value instead of keeping its own copy of the text read
    // from the store: a large log then holds no string data per event.
    if (const std::optional<CareKind> known = CareKind::fromRawValue(m_kindRaw))
        m_kindRaw = known->rawValue();
}

CareKind CareEvent::kind() const
{
    return CareKind::fromRawValue(m_kindRaw).value_or(CareKind::water);
}
