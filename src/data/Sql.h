#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <stdexcept>
#include <utility>

// A database failure with the system's text. Windows let it reach the application's error handler;
// kelvoctl prints it.
class DatabaseError : public std::runtime_error
{
public:
    explicit DatabaseError(const QString &text)
        : std::runtime_error(text.toStdString())
    {
    }
};

namespace Sql {

using Binding = std::pair<const char *, QVariant>;

// What to bind for v: a null text becomes the empty text. Qt binds a null QString as NULL, which PostgreSQL's
// never-null text columns refuse; a missing value that must stay NULL is bound as an invalid QVariant instead.
QVariant bindable(const QVariant &v);
// Binds v to the named placeholder of a prepared query, through bindable().
void bind(QSqlQuery &q, const QString &name, const QVariant &v);

// The text of a failed statement on db. A driver that already knew its server connection was gone gives none: then
// it says so, with the reason the last attempt to connect gave.
QString errorText(const QSqlError &error, const QSqlDatabase &db);

// After a loop over q's rows: the system's text when the loop stopped on a failure rather than after the last row
// (a server connection lost while the result streamed in), empty when every row was read.
QString readFailure(const QSqlQuery &q, const QSqlDatabase &db);
// The same as a DatabaseError: a result cut short must never pass for the whole of it.
void checkRead(const QSqlQuery &q, const QSqlDatabase &db);

// Prepares, binds (through bindable()) and runs one statement; throws DatabaseError on failure.
QSqlQuery run(const QSqlDatabase &db, const QString &sql, std::initializer_list<Binding> bindings = {});

// The first column of the first row, or an invalid QVariant when there is no row.
QVariant value(const QSqlDatabase &db, const QString &sql, std::initializer_list<Binding> bindings = {});

// What a SELECT inside a write transaction appends to keep the rows it reads as read (Dialect::lockClause).
QString lockClause(const QSqlDatabase &db);

} // namespace Sql

// A write transaction that rolls back unless committed. On SQLite it takes the write lock at once, so that two
// stations sharing the file cannot both read the same "next" value.
class Transaction
{
public:
    explicit Transaction(const QSqlDatabase &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    QSqlDatabase m_db;
    bool m_open = false;
};
