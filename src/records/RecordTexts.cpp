#include "RecordTexts.h"

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
    return TransportText::columns();
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
    return TransportText::sqlText(db, column);
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
