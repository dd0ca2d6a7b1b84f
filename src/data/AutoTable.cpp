#include "AutoTable.h"

#include "Formats.h"
#include "Sql.h"

namespace AutoTable {

void append(const QSqlDatabase &db, const QDateTime &datumido, qint64 suly)
{
    Sql::run(db, QStringLiteral("INSERT INTO auto (datumido, suly) VALUES (:d, :s)"),
             {{":d", Formats::dbDateTime(datumido)}, {":s", suly}});
}

qint64 append(const QSqlDatabase &db, const QDateTime &datumido, qint64 suly, const Pictures::Shots &shots)
{
    Transaction transaction(db);
    QSqlQuery q = Sql::run(db, QStringLiteral("INSERT INTO auto (datumido, suly) VALUES (:d, :s) RETURNING sorszam"),
                           {{":d", Formats::dbDateTime(datumido)}, {":s", suly}});
    if (!q.next())
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    const qint64 serial = q.value(0).toLongLong();
    q.finish();
    Pictures::storeAuto(db, serial, shots);
    transaction.commit();
    return serial;
}

QList<Row> list(const QSqlDatabase &db, const QDate &from, const QDate &to)
{
    // Stored as sortable text, so the range compares as text; the last second of the last day is inside it.
    QSqlQuery q = Sql::run(db,
                           QStringLiteral("SELECT sorszam, datumido, suly FROM auto WHERE datumido >= :d1 AND "
                                          "datumido <= :d2 ORDER BY sorszam"),
                           {{":d1", Formats::dbDateTime(from.startOfDay())},
                            {":d2", Formats::dbDateTime(QDateTime(to, QTime(23, 59, 59)))}});
    QList<Row> rows;
    while (q.next())
        rows.append({q.value(0).toLongLong(), Formats::parseDbDateTime(q.value(1).toString()), q.value(2).toLongLong()});
    if (q.lastError().isValid())
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    return rows;
}

QStringList columnNames()
{
    return {QStringLiteral("datumido"), QStringLiteral("suly")};
}

QStringList texts(const Row &row)
{
    return {Formats::dateTime(row.datumido), QString::number(row.suly)};
}

} // namespace AutoTable
