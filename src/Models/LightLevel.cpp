#include "Models/LightLevel.h"

std::optional<LightLevel> LightLevel::fromRawValue(QStringView raw)
{
    for (LightLevel level : allCases()) {
        if (raw == level.rawValue())
            return level;
    }
    return std::nullopt;
}

QString LightLevel::rawValue() const
{
    switch (m_value) {
    case low:
        return QStringLiteral("low");
    case medium:
        return QStringLiteral("medium");
    case bright:
        return QStringLiteral("bright");
    case direct:
        return QStringLiteral("direct");
    }
    Q_UNREACHABLE();
    return {};
}

QString LightLevel::label() const
{
    switch (m_value) {
    case low:
        return QStringLiteral("Low light");
    case medium:
        return QStringLiteral("Medium light");
    case bright:
        return QStringLiteral("Bright indirect");
    case direct:
        return QStringLiteral("Direct sun");
    }
    Q_UNREACHABLE();
    return {};
}

QString LightLevel::symbol() const
{
    switch (m_value) {
    case low:
        return QStringLiteral("sun.min");
    case medium:
        return QStringLiteral("sun.min.fill");
    case bright:
        return QStringLiteral("sun.max");
    case direct:
        return QStringLiteral("sun.max.fill");
    }
    Q_UNREACHABLE();
    return {};
}
