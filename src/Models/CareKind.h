#pragma once

#include "Models/ColorRole.h"

#include <QHashFunctions>
#include <QString>

#include <array>
#include <optional>

// One of the three kinds of care. Every list of kinds follows the order water, fertilize, mist.
class CareKind final
{
public:
    enum Value : unsigned char { water, fertilize, mist };

    constexpr CareKind(Value value) : m_value(value) {}

    // water, fertilize, mist, in that order.
    static constexpr std::array<CareKind, 3> allCases() { return {water, fertilize, mist}; }
    // The kind whose raw value is exactly raw (case-sensitive), or none.
    static std::optional<CareKind> fromRawValue(QStringView raw);

    constexpr Value value() const { return m_value; }
    constexpr int index() const { return int(m_value); }

    // The raw value, also the identifier and the stored form: "water", "fertilize", "mist".
    QString rawValue() const;
    QString id() const { return rawValue(); }
    QString title() const;     // "Water"
    QString pastTense() const; // "Watered"
    QString symbol() const;    // symbol name, mapped to an icon by the views
    ColorRole tint() const;

    friend constexpr bool operator==(CareKind a, CareKind b) { return a.m_value == b.m_value; }

private:
    Value m_value;
};

inline size_t qHash(CareKind kind, size_t seed = 0) noexcept
{
    return qHash(int(kind.value()), seed);
}
