#include "TicketJson.h"

#include "Formats.h"
#include "TransportText.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace TicketJson {

namespace {

using TransportText::Column;
using TransportText::Kind;

// The marks and the print count ride along with the record's own fields.
const QList<Column> &fields()
{
    static const QList<Column> list = TransportText::columns()
                                      + QList<Column>{{"jel1", Kind::Text}, {"jel2", Kind::Text},
                                                      {"nyomtatva", Kind::Integer}};
    return list;
}

QJsonValue dateValue(const QVariant &value)
{
    if (value.isNull())
        return QJsonValue::Null;
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    QString text = value.toString();
    if (text.isEmpty())
        return QJsonValue::Null;
    if (Formats::isStoredDateTime(text.toUtf8()))
        text[10] = QLatin1Char('T');
    return text;
}

QJsonValue value(const QVariant &value, Kind kind)
{
    if (kind == Kind::DateTime)
        return dateValue(value);
    if (value.isNull())
        return kind == Kind::Text ? QJsonValue(QString()) : QJsonValue::Null;
    switch (kind) {
    case Kind::Integer:
        return value.toLongLong();
    case Kind::Number:
        return value.toDouble();
    case Kind::Bool:
        // SQLite hands a flag over as 0 or 1.
        return value.toBool();
    case Kind::Text:
    case Kind::DateTime:
        break;
    }
    return value.toString();
}

// A JSON string as Qt's writer puts it: UTF-8, with quote, backslash and control characters escaped.
void appendString(QByteArray &out, const QString &text)
{
    for (const QChar c : text) {
        if (c.isSurrogate()) {
            // Only a broken text has one; Qt's own writer decides what becomes of it.
            const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
            out += QByteArrayView(array).sliced(1, array.size() - 2);
            return;
        }
    }
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (const char byte : text.toUtf8()) {
        const uchar u = uchar(byte);
        switch (u) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u < 0x20) {
                out += "\\u00";
                out += hex[u >> 4];
                out += hex[u & 0xf];
            } else {
                out += byte;
            }
        }
    }
    out += '"';
}

void appendValue(QByteArray &out, const QJsonValue &v)
{
    switch (v.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out += "null";
        break;
    case QJsonValue::Bool:
        out += v.toBool() ? "true" : "false";
        break;
    case QJsonValue::String:
        appendString(out, v.toString());
        break;
    default: {
        // Numbers, and anything else, exactly as Qt writes them.
        const QByteArray array = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
        out += QByteArrayView(array).sliced(1, array.size() - 2);
    }
    }
}

} // namespace

QJsonObject object(const QSqlRecord &row)
{
    QJsonObject o;
    for (const Column &c : fields()) {
        const QString name = QLatin1String(c.name);
        if (row.contains(name))
            o.insert(name, value(row.value(name), c.kind));
    }
    return o;
}

Layout::Layout(const QSqlRecord &columns)
{
    for (const Column &c : fields()) {
        const QString name = QLatin1String(c.name);
        if (const int index = columns.indexOf(name); index >= 0)
            m_fields.append({index, name, '"' + name.toLatin1() + "\":", c.kind});
    }
    // In the object's own key order, so that each field is appended rather than inserted.
    std::sort(m_fields.begin(), m_fields.end(), [](const Field &a, const Field &b) { return a.name < b.name; });
}

QJsonObject Layout::object(const QSqlQuery &row) const
{
    QJsonObject o;
    for (const Field &f : m_fields)
        o.insert(f.name, value(row.value(f.index), f.kind));
    return o;
}

void Layout::write(const QSqlQuery &row, QByteArray &out) const
{
    out += '{';
    bool first = true;
    for (const Field &f : m_fields) {
        if (!first)
            out += ',';
        first = false;
        out += f.key;
        const QVariant v = row.value(f.index);
        if (f.kind == Kind::Integer && !v.isNull()) {
            out += QByteArray::number(v.toLongLong());
            continue;
        }
        if (f.kind == Kind::Text && !v.isNull()) {
            appendString(out, v.toString());
            continue;
        }
        if (f.kind == Kind::Number && !v.isNull()) {
            const double d = v.toDouble();
            out += qIsFinite(d) ? QByteArray::number(d, 'g', QLocale::FloatingPointShortest) : QByteArray("null");
            continue;
        }
        appendValue(out, value(v, f.kind));
    }
    out += '}';
}

} // namespace TicketJson
