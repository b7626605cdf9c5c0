#include "Models/CareKind.h"

std::optional<CareKind> CareKind::fromRawValue(QStringView raw)
{
    for (CareKind kind : allCases()) {
        if (raw == kind.rawValue())
            return kind;
    }
    return std::nullopt;
}

QString CareKind::rawValue() const
{
    switch (m_value) {
    case water:
        return QStringLiteral("water");
    case fertilize:
        return QStringLiteral("fertilize");
    case mist:
        return QStringLiteral("mist");
    }
    Q_UNREACHABLE();
    return {};
}

QString CareKind::title() const
{
    switch (m_value) {
    case water:
        return QStringLiteral("Water");
    case fertilize:
        return QStringLiteral("Fertilize");
    case mist:
        return QStringLiteral("Mist");
    }
    Q_UNREACHABLE();
    return {};
}

QString CareKind::pastTense() const
{
    switch (m_value) {
    case water:
        return QStringLiteral("Watered");
    case fertilize:
        return QStringLiteral("Fertilized");
    case mist:
        return QStringLiteral("Misted");
    }
    Q_UNREACHABLE();
    return {};
}

QString CareKind::symbol() const
{
    switch (m_value) {
    case water:
        return QStringLiteral("drop.fill");
    case fertilize:
        return QStringLiteral("leaf.arrow.triangle.circlepath");
    case mist:
        return QStringLiteral("humidity.fill");
    }
    Q_UNREACHABLE();
    return {};
}

ColorRole CareKind::tint() const
{
    switch (m_value) {
    case water:
        return ColorRole::blue;
    case fertilize:
        return ColorRole::orange;
    case mist:
        return ColorRole::teal;
    }
    Q_UNREACHABLE();
    return ColorRole::blue;
}
