#pragma once

#include <QString>

#include <array>
#include <optional>

// How demanding a species is to keep.
class Difficulty final
{
public:
    enum Value : unsigned char { easy, moderate, expert };

    constexpr Difficulty(Value value) : m_value(value) {}

    static constexpr std::array<Difficulty, 3> allCases() { return {easy, moderate, expert}; }
    // Raw values are the lower-case case names; anything else gives none.
    static std::optional<Difficulty> fromRawValue(QStringView raw);

    constexpr Value value() const { return m_value; }
    QString rawValue() const;
    QString label() const; // the raw value with an initial capital
    QString symbol() const { return QStringLiteral("gauge.with.dots.needle.33percent"); }

    friend constexpr bool operator==(Difficulty a, Difficulty b) { return a.m_value == b.m_value; }

private:
    Value m_value;
};
