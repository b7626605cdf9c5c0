// A year of use in minutes: a garden of fifty plants lived day by day on a calendar pinned in
// Berlin (both daylight-saving changes included), with a real store file. Care most days through
// the garden's history as the Today screen gives it, a week away twice, undo and redo now and
// then, a backup every Sunday, the daily reminder planned every day, and a restart at least once a
// month. In the end every entry logged and not undone is in the file exactly once, and neither
// the write-ahead log, the memory of the process nor the time to open the store grows with the
// months. TENDREL_SOAK_DAYS sets the number of days (365 unless told).
#include "support/PinnedEnvironment.h"

#include "Models/CareEvent.h"
#include "Models/CareTask.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Services/ReminderRun.h"
#include "Services/ReminderScheduler.h"
#include "Store/ModelStore.h"
#include "Store/StoreBackup.h"
#include "Views/Components/GardenHistory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

namespace {

const QDate firstDay(2027, 2, 1);
constexpr int plantCount = 50;
constexpr int reminderMinutes = 9 * 60;

// One logged entry: plant, kind, moment.
using Entry = std::tuple<RecordId, int, qint64>;

int soakDays()
{
    bool ok = false;
    const int days = qEnvironmentVariableIntValue("TENDREL_SOAK_DAYS", &ok);
    return ok && days > 0 ? days : 365;
}

// The store moves its log into the file once the log is this many pages long.
constexpr qint64 checkpointPages = 1000;

qint64 storePageSize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray header = file.read(100);
    if (header.size() < 100)
        return 0;
    const qint64 size = (qint64(quint8(header[16])) << 8) | quint8(header[17]);
    return size == 1 ? 65536 : size;
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

struct MonthFigures
{
    QString name;
    qsizetype entries = 0;
    qint64 walBytes = 0;
    // The longest the log got this month: its length each Sunday before the backup moves it into
    // the file, a week's changes.
    qint64 walPeakBytes = 0;
    qint64 fileBytes = 0;
    double residentMegabytes = 0;
    double openMsecs = 0;
};

} // namespace

class SoakTest final : public QObject
{
    Q_OBJECT

private slots:
    void yearOfUse();

private:
    void at(QDate date, int hour, int minute = 0);
    void reopen(double *openMsecs);
    void plantGarden();
    void care(QDate date, bool skipSome, bool asOneStep, bool returning);
    void undoNowAndThen(int day);
    void reschedule();
    void checkTodaysReminder(QDate date);
    void backUp(QDate date);
    MonthFigures measure(const QString &name);

    std::unique_ptr<PinnedEnvironment> m_env;
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<ModelStore> m_store;
    // What was logged and not undone, and the steps the history can undo and redo (each the
    // entries it logs), as the user would remember them.
    std::multiset<Entry> m_logged;
    std::vector<std::vector<Entry>> m_done;
    std::vector<std::vector<Entry>> m_undone;
    // The reminders pending in the notification centre, by identifier.
    QHash<QString, NotificationRequest> m_pending;
    int m_daysReminded = 0;
    int m_daysQuiet = 0;
    int m_backups = 0;
    qint64 m_walPeakBytes = 0;
};

void SoakTest::at(QDate date, int hour, int minute)
{
    m_env->clock.setNow(PinnedEnvironment::at(date, hour, minute));
}

void SoakTest::reopen(double *openMsecs)
{
    m_store.reset();
    m_done.clear();
    m_undone.clear();
    QElapsedTimer timer;
    timer.start();
    QString error;
    m_store = ModelStore::open(m_path, &error);
    if (openMsecs)
        *openMsecs = double(timer.nsecsElapsed()) / 1e6;
    QVERIFY2(m_store, qPrintable(error));
    QCOMPARE(m_store->plantCount(), plantCount);
    QCOMPARE(qsizetype(m_store->eventCount()), qsizetype(m_logged.size()));
}

void SoakTest::plantGarden()
{
    for (int i = 0; i < plantCount; ++i) {
        std::optional<QByteArray> photo;
        if (i % 5 == 0)
            photo = QByteArray(4096, char('a' + i % 26));
        auto *plant = new Plant(QStringLiteral("Plant %1").arg(i + 1), Species::custom(),
                                QStringLiteral("Room %1").arg(i % 4), photo);
        plant->setWaterInterval(2 + i % 13);
        plant->setFertilizeInterval(i % 3 == 0 ? 14 + i % 17 : 0);
        plant->setMistInterval(i % 4 == 1 ? 2 + i % 4 : 0);
        m_store->insert(plant);
    }
    QCoreApplication::processEvents();
    QVERIFY(m_store->flush());
}

// The Today screen's care: one step per task ticked off, or "Complete All" as one step.
void SoakTest::care(QDate date, bool skipSome, bool asOneStep, bool returning)
{
    GardenHistory &history = GardenHistory::of(*m_store);
    QList<CareTask> tasks = CareTask::tasks(m_store->plants(), 0, m_env->calendar);
    if (skipSome)
        tasks = tasks.mid(0, tasks.size() / 2);
    if (tasks.isEmpty())
        return;
    // Back from a week away, what fell due meanwhile waits, overdue.
    if (returning)
        QVERIFY(tasks.first().daysFromToday(m_env->calendar) < 0);
    const qint64 now = m_env->clock.now().toMSecsSinceEpoch();
    const auto entryOf = [now](const CareTask &task) {
        return Entry{task.plant->id(), task.kind.index(), now};
    };
    const auto logged = [this](const std::vector<Entry> &step) {
        for (const Entry &entry : step) {
            QVERIFY(!m_logged.contains(entry));
            m_logged.insert(entry);
        }
        m_done.push_back(step);
        m_undone.clear();
    };
    if (asOneStep) {
        history.completeTasks(tasks);
        std::vector<Entry> step;
        for (const CareTask &task : std::as_const(tasks))
            step.push_back(entryOf(task));
        logged(step);
        QCoreApplication::processEvents();
    } else {
        for (const CareTask &task : std::as_const(tasks)) {
            history.logCare(task.plant, task.kind);
            logged({entryOf(task)});
            QCoreApplication::processEvents();
        }
    }
    QVERIFY2(m_store->saveError().isEmpty(), qPrintable(date.toString(Qt::ISODate) + m_store->saveError()));
    if (!skipSome)
        QVERIFY(CareTask::tasks(m_store->plants(), 0, m_env->calendar).isEmpty());
}

void SoakTest::undoNowAndThen(int day)
{
    GardenHistory &history = GardenHistory::of(*m_store);
    const auto undoOne = [&] {
        if (m_done.empty())
            return;
        QVERIFY(history.canUndo());
        history.undo();
        QCoreApplication::processEvents();
        for (const Entry &entry : m_done.back()) {
            QVERIFY(m_logged.contains(entry));
            m_logged.erase(m_logged.find(entry));
        }
        m_undone.push_back(std::move(m_done.back()));
        m_done.pop_back();
    };
    const auto redoOne = [&] {
        if (m_undone.empty())
            return;
        QVERIFY(history.canRedo());
        history.redo();
        QCoreApplication::processEvents();
        for (const Entry &entry : m_undone.back())
            m_logged.insert(entry);
        m_done.push_back(std::move(m_undone.back()));
        m_undone.pop_back();
    };
    if (day % 9 == 4)
        undoOne();
    if (day % 18 == 4)
        redoOne();
    if (day % 31 == 10) {
        undoOne();
        undoOne();
        redoOne();
    }
    QVERIFY(m_store->saveError().isEmpty());
}

// As the app does when it comes to the front or the day changes: plan the next fourteen days'
// reminders, then follow the centre's pending requests.
void SoakTest::reschedule()
{
    m_env->notifications.calls.clear();
    QPointer<ReminderRun> run = ReminderScheduler::reschedule(m_store->plants(), true, reminderMinutes);
    for (int turns = 0; run && !run->isFinished() && turns < 10000; ++turns)
        QCoreApplication::processEvents();
    QVERIFY(!run || run->isFinished());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const RecordingNotificationCenter::Call &call : std::as_const(m_env->notifications.calls)) {
        if (call.operation == RecordingNotificationCenter::Operation::remove) {
            for (const QString &identifier : call.identifiers)
                m_pending.remove(identifier);
        } else if (call.operation == RecordingNotificationCenter::Operation::add) {
            QVERIFY(!m_pending.contains(call.request.identifier));
            m_pending.insert(call.request.identifier, call.request);
        }
    }
    m_env->notifications.calls.clear();
}

// At the reminder's time: one reminder for today when care is due, none when nothing is, at
// 09:00 on the wall clock whatever the offset.
void SoakTest::checkTodaysReminder(QDate date)
{
    at(date, 9);
    QSet<QDate> days;
    QList<NotificationRequest> today;
    for (const NotificationRequest &request : std::as_const(m_pending)) {
        QVERIFY2(!days.contains(request.trigger.date()), qPrintable(request.trigger.date().toString()));
        days.insert(request.trigger.date());
        QCOMPARE(request.trigger.time(), QTime(9, 0));
        if (request.trigger.date() == date)
            today.append(request);
    }
    const bool due = !CareTask::tasks(m_store->plants(), 0, m_env->calendar).isEmpty();
    QVERIFY2(today.size() == (due ? 1 : 0), qPrintable(date.toString(Qt::ISODate)));
    if (due) {
        QCOMPARE(today.first().trigger.moment(PinnedEnvironment::berlin()), PinnedEnvironment::at(date, 9));
        ++m_daysReminded;
    } else {
        ++m_daysQuiet;
    }
}

// File > Back Up Garden on a store file: everything saved so far moved into the file, which is
// then copied.
void SoakTest::backUp(QDate date)
{
    const QString target = m_dir.filePath(StoreBackup::defaultFileName(date));
    QVERIFY(!StoreBackup::refusal(m_store->filePath(), target));
    m_walPeakBytes = std::max(m_walPeakBytes, QFileInfo(m_path + QStringLiteral("-wal")).size());
    QString error;
    if (m_store->flushToFile())
        QVERIFY2(StoreBackup::write(m_store->filePath(), target, &error), qPrintable(error));
    else
        QVERIFY2(m_store->backUp(target, &error), qPrintable(error));
    const auto summary = ModelStore::inspect(target, &error);
    QVERIFY2(summary, qPrintable(error));
    QCOMPARE(summary->plants, plantCount);
    QCOMPARE(summary->events, qint64(m_logged.size()));
    QFile::remove(target);
    ++m_backups;
}

MonthFigures SoakTest::measure(const QString &name)
{
    MonthFigures figures;
    figures.name = name;
    figures.entries = qsizetype(m_logged.size());
    figures.walBytes = QFileInfo(m_path + QStringLiteral("-wal")).size();
    figures.fileBytes = QFileInfo(m_path).size();
    figures.walPeakBytes = m_walPeakBytes;
    figures.residentMegabytes = residentMegabytes();
    m_walPeakBytes = 0;
    return figures;
}

void SoakTest::yearOfUse()
{
    const int days = soakDays();
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("tendrel.sqlite"));
    m_env = std::make_unique<PinnedEnvironment>(PinnedEnvironment::at(firstDay, 7));
    m_store = ModelStore::open(m_path);
    QVERIFY(m_store);
    plantGarden();
    if (QTest::currentTestFailed())
        return;

    // Two weeks away: in early summer, and over the night the clocks go back.
    const int firstAway = days >= 240 ? 120 : days / 3;
    const int secondAway = days >= 280 ? 268 : 2 * days / 3;
    const auto isAway = [&](int day) {
        return (day >= firstAway && day < firstAway + 7) || (day >= secondAway && day < secondAway + 7);
    };

    QList<MonthFigures> months;
    int offsetChanges = 0;
    QElapsedTimer wall;
    wall.start();
    for (int day = 0; day < days; ++day) {
        const QDate date = firstDay.addDays(day);
        const bool clocksChange = PinnedEnvironment::at(date, 12).offsetFromUtc() !=
                                  PinnedEnvironment::at(date.addDays(-1), 12).offsetFromUtc();
        offsetChanges += clocksChange ? 1 : 0;

        // A month has passed: its figures, then a restart (quit, start again).
        if (day > 0 && date.day() == 1) {
            at(date, 6);
            MonthFigures figures = measure(date.addMonths(-1).toString(QStringLiteral("yyyy-MM")));
            reopen(&figures.openMsecs);
            if (QTest::currentTestFailed())
                return;
            months.append(figures);
        }

        const bool away = isAway(day);
        // Most days care in the morning before the reminder, every third day in the evening after
        // it, and in the night on the days the clocks change.
        const int careHour = clocksChange ? 2 : day % 3 == 0 ? 19 : 8;
        const bool skipSome = day % 11 == 5;
        const bool asOneStep = day % 5 == 0 || isAway(day - 1);
        const auto careNow = [&](int hour, int minute) {
            at(date, hour, minute);
            care(date, skipSome, asOneStep, isAway(day - 1));
            undoNowAndThen(day);
            reschedule();
        };

        if (!away && careHour == 2)
            careNow(2, 30);
        at(date, 7, 30);
        reschedule();
        if (!away && careHour == 8)
            careNow(8, 0);
        checkTodaysReminder(date);
        if (!away && careHour == 19)
            careNow(19, 0);
        if (date.dayOfWeek() == Qt::Sunday) {
            at(date, 20);
            backUp(date);
        }
        if (QTest::currentTestFailed()) {
            qWarning("stopped on %s", qPrintable(date.toString(Qt::ISODate)));
            return;
        }
    }

    at(firstDay.addDays(days), 6);
    MonthFigures last = measure(firstDay.addDays(days - 1).toString(QStringLiteral("yyyy-MM")));
    reopen(&last.openMsecs);
    months.append(last);
    for (const MonthFigures &month : std::as_const(months))
        qInfo("month %s: %lld entries, WAL %lld bytes (weekly peak %lld), file %lld bytes, RSS %.1f MB, "
              "open %.1f ms",
              qPrintable(month.name), qlonglong(month.entries), qlonglong(month.walBytes),
              qlonglong(month.walPeakBytes), qlonglong(month.fileBytes), month.residentMegabytes,
              month.openMsecs);
    qInfo("%d days in %.1f s: %d days with a reminder, %d without, %d backups, %d clock changes", days,
          double(wall.elapsed()) / 1000.0, m_daysReminded, m_daysQuiet, m_backups, offsetChanges);

    // Every entry logged and not undone is in the file, exactly once.
    std::multiset<Entry> stored;
    for (const Plant *plant : m_store->plants()) {
        QVERIFY(plant->loadLog());
        if (plant->hasPhoto())
            QCOMPARE(plant->photo().value_or(QByteArray()).size(), 4096);
        for (const CareEvent *event : plant->events())
            stored.insert(Entry{plant->id(), event->kind().index(), event->dateMsecs()});
    }
    QCOMPARE(stored.size(), m_logged.size());
    QVERIFY(stored == m_logged);
    QVERIFY(m_daysReminded > 0);
    QVERIFY(m_daysQuiet > 0);
    if (days >= 60)
        QVERIFY(offsetChanges >= 1);

    // From the second month on, nothing grows with use beyond a margin. The log runs up to the
    // length at which it is moved into the file (or to a backup's move) and starts again from its
    // beginning: it stays under that length, and a week's changes take little more of it later on
    // (a commit writes a page more once the log's tables grow a level deeper).
    if (months.size() >= 3) {
        const qint64 pageSize = storePageSize(m_path);
        QVERIFY(pageSize > 0);
        const qint64 logCeiling = 32 + checkpointPages * (24 + pageSize) + 256 * 1024;
        const MonthFigures &second = months.at(1);
        for (const MonthFigures &month : std::as_const(months).mid(1)) {
            QVERIFY2(month.walBytes <= logCeiling, qPrintable(month.name));
            QVERIFY2(month.walPeakBytes <= logCeiling, qPrintable(month.name));
            QVERIFY2(month.walPeakBytes <= second.walPeakBytes * 3 / 2 + 128 * 1024, qPrintable(month.name));
            QVERIFY2(month.residentMegabytes <= second.residentMegabytes + 8.0, qPrintable(month.name));
        }
        QVERIFY(last.openMsecs <= 3 * months.first().openMsecs + 50);
    }
}

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
