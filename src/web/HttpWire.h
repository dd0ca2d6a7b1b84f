#pragma once

#include <QByteArray>

class QTcpSocket;
struct WebResponse;

// What the office service writes on a connection, and the guard that reads along with the HTTP server.
namespace HttpWire {

// The status line and the headers, the security headers every answer carries among them; the body follows them
// unchanged.
QByteArray head(const WebResponse &response, bool secure, bool close);

// The answer as sent: its head and its body.
QByteArray serialize(const WebResponse &response, bool secure, bool close);

// Refuses on socket (413, then closed), before the HTTP server buffers it, a request head over WebServer::kMaxHead or
// a body over WebServer::kMaxBody; lives as long as the socket.
void guard(QTcpSocket *socket);

} // namespace HttpWire
