#pragma once

#include "RecordTexts.h"
#include "Refusal.h"
#include "RowStream.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <utility>

// The tables the master data editor shows, and what it lets the user store in them.
namespace MasterTable {

struct Entry {
    QString caption;
    QString table;
};

// The six tables in the order of the editor's table choice.
const QList<Entry> &tables();
// The table at index of that choice; empty outside it.
QString tableAt(int index);

// How the windows name a column of one of the six tables (the column's own name for one they do not know).
QString caption(const QString &table, const QString &column);

// The kind of a column of one of the six tables (Text for a name it does not know).
RecordTexts::Kind kindOf(const QString &table, const QString &column);

// The value to store for the typed value of column: numbers with a decimal comma or point, yes/no as
// True/False/1/0, date-times as yyyy.MM.dd hh:mm[:ss] or as stored. SQLite would keep text in a number column, so
// every value is checked here. The id column is the database's own and is never changed.
struct Checked {
    QVariant value;
    std::optional<Refusal> refusal;
};
// A refusal names the field as an import file does (its column) or as the editor's grid does (its caption).
enum class FieldNames { Columns, Captions };
Checked check(const QString &table, const QString &column, const QVariant &typed,
              FieldNames names = FieldNames::Columns);

// What editing column by hand changes with it: a weighing's weight becomes keyed in (its mark "K"), a stored tare
// is dated now. Nothing for any other column.
std::optional<std::pair<QString, QVariant>> companion(const QString &table, const QString &column,
                                                      const QDateTime &now);

// Finished transports are edited only: inserting one would skip the serial counter and deleting one would free a
// printed serial for a later ticket; cancellation is the way to void a ticket.
bool canInsertOrDelete(const QString &table);
// The refusal of an insert or delete in table, empty when it is allowed.
std::optional<Refusal> refuseInsertOrDelete(const QString &table);

// The tables an export writes: the six, each in the order the program keeps it.
QStringList exportTables();
// Every field of table but the database's own id, in that order; ready to read. Throws DatabaseError.
RowStream exportRows(const QSqlDatabase &db, const QString &table);

} // namespace MasterTable
