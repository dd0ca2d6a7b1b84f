#include "OfficePages.h"

#include "CsvExport.h"
#include "Formats.h"
#include "InProgressModel.h"
#include "Listatoltes.h"
#include "MasterTable.h"
#include "OfficeSearchForm.h"
#include "Pictures.h"
#include "RecordTexts.h"
#include "Sql.h"
#include "StockQuery.h"
#include "Trail.h"
#include "TransportList.h"
#include "TransportSearch.h"
#include "WebForms.h"
#include "WebServer.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QSqlRecord>

#include <algorithm>
#include <cmath>

namespace OfficePages {

namespace {

using WebForms::Pairs;

QString esc(const QString &text)
{
    return WebServer::escape(text);
}

// Every office page: the menu, the title, the body (HTML).
WebResponse officePage(const QString &title, const QString &body, int status = 200)
{
    const QString menu = QStringLiteral(
        "<nav class=\"menu\"><a href=\"/\">Mai jegyek</a><a href=\"/kereses\">Keresés</a>"
        "<a href=\"/keszlet\">Készlet</a><form method=\"post\" action=\"/logout\">"
        "<button type=\"submit\">Kilépés</button></form></nav>\n");
    return WebResponse::html(WebServer::page(title, menu + QStringLiteral("<h1>%1</h1>\n").arg(esc(title)) + body),
                             status);
}

QString errorLine(const QString &message)
{
    return QStringLiteral("<p class=\"hiba\" role=\"alert\">%1</p>\n").arg(esc(message));
}

WebResponse notFound(const QString &message)
{
    return officePage(QStringLiteral("Nincs ilyen oldal"), errorLine(message), 404);
}

QString panels(const QStringList &texts)
{
    QString html = QStringLiteral("<p class=\"osszesites\">");
    for (const QString &t : texts)
        html += QStringLiteral("<span>%1</span>").arg(esc(t.trimmed()));
    return html + QStringLiteral("</p>\n");
}

QString serialLink(qint64 serial, const QString &text)
{
    return QStringLiteral("<a href=\"/jegy/%1\">%2</a>").arg(serial).arg(esc(text));
}

// The list's numeric columns: net, settled, amount.
const QList<int> kNumericColumns{6, 7, 15};

// The rows from..to of a search list as the window's list shows them, each serial a link to its ticket.
QString listTable(const QSqlDatabase &db, TransportList &list, qint64 from, qint64 to)
{
    WebForms::Table table(TransportSearch::captions(), kNumericColumns);
    for (qint64 i = from; i < to; ++i) {
        const qint64 serial = list.serial(i);
        const TransportList::Row &row = list.row(db, i);
        QStringList cells;
        for (const QString &text : row.texts)
            cells.append(esc(text));
        if (cells.isEmpty())
            cells.append(QString());
        cells[0] = serialLink(serial, row.found ? row.texts.value(0) : RecordTexts::serial(serial));
        table.add(cells, row.icon == 2 ? QStringLiteral("sztorno") : QString());
    }
    return table.isEmpty() ? QStringLiteral("<p>Nincs találat.</p>\n") : table.html();
}

// --- pages ---

WebResponse today(const QSqlDatabase &db)
{
    TransportSearch::Filter filter;
    filter.today = true;
    filter.direction = TransportSearch::Direction::Any;
    const auto built = TransportSearch::build(db, filter);
    QString body = QStringLiteral("<h2>Mai szállítások</h2>\n");
    if (const auto *refusal = std::get_if<Refusal>(&built)) {
        body += errorLine(refusal->message);
    } else {
        TransportList list = TransportList::load(db, std::get<TransportSearch::Statement>(built), kPageRows);
        body += panels(list.totals().panels()) + listTable(db, list, 0, list.size());
    }

    body += QStringLiteral("<h2>Folyamatban lévő szállítások</h2>\n");
    InProgressModel model;
    model.setRows(InProgressModel::read(db));
    QStringList captions;
    for (int c = 0; c < InProgressModel::kColumnCount; ++c)
        captions.append(model.headerData(c, Qt::Horizontal).toString());
    WebForms::Table table(captions, {4});
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < InProgressModel::kColumnCount; ++c)
            cells.append(esc(model.data(model.index(r, c)).toString()));
        table.add(cells);
    }
    body += table.isEmpty() ? QStringLiteral("<p>Nincs folyamatban lévő szállítás.</p>\n") : table.html();
    return officePage(QStringLiteral("Mai jegyek"), body);
}

WebResponse search(const Options &options, const WebRequest &request, const QSqlDatabase &db)
{
    const OfficeSearchForm form = OfficeSearchForm::read(request, options.daysBack);
    const QString title = QStringLiteral("Keresés");
    QString body = form.html(db);
    if (!form.error.isEmpty())
        return officePage(title, errorLine(form.error) + body, 400);
    const auto built = TransportSearch::build(db, form.filter(options.minSerial));
    if (const auto *refusal = std::get_if<Refusal>(&built))
        return officePage(title, errorLine(refusal->message) + body, 400);
    const TransportSearch::Statement &statement = std::get<TransportSearch::Statement>(built);
    TransportList list = TransportList::load(db, statement, kPageRows);
    const qint64 pages = std::max<qint64>(1, (list.size() + kPageRows - 1) / kPageRows);
    const qint64 page = std::min(form.page, pages);
    const qint64 first = (page - 1) * kPageRows;
    const QString query = WebForms::query(form.pairs());

    body += QStringLiteral("<p class=\"idoszak\">%1</p>\n").arg(esc(statement.period));
    body += panels(list.totals().panels());
    QString pager = QStringLiteral("<p class=\"lapozo\">");
    const auto link = [&](qint64 to, const QString &text) {
        return QStringLiteral("<a href=\"/kereses?%1\">%2</a>")
            .arg(esc(WebForms::query(form.pairs() + Pairs{{QStringLiteral("lap"), QString::number(to)}})), esc(text));
    };
    if (page > 1)
        pager += link(page - 1, QStringLiteral("« Előző"));
    pager += QStringLiteral("<span>%1. lap / %2</span>").arg(page).arg(pages);
    if (page < pages)
        pager += link(page + 1, QStringLiteral("Következő »"));
    pager += QStringLiteral("<a href=\"/kereses.csv?%1\">Mentés (CSV)</a></p>\n").arg(esc(query));
    body += pager + listTable(db, list, first, std::min(first + kPageRows, list.size())) + pager;
    return officePage(title, body);
}

WebResponse searchCsv(const Options &options, const WebRequest &request, const QSqlDatabase &db)
{
    const OfficeSearchForm form = OfficeSearchForm::read(request, options.daysBack);
    QString message = form.error;
    std::optional<TransportSearch::Statement> statement;
    if (message.isEmpty()) {
        const auto built = TransportSearch::build(db, form.filter(options.minSerial));
        if (const auto *refusal = std::get_if<Refusal>(&built))
            message = refusal->message;
        else
            statement = std::get<TransportSearch::Statement>(built);
    }
    if (!statement)
        return officePage(QStringLiteral("Keresés"), errorLine(message) + form.html(db), 400);
    // Written once, straight into the answer's body.
    WebResponse r;
    r.contentType = "text/csv; charset=utf-8";
    QBuffer buffer(&r.body);
    buffer.open(QIODevice::WriteOnly);
    RowStream rows = statement->stream(db);
    const CsvExport::Outcome outcome = CsvExport::exportCsv(rows, buffer);
    if (!outcome.ok())
        throw DatabaseError(outcome.error);
    r.addHeader("Content-Disposition", "attachment; filename=\"szallitasok.csv\"");
    return r;
}

// --- one ticket ---

QString yesNo(const QVariant &v)
{
    return v.toBool() ? QStringLiteral("igen") : QStringLiteral("nem");
}

QString weight(const QVariant &v)
{
    return v.isNull() ? QString() : RecordTexts::grouped(v.toLongLong()) + QStringLiteral(" kg");
}

QString fieldText(const QSqlRecord &row, const QString &column)
{
    const QVariant v = row.value(column);
    const auto kind = RecordTexts::transportKind(column);
    if (!kind)
        return v.toString();
    switch (*kind) {
    case RecordTexts::Kind::Bool:
        return yesNo(v);
    case RecordTexts::Kind::Integer:
        return column == u"irany" ? (v.toInt() == 1 ? QStringLiteral("Kiszállítás") : QStringLiteral("Beszállítás"))
                                  : weight(v);
    default:
        break;
    }
    // Prices and amounts with their thousands apart, as the list shows them.
    if ((column == u"osszeg" || column == u"egysegar") && !v.isNull() && v.toDouble() == std::round(v.toDouble()))
        return RecordTexts::grouped(qint64(v.toDouble())) + (column == u"osszeg" ? QStringLiteral(" Ft") : QString());
    return RecordTexts::text(*kind, v);
}

QString fieldList(const QSqlRecord &row, const QStringList &columns)
{
    QString html = QStringLiteral("<dl class=\"adatok\">\n");
    for (const QString &column : columns) {
        if (!row.contains(column))
            continue;
        html += QStringLiteral("<dt>%1</dt><dd>%2</dd>\n")
                    .arg(esc(MasterTable::caption(QStringLiteral("szallitasok"), column)), esc(fieldText(row, column)));
    }
    return html + QStringLiteral("</dl>\n");
}

QStringList columnList(const char *names)
{
    return QString::fromLatin1(names).split(QLatin1Char(' '));
}

QString pictureSection(const QSqlDatabase &db, qint64 serial)
{
    const QList<Pictures::Picture> pictures = Pictures::ofSerial(db, serial, false);
    if (pictures.isEmpty())
        return QStringLiteral("<p>Nincs kép a szállításhoz.</p>\n");
    QString html = QStringLiteral("<div class=\"kepek\">\n");
    for (const Pictures::Picture &p : pictures) {
        const QString caption = QStringLiteral("%1. mérés, %2. kamera%3 – %4")
                                    .arg(p.weighing)
                                    .arg(p.camera)
                                    .arg(p.name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(p.name),
                                         Formats::dateTime(p.at));
        html += QStringLiteral("<figure>");
        if (p.present())
            html += QStringLiteral("<a href=\"/jegy/%1/kep/%2/%3.jpg\"><img src=\"/jegy/%1/kep/%2/%3.jpg\" alt=\"%4\">"
                                   "</a>")
                        .arg(serial)
                        .arg(p.weighing)
                        .arg(p.camera)
                        .arg(esc(caption));
        else
            html += QStringLiteral("<p class=\"hiany\">Nincs kép: %1</p>").arg(esc(p.missing));
        html += QStringLiteral("<figcaption>%1</figcaption></figure>\n").arg(esc(caption));
    }
    return html + QStringLiteral("</div>\n");
}

QString trailSection(const QSqlDatabase &db, qint64 serial)
{
    const QList<Trail::Row> rows = Trail::ofSerial(db, serial);
    if (rows.isEmpty())
        return QStringLiteral("<p>Nincs naplóbejegyzés.</p>\n");
    WebForms::Table table({QStringLiteral("Időpont"), QStringLiteral("Állomás"), QStringLiteral("Felhasználó"),
                           QStringLiteral("Művelet"), QStringLiteral("Régi érték"), QStringLiteral("Új érték")});
    for (const Trail::Row &r : rows)
        table.add({esc(Formats::dateTime(Formats::parseDbDateTime(r.ido))), esc(r.allomas), esc(r.felhasznalo),
                   esc(r.esemeny), esc(r.regi), esc(r.uj)});
    return table.html();
}

WebResponse ticketPage(const QSqlDatabase &db, qint64 serial)
{
    QSqlQuery q = Sql::run(db, QStringLiteral("SELECT * FROM szallitasok WHERE sorszam = :s"), {{":s", serial}});
    if (!q.next())
        return notFound(QStringLiteral("Nincs %1 sorszámú szállítás.").arg(serial));
    const QSqlRecord row = q.record();
    QString body;
    if (!row.value(QStringLiteral("ervenyes")).toBool())
        body += QStringLiteral("<p class=\"allapot sztorno\">Sztornózott (rontott) szállítás.</p>\n");
    if (row.value(QStringLiteral("modositott")).toBool())
        body += QStringLiteral("<p class=\"allapot\">Utólag módosított szállítás.</p>\n");
    body += QStringLiteral("<p class=\"gombok\"><a href=\"/jegy/%1.pdf\">Mérlegjegy (PDF)</a></p>\n").arg(serial);

    WebForms::Table weighings({QStringLiteral("Mérés"), QStringLiteral("Tömeg"), QStringLiteral("Jel"),
                               QStringLiteral("Időpont")},
                              {1});
    weighings.add({QStringLiteral("1."), esc(weight(row.value(QStringLiteral("suly1")))),
                   esc(row.value(QStringLiteral("jel1")).toString()), esc(fieldText(row, QStringLiteral("bedatum")))});
    weighings.add({QStringLiteral("2."), esc(weight(row.value(QStringLiteral("suly2")))),
                   esc(row.value(QStringLiteral("jel2")).toString()), esc(fieldText(row, QStringLiteral("kidatum")))});
    body += QStringLiteral("<h2>Mérések</h2>\n") + weighings.html();
    body += QStringLiteral("<h2>Súlyok, elszámolás</h2>\n")
            + fieldList(row, columnList("nettosuly levontsuly tisztasag viztartalom elvartviz elszamolt egysegar "
                                        "osszeg"));
    body += QStringLiteral("<h2>Adatok</h2>\n")
            + fieldList(row, columnList("irany rendszam cegnev cim1 cim2 cim3 ugyfelnev ugyfelcim1 ugyfelcim2 "
                                        "ugyfelcim3 termeknev termekkod kiszereles raktar megjegyzes ugyirat "
                                        "felhasznalo tablanev parcella tablasorszam ervenyes modositott kezi jelolt "
                                        "nyomtatva"));
    body += QStringLiteral("<h2>Képek</h2>\n") + pictureSection(db, serial);
    body += QStringLiteral("<h2>Napló</h2>\n") + trailSection(db, serial);
    return officePage(QStringLiteral("%1. számú szállítás").arg(RecordTexts::serial(serial)), body);
}

WebResponse picture(const QSqlDatabase &db, qint64 serial, int weighing, int camera)
{
    for (const Pictures::Picture &p : Pictures::ofSerial(db, serial, true)) {
        if (p.weighing != weighing || p.camera != camera)
            continue;
        if (!p.present())
            break;
        WebResponse r;
        r.contentType = "image/jpeg";
        r.body = p.jpeg;
        return r;
    }
    return notFound(QStringLiteral("Nincs ilyen kép."));
}

WebResponse ticket(const Options &options, const WebRequest &request, const QSqlDatabase &db)
{
    // SERIAL, SERIAL.pdf or SERIAL/kep/WEIGHING/CAMERA.jpg
    static const QRegularExpression form(QStringLiteral("^(\\d{1,15})(?:(\\.pdf)|/kep/([12])/(\\d)\\.jpg)?$"));
    const QRegularExpressionMatch m = form.match(request.rest);
    const qint64 serial = m.hasMatch() ? m.captured(1).toLongLong() : 0;
    if (serial <= 0)
        return notFound(QStringLiteral("Nincs ilyen szállítás."));
    if (!m.captured(3).isEmpty())
        return picture(db, serial, m.captured(3).toInt(), m.captured(4).toInt());
    if (m.captured(2).isEmpty())
        return ticketPage(db, serial);
    if (!Sql::value(db, QStringLiteral("SELECT 1 FROM szallitasok WHERE sorszam = :s"), {{":s", serial}}).isValid())
        return notFound(QStringLiteral("Nincs %1 sorszámú szállítás.").arg(serial));
    WebResponse r = TicketApi::pdf(options.api, serial, db);
    if (r.status != 200)
        return officePage(QStringLiteral("Hiba"), errorLine(QStringLiteral("A PDF nem készült el.")), r.status);
    return r;
}

// --- stock ---

const char *const kStockBoxes[][3] = {
    {"termek", "termeknev", "Termék neve:"},
    {"raktar", "raktar", "Raktár:"},
    {"szallito", "cegnev", "Szállító:"},
    {"ugyfel", "ugyfelnev", "Ügyfél:"},
};

WebResponse stock(const WebRequest &request, const QSqlDatabase &db)
{
    using namespace WebForms;
    const QUrlQuery fields = WebForms::fields(request);
    QString error;
    const QString fromText = value(fields, QStringLiteral("tol"));
    const QString toText = value(fields, QStringLiteral("ig"));
    const QDate from = WebForms::periodEnd(fields, QStringLiteral("tol"), QStringLiteral("-tól"), {}, error);
    const QDate to = WebForms::periodEnd(fields, QStringLiteral("ig"), QStringLiteral("-ig"), {}, error);
    if (error.isEmpty() && fromText.isEmpty() != toText.isEmpty())
        error = QStringLiteral("Az időszakhoz mindkét dátum kell (-tól és -ig).");
    const QString direction = value(fields, QStringLiteral("irany"));
    if (error.isEmpty() && !WebForms::offered(WebForms::kDirections, direction))
        error = WebForms::badDirection(direction);

    QString form = QStringLiteral("<form class=\"szuro\" method=\"get\" action=\"/keszlet\">\n");
    form += dateInput(QStringLiteral("tol"), QStringLiteral("Időszak kezdete (-tól):"), from);
    form += dateInput(QStringLiteral("ig"), QStringLiteral("Időszak vége (-ig):"), to);
    for (const auto &box : kStockBoxes)
        form += textInput(QLatin1String(box[0]), QString::fromUtf8(box[2]), value(fields, QLatin1String(box[0])),
                          QStringLiteral("lista-") + QLatin1String(box[1]));
    form += select(QStringLiteral("irany"), QStringLiteral("Szállítás iránya:"),
                   {{QString(), QStringLiteral("Mindegy (összesítés)")},
                    {QStringLiteral("be"), QStringLiteral("Beszállítás")},
                    {QStringLiteral("ki"), QStringLiteral("Kiszállítás")}},
                   direction);
    form += QStringLiteral("<div class=\"gombok\"><button type=\"submit\">Keresés</button></div>\n</form>\n");
    QStringList listed;
    for (const auto &box : kStockBoxes)
        listed.append(QLatin1String(box[1]));
    form += WebForms::columnChoices(db, listed);
    const QString title = QStringLiteral("Készlet");
    if (!error.isEmpty())
        return officePage(title, errorLine(error) + form, 400);

    StockQuery::Filter filter;
    filter.datumkozt = from.isValid();
    filter.d1 = from;
    filter.d2 = to;
    filter.irany = direction == u"be"   ? StockQuery::Direction::Inbound
                   : direction == u"ki" ? StockQuery::Direction::Outbound
                                        : StockQuery::Direction::Any;
    if (const auto refusal = StockQuery::check(filter))
        return officePage(title, errorLine(refusal->message) + form, 400);
    // A name counts as chosen the way a text typed into the window's box does: by the column's list.
    StockQuery::Box *boxes[] = {&filter.termeknev, &filter.raktar, &filter.cegnev, &filter.ugyfel};
    for (int i = 0; i < 4; ++i) {
        const QString text = value(fields, QLatin1String(kStockBoxes[i][0]));
        *boxes[i] = text.isEmpty() ? StockQuery::Box{QString::fromUtf8(StockQuery::kAny), 0}
                                   : StockQuery::choose(distinctColumnValues(db, QStringLiteral("szallitasok"),
                                                                             QLatin1String(kStockBoxes[i][1])),
                                                        text);
    }
    const QList<StockQuery::Row> rows = StockQuery::run(db, filter);
    Table table({QStringLiteral("Terméknév"), QStringLiteral("Készletmennyiség (kg)")}, {1});
    for (const StockQuery::Row &row : rows)
        table.add({esc(row.termeknev), esc(StockQuery::quantityText(row.mennyiseg))});
    QString body = form + panels({StockQuery::statusText(rows.size())});
    body += table.isEmpty() ? QStringLiteral("<p>Nincs találat.</p>\n") : table.html();
    return officePage(title, body);
}

} // namespace

void mount(WebServer &server, const Options &options)
{
    using Access = WebServer::Access;
    server.route("GET", QStringLiteral("/"), Access::Office,
                 [](const WebRequest &, const QSqlDatabase &db) { return today(db); });
    server.route("GET", QStringLiteral("/kereses"), Access::Office,
                 [options](const WebRequest &request, const QSqlDatabase &db) { return search(options, request, db); });
    server.route("GET", QStringLiteral("/kereses.csv"), Access::Office,
                 [options](const WebRequest &request, const QSqlDatabase &db) {
                     return searchCsv(options, request, db);
                 });
    server.route("GET", QStringLiteral("/jegy/"), Access::Office,
                 [options](const WebRequest &request, const QSqlDatabase &db) { return ticket(options, request, db); });
    server.route("GET", QStringLiteral("/keszlet"), Access::Office, stock);
}

} // namespace OfficePages
