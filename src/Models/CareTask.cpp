#include "Models/CareTask.h"

#include "Core/Calendar.h"
#include "Models/Plant.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
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
// its plant and is read as words of four units in code point order; the first five words are made
// once per name (most names differ there), later ones only for names that share all five. The
// views point into the plants' own names, which stay untouched while the list is built.
//
// The order is found a word at a time, the way one sorts strings by their characters: all
// entries by their first word, then each run that shares it by the second, and so on; a unit is
// read only when all before it tie with another name's. Large runs are sorted by radix, on the
// bytes in which their words differ, so a garden's worth of names costs a few passes over small
// entries rather than many comparisons of keys.
class NameOrder final
{
public:
    void clear()
    {
        m_candidates.clear();
        for (std::vector<quint64> &words : m_prefix)
            words.clear();
        m_names.clear();
        m_order.clear();
    }

    // A new candidate, filled in place: keep it with add() or drop it with drop().
    Candidate &next() { return m_candidates.emplace_back(); }
    void drop() { m_candidates.pop_back(); }
    // Keeps the newest candidate, whose plant is named name.
    void add(QStringView name)
    {
        for (size_t w = 0; w < prefixWords; ++w)
            m_prefix[w].push_back(wordOf(name, w));
        m_names.push_back(name);
        m_order.push_back({m_prefix[0].back(), qint32(m_candidates.size() - 1)});
    }

    // In the order they were added.
    const std::vector<Candidate> &candidates() const { return m_candidates; }

    // By name, equal names in the order they were added.
    template<typename F> void forEachInNameOrder(F &&visit)
    {
        m_buffer.resize(m_order.size());
        sortFrom(m_order.data(), m_order.data() + m_order.size(), 0);
        for (const Entry &entry : m_order)
            visit(m_candidates[size_t(entry.index)]);
    }

private:
    static constexpr size_t prefixWords = 5;

    // A candidate's place while sorting, with the key word the current step orders by.
    struct Entry
    {
        quint64 word;
        qint32 index; // into m_candidates, m_names and each of m_prefix
    };

    // The units of name from 4 * depth on in code point order, four to a word, the first in the
    // top bits; 0 for units past its end.
    static quint64 wordOf(QStringView name, size_t depth)
    {
        const qsizetype start = qsizetype(depth) * 4;
        if (start >= name.size())
            return 0;
        const char16_t *units = name.utf16() + start;
        const qsizetype count = std::min<qsizetype>(4, name.size() - start);
        if (std::endian::native == std::endian::little && count == 4) {
            quint64 word = 0;
            std::memcpy(&word, units, sizeof word);
            if ((word & 0x8000'8000'8000'8000ULL) == 0) {
                // No unit needs remapping: reverse the order of the four units.
                word = (word << 32) | (word >> 32);
                return ((word & 0x0000'FFFF'0000'FFFFULL) << 16) | ((word >> 16) & 0x0000'FFFF'0000'FFFFULL);
            }
        }
        quint64 word = 0;
        for (qsizetype i = 0; i < count; ++i)
            word |= quint64(codePointOrdered(units[i])) << (48 - 16 * i);
        return word;
    }

    void loadWords(Entry *first, Entry *last, size_t depth) const
    {
        if (depth < prefixWords) {
            const quint64 *words = m_prefix[depth].data();
            for (Entry *entry = first; entry != last; ++entry)
                entry->word = words[size_t(entry->index)];
        } else {
            for (Entry *entry = first; entry != last; ++entry)
                entry->word = wordOf(m_names[size_t(entry->index)], depth);
        }
    }

    // Sorts entries whose names agree on the words before depth and that hold their word at
    // depth. Runs are taken by recursion but for the largest, which the loop takes, so the stack
    // stays shallow however long the names.
    void sortFrom(Entry *first, Entry *last, size_t depth)
    {
        while (last - first > 1) {
            if (!sortByWord(first, last)) {
                const qsizetype end = qsizetype(depth + 1) * 4;
                if (std::all_of(first, last,
                                [&](const Entry &e) { return m_names[size_t(e.index)].size() <= end; })) {
                    // The names are equal to the end of the shortest (past it only U+0000 can
                    // follow): the shorter comes first, then the order of adding.
                    std::sort(first, last, [this](const Entry &a, const Entry &b) {
                        const qsizetype x = m_names[size_t(a.index)].size();
                        const qsizetype y = m_names[size_t(b.index)].size();
                        return x != y ? x < y : a.index < b.index;
                    });
                    return;
                }
                // All share this word: go on with the next one.
                loadWords(first, last, ++depth);
                continue;
            }
            // Every run but the largest by recursion (each at most half the entries), the largest
            // by the loop.
            Entry *largest = nullptr;
            Entry *largestEnd = nullptr;
            const auto sortRun = [&](Entry *run, Entry *end) {
                loadWords(run, end, depth + 1);
                sortFrom(run, end, depth + 1);
            };
            for (Entry *run = first; run != last;) {
                Entry *end = run + 1;
                while (end != last && end->word == run->word)
                    ++end;
                if (end - run > 1) {
                    if (!largest) {
                        largest = run;
                        largestEnd = end;
                    } else if (end - run > largestEnd - largest) {
                        sortRun(largest, largestEnd);
                        largest = run;
                        largestEnd = end;
                    } else {
                        sortRun(run, end);
                    }
                }
                run = end;
            }
            if (!largest)
                return;
            first = largest;
            last = largestEnd;
            loadWords(first, last, ++depth);
        }
    }

    // Orders entries by word; false when they all hold the same word (and are left as they are).
    bool sortByWord(Entry *first, Entry *last)
    {
        // The bits in which the words differ.
        quint64 someHave = 0;
        quint64 allHave = ~quint64(0);
        for (const Entry *entry = first; entry != last; ++entry) {
            someHave |= entry->word;
            allHave &= entry->word;
        }
        const quint64 differing = someHave ^ allHave;
        if (!differing)
            return false;
        const size_t size = size_t(last - first);
        if (size < radixThreshold) {
            std::sort(first, last, [](const Entry &a, const Entry &b) { return a.word < b.word; });
            return true;
        }
        // Least significant byte first, each pass stable; a byte all words share needs no pass.
        Entry *from = first;
        Entry *to = m_buffer.data();
        for (size_t b = 0; b < sizeof(quint64); ++b) {
            if (((differing >> (8 * b)) & 0xFF) == 0)
                continue;
            std::array<quint32, 256> count{};
            for (const Entry *entry = from; entry != from + size; ++entry)
                ++count[(entry->word >> (8 * b)) & 0xFF];
            quint32 offset = 0;
            for (quint32 &c : count)
                offset += std::exchange(c, offset);
            for (const Entry *entry = from; entry != from + size; ++entry)
                to[count[(entry->word >> (8 * b)) & 0xFF]++] = *entry;
            std::swap(from, to);
        }
        if (from != first)
            std::copy(from, from + size, first);
        return true;
    }

    // Below this many entries a comparison sort beats clearing and filling the radix counts.
    static constexpr size_t radixThreshold = 256;

    std::vector<Candidate> m_candidates;
    // Per candidate: the first prefixWords words of its name, one array for each, and the name.
    std::array<std::vector<quint64>, prefixWords> m_prefix;
    std::vector<QStringView> m_names;
    std::vector<Entry> m_order;
    std::vector<Entry> m_buffer;
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
    constexpr qint64 noDate = std::numeric_limits<qint64>::min();
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
        // Plain integers with a stand-in for none: optionals here would pass through memory.
        const qint64 added = plant->dateAddedMsecs().value_or(noDate);
        Candidate &candidate = names.next();
        for (CareKind kind : CareKind::allCases()) {
            const qint64 interval = plant->interval(kind);
            if (interval < 1)
                continue;
            const qint64 base = plant->lastDoneMsecs(kind).value_or(added);
            qint64 day = 0;
            if (base == noDate || __builtin_add_overflow(calendar.localJulianDay(base), interval, &day))
                continue;
            // A day with no start never falls before the limit.
            const qint64 due =
                calendar.startOfLocalDayMsecs(day).value_or(std::numeric_limits<qint64>::max());
            if (due < *limit) {
                candidate.tasks[size_t(candidate.taskCount++)] = Candidate::pack(limitDay - day, kind);
                firstDay = std::min(firstDay, day);
            }
        }
        if (candidate.taskCount > 0) {
            candidate.plantIndex = qint32(p);
            taskCount += candidate.taskCount;
            names.add(plant->composedNameView());
        } else {
            names.drop();
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
