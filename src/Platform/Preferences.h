#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSettings;

// The user's two reminder preferences, kept in the user's settings file. Every Preferences
// object on the same file in this process sees the others' writes at once and emits the change
// signals, so a window that shows the reminder state follows the settings window without a restart.
//
// A value that was edited by hand into something of the wrong type or out of range reads as the
// default; it is not rewritten until the user changes the setting.
class Preferences final : public QObject
{
    Q_OBJECT

public:
    static constexpr bool defaultRemindersEnabled = false;
    static constexpr int defaultReminderMinutes = 540; // 09:00
    static constexpr int lastMinuteOfDay = 24 * 60 - 1;

    // The application's preferences: ~/.config/Tendrel/Tendrel.conf, whichever executable asks.
    explicit Preferences(QObject *parent = nullptr);
    // Preferences in the INI file at filePath (tests, or a settings file chosen elsewhere).
    explicit Preferences(const QString &filePath, QObject *parent = nullptr);
    ~Preferences() override;

    QString filePath() const;

    bool remindersEnabled() const;
    void setRemindersEnabled(bool enabled);
    // Minutes after local midnight, 0 to 1439.
    int reminderMinutes() const;
    // Values outside 0 to 1439 are refused and leave the stored value as it is.
    void setReminderMinutes(int minutes);

signals:
    void remindersEnabledChanged(bool enabled);
    void reminderMinutesChanged(int minutes);
    // Either preference changed.
    void changed();

private:
    void notifyAll();
    void refresh();
    void announce(bool enabledBefore, int minutesBefore);

    std::unique_ptr<QSettings> m_settings;
    // Last values this object announced, so each signal fires only on a real change.
    bool m_enabled;
    int m_minutes;
};
