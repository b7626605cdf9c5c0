#pragma once

#include <QHashFunctions>

// The tabs of the main window. settings exists for completeness: no tab or command selects it,
// since Settings lives in its own window.
enum class AppTab : unsigned char { today, plants, explore, settings };

inline size_t qHash(AppTab tab, size_t seed = 0) noexcept
{
    return qHash(int(tab), seed);
}
