#include "TcpLine.h"

#include <QTcpServer>
#include <QTcpSocket>

TcpLine::TcpLine(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *client = m_server->nextPendingConnection()) {
            m_clients.append(client);
            connect(client, &QTcpSocket::readyRead, this, [this, client] { emit received(client->readAll()); });
            connect(client, &QTcpSocket::disconnected, this, [this, client] {
                m_clients.removeAll(client);
                client->deleteLater();
            });
        }
    });
}

bool TcpLine::listen(quint16 port, QString *error)
{
    if (m_server->listen(QHostAddress::Any, port))
        return true;
    *error = m_server->errorString();
    return false;
}

quint16 TcpLine::port() const
{
    return m_server->serverPort();
}

void TcpLine::send(const QByteArray &bytes)
{
    for (QTcpSocket *client : std::as_const(m_clients))
        client->write(bytes);
}
