#pragma once

// A colour named by its role, not by its value: the theme maps each role to a real colour for the
// light and the dark appearance, so records and catalog entries never carry RGB values.
enum class ColorRole : unsigned char {
    blue,
    orange,
    teal,
    red,
    yellow,
    green,
    purple,
    cyan,
    secondary,
    tertiary,
    accent,
};

// How many roles there are, for tables indexed by role.
inline constexpr int colorRoleCount = int(ColorRole::accent) + 1;
