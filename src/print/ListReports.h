#pragma once

#include "PagedDocument.h"
#include "StockQuery.h"
#include "TransportSearch.h"

#include <QDate>
#include <QSqlDatabase>
#include <QStringList>

#include <memory>

// The three printed lists: transports, stock and automatic weighings, laid out as pages ready to preview, print or
// save. Each is built from the rows the records core gives, so the windows and kelvoctl print the same report.
namespace ListReports {

// What every list prints in its title: the own-company lines and the day it was printed.
struct Heading {
    QStringList company;
    QDate printed; // invalid: today
};

// The transports the statement selects, in its order. direction is the search's direction as the window shows it
// ("<mindegy>", "Beszállítás", "Kiszállítás"). Throws DatabaseError.
std::unique_ptr<PagedDocument> transports(const QSqlDatabase &db, const TransportSearch::Statement &statement,
                                          const QString &direction, const Heading &heading);

// The stock per product, as the stock query gave it.
std::unique_ptr<PagedDocument> stock(const QList<StockQuery::Row> &rows, const Heading &heading);

// The automatic weighings from the first day to the end of the last, in the order they were stored. Throws
// DatabaseError.
std::unique_ptr<PagedDocument> automatic(const QSqlDatabase &db, const QDate &from, const QDate &to,
                                         const Heading &heading);

// The direction box's text for a search direction.
QString directionText(TransportSearch::Direction direction);

} // namespace ListReports
