#include "WebUsers.h"

#include "Secrets.h"
#include "Sql.h"

#include <QDateTime>
#include <QSqlRecord>

namespace WebUsers {

namespace {

const QString kColumns = QStringLiteral("id, nev, szerep, letrehozva");

User user(const QSqlQuery &q)
{
    return {q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()};
}

QString refusalOfPassword(const QString &password)
{
    if (password.isEmpty())
        return QStringLiteral("A jelszó nem lehet üres.");
    return {};
}

bool exists(const QSqlDatabase &db, const QString &name)
{
    return Sql::value(db, QStringLiteral("SELECT id FROM webfelhasznalo WHERE nev = :nev"), {{":nev", name}})
        .isValid();
}

QString noSuchUser(const QString &name)
{
    return QStringLiteral("Nincs ilyen felhasználó: %1").arg(name);
}

} // namespace

QString add(const QSqlDatabase &db, const QString &name, const QString &role, const QString &password,
            QString *token)
{
    if (name.trimmed().isEmpty() || name != name.trimmed() || name.size() > 64)
        return QStringLiteral("Hibás felhasználónév: \"%1\"").arg(name);
    if (role != QLatin1String(kOffice) && role != QLatin1String(kErp))
        return QStringLiteral("Ismeretlen szerep: %1 (iroda vagy erp)").arg(role);
    if (const QString refusal = refusalOfPassword(password); !refusal.isEmpty())
        return refusal;
    if (exists(db, name))
        return QStringLiteral("Már van ilyen nevű felhasználó: %1").arg(name);
    QString tokenText;
    if (role == QLatin1String(kErp))
        tokenText = Secrets::newToken();
    Sql::run(db,
             QStringLiteral("INSERT INTO webfelhasznalo (nev, szerep, jelszo, token, letrehozva) "
                            "VALUES (:nev, :szerep, :jelszo, :token, :letrehozva)"),
             {{":nev", name},
              {":szerep", role},
              {":jelszo", Secrets::hashPassword(password)},
              {":token", tokenText.isEmpty() ? QString() : Secrets::tokenHash(tokenText)},
              {":letrehozva", QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))}});
    if (token)
        *token = tokenText;
    return {};
}

QString setPassword(const QSqlDatabase &db, const QString &name, const QString &password)
{
    if (const QString refusal = refusalOfPassword(password); !refusal.isEmpty())
        return refusal;
    const QSqlQuery q = Sql::run(db, QStringLiteral("UPDATE webfelhasznalo SET jelszo = :jelszo WHERE nev = :nev"),
                                 {{":jelszo", Secrets::hashPassword(password)}, {":nev", name}});
    return q.numRowsAffected() == 1 ? QString() : noSuchUser(name);
}

QString remove(const QSqlDatabase &db, const QString &name)
{
    const QSqlQuery q =
        Sql::run(db, QStringLiteral("DELETE FROM webfelhasznalo WHERE nev = :nev"), {{":nev", name}});
    return q.numRowsAffected() == 1 ? QString() : noSuchUser(name);
}

QList<User> list(const QSqlDatabase &db)
{
    QSqlQuery q = Sql::run(db, QStringLiteral("SELECT %1 FROM webfelhasznalo ORDER BY nev").arg(kColumns));
    QList<User> users;
    while (q.next())
        users.append(user(q));
    Sql::checkRead(q, db);
    return users;
}

std::optional<User> checkPassword(const QSqlDatabase &db, const QString &name, const QString &password)
{
    QSqlQuery q = Sql::run(db, QStringLiteral("SELECT %1, jelszo FROM webfelhasznalo WHERE nev = :nev").arg(kColumns),
                           {{":nev", name}});
    if (!q.next()) {
        // The same work as for a known name, so an answer's time does not tell which names exist.
        static const QString dummy = Secrets::hashPassword(QStringLiteral("-"));
        Secrets::verifyPassword(password, dummy);
        return std::nullopt;
    }
    if (!Secrets::verifyPassword(password, q.value(4).toString()))
        return std::nullopt;
    return user(q);
}

std::optional<User> checkToken(const QSqlDatabase &db, const QString &token)
{
    if (token.isEmpty())
        return std::nullopt;
    const QString hash = Secrets::tokenHash(token);
    QSqlQuery q = Sql::run(db,
                           QStringLiteral("SELECT %1, token FROM webfelhasznalo WHERE token = :token AND szerep = :erp")
                               .arg(kColumns),
                           {{":token", hash}, {":erp", QString::fromLatin1(kErp)}});
    if (!q.next() || !Secrets::constantTimeEquals(q.value(4).toString().toLatin1(), hash.toLatin1()))
        return std::nullopt;
    return user(q);
}

} // namespace WebUsers
