#include "MasterData.h"
#include "WeighingFixture.h"

class TestMasterData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void vehicleSaveEditsOrAppendsAndResetsTheTare()
    {
        WeighingFixture f;
        MasterData::saveVehicle(f.db(), {0, QStringLiteral("ABC-123"), QStringLiteral("Agro Kft."),
                                         QStringLiteral("Fő út 1."), {}, {}, {}, {}});
        auto v = MasterData::vehicleByPlate(f.db(), QStringLiteral("ABC-123"));
        QVERIFY(v);
        QVERIFY(MasterData::saveTare(f.db(), v->rowId, v->rendszam, 11220));
        QCOMPARE(MasterData::vehicleByPlate(f.db(), QStringLiteral("ABC-123"))->tarasuly, QStringLiteral("11220"));
        // Saving again edits the same row and clears the stored tare.
        MasterData::saveVehicle(f.db(), {0, QStringLiteral("ABC-123"), QStringLiteral("Fuvar Bt."), {}, {}, {}, {}, {}});
        QCOMPARE(f.count("szallito"), qint64(1));
        v = MasterData::vehicleByPlate(f.db(), QStringLiteral("ABC-123"));
        QCOMPARE(v->nev, QStringLiteral("Fuvar Bt."));
        QCOMPARE(v->cim1, QString());
        QCOMPARE(v->tarasuly, QStringLiteral("0"));
        QCOMPARE(MasterData::vehicleByName(f.db(), QStringLiteral("Fuvar Bt."))->rendszam, QStringLiteral("ABC-123"));
        QVERIFY(MasterData::remove(f.db(), "szallito", v->rowId, v->rendszam));
        QVERIFY(!MasterData::vehicleByPlate(f.db(), QStringLiteral("ABC-123")));
        // Another station's new vehicle gets a new id: a stale delete or tare of the old row touches nothing.
        MasterData::saveVehicle(f.db(), {0, QStringLiteral("XYZ-999"), QStringLiteral("Más Kft."), {}, {}, {}, {}, {}});
        QVERIFY(MasterData::vehicleByPlate(f.db(), QStringLiteral("XYZ-999"))->rowId != v->rowId);
        QVERIFY(!MasterData::saveTare(f.db(), v->rowId, v->rendszam, 500));
        QVERIFY(!MasterData::remove(f.db(), "szallito", v->rowId, v->rendszam));
        QCOMPARE(MasterData::vehicleByPlate(f.db(), QStringLiteral("XYZ-999"))->tarasuly, QStringLiteral("0"));
    }

    void productsCustomersWarehouses()
    {
        WeighingFixture f;
        MasterData::saveProduct(f.db(), {0, QStringLiteral("Búza"), QStringLiteral("1001"), QStringLiteral("ömlesztett"),
                                         52000});
        MasterData::saveProduct(f.db(), {0, QStringLiteral("búza"), QStringLiteral("1002"), {}, 53000});
        QCOMPARE(f.count("termek"), qint64(1));
        // Case folds for the plain letters (accented capitals are compared as written).
        const auto p = MasterData::product(f.db(), QStringLiteral("BúZA"));
        QVERIFY(p);
        QCOMPARE(p->kod, QStringLiteral("1002"));
        QCOMPARE(p->egysegar, 53000.0);

        MasterData::saveCustomer(f.db(), {0, QStringLiteral("Malom Zrt."), QStringLiteral("Szeged"), {}, {}});
        QCOMPARE(MasterData::customer(f.db(), QStringLiteral("Malom Zrt."))->cim1, QStringLiteral("Szeged"));
        QVERIFY(!MasterData::customer(f.db(), QStringLiteral("Malom")));

        MasterData::addWarehouse(f.db(), QStringLiteral("Fő raktár"));
        const auto w = MasterData::warehouse(f.db(), QStringLiteral("Fő raktár"));
        QVERIFY(w);
        QVERIFY(MasterData::remove(f.db(), "raktar", *w, QStringLiteral("Fő raktár")));
        QVERIFY(!MasterData::warehouse(f.db(), QStringLiteral("Fő raktár")));
    }

    void clearTaresZeroesEveryVehicle()
    {
        WeighingFixture f;
        for (const char *plate : {"A-1", "B-2"}) {
            MasterData::saveVehicle(f.db(), {0, QLatin1String(plate), QStringLiteral("x"), {}, {}, {}, {}, {}});
            MasterData::saveTare(f.db(), MasterData::vehicleByPlate(f.db(), QLatin1String(plate))->rowId, QLatin1String(plate), 9000);
        }
        MasterData::clearTares(f.db());
        QCOMPARE(Sql::value(f.db(), QStringLiteral("SELECT sum(tarasuly) FROM szallito")).toLongLong(), qint64(0));
    }

    // A stored tare lasts its days counted from the moment it was stored; 0 days keeps it for ever, and a tare
    // whose time is unknown is only good while tares never expire.
    void tareExpiry_data()
    {
        QTest::addColumn<qint64>("tare");
        QTest::addColumn<QDateTime>("stored");
        QTest::addColumn<int>("days");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("recalled"); // the weight text, or the refusal's message
        const QDateTime stored(QDate(2026, 11, 1), QTime(8, 30));
        const QString expired = QString::fromUtf8(MasterData::kTareExpired);
        QTest::newRow("0 days: for ever") << qint64(9000) << stored << 0 << stored.addYears(5) << "9000";
        QTest::newRow("within the days") << qint64(9000) << stored << 30 << stored.addDays(29) << "9000";
        QTest::newRow("last moment of the last day") << qint64(9000) << stored << 30 << stored.addDays(30) << "9000";
        QTest::newRow("a second later")
            << qint64(9000) << stored << 30 << stored.addDays(30).addSecs(1)
            << expired.arg(QStringLiteral("2026.11.01 08:30:00"), QStringLiteral("2026.12.01 08:30:00"));
        QTest::newRow("undated, for ever") << qint64(9000) << QDateTime() << 0 << stored << "9000";
        QTest::newRow("undated, with days") << qint64(9000) << QDateTime() << 30 << stored
                                            << QString::fromUtf8(MasterData::kTareUndated);
        QTest::newRow("no tare stored") << qint64(0) << QDateTime() << 30 << stored << "0";
    }
    void tareExpiry()
    {
        QFETCH(qint64, tare);
        QFETCH(QDateTime, stored);
        QFETCH(int, days);
        QFETCH(QDateTime, now);
        QFETCH(QString, recalled);
        WeighingFixture f;
        MasterData::saveVehicle(f.db(), {0, QStringLiteral("T-1"), QStringLiteral("x"), {}, {}, {}, {}, {}});
        const auto v = MasterData::vehicleByPlate(f.db(), QStringLiteral("T-1"));
        QVERIFY(MasterData::saveTare(f.db(), v->rowId, v->rendszam, tare, stored));
        if (!stored.isValid())
            Sql::run(f.db(), QStringLiteral("UPDATE szallito SET taradatum = ''"));
        const auto result = MasterData::recallTare(f.db(), QStringLiteral("T-1"), days, now);
        const auto *refusal = std::get_if<Refusal>(&result);
        QCOMPARE(refusal ? refusal->message : std::get<QString>(result), recalled);
    }
};

QTEST_GUILESS_MAIN(TestMasterData)
#include "tst_masterdata.moc"
