#include "HttpWire.h"

#include "WebServer.h"

#include <QSslSocket>
#include <QTcpSocket>

namespace {

QByteArray reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 303: return "See Other";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Payload Too Large";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

// Reads along with the HTTP server on one connection and refuses, before the server buffers it, a request head over
// kMaxHead or a body over kMaxBody (by its Content-Length; a chunked body, whose size is not known ahead, too).
class RequestGuard : public QObject
{
public:
    explicit RequestGuard(QTcpSocket *socket)
        : QObject(socket)
        , m_socket(socket)
    {
        // Connected before the server's own slot, so it sees each piece of the stream first.
        connect(socket, &QTcpSocket::readyRead, this, &RequestGuard::check);
    }

private:
    void check()
    {
        if (m_refused) {
            m_socket->readAll();
            return;
        }
        const QByteArray data = m_socket->peek(m_socket->bytesAvailable());
        qsizetype i = 0;
        while (i < data.size()) {
            if (m_body > 0) {
                const qint64 n = qMin<qint64>(m_body, data.size() - i);
                m_body -= n;
                i += n;
                continue;
            }
            const qsizetype before = m_head.size();
            m_head.append(data.mid(i, kHeadLimit + 4));
            const qsizetype end = m_head.indexOf("\r\n\r\n");
            if (end < 0) {
                if (m_head.size() > kHeadLimit)
                    return refuse();
                return;
            }
            if (end > kHeadLimit)
                return refuse();
            const QByteArray head = m_head.left(end).toLower();
            i += end + 4 - before;
            m_head.clear();
            if (head.contains("transfer-encoding:"))
                return refuse();
            const qsizetype at = head.indexOf("\r\ncontent-length:");
            if (at >= 0) {
                const qsizetype from = at + 17;
                const qsizetype to = head.indexOf("\r\n", from);
                bool ok = false;
                const qint64 length = head.mid(from, to < 0 ? -1 : to - from).trimmed().toLongLong(&ok);
                if (!ok || length < 0 || length > WebServer::kMaxBody)
                    return refuse();
                m_body = length;
            }
        }
    }

    void refuse()
    {
        m_refused = true;
        WebResponse response = WebResponse::jsonError(413, QStringLiteral("A kérés túl nagy."));
        m_socket->write(HttpWire::serialize(response, qobject_cast<QSslSocket *>(m_socket) != nullptr, true));
        m_socket->readAll();
        m_socket->disconnectFromHost();
    }

    static constexpr qsizetype kHeadLimit = WebServer::kMaxHead;
    QTcpSocket *m_socket;
    QByteArray m_head;
    qint64 m_body = 0;
    bool m_refused = false;
};

} // namespace

namespace HttpWire {

QByteArray head(const WebResponse &response, bool secure, bool close)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
    const auto header = [&](const QByteArray &name, const QByteArray &value) {
        out += name + ": " + value + "\r\n";
    };
    header("Content-Type", response.contentType);
    header("Content-Length", QByteArray::number(response.body.size()));
    header("Content-Security-Policy", "default-src 'none'; style-src 'self'; img-src 'self' data:; "
                                      "form-action 'self'; frame-ancestors 'none'; base-uri 'none'");
    header("X-Content-Type-Options", "nosniff");
    // Not no-referrer: under it a browser sends "Origin: null" with a form's POST, which the same-origin check of
    // the login and logout refuses. same-origin still tells another site nothing.
    header("Referrer-Policy", "same-origin");
    header("X-Frame-Options", "DENY");
    header("Cache-Control", response.cacheable ? "max-age=3600" : "no-store");
    if (secure)
        header("Strict-Transport-Security", "max-age=31536000");
    for (const auto &[name, value] : response.headers)
        header(name, value);
    if (close)
        header("Connection", "close");
    return out + "\r\n";
}


QByteArray serialize(const WebResponse &response, bool secure, bool close)
{
    return head(response, secure, close) + response.body;
}

void guard(QTcpSocket *socket)
{
    new RequestGuard(socket);
}

} // namespace HttpWire
