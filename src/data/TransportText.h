#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

// The text form of a finished transport's fields as SQL, and the search text the quick search matches: kept here,
// below the records, because the schema's triggers keep that text current with the same expressions.
namespace TransportText {

enum class Kind { Integer, Number, Text, DateTime, Bool };

struct Column {
    const char *name;
    Kind kind;
};

// The fields of a finished transport in table order (the database's own id is not part of the record).
const QList<Column> &columns();

// The text form of a column of szallitasok as an SQL expression, never NULL. row qualifies the column (a trigger's
// "NEW"); empty: the bare column.
QString sqlText(const QSqlDatabase &db, const Column &column, const QString &row = {});

// Every field's text form joined in field order without separators, only a to z upper-cased.
QString searchText(const QSqlDatabase &db, const QString &row = {});
// A typed text upper-cased the same way.
QString upperAscii(QString text);

} // namespace TransportText
