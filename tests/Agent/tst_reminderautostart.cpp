#include "Platform/ReminderAutostart.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestReminderAutostart : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void execLine_data();
    void execLine();
    void installAndRemove();
    void unwritableFolderReportsTheReason();

private:
    std::unique_ptr<QTemporaryDir> m_config;
    QByteArray m_previous;
};

void TestReminderAutostart::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    m_previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
}

void TestReminderAutostart::cleanup()
{
    qputenv("XDG_CONFIG_HOME", m_previous);
    m_config.reset();
}

void TestReminderAutostart::execLine_data()
{
    QTest::addColumn<QString>("agentPath");
    QTest::addColumn<QString>("exec"); // empty: refused

    QTest::newRow("plain") << QStringLiteral("/usr/bin/tendrel-reminders")
                           << QStringLiteral("Exec=/usr/bin/tendrel-reminders");
    QTest::newRow("space") << QStringLiteral("/opt/My Apps/tendrel-reminders")
                           << QStringLiteral("Exec=\"/opt/My Apps/tendrel-reminders\"");
    QTest::newRow("dollar and backslash")
        << QStringLiteral("/opt/a$b\\c/tendrel-reminders")
        << QStringLiteral("Exec=\"/opt/a\\\\$b\\\\\\\\c/tendrel-reminders\"");
    QTest::newRow("percent") << QStringLiteral("/opt/100%/tendrel-reminders")
                             << QStringLiteral("Exec=/opt/100%%/tendrel-reminders");
    QTest::newRow("relative") << QStringLiteral("bin/tendrel-reminders") << QString();
    QTest::newRow("line break") << QStringLiteral("/opt/x\nHidden=true/tendrel-reminders") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestReminderAutostart::execLine()
{
    QFETCH(QString, agentPath);
    QFETCH(QString, exec);

    const auto text = ReminderAutostart::entryText(agentPath);
    QCOMPARE(text.has_value(), !exec.isEmpty());
    if (text) {
        QVERIFY2(text->split(QLatin1Char('\n')).contains(exec), qPrintable(*text));
        QVERIFY(text->startsWith(QLatin1String("[Desktop Entry]\n")));
    } else {
        QString error;
        QVERIFY(!ReminderAutostart::install(agentPath, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!ReminderAutostart::isInstalled());
    }
}

void TestReminderAutostart::installAndRemove()
{
    const QString expected =
        m_config->path() + QLatin1String("/autostart/app.tendrel.Tendrel.Reminders.desktop");
    QCOMPARE(ReminderAutostart::entryPath(), expected);
    QVERIFY(!ReminderAutostart::isInstalled());
    QVERIFY(ReminderAutostart::remove());

    QVERIFY(ReminderAutostart::install(QStringLiteral("/usr/bin/tendrel-reminders")));
    QVERIFY(ReminderAutostart::isInstalled());
    QFile file(expected);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\nExec=/usr/bin/tendrel-reminders\n"));
    // Installing again replaces the entry.
    QVERIFY(ReminderAutostart::install(QStringLiteral("/opt/tendrel/tendrel-reminders")));
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\nExec=/opt/tendrel/tendrel-reminders\n"));

    QVERIFY(ReminderAutostart::remove());
    QVERIFY(!ReminderAutostart::isInstalled());
}

void TestReminderAutostart::unwritableFolderReportsTheReason()
{
    // The autostart "folder" is a file: nothing can be written below it.
    QFile blocker(m_config->path() + QLatin1String("/autostart"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    QVERIFY(!ReminderAutostart::install(QStringLiteral("/usr/bin/tendrel-reminders"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!ReminderAutostart::isInstalled());
}

QTEST_GUILESS_MAIN(TestReminderAutostart)
#include "tst_reminderautostart.moc"
