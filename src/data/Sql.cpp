#include "Sql.h"

#include "Dialect.h"

namespace {

constexpr char kConnectionLost[] = "The connection to the database server was lost.";

} // namespace

namespace Sql {

QString errorText(const QSqlError &error, const QSqlDatabase &db)
{
    if (!error.text().trimmed().isEmpty() || db.isOpen())
        return error.text();
    const QString reason = db.lastError().text().trimmed();
    return reason.isEmpty() ? QString::fromLatin1(kConnectionLost)
                            : QString::fromLatin1(kConnectionLost) + QLatin1Char(' ') + reason;
}

QString readFailure(const QSqlQuery &q, const QSqlDatabase &db)
{
    return q.lastError().type() == QSqlError::NoError ? QString() : errorText(q.lastError(), db);
}

void checkRead(const QSqlQuery &q, const QSqlDatabase &db)
{
    if (const QString failure = readFailure(q, db); !failure.isEmpty())
        throw DatabaseError(failure);
}

QVariant bindable(const QVariant &v)
{
    if (v.typeId() == QMetaType::QString && v.toString().isNull())
        return QVariant(QStringLiteral(""));
    return v;
}

void bind(QSqlQuery &q, const QString &name, const QVariant &v)
{
    q.bindValue(name, bindable(v));
}

QSqlQuery run(const QSqlDatabase &db, const QString &sql, std::initializer_list<Binding> bindings)
{
    QSqlQuery q(db);
    // Without values to bind the statement runs as it is: a server cannot prepare structure changes.
    if (bindings.size() == 0) {
        if (!q.exec(sql))
            throw DatabaseError(errorText(q.lastError(), db));
        return q;
    }
    if (!q.prepare(sql))
        throw DatabaseError(errorText(q.lastError(), db));
    for (const auto &[name, v] : bindings)
        bind(q, QLatin1String(name), v);
    if (!q.exec())
        throw DatabaseError(errorText(q.lastError(), db));
    return q;
}

QVariant value(const QSqlDatabase &db, const QString &sql, std::initializer_list<Binding> bindings)
{
    QSqlQuery q = run(db, sql, bindings);
    if (q.next())
        return q.value(0);
    checkRead(q, db);
    return {};
}

QString lockClause(const QSqlDatabase &db)
{
    return Dialect::lockClause(db);
}

} // namespace Sql

Transaction::Transaction(const QSqlDatabase &db)
    : m_db(db)
{
    const QString begin = Dialect::beginWriteStatement(m_db);
    QSqlQuery q(m_db);
    if (!(begin.isEmpty() ? m_db.transaction() : q.exec(begin)))
        throw DatabaseError(Sql::errorText(begin.isEmpty() ? m_db.lastError() : q.lastError(), m_db));
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
        throw DatabaseError(Sql::errorText(q.lastError(), m_db));
    m_open = false;
}
