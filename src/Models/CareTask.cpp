#include "Models/CareTask.h"

#include "Models/Plant.h"
#include "Platform/Calendar.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

CareTask::ID CareTask::id() const
{
    return {plant ? plant->id() : 0, kind};
}

qint64 CareTask::daysFromToday() const
{
    return daysFromToday(Calendar::current());
}

qint64 CareTask::daysFromToday(const Calendar &calendar) const
{
    return calendar.daysBetween(calendar.now(), due()).value_or(0);
}

QString CareTask::dueText() const
{
    return dueText(daysFromToday());
}

QString CareTask::dueText(const Calendar &calendar) const
{
    return dueText(daysFromToday(calendar));
}

QString CareTask::dueText(qint64 d)
{
    if (d == -1)
        return QStringLiteral("1 day late");
    if (d < -1)
        return QStringLiteral("%1 days late").arg(-d);
    if (d == 0)
        return QStringLiteral("Due today");
    if (d == 1)
        return QStringLiteral("Tomorrow");
    return QStringLiteral("In %1 days").arg(d);
}

int compareCodePoints(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x == y)
            continue;
        // UTF-16 code units order surrogates (U+10000 and above) below U+E000..U+FFFF; shift them
        // above so the comparison follows code points.
        if (x >= 0xD800 && y >= 0xD800) {
            auto fix = [](char16_t c) { return c >= 0xE000 ? char16_t(c - 0x800) : char16_t(c + 0x2000); };
            x = fix(x);
            y = fix(y);
        }
        return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

QList<CareTask> CareTask::tasks(const QList<Plant *> &plants, qint64 horizonDays)
{
    return tasks(plants, horizonDays, Calendar::current());
}

QList<CareTask> CareTask::tasks(const QList<Plant *> &plants, qint64 horizonDays, const Calendar &calendar)
{
    const qint64 today = calendar.localJulianDay(calendar.now().toMSecsSinceEpoch());
    qint64 limitDay = 0;
    if (horizonDays == std::numeric_limits<qint64>::max()
        || __builtin_add_overflow(today, horizonDays + 1, &limitDay))
        return {};
    const auto limit = calendar.startOfLocalDayMsecs(limitDay);
    if (!limit)
        return {};

    struct Entry
    {
        qint64 due;
        qint32 plantIndex;
        CareKind kind;
    };
    std::vector<Entry> entries;
    for (qsizetype p = 0; p < plants.size(); ++p) {
        const Plant *plant = plants[p];
        if (!plant)
            continue;
        const std::optional<qint64> added = plant->dateAddedMsecs();
        for (CareKind kind : CareKind::allCases()) {
            const qint64 interval = plant->interval(kind);
            if (interval < 1)
                continue;
            const std::optional<qint64> base = plant->lastDoneMsecs(kind) ? plant->lastDoneMsecs(kind) : added;
            qint64 day = 0;
            if (!base || __builtin_add_overflow(calendar.localJulianDay(*base), interval, &day))
                continue;
            const auto due = calendar.startOfLocalDayMsecs(day);
            if (due && *due < *limit)
                entries.push_back({*due, qint32(p), kind});
        }
    }

    // Names are normalised once per plant, and only for plants that tie on a due date.
    std::vector<QString> names(size_t(plants.size()));
    std::vector<bool> normalized(size_t(plants.size()), false);
    auto nameOf = [&](qint32 index) -> const QString & {
        if (!normalized[size_t(index)]) {
            names[size_t(index)] = plants[index]->name().normalized(QString::NormalizationForm_C);
            normalized[size_t(index)] = true;
        }
        return names[size_t(index)];
    };
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        if (a.due != b.due)
            return a.due < b.due;
        if (a.plantIndex == b.plantIndex)
            return false;
        return compareCodePoints(nameOf(a.plantIndex), nameOf(b.plantIndex)) < 0;
    });

    QList<CareTask> result;
    result.reserve(qsizetype(entries.size()));
    for (const Entry &e : entries)
        result.append({plants[e.plantIndex], e.kind, e.due});
    return result;
}
