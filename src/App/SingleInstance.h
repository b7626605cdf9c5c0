#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;

// Keeps Tendrel to one process per user and data folder. The first process holds a lock file next
// to the store (so two processes never write it at once) and listens on a local socket; a later
// start finds the lock taken, asks the running process to raise its window, and quits.
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    // key names the instance; dataDir holds the lock file.
    SingleInstance(const QString &key, const QString &dataDir, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one instance; false when another one runs (it has been
    // asked to come to the front) or the lock cannot be taken.
    bool acquire();

signals:
    // Another start of Tendrel asked this instance to show itself.
    void activationRequested();

private:
    void onNewConnection();

    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
