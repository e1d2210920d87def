#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <unistd.h>

namespace tk {

namespace {

const QByteArray kRequest = "raise\n";
const QByteArray kAnswer = "ok\n";
// Longest path a local socket address holds, with its terminating zero.
constexpr qsizetype kMaxSocketPath = 107;

QString baseName(const QString& programDir) {
    // The same directory reached by another spelling or a link is the same.
    const QString canonical = QFileInfo(programDir).canonicalFilePath();
    const QString key = canonical.isEmpty() ? QDir::cleanPath(programDir) : canonical;
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(20);
    return QStringLiteral("tovrinkin-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

} // namespace

SingleInstance::SingleInstance(const QString& programDir, const QString& runtimeDir,
                               QObject* parent)
    : QObject(parent) {
    QString dir = runtimeDir;
    const QString name = baseName(programDir);
    if (dir.isEmpty() || !QFileInfo(dir).isDir() ||
        (dir + QLatin1Char('/') + name + QStringLiteral(".socket")).toLocal8Bit().size() >
            kMaxSocketPath)
        dir = QDir::tempPath();
    m_basePath = dir + QLatin1Char('/') + name;
}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
}

SingleInstance::Role SingleInstance::start(int timeoutMs) {
    m_lock = std::make_unique<QLockFile>(m_basePath + QStringLiteral(".lock"));
    // Only a lock whose process is gone is stale, however old it is.
    m_lock->setStaleLockTime(0);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (m_lock->tryLock(0))
            return listen() ? Role::First : Role::Unguarded;
        if (m_lock->error() != QLockFile::LockFailedError) {
            m_problem = QStringLiteral("The lock file \"%1.lock\" cannot be made.").arg(m_basePath);
            return Role::Unguarded;
        }
        // The running start may not listen yet, or may just be ending.
        if (askRunningStart())
            return Role::HandedOver;
        if (deadline.hasExpired()) {
            m_problem = QStringLiteral("Tovrin Kin is already running on this program directory "
                                       "but does not answer.");
            return Role::Busy;
        }
        QThread::msleep(50);
    }
}

bool SingleInstance::listen() {
    const QString socketPath = m_basePath + QStringLiteral(".socket");
    // A socket left by a killed run would refuse the address; the lock says it is ours.
    QLocalServer::removeServer(socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath)) {
        m_problem = QStringLiteral("The socket \"%1\" cannot be opened: %2.")
                        .arg(socketPath, m_server->errorString());
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
    return true;
}

bool SingleInstance::askRunningStart() {
    QLocalSocket socket;
    socket.connectToServer(m_basePath + QStringLiteral(".socket"));
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(1000))
        return false;
    QByteArray answer;
    const QDeadlineTimer deadline(3000);
    while (!answer.endsWith('\n') && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
        answer += socket.readAll();
    }
    return answer == kAnswer;
}

void SingleInstance::serveConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 64)
                    socket->abort(); // not one of ours
                return;
            }
            const bool known = socket->readLine() == kRequest;
            if (known)
                socket->write(kAnswer);
            socket->disconnectFromServer();
            if (known)
                emit activationRequested();
        });
    }
}

} // namespace tk
