#pragma once

#include <QByteArray>
#include <QString>

struct Transport;

// The ticket data file out.txt that other software picks up: "[merlegjegy]", then "field=value" for every field
// of the transports table in the table's order.
namespace TicketData {

// The file's bytes: UTF-8, CR LF line ends; numbers with the decimal comma, yes/no as "True"/"False",
// date-times as "yyyy.mm.dd hh:mm:ss", empty text for a missing value. Line breaks inside a value become spaces
// so that every field stays on its own line.
QByteArray text(const Transport &transport);

} // namespace TicketData

// Writes out.txt for the transport. Returns the message to show, empty on success.
QString WriteTicketData(const QString &filePath, const Transport &transport);
