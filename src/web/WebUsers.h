#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// The users of the office service, kept in the table webfelhasznalo. An "iroda" user logs in to the pages with a
// password; an "erp" user also has a password and reaches the API with its token. Database failures throw
// DatabaseError; refusals come back as the message to show.
namespace WebUsers {

inline constexpr char kOffice[] = "iroda";
inline constexpr char kErp[] = "erp";

struct User {
    qint64 id = 0;
    QString name;
    QString role;
    QString created; // "yyyy-MM-dd HH:mm:ss"
};

// Adds a user; for an erp user *token receives its new API token (shown once, only its hash is kept). Returns the
// refusal, empty when added.
QString add(const QSqlDatabase &db, const QString &name, const QString &role, const QString &password,
            QString *token);
// Sets a new password; the refusal, empty when set.
QString setPassword(const QSqlDatabase &db, const QString &name, const QString &password);
// Deletes the user; the refusal, empty when deleted.
QString remove(const QSqlDatabase &db, const QString &name);
// Every user, by name.
QList<User> list(const QSqlDatabase &db);

// The user whose name and password these are. Takes as long for an unknown name as for a wrong password.
std::optional<User> checkPassword(const QSqlDatabase &db, const QString &name, const QString &password);
// The erp user whose API token this is.
std::optional<User> checkToken(const QSqlDatabase &db, const QString &token);

} // namespace WebUsers
