#pragma once

#include "Sql.h"

#include <QSqlError>
#include <QSqlQuery>

// The finished transports the benchmarks measure against: ROWS tickets dated 2026-01-01, spread over a few hundred
// carriers, customers and products, a dozen warehouses and some thousands of file references.
inline void fillTickets(const QSqlDatabase &db, qint64 rows)
{
    Transaction t(db);
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "INSERT INTO szallitasok (sorszam, rendszam, cegnev, ugyfelnev, termeknev, irany, suly1, suly2, bedatum, "
        "kidatum, nettosuly, elszamolt, megjegyzes, ugyirat, raktar, tablanev, parcella, tablasorszam, ervenyes) "
        "VALUES (?, ?, ?, ?, ?, 0, 24360, 11220, '2026-01-01 08:00:00', '2026-01-01 09:00:00', 13140, 12298, ?, ?, "
        "?, ?, ?, ?, TRUE)"));
    for (qint64 i = 1; i <= rows; ++i) {
        q.addBindValue(i);
        q.addBindValue(QStringLiteral("ABC-%1").arg(i % 5000));
        q.addBindValue(QStringLiteral("Szállító %1 Kft.").arg(i % 300));
        q.addBindValue(QStringLiteral("Ügyfél %1 Zrt.").arg(i % 400));
        q.addBindValue(QStringLiteral("Termék %1").arg(i % 60));
        q.addBindValue(QStringLiteral("megjegyzés %1").arg(i % 700));
        q.addBindValue(QStringLiteral("UGY-%1").arg(i % 2000));
        q.addBindValue(QStringLiteral("Raktár %1").arg(i % 12));
        q.addBindValue(QStringLiteral("Tábla %1").arg(i % 150));
        q.addBindValue(QStringLiteral("P%1").arg(i % 500));
        q.addBindValue(QString::number(i % 90));
        if (!q.exec())
            qFatal("insert failed: %s", qPrintable(q.lastError().text()));
    }
    t.commit();
}
