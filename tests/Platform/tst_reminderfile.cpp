// The agent's reminders file damaged in the ways disks and editors damage files: every reminder
// that can still be read is kept, and the damaged file is moved aside, byte for byte, before a new
// one is written over its name.
#include "Core/FileFaults.h"
#include "Platform/ReminderFile.h"

#include <QDir>
#include <QLoggingCategory>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

QList<NotificationRequest> threeReminders()
{
    QList<NotificationRequest> requests;
    for (int i = 0; i < 3; ++i) {
        NotificationRequest request;
        request.identifier = QStringLiteral("day-%1").arg(i);
        request.title = QStringLiteral("Water the fern \u00e9\u00e8 %1").arg(i);
        request.body = QStringLiteral("3 plants need care");
        request.trigger = {2026, 12, 10 + i, 8, 5};
        requests.append(request);
    }
    return requests;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

QByteArray utf16(const QByteArray &text, QStringConverter::Encoding encoding, bool mark)
{
    QStringEncoder encoder(encoding,
                           mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder(QString::fromUtf8(text));
}

} // namespace

class ReminderFileTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("tendrel.*.warning=false")); }

    void damagedFileKeepsWhatCanBeRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kept");
        QTest::addColumn<bool>("damaged");
        QTemporaryDir dir;
        const ReminderFile file(dir.filePath(QStringLiteral("reminders.json")));
        QVERIFY(file.save(threeReminders()));
        const QByteArray good = readAll(file.path());
        const qsizetype third = good.lastIndexOf("\"day-2\"");
        QVERIFY(third > 0);

        QTest::newRow("as written") << good << 3 << false;
        QTest::newRow("trailing data") << good + "}\n{\"pending\": 7" << 3 << true;
        QTest::newRow("cut off in the third entry") << good.left(third) << 2 << true;
        QTest::newRow("cut off after the list") << good.left(good.lastIndexOf(']') + 1) << 3 << true;
        QByteArray invalid = good;
        invalid[invalid.indexOf("\xc3\xa9")] = '\xff';
        QTest::newRow("one byte that is no UTF-8") << invalid << 3 << true;
        QTest::newRow("UTF-16 with a byte-order mark")
            << utf16(good, QStringConverter::Utf16LE, true) << 3 << true;
        QTest::newRow("UTF-16 big-endian, no mark")
            << utf16(good, QStringConverter::Utf16BE, false) << 3 << true;
        QTest::newRow("1 MB of spaces after the entries") << good + QByteArray(1024 * 1024, ' ') << 3 << true;
        QTest::newRow("1 MB of NULs after the entries") << good + QByteArray(1024 * 1024, '\0') << 3 << true;
        QTest::newRow("not JSON at all") << QByteArray("\x89PNG\r\n\x1a\n") << 0 << true;
    }

    void damagedFileKeepsWhatCanBeRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kept);
        QFETCH(bool, damaged);
        QTemporaryDir dir;
        const ReminderFile file(dir.filePath(QStringLiteral("reminders.json")));
        QFile out(file.path());
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        out.close();

        bool found = false;
        const QList<NotificationRequest> loaded = file.load(&found);
        QCOMPARE(found, damaged);
        // Each with its own identifier and time; a byte that was no UTF-8 reads as U+FFFD.
        QCOMPARE(loaded.size(), kept);
        for (int i = 0; i < kept; ++i) {
            QCOMPARE(loaded.at(i).identifier, threeReminders().at(i).identifier);
            QCOMPARE(loaded.at(i).trigger, threeReminders().at(i).trigger);
        }

        // The next change writes a new file; the damaged one is kept beside it as it was.
        QVERIFY(file.save(loaded));
        QCOMPARE(file.load(&found), loaded);
        QVERIFY(!found);
        const QStringList aside =
            QDir(dir.path()).entryList({QStringLiteral("reminders.json.damaged-*")}, QDir::Files);
        QCOMPARE(aside.size(), damaged ? 1 : 0);
        if (damaged)
            QCOMPARE(readAll(dir.filePath(aside.first())), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), damaged ? 2 : 1);
    }

    void failedStepKeepsTheEarlierFile_data()
    {
        QTest::addColumn<int>("errnum");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full disk") << ENOSPC << QStringLiteral("is full.");
        QTest::newRow("failing disk") << EIO << QStringLiteral("“");
    }

    // Each write, sync and rename of a save fails in turn: the reminders saved before stay whole
    // and readable, the reason is given, and no temporary file is left beside them.
    void failedStepKeepsTheEarlierFile()
    {
        QFETCH(int, errnum);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const ReminderFile file(dir.filePath(QStringLiteral("reminders.json")));
        const QList<NotificationRequest> earlier = threeReminders();
        QVERIFY(file.save(earlier));
        const QByteArray earlierBytes = readAll(file.path());
        const QList<NotificationRequest> later = threeReminders().mid(1);
        for (int step = 1;; ++step) {
            FileFaults faults;
            faults.failAt(step, errnum);
            QString error;
            const bool saved = file.save(later, &error, &faults);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     QStringList{QStringLiteral("reminders.json")});
            if (saved) {
                QVERIFY2(step > faults.steps(), "a failed step was reported as saved");
                QCOMPARE(file.load(), later);
                break;
            }
            QVERIFY2(error.contains(reason), qPrintable(error));
            QCOMPARE(readAll(file.path()), earlierBytes);
            QCOMPARE(file.load(), earlier);
            QVERIFY(step < 100);
        }
    }
};

QTEST_GUILESS_MAIN(ReminderFileTest)
#include "tst_reminderfile.moc"
