#include "core/ui/InstanceServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace lumexa::core::ui {

namespace {
constexpr int ConnectTimeoutMs = 2000;
}

TInstanceServer::TInstanceServer(const std::string& machineRoot, QObject* parent)
    : QObject(parent)
    , m_name(SocketName(machineRoot))
    , m_server(std::make_unique<QLocalServer>())
{
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
            emit ActivationRequested();
        }
    });
}

TInstanceServer::~TInstanceServer() = default;

QString TInstanceServer::SocketName(const std::string& machineRoot)
{
    const QString root = QDir(QString::fromStdString(machineRoot)).absolutePath();
    const QByteArray hash = QCryptographicHash::hash(root.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("lumexa-") + QString::fromLatin1(hash.left(24));
}

bool TInstanceServer::Listen()
{
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

bool TInstanceServer::NotifyRunningInstance(const std::string& machineRoot)
{
    QLocalSocket socket;
    socket.connectToServer(SocketName(machineRoot));
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    socket.write("show\n");
    socket.waitForBytesWritten(ConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

} // namespace lumexa::core::ui
