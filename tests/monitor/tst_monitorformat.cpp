#include "TCaptureBuffer.h"
#include "MonitorFormat.h"

#include <QTest>

#include <vector>

using namespace sorvik;

Q_DECLARE_METATYPE(std::vector<std::int32_t>)

class TestMonitorFormat : public QObject
{
    Q_OBJECT

private slots:
    void burstLine_data();
    void burstLine();
    void displayModeChoice_data();
    void displayModeChoice();
    void captureBufferFillsToCapacity();
};

void TestMonitorFormat::burstLine_data()
{
    QTest::addColumn<std::vector<std::int32_t>>("values");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("line");

    const std::vector<std::int32_t> crlf {13, 10};
    QTest::newRow("CR LF decimal") << crlf << int(TDisplayMode::Decimal) << "13 10 ";
    QTest::newRow("CR LF hexadecimal") << crlf << int(TDisplayMode::Hexadecimal) << "0D 0A ";
    QTest::newRow("CR LF ASCII") << crlf << int(TDisplayMode::Ascii) << "<CR><LF>";
    QTest::newRow("empty burst") << std::vector<std::int32_t> {} << int(TDisplayMode::Decimal) << "";
    QTest::newRow("bytes 0 and 255 decimal") << std::vector<std::int32_t> {0, 255} << int(TDisplayMode::Decimal)
                                             << "0 255 ";
    QTest::newRow("hex is upper case, two digits at least")
        << std::vector<std::int32_t> {0, 0xab, 250000} << int(TDisplayMode::Hexadecimal) << "00 AB 3D090 ";
    QTest::newRow("every control code name")
        << [] {
               std::vector<std::int32_t> v;
               for (int c = 0; c < 32; ++c)
                   v.push_back(c);
               return v;
           }()
        << int(TDisplayMode::Ascii)
        << "<NUL><SOH><STX><ETX><EOT><ENQ><ACK><BEL><BS><HT><LF><VT><FF><CR><SO><SI>"
           "<DLE><DC1><DC2><DC3><DC4><NAK><SYN><ETB><CAN><EM><SUB><ESC><FS><GS><RS><US>";
    QTest::newRow("printable and high bytes") << std::vector<std::int32_t> {'I', ' ', '~', 0xE9}
                                              << int(TDisplayMode::Ascii) << QString::fromUtf8("I ~é");
    QTest::newRow("ASCII takes the low eight bits of a pulse interval")
        << std::vector<std::int32_t> {0x10D, 0x141} << int(TDisplayMode::Ascii) << "<CR>A";
    QTest::newRow("pulse interval decimal") << std::vector<std::int32_t> {250000} << int(TDisplayMode::Decimal)
                                            << "250000 ";
}

void TestMonitorFormat::burstLine()
{
    QFETCH(std::vector<std::int32_t>, values);
    QFETCH(int, mode);
    QFETCH(QString, line);
    QCOMPARE(formatBurst(values, TDisplayMode(mode)), line);
}

void TestMonitorFormat::displayModeChoice_data()
{
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<bool>("hexadecimal");
    QTest::addColumn<int>("mode");
    QTest::newRow("decimal only") << true << false << int(TDisplayMode::Decimal);
    QTest::newRow("decimal and hexadecimal stored") << true << true << int(TDisplayMode::Decimal);
    QTest::newRow("hexadecimal") << false << true << int(TDisplayMode::Hexadecimal);
    QTest::newRow("neither: ASCII") << false << false << int(TDisplayMode::Ascii);
}

void TestMonitorFormat::displayModeChoice()
{
    QFETCH(bool, decimal);
    QFETCH(bool, hexadecimal);
    QFETCH(int, mode);
    QCOMPARE(int(displayModeFor(decimal, hexadecimal)), mode);
}

void TestMonitorFormat::captureBufferFillsToCapacity()
{
    auto buffer = std::make_unique<TCaptureBuffer>();
    QCOMPARE(buffer->last(), -1);
    for (int i = 0; i < TCaptureBuffer::capacity; ++i)
        QVERIFY(buffer->append(i));
    QCOMPARE(buffer->last(), 10000);
    QCOMPARE(buffer->full(), true);
    QCOMPARE(buffer->append(-7), false);
    QCOMPARE(int(buffer->values().size()), 10001);
    QCOMPARE(buffer->values().back(), 10000);
    buffer->clear();
    QCOMPARE(buffer->empty(), true);
    QCOMPARE(int(buffer->values().size()), 0);
}

QTEST_APPLESS_MAIN(TestMonitorFormat)
#include "tst_monitorformat.moc"
