#include "Schema.h"

#include "Dialect.h"

#include <QSqlRecord>

// The lists' value table: its statements, apart from the tables of the record.
namespace Schema {

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

} // namespace Schema
