#include "StockQuery.h"

#include "Dialect.h"
#include "Formats.h"
#include "RecordTexts.h"
#include "Sql.h"
#include "StockTotals.h"

#include <QCollator>
#include <QLocale>
#include <QSqlQuery>
#include <QTime>

#include <algorithm>

namespace StockQuery {

namespace {

constexpr char kBadPeriod[] = "Hibás időintervallumok !";
// What a carrier or customer that is not chosen is compared with: no name is this text.
constexpr char kNoName[] = "$";

// The product and warehouse boxes filter unless their first entry is the selected one, so a typed text that is
// no entry filters on that exact text, an emptied box on the empty name.
bool filtersAlways(const Box &box)
{
    return box.index != 0;
}

// The carrier and customer boxes filter only on a non-empty entry of their list other than the first.
bool chosen(const Box &box)
{
    return !box.text.isEmpty() && box.index > 0;
}

QDate monthStart(const QDate &day)
{
    return QDate(day.year(), day.month(), 1);
}

// The leading characters of a stored date that name its year and its month: the keys of the kept totals.
QString yearText(int year)
{
    return QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
}

QString monthText(const QDate &day)
{
    return QStringLiteral("%1-%2").arg(yearText(day.year())).arg(day.month(), 2, 10, QLatin1Char('0'));
}

// run() puts the names in Hungarian order afterwards (equal sums by name, so both engines list them alike).
QString orderBy(const Filter &filter)
{
    const QString direction = filter.ascending ? QStringLiteral("ASC") : QStringLiteral("DESC");
    return filter.sortColumn == SortColumn::Product ? QStringLiteral("ORDER BY termeknev %1").arg(direction)
                                                    : QStringLiteral("ORDER BY 2 %1").arg(direction);
}

} // namespace

Box choose(const QStringList &values, const QString &text)
{
    if (text.compare(QLatin1String(kAny), Qt::CaseInsensitive) == 0)
        return {text, 0};
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (values.at(i).compare(text, Qt::CaseInsensitive) == 0)
            return {text, int(i) + 1};
    }
    return {text, -1};
}

QStringList columnNames()
{
    return {QStringLiteral("termeknev"), QStringLiteral("Expr1001")};
}

Statement ticketStatement(const QSqlDatabase &db, const Filter &filter)
{
    Statement s;
    QStringList lines{QStringLiteral("SELECT termeknev, SUM(elszamolt) AS Expr1001 FROM szallitasok"),
                      // Cancelled transports never count.
                      QStringLiteral("WHERE ervenyes = TRUE")};
    const auto equal = [&](const QString &column, const QString &text) {
        lines.append(QStringLiteral("AND %1 = :%1").arg(column));
        s.values.append({QLatin1Char(':') + column, text});
    };
    const auto notEqual = [&](const QString &column) {
        lines.append(QStringLiteral("AND %1 <> :%1").arg(column));
        s.values.append({QLatin1Char(':') + column, QString::fromLatin1(kNoName)});
    };
    if (filtersAlways(filter.termeknev))
        equal(QStringLiteral("termeknev"), filter.termeknev.text);
    if (filtersAlways(filter.raktar))
        equal(QStringLiteral("raktar"), filter.raktar.text);
    if (filter.irany != Direction::Any) {
        lines.append(QStringLiteral("AND irany = :irany"));
        s.values.append({QStringLiteral(":irany"), filter.irany == Direction::Inbound ? 0 : 1});
    }
    if (filter.datumkozt) {
        // Only the first weighing's date counts. The period starts at midnight itself, so that a transport weighed
        // in at 00:00:00 is in it.
        lines.append(QStringLiteral("AND (bedatum >= :StartDate AND bedatum <= :EndDate)"));
        s.values.append({QStringLiteral(":StartDate"), Formats::dbDayStart(filter.d1)});
        s.values.append({QStringLiteral(":EndDate"), Formats::dbDayEnd(filter.d2)});
    }
    // A chosen carrier or customer is found by its fold index on a server, with citext's own comparison.
    const auto chosenName = [&](const QString &column, const QString &text) {
        lines.append(QStringLiteral("AND ") + Dialect::foldedEqual(db, column, QLatin1Char(':') + column));
        s.values.append({QLatin1Char(':') + column, text});
    };
    if (chosen(filter.cegnev))
        chosenName(QStringLiteral("cegnev"), filter.cegnev.text);
    else
        notEqual(QStringLiteral("cegnev"));
    if (chosen(filter.ugyfel))
        chosenName(QStringLiteral("ugyfelnev"), filter.ugyfel.text);
    else
        notEqual(QStringLiteral("ugyfelnev"));
    lines.append(QStringLiteral("GROUP BY termeknev"));
    lines.append(orderBy(filter));
    s.sql = lines.join(QLatin1Char('\n'));
    return s;
}

Statement statement(const QSqlDatabase &db, const Filter &filter)
{
    // The kept totals hold no carrier or customer: a chosen one reads its own tickets, which are few.
    if (chosen(filter.cegnev) || chosen(filter.ugyfel) || (filter.datumkozt && filter.d2 < filter.d1))
        return ticketStatement(db, filter);
    Statement s;
    const auto bind = [&](const QVariant &value) {
        const QString name = QStringLiteral(":v%1").arg(s.values.size());
        s.values.append({name, value});
        return name;
    };
    // The product, warehouse and direction filters, alike on the totals and on the tickets; the tickets of a few
    // days are found by their date.
    const auto narrowed = [&](QString part, bool byDate) {
        const auto column = [&](const char *name) {
            return byDate ? Dialect::unindexed(db, QLatin1String(name)) : QLatin1String(name);
        };
        if (filtersAlways(filter.termeknev))
            part += QStringLiteral(" AND %1 = ").arg(column("termeknev")) + bind(filter.termeknev.text);
        if (filtersAlways(filter.raktar))
            part += QStringLiteral(" AND %1 = ").arg(column("raktar")) + bind(filter.raktar.text);
        if (filter.irany != Direction::Any)
            part += QStringLiteral(" AND irany = ") + bind(filter.irany == Direction::Inbound ? 0 : 1);
        return part;
    };
    QStringList parts;
    const auto totals = [&](int hossz, const QString &from, const QString &to) {
        QString part = QStringLiteral("SELECT termeknev, elszamolt, db FROM %1 WHERE hossz = %2")
                           .arg(QLatin1String(StockTotals::kTable))
                           .arg(hossz);
        if (!from.isEmpty())
            part += QStringLiteral(" AND idoszak >= %1 AND idoszak <= %2").arg(bind(from), bind(to));
        parts.append(narrowed(part, false));
    };
    const auto tickets = [&](const QDate &from, const QDate &to) {
        parts.append(narrowed(QStringLiteral("SELECT termeknev, elszamolt, 1 AS db FROM szallitasok WHERE ervenyes = "
                                             "TRUE AND cegnev <> %1 AND ugyfelnev <> %2 AND bedatum >= %3 AND "
                                             "bedatum <= %4")
                                  .arg(bind(QString::fromLatin1(kNoName)), bind(QString::fromLatin1(kNoName)),
                                       bind(Formats::dbDayStart(from)), bind(Formats::dbDayEnd(to))),
                              true));
    };
    if (!filter.datumkozt) {
        totals(StockTotals::kYear, {}, {});
    } else {
        // Whole years and whole months from their totals, the days before the first whole month and after the last
        // from the tickets.
        const QDate firstWhole = filter.d1.day() == 1 ? filter.d1 : monthStart(filter.d1).addMonths(1);
        const QDate lastWhole = filter.d2 == monthStart(filter.d2).addMonths(1).addDays(-1)
                                    ? filter.d2
                                    : monthStart(filter.d2).addDays(-1);
        if (firstWhole > lastWhole) {
            tickets(filter.d1, filter.d2);
        } else {
            if (filter.d1 < firstWhole)
                tickets(filter.d1, firstWhole.addDays(-1));
            if (lastWhole < filter.d2)
                tickets(lastWhole.addDays(1), filter.d2);
            const QDate lastMonth = monthStart(lastWhole);
            const int firstYear = firstWhole.month() == 1 ? firstWhole.year() : firstWhole.year() + 1;
            const int lastYear = lastWhole.month() == 12 ? lastWhole.year() : lastWhole.year() - 1;
            if (firstYear > lastYear) {
                totals(StockTotals::kMonth, monthText(firstWhole), monthText(lastMonth));
            } else {
                totals(StockTotals::kYear, yearText(firstYear), yearText(lastYear));
                if (firstWhole.year() < firstYear)
                    totals(StockTotals::kMonth, monthText(firstWhole), monthText(QDate(firstYear - 1, 12, 1)));
                if (lastMonth.year() > lastYear)
                    totals(StockTotals::kMonth, monthText(QDate(lastYear + 1, 1, 1)), monthText(lastMonth));
            }
        }
    }
    // A total whose tickets were all taken away again keeps its row with no ticket: it lists no product.
    s.sql = QStringLiteral("SELECT termeknev, SUM(elszamolt) AS Expr1001 FROM (\n%1\n) AS osszegek\nGROUP BY "
                           "termeknev\nHAVING SUM(db) > 0\n%2")
                .arg(parts.join(QStringLiteral("\nUNION ALL\n")), orderBy(filter));
    return s;
}

std::optional<Refusal> check(const Filter &filter)
{
    if (filter.datumkozt && filter.d2 < filter.d1)
        return Refusal{QString::fromUtf8(kBadPeriod), QStringLiteral("d1")};
    return std::nullopt;
}

QList<Row> run(const QSqlDatabase &db, const Filter &filter)
{
    const Statement s = statement(db, filter);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(s.sql))
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    for (const auto &[name, value] : s.values)
        Sql::bind(q, name, value);
    if (!q.exec())
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    QList<Row> rows;
    while (q.next())
        rows.append({q.value(0).toString(), q.value(1).toLongLong()});
    Sql::checkRead(q, db);
    // The engines order text by its bytes, which puts "Árpa" after "Zab"; names go in Hungarian order, as the
    // drop-down lists have them.
    QCollator collator(QLocale(QLocale::Hungarian, QLocale::Hungary));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const bool byQuantity = filter.sortColumn == SortColumn::Quantity;
    std::stable_sort(rows.begin(), rows.end(), [&](const Row &a, const Row &b) {
        if (byQuantity && a.mennyiseg != b.mennyiseg)
            return filter.ascending == (a.mennyiseg < b.mennyiseg);
        const int order = collator.compare(a.termeknev, b.termeknev);
        return byQuantity || filter.ascending ? order < 0 : order > 0;
    });
    return rows;
}

QString quantityText(qint64 kilograms)
{
    return RecordTexts::grouped(kilograms);
}

QString statusText(qsizetype products)
{
    return QStringLiteral(" %1 találat.").arg(products);
}

} // namespace StockQuery
