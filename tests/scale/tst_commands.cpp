#include "IndicatorCommands.h"
#include "PortDetector.h"
#include "ScaleCommands.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void indicatorFrames_data();
    void indicatorFrames();
    void disomatCheck_data();
    void disomatCheck();
    void decodeCommand_data();
    void decodeCommand();
    void portsCommand_data();
    void portsCommand();
};

void TestCommands::indicatorFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("bytes");

    // Byte for byte as the indicators expect them.
    QTest::newRow("disomat poll") << IndicatorCommands::disomatPoll()
                                  << QByteArray("\x02\x30\x31\x23\x50\x43\x23\x53\x4f\x47\x5f\x5f\x53\x4f\x47\x23\x03\x32",
                                                18);
    QTest::newRow("disomat zero") << IndicatorCommands::disomatZero()
                                  << QByteArray("\x02\x30\x31\x23\x41\x5a\x23\x03\x19", 9);
    QTest::newRow("zero sc") << IndicatorCommands::zeroFrame("sc") << QByteArray("SC\r");
    QTest::newRow("zero ms") << IndicatorCommands::zeroFrame("ms") << QByteArray("XA/NU\r\n");
    QTest::newRow("zero dis") << IndicatorCommands::zeroFrame("dis") << IndicatorCommands::disomatZero();
    QTest::newRow("zero Ms") << IndicatorCommands::zeroFrame("Ms") << QByteArray();
    QTest::newRow("zero DIS") << IndicatorCommands::zeroFrame("DIS") << QByteArray();
    QTest::newRow("general poll") << IndicatorCommands::pollFrame(false, "XA/B?") << QByteArray("XA/B?\r\n");
    QTest::newRow("empty poll command") << IndicatorCommands::pollFrame(false, "") << QByteArray("\r\n");
    QTest::newRow("disomat poll wins") << IndicatorCommands::pollFrame(true, "XA/B?") << IndicatorCommands::disomatPoll();
}

void TestCommands::indicatorFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, bytes);
    QCOMPARE(frame.toHex(' '), bytes.toHex(' '));
}

void TestCommands::disomatCheck_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("valid");

    QTest::newRow("poll") << IndicatorCommands::disomatPoll() << true;
    QTest::newRow("zero") << IndicatorCommands::disomatZero() << true;
    QTest::newRow("built reply") << IndicatorCommands::disomatFrame("01#PC#SOG# 001234") << true;
    QTest::newRow("wrong check") << QByteArray("\x02" "01#AZ#\x03\x18", 9) << false;
    QTest::newRow("no STX") << QByteArray("01#AZ#\x03\x19", 8) << false;
    QTest::newRow("too short") << QByteArray("\x02\x03", 2) << false;
}

void TestCommands::disomatCheck()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, valid);
    QCOMPARE(IndicatorCommands::disomatFrameValid(frame), valid);
}

void TestCommands::decodeCommand_data()
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
}

void TestCommands::decodeCommand()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, output);

    QBuffer in(&input);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    QCOMPARE(runDecodeCommand(args, in, out, err), exitCode);
    QCOMPARE(outText, output);
    QCOMPARE(errText.isEmpty(), exitCode == 0);
}

void TestCommands::portsCommand_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");

    QTest::newRow("names") << QStringList{} << 0 << "COM2\n";
    QTest::newRow("descriptions") << QStringList{"--descriptions"} << 0 << "COM2 - COM2\n";
    QTest::newRow("unknown option") << QStringList{"--all"} << 2 << "";
}

void TestCommands::portsCommand()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);

    QTemporaryDir dir;
    const QString sysfs = dir.filePath(QStringLiteral("sys"));
    QDir().mkpath(sysfs + QStringLiteral("/devices/x/ttyS1/device"));
    QDir().mkpath(sysfs + QStringLiteral("/class/tty"));
    QVERIFY(QFile::link(sysfs + QStringLiteral("/devices/x/ttyS1"), sysfs + QStringLiteral("/class/tty/ttyS1")));
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    QCOMPARE(runPortsCommand(args, out, err, PortDetector(sysfs, dir.filePath(QStringLiteral("udev")))), exitCode);
    QCOMPARE(outText, output);
}

QTEST_APPLESS_MAIN(TestCommands)
#include "tst_commands.moc"
