#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The stock report's totals kept beside the tickets, so that the report reads a few thousand rows rather than every
// ticket: per year and per month of the first weighing, product, warehouse and direction, the settled weight and the
// number of tickets that count when no carrier or customer is chosen (valid, neither name "$"). Triggers on
// szallitasok keep them in the transaction that writes the ticket.
namespace StockTotals {

inline constexpr char kTable[] = "keszletosszeg";
// hossz: how many leading characters of bedatum the row's idoszak holds.
inline constexpr int kYear = 4;
inline constexpr int kMonth = 7;

// The table, its key, the triggers and the fill of a table just made from the tickets already there, and on a
// server the indexes a chosen carrier's or customer's report reads; each runs again harmlessly. A copy runs them after its rows are in: the totals are no table of the record.
QStringList statements(const QSqlDatabase &db);

// The totals recounted from the tickets, in the table's columns, for checking the kept ones.
QString recountSql(int hossz);

} // namespace StockTotals
