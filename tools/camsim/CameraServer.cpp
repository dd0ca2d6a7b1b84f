#include "CameraServer.h"

#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr qsizetype kMaxHead = 64 * 1024; // a request head larger than this is not a camera client's

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return status < 500 ? "Client Error" : "Server Error";
    }
}

} // namespace

CameraServer::CameraServer(CamsimOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_digest("camsim", m_options.user, m_options.password)
{
    connect(&m_server, &QTcpServer::newConnection, this, &CameraServer::onNewConnection);
}

bool CameraServer::listen(quint16 port, QString *error)
{
    if (m_server.listen(QHostAddress::LocalHost, port))
        return true;
    *error = m_server.errorString();
    return false;
}

void CameraServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_connections.remove(socket);
            socket->deleteLater();
        });
        m_connections.insert(socket, {});
        if (m_options.dead) {
            emit logLine(QStringLiteral("connection accepted, never answered"));
            continue; // what comes in stays unread
        }
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            m_connections[socket].buffer += socket->readAll();
            serveNext(socket);
        });
    }
}

void CameraServer::serveNext(QTcpSocket *socket)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end() || it->busy)
        return;
    QByteArray &buffer = it->buffer;
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (buffer.size() > kMaxHead)
            socket->abort();
        return;
    }
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    Request request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            request.headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
    }
    const qsizetype bodyLength = request.headers.value("content-length", "0").toLongLong();
    if (bodyLength < 0 || bodyLength > kMaxHead) {
        socket->abort();
        return;
    }
    if (buffer.size() < headEnd + 4 + bodyLength)
        return; // the body is still coming; it is read and dropped
    buffer.remove(0, headEnd + 4 + bodyLength);
    if (requestLine.size() != 3 || !request.target.startsWith('/')) {
        Response bad;
        bad.status = 400;
        bad.contentType = "text/plain";
        bad.body = "bad request\n";
        send(socket, request, bad);
        return;
    }

    const Response response = answer(request);
    if (m_options.slowMs <= 0) {
        send(socket, request, response);
        return;
    }
    it->busy = true;
    QTimer::singleShot(m_options.slowMs, this, [this, socket = QPointer<QTcpSocket>(socket), request, response] {
        if (!socket || !m_connections.contains(socket))
            return;
        m_connections[socket].busy = false;
        send(socket, request, response);
    });
}

CameraServer::Response CameraServer::answer(const Request &request)
{
    Response response;
    if (!authorized(request)) {
        response.status = 401;
        response.contentType = "text/plain";
        response.body = "authentication required\n";
        response.authenticate = m_options.auth == CamsimOptions::Auth::Basic ? QByteArray("Basic realm=\"camsim\"")
                                                                             : m_digest.challenge();
    } else if (m_options.status != 0) {
        response.status = m_options.status;
        response.contentType = "text/plain";
        response.body = QByteArray::number(m_options.status) + ' ' + reasonPhrase(m_options.status) + '\n';
    } else if (m_options.notJpeg) {
        response.contentType = "text/html; charset=utf-8";
        response.body = "<!DOCTYPE html>\n<html><head><title>Login</title></head>"
                        "<body><form method=\"post\"><input name=\"user\"><input type=\"password\" name=\"pass\">"
                        "</form></body></html>\n";
    } else {
        response.contentType = "image/jpeg";
        response.body = picture(++m_served);
    }
    return response;
}

bool CameraServer::authorized(const Request &request) const
{
    const QByteArray authorization = request.headers.value("authorization");
    switch (m_options.auth) {
    case CamsimOptions::Auth::None:
        return true;
    case CamsimOptions::Auth::Basic:
        return authorization.trimmed() == "Basic " + (m_options.user + u':' + m_options.password).toUtf8().toBase64();
    case CamsimOptions::Auth::Digest:
        return m_digest.verify(request.method, request.target, authorization);
    }
    return false;
}

void CameraServer::send(QTcpSocket *socket, const Request &request, const Response &response)
{
    const bool close = request.headers.value("connection").toLower() == "close";
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status)
                      + "\r\nServer: camsim\r\nCache-Control: no-store\r\nContent-Type: " + response.contentType
                      + "\r\nContent-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    if (!response.authenticate.isEmpty())
        head += "WWW-Authenticate: " + response.authenticate + "\r\n";
    head += close ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n";
    socket->write(head);
    if (request.method != "HEAD")
        socket->write(response.body);
    emit logLine(QStringLiteral("%1 %2 -> %3 (%4 bytes)")
                     .arg(QString::fromLatin1(request.method), QString::fromLatin1(request.target))
                     .arg(response.status)
                     .arg(response.body.size()));
    if (close)
        socket->disconnectFromHost();
    else
        serveNext(socket); // a request that arrived while this one was held back
}

QByteArray CameraServer::picture(int number) const
{
    QImage image(480, 270, QImage::Format_RGB32);
    image.fill(QColor(40, 48, 56));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QColor(90, 110, 130));
        for (int x = 0; x < image.width(); x += 40)
            painter.drawLine(x, 0, x, image.height());
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setPixelSize(34);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRect(16, 20, 448, 60), Qt::AlignLeft | Qt::AlignVCenter, m_options.name);
        font.setPixelSize(24);
        font.setBold(false);
        painter.setFont(font);
        painter.drawText(QRect(16, 110, 448, 40), Qt::AlignLeft | Qt::AlignVCenter,
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd hh:mm:ss.zzz")));
        painter.drawText(QRect(16, 170, 448, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("#%1").arg(number));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 80);
    return bytes;
}
