#pragma once

#include "Models/CareKind.h"
#include "Models/RecordId.h"

#include <QDateTime>
#include <QHashFunctions>
#include <QList>
#include <QString>

class Calendar;
class Plant;

// One piece of care that is due: computed on demand from the plants and today's date, never
// stored. At most one task exists per plant and kind.
struct CareTask
{
    struct ID
    {
        RecordId plant = 0;
        CareKind kind = CareKind::water;
        friend bool operator==(const ID &, const ID &) = default;
    };

    Plant *plant = nullptr;
    CareKind kind = CareKind::water;
    qint64 dueMsecs = 0; // start of a local day

    QDateTime due() const { return QDateTime::fromMSecsSinceEpoch(dueMsecs, Qt::UTC); }
    ID id() const;

    // Whole calendar days from today to the due date; 0 today, negative when overdue.
    qint64 daysFromToday() const;
    qint64 daysFromToday(const Calendar &calendar) const;
    // "3 days late", "1 day late", "Due today", "Tomorrow", "In 5 days".
    QString dueText() const;
    QString dueText(const Calendar &calendar) const;
    static QString dueText(qint64 daysFromToday);

    // Every task overdue or due before the end of the day horizonDays ahead, sorted by due date,
    // then by plant name in code-point order, then in the given order (plants, then water,
    // fertilize, mist).
    static QList<CareTask> tasks(const QList<Plant *> &plants, qint64 horizonDays);
    static QList<CareTask> tasks(const QList<Plant *> &plants, qint64 horizonDays, const Calendar &calendar);
};

inline size_t qHash(const CareTask::ID &id, size_t seed = 0) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, id.plant);
    return combine(seed, id.kind.rawValue());
}

// Plain text order: Unicode scalar values after canonical (NFC) normalisation, case-sensitive and
// not locale-aware. Both arguments must already be NFC.
int compareCodePoints(QStringView a, QStringView b);
