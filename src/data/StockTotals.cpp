#include "StockTotals.h"

#include "Dialect.h"

namespace StockTotals {

namespace {

// The columns whose change moves a ticket's weight from one total to another.
constexpr char kCountedColumns[] = "ervenyes, cegnev, ugyfelnev, termeknev, raktar, irany, bedatum, elszamolt";

// Whether the ticket row counts in a report without a chosen carrier or customer: the report's own conditions.
QString counts(const QString &row)
{
    return QStringLiteral("%1.ervenyes = TRUE AND %1.cegnev <> '$' AND %1.ugyfelnev <> '$'").arg(row);
}

// Adds the ticket row to its year's and its month's total (sign "-" takes it away). A missing irany is kept as -1,
// which no direction filter matches, as none matches a NULL.
QString addTo(const QString &row, const QString &sign)
{
    QStringList values;
    for (const int hossz : {kYear, kMonth})
        values.append(QStringLiteral("(%2, substr(COALESCE(%1.bedatum, ''), 1, %2), %1.termeknev, %1.raktar, "
                                     "COALESCE(%1.irany, -1), ")
                          .arg(row)
                          .arg(hossz) +
                      sign + QStringLiteral("COALESCE(%1.elszamolt, 0), ").arg(row) + sign + QStringLiteral("1)"));
    return QStringLiteral("INSERT INTO %1 (hossz, idoszak, termeknev, raktar, irany, elszamolt, db) VALUES %2 "
                          "ON CONFLICT (hossz, idoszak, termeknev, raktar, irany) DO UPDATE SET "
                          "elszamolt = %1.elszamolt + excluded.elszamolt, db = %1.db + excluded.db;")
        .arg(QLatin1String(kTable), values.join(QStringLiteral(", ")));
}

QString recount(int hossz, const QString &onlyWhenEmpty)
{
    return QStringLiteral("SELECT %1 AS hossz, substr(COALESCE(bedatum, ''), 1, %1) AS idoszak, termeknev, raktar, "
                          "COALESCE(irany, -1) AS irany, SUM(COALESCE(elszamolt, 0)) AS elszamolt, COUNT(*) AS db "
                          "FROM %2szallitasok WHERE %3 GROUP BY 2, 3, 4, 5")
        .arg(hossz)
        .arg(onlyWhenEmpty, counts(QStringLiteral("szallitasok")));
}

} // namespace

QString recountSql(int hossz)
{
    return recount(hossz, {});
}

QStringList statements(const QSqlDatabase &db)
{
    const QString table = QLatin1String(kTable);
    QStringList list{
        Dialect::schemaStatement(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (hossz INTEGER NOT NULL, idoszak "
                                                    "TEXT NOT NULL, termeknev TEXT_COL, raktar TEXT_COL, irany "
                                                    "INTEGER NOT NULL, elszamolt BIGINT NOT NULL, db BIGINT NOT NULL)")
                                         .arg(table)),
        QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS %1_kulcs ON %1 (hossz, idoszak, termeknev, raktar, irany)")
            .arg(table)};
    const QString columns = QLatin1String(kCountedColumns);
    if (Dialect::isServer(db)) {
        // Made once, like the quick search's trigger, so that a station whose role does not own the table starts.
        list.append(QStringLiteral(
                        "DO $body$ BEGIN "
                        "IF NOT EXISTS (SELECT 1 FROM pg_trigger WHERE tgname = '%1_change' AND tgrelid = "
                        "'szallitasok'::regclass) THEN "
                        "CREATE OR REPLACE FUNCTION %1_keep() RETURNS trigger LANGUAGE plpgsql AS $fn$ BEGIN "
                        "IF TG_OP <> 'INSERT' THEN IF %3 THEN %4 END IF; END IF; "
                        "IF TG_OP <> 'DELETE' THEN IF %5 THEN %6 END IF; END IF; "
                        "RETURN NULL; END $fn$; "
                        "CREATE TRIGGER %1_change AFTER INSERT OR DELETE OR UPDATE OF %2 ON szallitasok "
                        "FOR EACH ROW EXECUTE FUNCTION %1_keep(); "
                        "END IF; END $body$")
                        .arg(table, columns, counts(QStringLiteral("OLD")),
                             addTo(QStringLiteral("OLD"), QStringLiteral("-")), counts(QStringLiteral("NEW")),
                             addTo(QStringLiteral("NEW"), QString())));
    } else {
        const QString trigger = QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_%2 AFTER %3 ON szallitasok WHEN %4 "
                                               "BEGIN %5 END");
        const QString update = QStringLiteral("UPDATE OF ") + columns;
        list += {trigger.arg(table, QStringLiteral("insert"), QStringLiteral("INSERT"), counts(QStringLiteral("NEW")),
                             addTo(QStringLiteral("NEW"), QString())),
                 trigger.arg(table, QStringLiteral("delete"), QStringLiteral("DELETE"), counts(QStringLiteral("OLD")),
                             addTo(QStringLiteral("OLD"), QStringLiteral("-"))),
                 trigger.arg(table, QStringLiteral("update_old"), update, counts(QStringLiteral("OLD")),
                             addTo(QStringLiteral("OLD"), QStringLiteral("-"))),
                 trigger.arg(table, QStringLiteral("update_new"), update, counts(QStringLiteral("NEW")),
                             addTo(QStringLiteral("NEW"), QString()))};
    }
    // A table without rows beside counted tickets is one just made: it gets their totals at once. After the
    // triggers, so that a ticket a server takes meanwhile waits for them (the trigger's lock) and is counted once.
    for (const int hossz : {kYear, kMonth}) {
        const QString onlyWhenEmpty =
            QStringLiteral("(SELECT 1 AS uj WHERE NOT EXISTS (SELECT 1 FROM %1 WHERE hossz = %2)) AS uj CROSS JOIN ")
                .arg(table)
                .arg(hossz);
        list.append(QStringLiteral("INSERT INTO %1 (hossz, idoszak, termeknev, raktar, irany, elszamolt, db) %2 "
                                   "ON CONFLICT DO NOTHING")
                        .arg(table, recount(hossz, onlyWhenEmpty)));
    }
    return list;
}

} // namespace StockTotals
