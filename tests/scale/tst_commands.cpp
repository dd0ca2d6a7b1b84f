#include "IndicatorCommands.h"

#include <QTest>

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void indicatorFrames_data();
    void indicatorFrames();
    void disomatCheck_data();
    void disomatCheck();
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

QTEST_APPLESS_MAIN(TestCommands)
#include "tst_commands.moc"
