#pragma once

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

// A weight server on the loopback interface that can go away and come back at the same port.
class LoopbackServer
{
public:
    bool listen(quint16 port = 0)
    {
        m_server = std::make_unique<QTcpServer>();
        return m_server->listen(QHostAddress::LocalHost, port);
    }
    quint16 port() const { return m_server->serverPort(); }
    // Waits for the link to connect and returns the server side of that connection.
    QTcpSocket *accept(int timeoutMs = 10000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!m_server->hasPendingConnections() && !deadline.hasExpired())
            QTest::qWait(10);
        m_client.reset(m_server->nextPendingConnection());
        return m_client.get();
    }
    void send(const QByteArray &bytes)
    {
        m_client->write(bytes);
        m_client->flush();
    }
    void shutDown()
    {
        if (m_client)
            m_client->abort();
        m_client.reset();
        m_server.reset();
    }

private:
    std::unique_ptr<QTcpServer> m_server;
    std::unique_ptr<QTcpSocket> m_client;
};
