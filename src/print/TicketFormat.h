#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <utility>

struct Transport;

// The number and date patterns of the weigh ticket.
namespace TicketFormat {

// "### ##0": whole number, groups of three digits separated by a space ("12 340", "-1 250", "0").
QString weight(qint64 value);
// "### ### ### ##0.00": two decimals with the decimal comma, groups of three ("1 337 700,00", "98,50").
QString decimal(double value);
// "00000", optionally behind the year and "/" ("00007", "123456", "2024/00017").
QString serial(qint64 sorszam, bool withYear, const QDate &printDate);
// "YYYY.MM.DD hh:mm"; empty for a missing date.
QString dateTime(const QDateTime &value);
// Makes a value safe to put into an HTML page: markup characters become character references.
QString htmlEscape(const QString &text);


// The placeholders every ticket path offers for the marks of a transport: "%jel1%", "%jel2%" (the weighings'
// marks), "%bruttojel%", "%tarajel%" (the marks of the weighings that gave the gross and the tare weight) and
// "%masolat%" ("MÁSOLAT" on every print after the first). Values are plain text.
QList<std::pair<QString, QString>> marks(const Transport &transport);

} // namespace TicketFormat
