#include "../support/Kelvoctl.h"
#include "../support/SimulatorProcess.h"
#include "../support/TestDatabase.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// kelvoctl auto-list and auto-weigh: the stored weights of a period, and the unattended logger on a simulated
// scale, as a service manager runs it.
class TestAutoCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    QString m_datapath;
    QString m_home;

    bool writeIni(const QByteArray &extra = {})
    {
        return TestDatabase::writeIni(m_home, m_datapath, "[Opt]\nkarbantart=0\nautoido=0\n" + extra);
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init()
    {
        m_databases = std::make_unique<TestDatabase>();
        m_datapath = m_databases->created(QStringLiteral("auto"));
        m_home = m_databases->dir().path();
        QVERIFY(writeIni());
    }
    void cleanup() { m_databases.reset(); }

    void list_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");

        QTest::newRow("one day") << QStringList{"--from", "2026.03.04", "--to", "2026.03.04"} << 0
                                 << "2026.03.04 00:00:00;200\n2026.03.04 23:59:59;400\n2 találat.\n";
        QTest::newRow("as CSV") << QStringList{"--from", "2026.03.04", "--to", "2026.03.04", "--csv", "-"} << 0
                                << "\uFEFF\"datumido\";\"suly\"\r\n2026.03.04 00:00:00;200\r\n"
                                   "2026.03.04 23:59:59;400\r\n";
        QTest::newRow("nothing stored") << QStringList{"--from", "2026.04.01", "--to", "2026.04.02"} << 0
                                        << "A megadott időintervallumban nincs szállítás rögzítve !\n";
        QTest::newRow("start after end") << QStringList{"--from", "2026.03.05", "--to", "2026.03.04"} << 1
                                         << "Hibás intervallumok !\n";
        QTest::newRow("bad date") << QStringList{"--from", "tomorrow"} << 2 << "";
    }
    void list()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, out);

        QVERIFY(TestDatabase::exec(m_datapath, "INSERT INTO auto (datumido, suly) VALUES ('2026-03-03 23:59:59', 100);"
                                               "INSERT INTO auto (datumido, suly) VALUES ('2026-03-04 00:00:00', 200);"
                                               "INSERT INTO auto (datumido, suly) VALUES ('2026-03-04 23:59:59', 400);"
                                               "INSERT INTO auto (datumido, suly) VALUES ('2026-03-05 00:00:00', 500)"));
        const Kelvoctl::Run r = Kelvoctl::run(QStringList{"--home", m_home, "auto-list"} + args);
        QCOMPARE(r.code, code);
        QCOMPARE(r.out, out);
    }

    // One truck standing on the bridge well beyond the shortest duration is stored once; SIGTERM then ends the run
    // cleanly.
    void weighsEachTruckOnce()
    {
        const QString profile = m_databases->dir().filePath(QStringLiteral("truck.txt"));
        QFile file(profile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("0 4\n5000 40\n") > 0);
        file.close();
        SimulatorProcess simulator(QStringLiteral(SCALESIM_PATH),
                                   {"--profile", profile, "--interval", "200"});
        QVERIFY2(simulator.firstLine().startsWith(QStringLiteral("/dev/")), qPrintable(simulator.firstLine()));
        QVERIFY(writeIni("[ComPort1]\nPort=" + simulator.firstLine().toUtf8() + "\nBaudrate=9600\n"));

        QProcess run;
        run.start(QStringLiteral(KELVOCTL_PATH), {"--home", m_home, "auto-weigh"});
        QVERIFY(run.waitForStarted());
        QDeadlineTimer deadline(45000);
        while (!run.canReadLine() && !deadline.hasExpired() && run.state() == QProcess::Running)
            run.waitForReadyRead(500);
        // The truck stands on: nothing more is stored.
        QTest::qWait(3000);
        run.terminate();
        QVERIFY(run.waitForFinished(10000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(run.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        static const QRegularExpression row(QStringLiteral("^(\\d{4}\\.\\d\\d\\.\\d\\d) \\d\\d:\\d\\d:\\d\\d;5000$"));
        const QRegularExpressionMatch match = row.match(lines.first());
        QVERIFY2(match.hasMatch(), qPrintable(lines.first()));

        const QString day = match.captured(1);
        const Kelvoctl::Run listed = Kelvoctl::run({"--home", m_home, "auto-list", "--from", day, "--to", day});
        QCOMPARE(listed.out, lines.first() + QStringLiteral("\n1 találat.\n"));
    }

    void endsAfterItsTime()
    {
        SimulatorProcess simulator(QStringLiteral(SCALESIM_PATH), {"--weight", "0", "--interval", "200"});
        QVERIFY(writeIni("[ComPort1]\nPort=" + simulator.firstLine().toUtf8() + "\n"));
        const Kelvoctl::Run r = Kelvoctl::run({"--home", m_home, "auto-weigh", "--for", "1"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString());
    }

    void refusesWithoutItsScale()
    {
        QVERIFY(writeIni("[ComPort1]\nPort=" + m_home.toUtf8() + "/no-such-port\n"));
        const Kelvoctl::Run r = Kelvoctl::run({"--home", m_home, "auto-weigh", "--for", "1"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.out.contains(QStringLiteral("no-such-port")), qPrintable(r.out));
    }

    // first-weighing --live takes the scale's weight only when it may: never over the range, only at rest when only
    // stable weights may be taken, and only a load.
    void liveWeighing_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<bool>("stableOnly");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::newRow("standing, stable only") << QByteArray("12340 60\n") << true << 0 << "ABC-1;12340\n";
        QTest::newRow("always moving, stable only")
            << QByteArray("0 60 ramp\n40000 60 ramp\n") << true << 1
            << "A mérleg nincs nyugalomban, a súly nem vehető át ! Várja meg, amíg a tömeg beáll.\n";
        QTest::newRow("overload") << QByteArray("2000000 60\n") << false << 1
                                  << "A mérleg túlterhelt, a súly nem vehető át !\n";
        // An empty bridge at rest is no weight to take: the truck that drives on within the wait is.
        QTest::newRow("empty, then a truck") << QByteArray("0 1\n12340 60\n") << true << 0 << "ABC-1;12340\n";
        QTest::newRow("empty all the time") << QByteArray("0 60\n") << true << 1 << "Súly megadása kötelező !\n";
    }
    void liveWeighing()
    {
        QFETCH(QByteArray, profile);
        QFETCH(bool, stableOnly);
        QFETCH(int, code);
        QFETCH(QString, out);
        const QString script = m_databases->dir().filePath(QStringLiteral("load.txt"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(profile) > 0);
        file.close();
        SimulatorProcess simulator(QStringLiteral(SCALESIM_PATH),
                                   {"--format", "csv-status", "--profile", script, "--interval", "100"});
        QVERIFY(writeIni(QByteArray("stabilkell=") + (stableOnly ? "1" : "0") + "\n[ComPort1]\nPort=" +
                         simulator.firstLine().toUtf8() + "\nProfile=csv-status\n"));
        const Kelvoctl::Run r = Kelvoctl::run({"--home", m_home, "first-weighing", "--plate", "ABC-1", "--carrier",
                                               "Fuvar Kft.", "--customer", "Vevő Kft.", "--product", "Búza", "--live",
                                               "--wait", "3"});
        QCOMPARE(r.code, code);
        QCOMPARE(r.out, out);
    }
};

QTEST_GUILESS_MAIN(TestAutoCommands)
#include "tst_autocommands.moc"
