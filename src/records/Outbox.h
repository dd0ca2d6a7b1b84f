#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

// The outbox of the webhooks (table kimeno): one row per change of a finished ticket, written by the change's own
// transaction, so that an event exists exactly when its change was committed. Rows are written whether or not a
// webhook is set up, so that a URL added later still finds the recent events; prune() keeps the table small.
namespace Outbox {

inline constexpr char kTable[] = "kimeno";
inline constexpr char kTargets[] = "kimeno_cel";
// Rows every URL has taken are kept this long, and rows no URL ever took are kept this long too.
inline constexpr int kKeepDays = 30;

enum class Event { Finished, Cancelled, Modified };
// "finished", "cancelled", "modified": the event field of the payload.
QString name(Event event);

// Appends the event of the ticket serial as the ticket stands now in db: {"event": ..., "ticket": TicketJson}. Must
// run inside the caller's write transaction, after the change and after every other lock the change takes (the
// outbox counter is the last lock, so two changes never wait on each other in opposite order). Gives the event id.
// Throws DatabaseError, also when the ticket is not there.
qint64 append(const QSqlDatabase &db, Event event, qint64 serial, const QDateTime &now = QDateTime::currentDateTime());

// Deletes the rows older than kKeepDays that every URL in kimeno_cel has taken. append() runs it every hundredth
// event; the sender at its start. Gives the number of rows deleted.
qint64 prune(const QSqlDatabase &db, const QDateTime &now = QDateTime::currentDateTime());

} // namespace Outbox
