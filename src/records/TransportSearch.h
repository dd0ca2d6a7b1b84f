#pragma once

#include "Refusal.h"
#include "RowStream.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <utility>
#include <variant>

// The search over finished transports: the filters of the search window, the SQL they make, the list's rows as the
// window shows them and the totals of the status bar. The window and kelvoctl fill the same filter and so list the
// same rows.
namespace TransportSearch {

enum class Direction { Any, In, Out };
enum class State { Any, Valid, Cancelled };
enum class YesNo { Any, Yes, No };

// The list's sort: a column index 0 to 15 of the list and the direction.
struct Sort {
    int column = 0;
    bool ascending = false;

    // A click on a column header: that column, and the direction flips on every click.
    void click(int clicked);
};

// The list boxes filled from a column of szallitasok: the option, the column and the most the box takes.
struct ListFilter {
    const char *column;
    int maxLength; // 0: no limit
};
const QList<ListFilter> &listFilters();

struct Filter {
    Direction direction = Direction::Any;
    State state = State::Valid;
    // The typed texts of the list boxes, by column name (rendszam, cegnev, ugyfelnev, termeknev, raktar, kiszereles,
    // ugyirat, felhasznalo, tablanev, parcella, tablasorszam). A text filters only when it is an entry of the
    // column's list.
    QList<std::pair<QString, QString>> texts;
    YesNo marked = YesNo::Any;   // jelolt
    YesNo manual = YesNo::Any;   // kezi
    YesNo modified = YesNo::Any; // modositott
    bool hasRemark = false;      // megjegyzes
    bool ignoreDates = false;
    QDate from;
    QDate to;
    QString minSerial = QStringLiteral("0"); // minsorszam as typed
    QString serial;                          // sorszam as typed; empty or 0: any
    QString quick;                           // the quick-search text: every other filter is ignored
    bool today = false;                      // today's list: only the direction counts
    QDate todayDate;                         // invalid: the current date
    Sort sort;

    void setText(const QString &column, const QString &value);
    QString text(const QString &column) const;
};

// A statement with its values, ready to run.
struct Statement {
    QString sql;
    QList<std::pair<QString, QVariant>> bindings;
    QString tail; // the statement after its field list: FROM, WHERE and ORDER BY
    // The same rows' sorszam, nettosuly, elszamolt and osszeg in the same order from a narrower table than
    // szallitasok, when one holds them (a quick search in serial order); empty: from tail.
    QString totalsTail;
    // A list in serial order alone: the tail without its ORDER BY, and the direction. A server sorts a million
    // rows far slower than the program does, so the list's pass there reads them unsorted and sorts them itself.
    QString unorderedTail;
    bool ascending = false;
    QString period; // the time the rows cover, as the printed list names it ("2026.03.01 - 2026.03.04")

    QSqlQuery run(const QSqlDatabase &db) const; // throws DatabaseError
    // The same read straight from the engine, for output of many rows. Throws DatabaseError.
    RowStream stream(const QSqlDatabase &db) const;
    // The statement reading only the fields the list shows (listColumns, appendListLine).
    Statement listed() const;
};

struct Totals {
    qint64 rows = 0;
    qint64 net = 0;     // sum of abs(nettosuly)
    qint64 settled = 0; // sum of elszamolt, outbound rows negative
    qint64 amount = 0;  // running total of osszeg, rounded after each row

    // Counts one more row, in list order.
    void add(qint64 nettosuly, qint64 elszamolt, double osszeg);
    // The four status-panel texts.
    QStringList panels() const;
};

inline constexpr char kBadInterval[] = "Hibás indőintervallumok !";
inline constexpr char kWholePeriod[] = "teljes időszak";
inline constexpr char kQueryFailed[] = "OLE Lekérdezési hiba.";

// The query of a search: every field of the matching transports in the list's order, or why there is none. Reads
// the database only to apply the "chosen" rule. Throws DatabaseError.
std::variant<Statement, Refusal> build(const QSqlDatabase &db, const Filter &filter);
// The totals of the rows the statement selects, in its order.
Totals totals(const QSqlDatabase &db, const Statement &statement);

// The list's column captions and the texts of one row of a query from build().
QStringList captions();
QStringList listRow(const QSqlQuery &row);
// The same for rows of a stream: the columns the list shows found once, then each row's texts as a line of
// output (fields quoted as in a CSV file, ";" between them, no line end), counted into totals.
struct ListColumns {
    QList<int> shown; // the stream's column of each list column, -1 for none
    int nettosuly = -1;
    int elszamolt = -1;
    int osszeg = -1;
};
ListColumns listColumns(const RowStream &rows);
void appendListLine(QByteArray &out, const RowStream &row, const ListColumns &columns, Totals &totals);
// Icon index of a row: 0 inbound, 1 outbound, 2 cancelled.
int rowIcon(const QSqlQuery &row);

} // namespace TransportSearch
