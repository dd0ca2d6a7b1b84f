#pragma once

#include "RowStream.h"
#include "TransportText.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <optional>

// How the records show and write the values of a finished transport: the text form of each column type, the list's
// display formats and the status-panel texts.
namespace RecordTexts {

using TransportText::Column;
using TransportText::Kind;

// The fields of a finished transport in table order (the database's own id is not part of the record).
const QList<Column> &transportColumns();
// "sorszam, rendszam, ...": the field list for a SELECT.
QString transportColumnList();
// The kind of a column of szallitasok by its name (once for a whole result); nothing for another name.
std::optional<Kind> transportKind(QStringView column);
// The kind of a value of any other column, by what the value holds.
Kind kindOf(const RowStream::Cell &value);

// The text form of a value: empty for NULL, numbers with the decimal comma, booleans True or False, date-times as
// yyyy.MM.dd and the time of day unless it is midnight. A date-time may come as the stored text.
QString text(Kind kind, const QVariant &value);
// The same appended to out as UTF-8, for a value straight from the engine.
void appendText(QByteArray &out, Kind kind, const RowStream::Cell &value);
// The same as an SQL expression over a column of szallitasok, never NULL.
QString sqlText(const QSqlDatabase &db, const Column &column);

// "### ### ### ##0": whole number with a space between groups of three digits.
QString grouped(qint64 value);
// The serial number as the list shows it: "00042".
QString serial(qint64 value);
// kidatum as the list shows it: "yyyy.MM.dd hh:mm".
QString listDateTime(const QVariant &stored);
void appendListDateTime(QByteArray &out, const RowStream::Cell &stored);

} // namespace RecordTexts
