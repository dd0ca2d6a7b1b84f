#include "../support/ListValues.h"
#include "../support/TestDatabase.h"
#include "Database.h"
#include "Dialect.h"
#include "Listatoltes.h"
#include "Schema.h"
#include "Sql.h"

#include <QRandomGenerator>

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

class TestListatoltes : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;
    int m_made = 0;
    std::unique_ptr<Database> m_db;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init()
    {
        m_db = std::make_unique<Database>(m_databases.created(QStringLiteral("list%1").arg(++m_made)));
        QCOMPARE(m_db->open(), QString());
        QSqlQuery q(m_db->db());
        // A column that admits nulls, as a database from elsewhere may have.
        QVERIFY2(q.exec(Dialect::schemaStatement(m_db->db(), QStringLiteral("CREATE TABLE t (id AUTO_KEY, v TEXT)"))),
                 qPrintable(q.lastError().text()));
    }
    void cleanup() { m_db.reset(); }

    void distinctValues_data()
    {
        QTest::addColumn<QVariantList>("rows");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Kft, KFT, null, empty")
            << QVariantList{QStringLiteral("Kft"), QStringLiteral("KFT"), QVariant(), QString()}
            << QStringList{QStringLiteral("Kft")};
        QTest::newRow("first form met wins")
            << QVariantList{QStringLiteral("KFT"), QStringLiteral("Kft")} << QStringList{QStringLiteral("KFT")};
        QTest::newRow("hungarian order: cs after c, accents after plain")
            << QVariantList{QStringLiteral("Dió"), QStringLiteral("Csiga"), QStringLiteral("Cukor"),
                            QStringLiteral("Őz"), QStringLiteral("Oroszlán"), QStringLiteral("Zab")}
            << QStringList{QStringLiteral("Cukor"), QStringLiteral("Csiga"), QStringLiteral("Dió"),
                           QStringLiteral("Oroszlán"), QStringLiteral("Őz"), QStringLiteral("Zab")};
        QTest::newRow("accents are not case") << QVariantList{QStringLiteral("árpa"), QStringLiteral("arpa")}
                                              << QStringList{QStringLiteral("arpa"), QStringLiteral("árpa")};
        QTest::newRow("accented case variants fold")
            << QVariantList{QStringLiteral("ÉPÍTŐ"), QStringLiteral("építő")} << QStringList{QStringLiteral("ÉPÍTŐ")};
        QTest::newRow("empty table") << QVariantList{} << QStringList{};
        QTest::newRow("only nulls and empties") << QVariantList{QVariant(), QString()} << QStringList{};
    }
    void distinctValues()
    {
        QFETCH(QVariantList, rows);
        QFETCH(QStringList, expected);
        QSqlQuery q(m_db->db());
        q.prepare(QStringLiteral("INSERT INTO t (v) VALUES (?)"));
        for (const QVariant &v : rows) {
            q.addBindValue(v.isValid() ? v : QVariant(QMetaType::fromType<QString>()));
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        }
        QCOMPARE(distinctColumnValues(m_db->db(), QStringLiteral("t"), QStringLiteral("v")), expected);
    }

    // The tickets' lists come from a value table kept by triggers: after any mix of changes it must hold what a
    // recount finds, and give the lists the skip scan over the tickets gives.
    void keptValuesFollowEveryChange_data()
    {
        QTest::addColumn<bool>("older");
        QTest::newRow("made with the database") << false;
        QTest::newRow("older database brought up to date") << true;
    }
    void keptValuesFollowEveryChange()
    {
        QFETCH(bool, older);
        const QSqlDatabase db = m_db->db();
        const QString table = QLatin1String(Schema::kListValueTable);
        // Case and accent variants, so that spellings meet and part in every way.
        const QStringList pool = {"", "Kft", "KFT", "kft", "Árpa", "ÁRPA", "árpa", "arpa", "Zab", "ABC-1", "abc-1"};
        QRandomGenerator random(older ? 7 : 11);
        const QStringList columns = Schema::listValueColumns();
        const auto pick = [&] { return pool.at(random.bounded(int(pool.size()))); };
        qint64 serial = 0;
        const auto insert = [&] {
            QSqlQuery q(db);
            QStringList names;
            for (const QString &c : columns)
                names.append(QLatin1Char(':') + c);
            q.prepare(QStringLiteral("INSERT INTO szallitasok (sorszam, %1) VALUES (:sorszam, %2)")
                          .arg(columns.join(QStringLiteral(", ")), names.join(QStringLiteral(", "))));
            Sql::bind(q, QStringLiteral(":sorszam"), ++serial);
            for (const QString &name : std::as_const(names))
                Sql::bind(q, name, pick());
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        };
        for (int i = 0; i < 40; ++i)
            insert();
        if (older) {
            const QStringList drops =
                TestDatabase::onServer()
                    ? QStringList{"DROP TRIGGER %1_change ON szallitasok", "DROP FUNCTION %1_keep()",
                                  "DROP FUNCTION %1_remove(TEXT, TEXT, INTEGER)", "DROP TABLE %1"}
                    : QStringList{"DROP TRIGGER %1_insert", "DROP TRIGGER %1_update", "DROP TRIGGER %1_delete",
                                  "DROP TABLE %1"};
            for (const QString &sql : drops)
                Sql::run(db, sql.arg(table));
            for (int i = 0; i < 20; ++i)
                insert();
            QCOMPARE(Schema::upgrade(db), QString());
            QCOMPARE(ListValues::stored(db), ListValues::recounted(db));
        }
        const auto anyId = [&] {
            return Sql::value(db, QStringLiteral("SELECT id FROM szallitasok ORDER BY id LIMIT 1 OFFSET %1")
                                      .arg(random.bounded(int(Sql::value(db, QStringLiteral("SELECT count(*) FROM "
                                                                                            "szallitasok")).toInt()))))
                .toLongLong();
        };
        Transaction transaction(db);
        for (int step = 0; step < 200; ++step) {
            const QString column = columns.at(random.bounded(int(columns.size())));
            switch (random.bounded(5)) {
            case 0:
                insert();
                break;
            case 1: // one ticket's field
                Sql::run(db, QStringLiteral("UPDATE szallitasok SET %1 = :v WHERE id = :id").arg(column),
                         {{":v", pick()}, {":id", anyId()}});
                break;
            case 2: // a name renamed on every ticket, its case changed among others
                Sql::run(db, QStringLiteral("UPDATE szallitasok SET %1 = :new WHERE %1 = :old").arg(column),
                         {{":new", pick()}, {":old", pick()}});
                break;
            case 3: // a change that leaves the listed fields as they are
                Sql::run(db, QStringLiteral("UPDATE szallitasok SET jelolt = TRUE WHERE id = :id"), {{":id", anyId()}});
                break;
            default:
                Sql::run(db, QStringLiteral("DELETE FROM szallitasok WHERE id = :id"), {{":id", anyId()}});
            }
        }
        transaction.commit();
        QCOMPARE(ListValues::stored(db), ListValues::recounted(db));

        QList<QStringList> kept;
        for (const QString &c : columns)
            kept.append(distinctColumnValues(db, QStringLiteral("szallitasok"), c));
        Sql::run(db, QStringLiteral("DROP TABLE %1").arg(table));
        for (qsizetype i = 0; i < columns.size(); ++i)
            QCOMPARE(kept.at(i), distinctColumnValues(db, QStringLiteral("szallitasok"), columns.at(i)));
    }

    void failedQueryThrowsTheDatabaseText()
    {
        // An empty list here would look like an empty table to the operator.
        try {
            distinctColumnValues(m_db->db(), QStringLiteral("t"), QStringLiteral("nincs"));
            QFAIL("no DatabaseError");
        } catch (const DatabaseError &e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("nincs")), e.what());
        }
    }
};

QTEST_GUILESS_MAIN(TestListatoltes)
#include "tst_listatoltes.moc"
