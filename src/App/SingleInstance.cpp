#include "App/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "tendrel.app", QtWarningMsg)

namespace {

constexpr int connectTimeoutMs = 1000;

// A folder (not a link to one) that this user owns and nobody else may enter or list.
bool isPrivateFolder(const QString &path)
{
    struct stat info = {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode)) {
        qCWarning(lcInstance) << "not using" << path << "for the instance socket: it is not a folder";
        return false;
    }
    if (info.st_uid != ::geteuid() || (info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        qCWarning(lcInstance) << "not using" << path
                              << "for the instance socket: another user owns it or others may enter it";
        return false;
    }
    return true;
}

} // namespace

QString SingleInstance::runtimeDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime))
        return QDir::cleanPath(runtime);
    const QString own = QDir(QDir::tempPath()).filePath(QStringLiteral("tendrel-%1").arg(::geteuid()));
    // mkdir does not follow a link left in our way, and leaves a folder already there as it is.
    if (::mkdir(QFile::encodeName(own).constData(), S_IRWXU) != 0 && errno != EEXIST)
        return {};
    return isPrivateFolder(own) ? own : QString();
}

SingleInstance::SingleInstance(const QString &dataDir, QObject *parent) : QObject(parent)
{
    QDir().mkpath(dataDir);
    m_lock = std::make_unique<QLockFile>(QDir(dataDir).filePath(QStringLiteral("tendrel.lock")));
    // A lock whose owner is gone is taken over (the process crashed), however recent.
    m_lock->setStaleLockTime(0);

    // One name per data folder, however it is spelled (a link, a trailing slash).
    const QString canonical = QFileInfo(dataDir).canonicalFilePath();
    const QByteArray digest =
        QCryptographicHash::hash(QFile::encodeName(canonical.isEmpty()
                                                       ? QDir::cleanPath(QDir(dataDir).absolutePath())
                                                       : canonical),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    const QString folder = runtimeDirectory();
    if (!folder.isEmpty())
        m_socketPath = QDir(folder).filePath(QStringLiteral("tendrel-") + QString::fromLatin1(digest));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire()
{
    if (!m_lock->tryLock(100)) {
        QLocalSocket socket;
        if (!m_socketPath.isEmpty())
            socket.connectToServer(m_socketPath);
        if (!m_socketPath.isEmpty() && socket.waitForConnected(connectTimeoutMs)) {
            socket.write("activate\n");
            socket.waitForBytesWritten(connectTimeoutMs);
            socket.disconnectFromServer();
        } else {
            qCWarning(lcInstance) << "Tendrel is already running on this data folder but did not answer";
        }
        return false;
    }

    if (m_socketPath.isEmpty()) {
        qCWarning(lcInstance)
            << "no private folder for the instance socket: a later start cannot raise this one";
        return true;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so any socket left under this name belongs to a process that is gone.
    QLocalServer::removeServer(m_socketPath);
    if (!m_server->listen(m_socketPath))
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
