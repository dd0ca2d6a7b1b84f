#include "../support/SimulatorProcess.h"
#include "WeightLink.h"

#include <QProcess>
#include <QTest>

#include <memory>

class TestScalesimEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void serialWeightAndZero_data();
    void serialWeightAndZero();
    void weightServer();
};

void TestScalesimEndToEnd::serialWeightAndZero_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("micraorden");
    QTest::addColumn<bool>("bilanciai");
    QTest::addColumn<bool>("disomatb");
    QTest::addColumn<QString>("nullaz");
    QTest::addColumn<QString>("loggedZero");

    QTest::newRow("plain, sc") << QStringList{"--interval", "30"} << false << false << false << "sc"
                               << "command SC<CR> (zero)";
    QTest::newRow("micra, ms") << QStringList{"--format", "micra", "--interval", "30"} << true << false << false << "ms"
                               << "command XA/NU<CR><LF> (zero)";
    QTest::newRow("bilanciai, sc") << QStringList{"--format", "bilanciai", "--interval", "30"} << false << true << false
                                   << "sc" << "command SC<CR> (zero)";
    // Disomat speaks only when polled; its frames end at ETX.
    QTest::newRow("disomat, dis") << QStringList{"--format", "disomat"} << false << false << true << "dis"
                                  << "command <STX>01#AZ#<ETX><19> (disomat zero)";
}

void TestScalesimEndToEnd::serialWeightAndZero()
{
    QFETCH(QStringList, args);
    QFETCH(bool, micraorden);
    QFETCH(bool, bilanciai);
    QFETCH(bool, disomatb);
    QFETCH(QString, nullaz);
    QFETCH(QString, loggedZero);

    SimulatorProcess simulator(QStringLiteral(SCALESIM_PATH), args + QStringList{"--weight", "12340"});
    QVERIFY2(simulator.firstLine().startsWith(QStringLiteral("/dev/")), qPrintable(simulator.firstLine()));

    WeightLink link(nullptr, 60000);
    WeightLinkSettings settings;
    settings.decoder = DecoderOptions{micraorden, bilanciai, disomatb};
    settings.nullaz = nullaz;
    settings.lekerdez = disomatb;
    settings.lekerdezido = 30;
    link.configure(settings);
    link.comPort().setPort(simulator.firstLine());
    if (disomatb)
        link.comPort().setTerminator(QStringLiteral("#3"));
    link.comPort().Open();
    QVERIFY(link.comPort().Connected());
    QTRY_COMPARE_WITH_TIMEOUT(link.labelText(), QStringLiteral("12 340"), 10000);
    QCOMPARE(link.aktsuly(), 12340);
    QVERIFY(!link.nullavolt());

    link.zero();
    QTRY_COMPARE_WITH_TIMEOUT(link.aktsuly(), 0, 10000);
    QCOMPARE(link.labelText(), QStringLiteral(" 0"));
    QVERIFY(link.nullavolt());
    QTRY_VERIFY_WITH_TIMEOUT(simulator.log().contains(loggedZero), 5000);
    if (disomatb)
        QVERIFY(simulator.log().contains(QStringLiteral("(disomat poll)")));
}

void TestScalesimEndToEnd::weightServer()
{
    SimulatorProcess simulator(QStringLiteral(SCALESIM_PATH), {"--tcp", "0", "--interval", "30", "--weight", "-150"});
    QVERIFY2(simulator.firstLine().startsWith(QStringLiteral("listening on port ")), qPrintable(simulator.firstLine()));
    const QString port = simulator.firstLine().section(u' ', -1);

    WeightLink link(nullptr, 100);
    link.setServerSource([port] { return WeightServer{true, QStringLiteral("127.0.0.1"), port}; });
    QTRY_COMPARE_WITH_TIMEOUT(link.labelText(), QStringLiteral("- 150"), 10000);
    QCOMPARE(link.aktsuly(), -150);
    QCOMPARE(link.statusText(), QStringLiteral("GET 127.0.0.1:%1       ").arg(port));
}

QTEST_GUILESS_MAIN(TestScalesimEndToEnd)
#include "tst_scalesim_e2e.moc"
