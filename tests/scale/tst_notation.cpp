#include "ComError.h"
#include "PortNames.h"
#include "TComPort.h"
#include "TerminatorNotation.h"

#include <QTest>

class TestNotation : public QObject
{
    Q_OBJECT

private slots:
    void terminator_data();
    void terminator();
    void componentTerminatorFallsBackToCrLf_data();
    void componentTerminatorFallsBackToCrLf();
    void devicePath_data();
    void devicePath();
    void windowsDevicePath_data();
    void windowsDevicePath();
    void enumerationNames_data();
    void enumerationNames();
};

void TestNotation::terminator_data()
{
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("throws");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("CR LF") << "#13#10" << QByteArray("\r\n") << false << "#13#10";
    QTest::newRow("single byte") << "#3" << QByteArray("\x03") << false << "#3";
    QTest::newRow("first character dropped") << "13#10" << QByteArray("\x03\n") << false << "#3#10";
    QTest::newRow("any first character") << "x65#66" << QByteArray("AB") << false << "#65#66";
    QTest::newRow("empty") << "" << QByteArray("\r\n") << false << "#13#10";
    QTest::newRow("hash only") << "#" << QByteArray("\r\n") << false << "#13#10";
    QTest::newRow("trailing hash") << "#13#" << QByteArray("\r") << false << "#13";
    QTest::newRow("low eight bits") << "#266" << QByteArray("\n") << false << "#10";
    QTest::newRow("negative wraps") << "#-1" << QByteArray("\xff") << false << "#255";
    QTest::newRow("zero byte") << "#0" << QByteArray(1, '\0') << false << "#0";
    QTest::newRow("letter") << "#A" << QByteArray("\r\n") << true << "#13#10";
    QTest::newRow("empty part") << "#13##10" << QByteArray("\r\n") << true << "#13#10";
    QTest::newRow("blank inside") << "#1 3" << QByteArray("\r\n") << true << "#13#10";
    QTest::newRow("beyond 32 bits") << "#99999999999" << QByteArray("\r\n") << true << "#13#10";
}

void TestNotation::terminator()
{
    QFETCH(QString, notation);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, throws);
    QFETCH(QString, readBack);

    TComPort port;
    port.setTerminator(QStringLiteral("#3")); // a previous value that must not survive
    bool thrown = false;
    try {
        port.setTerminator(notation);
    } catch (const EComError &e) {
        thrown = true;
        QCOMPARE(e.message(), QStringLiteral("Illegal terminator string.\rformat : #<asciicode>#<asciicode>#<...>\r"
                                             "example: #13#10"));
    }
    QCOMPARE(thrown, throws);
    QCOMPARE(port.terminatorBytes(), bytes);
    QCOMPARE(port.Terminator(), readBack);
}

void TestNotation::componentTerminatorFallsBackToCrLf_data()
{
    QTest::addColumn<QString>("bad");
    QTest::newRow("letter") << "#x";
    QTest::newRow("empty part") << "##";
}

void TestNotation::componentTerminatorFallsBackToCrLf()
{
    QFETCH(QString, bad);
    TComPort port;
    port.setTerminator(QStringLiteral("#3"));
    QVERIFY_THROWS_EXCEPTION(EComError, port.setTerminator(bad));
    QCOMPARE(port.terminatorBytes(), QByteArray("\r\n"));
}

void TestNotation::devicePath_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("path");

    QTest::newRow("COM1") << "COM1" << "/dev/ttyS0";
    QTest::newRow("COM10") << "COM10" << "/dev/ttyS9";
    QTest::newRow("COM256") << "COM256" << "/dev/ttyS255";
    QTest::newRow("lower case com") << "com3" << "/dev/ttyS2";
    QTest::newRow("COM0 is a name") << "COM0" << "/dev/COM0";
    QTest::newRow("COM without number") << "COM" << "/dev/COM";
    QTest::newRow("COM with letters") << "COM1a" << "/dev/COM1a";
    QTest::newRow("absolute path") << "/dev/pts/7" << "/dev/pts/7";
    QTest::newRow("name under dev") << "ttyUSB0" << "/dev/ttyUSB0";
    QTest::newRow("empty") << "" << "/dev/";
}

void TestNotation::devicePath()
{
    QFETCH(QString, port);
    QFETCH(QString, path);
    QCOMPARE(PortNames::devicePath(port), path);
}

void TestNotation::windowsDevicePath_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("path");

    QTest::newRow("COM1 unchanged") << "COM1" << "COM1";
    QTest::newRow("COM9 unchanged") << "COM9" << "COM9";
    QTest::newRow("COM10 prefixed") << "COM10" << "\\\\.\\COM10";
    QTest::newRow("COM99 prefixed") << "COM99" << "\\\\.\\COM99";
    QTest::newRow("COM100 unchanged") << "COM100" << "COM100";
    QTest::newRow("any five characters") << "ABCDE" << "\\\\.\\ABCDE";
}

void TestNotation::windowsDevicePath()
{
    QFETCH(QString, port);
    QFETCH(QString, path);
    QCOMPARE(PortNames::windowsDevicePath(port), path);
}

void TestNotation::enumerationNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");

    QTest::newRow("none/one") << "ptNONE|sbONE" << int(TComPort::ptNONE) << int(TComPort::sbONE);
    QTest::newRow("space/one5") << "ptSPACE|sbONE5" << int(TComPort::ptSPACE) << int(TComPort::sbONE5);
    QTest::newRow("case-insensitive") << "PTeven|SBtwo" << int(TComPort::ptEVEN) << int(TComPort::sbTWO);
    QTest::newRow("unknown names") << "NONE|ONE" << -1 << -1;
}

void TestNotation::enumerationNames()
{
    QFETCH(QString, name);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    const QStringList parts = name.split(u'|');
    QCOMPARE(int(TComPort::parityFromName(parts[0])), parity);
    QCOMPARE(int(TComPort::stopBitsFromName(parts[1])), stopBits);
    if (parity >= 0)
        QCOMPARE(TComPort::parityName(TComPort::parityFromName(parts[0])).toLower(), parts[0].toLower());
}

QTEST_APPLESS_MAIN(TestNotation)
#include "tst_notation.moc"
