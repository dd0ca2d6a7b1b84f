#include "Commands.h"

#include "BlockWriter.h"
#include "Cancellation.h"
#include "Config.h"
#include "CsvExport.h"
#include "Invocation.h"
#include "MasterTable.h"
#include "RowStream.h"
#include "Sql.h"
#include "Trail.h"
#include "TransportSearch.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

using namespace TransportSearch;

// The list box options of search and the column each stands for.
constexpr std::pair<const char *, const char *> kTextOptions[] = {
    {"--plate", "rendszam"},     {"--carrier", "cegnev"},   {"--customer", "ugyfelnev"}, {"--product", "termeknev"},
    {"--warehouse", "raktar"},   {"--packaging", "kiszereles"}, {"--file-ref", "ugyirat"}, {"--user", "felhasznalo"},
    {"--plot", "tablanev"},      {"--parcel", "parcella"},  {"--plot-no", "tablasorszam"},
};

// The sort columns by field name, in the list's column order.
constexpr const char *kSortColumns[] = {"sorszam",    "rendszam", "cegnev",       "ugyfelnev", "termeknev",
                                        "kidatum",    "nettosuly", "elszamolt",   "raktar",    "megjegyzes",
                                        "ugyirat",    "felhasznalo", "tablanev",  "parcella",  "tablasorszam",
                                        "osszeg"};

YesNo yesNo(const CommandLine &args, const char *option)
{
    const QString v = args.choice(QLatin1String(option), {QStringLiteral("yes"), QStringLiteral("no")});
    return v.isEmpty() ? YesNo::Any : v == u"yes" ? YesNo::Yes : YesNo::No;
}

Sort sortOption(const CommandLine &args)
{
    Sort sort;
    if (!args.has(QStringLiteral("--sort")))
        return sort;
    QString column = args.value(QStringLiteral("--sort"));
    sort.ascending = true;
    if (column.endsWith(QLatin1String(":desc")) || column.endsWith(QLatin1String(":asc"))) {
        sort.ascending = column.endsWith(QLatin1String(":asc"));
        column.truncate(column.lastIndexOf(QLatin1Char(':')));
    }
    for (int i = 0; i < int(std::size(kSortColumns)); ++i) {
        if (column == QLatin1String(kSortColumns[i])) {
            sort.column = i;
            return sort;
        }
    }
    QStringList names;
    for (const char *name : kSortColumns)
        names.append(QLatin1String(name));
    throw BadArguments(QStringLiteral("--sort takes one of %1").arg(names.join(QStringLiteral(", "))));
}

// Writes the rows ahead in rows as CSV to the --csv target: a file, or standard output for "-".
int writeCsv(Invocation &call, RowStream &rows, const QString &target)
{
    CsvExport::Outcome outcome;
    if (target == u"-") {
        outcome = CsvExport::exportCsv(rows, call.bytesOut());
        call.endBytes();
    } else {
        outcome = CsvExport::exportCsv(rows, target);
    }
    if (!outcome.error.isEmpty())
        throw Refused(QStringLiteral("%1: %2").arg(target, outcome.error));
    return kDone;
}

} // namespace

TransportSearch::Filter searchFilter(Invocation &call)
{
    const CommandLine &args = call.args();
    Filter f;
    const QString direction = args.choice(QStringLiteral("--direction"),
                                          {QStringLiteral("any"), QStringLiteral("in"), QStringLiteral("out")});
    f.direction = direction == u"in" ? Direction::In : direction == u"out" ? Direction::Out : Direction::Any;
    const QString state = args.choice(QStringLiteral("--state"), {QStringLiteral("valid"), QStringLiteral("cancelled"),
                                                                   QStringLiteral("any")});
    f.state = state == u"cancelled" ? State::Cancelled : state == u"any" ? State::Any : State::Valid;
    for (const auto &[option, column] : kTextOptions)
        f.setText(QLatin1String(column), args.value(QLatin1String(option)));
    f.marked = yesNo(args, "--marked");
    f.manual = yesNo(args, "--manual");
    f.modified = yesNo(args, "--modified");
    f.hasRemark = args.has(QStringLiteral("--has-remark"));
    if (args.has(QStringLiteral("--no-dates")) && (args.has(QStringLiteral("--from")) || args.has(QStringLiteral("--to"))))
        throw BadArguments(QStringLiteral("--no-dates takes no --from or --to"));
    f.ignoreDates = args.has(QStringLiteral("--no-dates"));
    // The window's date range starts minusznapok days before today and ends today.
    const QDate today = QDate::currentDate();
    f.from = args.date(QStringLiteral("--from"), today.addDays(-call.config().integer(Keys::minusznapok)));
    f.to = args.date(QStringLiteral("--to"), today);
    f.minSerial = args.value(QStringLiteral("--min-serial"), call.config().string(Keys::minsorszam));
    f.serial = args.value(QStringLiteral("--serial"));
    f.sort = sortOption(args);
    f.quick = args.value(QStringLiteral("--quick"));
    f.today = args.has(QStringLiteral("--today"));
    if (args.has(QStringLiteral("--on")) && !f.today)
        throw BadArguments(QStringLiteral("--on goes with --today"));
    f.todayDate = args.date(QStringLiteral("--on"), {});
    return f;
}

int searchCommand(Invocation &call)
{
    const Filter filter = searchFilter(call);
    const QSqlDatabase db = call.database();
    const auto built = build(db, filter);
    if (const auto *refusal = std::get_if<Refusal>(&built))
        throw Refused(refusal->message);
    const Statement &statement = std::get<Statement>(built);
    if (call.args().has(QStringLiteral("--csv"))) {
        RowStream rows = statement.stream(db);
        return writeCsv(call, rows, call.args().value(QStringLiteral("--csv")));
    }
    RowStream rows = statement.listed().stream(db);
    // A text holding ";" or a line break is quoted as in a CSV file, so that every line still splits into the list's
    // columns.
    // The totals come from the same pass: the list's order is the order of the running rounded amount.
    Totals sums;
    const ListColumns columns = listColumns(rows);
    QIODevice &device = call.bytesOut();
    BlockWriter writer(device);
    bool written = true;
    while (written && rows.next()) {
        appendListLine(writer.buffer(), rows, columns, sums);
        writer.buffer().append('\n');
        written = writer.lineDone();
    }
    rows.check();
    if (!written || !writer.flush())
        throw Refused(QStringLiteral("-: %1").arg(device.errorString()));
    call.endBytes();
    for (const QString &panel : sums.panels())
        call.out() << panel << '\n';
    return kDone;
}

int cancelCommand(Invocation &call)
{
    const QString serialText = call.args().operands().first();
    bool ok = false;
    const qint64 serial = serialText.toLongLong(&ok);
    if (!ok || serial <= 0)
        throw BadArguments(QStringLiteral("SERIAL must be a positive whole number, not \"%1\"").arg(serialText));
    const Cancellation::Check outcome = Cancellation::cancel(call.database(), serial);
    if (const auto refusal = Cancellation::refusal(outcome))
        throw Refused(refusal->message);
    if (outcome == Cancellation::Check::NotFound)
        throw Refused(QStringLiteral("No finished transport has the serial number %1.").arg(serial));
    return kDone;
}

int verifyTrailCommand(Invocation &call)
{
    const Trail::Verdict verdict = Trail::verify(call.database());
    call.out() << verdict.message << '\n';
    return verdict.ok() ? kDone : kRefused;
}

int exportCommand(Invocation &call)
{
    const QString table = call.args().operands().first();
    const QStringList names = MasterTable::exportTables();
    if (!names.contains(table))
        throw BadArguments(QStringLiteral("TABLE is one of %1").arg(names.join(QStringLiteral(", "))));
    RowStream rows = MasterTable::exportRows(call.database(), table);
    return writeCsv(call, rows, call.args().value(QStringLiteral("--csv"), QStringLiteral("-")));
}
