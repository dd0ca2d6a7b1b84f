#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrlQuery>

#include <optional>
#include <utility>

class QSqlDatabase;
struct WebRequest;

// The pieces of the office's pages: the fields of a GET form as a browser sends them, and the HTML of inputs and
// tables. Every text given here is escaped here; only the cells of a table come as HTML.
namespace WebForms {

using Pairs = QList<std::pair<QString, QString>>;

// The fields of a GET form: a browser sends a space as "+", which a URL's query does not mean by itself.
QUrlQuery fields(const WebRequest &request);
// A field's text, decoded and trimmed; empty when it is not there.
QString value(const QUrlQuery &fields, const QString &name);
// A date as a date input sends it (yyyy-MM-dd) or as the windows write it (yyyy.MM.dd); fallback when text is
// empty, nothing when it is no date.
std::optional<QDate> date(const QString &text, const QDate &fallback = {});
// A period's end: the field's date, or fallback when it is empty; a text that is no date is said in error (unless
// error already says something), caption naming the field.
QDate periodEnd(const QUrlQuery &fields, const QString &name, const QString &caption, const QDate &fallback,
                QString &error);
// The direction choices of the search and the stock report: "" any, "be" in, "ki" out.
extern const Pairs kDirections;
// Whether value is one of the choices.
bool offered(const Pairs &choices, const QString &value);
QString badDirection(const QString &text);
// "name=value&…" of the pairs with a text, each percent-encoded: a link that gives the same form again.
QString query(const Pairs &pairs);

QString textInput(const QString &name, const QString &label, const QString &value, const QString &list = {});
QString dateInput(const QString &name, const QString &label, const QDate &value);
// options: value and label of each choice.
QString select(const QString &name, const QString &label, const Pairs &options, const QString &current);
QString checkbox(const QString &name, const QString &label, bool checked);
// The choices a text input offers (list= its id).
QString datalist(const QString &id, const QStringList &values);

// The choices of the text filters: a datalist "lista-COLUMN" of each column's list, as the window's boxes offer it.
QString columnChoices(const QSqlDatabase &db, const QStringList &columns);

// A table that scrolls sideways on a narrow screen. cells are HTML; numeric columns are aligned right.
class Table
{
public:
    explicit Table(const QStringList &captions, QList<int> numeric = {});
    void add(const QStringList &cells, const QString &rowClass = {});
    QString html() const;
    bool isEmpty() const { return m_rows.isEmpty(); }

private:
    QStringList m_captions;
    QList<int> m_numeric;
    QStringList m_rows;
};

} // namespace WebForms
