#pragma once

#include "Services/ReminderRun.h"
#include "Views/Components/Sheet.h"
#include "Views/State/AppTab.h"

#include <QPointer>
#include <QWidget>

class AppState;
class ModelStore;
class NavigationStack;
class Plant;
class PlantQuery;
class Preferences;
class QLabel;
class QStackedWidget;
class Sidebar;
class Calendar;

// The content of the main window: a sidebar with the Today, My Plants and Explore tabs (Today
// carries the number of tasks due today or overdue), one navigation stack per tab, the add-plant
// sheet while AppState::isAddingPlant() is set, a banner when the plants cannot be kept or while
// saving fails (the reason, as plain text, on hover), and the trigger that keeps the daily reminders
// current.
//
// Reminders are replanned when the view first appears, whenever the schedule signature changes
// (a run still under way is cancelled first), every time the application becomes active, and when
// a new day begins.
class RootView final : public QWidget
{
    Q_OBJECT

public:
    RootView(ModelStore &store, AppState &state, Preferences &preferences, QWidget *parent = nullptr);
    ~RootView() override;

    // What the pending reminders depend on: both preferences and every plant's name, enabled
    // kinds and due dates, independent of plant order.
    static QString scheduleSignature(const QList<Plant *> &plants, bool remindersEnabled,
                                     int reminderMinutes);
    static QString scheduleSignature(const QList<Plant *> &plants, bool remindersEnabled, int reminderMinutes,
                                     const Calendar &calendar);

    QString currentSignature() const { return m_signature; }
    // Reminder runs started so far, by either trigger.
    int reminderRunCount() const { return m_runCount; }
    int todayBadge() const;

    Sidebar *sidebar() const { return m_sidebar; }
    NavigationStack *navigationStack(AppTab tab) const;
    Sheet *sheet() const { return m_sheet; }
    QWidget *storeBanner() const { return m_banner; }
    // Shown while the store's saveError() is set.
    QWidget *saveBanner() const { return m_saveBanner; }

    // Starts a reminder run that is not tied to the signature, as on activation.
    void rescheduleOnActivation();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *createScreen(AppTab tab);
    QWidget *createAddPlantContent();
    QWidget *createBanner(const QString &objectName, const QString &text);
    void saveErrorChanged();
    void plantsChanged();
    void updateBadge();
    void updateSignature();
    void startKeyedRun();
    void selectTab(AppTab tab);
    void showTabStart(AppTab tab);
    void addingPlantChanged(bool adding);
    // Pushes the plant's detail onto the tab's stack, when the chooser is the page on show.
    void openPlant(AppTab tab, Plant *plant);

    ModelStore &m_store;
    AppState &m_state;
    Preferences &m_preferences;
    PlantQuery *m_plants;
    Sidebar *m_sidebar;
    QStackedWidget *m_tabs;
    QList<NavigationStack *> m_stacks;
    QWidget *m_banner = nullptr;
    QWidget *m_saveBanner = nullptr;
    QPointer<Sheet> m_sheet;
    QPointer<ReminderRun> m_keyedRun;
    QString m_signature;
    bool m_appeared = false;
    int m_runCount = 0;
};
