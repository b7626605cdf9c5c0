#pragma once

#include <QString>

#include <array>
#include <optional>

// How much light a species wants, from least to most. The order matters: the low-light filter
// keeps the first two levels.
class LightLevel final
{
public:
    enum Value : unsigned char { low, medium, bright, direct };

    constexpr LightLevel(Value value) : m_value(value) {}

    static constexpr std::array<LightLevel, 4> allCases() { return {low, medium, bright, direct}; }
    // Raw values are the lower-case case names; anything else gives none.
    static std::optional<LightLevel> fromRawValue(QStringView raw);

    constexpr Value value() const { return m_value; }
    QString rawValue() const;
    QString label() const;  // "Low light", "Medium light", "Bright indirect", "Direct sun"
    QString symbol() const; // shown tinted yellow

    friend constexpr bool operator==(LightLevel a, LightLevel b) { return a.m_value == b.m_value; }
    friend constexpr bool operator<(LightLevel a, LightLevel b) { return a.m_value < b.m_value; }

private:
    Value m_value;
};
