#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include "TransportText.h"

class QSqlQuery;
class QSqlRecord;

// A finished transport as the office service and the webhooks hand it over: the database's field names, weights and
// amounts as numbers, flags as true or false, dates in ISO 8601 local time ("2026-03-04T10:15:00", null when empty;
// a stored text that is no date goes out as it is stored). Columns the record lacks are left out.
namespace TicketJson {

QJsonObject object(const QSqlRecord &row);

// The same for many rows of one result: the columns are found by name once, each row is read by position.
class Layout
{
public:
    explicit Layout(const QSqlRecord &columns);
    // The query's current row.
    QJsonObject object(const QSqlQuery &row) const;
    // The same row appended to out as the compact bytes QJsonDocument writes for it, without building the object:
    // a batch of hundreds of tickets costs a fraction of the time.
    void write(const QSqlQuery &row, QByteArray &out) const;

private:
    struct Field {
        int index;
        QString name;
        QByteArray key; // "name":
        TransportText::Kind kind;
    };
    QList<Field> m_fields;
};

} // namespace TicketJson
