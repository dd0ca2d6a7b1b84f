#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

class QTcpServer;
class QTcpSocket;

// A weight server: every connected client gets every frame.
class TcpLine : public QObject
{
    Q_OBJECT

public:
    explicit TcpLine(QObject *parent = nullptr);

    bool listen(quint16 port, QString *error);
    quint16 port() const;
    int clientCount() const { return int(m_clients.size()); }
    void send(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);

private:
    QTcpServer *m_server;
    QList<QTcpSocket *> m_clients;
};
