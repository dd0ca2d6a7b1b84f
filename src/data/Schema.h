#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The tables of the delivered database. The program itself never creates tables; `kelvoctl create-db` does.
namespace Schema {

inline constexpr double kVersion = 4.64;

// Statements in order, for the engine of db (Dialect fills in the column types).
QStringList statements(const QSqlDatabase &db);
// Objects added since the first delivered files (the serial number counter, list indexes, the change
// announcements of a server, the columns of the weight marks, tare dates and print counts); idempotent: a column
// is only added where db lacks it.
QStringList additions(const QSqlDatabase &db);
// The table of the quick search's text of every transport (TransportText::searchText), kept by triggers and filled
// for the rows already there when it is made; its statements come last in additions(), and a copy runs them after
// its rows are in. It is no table of the record: a copy makes it anew from the copied rows.
inline constexpr char kSearchTable[] = "szallitasok_szoveg";
QStringList searchTextStatements(const QSqlDatabase &db);
// The distinct values of the listed columns of szallitasok (oszlop, ertek: exact text), each with how many tickets
// hold it (darab) and the first of them (elso, the lowest id), kept by triggers, so that a drop-down list of a
// million tickets is one small read. Filled for the rows already there when it is made; made anew by a copy and by
// the bench generator from their rows.
inline constexpr char kListValueTable[] = "szallitasok_ertekek";
const QStringList &listValueColumns();
QStringList listValueStatements(const QSqlDatabase &db);
// On a server, an index per name a search or the stock report most often filters on (carrier, customer, product,
// warehouse), keyed by the lower-cased name as citext compares and the first weighing's date, holding every column
// those read: a year of one warehouse, or a carrier's half a million tickets, comes from the index alone. Nothing on
// SQLite, which is a single station's file.
QStringList coveringIndexStatements(const QSqlDatabase &db);
// Every table kept from the tickets by triggers (the quick search's text, the lists' values, the stock totals), made
// and filled from the rows already there, and the covering and period indexes; last in additions(). A copy runs
// them after its rows are in.
QStringList derivedStatements(const QSqlDatabase &db);
// The tables in the order the program opens them at start-up.
QStringList tablesInOpenOrder();
// Every table of the schema: those, then the version, the serial number counter, the trail and its counter, the
// pictures, the webhooks' outbox, its counter and its URLs' progress.
QStringList allTables();
// The column of table the database numbers itself (an id, or auto's sorszam); empty when it has none.
QString numberedColumn(const QString &table);

// Creates every table in an empty database and stores the version, in one transaction. Returns the error text,
// empty on success.
QString create(QSqlDatabase &db);

// Adds what additions() makes to a file that lacks it, and the id column to a table made without one (the table is
// rebuilt, keeping every row), in one transaction; the only change the program makes to the structure of an
// existing file. Returns the error text, empty on success.
QString upgrade(const QSqlDatabase &db);

// Makes the delivered database file at path. Refuses to touch an existing file. Returns the error text, empty on
// success; on failure no half-made file is left behind.
QString createFile(const QString &path);

// What `kelvoctl create-db` runs: a file path makes the file (createFile); a server URI creates the tables in that
// existing database, and refuses one that already has any of them. Returns the error text, empty on success.
QString createDatabase(const QString &datapath);

} // namespace Schema
