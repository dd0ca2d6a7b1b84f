#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class QComboBox;

// The distinct non-empty values of one column, in Hungarian order; values that differ only in case appear once,
// in the form met first. One query, reading one index entry per distinct value: the (text) column needs an index.
QStringList distinctColumnValues(const QSqlDatabase &db, const QString &table, const QString &field);

// Fills a drop-down list with distinctColumnValues; the text in the box's edit field stays as it was.
void listatoltes(QComboBox *box, const QSqlDatabase &db, const QString &table, const QString &field);
