#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

// The SQL that differs between SQLite and PostgreSQL, for a connection of either. Everything else writes portable SQL.
namespace Dialect {

bool isServer(const QSqlDatabase &db);

// A schema statement with its column placeholders filled in for the engine: TEXT_COL (never-null text compared
// without regard to case), BOOL_COL (never-null yes/no), BLOB_COL (bytes, may be NULL), AUTO_KEY (an integer key the database numbers) and
// LIST_KEY(column) (listValue).
QString schemaStatement(const QSqlDatabase &db, QString sql);
// The form of a text column a drop-down list walks in index order (its list index is on this form and the id):
// the column itself on SQLite, its case-sensitive text on a server. A schema statement names a list index's key
// LIST_KEY(column).
QString listValue(const QSqlDatabase &db, const QString &column);

// Whether a text column equals the value bound to parameter as the drop-down lists compare them (without regard to
// case), in a form an index serves: on SQLite the column itself (its list index has the column's NOCASE order); on
// a server the lower-cased text, as citext compares, which the column's fold index holds.
QString foldedEqual(const QSqlDatabase &db, const QString &column, const QString &parameter);
// A column as a condition names it when the column's own index should not serve it: on SQLite, which plans without
// statistics, an equal name would be looked up by its index where a range of a few days narrows far more.
QString unindexed(const QSqlDatabase &db, const QString &column);
// The statement that makes that fold index on a server; empty on SQLite, where the list index serves.
QString foldIndex(const QSqlDatabase &db, const QString &table, const QString &column);

// What the engine needs before the first table.
QStringList schemaPreamble(const QSqlDatabase &db);

// Rebuilds the database compactly in place and refreshes the planner's statistics.
QString compactStatement(const QSqlDatabase &db);

// The statement that opens a write transaction; empty: the driver's own transaction().
QString beginWriteStatement(const QSqlDatabase &db);

// The statement that opens a read-only transaction whose statements all see the database as it was at its start.
QString beginSnapshotStatement(const QSqlDatabase &db);

// After rows were written with explicit values in column, the key the database numbers itself (AUTO_KEY): the
// statement that makes its numbering go on after the largest value; empty where the engine does that by itself.
QString continueNumberingStatement(const QSqlDatabase &db, const QString &table, const QString &column);

// What a SELECT inside a write transaction appends so that the rows it reads stay as read until the transaction
// ends: " FOR UPDATE" on a server; nothing on SQLite, whose write transaction already excludes every other writer.
QString lockClause(const QSqlDatabase &db);

// The column every row has without one being declared (SQLite's row number), which gives the rows of a table made
// before its id column their ids; empty on a server, which has none.
QString implicitRowKey(const QSqlDatabase &db);

// Whether a failed statement failed because a table it names does not exist. SQLite's refusals all count: a file
// that is not ours fails the same way.
bool isMissingTable(const QSqlDatabase &db, const QSqlError &error);

// The channel on which the database announces a change to a shared table, the table's name as the payload, once the
// change is committed; empty when the engine cannot announce (SQLite: the stations re-read on request instead).
QString changeChannel(const QSqlDatabase &db);
// The statements that make every writer of the tables other stations show announce its changes on changeChannel;
// each may run again on a database that has them. Empty when the engine cannot announce.
QStringList changeAnnouncements(const QSqlDatabase &db);

// The expression text upper-cased in the letters a to z only; every other character stays as it is.
QString upperAscii(const QSqlDatabase &db, const QString &text);
// Whether the text needle occurs in haystack, comparing exactly (case and accents count).
QString containsText(const QSqlDatabase &db, const QString &haystack, const QString &needle);
// The text of a floating-point expression with 15 significant digits and no trailing zeros ("5", "0.25"), the
// decimal point still a point.
QString numberText(const QSqlDatabase &db, const QString &number);

// A table (id, the carried columns, szoveg) of one text per row of source, keyed by that row's id, with an index for
// finding a substring: the statements that make it, fill it with text (an expression over source's columns) and
// the carried columns of source ("name type" each) when it is new, and keep it equal to newText (the same over the
// row NEW) on every insert, update and delete of source. Each may run again on a database that has them. A server
// whose owner may not add the trigram extension gets no index and the search reads the table whole (a warning in
// the server's log says why); that never stops a start.
QStringList substringTable(const QSqlDatabase &db, const QString &table, const QString &source, const QString &text,
                           const QString &newText, const QStringList &carried = {});
// The statements that remove such a table and what keeps it, so that it can be made anew.
QStringList dropSubstringTable(const QSqlDatabase &db, const QString &table, const QString &source);
// The condition on the rows of table that their text holds needle, exactly (case and accents count), with the value
// to bind to parameter.
QString substringMatch(const QSqlDatabase &db, const QString &table, const QString &parameter, const QString &needle);
// The same as a condition on the rows of source.
QString substringSearch(const QSqlDatabase &db, const QString &table, const QString &parameter, const QString &needle);
QString substringPattern(const QSqlDatabase &db, const QString &needle);

} // namespace Dialect
