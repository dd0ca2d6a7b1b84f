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
    // The database folds duplicates in the column's own (case-insensitive) collation, walking the column's
    // index; with MIN(rowid) SQLite takes the other columns from the first row of each group, so the form met
    // first wins. Case variants the database does not fold (accented capitals) are folded below with the
    // Hungarian collator.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT %2, MIN(rowid) AS r FROM %1 "
                                       "WHERE %2 IS NOT NULL AND %2 <> '' GROUP BY %2 ORDER BY r")
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
