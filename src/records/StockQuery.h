#pragma once

#include "Refusal.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// The stock report: the settled weights of the valid finished transports summed per product, inbound positive and
// outbound negative, narrowed by the stock window's filters. The window and kelvoctl both run it.
namespace StockQuery {

// The entry every filter list starts with: the filter does not apply while it is the one selected.
inline constexpr char kAny[] = "<mindegy>";

// A filter box as the window holds it: its text and the index of its selected entry in a list that starts with
// kAny; -1 when the text is no entry of the list (typed).
struct Box {
    QString text;
    int index = 0;
};

// The box for text over a column's values (kAny is put first): the entry it names, ignoring case, as a typed text
// selects it; -1 when it names none.
Box choose(const QStringList &values, const QString &text);

enum class Direction { Any, Inbound, Outbound };
enum class SortColumn { Product = 0, Quantity = 1 };

struct Filter {
    Box termeknev;
    Box raktar;
    Box cegnev;
    Box ugyfel;
    Direction irany = Direction::Any;
    bool datumkozt = false;
    QDate d1; // the period's first day, from 00:00:00
    QDate d2; // its last day, to 23:59:59
    SortColumn sortColumn = SortColumn::Product;
    bool ascending = true;
};

struct Row {
    QString termeknev;
    qint64 mennyiseg = 0; // kilograms
};

// The statement with its named values, as it is run (exposed for the tests and for reading what ran).
struct Statement {
    QString sql;
    QList<std::pair<QString, QVariant>> values;
};

// The column names of the result, as the CSV header gives them.
QStringList columnNames();

// The statement run for the filter; every value is bound. Without a chosen carrier or customer it sums the kept
// totals (StockTotals) of the whole years and months of the period and the tickets of its remaining days.
Statement statement(const QSqlDatabase &db, const Filter &filter);
// The same figures summed from every ticket: what the kept totals are checked against.
Statement ticketStatement(const QSqlDatabase &db, const Filter &filter);

// The period check the window makes before it runs anything: "Hibás időintervallumok !" when the period ends
// before it starts.
std::optional<Refusal> check(const Filter &filter);

// Runs the report. A database failure throws DatabaseError with the system's text; call check() first.
QList<Row> run(const QSqlDatabase &db, const Filter &filter);

// The quantity as the list shows it: "### ### ### ##0", a minus sign kept ("-2 500").
QString quantityText(qint64 kilograms);
// The status panel's text: " 3 találat."
QString statusText(qsizetype products);

} // namespace StockQuery
