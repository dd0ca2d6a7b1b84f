#include "Listatoltes.h"

#include "Dialect.h"
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
    // above the previous value. Among entries that compare equal the one of the lowest id is taken, so the form
    // met first wins; ordering by it keeps that true for the case variants the database does not fold (SQLite:
    // accented capitals; a server: every variant), which the Hungarian collator folds below.
    // Needs the table's id column and the column's list index (Schema); without it each step reads the whole table.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // The column is walked in the form its list index has (Dialect::listValue).
    const QString sql =
        QStringLiteral("WITH RECURSIVE d (v, r) AS ("
                       " SELECT * FROM (SELECT %2, id FROM %1 WHERE %2 > '' ORDER BY %2, id LIMIT 1) f"
                       " UNION ALL"
                       " SELECT %3, t.id FROM d JOIN %1 t ON t.id ="
                       " (SELECT id FROM %1 WHERE %2 > d.v ORDER BY %2, id LIMIT 1))"
                       " SELECT v FROM d ORDER BY r")
            .arg(table, Dialect::listValue(db, field), Dialect::listValue(db, QStringLiteral("t.") + field));
    QStringList values;
    if (!query.exec(sql))
        throw DatabaseError(query.lastError().text());
    while (query.next())
        values.append(ertekszoveg(query.value(0)));
    Sql::checkRead(query, db);

    QCollator collator(QLocale(QLocale::Hungarian, QLocale::Hungary));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(values.begin(), values.end(),
                     [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    values.erase(std::unique(values.begin(), values.end(),
                             [&](const QString &a, const QString &b) { return collator.compare(a, b) == 0; }),
                 values.end());
    return values;
}
