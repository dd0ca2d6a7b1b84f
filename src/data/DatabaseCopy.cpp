#include "DatabaseCopy.h"

#include "Database.h"
#include "DatabaseStartup.h"
#include "DatabaseUri.h"
#include "Dialect.h"
#include "Schema.h"
#include "Sql.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <list>

namespace {

// Values per INSERT statement: a few dozen rows of the widest table, well below either engine's parameter limit.
constexpr int kValuesPerInsert = 2000;

// A connection of its own to one side of the copy, closed and removed with this object.
class Connection
{
public:
    explicit Connection(QString name)
        : m_name(std::move(name))
    {
    }
    ~Connection()
    {
        if (!QSqlDatabase::contains(m_name))
            return;
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QSqlDatabase open(const QString &datapath) const
    {
        QString error;
        QSqlDatabase db = Database::openConnection(datapath, m_name, &error);
        if (!error.isEmpty())
            throw DatabaseError(error);
        return db;
    }

    // Makes the SQLite file at path (the usual connection never creates one).
    QSqlDatabase create(const QString &path) const
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        if (!db.open())
            throw DatabaseError(db.lastError().text());
        return db;
    }

private:
    QString m_name;
};

// The SQLite file made for the copy: removed again, with its journal, unless the copy was committed.
class MadeFile
{
public:
    MadeFile() = default;
    ~MadeFile()
    {
        if (m_path.isEmpty())
            return;
        for (const char *suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(m_path + QLatin1String(suffix));
    }
    MadeFile(const MadeFile &) = delete;
    MadeFile &operator=(const MadeFile &) = delete;

    void set(const QString &path) { m_path = path; }
    void keep() { m_path.clear(); }

private:
    QString m_path;
};

// A read transaction on the source: every table is read as it stood at the first read, while stations go on writing.
class Snapshot
{
public:
    explicit Snapshot(const QSqlDatabase &db)
        : m_db(db)
    {
        Sql::run(m_db, Dialect::beginSnapshotStatement(m_db));
    }
    ~Snapshot() { QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK")); }
    Snapshot(const Snapshot &) = delete;
    Snapshot &operator=(const Snapshot &) = delete;

private:
    QSqlDatabase m_db;
};

qint64 rowCount(const QSqlDatabase &db, const QString &table)
{
    return Sql::value(db, QStringLiteral("SELECT count(*) FROM %1").arg(table)).toLongLong();
}

// Those of tables that db has.
QStringList present(const QSqlDatabase &db, QStringList tables)
{
    const QStringList there = db.tables();
    tables.removeIf([&](const QString &table) { return !there.contains(table, Qt::CaseInsensitive); });
    return tables;
}

bool sameDatabase(const DatabaseUri &a, const DatabaseUri &b)
{
    if (a.isServer() != b.isServer())
        return false;
    if (!a.isServer())
        return QFileInfo(a.filePath()).canonicalFilePath() == QFileInfo(b.filePath()).canonicalFilePath();
    return a.host() == b.host() && a.port() == b.port() && a.databaseName() == b.databaseName();
}

// Whether the schema must be made in the target; throws the refusal for a target that is not taken.
// Taken: a new file; a server database without our tables (its administrator makes the database, and may keep
// other tables in it, as create-db allows); a delivered database straight from create-db, whose version and counter
// rows the source's replace. Refused: anything holding transports or master data (never mixed into), a file that is
// there but not ours, a database with only some of our tables or of another version.
bool needsSchema(const QSqlDatabase &out, const QString &name)
{
    const QStringList ours = present(out, Schema::allTables());
    if (ours.isEmpty() && Dialect::isServer(out))
        return true;
    if (ours.isEmpty())
        throw DatabaseError(QStringLiteral("The file %1 is not a kelvo database; it is not changed.").arg(name));
    if (ours.size() < Schema::allTables().size())
        throw DatabaseError(QStringLiteral("The database %1 has only some of the tables (%2); it is not changed.")
                                .arg(name, ours.join(QStringLiteral(", "))));
    QSqlQuery version = Sql::run(out, QStringLiteral("SELECT verzio FROM verzio"));
    while (version.next()) {
        if (version.value(0).toDouble() != Schema::kVersion)
            throw DatabaseError(QStringLiteral("The database %1 is of version %2; it is not changed.")
                                    .arg(name, version.value(0).toString()));
    }
    Sql::checkRead(version, out);
    QStringList holding;
    for (const QString &table : Schema::tablesInOpenOrder()) {
        if (rowCount(out, table) > 0)
            holding.append(table);
    }
    if (!holding.isEmpty())
        throw DatabaseError(QStringLiteral("The database %1 already holds data (%2); it is not changed.")
                                .arg(name, holding.join(QStringLiteral(", "))));
    return false;
}

QString insertStatement(const QString &table, const QStringList &columns, qsizetype rows)
{
    const QString row = QLatin1Char('(') + QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) +
                        QLatin1Char(')');
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table, columns.join(QStringLiteral(", ")), QStringList(rows, row).join(QStringLiteral(", ")));
}

void insert(QSqlQuery &query, const QString &table, const QList<QVariant> &values)
{
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values.at(i));
    if (!query.exec())
        throw DatabaseError(QStringLiteral("%1: %2").arg(table, query.lastError().text()));
}

// A source value as the target column of type takes it. NULL stays NULL and an empty text stays empty text; yes/no
// values go over as booleans, which SQLite stores as integers and PostgreSQL will not take as integers.
QVariant targetValue(const QSqlQuery &read, int column, QMetaType type)
{
    if (read.isNull(column))
        return QVariant(type);
    const QVariant value = read.value(column);
    if (type.id() == QMetaType::Bool)
        return value.toBool();
    return Sql::bindable(value);
}

// Streams the rows of table from in into out, a statement per batch of rows; never holds the whole table. The
// prepared statements go into inserts.
void copyTable(const QSqlDatabase &in, const QSqlDatabase &out, const QString &table, std::list<QSqlQuery> &inserts)
{
    const QSqlRecord source = in.record(table);
    const QSqlRecord target = out.record(table);
    QStringList columns;
    QList<QMetaType> types;
    for (int i = 0; i < source.count(); ++i) {
        const QString column = source.fieldName(i);
        if (!target.contains(column))
            throw DatabaseError(QStringLiteral("The target table %1 has no column %2.").arg(table, column));
        columns.append(column);
        types.append(target.field(column).metaType());
    }
    const QString key = Schema::numberedColumn(table);
    QSqlQuery read(in);
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QStringLiteral(", ")), table) +
                   (key.isEmpty() || !columns.contains(key) ? QString() : QStringLiteral(" ORDER BY ") + key)))
        throw DatabaseError(QStringLiteral("%1: %2").arg(table, read.lastError().text()));

    const qsizetype batchRows = std::max<qsizetype>(1, kValuesPerInsert / columns.size());
    QSqlQuery &batch = inserts.emplace_back(out);
    if (!batch.prepare(insertStatement(table, columns, batchRows)))
        throw DatabaseError(QStringLiteral("%1: %2").arg(table, batch.lastError().text()));
    QList<QVariant> values;
    values.reserve(batchRows * columns.size());
    while (read.next()) {
        for (int i = 0; i < columns.size(); ++i)
            values.append(targetValue(read, i, types.at(i)));
        if (values.size() == batchRows * columns.size()) {
            insert(batch, table, values);
            values.clear();
        }
    }
    if (read.lastError().isValid())
        throw DatabaseError(QStringLiteral("%1: %2").arg(table, read.lastError().text()));
    if (!values.isEmpty()) {
        QSqlQuery &rest = inserts.emplace_back(out);
        if (!rest.prepare(insertStatement(table, columns, values.size() / columns.size())))
            throw DatabaseError(QStringLiteral("%1: %2").arg(table, rest.lastError().text()));
        insert(rest, table, values);
    }
    if (!key.isEmpty()) {
        if (const QString sql = Dialect::continueNumberingStatement(out, table, key); !sql.isEmpty())
            Sql::run(out, sql);
    }
}

DatabaseCopy::Result copyInto(const QSqlDatabase &in, const QSqlDatabase &out, const QString &name, bool madeFile)
{
    Snapshot snapshot(in);
    // A source from before the serial number counter has no sorszamlalo; the target keeps its own counter row then,
    // and the counter goes on after the largest serial number all the same.
    const QStringList tables = present(in, Schema::allTables());
    QHash<QString, qint64> expected;
    for (const QString &table : tables)
        expected.insert(table, rowCount(in, table));

    // A server frees prepared statements only outside a failed transaction: they are kept until it has ended.
    std::list<QSqlQuery> inserts;
    // Checked inside the write transaction, so that nothing can arrive between the check and the copy.
    Transaction transaction(out);
    QStringList indexes;
    if (madeFile || needsSchema(out, name)) {
        // Indexes are built once over the copied rows, which is much faster than row by row; so are the search
        // text, the lists' values and the stock totals, which the target makes from its own rows.
        const QStringList derived = Schema::derivedStatements(out);
        for (const QString &sql : Schema::statements(out) + Schema::additions(out)) {
            if (derived.contains(sql))
                continue;
            if (sql.contains(QLatin1String(" INDEX ")))
                indexes.append(sql);
            else
                Sql::run(out, sql);
        }
        indexes += derived;
    }
    for (const char *delivered : {"verzio", "sorszamlalo", "naploszamlalo", "kimenoszamlalo"}) {
        if (tables.contains(QLatin1String(delivered)))
            Sql::run(out, QStringLiteral("DELETE FROM %1").arg(QLatin1String(delivered)));
    }
    for (const QString &table : tables)
        copyTable(in, out, table, inserts);
    for (const QString &sql : std::as_const(indexes))
        Sql::run(out, sql);

    DatabaseCopy::Result result;
    for (const QString &table : Schema::allTables()) {
        const qint64 rows = rowCount(out, table);
        if (expected.contains(table) && rows != expected.value(table))
            throw DatabaseError(QStringLiteral("%1: %2 rows copied of %3; nothing is kept.")
                                    .arg(table)
                                    .arg(rows)
                                    .arg(expected.value(table)));
        result.tables.append({table, rows});
    }
    transaction.commit();
    return result;
}

} // namespace

namespace DatabaseCopy {

Result copy(const QString &from, const QString &to)
{
    if (const auto problem = DatabaseStartup::check(from))
        return {*problem, {}};
    const DatabaseUri target = DatabaseUri::parse(to);
    if (!target.error().isEmpty())
        return {target.error(), {}};
    if (target.isServer()) {
        if (const auto problem = DatabaseStartup::checkExists(to))
            return {*problem, {}};
    }
    if (sameDatabase(DatabaseUri::parse(from), target))
        return {QStringLiteral("%1 is the database copied from; it is not changed.").arg(target.displayName()), {}};
    try {
        // Declared in this order so that the connections close before a made file is removed.
        MadeFile made;
        const Connection source(QStringLiteral("kelvo-copy-from"));
        const Connection sink(QStringLiteral("kelvo-copy-to"));
        const bool makeFile = !target.isServer() && !QFileInfo::exists(target.filePath());
        if (makeFile)
            made.set(target.filePath());
        Result result = copyInto(source.open(from), makeFile ? sink.create(target.filePath()) : sink.open(to),
                                 target.displayName(), makeFile);
        made.keep();
        return result;
    } catch (const DatabaseError &e) {
        return {QString::fromStdString(e.what()), {}};
    }
}

} // namespace DatabaseCopy
