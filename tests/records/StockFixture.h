#pragma once

#include "../support/TestDatabase.h"

// Finished transports for the stock report: wheat in and out (a deficit), corn in at midnight and a cancelled corn
// ticket, barley in and out to exactly zero, and a ticket without a product name.
namespace StockFixture {

inline bool fill(const QString &datapath)
{
    return TestDatabase::exec(
        datapath,
        QStringLiteral(
            "INSERT INTO szallitasok (sorszam, termeknev, raktar, cegnev, ugyfelnev, irany, bedatum, elszamolt, "
            "ervenyes) VALUES "
            "(1, 'wheat', 'R1', 'Alfa', 'Kappa', 0, '2026-03-01 10:00:00', 10000, TRUE),"
            "(2, 'wheat', 'R1', 'Beta', 'Lambda', 1, '2026-03-02 11:00:00', -12500, TRUE),"
            "(3, 'corn', 'R2', 'Alfa', 'Kappa', 0, '2026-03-03 00:00:00', 3000, TRUE),"
            "(4, 'corn', 'R2', 'Alfa', 'Kappa', 0, '2026-03-03 09:00:00', 999999, FALSE),"
            "(5, 'barley', 'R1', 'Beta', 'Lambda', 0, '2026-02-28 23:59:59', 500, TRUE),"
            "(6, 'barley', 'R1', 'Beta', 'Lambda', 1, '2026-03-04 08:00:00', -500, TRUE),"
            "(7, '', 'R1', 'Beta', 'Kappa', 0, '2026-03-05 12:00:00', 100, TRUE)"));
}

} // namespace StockFixture
