#pragma once

#include <QString>
#include <QStringList>

class DatabaseUri;

// A consistent copy of the database taken while the program, or another station, may be writing to it: SQLite
// copies itself within one read transaction (VACUUM INTO), a PostgreSQL database is dumped as plain SQL by pg_dump.
class DatabaseSnapshot
{
public:
    // pg_dump may take this long before the backup is given up.
    static constexpr int kDumpTimeoutMs = 10 * 60 * 1000;

    struct Result {
        QString file;  // the snapshot, inside the folder given
        QString name;  // its name in the archive: the database file's own name, or "<database>.sql"
        QString error; // empty on success
    };

    // Takes the snapshot of the database datapath names into folder. Opens connections of its own, so it may run
    // on any thread.
    static Result take(const QString &datapath, const QString &folder);

    // pg_dump's arguments for the server database of uri, written to outputFile. The password is not among them:
    // it goes through PGPASSWORD, out of sight of the process list.
    static QStringList dumpArguments(const DatabaseUri &uri, const QString &outputFile);
};
