#include "Models/CareTask.h"

#include "Core/Calendar.h"
#include "Models/Plant.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
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

namespace {

// UTF-16 orders surrogates (U+10000 and above) below U+E000..U+FFFF. Remapping each unit this way
// makes plain numeric order of units the order of code points.
constexpr char16_t codePointOrdered(char16_t unit)
{
    if (unit < 0xD800)
        return unit;
    return unit >= 0xE000 ? char16_t(unit - 0x800) : char16_t(unit + 0x2000);
}

// A plant with at least one task, and its tasks in kind order. A task is packed into one integer:
// the days from its due day to the limit day (at most the calendar's few million days) and the
// kind.
struct Candidate
{
    qint32 plantIndex = 0;
    qint32 taskCount = 0;
    std::array<qint32, 3> tasks{};

    static qint32 pack(qint64 daysBeforeLimit, CareKind kind)
    {
        return qint32(daysBeforeLimit << 2) | kind.index();
    }
    static qint64 daysBeforeLimit(qint32 task) { return task >> 2; }
    static CareKind kind(qint32 task) { return CareKind::allCases()[size_t(task & 3)]; }
};

// The candidates in plain text order of their plants' names. Each name comes composed (NFC) from
// its plant and is keyed once: its first twenty units, in code point order, packed into five
// integers (most names differ there), and a view of the whole name for the rest. The views point
// into the plants' own names, which stay untouched while the list is built.
class NameOrder final
{
public:
    void clear()
    {
        m_candidates.clear();
        m_keys.clear();
    }

    void add(QStringView name, const Candidate &candidate)
    {
        Key &key = m_keys.emplace_back(Key{{}, name, qint32(m_candidates.size())});
        const char16_t *units = name.utf16();
        const qsizetype prefixLength = std::min<qsizetype>(name.size(), qsizetype(key.prefix.size()) * 4);
        if (highestUnit(name.left(prefixLength)) < 0xD800 && std::endian::native == std::endian::little) {
            // No unit needs remapping: pack four units at a time, first unit in the top bits.
            for (qsizetype i = 0; i < prefixLength; i += 4) {
                quint64 word = 0;
                std::memcpy(&word, units + i,
                            size_t(std::min<qsizetype>(4, prefixLength - i)) * sizeof(char16_t));
                word = (word << 32) | (word >> 32);
                key.prefix[size_t(i / 4)] =
                    ((word & 0x0000FFFF0000FFFFULL) << 16) | ((word >> 16) & 0x0000FFFF0000FFFFULL);
            }
        } else {
            for (qsizetype i = 0; i < prefixLength; ++i)
                key.prefix[size_t(i / 4)] |= quint64(codePointOrdered(units[i])) << (48 - 16 * (i % 4));
        }
        m_candidates.push_back(candidate);
    }

    // In the order they were added.
    const std::vector<Candidate> &candidates() const { return m_candidates; }

    // By name, equal names in the order they were added.
    template<typename F> void forEachInNameOrder(F &&visit)
    {
        std::sort(m_keys.begin(), m_keys.end(), [](const Key &a, const Key &b) {
            for (size_t i = 0; i < a.prefix.size(); ++i) {
                if (a.prefix[i] != b.prefix[i])
                    return a.prefix[i] < b.prefix[i];
            }
            if (const int order = compareNames(a.name, b.name))
                return order < 0;
            return a.index < b.index;
        });
        for (const Key &key : m_keys)
            visit(m_candidates[size_t(key.index)]);
    }

private:
    static char16_t highestUnit(QStringView text)
    {
        char16_t highest = 0;
        for (const char16_t unit : std::u16string_view(text.utf16(), size_t(text.size())))
            highest = std::max(highest, unit);
        return highest;
    }

    struct Key
    {
        std::array<quint64, 5> prefix;
        QStringView name;
        qint32 index; // into m_candidates
    };

    // compareCodePoints, reading four units at a time to find the first difference.
    static int compareNames(QStringView left, QStringView right)
    {
        const char16_t *a = left.utf16();
        const char16_t *b = right.utf16();
        const qsizetype n = std::min(left.size(), right.size());
        qsizetype i = 0;
        if constexpr (std::endian::native == std::endian::little) {
            for (; i + 4 <= n; i += 4) {
                quint64 x = 0;
                quint64 y = 0;
                std::memcpy(&x, a + i, sizeof x);
                std::memcpy(&y, b + i, sizeof y);
                if (x != y) {
                    // The lowest differing 16-bit lane is the first differing unit.
                    i += std::countr_zero(x ^ y) / 16;
                    return codePointOrdered(a[i]) < codePointOrdered(b[i]) ? -1 : 1;
                }
            }
        }
        for (; i < n; ++i) {
            if (a[i] != b[i])
                return codePointOrdered(a[i]) < codePointOrdered(b[i]) ? -1 : 1;
        }
        return left.size() < right.size() ? -1 : (left.size() > right.size() ? 1 : 0);
    }

    std::vector<Candidate> m_candidates;
    std::vector<Key> m_keys;
};

// Working memory of tasks(), kept per thread between calls: the list is rebuilt on every redraw,
// and fresh megabyte-sized buffers each time cost more in page faults than the work itself.
struct Scratch
{
    NameOrder names;
    std::vector<qint32> slotStart;
    std::vector<qint64> dayStart;
};

} // namespace

int compareCodePoints(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = codePointOrdered(a[i].unicode());
        const char16_t y = codePointOrdered(b[i].unicode());
        if (x != y)
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
    if (horizonDays == std::numeric_limits<qint64>::max() ||
        __builtin_add_overflow(today, horizonDays + 1, &limitDay))
        return {};
    const std::optional<qint64> limit = calendar.startOfLocalDayMsecs(limitDay);
    if (!limit)
        return {};

    // One pass over the plants: every task that falls due before the limit, in the given order.
    thread_local Scratch scratch;
    NameOrder &names = scratch.names;
    names.clear();
    qint64 firstDay = limitDay;
    qsizetype taskCount = 0;
    // Plants lie scattered in memory; fetching a few ahead hides most of the wait for them.
    constexpr qsizetype prefetchDistance = 8;
    for (qsizetype p = 0; p < plants.size(); ++p) {
        if (p + prefetchDistance < plants.size() && plants[p + prefetchDistance])
            plants[p + prefetchDistance]->prefetchSchedule();
        if (p + prefetchDistance / 2 < plants.size() && plants[p + prefetchDistance / 2])
            plants[p + prefetchDistance / 2]->prefetchName();
        const Plant *plant = plants[p];
        if (!plant)
            continue;
        const std::optional<qint64> added = plant->dateAddedMsecs();
        Candidate candidate;
        for (CareKind kind : CareKind::allCases()) {
            const qint64 interval = plant->interval(kind);
            if (interval < 1)
                continue;
            const std::optional<qint64> last = plant->lastDoneMsecs(kind);
            const std::optional<qint64> base = last ? last : added;
            qint64 day = 0;
            if (!base || __builtin_add_overflow(calendar.localJulianDay(*base), interval, &day))
                continue;
            const std::optional<qint64> due = calendar.startOfLocalDayMsecs(day);
            if (due && *due < *limit) {
                candidate.tasks[size_t(candidate.taskCount++)] = Candidate::pack(limitDay - day, kind);
                firstDay = std::min(firstDay, day);
            }
        }
        if (candidate.taskCount > 0) {
            candidate.plantIndex = qint32(p);
            taskCount += candidate.taskCount;
            names.add(plant->composedNameView(), candidate);
        }
    }

    // Order: due date, then name, then the given order, then kind. Names are compared once per
    // plant rather than once per pair of tasks: the plants are visited in name order and each
    // task is dropped into its day's slot (a stable counting sort on the day).
    const size_t dayCount = size_t(limitDay - firstDay) + 1;
    const auto slotOf = [dayCount](qint32 task) {
        return dayCount - 1 - size_t(Candidate::daysBeforeLimit(task));
    };
    const auto dueOf = [&](qint32 task) {
        return calendar.startOfLocalDayMsecs(limitDay - Candidate::daysBeforeLimit(task)).value_or(0);
    };
    std::vector<qint32> &slotStart = scratch.slotStart;
    std::vector<qint64> &dayStart = scratch.dayStart;
    bool byDay = dayCount <= std::max<size_t>(4096, size_t(taskCount) * 4);
    if (byDay) {
        slotStart.assign(dayCount + 1, 0);
        dayStart.assign(dayCount, std::numeric_limits<qint64>::min());
        for (const Candidate &candidate : names.candidates()) {
            for (qint32 t = 0; t < candidate.taskCount; ++t) {
                const size_t slot = slotOf(candidate.tasks[size_t(t)]);
                if (slotStart[slot + 1]++ == 0)
                    dayStart[slot] = dueOf(candidate.tasks[size_t(t)]);
            }
        }
        // Two dates that start at one instant (a date skipped whole) must tie, which the day
        // slots cannot express; such a list takes the general sort.
        qint64 previous = std::numeric_limits<qint64>::min();
        for (size_t d = 0; d < dayCount && byDay; ++d) {
            if (slotStart[d + 1] == 0)
                continue;
            byDay = dayStart[d] != previous;
            previous = dayStart[d];
        }
        for (size_t d = 0; d < dayCount; ++d)
            slotStart[d + 1] += slotStart[d];
    }

    QList<CareTask> result(taskCount);
    CareTask *out = result.data();
    qsizetype next = 0;
    names.forEachInNameOrder([&](const Candidate &candidate) {
        Plant *plant = plants[candidate.plantIndex];
        for (qint32 t = 0; t < candidate.taskCount; ++t) {
            const qint32 task = candidate.tasks[size_t(t)];
            if (byDay) {
                const size_t slot = slotOf(task);
                out[slotStart[slot]++] = {plant, Candidate::kind(task), dayStart[slot]};
            } else {
                out[next++] = {plant, Candidate::kind(task), dueOf(task)};
            }
        }
    });
    if (!byDay) {
        std::stable_sort(result.begin(), result.end(),
                         [](const CareTask &a, const CareTask &b) { return a.dueMsecs < b.dueMsecs; });
    }
    return result;
}
