#include "Schema.h"

#include "Database.h"
#include "DatabaseUri.h"
#include "Dialect.h"
#include "Sql.h"
#include "StockTotals.h"
#include "TransportText.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// Text columns: never null, compared without regard to case, like the original database engine did. The column
// types are placeholders that Dialect::schemaStatement fills in for the engine.
#define TEXT_COL " TEXT_COL"
#define BOOL_COL " BOOL_COL"

const char *const kStatements[] = {
    "CREATE TABLE auto ("
    " sorszam AUTO_KEY,"
    " datumido TEXT,"
    " suly INTEGER DEFAULT 0)",

    "CREATE TABLE szallito ("
    " id AUTO_KEY,"
    " rendszam" TEXT_COL ","
    " nev" TEXT_COL ","
    " cim1" TEXT_COL ", cim2" TEXT_COL ", cim3" TEXT_COL ","
    " tarasuly INTEGER DEFAULT 0)",
    "CREATE INDEX szallito_rendszam ON szallito (LIST_KEY(rendszam))",

    "CREATE TABLE termek ("
    " id AUTO_KEY,"
    " nev" TEXT_COL ","
    " kod" TEXT_COL ","
    " kiszereles" TEXT_COL ","
    " egysegar DOUBLE PRECISION DEFAULT 0)",
    "CREATE INDEX termek_nev ON termek (LIST_KEY(nev))",

    "CREATE TABLE folyamatban ("
    " id AUTO_KEY,"
    " rendszam" TEXT_COL ","
    " cegnev" TEXT_COL ","
    " cim1" TEXT_COL ", cim2" TEXT_COL ", cim3" TEXT_COL ","
    " ugyfelnev" TEXT_COL ","
    " ugyfelcim1" TEXT_COL ", ugyfelcim2" TEXT_COL ", ugyfelcim3" TEXT_COL ","
    " termeknev" TEXT_COL ","
    " termekkod" TEXT_COL ","
    " kiszereles" TEXT_COL ","
    " irany INTEGER DEFAULT 0,"
    " suly1 INTEGER DEFAULT 0,"
    " bedatum TEXT,"
    " egysegar DOUBLE PRECISION DEFAULT 0,"
    " kezi" BOOL_COL ")",
    // One row per licence plate.
    "CREATE UNIQUE INDEX folyamatban_rendszam ON folyamatban (rendszam)",

    "CREATE TABLE szallitasok ("
    " id AUTO_KEY,"
    " sorszam INTEGER NOT NULL UNIQUE,"
    " rendszam" TEXT_COL ","
    " cegnev" TEXT_COL ","
    " cim1" TEXT_COL ", cim2" TEXT_COL ", cim3" TEXT_COL ","
    " ugyfelnev" TEXT_COL ","
    " ugyfelcim1" TEXT_COL ", ugyfelcim2" TEXT_COL ", ugyfelcim3" TEXT_COL ","
    " termeknev" TEXT_COL ","
    " termekkod" TEXT_COL ","
    " kiszereles" TEXT_COL ","
    " irany INTEGER DEFAULT 0,"
    " suly1 INTEGER DEFAULT 0,"
    " suly2 INTEGER DEFAULT 0,"
    " bedatum TEXT,"
    " kidatum TEXT,"
    " nettosuly INTEGER DEFAULT 0,"
    " levontsuly INTEGER DEFAULT 0,"
    " elszamolt INTEGER DEFAULT 0,"
    " tisztasag DOUBLE PRECISION DEFAULT 0,"
    " viztartalom DOUBLE PRECISION DEFAULT 0,"
    " elvartviz DOUBLE PRECISION DEFAULT 0,"
    " egysegar DOUBLE PRECISION DEFAULT 0,"
    " osszeg DOUBLE PRECISION DEFAULT 0,"
    " megjegyzes" TEXT_COL ","
    " ugyirat" TEXT_COL ","
    " raktar" TEXT_COL ","
    " felhasznalo" TEXT_COL ","
    " tablanev" TEXT_COL ","
    " parcella" TEXT_COL ","
    " tablasorszam" TEXT_COL ","
    " ervenyes" BOOL_COL ","
    " modositott" BOOL_COL ","
    " kezi" BOOL_COL ","
    " jelolt" BOOL_COL ")",
    "CREATE INDEX szallitasok_rendszam ON szallitasok (LIST_KEY(rendszam))",
    "CREATE INDEX szallitasok_kidatum ON szallitasok (kidatum)",
    // The columns whose distinct values fill the drop-down lists of the weighing, modify and search windows. A list
    // index (LIST_KEY, see Dialect) takes a list from one value to the next in a single index seek.
    "CREATE INDEX szallitasok_cegnev ON szallitasok (LIST_KEY(cegnev))",
    "CREATE INDEX szallitasok_ugyfelnev ON szallitasok (LIST_KEY(ugyfelnev))",
    "CREATE INDEX szallitasok_termeknev ON szallitasok (LIST_KEY(termeknev))",
    "CREATE INDEX szallitasok_termekkod ON szallitasok (LIST_KEY(termekkod))",
    "CREATE INDEX szallitasok_kiszereles ON szallitasok (LIST_KEY(kiszereles))",
    "CREATE INDEX szallitasok_megjegyzes ON szallitasok (LIST_KEY(megjegyzes))",
    "CREATE INDEX szallitasok_ugyirat ON szallitasok (LIST_KEY(ugyirat))",
    "CREATE INDEX szallitasok_raktar ON szallitasok (LIST_KEY(raktar))",
    "CREATE INDEX szallitasok_tablanev ON szallitasok (LIST_KEY(tablanev))",
    "CREATE INDEX szallitasok_parcella ON szallitasok (LIST_KEY(parcella))",
    "CREATE INDEX szallitasok_tablasorszam ON szallitasok (LIST_KEY(tablasorszam))",

    "CREATE TABLE ugyfel ("
    " id AUTO_KEY,"
    " nev" TEXT_COL ","
    " cim1" TEXT_COL ", cim2" TEXT_COL ", cim3" TEXT_COL ")",
    "CREATE INDEX ugyfel_nev ON ugyfel (LIST_KEY(nev))",

    "CREATE TABLE raktar (id AUTO_KEY, raktar" TEXT_COL ")",
    "CREATE INDEX raktar_raktar ON raktar (LIST_KEY(raktar))",

    "CREATE TABLE verzio (verzio DOUBLE PRECISION)",
};

// Objects added after the first delivered files: made by create-db with the rest, and added to an older file when
// its tables are opened. Each statement may run again on a file that has it.
const char *const kAdditions[] = {
    // The last ticket serial number handed out; only ever goes up, so a deleted ticket never frees its number.
    "CREATE TABLE IF NOT EXISTS sorszamlalo (id INTEGER PRIMARY KEY, utolso INTEGER NOT NULL)",
    // An older file continues after its largest serial number.
    "INSERT INTO sorszamlalo (id, utolso) SELECT 1, (SELECT COALESCE(MAX(sorszam), 0) FROM szallitasok) "
    "WHERE NOT EXISTS (SELECT 1 FROM sorszamlalo)",
    // Drop-down lists read one index entry per distinct value, so every listed column needs its index.
    "CREATE INDEX IF NOT EXISTS szallito_nev ON szallito (LIST_KEY(nev))",
    "CREATE INDEX IF NOT EXISTS termek_kiszereles ON termek (LIST_KEY(kiszereles))",
    "CREATE INDEX IF NOT EXISTS szallitasok_felhasznalo ON szallitasok (LIST_KEY(felhasznalo))",
    // A dated search or stock report starts at the first weighing of its first day; without this index a recent
    // period is found by reading every older ticket.
    "CREATE INDEX IF NOT EXISTS szallitasok_bedatum ON szallitasok (bedatum)",
};

// The trail of changes (Trail): rows are only ever appended, each id taken from the counter row, whose update is
// also the lock that keeps two stations from appending after the same row. Plain text: hashes compare exactly.
// No index of its own beyond the key: on a server the program's role does not own naplo and may not add one.
const char *const kTrailAdditions[] = {
    "CREATE TABLE IF NOT EXISTS naplo ("
    " id INTEGER PRIMARY KEY,"
    " ido TEXT NOT NULL,"
    " allomas TEXT NOT NULL DEFAULT '',"
    " felhasznalo TEXT NOT NULL DEFAULT '',"
    " sorszam INTEGER NOT NULL DEFAULT 0,"
    " esemeny TEXT NOT NULL,"
    " regi TEXT NOT NULL DEFAULT '',"
    " uj TEXT NOT NULL DEFAULT '',"
    " elozo TEXT NOT NULL,"
    " hash TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS naploszamlalo (id INTEGER PRIMARY KEY, utolso INTEGER NOT NULL)",
    "INSERT INTO naploszamlalo (id, utolso) SELECT 1, (SELECT COALESCE(MAX(id), 0) FROM naplo) "
    "WHERE NOT EXISTS (SELECT 1 FROM naploszamlalo)",
};
// --- Marks of the weighings, tare dates, print counts ---
// Columns added to the tables of an older file; each is added only where it is missing (SQLite has no
// ADD COLUMN IF NOT EXISTS). Rows already there take the default: a scale weight, an undated tare, never printed.
struct AddedColumn {
    const char *table;
    const char *column;
    const char *type;
};
const AddedColumn kAddedColumns[] = {
    // How each weighing's weight was taken: "" the scale, "K" keyed in, "T" recalled from the tare memory.
    {"folyamatban", "jel1", TEXT_COL},
    {"szallitasok", "jel1", TEXT_COL},
    {"szallitasok", "jel2", TEXT_COL},
    // When the vehicle's tare was stored ("YYYY-MM-DD HH:MM:SS"); empty for a tare stored before dates were kept.
    {"szallito", "taradatum", TEXT_COL},
    // How many times the ticket was printed; every print after the first is a copy.
    {"szallitasok", "nyomtatva", " INTEGER NOT NULL DEFAULT 0"},
};
// --- end of marks ---

#undef TEXT_COL
#undef BOOL_COL

// Tables whose rows the program names by key (a look-up's row, then its update or delete; the first form of a listed
// value). The key is an "id" column the database numbers and never hands out twice, so a row deleted meanwhile is
// never taken for a new one.
const char *const kKeyedTables[] = {"szallito", "termek", "folyamatban", "szallitasok", "ugyfel", "raktar"};

// The statements of kStatements that make table: its CREATE TABLE first, then its indexes.
QStringList tableStatements(const QSqlDatabase &db, const QString &table)
{
    const QString create = QStringLiteral("CREATE TABLE %1 (").arg(table);
    const QString on = QStringLiteral(" ON %1 (").arg(table);
    QStringList list;
    for (const char *sql : kStatements) {
        const QString statement = QString::fromUtf8(sql);
        if (statement.startsWith(create) || (statement.contains(QLatin1String(" INDEX ")) && statement.contains(on)))
            list.append(Dialect::schemaStatement(db, statement));
    }
    return list;
}

// Gives a table of a file made before the id columns its id: rebuilt in the current layout, every row keeping its
// values and taking its row number as id, so ids already shown stay valid and the counter goes on after them.
void addKey(const QSqlDatabase &db, const QString &table)
{
    const QSqlRecord old = db.record(table);
    if (old.contains(QStringLiteral("id")))
        return;
    const QString rowKey = Dialect::implicitRowKey(db);
    if (rowKey.isEmpty())
        throw DatabaseError(QStringLiteral("The table %1 has no id column.").arg(table));
    QStringList statements = tableStatements(db, table);
    const QString rebuilt = table + QStringLiteral("_uj");
    Sql::run(db, statements.takeFirst().replace(QStringLiteral("CREATE TABLE %1 (").arg(table),
                                                QStringLiteral("CREATE TABLE %1 (").arg(rebuilt)));
    // Columns added to the table since keep their values too.
    for (const AddedColumn &c : kAddedColumns) {
        if (table == QLatin1String(c.table) && old.contains(QLatin1String(c.column)))
            Sql::run(db, Dialect::schemaStatement(db, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2%3")
                                                          .arg(rebuilt, QLatin1String(c.column),
                                                               QLatin1String(c.type))));
    }
    QStringList columns;
    for (int i = 0; i < old.count(); ++i)
        columns.append(old.fieldName(i));
    const QString list = columns.join(QStringLiteral(", "));
    Sql::run(db, QStringLiteral("INSERT INTO %1 (id, %2) SELECT %3, %2 FROM %4").arg(rebuilt, list, rowKey, table));
    Sql::run(db, QStringLiteral("DROP TABLE %1").arg(table));
    Sql::run(db, QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(rebuilt, table));
    for (const QString &sql : std::as_const(statements))
        Sql::run(db, sql);
}

} // namespace

namespace Schema {

QStringList statements(const QSqlDatabase &db)
{
    QStringList list = Dialect::schemaPreamble(db);
    for (const char *sql : kStatements)
        list.append(Dialect::schemaStatement(db, QString::fromUtf8(sql)));
    return list;
}

QStringList additions(const QSqlDatabase &db)
{
    QStringList list;
    for (const char *sql : kAdditions)
        list.append(Dialect::schemaStatement(db, QString::fromUtf8(sql)));
    for (const char *sql : kTrailAdditions)
        list.append(Dialect::schemaStatement(db, QString::fromUtf8(sql)));
    // A server also says IF NOT EXISTS: two stations starting at once may both find the column missing.
    const QString addColumn = Dialect::isServer(db) ? QStringLiteral("ALTER TABLE %1 ADD COLUMN IF NOT EXISTS %2%3")
                                                    : QStringLiteral("ALTER TABLE %1 ADD COLUMN %2%3");
    for (const AddedColumn &c : kAddedColumns) {
        if (!db.record(QLatin1String(c.table)).contains(QLatin1String(c.column)))
            list.append(Dialect::schemaStatement(
                db, addColumn.arg(QLatin1String(c.table), QLatin1String(c.column), QLatin1String(c.type))));
    }
    // The search window's list boxes filter only on an entry of their list, looked up without regard to case.
    for (const QString &column : listValueColumns()) {
        if (const QString sql = Dialect::foldIndex(db, QStringLiteral("szallitasok"), column);
            !sql.isEmpty())
            list.append(sql);
    }
    return list + Dialect::changeAnnouncements(db) + derivedStatements(db);
}

QStringList searchTextStatements(const QSqlDatabase &db)
{
    const QString table = QLatin1String(kSearchTable);
    const QString source = QStringLiteral("szallitasok");
    // The text table of an older file carries none of the columns: it is made anew.
    QStringList list;
    if (const QSqlRecord present = db.record(table); !present.isEmpty() && !present.contains(QStringLiteral("sorszam")))
        list = Dialect::dropSubstringTable(db, table, source);
    // The columns of the default order and the totals ride along, so that a quick search in serial order reads
    // only this table.
    return list + Dialect::substringTable(db, table, source, TransportText::searchText(db),
                                          TransportText::searchText(db, QStringLiteral("NEW")),
                                          {QStringLiteral("sorszam INTEGER NOT NULL"),
                                           QStringLiteral("nettosuly INTEGER"), QStringLiteral("elszamolt INTEGER"),
                                           QStringLiteral("osszeg DOUBLE PRECISION")});
}

const QStringList &listValueColumns()
{
    // The list boxes of the search window.
    static const QStringList columns = {
        QStringLiteral("rendszam"),    QStringLiteral("cegnev"),   QStringLiteral("ugyfelnev"),
        QStringLiteral("termeknev"),   QStringLiteral("raktar"),   QStringLiteral("kiszereles"),
        QStringLiteral("ugyirat"),     QStringLiteral("felhasznalo"), QStringLiteral("tablanev"),
        QStringLiteral("parcella"),    QStringLiteral("tablasorszam")};
    return columns;
}

QStringList listValueStatements(const QSqlDatabase &db)
{
    const QString table = QLatin1String(kListValueTable);
    const bool server = Dialect::isServer(db);
    // Exact text: a list keeps every spelling with its first ticket and folds them itself, as it did over the
    // tickets.
    const QString exact = server ? QStringLiteral("CAST(%1%2 AS TEXT)") : QStringLiteral("%1%2");
    QStringList list;
    if (db.record(table).isEmpty()) {
        list.append(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (oszlop TEXT NOT NULL, ertek TEXT NOT NULL, "
                                   "darab INTEGER NOT NULL, elso INTEGER NOT NULL, PRIMARY KEY (oszlop, ertek))%2")
                        .arg(table, server ? QString() : QStringLiteral(" WITHOUT ROWID")));
        for (const QString &column : listValueColumns()) {
            const QString value = exact.arg(QString(), column);
            list.append(QStringLiteral("INSERT INTO %1 (oszlop, ertek, darab, elso) SELECT '%2', %3, COUNT(*), "
                                       "MIN(id) FROM szallitasok WHERE %3 <> '' GROUP BY %3%4")
                            .arg(table, column, value, server ? QString() : QStringLiteral(" COLLATE BINARY")));
        }
    }
    if (!server) {
        // Single writer: the triggers need no locks. A value's first ticket gone, the next is found through the
        // column's list index (the NOCASE group, then the exact spelling).
        QString insert, update, remove;
        for (const QString &column : listValueColumns()) {
            const QString key = QStringLiteral("oszlop = '%1' AND ertek = OLD.%1").arg(column);
            const QString changed = QStringLiteral(" AND NEW.%1 IS NOT OLD.%1 COLLATE BINARY").arg(column);
            const QString add = QStringLiteral(
                "INSERT INTO %1 (oszlop, ertek, darab, elso) SELECT '%2', NEW.%2, 1, NEW.id WHERE NEW.%2 <> ''%3 "
                "ON CONFLICT (oszlop, ertek) DO UPDATE SET darab = darab + 1, elso = MIN(elso, excluded.elso);");
            const QString drop = QStringLiteral(
                "UPDATE %1 SET darab = darab - 1 WHERE %2%3; "
                "DELETE FROM %1 WHERE %2 AND darab = 0%3; "
                "UPDATE %1 SET elso = COALESCE((SELECT id FROM szallitasok WHERE %4 = OLD.%4 AND %4 = OLD.%4 "
                "COLLATE BINARY ORDER BY id LIMIT 1), elso) WHERE %2 AND elso = OLD.id%3;");
            insert += add.arg(table, column, QString());
            remove += drop.arg(table, key, QString(), column);
            update += drop.arg(table, key, changed, column) + add.arg(table, column, changed);
        }
        return list + QStringList{
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_insert AFTER INSERT ON szallitasok BEGIN %2 END")
                .arg(table, insert),
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_update AFTER UPDATE ON szallitasok BEGIN %2 END")
                .arg(table, update),
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_delete AFTER DELETE ON szallitasok BEGIN %2 END")
                .arg(table, remove)};
    }
    // Several stations: every change of a value's row locks that row first (the upsert, the decrement), so counts
    // never miss a concurrent change, a value is removed only by the one who took its count to zero, and a first
    // ticket looked for again sees every ticket committed before it. A statement that changes several tickets runs
    // these after all of its rows: a first ticket looked for then may find none left with the value (the rest of
    // the statement's rows take the count to zero) or one whose own trigger is still to come; either way the
    // statement ends right.
    QString insert, update, remove;
    for (const QString &column : listValueColumns()) {
        const QString oldValue = exact.arg(QStringLiteral("OLD."), column);
        const QString newValue = exact.arg(QStringLiteral("NEW."), column);
        const QString add = QStringLiteral(
                                "IF %3 <> '' THEN INSERT INTO %1 AS e (oszlop, ertek, darab, elso) VALUES "
                                "('%2', %3, 1, NEW.id) ON CONFLICT (oszlop, ertek) DO UPDATE SET darab = e.darab + 1, "
                                "elso = LEAST(e.elso, EXCLUDED.elso); END IF; ")
                                .arg(table, column, newValue);
        const QString drop =
            QStringLiteral("IF %3 <> '' THEN PERFORM %1_remove('%2', %3, OLD.id); END IF; ").arg(table, column, oldValue);
        insert += add;
        remove += drop;
        update += QStringLiteral("IF %1 IS DISTINCT FROM %2 THEN %3%4END IF; ").arg(oldValue, newValue, drop, add);
    }
    return list + QStringList{QStringLiteral(
        "DO $body$ BEGIN "
        "IF NOT EXISTS (SELECT 1 FROM pg_trigger WHERE tgname = '%1_change' AND tgrelid = 'szallitasok'::regclass) "
        "THEN "
        "CREATE OR REPLACE FUNCTION %1_remove(col TEXT, val TEXT, row_id INTEGER) RETURNS void LANGUAGE plpgsql "
        "AS $fn$ DECLARE left_count INTEGER; first_id INTEGER; BEGIN "
        "UPDATE %1 SET darab = darab - 1 WHERE oszlop = col AND ertek = val RETURNING darab, elso "
        "INTO left_count, first_id; "
        "IF left_count = 0 THEN DELETE FROM %1 WHERE oszlop = col AND ertek = val; "
        "ELSIF first_id = row_id THEN "
        "EXECUTE format('UPDATE %1 SET elso = COALESCE((SELECT MIN(id) FROM szallitasok WHERE CAST(%I AS TEXT) "
        "= $1), elso) WHERE oszlop = $2 AND ertek = $1', col) USING val, col; "
        "END IF; END $fn$; "
        "CREATE OR REPLACE FUNCTION %1_keep() RETURNS trigger LANGUAGE plpgsql AS $fn$ BEGIN "
        "IF TG_OP = 'INSERT' THEN %2"
        "ELSIF TG_OP = 'DELETE' THEN %3"
        "ELSE %4END IF; "
        "RETURN NULL; END $fn$; "
        "CREATE TRIGGER %1_change AFTER INSERT OR UPDATE OR DELETE ON szallitasok "
        "FOR EACH ROW EXECUTE FUNCTION %1_keep(); "
        "END IF; END $body$")
                                  .arg(table, insert, remove, update)};
}

QStringList derivedStatements(const QSqlDatabase &db)
{
    return searchTextStatements(db) + listValueStatements(db) + StockTotals::statements(db);
}

QStringList tablesInOpenOrder()
{
    return {QStringLiteral("auto"),        QStringLiteral("szallito"), QStringLiteral("termek"),
            QStringLiteral("folyamatban"), QStringLiteral("szallitasok"), QStringLiteral("ugyfel"),
            QStringLiteral("raktar")};
}

QStringList allTables()
{
    return tablesInOpenOrder() + QStringList{QStringLiteral("verzio"), QStringLiteral("sorszamlalo"),
                                             QStringLiteral("naplo"), QStringLiteral("naploszamlalo")};
}

QString numberedColumn(const QString &table)
{
    const QString create = QStringLiteral("CREATE TABLE %1 (").arg(table);
    static const QRegularExpression key(QStringLiteral("(\\w+) AUTO_KEY"));
    for (const char *sql : kStatements) {
        const QString statement = QString::fromUtf8(sql);
        if (statement.startsWith(create))
            return key.match(statement).captured(1);
    }
    return {};
}

QString create(QSqlDatabase &db)
{
    if (!db.transaction())
        return db.lastError().text();
    QSqlQuery query(db);
    for (const QString &sql : statements(db) + additions(db)) {
        if (!query.exec(sql)) {
            const QString error = query.lastError().text();
            db.rollback();
            return error;
        }
    }
    query.prepare(QStringLiteral("INSERT INTO verzio (verzio) VALUES (:v)"));
    query.bindValue(QStringLiteral(":v"), kVersion);
    if (!query.exec()) {
        const QString error = query.lastError().text();
        db.rollback();
        return error;
    }
    if (!db.commit())
        return db.lastError().text();
    return {};
}

QString upgrade(const QSqlDatabase &db)
{
    try {
        Transaction transaction(db);
        for (const char *table : kKeyedTables)
            addKey(db, QLatin1String(table));
        for (const QString &sql : additions(db))
            Sql::run(db, sql);
        transaction.commit();
    } catch (const DatabaseError &e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

} // namespace Schema

namespace Schema {

QString createFile(const QString &path)
{
    if (QFileInfo::exists(path))
        return QStringLiteral("A file already exists at %1; it is not overwritten.").arg(path);
    const QString name = QStringLiteral("kelvo-create");
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            error = db.lastError().text();
        else
            error = create(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty())
        QFile::remove(path);
    return error;
}

QString createDatabase(const QString &datapath)
{
    const DatabaseUri uri = DatabaseUri::parse(datapath);
    if (!uri.isServer())
        return createFile(uri.filePath());
    const QString name = QStringLiteral("kelvo-create");
    QString error;
    {
        QSqlDatabase db = Database::openConnection(datapath, name, &error);
        if (error.isEmpty()) {
            QStringList ours = allTables();
            const QStringList present = db.tables();
            ours.removeIf([&](const QString &table) { return !present.contains(table, Qt::CaseInsensitive); });
            if (!ours.isEmpty())
                error = QStringLiteral("The database %1 already has tables (%2); it is not changed.")
                            .arg(uri.displayName(), ours.join(QStringLiteral(", ")));
            else
                error = create(db);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}

} // namespace Schema
