#pragma once

#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <atomic>
#include <memory>

class QThread;

// Moves committed pages from a store file's write-ahead log into the file on a thread of its own,
// so that no commit of the window's thread pays for copying pages and syncing the file. The worker
// has its own connection to the file (read-write, never creating it) and runs only passive
// checkpoints, which never wait for nor block the writer. Requests coalesce: at most one checkpoint
// runs, and requests made meanwhile lead to one more afterwards.
//
//     StoreCheckpointer checkpointer(path);      // after the file has been opened and checked
//     checkpointer.request();                    // e.g. from the writer's log hook; returns at once
//     checkpointer.stop();                       // waits for a running checkpoint, closes its
//                                                // connection; also on destruction
//
// request() and stop() are called from the writer's thread only.
class StoreCheckpointer final
{
public:
    explicit StoreCheckpointer(QString path);
    ~StoreCheckpointer();
    StoreCheckpointer(const StoreCheckpointer &) = delete;
    StoreCheckpointer &operator=(const StoreCheckpointer &) = delete;

    void request();
    void stop();

    // Checkpoints run so far, for tests and benchmarks.
    quint64 checkpointCount() const { return m_checkpoints.load(); }

private:
    void run();

    const QString m_path;
    QMutex m_mutex;
    QWaitCondition m_wake;
    bool m_requested = false; // guarded by m_mutex
    bool m_stopping = false;  // guarded by m_mutex
    std::atomic<quint64> m_checkpoints = 0;
    std::unique_ptr<QThread> m_thread;
};
