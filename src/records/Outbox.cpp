#include "Outbox.h"

#include "Formats.h"
#include "Sql.h"
#include "TicketJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlRecord>

namespace Outbox {

namespace {

// How often append() prunes: seldom enough that finishing stays one insert nearly always.
constexpr qint64 kPruneEvery = 100;

} // namespace

QString name(Event event)
{
    switch (event) {
    case Event::Finished:
        return QStringLiteral("finished");
    case Event::Cancelled:
        return QStringLiteral("cancelled");
    case Event::Modified:
        return QStringLiteral("modified");
    }
    return {};
}

qint64 append(const QSqlDatabase &db, Event event, qint64 serial, const QDateTime &now)
{
    if (Sql::run(db, QStringLiteral("UPDATE kimenoszamlalo SET utolso = utolso + 1 WHERE id = 1")).numRowsAffected() !=
        1)
        throw DatabaseError(QStringLiteral("The outbox counter (table kimenoszamlalo) has no row."));
    const qint64 id = Sql::value(db, QStringLiteral("SELECT utolso FROM kimenoszamlalo WHERE id = 1")).toLongLong();

    QSqlQuery ticket = Sql::run(db, QStringLiteral("SELECT * FROM szallitasok WHERE sorszam = :s"), {{":s", serial}});
    if (!ticket.next()) {
        Sql::checkRead(ticket, db);
        throw DatabaseError(QStringLiteral("The ticket %1 is not there for its outbox event.").arg(serial));
    }
    const QJsonObject payload{{QStringLiteral("event"), name(event)},
                              {QStringLiteral("ticket"), TicketJson::object(ticket.record())}};
    ticket.finish();

    Sql::run(db,
             QStringLiteral("INSERT INTO kimeno (id, esemeny, sorszam, ido, adat) VALUES (:id, :e, :s, :t, :a)"),
             {{":id", id},
              {":e", name(event)},
              {":s", serial},
              {":t", Formats::dbDateTime(now)},
              {":a", QString::fromUtf8(QJsonDocument(payload).toJson(QJsonDocument::Compact))}});
    if (id % kPruneEvery == 0)
        prune(db, now);
    return id;
}

qint64 prune(const QSqlDatabase &db, const QDateTime &now)
{
    // The newest row old enough, and the oldest progress of a URL: rows up to the smaller of the two go. Both come
    // from an index, so this never reads the table through.
    const QVariant old = Sql::value(db, QStringLiteral("SELECT MAX(id) FROM kimeno WHERE ido < :t"),
                                    {{":t", Formats::dbDateTime(now.addDays(-kKeepDays))}});
    if (old.isNull() || !old.isValid())
        return 0;
    qint64 last = old.toLongLong();
    const QVariant taken = Sql::value(db, QStringLiteral("SELECT MIN(utolso) FROM kimeno_cel"));
    if (taken.isValid() && !taken.isNull())
        last = std::min(last, taken.toLongLong());
    return Sql::run(db, QStringLiteral("DELETE FROM kimeno WHERE id <= :id"), {{":id", last}}).numRowsAffected();
}

} // namespace Outbox
