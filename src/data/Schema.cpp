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
// The pictures of the weighings (Pictures): each belongs to one transport, while it is in progress by its
// folyamatban row (folyamatban_id), once finished by its serial number (sorszam), or to a row of the unattended
// logger (auto_sorszam); meres is the weighing (1 or 2), kamera the camera (1 to 4). kep holds the JPEG bytes, NULL
// when the camera gave none (hiany says why); hash is their SHA-256 in hex. A transport has one picture per
// weighing and camera.
const char *const kPictureAdditions[] = {
    "CREATE TABLE IF NOT EXISTS kepek ("
    " id AUTO_KEY,"
    " folyamatban_id INTEGER,"
    " sorszam INTEGER,"
    " auto_sorszam INTEGER,"
    " meres INTEGER NOT NULL,"
    " kamera INTEGER NOT NULL,"
    " kameranev TEXT_COL,"
    " ido TEXT,"
    " kep BLOB_COL,"
    " hiany TEXT_COL,"
    " hash TEXT_COL)",
    "CREATE UNIQUE INDEX IF NOT EXISTS kepek_sorszam ON kepek (sorszam, meres, kamera)",
    "CREATE UNIQUE INDEX IF NOT EXISTS kepek_folyamatban ON kepek (folyamatban_id, meres, kamera)",
    "CREATE UNIQUE INDEX IF NOT EXISTS kepek_auto ON kepek (auto_sorszam, meres, kamera)",
};
// The users of the office service (WebUsers): nev is the login name, szerep "iroda" (the pages) or "erp" (the API).
// jelszo holds the password's PBKDF2 hash with its own parameters, token the SHA-256 (hex) of an erp user's API
// token; the secrets themselves are never stored.
const char *const kWebUserAdditions[] = {
    "CREATE TABLE IF NOT EXISTS webfelhasznalo ("
    " id AUTO_KEY,"
    " nev TEXT_COL,"
    " szerep TEXT_COL,"
    " jelszo TEXT_COL,"
    " token TEXT_COL,"
    " letrehozva TEXT)",
    "CREATE UNIQUE INDEX IF NOT EXISTS webfelhasznalo_nev ON webfelhasznalo (nev)",
    "CREATE INDEX IF NOT EXISTS webfelhasznalo_token ON webfelhasznalo (token)",
};

// The outbox of the webhooks: one row per finished, cancelled or modified ticket (esemeny), written in the ticket's own
// transaction with the ticket as JSON at that moment (adat). Ids come from the counter row, whose update is the lock
// that makes them visible in the order they were taken: a sender never passes an id whose row is still uncommitted.
// kimeno_cel holds each webhook URL's progress: the last id it took (utolso) and its current run of failures.
const char *const kOutboxAdditions[] = {
    "CREATE TABLE IF NOT EXISTS kimeno ("
    " id INTEGER PRIMARY KEY,"
    " esemeny TEXT NOT NULL,"
    " sorszam INTEGER NOT NULL,"
    " ido TEXT NOT NULL,"
    " adat TEXT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS kimeno_ido ON kimeno (ido)",
    "CREATE TABLE IF NOT EXISTS kimenoszamlalo (id INTEGER PRIMARY KEY, utolso INTEGER NOT NULL)",
    "INSERT INTO kimenoszamlalo (id, utolso) SELECT 1, (SELECT COALESCE(MAX(id), 0) FROM kimeno) "
    "WHERE NOT EXISTS (SELECT 1 FROM kimenoszamlalo)",
    "CREATE TABLE IF NOT EXISTS kimeno_cel ("
    " url TEXT NOT NULL PRIMARY KEY,"
    " utolso INTEGER NOT NULL DEFAULT 0,"
    " hibak INTEGER NOT NULL DEFAULT 0,"
    " hiba TEXT NOT NULL DEFAULT '',"
    " kovetkezo TEXT NOT NULL DEFAULT '')",
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

// A dated search or stock report starts at the first weighing of its first day; without this index a recent
// period is found by reading every older ticket. A server also checks the second weighing's bound in the index, so
// that a period in the past does not fetch every ticket weighed since it began (the planner takes the two-column
// index only when the one-column one is gone).
QStringList periodIndexStatements(const QSqlDatabase &db)
{
    if (!Dialect::isServer(db))
        return {QStringLiteral("CREATE INDEX IF NOT EXISTS szallitasok_bedatum ON szallitasok (bedatum)")};
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS szallitasok_idoszak ON szallitasok (bedatum, kidatum)"),
            QStringLiteral("DROP INDEX IF EXISTS szallitasok_bedatum")};
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
    for (const char *sql : kPictureAdditions)
        list.append(Dialect::schemaStatement(db, QString::fromUtf8(sql)));
    for (const char *sql : kWebUserAdditions)
        list.append(Dialect::schemaStatement(db, QString::fromUtf8(sql)));
    for (const char *sql : kOutboxAdditions)
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

QStringList coveringIndexStatements(const QSqlDatabase &db)
{
    if (!Dialect::isServer(db))
        return {};
    // The earlier ones served the stock report alone; these hold what a search's list and totals read as well.
    QStringList list{QStringLiteral("DROP INDEX IF EXISTS szallitasok_cegnev_keszlet"),
                     QStringLiteral("DROP INDEX IF EXISTS szallitasok_ugyfelnev_keszlet")};
    for (const char *column : {"cegnev", "ugyfelnev", "termeknev", "raktar"})
        list.append(QStringLiteral("CREATE INDEX IF NOT EXISTS szallitasok_%1_fedo ON szallitasok "
                                   "(lower(CAST(%1 AS TEXT)), bedatum) INCLUDE (cegnev, ugyfelnev, termeknev, raktar, "
                                   "irany, ervenyes, elszamolt, sorszam, kidatum, nettosuly, osszeg)")
                        .arg(QLatin1String(column)));
    return list;
}

QStringList derivedStatements(const QSqlDatabase &db)
{
    return searchTextStatements(db) + listValueStatements(db) + StockTotals::statements(db)
           + coveringIndexStatements(db) + periodIndexStatements(db);
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
                                             QStringLiteral("naplo"), QStringLiteral("naploszamlalo"),
                                             QStringLiteral("kepek"), QStringLiteral("webfelhasznalo"),
                                             QStringLiteral("kimeno"), QStringLiteral("kimenoszamlalo"),
                                             QStringLiteral("kimeno_cel")};
}

QString numberedColumn(const QString &table)
{
    const QString create = QStringLiteral("CREATE TABLE %1 (").arg(table);
    static const QRegularExpression key(QStringLiteral("(\\w+) AUTO_KEY"));
    const QString added = QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (").arg(table);
    for (const char *sql : kStatements) {
        const QString statement = QString::fromUtf8(sql);
        if (statement.startsWith(create))
            return key.match(statement).captured(1);
    }
    QList<const char *> addedTables(std::begin(kPictureAdditions), std::end(kPictureAdditions));
    addedTables.append(QList<const char *>(std::begin(kWebUserAdditions), std::end(kWebUserAdditions)));
    for (const char *sql : std::as_const(addedTables)) {
        const QString statement = QString::fromUtf8(sql);
        if (statement.startsWith(added))
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
