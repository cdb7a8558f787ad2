#include "InstanceBeacon.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char FrontAnswer[] = "front\n";

QString BeaconName(const std::string& lockPath)
{
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(lockPath), QCryptographicHash::Sha256).toHex().left(24);
    return QStringLiteral("rx77nova-update-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
}

bool SameUser(const QLocalSocket* socket)
{
    ucred peer {};
    socklen_t size = sizeof(peer);
    return getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
        && peer.uid == getuid();
}

} // namespace

InstanceBeacon::InstanceBeacon(const std::string& lockPath, QObject* parent)
    : QObject(parent), name(BeaconName(lockPath))
{
}

InstanceBeacon::~InstanceBeacon() = default;

bool InstanceBeacon::Listen()
{
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(server, &QLocalServer::newConnection, this, &InstanceBeacon::Answer);
    return server->listen(name);
}

void InstanceBeacon::Answer()
{
    while (QLocalSocket* caller = server->nextPendingConnection()) {
        connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
        if (!SameUser(caller)) {
            caller->disconnectFromServer();
            continue;
        }
        emit frontRequested();
        caller->write(FrontAnswer);
        caller->disconnectFromServer();  // after the answer has gone out
    }
}

bool InstanceBeacon::CallRunning(int timeoutMs) const
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    while (socket.bytesAvailable() < static_cast<qint64>(sizeof(FrontAnswer) - 1)) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            break;
        }
    }
    return socket.readLine() == QByteArray(FrontAnswer);
}
