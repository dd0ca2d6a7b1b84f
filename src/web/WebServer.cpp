#include "WebServer.h"

#include "Database.h"
#include "HttpWire.h"
#include "Sql.h"

#include <QAtomicInteger>
#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>
#include <QtConcurrent>

namespace {

const char kCookie[] = "kelvo_session";

// Fits a phone as well as a desktop: forms flow into as many columns as there is room for, wide tables scroll
// sideways inside their own box, and a ticket's fields stack under their captions on a narrow screen.
const char kStyle[] =
    "body{font-family:sans-serif;margin:1em 2em;color:#222;line-height:1.35}"
    "main{max-width:90em}label{display:block;margin-top:.8em}"
    "input,select{font-size:1em;padding:.3em;max-width:100%;box-sizing:border-box}"
    "button{margin-top:1em;font-size:1em;padding:.3em 1em}"
    ".hiba{color:#a00;font-weight:bold}table{border-collapse:collapse}"
    "td,th{border:1px solid #ccc;padding:.2em .5em;text-align:left;vertical-align:top}"
    "td.szam{text-align:right;white-space:nowrap}th.szam{text-align:right}th{background:#eee}"
    "nav.menu{display:flex;flex-wrap:wrap;align-items:center;gap:.4em 1.2em;padding-bottom:.5em;"
    "border-bottom:1px solid #ccc}"
    "nav.menu a{font-weight:bold}nav.menu form{margin:0 0 0 auto}nav.menu button{margin:0}"
    "h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.5em}"
    "form.szuro{display:grid;grid-template-columns:repeat(auto-fill,minmax(13em,1fr));gap:0 1em;"
    "align-items:end;max-width:70em}"
    "form.szuro label{margin-top:.5em}form.szuro input,form.szuro select{width:100%}"
    ".jelolo label{display:flex;gap:.4em;align-items:center}form.szuro .jelolo input{width:auto}"
    ".gombok button{margin-top:.5em}main>form>button{display:block}"
    ".tabla{overflow-x:auto;max-width:100%;margin:.5em 0}.tabla td{white-space:nowrap}"
    "tr.sztorno td{color:#888;text-decoration:line-through}"
    ".osszesites{display:flex;flex-wrap:wrap;gap:.2em 1.5em;font-weight:bold}"
    ".lapozo{display:flex;flex-wrap:wrap;gap:.5em 1.5em}"
    ".allapot{font-weight:bold;color:#a60}.allapot.sztorno{color:#a00}"
    "dl.adatok{display:grid;grid-template-columns:max-content 1fr;gap:.2em 1em;margin:0}"
    "dl.adatok dt{font-weight:bold}dl.adatok dd{margin:0;overflow-wrap:anywhere}"
    ".kepek{display:flex;flex-wrap:wrap;gap:1em}.kepek figure{margin:0;width:20em;max-width:100%}"
    ".kepek img{width:100%;height:auto;display:block;border:1px solid #ccc}"
    ".kepek figcaption{font-size:.9em}.hiany{color:#a00;border:1px dashed #ccc;padding:2em .5em;margin:0}"
    "@media (max-width:40em){body{margin:.5em}dl.adatok{grid-template-columns:1fr}dl.adatok dd{margin-bottom:.4em}"
    "form.szuro{grid-template-columns:1fr 1fr}}";

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get: return "GET";
    case QHttpServerRequest::Method::Post: return "POST";
    case QHttpServerRequest::Method::Put: return "PUT";
    case QHttpServerRequest::Method::Delete: return "DELETE";
    case QHttpServerRequest::Method::Head: return "HEAD";
    case QHttpServerRequest::Method::Options: return "OPTIONS";
    case QHttpServerRequest::Method::Patch: return "PATCH";
    default: return "OTHER";
    }
}

// A listening server that puts HttpWire's guard on each connection as the HTTP server takes it.
template <class Base>
class GuardedServer : public Base
{
public:
    using Base::Base;
    QTcpSocket *nextPendingConnection() override
    {
        QTcpSocket *socket = Base::nextPendingConnection();
        if (socket)
            HttpWire::guard(socket);
        return socket;
    }
};

} // namespace

// The worker thread's own connection (a Qt SQL connection belongs to the thread that opened it); closed when the
// thread ends, which is when the server's pool goes.
struct WebServer::ThreadConnection {
    QString name;
    explicit ThreadConnection(QString connectionName)
        : name(std::move(connectionName))
    {
    }
    ~ThreadConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
};

QUrlQuery WebRequest::form() const
{
    QByteArray text = body;
    text.replace('+', ' ');
    return QUrlQuery(QString::fromUtf8(text));
}

QString WebRequest::cookie(const QString &name) const
{
    for (const QByteArray &part : header("cookie").split(';')) {
        const QByteArray item = part.trimmed();
        const qsizetype eq = item.indexOf('=');
        if (eq > 0 && QString::fromLatin1(item.left(eq)) == name)
            return QString::fromLatin1(item.mid(eq + 1));
    }
    return {};
}

WebResponse WebResponse::html(const QString &document, int status)
{
    WebResponse r;
    r.status = status;
    r.body = document.toUtf8();
    return r;
}

WebResponse WebResponse::json(const QByteArray &document, int status)
{
    WebResponse r;
    r.status = status;
    r.contentType = "application/json";
    r.body = document;
    return r;
}

WebResponse WebResponse::jsonError(int status, const QString &message)
{
    return json(QJsonDocument(QJsonObject{{QStringLiteral("error"), message}}).toJson(QJsonDocument::Compact),
                status);
}

WebResponse WebResponse::redirect(const QByteArray &location)
{
    WebResponse r;
    r.status = 303;
    r.addHeader("Location", location);
    return r;
}

WebServer::WebServer(QString databasePath, int workers, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_databasePath(std::move(databasePath))
{
    m_pool.setMaxThreadCount(workers);
    // Threads stay, and so do their connections, until the server goes.
    m_pool.setExpiryTimeout(-1);
    mountLogin();
}

WebServer::~WebServer()
{
    stop();
}

void WebServer::route(const QByteArray &method, const QString &path, Access access, Handler handler)
{
    for (Route &r : m_routes) {
        if (r.method == method && r.path == path) {
            r = {method, path, access, std::move(handler)};
            return;
        }
    }
    m_routes.append({method, path, access, std::move(handler)});
}

QString WebServer::start(const QHostAddress &address, quint16 port, const std::optional<QSslConfiguration> &tls)
{
    QTcpServer *server = nullptr;
    if (tls) {
        auto *ssl = new GuardedServer<QSslServer>(this);
        ssl->setSslConfiguration(*tls);
        server = ssl;
    } else {
        server = new GuardedServer<QTcpServer>(this);
    }
    if (!server->listen(address, port)) {
        const QString error = server->errorString();
        delete server;
        return error;
    }
    bind(server);
    return {};
}

quint16 WebServer::port() const
{
    const QList<QTcpServer *> list = servers();
    return list.isEmpty() ? 0 : list.first()->serverPort();
}

void WebServer::stop()
{
    m_stopping = true;
    for (QTcpServer *server : servers())
        server->close();
    m_pool.waitForDone();
}

QString WebServer::escape(const QString &text)
{
    QString out = text.toHtmlEscaped();
    out.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return out;
}

QString WebServer::page(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"hu\"><head><meta charset=\"utf-8\">"
                          "<meta name=\"viewport\" content=\"width=device-width\"><title>%1</title>"
                          "<link rel=\"stylesheet\" href=\"/style.css\"></head>\n<body><main>%2</main></body></html>\n")
        .arg(escape(title), body);
}

QSqlDatabase WebServer::threadDatabase()
{
    if (!m_connections.hasLocalData()) {
        static QAtomicInteger<int> next = 0;
        const QString name = QStringLiteral("kelvo_web_%1").arg(++next);
        QString error;
        Database::openConnection(m_databasePath, name, &error);
        m_connections.setLocalData(new ThreadConnection(name));
        if (!error.isEmpty())
            throw DatabaseError(error);
    }
    QSqlDatabase db = QSqlDatabase::database(m_connections.localData()->name, false);
    // A server connection lost meanwhile is opened again for this request.
    if (!db.isOpen() && !db.open())
        throw DatabaseError(db.lastError().text());
    return db;
}

WebResponse WebServer::run(const Route &route, WebRequest request)
{
    try {
        const QSqlDatabase db = threadDatabase();
        if (route.access == Access::Erp) {
            const QByteArray authorization = request.header("authorization");
            std::optional<WebUsers::User> user;
            if (authorization.startsWith("Bearer "))
                user = WebUsers::checkToken(db, QString::fromLatin1(authorization.mid(7).trimmed()));
            if (!user) {
                WebResponse r = WebResponse::jsonError(401, QStringLiteral("Érvényes API-token kell."));
                r.addHeader("WWW-Authenticate", "Bearer");
                return r;
            }
            request.user = *user;
        }
        return route.handler(request, db);
    } catch (const DatabaseError &e) {
        qWarning("kelvoctl serve: %s", e.what());
        if (request.path.startsWith(QLatin1String("/api/")))
            return WebResponse::jsonError(500, QStringLiteral("Adatbázishiba."));
        return WebResponse::html(page(QStringLiteral("Hiba"), QStringLiteral("<p class=\"hiba\">Adatbázishiba.</p>")),
                                 500);
    }
}

bool WebServer::handleRequest(const QHttpServerRequest &httpRequest, QTcpSocket *socket)
{
    WebRequest request;
    request.method = methodName(httpRequest.method());
    request.path = httpRequest.url().path();
    request.query = httpRequest.query();
    for (const auto &[name, value] : httpRequest.headers())
        request.headers.insert(name.toLower(), value);
    request.body = httpRequest.body();
    request.peer = httpRequest.remoteAddress();
    request.secure = qobject_cast<QSslSocket *>(socket) != nullptr;
    const bool close = request.header("connection").toLower() == "close";
    const bool api = request.path.startsWith(QLatin1String("/api/"));
    const auto answer = [&](WebResponse r) { send(socket, std::move(r), request.secure, close); };
    const auto notFound = [&] {
        return api ? WebResponse::jsonError(404, QStringLiteral("Nincs ilyen cím."))
                   : WebResponse::html(page(QStringLiteral("Nincs ilyen oldal"),
                                            QStringLiteral("<h1>Nincs ilyen oldal</h1>")),
                                       404);
    };

    if (m_stopping) {
        answer(WebResponse::jsonError(503, QStringLiteral("A szolgáltatás leáll.")));
        return true;
    }
    const Route *found = nullptr;
    QList<QByteArray> allowed;
    for (const Route &r : std::as_const(m_routes)) {
        const bool prefix = r.path.endsWith(QLatin1Char('/')) && r.path.size() > 1;
        const bool matches = prefix ? request.path.startsWith(r.path) && request.path.size() > r.path.size()
                                    : request.path == r.path;
        if (!matches)
            continue;
        allowed.append(r.method);
        if (r.method == request.method && (!found || r.path.size() > found->path.size())) {
            found = &r;
            request.rest = prefix ? request.path.mid(r.path.size()) : QString();
        }
    }
    if (!found) {
        if (allowed.isEmpty()) {
            answer(notFound());
        } else {
            WebResponse r = api ? WebResponse::jsonError(405, QStringLiteral("Ez a cím csak olvasható."))
                                : WebResponse::html(page(QStringLiteral("Hiba"), QStringLiteral("<p>Nem engedélyezett kérés.</p>")), 405);
            r.addHeader("Allow", allowed.join(", "));
            answer(r);
        }
        return true;
    }
    if (request.method == "POST") {
        // The session cookie is SameSite=Strict; a browser's cross-site form is turned away by its Origin too.
        const QByteArray origin = request.header("origin");
        const QByteArray own = (request.secure ? "https://" : "http://") + request.header("host");
        if (!origin.isEmpty() && origin != own) {
            answer(WebResponse::html(page(QStringLiteral("Hiba"), QStringLiteral("<p>Idegen oldalról küldött kérés.</p>")), 403));
            return true;
        }
    }
    if (found->access == Access::Office) {
        const std::optional<WebUsers::User> user = m_sessions.find(request.cookie(QLatin1String(kCookie)));
        if (!user || user->role != QLatin1String(WebUsers::kOffice)) {
            answer(request.method == "GET" ? WebResponse::redirect("/login")
                                           : WebResponse::html(page(QStringLiteral("Hiba"), QStringLiteral("<p>Jelentkezzen be.</p>")), 403));
            return true;
        }
        request.user = *user;
    }
    const Route route = *found;
    QPointer<QTcpSocket> guarded(socket);
    const bool secure = request.secure;
    QtConcurrent::run(&m_pool, [this, route, request] { return run(route, request); })
        .then(this, [this, guarded, secure, close](WebResponse response) {
            if (guarded)
                send(guarded, std::move(response), secure, close);
        });
    return true;
}

void WebServer::missingHandler(const QHttpServerRequest &, QTcpSocket *)
{
    // handleRequest answers every request itself.
}

void WebServer::send(QTcpSocket *socket, WebResponse response, bool secure, bool close)
{
    if (response.delayMs > 0) {
        const int delay = response.delayMs;
        response.delayMs = 0;
        QPointer<QTcpSocket> guarded(socket);
        QTimer::singleShot(delay, this, [this, guarded, response, secure, close] {
            if (guarded)
                send(guarded, response, secure, close);
        });
        return;
    }
    // The body apart from the head, so that a large one is not copied into a second buffer.
    socket->write(HttpWire::head(response, secure, close));
    socket->write(response.body);
    if (close)
        socket->disconnectFromHost();
}

void WebServer::mountLogin()
{
    route("GET", QStringLiteral("/style.css"), Access::Public, [](const WebRequest &, const QSqlDatabase &) {
        WebResponse r;
        r.contentType = "text/css; charset=utf-8";
        r.body = kStyle;
        r.cacheable = true;
        return r;
    });
    const auto loginPage = [](const QString &name, const QString &message) {
        QString body = QStringLiteral("<h1>Bejelentkezés</h1>\n");
        if (!message.isEmpty())
            body += QStringLiteral("<p class=\"hiba\" role=\"alert\">%1</p>\n").arg(escape(message));
        body += QStringLiteral("<form method=\"post\" action=\"/login\">\n"
                               "<label for=\"nev\">Felhasználónév</label>\n"
                               "<input id=\"nev\" name=\"nev\" value=\"%1\" autocomplete=\"username\" required>\n"
                               "<label for=\"jelszo\">Jelszó</label>\n"
                               "<input id=\"jelszo\" name=\"jelszo\" type=\"password\" "
                               "autocomplete=\"current-password\" required>\n"
                               "<button type=\"submit\">Belépés</button>\n</form>\n")
                    .arg(escape(name));
        return page(QStringLiteral("Bejelentkezés"), body);
    };
    route("GET", QStringLiteral("/login"), Access::Public, [loginPage](const WebRequest &, const QSqlDatabase &) {
        return WebResponse::html(loginPage({}, {}));
    });
    route("POST", QStringLiteral("/login"), Access::Public,
          [this, loginPage](const WebRequest &request, const QSqlDatabase &db) {
              const QUrlQuery form = request.form();
              const QString name = form.queryItemValue(QStringLiteral("nev"), QUrl::FullyDecoded);
              const QString password = form.queryItemValue(QStringLiteral("jelszo"), QUrl::FullyDecoded);
              if (m_sessions.locked(name, request.peer))
                  return WebResponse::html(
                      loginPage(name, QStringLiteral("Túl sok sikertelen bejelentkezés. Próbálja újra %1 perc múlva.")
                                          .arg(SessionStore::kLockMinutes)),
                      429);
              const std::optional<WebUsers::User> user = WebUsers::checkPassword(db, name, password);
              if (!user || user->role != QLatin1String(WebUsers::kOffice)) {
                  WebResponse r =
                      WebResponse::html(loginPage(name, QStringLiteral("Hibás felhasználónév vagy jelszó.")), 401);
                  r.delayMs = m_sessions.failed(name, request.peer);
                  return r;
              }
              m_sessions.succeeded(name);
              const QString id = m_sessions.open(*user);
              WebResponse r = WebResponse::redirect("/");
              QByteArray cookie = QByteArray(kCookie) + '=' + id.toLatin1() + "; Path=/; HttpOnly; SameSite=Strict";
              if (request.secure)
                  cookie += "; Secure";
              r.addHeader("Set-Cookie", cookie);
              return r;
          });
    route("POST", QStringLiteral("/logout"), Access::Public, [this](const WebRequest &request, const QSqlDatabase &) {
        m_sessions.close(request.cookie(QLatin1String(kCookie)));
        WebResponse r = WebResponse::redirect("/login");
        QByteArray cookie = QByteArray(kCookie) + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0";
        if (request.secure)
            cookie += "; Secure";
        r.addHeader("Set-Cookie", cookie);
        return r;
    });
    // The office's start page until its own pages are mounted over it.
    route("GET", QStringLiteral("/"), Access::Office, [](const WebRequest &request, const QSqlDatabase &) {
        return WebResponse::html(page(QStringLiteral("Kelvo iroda"),
                                      QStringLiteral("<h1>Kelvo iroda</h1>\n<p>Bejelentkezve: %1</p>\n"
                                                     "<form method=\"post\" action=\"/logout\">"
                                                     "<button type=\"submit\">Kilépés</button></form>\n")
                                          .arg(escape(request.user.name))));
    });
}
