#pragma once

#include "CamsimOptions.h"
#include "DigestChallenge.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// A tiny HTTP/1.1 server on 127.0.0.1 that behaves like an IP camera's snapshot address: any path answers with a
// freshly drawn JPEG, or as the options make it misbehave. Connections are served side by side and kept alive.
class CameraServer : public QObject
{
    Q_OBJECT

public:
    explicit CameraServer(CamsimOptions options, QObject *parent = nullptr);

    // Listens on the loopback only. Returns false with *error set when the port cannot be had.
    bool listen(quint16 port, QString *error);
    quint16 port() const { return m_server.serverPort(); }
    int picturesServed() const { return m_served; }

    // The picture of the moment, as JPEG bytes.
    QByteArray picture(int number) const;

signals:
    void logLine(const QString &line);

private:
    struct Request {
        QByteArray method;
        QByteArray target;
        QMap<QByteArray, QByteArray> headers; // names in lower case
    };
    struct Response {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
        QByteArray authenticate; // WWW-Authenticate, for 401
    };
    struct Connection {
        QByteArray buffer;
        bool busy = false; // an answer is on its way (slow mode): later requests wait
    };

    void onNewConnection();
    void serveNext(QTcpSocket *socket);
    Response answer(const Request &request);
    bool authorized(const Request &request) const;
    void send(QTcpSocket *socket, const Request &request, const Response &response);

    CamsimOptions m_options;
    QTcpServer m_server;
    DigestChallenge m_digest;
    QMap<QTcpSocket *, Connection> m_connections;
    int m_served = 0;
};
