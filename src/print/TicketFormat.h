#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

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

} // namespace TicketFormat
