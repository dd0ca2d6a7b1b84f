#include "StockQuery.h"

#include "Formats.h"
#include "RecordTexts.h"
#include "Sql.h"

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

Statement statement(const Filter &filter)
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
        s.values.append({QStringLiteral(":StartDate"), Formats::dbDateTime(QDateTime(filter.d1, QTime(0, 0, 0)))});
        s.values.append({QStringLiteral(":EndDate"), Formats::dbDateTime(QDateTime(filter.d2, QTime(23, 59, 59)))});
    }
    if (chosen(filter.cegnev))
        equal(QStringLiteral("cegnev"), filter.cegnev.text);
    else
        notEqual(QStringLiteral("cegnev"));
    if (chosen(filter.ugyfel))
        equal(QStringLiteral("ugyfelnev"), filter.ugyfel.text);
    else
        notEqual(QStringLiteral("ugyfelnev"));
    lines.append(QStringLiteral("GROUP BY termeknev"));
    const QString direction = filter.ascending ? QStringLiteral("ASC") : QStringLiteral("DESC");
    // run() puts the names in Hungarian order afterwards (equal sums by name, so both engines list them alike).
    lines.append(filter.sortColumn == SortColumn::Product ? QStringLiteral("ORDER BY termeknev %1").arg(direction)
                                                          : QStringLiteral("ORDER BY 2 %1").arg(direction));
    s.sql = lines.join(QLatin1Char('\n'));
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
    const Statement s = statement(filter);
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
