#pragma once

#include <QJsonObject>

class QSqlRecord;

// A finished transport as the office service and the webhooks hand it over: the database's field names, weights and
// amounts as numbers, flags as true or false, dates in ISO 8601 local time ("2026-03-04T10:15:00", null when empty;
// a stored text that is no date goes out as it is stored). Columns the record lacks are left out.
namespace TicketJson {

QJsonObject object(const QSqlRecord &row);

} // namespace TicketJson
