#include "App/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcInstance, "tendrel.app", QtWarningMsg)

namespace {
constexpr int connectTimeoutMs = 1000;
}

SingleInstance::SingleInstance(const QString &key, const QString &dataDir, QObject *parent)
    : QObject(parent), m_key(key)
{
    QDir().mkpath(dataDir);
    m_lock = std::make_unique<QLockFile>(QDir(dataDir).filePath(QStringLiteral("tendrel.lock")));
    // A lock older than this whose owner is gone is taken over (the process crashed).
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire()
{
    if (!m_lock->tryLock(100)) {
        QLocalSocket socket;
        socket.connectToServer(m_key);
        if (socket.waitForConnected(connectTimeoutMs)) {
            socket.write("activate\n");
            socket.waitForBytesWritten(connectTimeoutMs);
            socket.disconnectFromServer();
        } else {
            qCWarning(lcInstance) << "Tendrel is already running but did not answer";
        }
        return false;
    }

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so any socket left under this name belongs to a process that is gone.
    QLocalServer::removeServer(m_key);
    if (!m_server->listen(m_key))
        qCWarning(lcInstance) << "cannot listen for other starts:" << m_server->errorString();
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    return true;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        emit activationRequested();
    }
}
