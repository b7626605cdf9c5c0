// The Settings screen in the real settings window: the daily reminder with its permission request
// and time, the garden counts, sample plants and deleting every plant.
#include "support/AppHarness.h"

#include "Models/Plant.h"
#include "Models/Species.h"
#include "Platform/Preferences.h"
#include "Platform/ReminderAutostart.h"
#include "Store/ModelStore.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/Spring.h"
#include "Views/Components/ToggleSwitch.h"
#include "Views/RootView.h"
#include "Views/Settings/SettingsView.h"
#include "Views/Today/TodayView.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>

namespace {

const QDate monday(2026, 12, 7);

// A notification service that cannot be reached: every question ends in an error.
class UnreachableNotificationCenter final : public NotificationCenter
{
public:
    void removePendingRequests(const QStringList &, QObject *, ErrorCompletion completion) override
    {
        later(completion, std::optional<QString>(QStringLiteral("no service")));
    }
    void authorizationStatus(QObject *, StatusCompletion completion) override
    {
        later(completion, AuthorizationStatus::notDetermined);
    }
    void requestAuthorization(AuthorizationOptions, QObject *, AuthorizationCompletion completion) override
    {
        ++requests;
        later(completion, false, std::optional<QString>(QStringLiteral("no service")));
    }
    void add(const NotificationRequest &, QObject *, ErrorCompletion completion) override
    {
        later(completion, std::optional<QString>(QStringLiteral("no service")));
    }
    void pendingRequests(QObject *, PendingCompletion completion) override
    {
        later(completion, QList<NotificationRequest>(), std::optional<QString>(QStringLiteral("no service")));
    }

    int requests = 0;

private:
    template<typename Completion, typename... Args> void later(const Completion &completion, Args... args)
    {
        if (completion)
            QMetaObject::invokeMethod(
                this, [completion, args...] { completion(args...); }, Qt::QueuedConnection);
    }
};

int permissionRequests(const RecordingNotificationCenter &center)
{
    return int(center.operations().count(RecordingNotificationCenter::Operation::requestAuthorization));
}

} // namespace

class TestSettingsScreen final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_config.isValid());
        // The autostart entry is written under XDG_CONFIG_HOME: keep it away from the real one.
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Spring::setAnimationsEnabled(false);
    }

    void init()
    {
        m_harness = std::make_unique<AppHarness>(AppHarness::at(monday, 10, 30));
        MessageBox::clearNextAnswer();
        MessageBox::clearLastShown();
    }

    void cleanup()
    {
        m_harness.reset();
        MessageBox::clearNextAnswer();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCoreApplication::setApplicationVersion(QString());
        ReminderAutostart::remove();
    }

    void firstLaunchHasRemindersOff()
    {
        SettingsView *settings = openSettings();
        QVERIFY(!settings->remindersToggle()->isChecked());
        QVERIFY(!settings->timeRow()->isVisible());
        QVERIFY(!preferences().remindersEnabled());
        QCOMPARE(preferences().reminderMinutes(), 540);
        QCOMPARE(settings->plantsRow()->valueText(), QStringLiteral("0"));
        QCOMPARE(settings->eventsRow()->valueText(), QStringLiteral("0"));
    }

    void turningRemindersOnWhenAllowed()
    {
        SettingsView *settings = openSettings();
        QTest::mouseClick(settings->remindersToggle(), Qt::LeftButton);

        QVERIFY(settings->remindersToggle()->isChecked());
        QVERIFY(settings->timeRow()->isVisible());
        QCOMPARE(settings->timePicker()->time(), QTime(9, 0));
        QVERIFY(preferences().remindersEnabled());
        QTRY_COMPARE(permissionRequests(m_harness->notifications), 1);
        QTest::qWait(20); // the answer has arrived and changed nothing
        QVERIFY(preferences().remindersEnabled());
        QVERIFY(settings->remindersToggle()->isChecked());
        QVERIFY(!MessageBox::lastShown());
        QCOMPARE(settings->remindersToggle()->knobPosition(), 1.0);
        // The main window's reminder trigger follows without a restart.
        QTRY_VERIFY(m_harness->app->rootView()->currentSignature().startsWith(QStringLiteral("true|540|")));
    }

    void refusedPermissionTurnsRemindersOff_data()
    {
        QTest::addColumn<bool>("serviceFails");
        QTest::addColumn<bool>("serverAnswers");
        QTest::newRow("refused") << false << true;
        QTest::newRow("service error") << true << true;
        QTest::newRow("no notification server") << false << false;
    }

    void refusedPermissionTurnsRemindersOff()
    {
        QFETCH(bool, serviceFails);
        QFETCH(bool, serverAnswers);
        UnreachableNotificationCenter unreachable;
        const auto restore = qScopeGuard([this] {
            NotificationCenter::setCurrent(&m_harness->notifications);
            Spring::setAnimationsEnabled(false);
        });
        if (serviceFails)
            NotificationCenter::setCurrent(&unreachable);
        m_harness->notifications.status = AuthorizationStatus::denied;
        m_harness->notifications.serverAnswers = serverAnswers;
        // The switch springs as the user sees it: the refusal arrives while it is still moving.
        Spring::setAnimationsEnabled(true);
        // Without a server only the missing service is named, and what to do about it.
        const QString message =
            serverAnswers
                ? QStringLiteral("Allow notifications for Tendrel in System Settings to get care reminders.")
                : QStringLiteral("No notification service is running on this desktop, so Tendrel can't show "
                                 "care reminders. Install or start your desktop's notification daemon, then "
                                 "turn reminders on again.");

        for (int attempt = 1; attempt <= 2; ++attempt) {
            SettingsView *settings = openSettings();
            MessageBox::clearLastShown();
            MessageBox::setNextAnswer(QStringLiteral("OK"));
            QTest::mouseClick(settings->remindersToggle(), Qt::LeftButton);
            QTRY_VERIFY(MessageBox::lastShown());

            const MessageBox::Shown shown = *MessageBox::lastShown();
            QCOMPARE(shown.title, QStringLiteral("Notifications Are Off"));
            QCOMPARE(shown.message, message);
            QCOMPARE(shown.buttons, QStringList{QStringLiteral("OK")});
            QVERIFY(!preferences().remindersEnabled());
            QVERIFY(!settings->remindersToggle()->isChecked());
            // What the switch shows is what is saved: off, also in a settings window opened again.
            QTRY_COMPARE(settings->remindersToggle()->knobPosition(), 0.0);
            QVERIFY(!settings->timeRow()->isVisible());
            QCOMPARE(serviceFails ? unreachable.requests : permissionRequests(m_harness->notifications),
                     attempt);
            m_harness->app->settingsWindow()->close();
        }
        QCOMPARE(openSettings()->remindersToggle()->knobPosition(), 0.0);
        // Back to the signature of reminders off, after the moment it was on.
        QTRY_VERIFY(m_harness->app->rootView()->currentSignature().startsWith(QStringLiteral("false|540|")));
    }

    void switchShowsRemindersOnAfterAnEarlierRefusal()
    {
        // No notification server at first: the alert, and reminders stay off.
        m_harness->notifications.status = AuthorizationStatus::denied;
        m_harness->notifications.serverAnswers = false;
        const auto restore = qScopeGuard([] { Spring::setAnimationsEnabled(false); });
        Spring::setAnimationsEnabled(true);
        SettingsView *settings = openSettings();
        MessageBox::setNextAnswer(QStringLiteral("OK"));
        QTest::mouseClick(settings->remindersToggle(), Qt::LeftButton);
        QTRY_VERIFY(MessageBox::lastShown());
        QTRY_COMPARE(settings->remindersToggle()->knobPosition(), 0.0);

        // Once a server answers, the same switch turns them on and shows it, also when reopened.
        m_harness->notifications.status = AuthorizationStatus::authorized;
        m_harness->notifications.serverAnswers = true;
        MessageBox::clearLastShown();
        QTest::mouseClick(settings->remindersToggle(), Qt::LeftButton);
        QTRY_COMPARE(permissionRequests(m_harness->notifications), 2);
        QTest::qWait(Spring::durationMs() + 50);
        QVERIFY(!MessageBox::lastShown());
        QVERIFY(preferences().remindersEnabled());
        QVERIFY(settings->remindersToggle()->isChecked());
        QCOMPARE(settings->remindersToggle()->knobPosition(), 1.0);
        m_harness->app->settingsWindow()->close();
        settings = openSettings();
        QVERIFY(settings->remindersToggle()->isChecked());
        QCOMPARE(settings->remindersToggle()->knobPosition(), 1.0);
    }

    void pickedTimeIsStored_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<int>("minutes");
        QTest::newRow("07:45") << QTime(7, 45) << 465;
        QTest::newRow("midnight") << QTime(0, 0) << 0;
        QTest::newRow("23:59") << QTime(23, 59) << 1439;
    }

    void pickedTimeIsStored()
    {
        QFETCH(QTime, time);
        QFETCH(int, minutes);
        SettingsView *settings = openSettings();
        QTest::mouseClick(settings->remindersToggle(), Qt::LeftButton);
        QVERIFY(settings->timePicker()->isVisible());

        settings->timePicker()->setTime(time);
        QCOMPARE(preferences().reminderMinutes(), minutes);
        QTRY_VERIFY(m_harness->app->rootView()->currentSignature().startsWith(
            QStringLiteral("true|%1|").arg(minutes)));

        // Stored in the settings file, and shown again by a new window on it.
        Preferences reread(m_harness->dir.filePath(QStringLiteral("settings.ini")));
        QCOMPARE(reread.reminderMinutes(), minutes);
        SettingsView again(m_harness->app->store(), reread);
        QCOMPARE(again.timePicker()->time(), time);
        QVERIFY(again.remindersToggle()->isChecked());
    }

    void arrowKeysChangeTheHour()
    {
        SettingsView *settings = openSettings();
        QTest::mouseClick(settings->remindersToggle(), Qt::LeftButton);
        QTimeEdit *picker = settings->timePicker();
        picker->setFocus(Qt::TabFocusReason);
        picker->setCurrentSection(QDateTimeEdit::HourSection);
        QTest::keyClick(picker, Qt::Key_Up);
        QCOMPARE(preferences().reminderMinutes(), 600);
        QTest::keyClick(picker, Qt::Key_Down);
        QTest::keyClick(picker, Qt::Key_Down);
        QCOMPARE(preferences().reminderMinutes(), 480);
    }

    void turningRemindersOffRemovesTheAutostartEntry()
    {
        QVERIFY(ReminderAutostart::install(QStringLiteral("/usr/bin/tendrel-reminders")));
        QVERIFY(ReminderAutostart::entryPath().startsWith(m_config.path()));
        SettingsView *settings = openSettings();
        QTest::mouseClick(settings->remindersToggle(), Qt::LeftButton);
        QTRY_COMPARE(permissionRequests(m_harness->notifications), 1);
        QVERIFY(ReminderAutostart::isInstalled());

        QTest::mouseClick(settings->remindersToggle(), Qt::LeftButton);
        QVERIFY(!preferences().remindersEnabled());
        QVERIFY(!settings->timeRow()->isVisible());
        QVERIFY(!ReminderAutostart::isInstalled());
        QTRY_VERIFY(m_harness->app->rootView()->currentSignature().startsWith(QStringLiteral("false|540|")));
        // The time chosen earlier stays for the next time reminders are turned on.
        QCOMPARE(preferences().reminderMinutes(), 540);
    }

    void samplePlantsAndDeleteAll_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("confirmed") << QStringLiteral("Delete All") << true;
        QTest::newRow("cancelled") << QStringLiteral("Cancel") << false;
    }

    void samplePlantsAndDeleteAll()
    {
        QFETCH(QString, answer);
        QFETCH(bool, deleted);
        preferences().setRemindersEnabled(true);
        SettingsView *settings = openSettings();
        QVERIFY(!settings->deleteAllRow()->isEnabled());
        QVERIFY(settings->addSamplesRow()->isEnabled());

        QTest::mouseClick(settings->addSamplesRow(), Qt::LeftButton);
        QCOMPARE(settings->plantsRow()->valueText(), QStringLiteral("7"));
        QCOMPARE(settings->eventsRow()->valueText(), QStringLiteral("24"));
        QVERIFY(settings->deleteAllRow()->isEnabled());
        // The main window sees the same store.
        auto *today = m_harness->app->mainWindow()->findChild<TodayView *>();
        QTRY_VERIFY(!today->isShowingEmptyState());

        MessageBox::setNextAnswer(answer);
        QTest::mouseClick(settings->deleteAllRow(), Qt::LeftButton);
        const MessageBox::Shown shown = MessageBox::lastShown().value();
        QCOMPARE(shown.title, QStringLiteral("Delete all plants?"));
        QCOMPARE(shown.message, QStringLiteral("This removes every plant and its care history."));
        QCOMPARE(shown.buttons, (QStringList{QStringLiteral("Delete All"), QStringLiteral("Cancel")}));

        ModelStore &store = m_harness->app->store();
        QCOMPARE(store.plantCount(), deleted ? 0 : 7);
        QCOMPARE(store.eventCount(), deleted ? 0 : 24);
        QTRY_COMPARE(settings->plantsRow()->valueText(), deleted ? QStringLiteral("0") : QStringLiteral("7"));
        QCOMPARE(settings->eventsRow()->valueText(), deleted ? QStringLiteral("0") : QStringLiteral("24"));
        QCOMPARE(settings->deleteAllRow()->isEnabled(), !deleted);
        QVERIFY(preferences().remindersEnabled());
        QTRY_COMPARE(today->isShowingEmptyState(), deleted);
    }

    void countsUseTheLocaleGrouping_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << QStringLiteral("1,234");
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << QStringLiteral("1.234");
    }

    void countsUseTheLocaleGrouping()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        QLocale::setDefault(locale);
        SettingsView *settings = openSettings();
        ModelStore &store = m_harness->app->store();
        Plant *first = nullptr;
        for (int i = 0; i < 1234; ++i) {
            auto *plant =
                new Plant(QStringLiteral("Plant %1").arg(i), Species::custom(), QStringLiteral("Office"));
            for (CareKind kind : CareKind::allCases())
                plant->setInterval(kind, 0);
            store.insert(plant);
            first = first ? first : plant;
        }
        for (int i = 0; i < 1234; ++i)
            first->markDone(CareKind::water, m_harness->clock.now().addDays(-i));
        QTRY_COMPARE(settings->plantsRow()->valueText(), expected);
        QTRY_COMPARE(settings->eventsRow()->valueText(), expected);
    }

    void versionShowsTheApplicationVersion_data()
    {
        QTest::addColumn<QString>("applicationVersion");
        QTest::addColumn<QString>("shown");
        QTest::newRow("set") << QStringLiteral("2.3.1") << QStringLiteral("2.3.1");
        QTest::newRow("missing") << QString() << QStringLiteral("1.0");
        QTest::newRow("blank") << QStringLiteral("  ") << QStringLiteral("1.0");
    }

    void versionShowsTheApplicationVersion()
    {
        QFETCH(QString, applicationVersion);
        QFETCH(QString, shown);
        QCoreApplication::setApplicationVersion(applicationVersion);
        QCOMPARE(openSettings()->versionRow()->valueText(), shown);
    }

    void pickerShowsHoursAndMinutesOnly_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("fi_FI") << QLocale(QLocale::Finnish, QLocale::Finland);
        QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan);
    }

    void pickerShowsHoursAndMinutesOnly()
    {
        QFETCH(QLocale, locale);
        const QString format = SettingsView::pickerFormat(locale);
        QVERIFY2(!format.contains(QLatin1Char('s')) && !format.contains(QLatin1Char('t')),
                 qPrintable(format));
        const QString shown = locale.toString(QTime(7, 45), format);
        QVERIFY2(shown.contains(QLatin1String("45")), qPrintable(shown));
        QCOMPARE(locale.toTime(shown, format), QTime(7, 45));
    }

private:
    Preferences &preferences() const { return m_harness->app->preferences(); }

    SettingsView *openSettings()
    {
        m_harness->app->showSettings();
        QWidget *window = m_harness->app->settingsWindow();
        if (!window || !QTest::qWaitForWindowExposed(window))
            return nullptr;
        return window->findChild<SettingsView *>(QStringLiteral("settingsView"));
    }

    QTemporaryDir m_config;
    std::unique_ptr<AppHarness> m_harness;
};

QTEST_MAIN(TestSettingsScreen)
#include "tst_settings_screen.moc"
