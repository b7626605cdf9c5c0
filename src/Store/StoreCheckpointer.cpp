#include "Store/StoreCheckpointer.h"

#include "Store/SqliteDatabase.h"
#include "Store/StoreLog.h"

#include <QThread>

#include <sqlite3.h>

namespace {

// The worker's statements meet the writer's locks only briefly; they never wait long for them.
constexpr int workerBusyMsecs = 100;

} // namespace

StoreCheckpointer::StoreCheckpointer(QString path) : m_path(std::move(path))
{
    m_thread.reset(QThread::create(&StoreCheckpointer::run, this));
    m_thread->setObjectName(QStringLiteral("StoreCheckpointer"));
    m_thread->start(QThread::LowPriority);
}

StoreCheckpointer::~StoreCheckpointer()
{
    stop();
}

void StoreCheckpointer::request()
{
    const QMutexLocker lock(&m_mutex);
    m_requested = true;
    m_wake.wakeOne();
}

void StoreCheckpointer::stop()
{
    if (!m_thread)
        return;
    {
        const QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_wake.wakeOne();
    }
    m_thread->wait();
    m_thread.reset();
}

void StoreCheckpointer::run()
{
    // The connection is opened, used and closed on this thread only.
    SqliteDatabase db;
    QString message;
    for (;;) {
        {
            QMutexLocker lock(&m_mutex);
            while (!m_requested && !m_stopping)
                m_wake.wait(&m_mutex);
            if (m_stopping)
                break;
            m_requested = false;
        }
        if (!db.isOpen()) {
            // A read first makes the connection use the file's log, as checkpointing needs.
            if (!db.open(m_path, SQLITE_OPEN_READWRITE, &message)) {
                qCWarning(lcStore).noquote() << "The log stays unmoved:" << message;
                break;
            }
            sqlite3_busy_timeout(db.handle(), workerBusyMsecs);
            if (!db.queryInt("PRAGMA user_version", &message)) {
                qCWarning(lcStore).noquote() << "The log stays unmoved:" << message;
                break;
            }
        }
        int logFrames = 0;
        int moved = 0;
        const int rc =
            sqlite3_wal_checkpoint_v2(db.handle(), "main", SQLITE_CHECKPOINT_PASSIVE, &logFrames, &moved);
        ++m_checkpoints;
        if (rc != SQLITE_OK)
            qCDebug(lcStore) << "Checkpoint left the log as it is:" << sqlite3_errstr(rc);
        else
            qCDebug(lcStore) << "Checkpoint moved" << moved << "of" << logFrames << "log pages";
    }
    db.close();
}
