#pragma once

#include "Platform/NotificationTrigger.h"

#include <QString>
#include <QVariantMap>

#include <optional>

// One pending notification: what it says and when it fires.
struct NotificationRequest
{
    // Bounds that keep one request small on the bus and on disk.
    static constexpr qsizetype maxIdentifierLength = 256;
    static constexpr qsizetype maxTitleLength = 1024;
    static constexpr qsizetype maxBodyLength = 8192;

    QString identifier;
    QString title;
    QString body;
    bool defaultSound = true;
    NotificationTrigger trigger;

    friend bool operator==(const NotificationRequest &, const NotificationRequest &) = default;

    // Why the request cannot be kept (empty identifier, oversized text, impossible date), or none.
    std::optional<QString> validationError() const;

    // The form used on the bus (a{sv}) and in the agent's file: identifier, title, body,
    // sound ("default" or ""), year, month, day, hour, minute.
    QVariantMap toVariantMap() const;
    // Reads that form back; none, with the reason in error, for missing or mistyped fields or a
    // request that fails validation.
    static std::optional<NotificationRequest> fromVariantMap(const QVariantMap &map,
                                                             QString *error = nullptr);
};
