#pragma once

#include <QTime>
#include <QWidget>

class ListRow;
class ModelStore;
class Preferences;
class QLocale;
class QTimeEdit;
class ToggleSwitch;

// The settings window's content: the daily reminder (on or off, and at what time), how many plants
// and care actions are stored, loading the sample plants, deleting every plant, and the version.
//
// Turning reminders on asks the notification service for permission; a refusal turns them off
// again and says so. The screen only writes the preferences: the main window's reminder trigger
// notices and replans the pending reminders.
class SettingsView final : public QWidget
{
    Q_OBJECT

public:
    SettingsView(ModelStore &store, Preferences &preferences, QWidget *parent = nullptr);

    // Minutes after midnight of the time picked; an unreadable time counts as 09:00.
    static int minutesFromTime(const QTime &time);
    static QTime timeFromMinutes(int minutes);
    // The locale's short time format, hours and minutes only, for the picker.
    static QString pickerFormat(const QLocale &locale);
    // The application's version, "1.0" when it has none.
    static QString versionText();

    ToggleSwitch *remindersToggle() const { return m_toggle; }
    QTimeEdit *timePicker() const { return m_timePicker; }
    ListRow *timeRow() const { return m_timeRow; }
    ListRow *plantsRow() const { return m_plantsRow; }
    ListRow *eventsRow() const { return m_eventsRow; }
    ListRow *addSamplesRow() const { return m_addSamplesRow; }
    ListRow *deleteAllRow() const { return m_deleteAllRow; }
    ListRow *versionRow() const { return m_versionRow; }

private:
    void remindersClicked(bool on);
    void askPermission();
    void showReminders();
    void updateCounts();
    void confirmDeleteAll();

    ModelStore &m_store;
    Preferences &m_preferences;
    ToggleSwitch *m_toggle;
    QTimeEdit *m_timePicker;
    ListRow *m_timeRow;
    ListRow *m_plantsRow;
    ListRow *m_eventsRow;
    ListRow *m_addSamplesRow;
    ListRow *m_deleteAllRow;
    ListRow *m_versionRow;
};
