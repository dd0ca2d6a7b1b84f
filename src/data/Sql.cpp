#include "Sql.h"

#include <QSqlDriver>
#include <QSqlError>

namespace {

bool isSqlite(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QSQLITE");
}

} // namespace

namespace Sql {

QSqlQuery run(const QSqlDatabase &db, const QString &sql, std::initializer_list<Binding> bindings)
{
    QSqlQuery q(db);
    if (!q.prepare(sql))
        throw DatabaseError(q.lastError().text());
    for (const auto &[name, v] : bindings)
        q.bindValue(QLatin1String(name), v);
    if (!q.exec())
        throw DatabaseError(q.lastError().text());
    return q;
}

QVariant value(const QSqlDatabase &db, const QString &sql, std::initializer_list<Binding> bindings)
{
    QSqlQuery q = run(db, sql, bindings);
    return q.next() ? q.value(0) : QVariant();
}

QString lockClause(const QSqlDatabase &db)
{
    return isSqlite(db) ? QString() : QStringLiteral(" FOR UPDATE");
}

} // namespace Sql

Transaction::Transaction(const QSqlDatabase &db)
    : m_db(db)
{
    const bool sqlite = isSqlite(m_db);
    QSqlQuery q(m_db);
    if (!(sqlite ? q.exec(QStringLiteral("BEGIN IMMEDIATE")) : m_db.transaction()))
        throw DatabaseError(sqlite ? q.lastError().text() : m_db.lastError().text());
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open)
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
}

void Transaction::commit()
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("COMMIT")))
        throw DatabaseError(q.lastError().text());
    m_open = false;
}
