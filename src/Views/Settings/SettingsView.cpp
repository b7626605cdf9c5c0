#include "Views/Settings/SettingsView.h"

#include "Core/Formatting.h"
#include "Models/Plant.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Preferences.h"
#include "Platform/ReminderAutostart.h"
#include "Services/SampleData.h"
#include "Store/ModelStore.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/InsetSection.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/Theme.h"
#include "Views/Components/ToggleSwitch.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

QString cssColor(const QColor &color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF(), 0, 'f', 3);
}

void colorTimePicker(QTimeEdit *picker);

// A compact time field like the platform's: a soft rounded fill, no spin arrows; the hour or
// minute under the cursor changes with typing, the arrow keys or the scroll wheel.
void styleTimePicker(QTimeEdit *picker)
{
    picker->setButtonSymbols(QAbstractSpinBox::NoButtons);
    picker->setAlignment(Qt::AlignCenter);
    picker->setFont(Theme::current().font(TextStyle::body));
    picker->setWrapping(true);
    Theme::follow(picker, [picker] { colorTimePicker(picker); });
}

void colorTimePicker(QTimeEdit *picker)
{
    const Theme &theme = Theme::current();
    picker->setStyleSheet(
        QStringLiteral("QTimeEdit { background: %1; color: %2; border: none; border-radius: 7px;"
                       " padding: 4px 10px; selection-background-color: %3;"
                       " selection-color: %4; }"
                       "QTimeEdit:focus { background: %5; }")
            .arg(cssColor(theme.colors.tertiaryFill), cssColor(theme.colors.label),
                 cssColor(theme.colors.accent), cssColor(theme.colors.onAccent),
                 cssColor(theme.colors.secondaryFill)));
}

} // namespace

int SettingsView::minutesFromTime(const QTime &time)
{
    if (!time.isValid())
        return Preferences::defaultReminderMinutes;
    return time.hour() * 60 + time.minute();
}

QTime SettingsView::timeFromMinutes(int minutes)
{
    // The time of day the minutes name; not midnight plus minutes, which on a day the clocks
    // change would show another hour.
    const int inDay = ((minutes % (24 * 60)) + 24 * 60) % (24 * 60);
    return QTime(inDay / 60, inDay % 60);
}

QString SettingsView::pickerFormat(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    // Short formats may still carry seconds or a zone in some locales; the picker shows neither.
    static const QRegularExpression seconds(QStringLiteral("[:.,]?s{1,2}(\\.z+)?"));
    static const QRegularExpression zone(QStringLiteral("\\s*t+"));
    format.remove(seconds);
    format.remove(zone);
    format = format.trimmed();
    const bool hasHour = format.contains(QLatin1Char('h')) || format.contains(QLatin1Char('H'));
    if (!hasHour || !format.contains(QLatin1Char('m')))
        return QStringLiteral("HH:mm");
    return format;
}

QString SettingsView::versionText()
{
    const QString version = QCoreApplication::applicationVersion().trimmed();
    return version.isEmpty() ? QStringLiteral("1.0") : version;
}

SettingsView::SettingsView(ModelStore &store, Preferences &preferences, QWidget *parent)
    : QWidget(parent), m_store(store), m_preferences(preferences)
{
    setObjectName(QStringLiteral("settingsView"));
    setWindowTitle(tr("Settings"));

    auto *page = new ScrollColumn(this);
    page->setBackground(&ThemeColors::groupedBackground);
    // The three sections fit the fixed window without scrolling, also with the time picker shown.
    page->setSpacing(18);
    page->setPadding(16);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);

    // Reminders
    auto *reminders = new InsetSection(tr("Reminders"));
    reminders->setObjectName(QStringLiteral("settingsReminders"));
    reminders->setFooter(tr("One summary notification on days when plants need care."));
    auto *remindersRow = new ListRow(tr("Daily Reminders"));
    remindersRow->setObjectName(QStringLiteral("dailyRemindersRow"));
    remindersRow->setSymbol(QStringLiteral("bell.badge.fill"), ThemeColor::text(ColorRole::accent));
    m_toggle = new ToggleSwitch;
    m_toggle->setObjectName(QStringLiteral("remindersToggle"));
    m_toggle->setAccessibleName(tr("Daily Reminders"));
    remindersRow->addTrailing(m_toggle);
    reminders->addRow(remindersRow);

    m_timeRow = new ListRow(tr("Remind Me At"));
    m_timeRow->setObjectName(QStringLiteral("remindMeAtRow"));
    m_timePicker = new QTimeEdit;
    m_timePicker->setObjectName(QStringLiteral("reminderTimePicker"));
    m_timePicker->setAccessibleName(tr("Remind Me At"));
    m_timePicker->setDisplayFormat(pickerFormat(QLocale()));
    styleTimePicker(m_timePicker);
    m_timeRow->addTrailing(m_timePicker);
    // Lines up with the "Daily Reminders" title above it, as the option that belongs to it.
    const QMargins margins = m_timeRow->contentLayout()->contentsMargins();
    m_timeRow->contentLayout()->setContentsMargins(remindersRow->separatorInset(), margins.top(),
                                                   margins.right(), margins.bottom());
    reminders->addRow(m_timeRow);
    page->addWidget(reminders);

    // Your Garden
    auto *garden = new InsetSection(tr("Your Garden"));
    garden->setObjectName(QStringLiteral("settingsGarden"));
    m_plantsRow = new ListRow(tr("Plants"));
    m_plantsRow->setObjectName(QStringLiteral("plantsCountRow"));
    m_eventsRow = new ListRow(tr("Care Actions Logged"));
    m_eventsRow->setObjectName(QStringLiteral("careActionsCountRow"));
    m_addSamplesRow = new ListRow(tr("Add Sample Plants"));
    m_addSamplesRow->setObjectName(QStringLiteral("addSamplePlantsRow"));
    m_addSamplesRow->setSymbol(QStringLiteral("leaf.circle"), ThemeColor::text(ColorRole::accent));
    m_addSamplesRow->setTitleColor(ThemeColor::text(ColorRole::accent));
    m_addSamplesRow->setActivatable(true);
    m_deleteAllRow = new ListRow(tr("Delete All Plants"));
    m_deleteAllRow->setObjectName(QStringLiteral("deleteAllPlantsRow"));
    m_deleteAllRow->setSymbol(QStringLiteral("trash"), &ThemeColors::red);
    m_deleteAllRow->setTitleColor(&ThemeColors::red);
    m_deleteAllRow->setActivatable(true);
    for (ListRow *row : {m_plantsRow, m_eventsRow, m_addSamplesRow, m_deleteAllRow})
        garden->addRow(row);
    page->addWidget(garden);

    // About
    auto *about = new InsetSection(tr("About"));
    about->setObjectName(QStringLiteral("settingsAbout"));
    about->setFooter(
        tr("Care schedules are general guidance. Adjust them for your light, temperature, and season."));
    m_versionRow = new ListRow(tr("Version"));
    m_versionRow->setObjectName(QStringLiteral("versionRow"));
    m_versionRow->setValueText(versionText());
    about->addRow(m_versionRow);
    page->addWidget(about);

    connect(m_toggle, &QAbstractButton::clicked, this, &SettingsView::remindersClicked);
    connect(m_timePicker, &QTimeEdit::timeChanged, this,
            [this](const QTime &time) { m_preferences.setReminderMinutes(minutesFromTime(time)); });
    connect(&m_preferences, &Preferences::changed, this, &SettingsView::showReminders);
    connect(m_addSamplesRow, &ListRow::activated, this, [this] {
        GardenHistory::of(m_store).addSamplePlants();
        updateCounts();
    });
    connect(m_deleteAllRow, &ListRow::activated, this, &SettingsView::confirmDeleteAll);
    connect(&m_store, &ModelStore::plantsChanged, this, &SettingsView::updateCounts);
    connect(&m_store, &ModelStore::eventsChanged, this, &SettingsView::updateCounts);

    showReminders();
    updateCounts();
}

void SettingsView::remindersClicked(bool on)
{
    m_preferences.setRemindersEnabled(on);
    if (on) {
        askPermission();
        return;
    }
    // Without reminders the agent has nothing to deliver at login; the shell's next run also
    // drops the reminders still pending.
    ReminderAutostart::remove();
}

void SettingsView::askPermission()
{
    using Option = NotificationCenter::AuthorizationOption;
    NotificationCenter::current().requestAuthorization(
        Option::alert | Option::sound | Option::badge, this,
        [this](bool granted, const std::optional<QString> &error) {
            if (granted && !error)
                return;
            m_preferences.setRemindersEnabled(false);
            ReminderAutostart::remove();
            // Without a notification server no setting could help: the user needs one running.
            NotificationCenter::current().notificationServerAnswers(this, [this](bool answers) {
                const QString message =
                    answers ? tr("Allow notifications for Tendrel in System Settings to get care reminders.")
                            : tr("No notification service is running on this desktop, so Tendrel can't "
                                 "show care reminders. Install or start your desktop's notification "
                                 "daemon, then turn reminders on again.");
                MessageBox::alert(this, tr("Notifications Are Off"), message);
            });
        });
}

void SettingsView::showReminders()
{
    const bool enabled = m_preferences.remindersEnabled();
    if (m_toggle->isChecked() != enabled)
        m_toggle->setChecked(enabled);
    m_timeRow->setVisible(enabled);
    const QTime time = timeFromMinutes(m_preferences.reminderMinutes());
    if (m_timePicker->time() != time) {
        const QSignalBlocker blocker(m_timePicker);
        m_timePicker->setTime(time);
    }
}

void SettingsView::updateCounts()
{
    const QLocale locale;
    m_plantsRow->setValueText(Formatting::integer(m_store.plantCount(), locale));
    m_eventsRow->setValueText(Formatting::integer(m_store.eventCount(), locale));
    m_deleteAllRow->setEnabled(m_store.plantCount() > 0);
}

void SettingsView::confirmDeleteAll()
{
    const int choice = MessageBox::confirm(this, tr("Delete all plants?"),
                                           tr("This removes every plant and its care history."),
                                           {{tr("Delete All"), MessageBox::Role::destructive}});
    if (choice != 0)
        return;
    // Each plant takes its care log with it; Undo brings them all back.
    GardenHistory::of(m_store).deleteAllPlants();
    updateCounts();
}
