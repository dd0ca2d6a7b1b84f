#include "Listatoltes.h"

#include "Dialect.h"
#include "Schema.h"
#include "Seged.h"
#include "Sql.h"

#include <QCollator>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// The skip scan over the column's list index (see distinctColumnValues): each value in the form of the lowest id
// among the entries that compare equal, in the order of those ids.
QString skipScan(const QSqlDatabase &db, const QString &table, const QString &field)
{
    // One index seek per distinct value instead of a walk over every row: each step jumps to the first entry
    // above the previous value. Among entries that compare equal the one of the lowest id is taken, so the form
    // met first wins; ordering by it keeps that true for the case variants the database does not fold (SQLite:
    // accented capitals; a server: every variant), which the Hungarian collator folds below.
    // Needs the table's id column and the column's list index (Schema); without it each step reads the whole table.
    // The column is walked in the form its list index has (Dialect::listValue).
    return QStringLiteral("WITH RECURSIVE d (v, r) AS ("
                          " SELECT * FROM (SELECT %2, id FROM %1 WHERE %2 > '' ORDER BY %2, id LIMIT 1) f"
                          " UNION ALL"
                          " SELECT %3, t.id FROM d JOIN %1 t ON t.id ="
                          " (SELECT id FROM %1 WHERE %2 > d.v ORDER BY %2, id LIMIT 1))"
                          " SELECT v FROM d ORDER BY r")
        .arg(table, Dialect::listValue(db, field), Dialect::listValue(db, QStringLiteral("t.") + field));
}

} // namespace

QStringList distinctColumnValues(const QSqlDatabase &db, const QString &table, const QString &field)
{
    // The columns the tickets' value table keeps are read from it: every spelling with its first ticket, in the
    // order of those, which the collator below folds to the same list as the skip scan gives. A database not yet
    // brought up to date (kelvoctl does not) has no such table.
    const QString valueTable = QLatin1String(Schema::kListValueTable);
    const bool kept = table == QLatin1String("szallitasok") && Schema::listValueColumns().contains(field)
                      && db.tables().contains(valueTable, Qt::CaseInsensitive);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString sql = kept ? QStringLiteral("SELECT ertek FROM %1 WHERE oszlop = '%2' ORDER BY elso").arg(valueTable, field)
                             : skipScan(db, table, field);
    QStringList values;
    if (!query.exec(sql))
        throw DatabaseError(query.lastError().text());
    while (query.next())
        values.append(ertekszoveg(query.value(0)));
    Sql::checkRead(query, db);

    // Sorted by the collator's sort keys, made once per value: a list of thousands would otherwise spend most of
    // its time comparing through the collator.
    QCollator collator(QLocale(QLocale::Hungarian, QLocale::Hungary));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(values.size());
    for (const QString &v : std::as_const(values))
        keys.push_back(collator.sortKey(v));
    std::vector<qsizetype> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return keys[a].compare(keys[b]) < 0; });
    order.erase(std::unique(order.begin(), order.end(),
                            [&](qsizetype a, qsizetype b) { return keys[a].compare(keys[b]) == 0; }),
                order.end());
    QStringList sorted;
    sorted.reserve(qsizetype(order.size()));
    for (const qsizetype i : order)
        sorted.append(values.at(i));
    return sorted;
}
