#pragma once

// What the screen benchmarks share: the median of their laps, and one fixed morning in Berlin
// as the calendar every screen reads while they run.

#include "Core/Calendar.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <vector>

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// 7 December 2026, 10:30 in Berlin, until a benchmark moves the clock on.
struct BenchDay
{
    const QTimeZone zone{"Europe/Berlin"};
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 30), zone)};
    Calendar calendar{zone, &clock};
    const ScopedCalendar scoped{&calendar};
};
