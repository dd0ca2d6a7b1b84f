#include "OutboxQueue.h"

#include "Formats.h"
#include "Sql.h"

namespace OutboxQueue {

namespace {

std::optional<Target> stored(const QSqlDatabase &db, const QString &url)
{
    QSqlQuery q = Sql::run(db, QStringLiteral("SELECT utolso, hibak, hiba, kovetkezo FROM kimeno_cel WHERE url = :u"),
                           {{":u", url}});
    if (!q.next()) {
        Sql::checkRead(q, db);
        return std::nullopt;
    }
    return Target{url, q.value(0).toLongLong(), q.value(1).toInt(), q.value(2).toString(), q.value(3).toString()};
}

Event eventOf(const QSqlQuery &q)
{
    return {q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toLongLong(), q.value(3).toString(),
            q.value(4).toString().toUtf8()};
}

const char kEventColumns[] = "id, esemeny, sorszam, ido, adat";

} // namespace

Target target(const QSqlDatabase &db, const QString &url)
{
    if (std::optional<Target> known = stored(db, url))
        return *known;
    // Two senders may meet a new URL at once: the second insert finds the row and adds nothing.
    Sql::run(db, QStringLiteral("INSERT INTO kimeno_cel (url, utolso) VALUES (:u, 0) ON CONFLICT (url) DO NOTHING"),
             {{":u", url}});
    return stored(db, url).value_or(Target{url, 0, 0, {}, {}});
}

void keepOnly(const QSqlDatabase &db, const QStringList &urls)
{
    QList<QString> gone;
    {
        QSqlQuery q = Sql::run(db, QStringLiteral("SELECT url FROM kimeno_cel"));
        while (q.next()) {
            if (!urls.contains(q.value(0).toString()))
                gone.append(q.value(0).toString());
        }
        Sql::checkRead(q, db);
    }
    for (const QString &url : std::as_const(gone))
        Sql::run(db, QStringLiteral("DELETE FROM kimeno_cel WHERE url = :u"), {{":u", url}});
}

QList<Event> after(const QSqlDatabase &db, qint64 id, int limit)
{
    QSqlQuery q = Sql::run(db,
                           QStringLiteral("SELECT %1 FROM kimeno WHERE id > :id ORDER BY id LIMIT %2")
                               .arg(QLatin1String(kEventColumns))
                               .arg(limit),
                           {{":id", id}});
    QList<Event> events;
    while (q.next())
        events.append(eventOf(q));
    Sql::checkRead(q, db);
    return events;
}

void delivered(const QSqlDatabase &db, const QString &url, qint64 id)
{
    Sql::run(db,
             QStringLiteral("UPDATE kimeno_cel SET utolso = CASE WHEN utolso < :id THEN :id2 ELSE utolso END, "
                            "hibak = 0, hiba = '', kovetkezo = '' WHERE url = :u"),
             {{":id", id}, {":id2", id}, {":u", url}});
}

void failed(const QSqlDatabase &db, const QString &url, int failures, const QString &error, const QDateTime &nextTry)
{
    Sql::run(db, QStringLiteral("UPDATE kimeno_cel SET hibak = :n, hiba = :e, kovetkezo = :t WHERE url = :u"),
             {{":n", failures}, {":e", error}, {":t", Formats::dbDateTime(nextTry)}, {":u", url}});
}

Waiting waiting(const QSqlDatabase &db, const QString &url)
{
    Waiting w;
    w.target = stored(db, url).value_or(Target{url, 0, 0, {}, {}});
    w.count = Sql::value(db, QStringLiteral("SELECT COUNT(*) FROM kimeno WHERE id > :id"), {{":id", w.target.delivered}})
                  .toLongLong();
    if (const QList<Event> first = after(db, w.target.delivered, 1); !first.isEmpty())
        w.oldest = first.first();
    return w;
}

} // namespace OutboxQueue
