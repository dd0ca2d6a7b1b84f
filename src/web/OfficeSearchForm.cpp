#include "OfficeSearchForm.h"

#include "WebServer.h"

#include <QRegularExpression>

OfficeSearchForm OfficeSearchForm::read(const WebRequest &request, int daysBack)
{
    const QUrlQuery fields = WebForms::fields(request);
    const auto value = [&](const char *name) { return WebForms::value(fields, QLatin1String(name)); };
    OfficeSearchForm s;
    const QDate today = QDate::currentDate();
    s.from =
        WebForms::periodEnd(fields, QStringLiteral("tol"), QStringLiteral("-tól"), today.addDays(-daysBack), s.error);
    s.to = WebForms::periodEnd(fields, QStringLiteral("ig"), QStringLiteral("-ig"), today, s.error);
    s.ignoreDates = !value("nincsdatum").isEmpty();
    s.plate = value("rendszam");
    s.carrier = value("szallito");
    s.customer = value("ugyfel");
    s.product = value("termek");
    s.warehouse = value("raktar");
    s.quick = value("gyors");
    const QString direction = value("irany");
    if (WebForms::offered(WebForms::kDirections, direction))
        s.direction = direction;
    else if (s.error.isEmpty())
        s.error = WebForms::badDirection(direction);
    const QString state = value("allapot");
    if (state == u"ervenyes" || state == u"sztorno" || state == u"mind")
        s.state = state;
    else if (!state.isEmpty() && s.error.isEmpty())
        s.error = QStringLiteral("Hibás állapot: \"%1\" (ervenyes, sztorno vagy mind).").arg(state);
    const QString page = value("lap");
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    if (digits.match(page).hasMatch() && page.toLongLong() >= 1)
        s.page = page.toLongLong();
    else if (!page.isEmpty() && s.error.isEmpty())
        s.error = QStringLiteral("Hibás lapszám: \"%1\" (pozitív egész szám).").arg(page);
    return s;
}

WebForms::Pairs OfficeSearchForm::pairs() const
{
    return {{QStringLiteral("tol"), from.toString(QStringLiteral("yyyy-MM-dd"))},
            {QStringLiteral("ig"), to.toString(QStringLiteral("yyyy-MM-dd"))},
            {QStringLiteral("nincsdatum"), ignoreDates ? QStringLiteral("1") : QString()},
            {QStringLiteral("rendszam"), plate},
            {QStringLiteral("szallito"), carrier},
            {QStringLiteral("ugyfel"), customer},
            {QStringLiteral("termek"), product},
            {QStringLiteral("raktar"), warehouse},
            {QStringLiteral("irany"), direction},
            {QStringLiteral("allapot"), state},
            {QStringLiteral("gyors"), quick}};
}

TransportSearch::Filter OfficeSearchForm::filter(const QString &minSerial) const
{
    using namespace TransportSearch;
    Filter f;
    f.direction = direction == u"be" ? Direction::In : direction == u"ki" ? Direction::Out : Direction::Any;
    f.state = state == u"sztorno" ? State::Cancelled : state == u"mind" ? State::Any : State::Valid;
    f.setText(QStringLiteral("rendszam"), plate);
    f.setText(QStringLiteral("cegnev"), carrier);
    f.setText(QStringLiteral("ugyfelnev"), customer);
    f.setText(QStringLiteral("termeknev"), product);
    f.setText(QStringLiteral("raktar"), warehouse);
    f.ignoreDates = ignoreDates;
    f.from = from;
    f.to = to;
    f.minSerial = minSerial;
    f.quick = quick;
    return f;
}

QString OfficeSearchForm::html(const QSqlDatabase &db) const
{
    using namespace WebForms;
    QString out = QStringLiteral("<form class=\"szuro\" method=\"get\" action=\"/kereses\">\n");
    out += dateInput(QStringLiteral("tol"), QStringLiteral("Szállítás kezdése (-tól):"), from);
    out += dateInput(QStringLiteral("ig"), QStringLiteral("Szállítás befejezése (-ig):"), to);
    out += textInput(QStringLiteral("rendszam"), QStringLiteral("Rendszám:"), plate);
    out += textInput(QStringLiteral("szallito"), QStringLiteral("Szállító:"), carrier, QStringLiteral("lista-cegnev"));
    out += textInput(QStringLiteral("ugyfel"), QStringLiteral("Ügyfél:"), customer, QStringLiteral("lista-ugyfelnev"));
    out += textInput(QStringLiteral("termek"), QStringLiteral("Termék neve:"), product,
                     QStringLiteral("lista-termeknev"));
    out += textInput(QStringLiteral("raktar"), QStringLiteral("Raktár:"), warehouse, QStringLiteral("lista-raktar"));
    out += select(QStringLiteral("irany"), QStringLiteral("Szállítás iránya:"), kDirections, direction);
    out += select(QStringLiteral("allapot"), QStringLiteral("Állapot:"),
                  {{QStringLiteral("mind"), QStringLiteral("<mindegy>")},
                   {QStringLiteral("ervenyes"), QStringLiteral("Érvényes szállítások")},
                   {QStringLiteral("sztorno"), QStringLiteral("Rontott szállítások")}},
                  state);
    out += textInput(QStringLiteral("gyors"), QStringLiteral("Gyorskeresés:"), quick);
    out += checkbox(QStringLiteral("nincsdatum"), QStringLiteral("Dátumok figyelmen kívül hagyása"), ignoreDates);
    out += QStringLiteral("<div class=\"gombok\"><button type=\"submit\">Keresés</button></div>\n</form>\n");
    out += columnChoices(db, {QStringLiteral("cegnev"), QStringLiteral("ugyfelnev"), QStringLiteral("termeknev"),
                              QStringLiteral("raktar")});
    if (!quick.isEmpty())
        out += QStringLiteral("<p class=\"megjegyzes\">A keresés most nem veszi figyelembe a Dátum lapot és a "
                              "szűrőket !</p>\n");
    return out;
}
