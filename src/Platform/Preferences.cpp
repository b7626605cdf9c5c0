#include "Platform/Preferences.h"

#include <QHash>
#include <QList>
#include <QLoggingCategory>
#include <QPointer>
#include <QSettings>

namespace {

Q_LOGGING_CATEGORY(lcPreferences, "tendrel.preferences", QtWarningMsg)

const QString enabledKey = QStringLiteral("remindersEnabled");
const QString minutesKey = QStringLiteral("reminderMinutes");

// Every live Preferences object by settings file, so a write reaches the others. UI thread only.
QHash<QString, QList<Preferences *>> &registry()
{
    static QHash<QString, QList<Preferences *>> objects;
    return objects;
}

// INI files hold every value as text, so "true" and "540" arrive as strings; native types come
// from values written in this process.
bool readBool(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1"))
            return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || text == QLatin1String("0"))
            return false;
    }
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
        const qint64 number = value.toLongLong();
        if (number == 0 || number == 1)
            return number == 1;
    }
    return Preferences::defaultRemindersEnabled;
}

int readMinutes(const QVariant &value)
{
    bool ok = false;
    qint64 minutes = 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        minutes = value.toLongLong(&ok);
        break;
    case QMetaType::QString:
        minutes = value.toString().trimmed().toLongLong(&ok, 10);
        break;
    default:
        break;
    }
    if (!ok || minutes < 0 || minutes > Preferences::lastMinuteOfDay)
        return Preferences::defaultReminderMinutes;
    return int(minutes);
}

} // namespace

Preferences::Preferences(QObject *parent)
    : Preferences(QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tendrel"),
                            QStringLiteral("Tendrel"))
                      .fileName(),
                  parent)
{
}

Preferences::Preferences(const QString &filePath, QObject *parent)
    : QObject(parent), m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
    m_enabled = remindersEnabled();
    m_minutes = reminderMinutes();
    registry()[m_settings->fileName()].append(this);
}

Preferences::~Preferences()
{
    auto &objects = registry();
    const auto it = objects.find(m_settings->fileName());
    if (it != objects.end()) {
        it->removeOne(this);
        if (it->isEmpty())
            objects.erase(it);
    }
}

QString Preferences::filePath() const
{
    return m_settings->fileName();
}

bool Preferences::remindersEnabled() const
{
    return readBool(m_settings->value(enabledKey));
}

int Preferences::reminderMinutes() const
{
    return readMinutes(m_settings->value(minutesKey));
}

void Preferences::setRemindersEnabled(bool enabled)
{
    m_settings->setValue(enabledKey, enabled);
    m_settings->sync();
    notifyAll();
}

void Preferences::setReminderMinutes(int minutes)
{
    if (minutes < 0 || minutes > lastMinuteOfDay) {
        qCWarning(lcPreferences) << "Ignoring reminder time outside the day:" << minutes;
        return;
    }
    m_settings->setValue(minutesKey, minutes);
    m_settings->sync();
    notifyAll();
}

void Preferences::notifyAll()
{
    // Guarded copies: a slot may create or destroy Preferences objects while we go through them.
    QList<QPointer<Preferences>> objects;
    for (Preferences *object : registry().value(m_settings->fileName()))
        objects.append(object);
    for (const QPointer<Preferences> &object : std::as_const(objects)) {
        if (object)
            object->refresh();
    }
}

void Preferences::refresh()
{
    const bool enabledBefore = m_enabled;
    const int minutesBefore = m_minutes;
    m_enabled = remindersEnabled();
    m_minutes = reminderMinutes();
    announce(enabledBefore, minutesBefore);
}

void Preferences::announce(bool enabledBefore, int minutesBefore)
{
    const bool enabledChanged = m_enabled != enabledBefore;
    const bool minutesChanged = m_minutes != minutesBefore;
    if (enabledChanged)
        emit remindersEnabledChanged(m_enabled);
    if (minutesChanged)
        emit reminderMinutesChanged(m_minutes);
    if (enabledChanged || minutesChanged)
        emit changed();
}
