#pragma once

#include <QSqlDatabase>

// Ticket serial numbers from the counter table sorszamlalo: they only ever go up, so a deleted ticket never has its
// number handed out again.
namespace SerialCounter {

// Advances the counter and returns the new number, which is also above every existing sorszam. Call it inside the
// write transaction that stores the ticket: the counter row stays locked until that transaction ends, so two
// stations never get the same number. Throws DatabaseError when the counter is missing.
qint64 next(const QSqlDatabase &db);

} // namespace SerialCounter
