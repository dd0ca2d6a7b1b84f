#include "Finishing.h"
#include "FirstWeighing.h"
#include "InProgress.h"
#include "Transport.h"
#include "WeighingFixture.h"

namespace {

const QDateTime kIn(QDate(2026, 12, 8), QTime(7, 0, 0));
const QDateTime kOut(QDate(2026, 12, 8), QTime(8, 15, 30));

void start(const QSqlDatabase &db, const QString &plate, qint64 w1, int irany, bool kezi = false,
           WeightOrigin origin = WeightOrigin::Scale, OverwriteAnswer answer = OverwriteAnswer::Current)
{
    FirstWeighing::Input in;
    in.rendszam = plate;
    in.nev = QStringLiteral("Agro Kft.");
    in.ugyfelnev = QStringLiteral("Malom Zrt.");
    in.termeknev = QStringLiteral("Búza");
    in.egysegar = QStringLiteral("52000");
    in.suly1 = QString::number(w1);
    in.irany = irany;
    in.kezi = kezi;
    in.origin = origin;
    const auto out = FirstWeighing::record(db, in, 999999, [answer] { return answer; }, kIn);
    QCOMPARE(out.status, FirstWeighing::Outcome::Status::Saved);
}

Finishing::Input finishInput(const QString &plate, const QString &w2)
{
    Finishing::Input in;
    in.rendszam = plate;
    in.suly2 = w2;
    in.raktar = QStringLiteral("Fő raktár");
    in.tisztasag = QStringLiteral("98");
    in.viztartalom = QStringLiteral("18,5");
    in.elvartviz = QStringLiteral("14");
    in.megjegyzes = QStringLiteral("próba");
    in.tablasorszam = QStringLiteral("12");
    in.felhasznalo = QStringLiteral("merlegmester");
    return in;
}

const auto kYes = [](const QString &) { return true; };

} // namespace

class TestFinishing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void workedExampleStoresTheTicket_data()
    {
        QTest::addColumn<int>("irany");
        QTest::addColumn<int>("sign");
        QTest::newRow("inbound") << 0 << 1;
        QTest::newRow("outbound") << 1 << -1;
    }
    void workedExampleStoresTheTicket()
    {
        QFETCH(int, irany);
        QFETCH(int, sign);
        WeighingFixture f;
        start(f.db(), QStringLiteral("ABC-123"), 24360, irany, true);
        const auto out = Finishing::finish(f.db(), finishInput(QStringLiteral("ABC-123"), QStringLiteral("11220")),
                                           {QStringLiteral("ABC-123")}, 999999, kYes, kOut);
        QCOMPARE(out.status, Finishing::Outcome::Status::Saved);
        QCOMPARE(out.sorszam, qint64(1));
        QCOMPARE(f.count("folyamatban"), qint64(0));
        const auto t = Transport::load(f.db(), 1);
        QVERIFY(t);
        QCOMPARE(t->suly1, qint64(24360));
        QCOMPARE(t->suly2, qint64(11220));
        QCOMPARE(t->nettosuly, sign * qint64(13140));
        QCOMPARE(t->elszamolt, sign * qint64(12298));
        QCOMPARE(t->levontsuly, sign * qint64(842));
        QCOMPARE(t->osszeg, sign * 639496.0);
        QCOMPARE(t->tisztasag, 98.0);
        QCOMPARE(t->viztartalom, 18.5);
        QCOMPARE(t->elvartviz, 14.0);
        QCOMPARE(t->egysegar, 52000.0);
        QCOMPARE(t->irany, irany);
        QCOMPARE(t->bedatum, kIn);
        QCOMPARE(t->kidatum, kOut);
        QCOMPARE(t->raktar, QStringLiteral("Fő raktár"));
        QCOMPARE(t->felhasznalo, QStringLiteral("merlegmester"));
        QCOMPARE(t->tablasorszam, QStringLiteral("12"));
        QCOMPARE(t->ervenyes, true);
        QCOMPARE(t->modositott, false);
        QCOMPARE(t->kezi, true);
    }

    // The mark of each weighing follows its weight from the first weighing to the ticket; a weight taken again from
    // the scale, or the stored one kept, carries its own mark.
    void marksFollowTheWeighings_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<QString>("then");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("jel1");
        QTest::addColumn<QString>("jel2");
        const int scale = int(WeightOrigin::Scale), keyed = int(WeightOrigin::Keyed),
                  recalled = int(WeightOrigin::Recalled);
        QTest::newRow("both from the scale") << scale << "" << scale << "" << "";
        QTest::newRow("keyed, then recalled tare") << keyed << "" << recalled << "K" << "T";
        QTest::newRow("recalled tare, then keyed") << recalled << "" << keyed << "T" << "K";
        QTest::newRow("keyed, re-weighed on the scale") << keyed << "reweigh" << scale << "" << "";
        QTest::newRow("keyed, stored weight kept") << keyed << "previous" << scale << "K" << "";
        QTest::newRow("scale, overwritten keyed") << scale << "current" << scale << "K" << "";
    }
    void marksFollowTheWeighings()
    {
        QFETCH(int, first);
        QFETCH(QString, then);
        QFETCH(int, second);
        QFETCH(QString, jel1);
        QFETCH(QString, jel2);
        WeighingFixture f;
        const QString plate = QStringLiteral("M-1");
        start(f.db(), plate, 24000, 0, false, WeightOrigin(first));
        if (then == u"reweigh")
            QVERIFY(InProgress::reweigh(f.db(), *InProgress::find(f.db(), plate), 24100));
        else if (then == u"previous")
            start(f.db(), plate, 25000, 0, false, WeightOrigin::Scale, OverwriteAnswer::Previous);
        else if (then == u"current")
            start(f.db(), plate, 25000, 0, false, WeightOrigin::Keyed, OverwriteAnswer::Current);
        Finishing::Input in = finishInput(plate, QStringLiteral("11000"));
        in.origin = WeightOrigin(second);
        QCOMPARE(Finishing::finish(f.db(), in, {plate}, 999999, kYes, kOut).status, Finishing::Outcome::Status::Saved);
        const auto t = Transport::load(f.db(), 1);
        QVERIFY(t);
        QCOMPARE(t->jel1, jel1);
        QCOMPARE(t->jel2, jel2);
    }

    void checksInOrder_data()
    {
        QTest::addColumn<QString>("plate");
        QTest::addColumn<QString>("warehouse");
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("purity");
        QTest::addColumn<QString>("moisture");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("message");
        QTest::newRow("plate not in the list") << "XYZ-999" << "R" << "100" << "100" << "0" << "0"
                                               << "A rendszám nem megfelelő !";
        QTest::newRow("trailing blank") << "ABC-123 " << "R" << "100" << "100" << "0" << "0"
                                        << "A rendszám nem megfelelő !";
        QTest::newRow("no warehouse") << "ABC-123" << "" << "100" << "100" << "0" << "0" << "A Raktár megadása kötelező !";
        QTest::newRow("zero weight") << "ABC-123" << "R" << "0" << "100" << "0" << "0" << "Súly megadása kötelező !";
        QTest::newRow("empty weight") << "ABC-123" << "R" << "" << "100" << "0" << "0" << "Súly megadása kötelező !";
        QTest::newRow("lone minus") << "ABC-123" << "R" << "-" << "100" << "0" << "0" << "Súly megadása kötelező !";
        QTest::newRow("over maximum") << "ABC-123" << "R" << "1000000" << "100" << "0" << "0"
                                      << "A mért tömeg elfogadása nem engedélyezett !";
        QTest::newRow("purity 0.5") << "ABC-123" << "R" << "100" << "0,5" << "0" << "0"
                                    << "A tisztaságnak 1 és 100% között kell lennie !";
        QTest::newRow("purity over 100") << "ABC-123" << "R" << "100" << "100,1" << "0" << "0"
                                         << "A tisztaságnak 1 és 100% között kell lennie !";
        QTest::newRow("moisture over 100") << "ABC-123" << "R" << "100" << "100" << "101" << "0"
                                           << "A víztartalomnak 0 és 100% között kell lennie !";
        QTest::newRow("negative expected") << "ABC-123" << "R" << "100" << "100" << "0" << "-1"
                                           << "Az elvárt víztartalomnak 0 és 100% között kell lennie !";
    }
    void checksInOrder()
    {
        QFETCH(QString, plate);
        QFETCH(QString, warehouse);
        QFETCH(QString, weight);
        QFETCH(QString, purity);
        QFETCH(QString, moisture);
        QFETCH(QString, expected);
        QFETCH(QString, message);
        WeighingFixture f;
        start(f.db(), QStringLiteral("ABC-123"), 24360, 0);
        Finishing::Input in = finishInput(plate, weight);
        in.raktar = warehouse;
        in.tisztasag = purity;
        in.viztartalom = moisture;
        in.elvartviz = expected;
        bool asked = false;
        const auto out = Finishing::finish(f.db(), in, {QStringLiteral("ABC-123")}, 999999,
                                           [&](const QString &) { return asked = true; }, kOut);
        QCOMPARE(out.status, Finishing::Outcome::Status::Refused);
        QCOMPARE(out.refusal.message, message);
        QVERIFY(!asked);
        QCOMPARE(f.count("szallitasok"), qint64(0));
        QCOMPARE(f.count("folyamatban"), qint64(1));
    }

    void limitsThatPass_data()
    {
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("purity");
        QTest::addColumn<QString>("moisture");
        QTest::newRow("weight exactly the maximum") << "999999" << "100" << "14";
        QTest::newRow("purity 100, moisture 100") << "100" << "100" << "100";
        QTest::newRow("purity 1") << "100" << "1" << "0";
        QTest::newRow("empty purity counts as 100") << "100" << "" << "0";
        QTest::newRow("plate in other case") << "100" << "100" << "0";
    }
    void limitsThatPass()
    {
        QFETCH(QString, weight);
        QFETCH(QString, purity);
        QFETCH(QString, moisture);
        WeighingFixture f;
        start(f.db(), QStringLiteral("ABC-123"), 50, 0);
        Finishing::Input in = finishInput(QString::fromLatin1(QTest::currentDataTag()) == QLatin1String("plate in other case")
                                              ? QStringLiteral("abc-123")
                                              : QStringLiteral("ABC-123"),
                                          weight);
        in.tisztasag = purity;
        in.viztartalom = moisture;
        const auto out = Finishing::finish(f.db(), in, {QStringLiteral("ABC-123")}, 999999, kYes, kOut);
        QCOMPARE(out.status, Finishing::Outcome::Status::Saved);
        if (purity.isEmpty())
            QCOMPARE(Transport::load(f.db(), out.sorszam)->tisztasag, 100.0);
    }

    void equalWeightsAskFirst_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("OK stores a zero ticket") << true;
        QTest::newRow("Cancel writes nothing") << false;
    }
    void equalWeightsAskFirst()
    {
        QFETCH(bool, answer);
        WeighingFixture f;
        start(f.db(), QStringLiteral("ABC-123"), 15000, 0);
        QString question;
        const auto out = Finishing::finish(f.db(), finishInput(QStringLiteral("ABC-123"), QStringLiteral("15000")),
                                           {QStringLiteral("ABC-123")}, 999999,
                                           [&](const QString &q) {
                                               question = q;
                                               return answer;
                                           },
                                           kOut);
        QCOMPARE(question, QStringLiteral("A két mérési eredmény megeggyezik, a számított tömeg értéke nulla. Folytatja ?"));
        QCOMPARE(f.count("szallitasok"), qint64(answer ? 1 : 0));
        QCOMPARE(f.count("folyamatban"), qint64(answer ? 0 : 1));
        if (answer) {
            const auto t = Transport::load(f.db(), out.sorszam);
            QCOMPARE(t->nettosuly, qint64(0));
            QCOMPARE(t->elszamolt, qint64(0));
            QCOMPARE(t->osszeg, 0.0);
        } else {
            QCOMPARE(out.status, Finishing::Outcome::Status::Cancelled);
        }
    }

    void failureAfterTheAppendLeavesTheTransportInProgress()
    {
        WeighingFixture f;
        start(f.db(), QStringLiteral("ABC-123"), 24360, 0);
        // The database refuses the removal of the in-progress row, after the ticket row went in.
        if (TestDatabase::onServer()) {
            Sql::run(f.db(), QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                                            "$$ BEGIN RAISE EXCEPTION 'forced failure'; END $$"));
            Sql::run(f.db(), QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON folyamatban "
                                            "FOR EACH ROW EXECUTE FUNCTION refuse()"));
        } else {
            Sql::run(f.db(), QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON folyamatban "
                                            "BEGIN SELECT RAISE(FAIL, 'forced failure'); END"));
        }
        bool thrown = false;
        try {
            Finishing::finish(f.db(), finishInput(QStringLiteral("ABC-123"), QStringLiteral("11220")),
                              {QStringLiteral("ABC-123")}, 999999, kYes, kOut);
        } catch (const DatabaseError &e) {
            thrown = QString::fromUtf8(e.what()).contains(QLatin1String("forced failure"));
        }
        QVERIFY(thrown);
        QCOMPARE(f.count("szallitasok"), qint64(0));
        QCOMPARE(f.count("folyamatban"), qint64(1));
        // And the connection is usable again: no transaction is left open.
        Sql::run(f.db(), TestDatabase::onServer() ? QStringLiteral("DROP TRIGGER refuse ON folyamatban")
                                                  : QStringLiteral("DROP TRIGGER refuse"));
        QCOMPARE(Finishing::finish(f.db(), finishInput(QStringLiteral("ABC-123"), QStringLiteral("11220")),
                                   {QStringLiteral("ABC-123")}, 999999, kYes, kOut)
                     .sorszam,
                 qint64(1));
    }

    void serialNumbersNeverRepeat_data()
    {
        QTest::addColumn<QString>("change"); // made to the tickets 1 to 3 before the next finish
        QTest::addColumn<qint64>("expected");
        QTest::newRow("newest ticket deleted") << "DELETE FROM szallitasok WHERE sorszam = 3" << qint64(4);
        QTest::newRow("older ticket deleted") << "DELETE FROM szallitasok WHERE sorszam = 2" << qint64(4);
        QTest::newRow("ticket numbered past the counter") << "UPDATE szallitasok SET sorszam = 40 WHERE sorszam = 3"
                                                          << qint64(41);
    }
    void serialNumbersNeverRepeat()
    {
        QFETCH(QString, change);
        QFETCH(qint64, expected);
        WeighingFixture f;
        for (const char *plate : {"A-1", "B-2", "C-3"}) {
            start(f.db(), QLatin1String(plate), 20000, 0);
            const auto out = Finishing::finish(f.db(), finishInput(QLatin1String(plate), QStringLiteral("10000")),
                                               {QLatin1String(plate)}, 999999, kYes, kOut);
            QCOMPARE(out.status, Finishing::Outcome::Status::Saved);
        }
        Sql::run(f.db(), change);
        start(f.db(), QStringLiteral("D-4"), 20000, 0);
        const auto out = Finishing::finish(f.db(), finishInput(QStringLiteral("D-4"), QStringLiteral("10000")),
                                           {QStringLiteral("D-4")}, 999999, kYes, kOut);
        QCOMPARE(out.sorszam, expected);
    }

    void olderFileContinuesAfterItsLargestSerial()
    {
        WeighingFixture f;
        Sql::run(f.db(), QStringLiteral("DROP TABLE IF EXISTS sorszamlalo"));
        Sql::run(f.db(), QStringLiteral("INSERT INTO szallitasok (sorszam) VALUES (7), (41)"));
        Database station(f.path());
        QCOMPARE(station.open(), QString());
        QCOMPARE(station.openTables(), QString());
        // Its newest ticket deleted after the counter was set up: the number still is not given again.
        Sql::run(f.db(), QStringLiteral("DELETE FROM szallitasok WHERE sorszam = 41"));
        start(f.db(), QStringLiteral("A-1"), 20000, 0);
        QCOMPARE(Finishing::finish(station.db(), finishInput(QStringLiteral("A-1"), QStringLiteral("10000")),
                                   {QStringLiteral("A-1")}, 999999, kYes, kOut)
                     .sorszam,
                 qint64(42));
    }

    void twoStationsFinishingAtOnceGetDifferentNumbers()
    {
        WeighingFixture f;
        start(f.db(), QStringLiteral("A-1"), 20000, 0);
        start(f.db(), QStringLiteral("B-2"), 20000, 0);
        // A second station: its own connection to the same file.
        Database other(f.path());
        QCOMPARE(other.open(), QString());
        {
            // The first station holds the write lock while the second tries to finish.
            Transaction holding(f.db());
            Sql::run(f.db(), QStringLiteral("UPDATE folyamatban SET suly1 = suly1"));
            bool blocked = false;
            try {
                QSqlDatabase otherDb = other.db();
                QSqlQuery q(otherDb);
                q.exec(TestDatabase::onServer() ? QStringLiteral("SET lock_timeout = 100")
                                                : QStringLiteral("PRAGMA busy_timeout = 100"));
                Finishing::finish(otherDb, finishInput(QStringLiteral("B-2"), QStringLiteral("10000")),
                                  {QStringLiteral("B-2")}, 999999, kYes, kOut);
            } catch (const DatabaseError &) {
                blocked = true;
            }
            QVERIFY(blocked);
            holding.commit();
        }
        const auto a = Finishing::finish(f.db(), finishInput(QStringLiteral("A-1"), QStringLiteral("10000")),
                                         {QStringLiteral("A-1")}, 999999, kYes, kOut);
        const auto b = Finishing::finish(other.db(), finishInput(QStringLiteral("B-2"), QStringLiteral("10000")),
                                         {QStringLiteral("B-2")}, 999999, kYes, kOut);
        QCOMPARE(a.sorszam, qint64(1));
        QCOMPARE(b.sorszam, qint64(2));
    }

    void plateFinishedElsewhereIsNotFound()
    {
        WeighingFixture f;
        start(f.db(), QStringLiteral("ABC-123"), 24360, 0);
        QVERIFY(InProgress::remove(f.db(), *InProgress::find(f.db(), QStringLiteral("ABC-123"))));
        const auto out = Finishing::finish(f.db(), finishInput(QStringLiteral("ABC-123"), QStringLiteral("11220")),
                                           {QStringLiteral("ABC-123")}, 999999, kYes, kOut);
        QCOMPARE(out.refusal.message, QStringLiteral("Adatbázis hiba: A megadott rendszám nem található !"));
    }

    // Another station acts on the same transport while this one waits for the zero question.
    void transportChangedByAnotherStation_data()
    {
        QTest::addColumn<QString>("elsewhere");
        QTest::addColumn<QString>("message");
        QTest::addColumn<qint64>("tickets");
        QTest::addColumn<QString>("left"); // plate and first weight in progress afterwards, or empty
        const QString notFound = QStringLiteral("Adatbázis hiba: A megadott rendszám nem található !");
        const QString changed =
            QStringLiteral("Adatbázis hiba: A szállítás adatait időközben egy másik állomás megváltoztatta ! Próbálja újra !");
        QTest::newRow("finished there") << "finish" << notFound << qint64(1) << "";
        QTest::newRow("finished there, plate B started after") << "finish B" << notFound << qint64(1) << "B-2 15000";
        QTest::newRow("re-weighed there") << "reweigh" << changed << qint64(0) << "A-1 30000";
        QTest::newRow("direction swapped there") << "swap" << changed << qint64(0) << "A-1 15000";
    }
    void transportChangedByAnotherStation()
    {
        QFETCH(QString, elsewhere);
        QFETCH(QString, message);
        QFETCH(qint64, tickets);
        QFETCH(QString, left);
        WeighingFixture f;
        start(f.db(), QStringLiteral("A-1"), 15000, 0);
        const qint64 rowOfA = InProgress::find(f.db(), QStringLiteral("A-1"))->rowId;
        Database other(f.path());
        QCOMPARE(other.open(), QString());
        const QSqlDatabase otherDb = other.db();
        qint64 otherSerial = 0, rowOfB = rowOfA;
        bool done = true;
        const auto act = [&](const QString &) {
            if (elsewhere.startsWith(QLatin1String("finish")))
                otherSerial = Finishing::finish(otherDb, finishInput(QStringLiteral("A-1"), QStringLiteral("11220")),
                                                {QStringLiteral("A-1")}, 999999, kYes, kOut)
                                  .sorszam;
            if (elsewhere == u"finish B") {
                start(otherDb, QStringLiteral("B-2"), 15000, 0);
                rowOfB = InProgress::find(otherDb, QStringLiteral("B-2"))->rowId;
            }
            if (elsewhere == u"reweigh")
                done = InProgress::reweigh(otherDb, *InProgress::find(otherDb, QStringLiteral("A-1")), 30000);
            if (elsewhere == u"swap")
                done = InProgress::swapDirection(otherDb, *InProgress::find(otherDb, QStringLiteral("A-1")));
            return true;
        };
        // Equal weights: the question is asked between the look-up and the save.
        const auto out = Finishing::finish(f.db(), finishInput(QStringLiteral("A-1"), QStringLiteral("15000")),
                                           {QStringLiteral("A-1")}, 999999, act, kOut);
        QVERIFY(done);
        QCOMPARE(otherSerial, elsewhere.startsWith(QLatin1String("finish")) ? qint64(1) : qint64(0));
        // A freed id is never handed out again, so the stale look-up cannot match the new row.
        QCOMPARE(rowOfB != rowOfA, elsewhere == u"finish B");
        QCOMPARE(out.status, Finishing::Outcome::Status::Refused);
        QCOMPARE(out.refusal.message, message);
        QCOMPARE(f.count("szallitasok"), tickets);
        QStringList inProgress;
        QSqlQuery q = Sql::run(f.db(), QStringLiteral("SELECT rendszam, suly1 FROM folyamatban"));
        while (q.next())
            inProgress.append(q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString());
        QCOMPARE(inProgress.join(QLatin1Char(',')), left);
    }
};

QTEST_GUILESS_MAIN(TestFinishing)
#include "tst_finishing.moc"
