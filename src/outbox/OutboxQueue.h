#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// The database side of delivering the outbox (tables kimeno and kimeno_cel): what a URL has taken, the next events
// for it, and its progress. Every read is small: a batch of rows or one aggregate. Functions throw DatabaseError.
namespace OutboxQueue {

struct Event {
    qint64 id = 0;
    QString event;
    qint64 serial = 0;
    QString time;       // as stored, "yyyy-MM-dd HH:mm:ss"
    QByteArray payload; // the JSON as stored
};

// A URL's progress. A URL seen for the first time starts before the oldest event kept.
struct Target {
    QString url;
    qint64 delivered = 0; // the id of the last event it took
    int failures = 0;     // failed tries of the next event in a row
    QString error;        // the last failure's reason; empty after a success
    QString nextTry;      // when the next try is due ("yyyy-MM-dd HH:mm:ss"); empty when not waiting
};

// The progress of url, made when it has none.
Target target(const QSqlDatabase &db, const QString &url);
// Forgets the progress of every URL not in urls: a URL no longer set up must not keep old rows from pruning.
void keepOnly(const QSqlDatabase &db, const QStringList &urls);
// Up to limit events after the id, in order.
QList<Event> after(const QSqlDatabase &db, qint64 id, int limit);
// The URL has taken the event id: its progress moves there (never back) and its failures are cleared.
void delivered(const QSqlDatabase &db, const QString &url, qint64 id);
// The URL failed failures times in a row; the next try is due at nextTry.
void failed(const QSqlDatabase &db, const QString &url, int failures, const QString &error, const QDateTime &nextTry);

// What waits for a URL, for listing; reads only (a URL without progress yet waits for every event kept).
struct Waiting {
    Target target;
    qint64 count = 0;
    std::optional<Event> oldest;
};
Waiting waiting(const QSqlDatabase &db, const QString &url);

} // namespace OutboxQueue
