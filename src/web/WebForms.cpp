#include "WebForms.h"

#include "Listatoltes.h"

#include <algorithm>

#include "WebServer.h"

namespace WebForms {

namespace {

QString labelled(const QString &name, const QString &label, const QString &control)
{
    return QStringLiteral("<div class=\"mezo\"><label for=\"%1\">%2</label>%3</div>\n")
        .arg(WebServer::escape(name), WebServer::escape(label), control);
}

} // namespace

QUrlQuery fields(const WebRequest &request)
{
    // "%2B" stays encoded in the query, so only a form's own "+" becomes a space.
    QString text = request.query.query(QUrl::FullyEncoded);
    text.replace(QLatin1Char('+'), QLatin1String("%20"));
    return QUrlQuery(text);
}

QString value(const QUrlQuery &fields, const QString &name)
{
    return fields.queryItemValue(name, QUrl::FullyDecoded).trimmed();
}

std::optional<QDate> date(const QString &text, const QDate &fallback)
{
    if (text.isEmpty())
        return fallback;
    for (const char *format : {"yyyy-MM-dd", "yyyy.MM.dd"}) {
        const QDate d = QDate::fromString(text, QLatin1String(format));
        if (d.isValid())
            return d;
    }
    return std::nullopt;
}

QString query(const Pairs &pairs)
{
    QStringList parts;
    for (const auto &[name, text] : pairs) {
        if (!text.isEmpty())
            parts.append(name + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(text)));
    }
    return parts.join(QLatin1Char('&'));
}

QString textInput(const QString &name, const QString &label, const QString &value, const QString &list)
{
    QString control = QStringLiteral("<input id=\"%1\" name=\"%1\" value=\"%2\"").arg(WebServer::escape(name),
                                                                                     WebServer::escape(value));
    if (!list.isEmpty())
        control += QStringLiteral(" list=\"%1\" autocomplete=\"off\"").arg(WebServer::escape(list));
    return labelled(name, label, control + QLatin1Char('>'));
}

QString dateInput(const QString &name, const QString &label, const QDate &value)
{
    return labelled(name, label,
                    QStringLiteral("<input id=\"%1\" name=\"%1\" type=\"date\" value=\"%2\">")
                        .arg(WebServer::escape(name), value.toString(QStringLiteral("yyyy-MM-dd"))));
}

QString select(const QString &name, const QString &label, const Pairs &options, const QString &current)
{
    QString control = QStringLiteral("<select id=\"%1\" name=\"%1\">").arg(WebServer::escape(name));
    for (const auto &[optionValue, optionLabel] : options)
        control += QStringLiteral("<option value=\"%1\"%2>%3</option>")
                       .arg(WebServer::escape(optionValue),
                            optionValue == current ? QStringLiteral(" selected") : QString(),
                            WebServer::escape(optionLabel));
    return labelled(name, label, control + QStringLiteral("</select>"));
}

QString checkbox(const QString &name, const QString &label, bool checked)
{
    return QStringLiteral("<div class=\"mezo jelolo\"><label><input type=\"checkbox\" name=\"%1\" value=\"1\"%2> "
                          "%3</label></div>\n")
        .arg(WebServer::escape(name), checked ? QStringLiteral(" checked") : QString(), WebServer::escape(label));
}

QString datalist(const QString &id, const QStringList &values)
{
    QString html = QStringLiteral("<datalist id=\"%1\">").arg(WebServer::escape(id));
    for (const QString &v : values)
        html += QStringLiteral("<option value=\"%1\">").arg(WebServer::escape(v));
    return html + QStringLiteral("</datalist>\n");
}

Table::Table(const QStringList &captions, QList<int> numeric)
    : m_captions(captions)
    , m_numeric(std::move(numeric))
{
}

void Table::add(const QStringList &cells, const QString &rowClass)
{
    QString row = rowClass.isEmpty() ? QStringLiteral("<tr>")
                                     : QStringLiteral("<tr class=\"%1\">").arg(WebServer::escape(rowClass));
    for (qsizetype i = 0; i < cells.size(); ++i)
        row += (m_numeric.contains(int(i)) ? QStringLiteral("<td class=\"szam\">") : QStringLiteral("<td>"))
               + cells.at(i) + QStringLiteral("</td>");
    m_rows.append(row + QStringLiteral("</tr>\n"));
}

QString Table::html() const
{
    QString html = QStringLiteral("<div class=\"tabla\"><table>\n<thead><tr>");
    for (qsizetype i = 0; i < m_captions.size(); ++i)
        html += (m_numeric.contains(int(i)) ? QStringLiteral("<th class=\"szam\">") : QStringLiteral("<th>"))
                + WebServer::escape(m_captions.at(i)) + QStringLiteral("</th>");
    html += QStringLiteral("</tr></thead>\n<tbody>\n");
    for (const QString &row : m_rows)
        html += row;
    return html + QStringLiteral("</tbody></table></div>\n");
}

const Pairs kDirections{{QString(), QStringLiteral("<mindegy>")},
                        {QStringLiteral("be"), QStringLiteral("Beszállítás")},
                        {QStringLiteral("ki"), QStringLiteral("Kiszállítás")}};

bool offered(const Pairs &choices, const QString &value)
{
    return std::any_of(choices.begin(), choices.end(), [&](const auto &c) { return c.first == value; });
}

QDate periodEnd(const QUrlQuery &fields, const QString &name, const QString &caption, const QDate &fallback,
                QString &error)
{
    const QString text = value(fields, name);
    if (const auto d = date(text, fallback))
        return *d;
    if (error.isEmpty())
        error = QStringLiteral("Hibás dátum (%1): \"%2\". A dátum alakja ÉÉÉÉ-HH-NN.").arg(caption, text);
    return fallback;
}

QString badDirection(const QString &text)
{
    return QStringLiteral("Hibás irány: \"%1\" (be vagy ki).").arg(text);
}

QString columnChoices(const QSqlDatabase &db, const QStringList &columns)
{
    QString html;
    for (const QString &column : columns)
        html += datalist(QStringLiteral("lista-") + column,
                         distinctColumnValues(db, QStringLiteral("szallitasok"), column));
    return html;
}

} // namespace WebForms
