#include "Listatoltes.h"

#include "Seged.h"
#include "Sql.h"

#include <QCollator>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

QStringList distinctColumnValues(const QSqlDatabase &db, const QString &table, const QString &field)
{
    // One index seek per distinct value instead of a walk over every row: each step jumps to the first entry
    // above the previous value in the column's own (case-insensitive) collation. Among entries that compare equal
    // the one of the lowest rowid is taken, so the form met first wins; ordering by it keeps that true for the
    // case variants the database does not fold (accented capitals), which the Hungarian collator folds below.
    // Needs an index on the column; without one each step reads the whole table.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString sql =
        QStringLiteral("WITH RECURSIVE d (v, r) AS ("
                       " SELECT * FROM (SELECT %2, rowid FROM %1 WHERE %2 > '' ORDER BY %2, rowid LIMIT 1) f"
                       " UNION ALL"
                       " SELECT t.%2, t.rowid FROM d JOIN %1 t ON t.rowid ="
                       " (SELECT rowid FROM %1 WHERE %2 > d.v ORDER BY %2, rowid LIMIT 1))"
                       " SELECT v FROM d ORDER BY r")
            .arg(table, field);
    QStringList values;
    if (!query.exec(sql))
        throw DatabaseError(query.lastError().text());
    while (query.next())
        values.append(ertekszoveg(query.value(0)));

    QCollator collator(QLocale(QLocale::Hungarian, QLocale::Hungary));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(values.begin(), values.end(),
                     [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    values.erase(std::unique(values.begin(), values.end(),
                             [&](const QString &a, const QString &b) { return collator.compare(a, b) == 0; }),
                 values.end());
    return values;
}
