#include "Platform/ReminderFile.h"

#include "Platform/JsonFile.h"
#include "Platform/ReminderLog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace {

constexpr int formatVersion = 1;
const QString versionKey = QStringLiteral("version");
const QString pendingKey = QStringLiteral("pending");
// Far more than 14 requests ever need; a bigger file is not ours.
constexpr qint64 maxFileSize = 1024 * 1024;

// The file's text as UTF-8: UTF-16 (after a byte-order mark, or with a NUL in one of its first two
// bytes) converted, and a byte that is no UTF-8 replaced by U+FFFD. recoded tells either happened.
QByteArray asUtf8(const QByteArray &bytes, bool *recoded)
{
    std::optional<QStringConverter::Encoding> utf16;
    if (bytes.startsWith("\xFF\xFE") || (bytes.size() >= 2 && bytes.at(0) != 0 && bytes.at(1) == 0))
        utf16 = QStringConverter::Utf16LE;
    else if (bytes.startsWith("\xFE\xFF") || (bytes.size() >= 2 && bytes.at(0) == 0 && bytes.at(1) != 0))
        utf16 = QStringConverter::Utf16BE;
    QStringDecoder decoder(utf16.value_or(QStringConverter::Utf8));
    const QString text = decoder(bytes);
    *recoded = utf16 || decoder.hasError();
    return *recoded ? text.toUtf8() : bytes;
}

// Where the object that opens at text[start] ends (just past its closing brace), or -1 when the
// text ends first.
qsizetype objectEnd(const QByteArray &text, qsizetype start)
{
    int depth = 0;
    bool inString = false;
    for (qsizetype i = start; i < text.size(); ++i) {
        const char c = text.at(i);
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if ((c == '}' || c == ']') && --depth == 0) {
            return i + 1;
        }
    }
    return -1;
}

// The entries of a file that is no longer JSON as a whole (cut off, or followed by other bytes):
// each whole object of its pending list that reads on its own, up to where the list breaks off.
QList<QJsonObject> salvage(const QByteArray &text)
{
    QList<QJsonObject> entries;
    const qsizetype key = text.indexOf("\"pending\"");
    qsizetype i = key < 0 ? -1 : text.indexOf('[', key);
    if (i < 0)
        return entries;
    for (++i; i < text.size() && text.at(i) != ']';) {
        if (text.at(i) != '{') {
            ++i;
            continue;
        }
        const qsizetype end = objectEnd(text, i);
        if (end < 0)
            break;
        const QJsonDocument entry = QJsonDocument::fromJson(text.mid(i, end - i));
        if (entry.isObject())
            entries.append(entry.object());
        i = end;
    }
    return entries;
}

} // namespace

ReminderFile::ReminderFile(QString path) : m_path(std::move(path)) {}

ReminderFile ReminderFile::in(const QString &dataDirectory)
{
    return ReminderFile(dataDirectory + QLatin1String("/reminders.json"));
}

QList<NotificationRequest> ReminderFile::load(bool *damaged) const
{
    QString reason;
    bool cut = false;
    const std::optional<QByteArray> bytes = JsonFile::read(m_path, maxFileSize, &reason, &cut);
    if (damaged)
        *damaged = !reason.isEmpty() || cut;
    if (!bytes) {
        if (!reason.isEmpty())
            qCWarning(lcReminders).noquote() << reason << "; starting with no pending reminders";
        return {};
    }
    bool recoded = false;
    const QByteArray text = asUtf8(*bytes, &recoded);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    const QJsonObject root = document.object();
    QList<QJsonObject> entries;
    if (parseError.error == QJsonParseError::NoError && document.isObject() &&
        root.value(versionKey).toInt() == formatVersion && root.value(pendingKey).isArray()) {
        const QJsonArray pending = root.value(pendingKey).toArray();
        for (const QJsonValue &entry : pending)
            entries.append(entry.toObject());
    } else {
        entries = salvage(text);
        qCWarning(lcReminders).noquote() << m_path << "is damaged (" << parseError.errorString() << "); kept"
                                         << entries.size() << "reminders that could be read";
    }
    bool clean = !cut && !recoded && parseError.error == QJsonParseError::NoError;

    QList<NotificationRequest> requests;
    for (const QJsonObject &entry : std::as_const(entries)) {
        QString damage;
        if (auto request = NotificationRequest::fromVariantMap(entry.toVariantMap(), &damage)) {
            requests.append(std::move(*request));
        } else {
            clean = false;
            qCWarning(lcReminders).noquote() << "skipping a damaged reminder in" << m_path << ":" << damage;
        }
    }
    if (damaged)
        *damaged = *damaged || !clean;
    return requests;
}

bool ReminderFile::setAside() const
{
    const QString first = m_path + QStringLiteral(".damaged-") +
                          QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = first;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = first + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(m_path, aside)) {
        qCWarning(lcReminders).noquote() << "cannot move the damaged" << m_path << "aside";
        return false;
    }
    qCWarning(lcReminders).noquote() << "moved the damaged" << m_path << "aside to" << aside;
    return true;
}

bool ReminderFile::save(const QList<NotificationRequest> &requests, QString *error, FileFaults *faults) const
{
    QJsonArray pending;
    for (const NotificationRequest &request : requests)
        pending.append(QJsonObject::fromVariantMap(request.toVariantMap()));
    const QJsonObject root{{versionKey, formatVersion}, {pendingKey, pending}};

    // What cannot be read now may be read by someone later: a damaged file is kept, not replaced.
    bool damaged = false;
    load(&damaged);
    if (damaged && QFileInfo::exists(m_path) && !setAside()) {
        if (error)
            *error = QStringLiteral("cannot move the damaged %1 aside").arg(m_path);
        return false;
    }
    return JsonFile::write(m_path, root, error, faults);
}
