#include "Platform/NotificationRequest.h"

#include <QMetaType>

#include <cmath>

namespace {

const QString identifierKey = QStringLiteral("identifier");
const QString titleKey = QStringLiteral("title");
const QString bodyKey = QStringLiteral("body");
const QString soundKey = QStringLiteral("sound");
const QString defaultSoundName = QStringLiteral("default");

// Accepts whole numbers only, whichever integer or floating type the transport produced (JSON reads
// numbers as doubles, D-Bus as the signature's type), and only within +-1,000,000 as that type
// reads them: an unsigned 64-bit 18446744073709551615 is not -1.
std::optional<int> wholeNumber(const QVariant &value)
{
    constexpr qint64 limit = 1'000'000;
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char: {
        bool ok = false;
        const qlonglong n = value.toLongLong(&ok);
        if (!ok || n < -limit || n > limit)
            return std::nullopt;
        return int(n);
    }
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
    case QMetaType::UChar: {
        bool ok = false;
        const qulonglong n = value.toULongLong(&ok);
        if (!ok || n > qulonglong(limit))
            return std::nullopt;
        return int(n);
    }
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > double(limit))
            return std::nullopt;
        return int(d);
    }
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<QString> NotificationRequest::validationError() const
{
    if (identifier.isEmpty())
        return QStringLiteral("The request has no identifier.");
    if (identifier.size() > maxIdentifierLength)
        return QStringLiteral("The identifier is longer than %1 characters.").arg(maxIdentifierLength);
    if (title.size() > maxTitleLength)
        return QStringLiteral("The title is longer than %1 characters.").arg(maxTitleLength);
    if (body.size() > maxBodyLength)
        return QStringLiteral("The body is longer than %1 characters.").arg(maxBodyLength);
    if (!trigger.isValid())
        return QStringLiteral("The trigger %1-%2-%3 %4:%5 is not a valid date and time.")
            .arg(trigger.year)
            .arg(trigger.month)
            .arg(trigger.day)
            .arg(trigger.hour)
            .arg(trigger.minute);
    return std::nullopt;
}

QVariantMap NotificationRequest::toVariantMap() const
{
    return {
        {identifierKey, identifier},
        {titleKey, title},
        {bodyKey, body},
        {soundKey, defaultSound ? defaultSoundName : QString()},
        {QStringLiteral("year"), trigger.year},
        {QStringLiteral("month"), trigger.month},
        {QStringLiteral("day"), trigger.day},
        {QStringLiteral("hour"), trigger.hour},
        {QStringLiteral("minute"), trigger.minute},
    };
}

std::optional<NotificationRequest> NotificationRequest::fromVariantMap(const QVariantMap &map, QString *error)
{
    auto fail = [error](const QString &reason) -> std::optional<NotificationRequest> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    auto text = [&map](const QString &key) -> std::optional<QString> {
        const QVariant value = map.value(key);
        if (value.metaType().id() != QMetaType::QString)
            return std::nullopt;
        return value.toString();
    };

    NotificationRequest request;
    const auto identifierText = text(identifierKey);
    const auto titleText = text(titleKey);
    const auto bodyText = text(bodyKey);
    if (!identifierText || !titleText || !bodyText)
        return fail(QStringLiteral("The request needs the text fields identifier, title and body."));
    request.identifier = *identifierText;
    request.title = *titleText;
    request.body = *bodyText;
    if (map.contains(soundKey)) {
        const auto sound = text(soundKey);
        if (!sound || (!sound->isEmpty() && *sound != defaultSoundName))
            return fail(QStringLiteral("The sound must be \"default\" or empty."));
        request.defaultSound = !sound->isEmpty();
    }

    int *const fields[] = {&request.trigger.year, &request.trigger.month, &request.trigger.day,
                           &request.trigger.hour, &request.trigger.minute};
    const QString names[] = {QStringLiteral("year"), QStringLiteral("month"), QStringLiteral("day"),
                             QStringLiteral("hour"), QStringLiteral("minute")};
    for (size_t i = 0; i < std::size(fields); ++i) {
        const auto n = wholeNumber(map.value(names[i]));
        if (!n)
            return fail(
                QStringLiteral("The trigger field %1 is missing or not a whole number.").arg(names[i]));
        *fields[i] = *n;
    }

    if (const auto reason = request.validationError())
        return fail(*reason);
    return request;
}
