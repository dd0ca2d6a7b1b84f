// With a million finished transports: how long a search of about 100,000 rows takes to its first screenful and
// totals, a quick search over every row, the stock report, and the fill of each filter list of the search window.
// Run by hand: bench_records [ROWS] [DATAPATH [stock]] (default 1000000 rows in a SQLite file of a temporary folder).
// DATAPATH may name a PostgreSQL database (postgresql://…): an empty one gets the tables and the tickets, one that
// already holds tickets is measured as it is. Prints medians over repeated runs, and the stock report's SQL so that
// it can be timed in the engine's own client.

#include "BenchTickets.h"
#include "Database.h"
#include "Listatoltes.h"
#include "Schema.h"
#include "Sql.h"
#include "StockQuery.h"
#include "TransportList.h"
#include "TransportSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kRuns = 7;
// The rows a list shows before it is scrolled.
constexpr int kScreenful = 40;

double medianMs(const std::function<void()> &run)
{
    QList<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer clock;
        clock.start();
        run();
        times.append(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

// A search as the window runs it: the statement, the serials and totals of the lazy list, its first screenful of
// rows.
qint64 search(const QSqlDatabase &db, const TransportSearch::Filter &filter)
{
    const auto built = TransportSearch::build(db, filter);
    const auto &statement = std::get<TransportSearch::Statement>(built);
    TransportList list = TransportList::load(db, statement);
    for (qint64 i = 0; i < std::min<qint64>(kScreenful, list.size()); ++i)
        list.row(db, i);
    return list.totals().rows;
}

// The stock report with each filter of its window, alone and all together; the carrier and customer chosen are the
// busiest ones.
void stockReports(const QSqlDatabase &db)
{
    const QString carrier = Sql::value(db, QStringLiteral("SELECT cegnev FROM szallitasok GROUP BY cegnev ORDER BY "
                                                          "COUNT(*) DESC LIMIT 1"))
                                .toString();
    const QString customer = Sql::value(db, QStringLiteral("SELECT ugyfelnev FROM szallitasok GROUP BY ugyfelnev "
                                                           "ORDER BY COUNT(*) DESC LIMIT 1"))
                                 .toString();
    const QDate last = QDate::fromString(Sql::value(db, QStringLiteral("SELECT MAX(bedatum) FROM szallitasok"))
                                             .toString()
                                             .left(10),
                                         Qt::ISODate);
    const auto period = [](StockQuery::Filter f, const QDate &from, const QDate &to) {
        f.datumkozt = true;
        f.d1 = from;
        f.d2 = to;
        return f;
    };
    StockQuery::Filter stock;
    StockQuery::Filter product = stock;
    product.termeknev = {Sql::value(db, QStringLiteral("SELECT termeknev FROM szallitasok LIMIT 1")).toString(), 1};
    StockQuery::Filter warehouse3 = stock;
    warehouse3.raktar = {QStringLiteral("Raktár 3"), 3};
    StockQuery::Filter outbound = stock;
    outbound.irany = StockQuery::Direction::Outbound;
    StockQuery::Filter byCarrier = stock;
    byCarrier.cegnev = {carrier, 1};
    StockQuery::Filter byCustomer = stock;
    byCustomer.ugyfel = {customer, 1};
    StockQuery::Filter everything = period(product, last.addDays(-500), last.addDays(-20));
    everything.raktar = warehouse3.raktar;
    everything.irany = StockQuery::Direction::Inbound;
    const std::pair<const char *, StockQuery::Filter> stockFilters[] = {
        {"no filter", stock},
        {"one product", product},
        {"one warehouse", warehouse3},
        {"outbound", outbound},
        {"the last year", period(stock, last.addYears(-1).addDays(1), last)},
        {"45 days over two months' ends", period(stock, last.addDays(-75), last.addDays(-30))},
        {"the busiest carrier", byCarrier},
        {"the busiest customer", byCustomer},
        {"busiest carrier, last 3 years", period(byCarrier, last.addYears(-3), last)},
        {"product, warehouse, inbound, 480 days", everything},
    };
    for (const auto &[name, filter] : stockFilters) {
        qsizetype products = 0;
        const double ms = medianMs([&] { products = StockQuery::run(db, filter).size(); });
        std::printf("stock report, %s (%lld products): median %.0f ms\n", name, qint64(products), ms);
    }
    std::printf("  its SQL without a filter: %s\n", qPrintable(StockQuery::statement(db, stock).sql));
    std::printf("  the same figures from every ticket: %s\n", qPrintable(StockQuery::ticketStatement(db, stock).sql));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTemporaryDir dir;
    const QString datapath = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath(QStringLiteral("kelvo.mdb"));
    const bool fresh = Schema::createDatabase(datapath).isEmpty();
    Database database(datapath);
    if (const QString error = database.open(); !error.isEmpty()) {
        std::fprintf(stderr, "bench_records: %s\n", qPrintable(error));
        return 1;
    }
    {
        // What every start does: an older database gets the objects added since, the quick search's text among them.
        QElapsedTimer clock;
        clock.start();
        if (const QString error = database.openTables(); !error.isEmpty()) {
            std::fprintf(stderr, "bench_records: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("tables opened (older database brought up to date) in %.1f s\n", clock.elapsed() / 1000.0);
    }
    const QSqlDatabase db = database.db();
    if (fresh) {
        QElapsedTimer clock;
        clock.start();
        fillTickets(db, rows);
        std::printf("database with %lld finished transports made in %.1f s\n", rows, clock.elapsed() / 1000.0);
    }

    // A third argument "stock" measures the stock report alone.
    if (argc > 3 && QByteArray(argv[3]) == "stock") {
        stockReports(db);
        return 0;
    }
    TransportSearch::Filter warehouse;
    warehouse.ignoreDates = true;
    warehouse.setText(QStringLiteral("raktar"), QStringLiteral("Raktár 3"));
    qint64 found = 0;
    const double searchMs = medianMs([&] { found = search(db, warehouse); });
    std::printf("search, one warehouse (%lld rows): first screenful and totals, median %.0f ms\n", found, searchMs);
    // The window opens on the last 30 days (minusznapok); here the 30 days up to the last ticket.
    TransportSearch::Filter month;
    const QString lastOut = Sql::value(db, QStringLiteral("SELECT MAX(kidatum) FROM szallitasok")).toString();
    month.to = QDate::fromString(lastOut.left(10), Qt::ISODate);
    month.from = month.to.addDays(-30);
    const double monthMs = medianMs([&] { found = search(db, month); });
    std::printf("search, the last 30 days (%lld rows): first screenful and totals, median %.0f ms\n", found, monthMs);
    // The searches an office makes, in periods wholly inside the generated data: they end at the ticket 2% of the
    // serials before the last one (later tickets may be a benchmark's own, all of one day).
    const QDate end = QDate::fromString(
        Sql::value(db, QStringLiteral("SELECT bedatum FROM szallitasok ORDER BY sorszam DESC LIMIT 1 OFFSET %1")
                           .arg(Sql::value(db, QStringLiteral("SELECT COUNT(*) FROM szallitasok")).toLongLong() / 50))
            .toString()
            .left(10),
        Qt::ISODate);
    const QString busiest = Sql::value(db, QStringLiteral("SELECT cegnev FROM szallitasok GROUP BY cegnev ORDER BY "
                                                          "COUNT(*) DESC LIMIT 1"))
                                .toString();
    const auto dated = [&](TransportSearch::Filter f, int days) {
        f.ignoreDates = false;
        f.to = end;
        f.from = end.addDays(-days + 1);
        return f;
    };
    TransportSearch::Filter carrier;
    carrier.setText(QStringLiteral("cegnev"), busiest);
    TransportSearch::Filter onePlate;
    onePlate.setText(QStringLiteral("rendszam"),
                  Sql::value(db, QStringLiteral("SELECT rendszam FROM szallitasok ORDER BY sorszam LIMIT 1")).toString());
    const std::pair<const char *, TransportSearch::Filter> officeSearches[] = {
        {"a month", dated({}, 30)},
        {"a month, descending net weight", [&] {
             TransportSearch::Filter f = dated({}, 30);
             f.sort = {6, false}; // Nettó súly
             return f;
         }()},
        {"one warehouse, a year", dated(warehouse, 365)},
        {"the busiest carrier, a year", dated(carrier, 365)},
        {"one plate, a year", dated(onePlate, 365)},
    };
    for (const auto &[name, filter] : officeSearches) {
        const double ms = medianMs([&] { found = search(db, filter); });
        std::printf("search, %s (%lld rows): first screenful and totals, median %.0f ms\n", name, found, ms);
    }

    // A plate the tickets hold, a text no row holds, texts too short for a trigram index (one that matches no
    // row, one that matches many), and texts that match over a hundred thousand tickets of the generator's data
    // (a plate's part too short for a trigram, a year).
    const QString plate = Sql::value(db, QStringLiteral("SELECT rendszam FROM szallitasok ORDER BY sorszam LIMIT 1"))
                              .toString();
    for (const QString &text : {plate, QStringLiteral("nincs ilyen"), QStringLiteral("QZ"), QStringLiteral("P7"),
                                QStringLiteral("-9"), QStringLiteral("2017")}) {
        TransportSearch::Filter quick;
        quick.quick = text;
        const double quickMs = medianMs([&] { found = search(db, quick); });
        std::printf("quick search \"%s\" over every row (%lld matches): median %.0f ms\n", qPrintable(text), found,
                    quickMs);
    }

    // A typed text that is no entry of its list filters nothing, but must be looked up.
    TransportSearch::Filter unknownUser = warehouse;
    unknownUser.setText(QStringLiteral("felhasznalo"), QStringLiteral("Nincs Ilyen"));
    const double unknownMs = medianMs([&] { found = search(db, unknownUser); });
    std::printf("the same search with a user who is no entry (%lld rows): median %.0f ms\n", found, unknownMs);
    stockReports(db);

    double slowest = 0;
    const char *slowestColumn = "";
    for (const TransportSearch::ListFilter &list : TransportSearch::listFilters()) {
        const double ms = medianMs([&] {
            distinctColumnValues(db, QStringLiteral("szallitasok"), QLatin1String(list.column));
        });
        std::printf("  filter list %s: median %.1f ms\n", list.column, ms);
        if (ms > slowest) {
            slowest = ms;
            slowestColumn = list.column;
        }
    }
    std::printf("search window filter lists: slowest %s, median %.0f ms\n", slowestColumn, slowest);
    return 0;
}
