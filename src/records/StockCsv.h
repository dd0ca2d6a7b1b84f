#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The program's CSV files, as a spreadsheet program opens them: a header of quoted column names, ";" between
// fields, CR LF line ends, UTF-8 with a byte-order mark. Fields are the values' text forms (decimal comma); one that
// holds ";", a double quote, CR or LF is quoted with its quotes doubled, every other one is written as it is.
namespace StockCsv {

QByteArray bytes(const QStringList &header, const QList<QStringList> &rows);

// Writes the bytes to path through a temporary file that replaces the old one only when everything was written,
// so a failure leaves the old file as it was. Returns the system's text of a failure, empty on success.
QString write(const QString &path, const QByteArray &bytes);

} // namespace StockCsv
