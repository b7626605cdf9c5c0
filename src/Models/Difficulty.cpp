#include "Models/Difficulty.h"

std::optional<Difficulty> Difficulty::fromRawValue(QStringView raw)
{
    for (Difficulty difficulty : allCases()) {
        if (raw == difficulty.rawValue())
            return difficulty;
    }
    return std::nullopt;
}

QString Difficulty::rawValue() const
{
    switch (m_value) {
    case easy:
        return QStringLiteral("easy");
    case moderate:
        return QStringLiteral("moderate");
    case expert:
        return QStringLiteral("expert");
    }
    Q_UNREACHABLE();
    return {};
}

QString Difficulty::label() const
{
    const QString raw = rawValue();
    return raw.left(1).toUpper() + raw.mid(1);
}
