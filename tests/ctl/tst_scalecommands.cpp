#include "CtlCommands.h"
#include "Invocation.h"
#include "PortDetector.h"
#include "../support/SimulatorProcess.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run kelvoctl(const QStringList &args, QIODevice &in, const PortDetector *ports = nullptr)
{
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    Environment environment{in, out, err, ports};
    r.code = runKelvoctl(args, environment);
    out.flush();
    err.flush();
    return r;
}

} // namespace

// kelvoctl decode and ports: the scale link's frame decoding and port detection from the command line.
class TestScaleCommands : public QObject
{
    Q_OBJECT

private slots:
    void decodeCommand_data();
    void decodeCommand();
    void portsCommand_data();
    void portsCommand();
    void liveShowsTheLoadMovingThenAtRest();
};

void TestScaleCommands::decodeCommand_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");

    QTest::newRow("frames at CR LF") << QStringList{} << QByteArray("+ 0012340 kg\r\n12-34\r\nkg\r\n") << 0
                                     << "12340\nignored\n0\n";
    QTest::newRow("last frame unterminated") << QStringList{} << QByteArray("1\r\n2") << 0 << "1\n2\n";
    QTest::newRow("empty input") << QStringList{} << QByteArray() << 0 << "";
    QTest::newRow("micra") << QStringList{"--micraorden"} << QByteArray("04321\r\n") << 0 << "12340\n";
    QTest::newRow("bilanciai") << QStringList{"--bilanciai"} << QByteArray("3001234\r\n0001234\r\nkg\r\n") << 0
                               << "-1234\n1234\nignored\n";
    QTest::newRow("disomat at ETX") << QStringList{"--disomatb", "--terminator", "#3"}
                                    << QByteArray("\x02" "01#PC#SOG# 001234\x03" "A\x02" "x\x03") << 0 << "1234\n0\n";
    QTest::newRow("terminator with equals") << QStringList{"--terminator=#10"} << QByteArray("5\n6\n") << 0
                                            << "5\n6\n";
    QTest::newRow("bad terminator") << QStringList{"--terminator", "#x"} << QByteArray("1\r\n") << 2 << "";
    QTest::newRow("unknown option") << QStringList{"--fast"} << QByteArray("1\r\n") << 2 << "";
    // The program folder's Kelvo.ini says micraorden=1 and Terminator=#10.
    QTest::newRow("indicator of --home") << QStringList{"--home", "HOME"} << QByteArray("5\n04321\r\n") << 0
                                         << "0\n12340\n";
    QTest::newRow("profile with status") << QStringList{"--profile", "csv-status"}
                                         << QByteArray("ST,GS,+00123.0kg\r\nOL,GS,+999999kg\r\n") << 0
                                         << "123 stable\n- overload\n";
    QTest::newRow("profile of --home") << QStringList{"--home", "HOME2"} << QByteArray("S D  99.6 kg\r\n") << 0
                                       << "100 motion\n";
    QTest::newRow("unknown profile") << QStringList{"--profile", "nope"} << QByteArray("1\r\n") << 2 << "";
    QTest::newRow("a switch overrides --home") << QStringList{"--home", "HOME", "--bilanciai"}
                                               << QByteArray("3001234\r\n") << 0 << "-1234\n";
}

void TestScaleCommands::decodeCommand()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, output);

    QTemporaryDir home;
    QFile ini(home.filePath(QStringLiteral("Kelvo.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write("[ComPort1]\r\nmicraorden=1\r\nTerminator=#10\r\n") > 0);
    ini.close();
    QTemporaryDir home2;
    QFile ini2(home2.filePath(QStringLiteral("Kelvo.ini")));
    QVERIFY(ini2.open(QIODevice::WriteOnly) && ini2.write("[ComPort1]\r\nProfile=command-set\r\n") > 0);
    ini2.close();
    args.replaceInStrings(QStringLiteral("HOME2"), home2.path());
    args.replaceInStrings(QStringLiteral("HOME"), home.path());
    QBuffer in(&input);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const Run r = kelvoctl(QStringList{QStringLiteral("decode")} + args, in);
    QCOMPARE(r.code, exitCode);
    QCOMPARE(r.out, output);
    QCOMPARE(r.err.isEmpty(), exitCode == 0);
}

void TestScaleCommands::portsCommand_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");

    QTest::newRow("names") << QStringList{} << 0 << "COM2\n";
    QTest::newRow("descriptions") << QStringList{"--descriptions"} << 0 << "COM2 - COM2\n";
    QTest::newRow("unknown option") << QStringList{"--all"} << 2 << "";
}

void TestScaleCommands::portsCommand()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);

    QTemporaryDir dir;
    const QString sysfs = dir.filePath(QStringLiteral("sys"));
    QDir().mkpath(sysfs + QStringLiteral("/devices/x/ttyS1/device"));
    QDir().mkpath(sysfs + QStringLiteral("/class/tty"));
    QVERIFY(QFile::link(sysfs + QStringLiteral("/devices/x/ttyS1"), sysfs + QStringLiteral("/class/tty/ttyS1")));
    const PortDetector detector(sysfs, dir.filePath(QStringLiteral("udev")));
    QBuffer in;
    const Run r = kelvoctl(QStringList{QStringLiteral("ports")} + args, in, &detector);
    QCOMPARE(r.code, exitCode);
    QCOMPARE(r.out, output);
}

// A truck driving on and standing through kelvoctl live: moving while the load changes, at rest once it stands.
void TestScaleCommands::liveShowsTheLoadMovingThenAtRest()
{
    QTemporaryDir home;
    QFile script(home.filePath(QStringLiteral("truck.txt")));
    QVERIFY(script.open(QIODevice::WriteOnly) && script.write("0 1\n20000 2 ramp\n20000 3\n") > 0);
    script.close();
    SimulatorProcess simulator(QStringLiteral(SCALESIM_PATH), {"--format", "csv-status", "--profile",
                                                               script.fileName(), "--interval", "100"});
    QFile ini(home.filePath(QStringLiteral("Kelvo.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[ComPort1]\r\nPort=" + simulator.firstLine().toUtf8() + "\r\nProfile=csv-status\r\n");
    ini.close();

    QBuffer none;
    QVERIFY(none.open(QIODevice::ReadOnly));
    const Run r = kelvoctl({"--home", home.path(), "live", "--for", "4"}, none);
    QCOMPARE(r.code, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype moving = lines.indexOf(QRegularExpression(QStringLiteral("^\\d+ motion$")));
    QVERIFY2(moving >= 0, qPrintable(r.out));
    QVERIFY2(lines.indexOf(QStringLiteral("20000 stable"), moving) > moving, qPrintable(r.out));

    ini.open(QIODevice::WriteOnly);
    ini.write("[ComPort1]\r\nPort=" + simulator.firstLine().toUtf8() + "\r\nProfile=toledo\r\n");
    ini.close();
    QCOMPARE(kelvoctl({"--home", home.path(), "live", "--for", "1"}, none).code, 1);
}

QTEST_GUILESS_MAIN(TestScaleCommands)
#include "tst_scalecommands.moc"
