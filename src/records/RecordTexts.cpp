#include "RecordTexts.h"

#include "Dialect.h"
#include "Formats.h"

#include <QDateTime>

namespace RecordTexts {

namespace {

QDateTime dateTimeOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().startOfDay();
    return Formats::parseDbDateTime(value.toString());
}

} // namespace

const QList<Column> &transportColumns()
{
    using enum Kind;
    static const QList<Column> columns = {
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
    return columns;
}

QString transportColumnList()
{
    QStringList names;
    for (const Column &c : transportColumns())
        names.append(QLatin1String(c.name));
    return names.join(QStringLiteral(", "));
}

Kind kindOf(const QString &column, const QVariant &value)
{
    for (const Column &c : transportColumns()) {
        if (column == QLatin1String(c.name))
            return c.kind;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        return Kind::Bool;
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Number;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return Kind::DateTime;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return Kind::Integer;
    default:
        return Kind::Text;
    }
}

QString text(Kind kind, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (kind) {
    case Kind::Number:
        return Formats::number(value.toDouble());
    case Kind::Bool:
        // SQLite hands booleans over as 0 and 1.
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::DateTime: {
        const QDateTime dt = dateTimeOf(value);
        if (!dt.isValid())
            return value.toString();
        if (dt.time() == QTime(0, 0))
            return Formats::date(dt.date());
        return Formats::dateTime(dt);
    }
    case Kind::Integer:
    case Kind::Text:
        break;
    }
    return value.toString();
}

QString sqlText(const QSqlDatabase &db, const Column &column)
{
    const QString c = QLatin1String(column.name);
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

QString grouped(qint64 value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString serial(qint64 value)
{
    return QStringLiteral("%1").arg(value, 5, 10, QLatin1Char('0'));
}

QString listDateTime(const QVariant &stored)
{
    if (stored.isNull())
        return {};
    return dateTimeOf(stored).toString(QStringLiteral("yyyy.MM.dd hh:mm"));
}

} // namespace RecordTexts
