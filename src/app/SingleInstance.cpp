#include "SingleInstance.h"

#include <QLocalSocket>

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr char kRaise[] = "raise\n";

} // namespace

SingleInstance::SingleInstance(QString name, QObject *parent)
    : QObject(parent)
    , m_name(std::move(name))
{
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("raise"))
                    emit activationRequested();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool SingleInstance::askRunningCopy() const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kRaise);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::claim()
{
    if (m_server.listen(m_name))
        return true;
    if (askRunningCopy())
        return false;
    // A socket left behind by a copy that crashed: nobody answers, so take it over.
    // If even that fails the program still runs: a gate without its program is worse than two copies.
    QLocalServer::removeServer(m_name);
    m_server.listen(m_name);
    return true;
}
