#include "RecordTexts.h"

#include "Formats.h"

#include <QDateTime>

#include <charconv>

namespace RecordTexts {

namespace {

bool holdsDateTime(const QVariant &value)
{
    return value.typeId() == QMetaType::QDateTime || value.typeId() == QMetaType::QDate;
}

QDateTime dateTimeOf(const QVariant &value)
{
    return value.typeId() == QMetaType::QDate ? value.toDate().startOfDay() : value.toDateTime();
}

// A stored date-time (Formats::isStoredDateTime) as "yyyy.MM.dd", then " hh:mm:ss" unless it is midnight, or with
// minutes only " hh:mm".
enum class Clock { UnlessMidnight, Minutes };
void appendStored(QByteArray &out, QByteArrayView t, Clock clock)
{
    out.append(t.first(4)).append('.').append(t.sliced(5, 2)).append('.').append(t.sliced(8, 2));
    if (clock == Clock::Minutes)
        out.append(' ').append(t.sliced(11, 5));
    else if (t.sliced(11) != QByteArrayView("00:00:00"))
        out.append(' ').append(t.sliced(11));
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

std::optional<Kind> transportKind(QStringView column)
{
    for (const Column &c : transportColumns()) {
        if (column == QLatin1String(c.name))
            return c.kind;
    }
    return std::nullopt;
}

Kind kindOf(const RowStream::Cell &value)
{
    switch (value.type) {
    case RowStream::Type::Bool:
        return Kind::Bool;
    case RowStream::Type::Float:
        return Kind::Number;
    case RowStream::Type::Integer:
        return Kind::Integer;
    case RowStream::Type::Null:
    case RowStream::Type::Text:
    case RowStream::Type::Blob:
        break;
    }
    return Kind::Text;
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
        if (holdsDateTime(value)) {
            const QDateTime dt = dateTimeOf(value);
            if (!dt.isValid())
                return value.toString();
            if (dt.time() == QTime(0, 0))
                return Formats::date(dt.date());
            return Formats::dateTime(dt);
        }
        const QString stored = value.toString();
        const QByteArray bytes = stored.toUtf8();
        if (!Formats::isStoredDateTime(bytes))
            return stored;
        QByteArray out;
        appendStored(out, bytes, Clock::UnlessMidnight);
        return QString::fromLatin1(out);
    }
    case Kind::Integer:
    case Kind::Text:
        break;
    }
    return value.toString();
}

void appendText(QByteArray &out, Kind kind, const RowStream::Cell &value)
{
    using Type = RowStream::Type;
    switch (value.type) {
    case Type::Null:
        return;
    case Type::Integer:
        if (kind == Kind::Number) {
            Formats::appendNumber(out, double(value.integer));
        } else if (kind == Kind::Bool) {
            out.append(value.integer != 0 ? "True" : "False");
        } else {
            char digits[24];
            out.append(digits, std::to_chars(digits, digits + sizeof digits, value.integer).ptr - digits);
        }
        return;
    case Type::Float:
        if (kind == Kind::Number) {
            Formats::appendNumber(out, value.real);
            return;
        }
        break;
    case Type::Bool:
        if (kind == Kind::Bool) {
            out.append(value.integer != 0 ? "True" : "False");
            return;
        }
        break;
    case Type::Text:
        if (kind == Kind::Integer || kind == Kind::Text) {
            out.append(value.bytes());
            return;
        }
        if (kind == Kind::DateTime) {
            if (Formats::isStoredDateTime(value.bytes()))
                appendStored(out, value.bytes(), Clock::UnlessMidnight);
            else
                out.append(value.bytes());
            return;
        }
        break;
    case Type::Blob:
        break;
    }
    // What no column of ours holds: the way the driver's value reads.
    out.append(text(kind, value.variant()).toUtf8());
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
    if (holdsDateTime(stored))
        return dateTimeOf(stored).toString(QStringLiteral("yyyy.MM.dd hh:mm"));
    const QByteArray bytes = stored.toString().toUtf8();
    QByteArray out;
    if (Formats::isStoredDateTime(bytes))
        appendStored(out, bytes, Clock::Minutes);
    return QString::fromLatin1(out);
}

void appendListDateTime(QByteArray &out, const RowStream::Cell &stored)
{
    if (stored.type == RowStream::Type::Text && Formats::isStoredDateTime(stored.bytes()))
        appendStored(out, stored.bytes(), Clock::Minutes);
    else if (stored.type == RowStream::Type::Blob)
        out.append(listDateTime(stored.variant()).toUtf8());
}

} // namespace RecordTexts
