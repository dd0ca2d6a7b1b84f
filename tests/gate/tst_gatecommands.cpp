#include "../support/Kelvoctl.h"
#include "../support/SimulatorProcess.h"
#include "../support/TestDatabase.h"
#include "GateSimProcess.h"
#include "Trail.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTest>

#include <memory>

// kelvoctl gate status and gate open against gatesim, and the light barriers holding back a live weighing.
class TestGateCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    QString m_datapath;
    QString m_home;

    bool writeIni(int port, const QByteArray &extra = {})
    {
        return TestDatabase::writeIni(m_home, m_datapath,
                                      "[Opt]\nkarbantart=0\n" + extra + "[Kapu]\nHost=127.0.0.1\nPort=" +
                                          QByteArray::number(port) +
                                          "\nBePiros=0\nBeZold=1\nSorompo=4\nSorompoIdo=200\nFenykapu1=0\n");
    }

    // The gate rows of the trail, "point=state" each.
    QStringList gateRows()
    {
        Database database(m_datapath);
        if (!database.open().isEmpty())
            return {QStringLiteral("no database")};
        QStringList rows;
        for (const Trail::Row &row : Trail::ofSerial(database.db(), 0)) {
            if (row.esemeny == QString::fromUtf8(Trail::kGate))
                rows.append(row.uj);
        }
        return rows;
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init()
    {
        m_databases = std::make_unique<TestDatabase>();
        m_datapath = m_databases->created(QStringLiteral("gate"));
        m_home = m_databases->dir().path();
    }
    void cleanup() { m_databases.reset(); }

    void statusAndOpen()
    {
        GateSimProcess sim;
        QVERIFY(writeIni(sim.port()));
        sim.send("Fenykapu1 on");
        sim.send("Fenykapu2 on"); // the site has no second barrier: not shown

        Kelvoctl::Run r = Kelvoctl::run({"--home", m_home, "gate", "status"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("BePiros off\nBeZold off\nSorompo off\nFenykapu1 on\n"));

        r = Kelvoctl::run({"--home", m_home, "gate", "open"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Sorompo nyitás\n"));
        QVERIFY(QTest::qWaitFor([&] { return sim.changes().size() >= 2; }, 10000));
        QCOMPARE(sim.changes(), (QStringList{"Sorompo on", "Sorompo off"}));
        QCOMPARE(gateRows(), QStringList{"Sorompo=nyitás"});
        QCOMPARE(Kelvoctl::run({"--home", m_home, "verify-trail"}).code, 0);
    }

    void unreachable_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("configured");
        QTest::addColumn<QString>("out");
        QTest::newRow("status") << "status" << true << "A kapuvezérlő nem érhető el";
        QTest::newRow("open") << "open" << true << "A kapuvezérlő nem érhető el";
        QTest::newRow("no module") << "status" << false << "Nincs kapuvezérlő beállítva (Kelvo.ini [Kapu] Host).";
    }
    void unreachable()
    {
        QFETCH(QString, command);
        QFETCH(bool, configured);
        QFETCH(QString, out);
        int port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        if (configured)
            QVERIFY(writeIni(port));
        else
            QVERIFY(TestDatabase::writeIni(m_home, m_datapath));
        const Kelvoctl::Run r = Kelvoctl::run({"--home", m_home, "gate", command});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.out.startsWith(out), qPrintable(r.out));
        QCOMPARE(gateRows(), QStringList());
    }

    // With fenykapukell a live weighing waits for the light barriers to clear; none is stored while one is
    // interrupted.
    void liveWeighingWaitsForTheBarriers()
    {
        SimulatorProcess scale(QStringLiteral(SCALESIM_PATH), {"--weight", "5000", "--interval", "100"});
        GateSimProcess sim;
        QVERIFY(scale.firstLine().startsWith(QStringLiteral("/dev/")));
        QVERIFY(writeIni(sim.port(), "fenykapukell=1\n[ComPort1]\nPort=" + scale.firstLine().toUtf8() + "\n"));
        sim.send("Fenykapu1 on");
        const QStringList weigh{"--home", m_home, "first-weighing", "--plate", "ABC-1", "--carrier", "Fuvar Kft.",
                                "--customer", "Vevő Kft.", "--product", "Búza", "--live", "--wait", "4"};
        Kelvoctl::Run r = Kelvoctl::run(weigh);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QStringLiteral("A jármű nem áll teljesen a mérlegen !\n"));
        QVERIFY(!Kelvoctl::run({"--home", m_home, "in-progress"}).out.contains(QStringLiteral("ABC-1")));

        sim.send("Fenykapu1 off");
        r = Kelvoctl::run(weigh);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("ABC-1;5000\n"));
    }
};

QTEST_GUILESS_MAIN(TestGateCommands)
#include "tst_gatecommands.moc"
