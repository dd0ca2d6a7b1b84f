#include "Commands.h"

#include "Invocation.h"
#include "Listatoltes.h"
#include "CsvExport.h"
#include "StockQuery.h"

namespace {

// A value counts as chosen the way a text typed into the window's box does: by the column's list.
StockQuery::Box box(const QSqlDatabase &db, const CommandLine &args, const QString &option, const QString &column)
{
    if (!args.has(option))
        return {QString::fromUtf8(StockQuery::kAny), 0};
    return StockQuery::choose(distinctColumnValues(db, QStringLiteral("szallitasok"), column), args.value(option));
}

} // namespace

StockQuery::Filter stockFilter(Invocation &call)
{
    const CommandLine &args = call.args();
    StockQuery::Filter filter;
    const QString direction = args.choice(QStringLiteral("--direction"),
                                          {QStringLiteral("any"), QStringLiteral("in"), QStringLiteral("out")},
                                          QStringLiteral("any"));
    filter.irany = direction == u"in"    ? StockQuery::Direction::Inbound
                   : direction == u"out" ? StockQuery::Direction::Outbound
                                         : StockQuery::Direction::Any;
    if (args.has(QStringLiteral("--from")) || args.has(QStringLiteral("--to"))) {
        filter.datumkozt = true;
        // A period takes both ends.
        args.required(QStringLiteral("--from"));
        args.required(QStringLiteral("--to"));
        filter.d1 = args.date(QStringLiteral("--from"));
        filter.d2 = args.date(QStringLiteral("--to"));
    }
    const QStringList sort = args.value(QStringLiteral("--sort"), QStringLiteral("product")).split(QLatin1Char(':'));
    if (sort.size() > 2 || (sort.first() != u"product" && sort.first() != u"qty") ||
        (sort.size() == 2 && sort.last() != u"asc" && sort.last() != u"desc"))
        throw BadArguments(QStringLiteral("--sort is product or qty, optionally followed by :asc or :desc"));
    filter.sortColumn = sort.first() == u"qty" ? StockQuery::SortColumn::Quantity : StockQuery::SortColumn::Product;
    filter.ascending = sort.size() == 1 || sort.last() == u"asc";
    if (const auto refusal = StockQuery::check(filter))
        throw Refused(refusal->message);

    const QSqlDatabase db = call.database();
    filter.termeknev = box(db, args, QStringLiteral("--product"), QStringLiteral("termeknev"));
    filter.raktar = box(db, args, QStringLiteral("--warehouse"), QStringLiteral("raktar"));
    filter.cegnev = box(db, args, QStringLiteral("--carrier"), QStringLiteral("cegnev"));
    filter.ugyfel = box(db, args, QStringLiteral("--customer"), QStringLiteral("ugyfelnev"));
    return filter;
}

int stockCommand(Invocation &call)
{
    const CommandLine &args = call.args();
    const QList<StockQuery::Row> rows = StockQuery::run(call.database(), stockFilter(call));

    if (args.has(QStringLiteral("--csv"))) {
        QList<QStringList> lines;
        for (const StockQuery::Row &row : rows)
            lines.append({row.termeknev, QString::number(row.mennyiseg)});
        const QByteArray bytes = CsvExport::bytes(StockQuery::columnNames(), lines);
        const QString path = args.value(QStringLiteral("--csv"));
        if (path == u"-") {
            call.writeOut(bytes);
            return kDone;
        }
        if (const QString error = CsvExport::write(path, bytes); !error.isEmpty())
            throw Refused(error);
        return kDone;
    }
    for (const StockQuery::Row &row : rows)
        call.out() << row.termeknev << ';' << StockQuery::quantityText(row.mennyiseg) << '\n';
    call.out() << StockQuery::statusText(rows.size()) << '\n';
    return kDone;
}
