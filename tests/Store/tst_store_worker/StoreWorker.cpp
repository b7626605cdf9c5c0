// Works on a store file from a process of its own, so tests can kill it in the middle of a write
// or run two at once. Each step is printed twice: "BEGIN <step>" before the change is made and
// "OK [event id]" once the turn that made it has been committed.
//
// Steps: ADD <plant> <name> | DONE <plant> <kind> <msecs> | UNDO <plant> <event> |
//        RENAME <plant> <name> | PHOTO <plant> <size> <fill> | DELETE <plant>
//
// Usage: store_worker <store file> <seed> <steps, 0 = until killed> <all|own>
// "own" touches only plants this process added, so two workers never edit the same plant.

#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

void say(const QByteArray &line)
{
    // One write per line: a pipe never holds half a line when the process is killed.
    const QByteArray text = line + '\n';
    std::fputs(text.constData(), stdout);
    std::fflush(stdout);
}

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

class Worker final : public QObject
{
public:
    Worker(ModelStore &store, quint32 seed, int steps, bool ownOnly)
        : m_store(store), m_random(seed), m_seed(seed), m_steps(steps), m_ownOnly(ownOnly)
    {
        // Dates only move forward, across runs too, so a last-done date is always the newest
        // entry of its kind.
        m_lastMsecs = QDateTime::currentMSecsSinceEpoch();
        for (const Plant *plant : m_store.plants()) {
            for (const CareEvent *event : plant->events())
                m_lastMsecs = std::max(m_lastMsecs, event->dateMsecs());
        }
        connect(&m_timer, &QTimer::timeout, this, &Worker::tick);
        m_timer.start(0);
    }

private:
    void tick()
    {
        if (m_store.hasUnsavedChanges())
            return; // this turn's commit has not happened yet
        if (m_waiting) {
            say(m_pendingEvent ? "OK " + number(qint64(m_pendingEvent)) : QByteArray("OK"));
            m_waiting = false;
            m_pendingEvent = 0;
            if (m_steps > 0 && ++m_done >= m_steps) {
                say("END");
                m_timer.stop();
                QCoreApplication::quit();
                return;
            }
        }
        step();
        m_waiting = true;
    }

    QList<Plant *> candidates() const
    {
        QList<Plant *> plants = m_store.plants();
        if (m_ownOnly)
            plants.removeIf([this](Plant *plant) { return !m_mine.contains(plant->id()); });
        return plants;
    }

    void step()
    {
        const QList<Plant *> plants = candidates();
        const int roll = int(m_random.bounded(100));
        if (plants.size() < 3 || roll < 5) {
            const QByteArray name = "W" + number(m_seed) + "_" + number(++m_added);
            auto *plant = new Plant(QString::fromLatin1(name), Species::custom(), QStringLiteral("Room"));
            m_mine.insert(plant->id());
            say("BEGIN ADD " + number(qint64(plant->id())) + ' ' + name);
            m_store.insert(plant);
            return;
        }
        Plant *plant = plants.at(qsizetype(m_random.bounded(quint32(plants.size()))));
        const QByteArray id = number(qint64(plant->id()));
        if (roll < 70 && (roll < 55 || plant->eventCount() == 0)) {
            const CareKind kind = CareKind::allCases()[m_random.bounded(3)];
            m_lastMsecs = std::max(m_lastMsecs + 1, QDateTime::currentMSecsSinceEpoch());
            say("BEGIN DONE " + id + ' ' + kind.rawValue().toLatin1() + ' ' + number(m_lastMsecs));
            plant->markDone(kind, QDateTime::fromMSecsSinceEpoch(m_lastMsecs, Qt::UTC));
            m_pendingEvent = plant->events().last()->id();
        } else if (roll < 70) {
            const CareEvent *event = plant->events().last();
            say("BEGIN UNDO " + id + ' ' + number(qint64(event->id())));
            plant->remove(event);
        } else if (roll < 85 || (roll >= 93 && plants.size() <= 3)) {
            const QByteArray name = "N" + number(m_random.bounded(1'000'000));
            say("BEGIN RENAME " + id + ' ' + name);
            plant->setName(QString::fromLatin1(name));
        } else if (roll < 93) {
            const int size = int(m_random.bounded(1, 256 * 1024));
            const int fill = int(m_random.bounded(256));
            say("BEGIN PHOTO " + id + ' ' + number(size) + ' ' + number(fill));
            plant->setPhoto(QByteArray(size, char(fill)));
        } else {
            say("BEGIN DELETE " + id);
            m_store.deletePlant(plant);
        }
    }

    ModelStore &m_store;
    QRandomGenerator m_random;
    quint32 m_seed;
    int m_steps;
    bool m_ownOnly;
    QTimer m_timer;
    QSet<RecordId> m_mine;
    qint64 m_lastMsecs = 0;
    int m_added = 0;
    int m_done = 0;
    bool m_waiting = false;
    RecordId m_pendingEvent = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        say("usage: store_worker <store file> <seed> <steps> <all|own>");
        return 2;
    }
    QString error;
    auto store = ModelStore::open(args[1], &error);
    if (!store) {
        say("FAIL " + error.toUtf8());
        return 1;
    }
    Worker worker(*store, args[2].toUInt(), args[3].toInt(), args[4] == QLatin1String("own"));
    say("READY");
    return app.exec();
}
