#pragma once

#include <QHostAddress>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

#include <memory>
#include <vector>

// A TCP port on the loopback that passes every connection on to the test PostgreSQL server's Unix socket, and can
// freeze: it then stops passing bytes either way while keeping every connection open, as a network cut or a frozen
// server looks to a client (the kernel still answers keepalives, nothing else comes back).
class FreezableProxy
{
public:
    // serverUri: a postgresql:// URI whose host parameter is the socket folder.
    bool start(const QString &serverUri)
    {
        const QUrlQuery query{QUrl(serverUri)};
        m_socketPath = query.queryItemValue(QStringLiteral("host")) + QStringLiteral("/.s.PGSQL.5432");
        m_uri = QUrl(serverUri);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *client = m_server.nextPendingConnection()) {
                auto pair = std::make_unique<Pair>();
                pair->client = client;
                pair->server = new QLocalSocket(client);
                Pair *p = pair.get();
                QObject::connect(client, &QTcpSocket::readyRead, client, [this, p] { pump(*p); });
                QObject::connect(p->server, &QLocalSocket::readyRead, client, [this, p] { pump(*p); });
                QObject::connect(p->server, &QLocalSocket::connected, client, [this, p] { pump(*p); });
                p->server->connectToServer(m_socketPath);
                m_pairs.push_back(std::move(pair));
            }
        });
        return m_server.listen(QHostAddress::LocalHost);
    }
    // The URI through the proxy for a database of the server.
    QString uriFor(const QString &databaseUri) const
    {
        QUrl url(databaseUri);
        QUrlQuery query(url);
        query.removeAllQueryItems(QStringLiteral("host"));
        query.addQueryItem(QStringLiteral("host"), QStringLiteral("127.0.0.1"));
        query.addQueryItem(QStringLiteral("port"), QString::number(m_server.serverPort()));
        url.setQuery(query);
        return url.toString();
    }
    // The server goes away: every connection is cut and no new one is taken.
    void stop()
    {
        m_server.close();
        // The sockets go with their pairs: a signal still on its way must find no pair to pump.
        for (const auto &pair : m_pairs) {
            pair->client->abort();
            delete pair->client;
        }
        m_pairs.clear();
    }
    void setFrozen(bool frozen)
    {
        m_frozen = frozen;
        if (!frozen) {
            for (const auto &pair : m_pairs)
                pump(*pair);
        }
    }

private:
    struct Pair {
        QTcpSocket *client = nullptr;
        QLocalSocket *server = nullptr;
    };
    void pump(Pair &p)
    {
        if (m_frozen || p.server->state() != QLocalSocket::ConnectedState)
            return;
        if (p.client->bytesAvailable())
            p.server->write(p.client->readAll());
        if (p.server->bytesAvailable())
            p.client->write(p.server->readAll());
    }

    QTcpServer m_server;
    QString m_socketPath;
    QUrl m_uri;
    bool m_frozen = false;
    std::vector<std::unique_ptr<Pair>> m_pairs;
};
