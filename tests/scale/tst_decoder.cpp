#include "FrameDecoder.h"

#include <QTest>

#include <limits>

class TestDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void formatWeight_data();
    void formatWeight();
};

void TestDecoder::decode_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("micraorden");
    QTest::addColumn<bool>("bilanciai");
    QTest::addColumn<bool>("disomatb");
    QTest::addColumn<QByteArray>("weightText");
    QTest::addColumn<bool>("ignored");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("weight");

    // clang-format off
    QTest::newRow("plain frame") << QByteArray("+ 0 0 1 2 3 4 0 k g\r\n") << false << false << false << QByteArray("0012340") << false << true << 12340;
    QTest::newRow("plain negative") << QByteArray("- 0000150 kg\r\n") << false << false << false << QByteArray("-0000150") << false << true << -150;
    QTest::newRow("no digits reads 0") << QByteArray("kg\r\n") << false << false << false << QByteArray("0") << false << true << 0;
    QTest::newRow("empty frame reads 0") << QByteArray() << false << false << false << QByteArray("0") << false << true << 0;
    QTest::newRow("minus inside digits") << QByteArray("12-34\r\n") << false << false << false << QByteArray("12-34") << false << false << 0;
    QTest::newRow("lone minus") << QByteArray("-\r\n") << false << false << false << QByteArray("-") << false << false << 0;
    QTest::newRow("double minus") << QByteArray("--5\r\n") << false << false << false << QByteArray("--5") << false << false << 0;
    QTest::newRow("minus zero") << QByteArray("-0\r\n") << false << false << false << QByteArray("-0") << false << true << 0;
    QTest::newRow("largest") << QByteArray("2147483647") << false << false << false << QByteArray("2147483647") << false << true << std::numeric_limits<int>::max();
    QTest::newRow("one too large") << QByteArray("2147483648") << false << false << false << QByteArray("2147483648") << false << false << 0;
    QTest::newRow("smallest") << QByteArray("-2147483648") << false << false << false << QByteArray("-2147483648") << false << true << std::numeric_limits<int>::min();
    QTest::newRow("one too small") << QByteArray("-2147483649") << false << false << false << QByteArray("-2147483649") << false << false << 0;
    QTest::newRow("many leading zeros") << QByteArray("00000000000000012340") << false << false << false << QByteArray("00000000000000012340") << false << true << 12340;
    QTest::newRow("high bytes skipped") << QByteArray("\xb1\xff 12 \x80") << false << false << false << QByteArray("12") << false << true << 12;

    QTest::newRow("micra reversed") << QByteArray("04321\r\n") << true << false << false << QByteArray("12340") << false << true << 12340;
    QTest::newRow("micra drops any two last") << QByteArray("0432199") << true << false << false << QByteArray("12340") << false << true << 12340;
    QTest::newRow("micra sign last") << QByteArray("0510000-\r\n") << true << false << false << QByteArray("-0000150") << false << true << -150;
    QTest::newRow("micra two chars only") << QByteArray("12") << true << false << false << QByteArray("0") << false << true << 0;
    QTest::newRow("micra one char") << QByteArray("7") << true << false << false << QByteArray("0") << false << true << 0;

    QTest::newRow("bilanciai negative") << QByteArray("3001234\r\n") << false << true << false << QByteArray("-001234") << false << true << -1234;
    QTest::newRow("bilanciai positive") << QByteArray("0001234\r\n") << false << true << false << QByteArray("0001234") << false << true << 1234;
    QTest::newRow("bilanciai other status") << QByteArray("5 0 0 1 0\r\n") << false << true << false << QByteArray("00010") << false << true << 10;
    QTest::newRow("bilanciai minus first") << QByteArray("-12\r\n") << false << true << false << QByteArray("012") << false << true << 12;
    QTest::newRow("bilanciai single 3") << QByteArray("3\r\n") << false << true << false << QByteArray("-") << false << false << 0;
    QTest::newRow("bilanciai nothing ignored") << QByteArray("kg\r\n") << false << true << false << QByteArray() << true << false << 0;
    QTest::newRow("bilanciai with micra") << QByteArray("4321003\r\n") << true << true << false << QByteArray("-001234") << false << true << -1234;

    QTest::newRow("disomat field") << QByteArray("\x02" "01#PC#SOG# 001234\x03" "J") << false << false << true << QByteArray("001234") << false << true << 1234;
    QTest::newRow("disomat one char skipped") << QByteArray("SOG#9001234") << false << false << true << QByteArray("001234") << false << true << 1234;
    QTest::newRow("disomat six chars only") << QByteArray("SOG#x1234567") << false << false << true << QByteArray("123456") << false << true << 123456;
    QTest::newRow("disomat negative") << QByteArray("SOG#G-00150kg") << false << false << true << QByteArray("-00150") << false << true << -150;
    QTest::newRow("disomat frame ends early") << QByteArray("SOG#x12") << false << false << true << QByteArray("12") << false << true << 12;
    QTest::newRow("disomat nothing after marker") << QByteArray("55 SOG#") << false << false << true << QByteArray("0") << false << true << 0;
    QTest::newRow("disomat letters only") << QByteArray("SOG#xabcdef99") << false << false << true << QByteArray("0") << false << true << 0;
    QTest::newRow("disomat first marker") << QByteArray("SOG#x000007SOG#x000009") << false << false << true << QByteArray("000007") << false << true << 7;
    QTest::newRow("disomat no marker") << QByteArray("+ 0012340 kg\r\n") << false << false << true << QByteArray("0") << false << true << 0;
    QTest::newRow("disomat minus inside") << QByteArray("SOG#x12-3\r\n") << false << false << true << QByteArray("12-3") << false << false << 0;
    QTest::newRow("disomat bilanciai no digits ignored") << QByteArray("SOG#xabc") << false << true << true << QByteArray() << true << false << 0;
    QTest::newRow("disomat wins over bilanciai") << QByteArray("SOG#x301234") << false << true << true << QByteArray("301234") << false << true << 301234;
    // clang-format on
}

void TestDecoder::decode()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, micraorden);
    QFETCH(bool, bilanciai);
    QFETCH(bool, disomatb);
    QFETCH(QByteArray, weightText);
    QFETCH(bool, ignored);
    QFETCH(bool, valid);
    QFETCH(int, weight);

    const DecodedFrame decoded = FrameDecoder::decode(frame, DecoderOptions{micraorden, bilanciai, disomatb});
    QCOMPARE(decoded.weightText, weightText);
    QCOMPARE(decoded.ignored, ignored);
    QCOMPARE(decoded.weight.has_value(), valid);
    if (valid)
        QCOMPARE(*decoded.weight, weight);
}

void TestDecoder::formatWeight_data()
{
    QTest::addColumn<int>("weight");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0 << " 0";
    QTest::newRow("one digit") << 5 << " 5";
    QTest::newRow("three digits") << 340 << " 340";
    QTest::newRow("four digits") << 1000 << "1 000";
    QTest::newRow("five digits") << 12340 << "12 340";
    QTest::newRow("six digits") << 123456 << "123 456";
    QTest::newRow("seven digits go in front") << 1234567 << "1234 567";
    QTest::newRow("negative three digits") << -150 << "- 150";
    QTest::newRow("negative one digit") << -5 << "- 5";
    QTest::newRow("negative four digits") << -1234 << "-1 234";
    QTest::newRow("largest") << std::numeric_limits<int>::max() << "2147483 647";
    QTest::newRow("smallest") << std::numeric_limits<int>::min() << "-2147483 648";
}

void TestDecoder::formatWeight()
{
    QFETCH(int, weight);
    QFETCH(QString, text);
    QCOMPARE(::formatWeight(weight), text);
}

QTEST_APPLESS_MAIN(TestDecoder)
#include "tst_decoder.moc"
