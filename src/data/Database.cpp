#include "Database.h"

#include "DatabaseUri.h"
#include "Schema.h"
#include "Seged.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// dekodol of this constant gives the store password.
constexpr char kPasswordConstant[] = "RN9iD6iv";

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("kelvo-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

Database::Database(QString path, QObject *parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_connectionName(nextConnectionName())
{
}

Database::~Database()
{
    close();
}

QSqlDatabase Database::db() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

QString Database::password()
{
    return QString::fromLatin1(dekodol(QString::fromLatin1(kPasswordConstant)));
}

QSqlDatabase Database::openConnection(const QString &path, const QString &connectionName, QString *error)
{
    const DatabaseUri uri = DatabaseUri::parse(path);
    QSqlDatabase db = uri.addConnection(connectionName);
    // A server takes the user's own credentials from the URI (or libpq's password file) instead.
    if (!uri.isServer())
        db.setPassword(password());
    QString text = uri.error();
    if (text.isEmpty() && !db.open())
        text = db.lastError().text();
    if (error)
        *error = text;
    return db;
}

QString Database::open()
{
    close();
    QString error;
    QSqlDatabase db = openConnection(m_path, m_connectionName, &error);
    Q_UNUSED(db);
    return error;
}

void Database::close()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && db().isOpen();
}

QString Database::openTables()
{
    QSqlQuery query(db());
    for (const QString &table : Schema::tablesInOpenOrder()) {
        if (!query.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table)))
            return query.lastError().text();
    }
    // A file made before the serial number counter gets it here, started after its largest serial number.
    return Schema::upgrade(db());
}

void Database::refresh(const QString &table)
{
    if (!m_networkMode)
        return;
    emit tableRefreshed(table);
}
