#include "FirstWeighing.h"
#include "InProgress.h"
#include "WeighingFixture.h"

namespace {

FirstWeighing::Input input(const QString &plate = QStringLiteral("ABC-123"), const QString &weight = QStringLiteral("24360"))
{
    FirstWeighing::Input in;
    in.rendszam = plate;
    in.nev = QStringLiteral("Agro Kft.");
    in.cim1 = QStringLiteral("Fő út 1.");
    in.ugyfelnev = QStringLiteral("Malom Zrt.");
    in.termeknev = QStringLiteral("Búza");
    in.termekkod = QStringLiteral("1001");
    in.egysegar = QStringLiteral("52000");
    in.suly1 = weight;
    return in;
}

const QDateTime kFirst(QDate(2026, 12, 8), QTime(7, 0, 0));
const QDateTime kLater(QDate(2026, 12, 8), QTime(9, 30, 0));

} // namespace

class TestFirstWeighing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void checksInOrder_data()
    {
        QTest::addColumn<QString>("emptied");
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("field");
        QTest::newRow("plate") << "rendszam" << "100" << "Rendszám megadása kötelező !" << "rendszam";
        QTest::newRow("carrier") << "nev" << "100" << "Név megadása kötelező !" << "nev";
        QTest::newRow("customer") << "ugyfelnev" << "100" << "Ügyfél megadása kötelező !" << "ugyfelnev";
        QTest::newRow("product") << "termeknev" << "100" << "Termék megadása kötelező !" << "termeknev";
        QTest::newRow("lone minus") << "" << "-" << "Súly megadása kötelező !" << "suly1";
        QTest::newRow("one over maximum") << "" << "1000000" << "A mért tömeg elfogadása nem engedélyezett !"
                                          << "suly1";
    }
    void checksInOrder()
    {
        QFETCH(QString, emptied);
        QFETCH(QString, weight);
        QFETCH(QString, message);
        QFETCH(QString, field);
        WeighingFixture f;
        FirstWeighing::Input in = input(QStringLiteral("ABC-123"), weight);
        if (emptied == u"rendszam") {
            in.rendszam.clear();
            in.nev.clear(); // the earlier check wins
        }
        if (emptied == u"nev")
            in.nev.clear();
        if (emptied == u"ugyfelnev")
            in.ugyfelnev.clear();
        if (emptied == u"termeknev")
            in.termeknev.clear();
        bool asked = false;
        const auto out = FirstWeighing::record(f.db(), in, 999999, [&] { asked = true; return OverwriteAnswer::Current; },
                                               kFirst);
        QCOMPARE(out.status, FirstWeighing::Outcome::Status::Refused);
        QCOMPARE(out.refusal.message, message);
        QCOMPARE(out.refusal.field, field);
        QVERIFY(!asked);
        QCOMPARE(f.count("folyamatban"), qint64(0));
    }

    void newPlateIsRecordedWithAnyWeight_data()
    {
        QTest::addColumn<QString>("weight");
        QTest::addColumn<qint64>("stored");
        QTest::newRow("zero") << "0" << qint64(0);
        QTest::newRow("empty box") << "" << qint64(0);
        QTest::newRow("negative reading") << "-20" << qint64(-20);
        QTest::newRow("exactly the maximum") << "999999" << qint64(999999);
    }
    void newPlateIsRecordedWithAnyWeight()
    {
        QFETCH(QString, weight);
        QFETCH(qint64, stored);
        WeighingFixture f;
        FirstWeighing::Input in = input(QStringLiteral("ABC-123"), weight);
        in.irany = 1;
        in.kezi = true;
        in.egysegar.clear();
        const auto out = FirstWeighing::record(f.db(), in, 999999, [] { return OverwriteAnswer::Cancel; }, kFirst);
        QCOMPARE(out.status, FirstWeighing::Outcome::Status::Saved);
        const auto row = InProgress::find(f.db(), QStringLiteral("ABC-123"));
        QVERIFY(row);
        QCOMPARE(row->suly1, stored);
        QCOMPARE(row->irany, 1);
        QCOMPARE(row->kezi, true);
        QCOMPARE(row->egysegar, 0.0);
        QCOMPARE(row->cegnev, QStringLiteral("Agro Kft."));
        QCOMPARE(row->cim2, QString());
        QCOMPARE(row->bedatum, kFirst);
    }

    void overwriteAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("stored");
        QTest::newRow("previous keeps the earlier weight")
            << int(OverwriteAnswer::Previous) << "30000" << int(FirstWeighing::Outcome::Status::Saved) << qint64(24360);
        QTest::newRow("current takes the new weight")
            << int(OverwriteAnswer::Current) << "30000" << int(FirstWeighing::Outcome::Status::Saved) << qint64(30000);
        QTest::newRow("cancel changes nothing")
            << int(OverwriteAnswer::Cancel) << "30000" << int(FirstWeighing::Outcome::Status::Cancelled) << qint64(24360);
        QTest::newRow("current with zero is refused")
            << int(OverwriteAnswer::Current) << "0" << int(FirstWeighing::Outcome::Status::Refused) << qint64(24360);
    }
    void overwriteAnswers()
    {
        QFETCH(int, answer);
        QFETCH(QString, current);
        QFETCH(int, status);
        QFETCH(qint64, stored);
        WeighingFixture f;
        QCOMPARE(FirstWeighing::record(f.db(), input(), 999999, [] { return OverwriteAnswer::Cancel; }, kFirst).status,
                 FirstWeighing::Outcome::Status::Saved);

        FirstWeighing::Input again = input(QStringLiteral("abc-123"), current);
        again.nev = QStringLiteral("Fuvar Bt.");
        again.termeknev = QStringLiteral("Kukorica");
        again.irany = 1;
        int asked = 0;
        const auto out = FirstWeighing::record(f.db(), again, 999999, [&] {
            ++asked;
            return OverwriteAnswer(answer);
        }, kLater);
        QCOMPARE(asked, 1);
        QCOMPARE(int(out.status), status);
        if (out.status == FirstWeighing::Outcome::Status::Refused)
            QCOMPARE(out.refusal.message, QStringLiteral("Súly megadása kötelező !"));
        QCOMPARE(f.count("folyamatban"), qint64(1));
        const auto row = InProgress::find(f.db(), QStringLiteral("ABC-123"));
        QVERIFY(row);
        QCOMPARE(row->suly1, stored);
        const bool overwritten = out.status == FirstWeighing::Outcome::Status::Saved;
        // An overwrite replaces every field, the time and direction included.
        QCOMPARE(row->cegnev, overwritten ? QStringLiteral("Fuvar Bt.") : QStringLiteral("Agro Kft."));
        QCOMPARE(row->termeknev, overwritten ? QStringLiteral("Kukorica") : QStringLiteral("Búza"));
        QCOMPARE(row->irany, overwritten ? 1 : 0);
        QCOMPARE(row->bedatum, overwritten ? kLater : kFirst);
    }

    // Another station acts on the plate's row while the overwrite question waits for the operator.
    void overwriteOfARowChangedElsewhere_data()
    {
        QTest::addColumn<QString>("elsewhere");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("message"); // empty: saved
        QTest::addColumn<qint64>("stored");   // first weight in progress afterwards, -1: no row
        QTest::newRow("finished there") << "remove" << int(OverwriteAnswer::Current)
                                        << "Adatbázis hiba: A megadott rendszám nem található !" << qint64(-1);
        QTest::newRow("re-weighed there, earlier weight kept")
            << "reweigh" << int(OverwriteAnswer::Previous)
            << "Adatbázis hiba: A szállítás adatait időközben egy másik állomás megváltoztatta ! Próbálja újra !"
            << qint64(30000);
        QTest::newRow("re-weighed there, current weight taken")
            << "reweigh" << int(OverwriteAnswer::Current) << "" << qint64(26000);
    }
    void overwriteOfARowChangedElsewhere()
    {
        QFETCH(QString, elsewhere);
        QFETCH(int, answer);
        QFETCH(QString, message);
        QFETCH(qint64, stored);
        WeighingFixture f;
        QCOMPARE(FirstWeighing::record(f.db(), input(), 999999, [] { return OverwriteAnswer::Cancel; }, kFirst).status,
                 FirstWeighing::Outcome::Status::Saved);
        Database other(f.path());
        QCOMPARE(other.open(), QString());
        bool done = false;
        const auto out = FirstWeighing::record(f.db(), input(QStringLiteral("ABC-123"), QStringLiteral("26000")), 999999,
                                               [&] {
                                                   done = elsewhere == u"remove"
                                                              ? InProgress::remove(other.db(), *InProgress::find(other.db(), QStringLiteral("ABC-123")))
                                                              : InProgress::reweigh(other.db(), *InProgress::find(other.db(), QStringLiteral("ABC-123")), 30000);
                                                   return OverwriteAnswer(answer);
                                               },
                                               kLater);
        QVERIFY(done);
        QCOMPARE(out.status, message.isEmpty() ? FirstWeighing::Outcome::Status::Saved : FirstWeighing::Outcome::Status::Refused);
        QCOMPARE(out.refusal.message, message);
        const auto row = InProgress::find(f.db(), QStringLiteral("ABC-123"));
        QCOMPARE(row ? row->suly1 : -1, stored);
    }

    void previousAnswerWithNonPositiveStoredWeightIsRefused()
    {
        WeighingFixture f;
        QCOMPARE(FirstWeighing::record(f.db(), input(QStringLiteral("ABC-123"), QStringLiteral("-20")), 999999,
                                       [] { return OverwriteAnswer::Cancel; }, kFirst)
                     .status,
                 FirstWeighing::Outcome::Status::Saved);
        const auto out = FirstWeighing::record(f.db(), input(QStringLiteral("ABC-123"), QStringLiteral("500")), 999999,
                                               [] { return OverwriteAnswer::Previous; }, kLater);
        QCOMPARE(out.status, FirstWeighing::Outcome::Status::Refused);
        QCOMPARE(InProgress::find(f.db(), QStringLiteral("ABC-123"))->suly1, qint64(-20));
    }

    // The main window's row commands act on the row the operator saw, with a trail row; a row finished and weighed
    // in again, or changed, on another station meanwhile is refused and left alone.
    void rowCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<bool>("done");
        for (const char *command : {"swap", "remove", "reweigh", "remove all"}) {
            QTest::addRow("%s", command) << command << "" << true;
            QTest::addRow("%s, weighed in again", command) << command << "weighed in again" << false;
            QTest::addRow("%s, reweighed", command) << command << "reweighed" << false;
        }
    }
    void rowCommands()
    {
        QFETCH(QString, command);
        QFETCH(QString, meanwhile);
        QFETCH(bool, done);
        WeighingFixture f;
        const QString plate = QStringLiteral("ABC-123");
        QCOMPARE(FirstWeighing::record(f.db(), input(plate), 999999, [] { return OverwriteAnswer::Cancel; }, kFirst).status,
                 FirstWeighing::Outcome::Status::Saved);
        const InProgress::Row seen = *InProgress::find(f.db(), plate);
        if (meanwhile == u"weighed in again") {
            QVERIFY(InProgress::remove(f.db(), seen));
            QCOMPARE(FirstWeighing::record(f.db(), input(plate), 999999, [] { return OverwriteAnswer::Cancel; }, kFirst)
                         .status,
                     FirstWeighing::Outcome::Status::Saved);
        } else if (meanwhile == u"reweighed") {
            QVERIFY(InProgress::reweigh(f.db(), seen, 30000));
        }
        const InProgress::Row before = *InProgress::find(f.db(), plate);
        const qint64 trailBefore = f.count("naplo");

        bool result = false;
        if (command == u"swap")
            result = InProgress::swapDirection(f.db(), seen);
        else if (command == u"remove")
            result = InProgress::remove(f.db(), seen);
        else if (command == u"reweigh")
            result = InProgress::reweigh(f.db(), seen, 0);
        else
            result = InProgress::removeAll(f.db(), {seen});
        QCOMPARE(result, done);
        QCOMPARE(f.count("naplo"), trailBefore + (done ? 1 : 0));
        const auto after = InProgress::find(f.db(), plate);
        if (!done) {
            QCOMPARE(after->rowId, before.rowId);
            QCOMPARE(after->suly1, before.suly1);
            QCOMPARE(after->irany, before.irany);
        } else if (command == u"swap") {
            QCOMPARE(after->irany, 1);
        } else if (command == u"reweigh") {
            QCOMPARE(after->suly1, qint64(0));
        } else {
            QVERIFY(!after);
        }
    }
};

QTEST_GUILESS_MAIN(TestFirstWeighing)
#include "tst_firstweighing.moc"
