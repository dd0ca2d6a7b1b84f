#pragma once

#include "SessionStore.h"
#include "WebUsers.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QSqlDatabase>
#include <QSslConfiguration>
#include <QString>
#include <QThreadPool>
#include <QThreadStorage>
#include <QUrlQuery>

#include <functional>
#include <optional>

// The office service's HTTP server: routes, the login and the sessions of the office users, the API tokens of the
// ERP, the headers every answer carries, and the limits on what a request may be.
//
// Mounting a page (another file of src/web, wired in kelvoctl serve):
//
//     server.route("GET", "/jegyek", WebServer::Access::Office,
//                  [](const WebRequest &request, const QSqlDatabase &db) {
//                      const QString plate = request.query.queryItemValue("rendszam");
//                      ... read through the core with db ...
//                      return WebResponse::html(WebServer::page("Jegyek", "<p>" + WebServer::escape(plate) + "</p>"));
//                  });
//
// * A path ending in "/" is a prefix: "/jegyek/" takes "/jegyek/12"; the handler reads request.rest ("12"). Any
//   other path is matched exactly. A later route of the same method and path replaces the earlier one.
// * The handler runs on a worker thread with that thread's own database connection (db); it may block on the
//   database, never touches a QObject of the server's thread, and returns the whole answer. A DatabaseError it
//   throws becomes a 500 answer.
// * Access::Office: only a logged-in "iroda" user (request.user); a GET without a session is sent to /login, any
//   other request gets 403. Access::Erp: only "Authorization: Bearer TOKEN" of an "erp" user; else 401 JSON.
//   Access::Public: anyone.
// * Every value put into a page goes through escape(). page() gives the document frame with the compiled-in style
//   sheet (/style.css); inline script and style are refused by the Content-Security-Policy every answer carries.
// * POST routes are checked for a same-origin Origin header (the session cookie is SameSite=Strict as well), so a
//   form needs no token of its own. Bodies over kMaxBody and request heads over kMaxHead are refused with 413
//   before they are read.
struct WebRequest {
    QByteArray method; // "GET", "POST", ...
    QString path;      // decoded
    QString rest;      // the path after a prefix route's prefix
    QUrlQuery query;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QHostAddress peer;
    bool secure = false;
    WebUsers::User user; // the logged-in user or the token's owner; empty for Access::Public

    QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
    // The fields of a form POST (application/x-www-form-urlencoded), decoded.
    QUrlQuery form() const;
    QString cookie(const QString &name) const;
};

struct WebResponse {
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
    // Answers other than the compiled-in style sheet are never kept by a cache.
    bool cacheable = false;
    // How long to hold the answer back (a failed login); the server thread does not wait meanwhile.
    int delayMs = 0;

    void addHeader(const QByteArray &name, const QByteArray &value) { headers.append({name, value}); }

    static WebResponse html(const QString &document, int status = 200);
    static WebResponse json(const QByteArray &document, int status = 200);
    // {"error": message}
    static WebResponse jsonError(int status, const QString &message);
    static WebResponse redirect(const QByteArray &location);
};

class WebServer : public QAbstractHttpServer
{
    Q_OBJECT

public:
    enum class Access { Public, Office, Erp };
    using Handler = std::function<WebResponse(const WebRequest &, const QSqlDatabase &)>;

    static constexpr int kMaxHead = 8 * 1024;
    static constexpr int kMaxBody = 16 * 1024;

    // databasePath: the datapath the worker threads open their connections to.
    explicit WebServer(QString databasePath, int workers = 4, QObject *parent = nullptr);
    ~WebServer() override;

    void route(const QByteArray &method, const QString &path, Access access, Handler handler);

    // Listens on address:port, with TLS when tls is given. Returns the error text, empty on success.
    QString start(const QHostAddress &address, quint16 port, const std::optional<QSslConfiguration> &tls = {});
    quint16 port() const;
    // Stops listening and lets the requests in hand finish; their worker connections close with the server.
    void stop();

    SessionStore &sessions() { return m_sessions; }

    static QString escape(const QString &text);
    // An HTML document: title, the style sheet, and body (already escaped HTML).
    static QString page(const QString &title, const QString &body);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    struct Route {
        QByteArray method;
        QString path;
        Access access;
        Handler handler;
    };
    struct ThreadConnection;

    void mountLogin();
    WebResponse run(const Route &route, WebRequest request);
    QSqlDatabase threadDatabase();
    void send(QTcpSocket *socket, WebResponse response, bool secure, bool close);

    QString m_databasePath;
    QList<Route> m_routes;
    SessionStore m_sessions;
    QThreadStorage<ThreadConnection *> m_connections;
    QThreadPool m_pool;
    bool m_stopping = false;
};
