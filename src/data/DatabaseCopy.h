#pragma once

#include <QList>
#include <QString>

// Moves an installation to another database: a single station's SQLite file onto a PostgreSQL server (or back, or
// between two of either), every table and every value, in one transaction on the target.
namespace DatabaseCopy {

struct TableCount {
    QString table;
    qint64 rows = 0;
    bool operator==(const TableCount &) const = default;
};

struct Result {
    QString error;            // empty when the copy was committed
    QList<TableCount> tables; // the row counts found on the target before the commit, every table of the schema
};

// Copies the database from names into the one to names (each a datapath: a file path or a postgresql:// URI).
// from must pass the start-up checks (their messages otherwise). to must be a file not there yet, a server database
// without our tables, or a delivered database (our tables with rows only in verzio and sorszamlalo). On failure the
// target is as it was; a file made for the copy is removed.
Result copy(const QString &from, const QString &to);

} // namespace DatabaseCopy
