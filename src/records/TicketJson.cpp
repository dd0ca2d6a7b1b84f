#include "TicketJson.h"

#include "Formats.h"
#include "TransportText.h"

#include <QDateTime>
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
            m_fields.append({index, name, c.kind});
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

} // namespace TicketJson
