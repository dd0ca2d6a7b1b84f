#pragma once

#include "Schema.h"
#include "Sql.h"

#include <QMap>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

// The lists' value table as "column|value|count|first id" lines in one order, and the same counted again from the
// tickets in C++ (exact spelling, empty texts left out), for tests to compare.
namespace ListValues {

inline QStringList stored(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT oszlop, ertek, darab, elso FROM %1").arg(QLatin1String(Schema::kListValueTable))))
        return {QStringLiteral("unreadable")};
    QStringList lines;
    while (q.next())
        lines.append(QStringLiteral("%1|%2|%3|%4").arg(q.value(0).toString(), q.value(1).toString(),
                                                        q.value(2).toString(), q.value(3).toString()));
    lines.sort();
    return lines;
}

inline QStringList recounted(const QSqlDatabase &db)
{
    QStringList lines;
    for (const QString &column : Schema::listValueColumns()) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT id, %1 FROM szallitasok ORDER BY id").arg(column));
        QMap<QString, std::pair<qint64, qint64>> values; // value: count, first id
        while (q.next()) {
            const QString value = q.value(1).toString();
            if (value.isEmpty())
                continue;
            auto &entry = values[value];
            if (entry.first++ == 0)
                entry.second = q.value(0).toLongLong();
        }
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            lines.append(QStringLiteral("%1|%2|%3|%4").arg(column, it.key()).arg(it->first).arg(it->second));
    }
    lines.sort();
    return lines;
}

} // namespace ListValues
