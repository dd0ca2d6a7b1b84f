#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <utility>

// The rows of one of the master data editor's tables, read and written as the editor does it: every value checked
// (MasterTable::check) and written with what it changes along (MasterTable::companion), finished transports never
// inserted or deleted, and an edit of a finished transport or the deletion of a transport in progress put into the
// trail in the write's own transaction. The functions throw DatabaseError, with the refusal's message for a value or
// an operation turned down; nothing is written then.
namespace MasterRows {

// One row's values in the order of its table's columns.
using Values = QVariantList;
// Column names and typed values.
using Fields = QList<std::pair<QString, QVariant>>;

// The table's columns and its rows' ids in id order: all that is read at once, however long the table is.
struct Listing {
    QStringList columns;
    QList<qint64> ids;
};
// progress(done, total) is told now and then; false stops the read (the listing is then incomplete and unused).
Listing list(const QSqlDatabase &db, const QString &table,
             const std::function<bool(qint64 done, qint64 total)> &progress = {});

// The rows whose ids are from first to last, by id (a row deleted meanwhile is missing).
QHash<qint64, Values> rows(const QSqlDatabase &db, const QString &table, const QStringList &columns, qint64 first,
                           qint64 last);

// Writes the typed value into column of the row id; gives the row as stored afterwards (empty when the row is gone).
Values update(const QSqlDatabase &db, const QString &table, const QStringList &columns, qint64 id,
              const QString &column, const QVariant &typed, const QDateTime &now = QDateTime::currentDateTime());

// Inserts a row of the typed fields (the others take their defaults); gives its id and the row as stored.
std::pair<qint64, Values> insert(const QSqlDatabase &db, const QString &table, const QStringList &columns,
                                 const Fields &typed, const QDateTime &now = QDateTime::currentDateTime());

// Deletes the row id.
void remove(const QSqlDatabase &db, const QString &table, qint64 id);

} // namespace MasterRows
