#include "Commands.h"

#include "CompanyData.h"
#include "Invocation.h"
#include "ListReports.h"
#include "PagedDocument.h"

#include <QSet>

namespace {

// The options each list takes besides --pdf: the search's for transports, the stock window's for stock.
const QSet<QString> &stockOptions()
{
    static const QSet<QString> options{QStringLiteral("--product"), QStringLiteral("--warehouse"),
                                       QStringLiteral("--direction"), QStringLiteral("--from"), QStringLiteral("--to"),
                                       QStringLiteral("--carrier"), QStringLiteral("--customer"),
                                       QStringLiteral("--sort")};
    return options;
}

void refuseOthers(const CommandLine &args, const QStringList &known, const QSet<QString> &allowed, const QString &kind)
{
    for (const QString &option : known) {
        if (!allowed.contains(option) && args.has(option))
            throw BadArguments(QStringLiteral("report %1 takes no %2").arg(kind, option));
    }
}

} // namespace

int reportCommand(Invocation &call)
{
    const CommandLine &args = call.args();
    const QString kind = args.operands().value(0);
    const QString pdf = args.required(QStringLiteral("--pdf"));
    // Every option the command line knows, to turn down those the chosen list has no use for.
    static const QStringList known{
        QStringLiteral("--direction"), QStringLiteral("--state"),     QStringLiteral("--plate"),
        QStringLiteral("--carrier"),   QStringLiteral("--customer"),  QStringLiteral("--product"),
        QStringLiteral("--warehouse"), QStringLiteral("--packaging"), QStringLiteral("--file-ref"),
        QStringLiteral("--user"),      QStringLiteral("--plot"),      QStringLiteral("--parcel"),
        QStringLiteral("--plot-no"),   QStringLiteral("--marked"),    QStringLiteral("--manual"),
        QStringLiteral("--modified"),  QStringLiteral("--has-remark"), QStringLiteral("--from"),
        QStringLiteral("--to"),        QStringLiteral("--no-dates"),  QStringLiteral("--min-serial"),
        QStringLiteral("--serial"),    QStringLiteral("--sort"),      QStringLiteral("--quick"),
        QStringLiteral("--today"),     QStringLiteral("--on")};

    std::unique_ptr<PagedDocument> report;
    if (kind == u"transports") {
        const TransportSearch::Filter filter = searchFilter(call);
        const QSqlDatabase db = call.database();
        const ListReports::Heading heading{CompanyData::load(call.home()).value_or(QStringList()), {}};
        const auto built = TransportSearch::build(db, filter);
        if (const auto *refusal = std::get_if<Refusal>(&built))
            throw Refused(refusal->message);
        report = ListReports::transports(db, std::get<TransportSearch::Statement>(built),
                                         ListReports::directionText(filter.direction), heading);
    } else if (kind == u"stock") {
        refuseOthers(args, known, stockOptions(), kind);
        const StockQuery::Filter filter = stockFilter(call);
        const ListReports::Heading heading{CompanyData::load(call.home()).value_or(QStringList()), {}};
        report = ListReports::stock(StockQuery::run(call.database(), filter), heading);
    } else if (kind == u"auto") {
        refuseOthers(args, known, {QStringLiteral("--from"), QStringLiteral("--to")}, kind);
        args.required(QStringLiteral("--from"));
        args.required(QStringLiteral("--to"));
        const QDate from = args.date(QStringLiteral("--from"));
        const QDate to = args.date(QStringLiteral("--to"));
        if (to < from)
            throw Refused(QStringLiteral("Hibás intervallumok !"));
        const ListReports::Heading heading{CompanyData::load(call.home()).value_or(QStringList()), {}};
        report = ListReports::automatic(call.database(), from, to, heading);
    } else {
        throw BadArguments(QStringLiteral("report takes transports, stock or auto"));
    }
    if (const QString error = PagedDocuments::writePdf(*report, pdf); !error.isEmpty())
        throw Refused(QStringLiteral("%1: %2").arg(pdf, error));
    call.out() << QStringLiteral("%1 oldal").arg(report->pageCount()) << '\n';
    return kDone;
}
