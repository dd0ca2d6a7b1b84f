#pragma once

#include <QString>

#include <optional>

class Config;

// The database steps of start-up, in the order the program runs them. Each returns the message to show (or
// nothing); none shows anything itself.
namespace DatabaseStartup {

inline constexpr char kWrongDatabaseMessage[] = "Az adatbázis nem ehhez a programhoz készült !";
inline constexpr char kCompactOkMessage[] = "Az adatbázis karbantartása sikerült !";
inline constexpr char kCompactFailedMessage[] = "Az adatbázis karbantartása nem sikerült !";

QString databasePath(const Config &config);

// The not-found message when no file is at path; for a server URI, the cannot-connect message with the server's own
// text when the database does not take a connection (unreachable, refused, missing). Nothing is created.
std::optional<QString> checkExists(const QString &path);

// When karbantart is on: writes it back as false first, then compacts; returns the outcome message.
std::optional<QString> maintain(Config &config, const QString &path);

// Rebuilds the file compactly. Same source and destination: in place; otherwise into the destination. A server
// database is vacuumed and analysed in place (a different destination fails).
bool compact(const QString &source, const QString &destination);

struct VersionCheck {
    enum class Status { Ok, WrongDatabase, Error };
    Status status = Status::Ok;
    QString message; // the wrong-database message, or the system's text of an unexpected error
};
// Only a version of exactly 4.64 passes. A file that is not a database, or lacks the version table, is the wrong
// database; an unreadable file is an error.
VersionCheck checkVersion(const QString &path);

// Both checks as start-up runs them (checkExists, then checkVersion): the message that stops it, or nothing.
std::optional<QString> check(const QString &path);

} // namespace DatabaseStartup
