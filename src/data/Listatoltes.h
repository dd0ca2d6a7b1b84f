#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The distinct non-empty values of one column, in Hungarian order; values that differ only in case appear once,
// in the form met first. One query, reading one index entry per distinct value: the (text) column needs an index,
// the table its id column.
// A failed query throws DatabaseError with the database's text. (Filling a drop-down list from it is listatoltes,
// in the window helpers.)
QStringList distinctColumnValues(const QSqlDatabase &db, const QString &table, const QString &field);
