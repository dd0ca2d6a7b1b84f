#include "../support/TestDatabase.h"

#include "Database.h"
#include "WindowHelpers.h"

#include <QComboBox>
#include <QSqlQuery>
#include <QTest>

class TestWindowHelpers : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;
    std::unique_ptr<Database> m_db;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void init()
    {
        m_db = std::make_unique<Database>(m_databases.created(QString::fromLatin1(QTest::currentTestFunction())));
        QCOMPARE(m_db->open(), QString());
    }
    void cleanup() { m_db.reset(); }

    void fillKeepsTheEditText()
    {
        QSqlQuery q(m_db->db());
        QVERIFY(q.exec(QStringLiteral("INSERT INTO szallito (rendszam) VALUES ('ABC-123'), ('XYZ-999'), ('abc-123')")));
        QComboBox box;
        box.setEditable(true);
        box.addItem(QStringLiteral("stale"));
        box.setEditText(QStringLiteral("typed"));
        listatoltes(&box, m_db->db(), QStringLiteral("szallito"), QStringLiteral("rendszam"));
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(0), QStringLiteral("ABC-123"));
        QCOMPARE(box.itemText(1), QStringLiteral("XYZ-999"));
        QCOMPARE(box.currentText(), QStringLiteral("typed"));
    }

    void fillOnEmptyTableEmptiesTheList()
    {
        QComboBox box;
        box.setEditable(true);
        box.addItems({QStringLiteral("a"), QStringLiteral("b")});
        box.setEditText(QStringLiteral("kept"));
        listatoltes(&box, m_db->db(), QStringLiteral("raktar"), QStringLiteral("raktar"));
        QCOMPARE(box.count(), 0);
        QCOMPARE(box.currentText(), QStringLiteral("kept"));
    }
};

QTEST_MAIN(TestWindowHelpers)
#include "tst_windowhelpers.moc"
