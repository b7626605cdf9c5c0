#include "Platform/Preferences.h"

#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestPreferences final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void defaultsWithoutAFile();
    void handEditedValues_data();
    void handEditedValues();
    void everyObjectOnTheFileHearsAChange();
    void valuesSurviveANewProcess();
    void defaultFileIsTheApplications();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestPreferences::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestPreferences::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Tendrel.conf"));
}

void TestPreferences::defaultsWithoutAFile()
{
    Preferences preferences(m_path);
    QCOMPARE(preferences.remindersEnabled(), false);
    QCOMPARE(preferences.reminderMinutes(), 540);
    QVERIFY(!QFile::exists(m_path));
}

void TestPreferences::handEditedValues_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("minutes");

    QTest::newRow("as written by the app")
        << QByteArray("remindersEnabled=true\nreminderMinutes=465\n") << true << 465;
    QTest::newRow("first minute") << QByteArray("reminderMinutes=0\n") << false << 0;
    QTest::newRow("last minute") << QByteArray("reminderMinutes=1439\n") << false << 1439;
    QTest::newRow("minutes not a number") << QByteArray("reminderMinutes=abc\n") << false << 540;
    QTest::newRow("minutes past the day") << QByteArray("reminderMinutes=9999\n") << false << 540;
    QTest::newRow("one past the last minute") << QByteArray("reminderMinutes=1440\n") << false << 540;
    QTest::newRow("negative minutes") << QByteArray("reminderMinutes=-1\n") << false << 540;
    QTest::newRow("minutes as a truth value") << QByteArray("reminderMinutes=true\n") << false << 540;
    QTest::newRow("fractional minutes") << QByteArray("reminderMinutes=465.5\n") << false << 540;
    QTest::newRow("empty minutes") << QByteArray("reminderMinutes=\n") << false << 540;
    QTest::newRow("minutes overflowing int") << QByteArray("reminderMinutes=4294967836\n") << false << 540;
    QTest::newRow("enabled as maybe") << QByteArray("remindersEnabled=maybe\n") << false << 540;
    QTest::newRow("enabled as 1") << QByteArray("remindersEnabled=1\n") << true << 540;
    QTest::newRow("enabled as 2") << QByteArray("remindersEnabled=2\n") << false << 540;
    QTest::newRow("enabled as FALSE") << QByteArray("remindersEnabled=FALSE\n") << false << 540;
    QTest::newRow("not an INI file at all") << QByteArray("\x00\xff garbage \n[[[", 15) << false << 540;
}

void TestPreferences::handEditedValues()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, enabled);
    QFETCH(int, minutes);

    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[General]\n" + ini);
    file.close();

    Preferences preferences(m_path);
    QCOMPARE(preferences.remindersEnabled(), enabled);
    QCOMPARE(preferences.reminderMinutes(), minutes);
}

void TestPreferences::everyObjectOnTheFileHearsAChange()
{
    Preferences settingsWindow(m_path);
    Preferences mainWindow(m_path);
    QSignalSpy enabledSpy(&mainWindow, &Preferences::remindersEnabledChanged);
    QSignalSpy minutesSpy(&mainWindow, &Preferences::reminderMinutesChanged);
    QSignalSpy changedSpy(&mainWindow, &Preferences::changed);

    settingsWindow.setRemindersEnabled(true);
    QCOMPARE(mainWindow.remindersEnabled(), true);
    QCOMPARE(enabledSpy.count(), 1);
    QCOMPARE(enabledSpy.first().first().toBool(), true);

    settingsWindow.setReminderMinutes(465);
    QCOMPARE(mainWindow.reminderMinutes(), 465);
    QCOMPARE(minutesSpy.count(), 1);
    QCOMPARE(minutesSpy.first().first().toInt(), 465);
    QCOMPARE(changedSpy.count(), 2);

    // Writing the same value again, or a time outside the day, changes nothing.
    settingsWindow.setRemindersEnabled(true);
    settingsWindow.setReminderMinutes(465);
    settingsWindow.setReminderMinutes(1440);
    settingsWindow.setReminderMinutes(-5);
    QCOMPARE(changedSpy.count(), 2);
    QCOMPARE(mainWindow.reminderMinutes(), 465);

    // An object on another file is not affected.
    Preferences elsewhere(m_dir->filePath(QStringLiteral("other.conf")));
    QSignalSpy elsewhereSpy(&elsewhere, &Preferences::changed);
    settingsWindow.setRemindersEnabled(false);
    QCOMPARE(elsewhereSpy.count(), 0);
    QCOMPARE(changedSpy.count(), 3);
}

void TestPreferences::valuesSurviveANewProcess()
{
    {
        Preferences preferences(m_path);
        preferences.setRemindersEnabled(true);
        preferences.setReminderMinutes(0);
    }
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("remindersEnabled=true"), text.constData());
    QVERIFY2(text.contains("reminderMinutes=0"), text.constData());
}

void TestPreferences::defaultFileIsTheApplications()
{
    // Only the location is checked: nothing is written to the user's settings.
    Preferences preferences;
    QVERIFY2(preferences.filePath().endsWith(QStringLiteral("/Tendrel/Tendrel.conf")),
             qPrintable(preferences.filePath()));
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
