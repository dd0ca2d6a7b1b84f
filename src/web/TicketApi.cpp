#include "TicketApi.h"

#include "Listatoltes.h"
#include "Sql.h"
#include "StockQuery.h"
#include "TicketJson.h"
#include "TicketPrinter.h"
#include "TransportText.h"
#include "WebServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSqlRecord>
#include <QUuid>

#include <csignal>
#include <unistd.h>

namespace TicketApi {

namespace {

// A parameter that does not parse: answered 400 with its message.
struct BadParameter {
    QString message;
};

QByteArray compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

void onlyParameters(const WebRequest &request, const QStringList &known)
{
    for (const auto &[name, value] : request.query.queryItems()) {
        if (!known.contains(name))
            throw BadParameter{QStringLiteral("Ismeretlen paraméter: %1").arg(name)};
    }
}

std::optional<QString> parameter(const WebRequest &request, const QString &name)
{
    if (!request.query.hasQueryItem(name))
        return std::nullopt;
    if (request.query.allQueryItemValues(name).size() > 1)
        throw BadParameter{QStringLiteral("A(z) %1 paraméter többször szerepel.").arg(name)};
    return request.query.queryItemValue(name, QUrl::FullyDecoded);
}

QDate dateParameter(const WebRequest &request, const QString &name)
{
    const QString text = parameter(request, name).value_or(QString());
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!form.match(text).hasMatch() || !date.isValid())
        throw BadParameter{QStringLiteral("Hibás dátum a(z) %1 paraméterben: \"%2\" (ÉÉÉÉ-HH-NN)").arg(name, text)};
    return date;
}

qint64 wholeNumber(const QString &name, const QString &text, qint64 min, qint64 max)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,15}$"));
    bool ok = digits.match(text).hasMatch();
    const qint64 value = text.toLongLong(&ok);
    if (!ok || !digits.match(text).hasMatch() || value < min || value > max)
        throw BadParameter{QStringLiteral("Hibás %1: \"%2\" (egész szám %3 és %4 között)").arg(name, text).arg(min).arg(max)};
    return value;
}

// Both ends of a period, or neither.
std::optional<std::pair<QDate, QDate>> period(const WebRequest &request)
{
    const bool from = request.query.hasQueryItem(QStringLiteral("from"));
    const bool to = request.query.hasQueryItem(QStringLiteral("to"));
    if (!from && !to)
        return std::nullopt;
    if (from != to)
        throw BadParameter{QStringLiteral("A from és a to paraméter csak együtt adható meg.")};
    const QDate d1 = dateParameter(request, QStringLiteral("from"));
    const QDate d2 = dateParameter(request, QStringLiteral("to"));
    if (d2 < d1)
        throw BadParameter{QStringLiteral("Hibás időintervallum: a to a from előtti nap.")};
    return std::pair{d1, d2};
}

WebResponse tickets(const WebRequest &request, const QSqlDatabase &db)
{
    onlyParameters(request, {QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("after"),
                             QStringLiteral("limit")});
    const auto days = period(request);
    const qint64 after = wholeNumber(QStringLiteral("after"), parameter(request, QStringLiteral("after")).value_or(QStringLiteral("0")), 0,
                                     999999999999999);
    const int limit = int(wholeNumber(QStringLiteral("limit"),
                                      parameter(request, QStringLiteral("limit")).value_or(QString::number(kDefaultLimit)), 1,
                                      kMaxLimit));
    QString sql = QStringLiteral("SELECT * FROM szallitasok WHERE sorszam > :after");
    if (days)
        sql += QStringLiteral(" AND kidatum >= :d1 AND kidatum < :d2");
    // One more than asked tells whether more follow. Within a period the rows come by the kidatum index and are
    // sorted ("+ 0" keeps the serial's index out): PostgreSQL misjudges a day of text dates and would otherwise walk
    // the serials of the whole table for it, half a second on a million tickets.
    sql += QStringLiteral(" ORDER BY sorszam%1 LIMIT %2").arg(days ? QStringLiteral(" + 0") : QString()).arg(limit + 1);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    Sql::bind(q, QStringLiteral(":after"), after);
    if (days) {
        Sql::bind(q, QStringLiteral(":d1"), days->first.toString(QStringLiteral("yyyy-MM-dd 00:00:00")));
        Sql::bind(q, QStringLiteral(":d2"), days->second.addDays(1).toString(QStringLiteral("yyyy-MM-dd 00:00:00")));
    }
    if (!q.exec())
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    // Each ticket is written out as it is read: a document of hundreds of nested objects costs several times the
    // time. The bytes are those of the whole document, compact, its keys in order.
    QByteArray list;
    int count = 0;
    bool more = false;
    qint64 last = 0;
    const TicketJson::Layout layout(q.record());
    const int serialColumn = q.record().indexOf(QStringLiteral("sorszam"));
    while (q.next()) {
        if (count == limit) {
            more = true;
            break;
        }
        last = q.value(serialColumn).toLongLong();
        if (count++ > 0)
            list += ',';
        layout.write(q, list);
    }
    if (!more)
        Sql::checkRead(q, db);
    return WebResponse::json("{\"next\":" + (more ? QByteArray::number(last) : QByteArray("null")) + ",\"tickets\":[" +
                             list + "]}");
}

qint64 serialOf(const QString &text)
{
    return wholeNumber(QStringLiteral("sorszám"), text, 1, 999999999999999);
}

std::optional<QSqlRecord> ticketRow(const QSqlDatabase &db, qint64 serial)
{
    QSqlQuery q = Sql::run(db, QStringLiteral("SELECT * FROM szallitasok WHERE sorszam = :s"), {{":s", serial}});
    if (!q.next())
        return std::nullopt;
    return q.record();
}

WebResponse noTicket(qint64 serial)
{
    return WebResponse::jsonError(404, QStringLiteral("Nincs %1 sorszámú szállítás.").arg(serial));
}

// A render is a whole web engine in a process of its own: a few at once, so the other workers stay free for the API.
constexpr int kMaxRenders = 2;
constexpr int kRenderLimitMs = 60000;

struct RenderResult {
    QString error; // empty on success
    bool timedOut = false;
};

// Runs "program render-pdf html --to pdf" in a process group of its own, so that a render that hangs past the limit
// is killed with the web engine's helper processes.
RenderResult renderPdf(const QString &program, const QString &html, const QString &pdf)
{
    QProcess renderer;
    renderer.setProcessChannelMode(QProcess::MergedChannels);
    renderer.setChildProcessModifier([] { ::setpgid(0, 0); });
    renderer.start(program, {QStringLiteral("render-pdf"), html, QStringLiteral("--to"), pdf});
    if (!renderer.waitForStarted(kRenderLimitMs))
        return {renderer.errorString()};
    if (!renderer.waitForFinished(kRenderLimitMs)) {
        if (renderer.state() != QProcess::NotRunning) {
            ::kill(-pid_t(renderer.processId()), SIGKILL);
            renderer.waitForFinished(5000);
        }
        return {QStringLiteral("no PDF within %1 s, killed").arg(kRenderLimitMs / 1000), true};
    }
    const QByteArray output = renderer.readAll().trimmed().right(2000);
    if (renderer.exitStatus() != QProcess::NormalExit || renderer.exitCode() != 0)
        return {QStringLiteral("exit %1: %2").arg(renderer.exitCode()).arg(QString::fromLocal8Bit(output))};
    return {};
}

// Shared by the API and the office pages: every render is a child process on the same two cores.
QSemaphore &renderSlots()
{
    static QSemaphore available(kMaxRenders);
    return available;
}

WebResponse ticketPdf(const Options &options, qint64 serial, const QSqlDatabase &db)
{
    QSemaphore &renders = renderSlots();
    if (!ticketRow(db, serial))
        return noTicket(serial);
    if (!renders.tryAcquire()) {
        WebResponse r = WebResponse::jsonError(
            503, QStringLiteral("Egyszerre legfeljebb %1 PDF készülhet; kérje újra néhány másodperc múlva.").arg(kMaxRenders));
        r.addHeader("Retry-After", "5");
        return r;
    }
    const QSemaphoreReleaser slot(renders);
    // Filled beside the template, as printing fills out.htm there (its pictures and logo are relative to it), under
    // a name of its own, so an office request never overwrites the gate's out.htm. Nothing is printed, and the
    // gate's out.txt and hand-over script are left to the gate.
    TicketSettings settings = options.ticket;
    settings.printMode = PrintMode::None;
    settings.outtxt = false;
    settings.outbat = false;
    const QString base = settings.programFolder + QStringLiteral(".web-%1")
                                                      .arg(QUuid::createUuid().toString(QUuid::Id128));
    const QString html = base + QStringLiteral(".htm");
    const QString pdf = base + QStringLiteral(".pdf");
    const auto cleanUp = qScopeGuard([&] {
        QFile::remove(html);
        QFile::remove(pdf);
    });
    const TicketOutcome outcome = FillTicketTemplate(serial, db, settings.templatePath(), html, settings, nullptr);
    if (!outcome.ok || !outcome.messages.isEmpty())
        return WebResponse::jsonError(500, outcome.messages.join(QLatin1Char(' ')));
    if (const RenderResult rendered = renderPdf(options.pdfProgram, html, pdf); !rendered.error.isEmpty()) {
        qWarning("kelvoctl serve: PDF of %lld: %s", serial, qPrintable(rendered.error));
        if (rendered.timedOut)
            return WebResponse::jsonError(503, QStringLiteral("A PDF nem készült el %1 másodperc alatt; kérje újra később.")
                                                   .arg(kRenderLimitMs / 1000));
        return WebResponse::jsonError(500, QStringLiteral("A PDF nem készült el."));
    }
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly))
        return WebResponse::jsonError(500, QStringLiteral("A PDF nem készült el."));
    WebResponse r;
    r.contentType = "application/pdf";
    r.body = file.readAll();
    if (!r.body.startsWith("%PDF-"))
        return WebResponse::jsonError(500, QStringLiteral("A PDF nem készült el."));
    r.addHeader("Content-Disposition", "inline; filename=\"" + QByteArray::number(serial) + ".pdf\"");
    if (options.pdfCountsAsPrint)
        recordPrint(db, serial, true);
    return r;
}

WebResponse ticket(const Options &options, const WebRequest &request, const QSqlDatabase &db)
{
    onlyParameters(request, {});
    const bool pdf = request.rest.endsWith(QLatin1String(".pdf"));
    const qint64 serial = serialOf(pdf ? request.rest.chopped(4) : request.rest);
    if (pdf)
        return ticketPdf(options, serial, db);
    const auto row = ticketRow(db, serial);
    if (!row)
        return noTicket(serial);
    return WebResponse::json(compact(TicketJson::object(*row)));
}

WebResponse inProgress(const WebRequest &request, const QSqlDatabase &db)
{
    onlyParameters(request, {});
    QSqlQuery q = Sql::run(db, QStringLiteral("SELECT * FROM folyamatban ORDER BY id"));
    QJsonArray list;
    const TicketJson::Layout layout(q.record());
    while (q.next())
        list.append(layout.object(q));
    Sql::checkRead(q, db);
    return WebResponse::json(compact({{QStringLiteral("folyamatban"), list}}));
}

WebResponse stock(const WebRequest &request, const QSqlDatabase &db)
{
    onlyParameters(request, {QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("termek"),
                             QStringLiteral("raktar"), QStringLiteral("irany")});
    StockQuery::Filter filter;
    if (const auto days = period(request)) {
        filter.datumkozt = true;
        filter.d1 = days->first;
        filter.d2 = days->second;
    }
    const QString direction = parameter(request, QStringLiteral("irany")).value_or(QStringLiteral("any"));
    if (direction != u"any" && direction != u"in" && direction != u"out")
        throw BadParameter{QStringLiteral("Hibás irany: \"%1\" (any, in vagy out)").arg(direction)};
    filter.irany = direction == u"in"    ? StockQuery::Direction::Inbound
                   : direction == u"out" ? StockQuery::Direction::Outbound
                                         : StockQuery::Direction::Any;
    // A name counts as chosen the way a text typed into the stock window's box does: by the column's list.
    const auto box = [&](const QString &name, const QString &column) {
        const auto value = parameter(request, name);
        if (!value)
            return StockQuery::Box{QString::fromUtf8(StockQuery::kAny), 0};
        return StockQuery::choose(distinctColumnValues(db, QStringLiteral("szallitasok"), column), *value);
    };
    filter.termeknev = box(QStringLiteral("termek"), QStringLiteral("termeknev"));
    filter.raktar = box(QStringLiteral("raktar"), QStringLiteral("raktar"));
    filter.cegnev = {QString::fromUtf8(StockQuery::kAny), 0};
    filter.ugyfel = {QString::fromUtf8(StockQuery::kAny), 0};
    QJsonArray list;
    for (const StockQuery::Row &row : StockQuery::run(db, filter))
        list.append(QJsonObject{{QStringLiteral("termeknev"), row.termeknev},
                                {QStringLiteral("mennyiseg"), row.mennyiseg}});
    return WebResponse::json(compact({{QStringLiteral("keszlet"), list}}));
}

// Turns a refused parameter into its 400 answer.
WebServer::Handler guarded(std::function<WebResponse(const WebRequest &, const QSqlDatabase &)> handler)
{
    return [handler = std::move(handler)](const WebRequest &request, const QSqlDatabase &db) {
        try {
            return handler(request, db);
        } catch (const BadParameter &bad) {
            return WebResponse::jsonError(400, bad.message);
        }
    };
}

QJsonObject schemaOf(TransportText::Kind kind)
{
    using K = TransportText::Kind;
    switch (kind) {
    case K::Integer:
        return {{"type", "integer"}, {"nullable", true}};
    case K::Number:
        return {{"type", "number"}, {"nullable", true}};
    case K::Bool:
        return {{"type", "boolean"}, {"nullable", true}};
    case K::DateTime:
        return {{"type", "string"}, {"format", "date-time"}, {"nullable", true}};
    case K::Text:
        break;
    }
    return {{"type", "string"}};
}

QJsonObject ref(const char *name)
{
    return {{"$ref", QStringLiteral("#/components/schemas/%1").arg(QLatin1String(name))}};
}

QJsonObject jsonAnswer(const QString &description, const QJsonObject &schema)
{
    return {{"description", description}, {"content", QJsonObject{{"application/json", QJsonObject{{"schema", schema}}}}}};
}

QJsonObject errors(QJsonObject responses)
{
    responses.insert("400", jsonAnswer("Hibás paraméter", ref("Error")));
    responses.insert("401", jsonAnswer("Nincs vagy hibás az API-token", ref("Error")));
    return responses;
}

QJsonObject queryParameter(const char *name, const QJsonObject &schema, const char *description)
{
    return {{"name", name}, {"in", "query"}, {"required", false}, {"schema", schema}, {"description", description}};
}

} // namespace

QJsonObject openApi()
{
    QJsonObject ticketProperties;
    QJsonArray ticketRequired;
    const QList<TransportText::Column> extra{{"jel1", TransportText::Kind::Text},
                                             {"jel2", TransportText::Kind::Text},
                                             {"nyomtatva", TransportText::Kind::Integer}};
    for (const TransportText::Column &c : TransportText::columns() + extra) {
        ticketProperties.insert(QLatin1String(c.name), schemaOf(c.kind));
        ticketRequired.append(QLatin1String(c.name));
    }
    // An in-progress row carries the columns a transport has before its second weighing.
    QJsonObject progressProperties;
    QJsonArray progressRequired;
    for (const char *name : {"rendszam", "cegnev", "ugyfelnev", "termeknev", "termekkod", "kiszereles", "irany",
                             "suly1", "bedatum", "egysegar", "kezi", "jel1"}) {
        progressProperties.insert(QLatin1String(name), ticketProperties.value(QLatin1String(name)));
        progressRequired.append(QLatin1String(name));
    }
    const QJsonObject date{{"type", "string"}, {"format", "date"}};
    const QJsonObject schemas{
        {"Ticket", QJsonObject{{"type", "object"}, {"required", ticketRequired}, {"properties", ticketProperties}}},
        {"InProgress",
         QJsonObject{{"type", "object"}, {"required", progressRequired}, {"properties", progressProperties}}},
        {"TicketPage", QJsonObject{{"type", "object"},
                                   {"required", QJsonArray{"tickets", "next"}},
                                   {"properties", QJsonObject{{"tickets", QJsonObject{{"type", "array"}, {"items", ref("Ticket")}}},
                                                             {"next", QJsonObject{{"type", "integer"}, {"nullable", true}}}}}}},
        {"InProgressList",
         QJsonObject{{"type", "object"},
                     {"required", QJsonArray{"folyamatban"}},
                     {"properties", QJsonObject{{"folyamatban", QJsonObject{{"type", "array"}, {"items", ref("InProgress")}}}}}}},
        {"Stock", QJsonObject{{"type", "object"},
                              {"required", QJsonArray{"keszlet"}},
                              {"properties",
                               QJsonObject{{"keszlet",
                                            QJsonObject{{"type", "array"},
                                                        {"items", QJsonObject{{"type", "object"},
                                                                              {"required", QJsonArray{"termeknev", "mennyiseg"}},
                                                                              {"properties",
                                                                               QJsonObject{{"termeknev", QJsonObject{{"type", "string"}}},
                                                                                           {"mennyiseg", QJsonObject{{"type", "integer"}}}}}}}}}}}}},
        {"Error", QJsonObject{{"type", "object"},
                              {"required", QJsonArray{"error"}},
                              {"properties", QJsonObject{{"error", QJsonObject{{"type", "string"}}}}}}},
    };
    const QJsonObject serialParameter{{"name", "serial"}, {"in", "path"}, {"required", true},
                                      {"schema", QJsonObject{{"type", "integer"}, {"minimum", 1}}}};
    const QJsonObject paths{
        {"/api/v1/tickets",
         QJsonObject{{"get",
                      QJsonObject{{"summary", "Lezárt szállítások: a második mérés napja szerint (from, to) és/vagy a "
                                              "sorszám után (after), sorszám szerint, lapozva (limit)"},
                                  {"parameters",
                                   QJsonArray{queryParameter("from", date, "első nap (kidatum), a to-val együtt"),
                                              queryParameter("to", date, "utolsó nap (kidatum), egész nap"),
                                              queryParameter("after", QJsonObject{{"type", "integer"}, {"minimum", 0}},
                                                             "csak az ennél nagyobb sorszámúak"),
                                              queryParameter("limit",
                                                             QJsonObject{{"type", "integer"}, {"minimum", 1},
                                                                         {"maximum", kMaxLimit}, {"default", kDefaultLimit}},
                                                             "legfeljebb ennyi")}},
                                  {"responses", errors({{"200", jsonAnswer("A szállítások; next: a következő lap "
                                                                            "after értéke, vagy null", ref("TicketPage"))}})}}}}},
        {"/api/v1/tickets/{serial}",
         QJsonObject{{"get", QJsonObject{{"summary", "Egy szállítás"},
                                         {"parameters", QJsonArray{serialParameter}},
                                         {"responses", errors({{"200", jsonAnswer("A szállítás", ref("Ticket"))},
                                                               {"404", jsonAnswer("Nincs ilyen", ref("Error"))}})}}}}},
        {"/api/v1/tickets/{serial}.pdf",
         QJsonObject{{"get", QJsonObject{{"summary", "A szállítás mérlegjegye PDF-ben"},
                                         {"parameters", QJsonArray{serialParameter}},
                                         {"responses",
                                          errors({{"200", QJsonObject{{"description", "A mérlegjegy"},
                                                                      {"content", QJsonObject{{"application/pdf", QJsonObject{}}}}}},
                                                  {"404", jsonAnswer("Nincs ilyen", ref("Error"))},
                                                  {"503", jsonAnswer("Most nem készülhet PDF; Retry-After másodperc "
                                                                     "múlva újra", ref("Error"))}})}}}}},
        {"/api/v1/in-progress",
         QJsonObject{{"get", QJsonObject{{"summary", "A folyamatban lévő szállítások"},
                                         {"responses", errors({{"200", jsonAnswer("A szállítások", ref("InProgressList"))}})}}}}},
        {"/api/v1/stock",
         QJsonObject{{"get",
                      QJsonObject{{"summary", "Készlet termékenként (a készletablak szabályaival)"},
                                  {"parameters",
                                   QJsonArray{queryParameter("from", date, "első nap, a to-val együtt"),
                                              queryParameter("to", date, "utolsó nap"),
                                              queryParameter("termek", QJsonObject{{"type", "string"}}, "termék neve"),
                                              queryParameter("raktar", QJsonObject{{"type", "string"}}, "raktár"),
                                              queryParameter("irany",
                                                             QJsonObject{{"type", "string"},
                                                                         {"enum", QJsonArray{"any", "in", "out"}}},
                                                             "irány")}},
                                  {"responses", errors({{"200", jsonAnswer("A készlet", ref("Stock"))}})}}}}},
        {"/api/v1/openapi.json",
         QJsonObject{{"get", QJsonObject{{"summary", "Ez a leírás"},
                                         {"responses", QJsonObject{{"200", QJsonObject{{"description", "OpenAPI 3"}}}}}}}}},
    };
    return {{"openapi", "3.0.3"},
            {"info", QJsonObject{{"title", "Kelvo irodai API"}, {"version", "1"}}},
            {"components", QJsonObject{{"schemas", schemas},
                                       {"securitySchemes", QJsonObject{{"bearer", QJsonObject{{"type", "http"}, {"scheme", "bearer"}}}}}}},
            {"security", QJsonArray{QJsonObject{{"bearer", QJsonArray{}}}}},
            {"paths", paths}};
}

WebResponse pdf(const Options &options, qint64 serial, const QSqlDatabase &db)
{
    return ticketPdf(options, serial, db);
}

void mount(WebServer &server, const Options &options)
{
    using Access = WebServer::Access;
    server.route("GET", QStringLiteral("/api/v1/tickets"), Access::Erp, guarded(tickets));
    server.route("GET", QStringLiteral("/api/v1/tickets/"), Access::Erp,
                 guarded([options](const WebRequest &request, const QSqlDatabase &db) {
                     return ticket(options, request, db);
                 }));
    server.route("GET", QStringLiteral("/api/v1/in-progress"), Access::Erp, guarded(inProgress));
    server.route("GET", QStringLiteral("/api/v1/stock"), Access::Erp, guarded(stock));
    const QByteArray document = QJsonDocument(openApi()).toJson(QJsonDocument::Indented);
    server.route("GET", QStringLiteral("/api/v1/openapi.json"), Access::Erp,
                 [document](const WebRequest &, const QSqlDatabase &) { return WebResponse::json(document); });
}

} // namespace TicketApi
