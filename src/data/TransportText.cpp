#include "TransportText.h"

#include "Dialect.h"

#include <QStringList>

namespace TransportText {

const QList<Column> &columns()
{
    using enum Kind;
    static const QList<Column> list = {
        {"sorszam", Integer},     {"rendszam", Text},     {"cegnev", Text},        {"cim1", Text},
        {"cim2", Text},           {"cim3", Text},         {"ugyfelnev", Text},     {"ugyfelcim1", Text},
        {"ugyfelcim2", Text},     {"ugyfelcim3", Text},   {"termeknev", Text},     {"termekkod", Text},
        {"kiszereles", Text},     {"irany", Integer},     {"suly1", Integer},      {"suly2", Integer},
        {"bedatum", DateTime},    {"kidatum", DateTime},  {"nettosuly", Integer},  {"levontsuly", Integer},
        {"elszamolt", Integer},   {"tisztasag", Number},  {"viztartalom", Number}, {"elvartviz", Number},
        {"egysegar", Number},     {"osszeg", Number},     {"megjegyzes", Text},    {"ugyirat", Text},
        {"raktar", Text},         {"felhasznalo", Text},  {"tablanev", Text},      {"parcella", Text},
        {"tablasorszam", Text},   {"ervenyes", Bool},     {"modositott", Bool},    {"kezi", Bool},
        {"jelolt", Bool},
    };
    return list;
}

QString sqlText(const QSqlDatabase &db, const Column &column, const QString &row)
{
    const QString c = row.isEmpty() ? QLatin1String(column.name) : row + QLatin1Char('.') + QLatin1String(column.name);
    switch (column.kind) {
    case Kind::Integer:
        return QStringLiteral("COALESCE(CAST(%1 AS TEXT), '')").arg(c);
    case Kind::Number:
        // printf() on SQLite writes NULL as 0.
        return QStringLiteral("CASE WHEN %1 IS NULL THEN '' ELSE REPLACE(%2, '.', ',') END")
            .arg(c, Dialect::numberText(db, c));
    case Kind::Bool:
        return QStringLiteral("CASE WHEN %1 THEN 'True' ELSE 'False' END").arg(c);
    case Kind::DateTime:
        // Stored as "YYYY-MM-DD HH:MM:SS".
        return QStringLiteral("COALESCE(REPLACE(SUBSTR(%1, 1, 10), '-', '.') || CASE WHEN SUBSTR(%1, 12) = "
                              "'00:00:00' THEN '' ELSE ' ' || SUBSTR(%1, 12) END, '')")
            .arg(c);
    case Kind::Text:
        break;
    }
    return QStringLiteral("COALESCE(CAST(%1 AS TEXT), '')").arg(c);
}

QString searchText(const QSqlDatabase &db, const QString &row)
{
    QStringList parts;
    for (const Column &c : columns())
        parts.append(sqlText(db, c, row));
    return Dialect::upperAscii(db, parts.join(QStringLiteral(" || ")));
}

QString upperAscii(QString text)
{
    for (QChar &c : text) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return text;
}

} // namespace TransportText
