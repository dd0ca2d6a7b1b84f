#include "../support/TestDatabase.h"

#include "Database.h"
#include "Transport.h"

#include <QTest>

class TestTransport : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void insertThenLoadGivesEveryFieldBack()
    {
        Database db(m_databases.created(QStringLiteral("k")));
        QCOMPARE(db.open(), QString());

        Transport t;
        t.sorszam = 123456;
        t.rendszam = QStringLiteral("ABC-123");
        t.cegnev = QStringLiteral("Agro Kft.");
        t.cim3 = QStringLiteral("Szeged");
        t.ugyfelnev = QStringLiteral("Őszi Bt.");
        t.termeknev = QStringLiteral("Búza");
        t.termekkod = QStringLiteral("02 01 03");
        t.irany = 1;
        t.suly1 = 41250;
        t.suly2 = 15000;
        t.bedatum = QDateTime(QDate(2026, 12, 8), QTime(7, 5, 9));
        t.kidatum = QDateTime(QDate(2026, 12, 8), QTime(9, 1, 2));
        t.nettosuly = -26250;
        t.levontsuly = -525;
        t.elszamolt = -25725;
        t.tisztasag = 98.5;
        t.viztartalom = 14.2;
        t.elvartviz = 15;
        t.egysegar = 52000;
        t.osszeg = -1337700;
        t.megjegyzes = QStringLiteral("%osszeg% a megjegyzésben");
        t.felhasznalo = QStringLiteral("merlegmester");
        t.tablasorszam = QStringLiteral("00042");
        t.ervenyes = true;
        t.kezi = true;
        QCOMPARE(t.insert(db.db()), QString());

        const std::optional<Transport> back = Transport::load(db.db(), 123456);
        QVERIFY(back);
        QCOMPARE(back->rendszam, t.rendszam);
        QCOMPARE(back->ugyfelnev, t.ugyfelnev);
        QCOMPARE(back->irany, 1);
        QCOMPARE(back->suly1, t.suly1);
        QCOMPARE(back->bedatum, t.bedatum);
        QCOMPARE(back->kidatum, t.kidatum);
        QCOMPARE(back->elszamolt, t.elszamolt);
        QCOMPARE(back->tisztasag, 98.5);
        QCOMPARE(back->osszeg, t.osszeg);
        QCOMPARE(back->megjegyzes, t.megjegyzes);
        QCOMPARE(back->tablasorszam, QStringLiteral("00042"));
        QCOMPARE(back->ervenyes, true);
        QCOMPARE(back->modositott, false);
        QCOMPARE(back->kezi, true);
        QVERIFY(!Transport::load(db.db(), 7));
        // The serial number is unique.
        QVERIFY(!t.insert(db.db()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
