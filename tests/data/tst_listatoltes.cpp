#include "../support/TestDatabase.h"
#include "Database.h"
#include "Dialect.h"
#include "Listatoltes.h"
#include "Sql.h"

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
