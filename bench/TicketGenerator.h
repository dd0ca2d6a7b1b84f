#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>

// Finished transports for the benchmarks and for trying the program on a large database: years of tickets, a few
// hundred a day, on a few thousand vehicles of a few hundred carriers, for a few hundred customers, with the share
// of cancelled, modified and keyed-in tickets, remarks and file references a working site has. The same options and
// seed always give the same rows.
namespace TicketGenerator {

struct Options {
    qint64 rows = 1000000;
    quint64 seed = 1;
    int perDay = 288;               // tickets a day on average
    QDate firstDay{2016, 1, 4};     // the day of the first ticket
    int plates = 3000;
    int carriers = 300;
    int customers = 400;
    int products = 200;
    int warehouses = 12;
};

// Adds the tickets after those already in the database, with the master tables they name (vehicles, products,
// customers, warehouses). The serial counter continues after the last ticket and the quick search's text table is
// rebuilt, so the program works on the result at once. Returns the error text, empty on success.
QString fill(const QSqlDatabase &db, const Options &options);

} // namespace TicketGenerator
