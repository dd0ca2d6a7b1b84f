#include "Finishing.h"
#include "FirstWeighing.h"
#include "Modification.h"
#include "Transport.h"
#include "WeighingFixture.h"

class TestModification : public QObject
{
    Q_OBJECT

    // A finished ticket (serial 1) of the worked example.
    static void finishedTicket(const WeighingFixture &f)
    {
        FirstWeighing::Input in;
        in.rendszam = QStringLiteral("ABCDEFGHIJKL"); // longer than the modify window lets one type
        in.nev = QStringLiteral("Agro Kft.");
        in.ugyfelnev = QStringLiteral("Malom Zrt.");
        in.termeknev = QStringLiteral("Búza");
        in.egysegar = QStringLiteral("52000");
        in.suly1 = QStringLiteral("24360");
        QCOMPARE(FirstWeighing::record(f.db(), in, 999999, [] { return OverwriteAnswer::Current; },
                                       QDateTime::currentDateTime())
                     .status,
                 FirstWeighing::Outcome::Status::Saved);
        Finishing::Input out;
        out.rendszam = in.rendszam;
        out.suly2 = QStringLiteral("11220");
        out.raktar = QStringLiteral("Fő raktár");
        out.tisztasag = QStringLiteral("98");
        out.viztartalom = QStringLiteral("18,5");
        out.elvartviz = QStringLiteral("14");
        QCOMPARE(Finishing::finish(f.db(), out, {in.rendszam}, 999999, [](const QString &) { return true; },
                                   QDateTime::currentDateTime())
                     .sorszam,
                 qint64(1));
    }

    static Modification::Fields fieldsOf(const Transport &t)
    {
        return {t.rendszam, t.raktar, t.ugyirat, t.megjegyzes, t.kiszereles,
                t.tablanev, t.parcella, t.tablasorszam, t.termeknev, t.termekkod};
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void changes_data()
    {
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("marked");
        QTest::newRow("OK marks the ticket modified") << false << true;
        QTest::newRow("Shift held keeps it unmarked") << true << false;
    }
    void changes()
    {
        QFETCH(bool, shift);
        QFETCH(bool, marked);
        WeighingFixture f;
        finishedTicket(f);
        const Transport before = *Transport::load(f.db(), 1);
        Modification::Fields fields = fieldsOf(before);
        fields.megjegyzes = QStringLiteral("csak a megjegyzés változik");
        QCOMPARE(Modification::apply(f.db(), 1, fields, shift), std::nullopt);
        const Transport after = *Transport::load(f.db(), 1);
        QCOMPARE(after.megjegyzes, fields.megjegyzes);
        QCOMPARE(after.modositott, marked);
        // Weights and money never change here; the long plate is written back unchanged.
        QCOMPARE(after.rendszam, QStringLiteral("ABCDEFGHIJKL"));
        QCOMPARE(after.suly1, before.suly1);
        QCOMPARE(after.suly2, before.suly2);
        QCOMPARE(after.elszamolt, before.elszamolt);
        QCOMPARE(after.osszeg, before.osszeg);
    }

    void refusalsWriteNothing_data()
    {
        QTest::addColumn<QString>("plate");
        QTest::addColumn<bool>("deletedMeanwhile");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty plate") << "" << false << "Rendszám megadása kötelező !";
        QTest::newRow("ticket deleted meanwhile")
            << "ABC-123" << true
            << "Adatbázis hiba: A módosítandó szállítás nem található, a változások nem lettek mentve !";
    }
    void refusalsWriteNothing()
    {
        QFETCH(QString, plate);
        QFETCH(bool, deletedMeanwhile);
        QFETCH(QString, message);
        WeighingFixture f;
        finishedTicket(f);
        Modification::Fields fields = fieldsOf(*Transport::load(f.db(), 1));
        fields.rendszam = plate;
        fields.raktar = QStringLiteral("Másik");
        if (deletedMeanwhile)
            Sql::run(f.db(), QStringLiteral("DELETE FROM szallitasok WHERE sorszam = 1"));
        const auto refusal = Modification::apply(f.db(), 1, fields, false);
        QVERIFY(refusal);
        QCOMPARE(refusal->message, message);
        if (!deletedMeanwhile) {
            QCOMPARE(Transport::load(f.db(), 1)->raktar, QStringLiteral("Fő raktár"));
            QCOMPARE(Transport::load(f.db(), 1)->modositott, false);
        }
    }
};

QTEST_GUILESS_MAIN(TestModification)
#include "tst_modification.moc"
