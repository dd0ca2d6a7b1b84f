#pragma once

#include "TicketGenerator.h"

#include <QtGlobal>

// The finished transports the benchmarks measure against: ROWS tickets over the years before, a few hundred a day
// (TicketGenerator, seed 1), so that a dated search or report pays for its period as it would at a site.
inline void fillTickets(const QSqlDatabase &db, qint64 rows)
{
    TicketGenerator::Options options;
    options.rows = rows;
    if (const QString error = TicketGenerator::fill(db, options); !error.isEmpty())
        qFatal("filling the tickets failed: %s", qPrintable(error));
}
