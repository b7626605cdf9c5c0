#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;

// Keeps Tendrel to one process per data folder. The first process holds a lock file next to the
// store (so two processes never write it at once) and listens on a local socket named after the
// data folder; a later start on the same folder finds the lock taken, asks the running process to
// raise its window, and quits. Starts on other data folders run on their own.
//
// The socket lives in a folder only this user can enter: $XDG_RUNTIME_DIR, or where that is unset
// or unsafe, a private folder of our own in the temporary folder. A folder another user owns, or
// others may enter, is never used: without a safe folder the lock still keeps one process per data
// folder, but a later start cannot raise the running one.
//
//   SingleInstance instance(QFileInfo(ModelStore::defaultPath()).absolutePath());
//   if (!instance.acquire()) return 0;
//   connect(&instance, &SingleInstance::activationRequested, app, &TendrelApp::raiseMainWindow);
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    // dataDir holds the lock file; its canonical path names the socket.
    explicit SingleInstance(const QString &dataDir, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one instance for the data folder; false when another one
    // runs (it has been asked to come to the front) or the lock cannot be taken.
    bool acquire();

    // The socket's full path, empty when no safe folder could be had.
    QString socketPath() const { return m_socketPath; }

    // $XDG_RUNTIME_DIR when it is a folder of this user's that only they may enter, else
    // tendrel-<uid> in the temporary folder, made with mode 0700 if missing and used only if it is
    // such a folder itself (not a link); empty when neither is.
    static QString runtimeDirectory();

signals:
    // Another start of Tendrel on the same data folder asked this instance to show itself.
    void activationRequested();

private:
    void onNewConnection();

    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
