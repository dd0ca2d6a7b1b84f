#include "PortSettings.h"
#include "PtyPair.h"
#include "TComPort.h"

#include <QTest>

#include <termios.h>

class TestPortSettings : public QObject
{
    Q_OBJECT

private slots:
    void currentValues_data();
    void currentValues();
    void refusedChoiceLeavesPortAlone_data();
    void refusedChoiceLeavesPortAlone();
    void confirmedChoiceReopensPort();
};

void TestPortSettings::currentValues_data()
{
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<QString>("parityText");
    QTest::addColumn<QString>("stopText");

    QTest::newRow("even, one5") << int(TComPort::ptEVEN) << int(TComPort::sbONE5) << "EVEN" << "ONE5";
    QTest::newRow("unknown values select nothing") << -1 << -1 << "" << "";
}

void TestPortSettings::currentValues()
{
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(QString, parityText);
    QFETCH(QString, stopText);
    TComPort port;
    port.setParity(TComPort::TParity(parity));
    port.setStopBits(TComPort::TStopBit(stopBits));
    port.setBaud(2400);
    const PortSettingsChoice choice = PortSettings::current(port);
    QCOMPARE(choice.parity, parityText);
    QCOMPARE(choice.stopbits, stopText);
    QCOMPARE(choice.baudrate, QStringLiteral("2400"));
    QCOMPARE(choice.databits, QStringLiteral("8"));
    QCOMPARE(choice.comport, QStringLiteral("COM1"));
    QCOMPARE(choice.terminator, QStringLiteral("#13#10"));
}

void TestPortSettings::refusedChoiceLeavesPortAlone_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");

    QTest::newRow("no port") << "comport" << "" << "Válasszon soros portot!";
    QTest::newRow("no data bits") << "databits" << "" << "Válassza ki az adatbitek számát!";
    QTest::newRow("no baud rate") << "baudrate" << "" << "Válassza ki a sebességet!";
    QTest::newRow("baud not in list") << "baudrate" << "12345" << "Válassza ki a sebességet!";
    QTest::newRow("no parity") << "parity" << "" << "Válassza ki a paritást!";
    QTest::newRow("no stop bits") << "stopbits" << "" << "Válassza ki a stop bitek számát!";
    QTest::newRow("bad terminator") << "terminator" << "#13##10"
                                    << "Illegal terminator string.\rformat : #<asciicode>#<asciicode>#<...>\r"
                                       "example: #13#10";
}

void TestPortSettings::refusedChoiceLeavesPortAlone()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, message);

    PtyPair pty;
    TComPort port;
    port.setPort(pty.slavePath());
    port.setTerminator(QStringLiteral("#3"));
    int closes = 0;
    port.OnPortClose = [&closes](TComPort &) { ++closes; };
    port.Open();

    PortSettingsChoice choice{pty.slavePath(), "7", "4800", "ODD", "TWO", "#10"};
    if (field == QLatin1String("comport")) choice.comport = value;
    if (field == QLatin1String("databits")) choice.databits = value;
    if (field == QLatin1String("baudrate")) choice.baudrate = value;
    if (field == QLatin1String("parity")) choice.parity = value;
    if (field == QLatin1String("stopbits")) choice.stopbits = value;
    if (field == QLatin1String("terminator")) choice.terminator = value;

    const auto refusal = PortSettings::apply(port, choice, 0);
    QVERIFY(refusal.has_value());
    QCOMPARE(refusal->message, message);
    QCOMPARE(refusal->field, field);
    QCOMPARE(closes, 0);
    QTRY_VERIFY(port.Connected());
    QCOMPARE(port.Terminator(), QStringLiteral("#3"));
    QCOMPARE(port.Baud(), 9600u);
}

void TestPortSettings::confirmedChoiceReopensPort()
{
    PtyPair pty;
    TComPort port;
    port.setPort(QStringLiteral("/nonexistent/ttyS0"));
    int opens = 0;
    port.OnPortOpen = [&opens](TComPort &) { ++opens; };
    const PortSettingsChoice choice{pty.slavePath(), "7", "4800", "ODD", "TWO", "#10"};
    QCOMPARE(PortSettings::apply(port, choice, 20), std::nullopt);
    QTRY_VERIFY(port.Connected());
    QCOMPARE(opens, 1);
    QCOMPARE(port.DataBits(), quint8(7));
    QCOMPARE(port.Parity(), TComPort::ptODD);
    QCOMPARE(port.StopBits(), TComPort::sbTWO);
    QCOMPARE(port.terminatorBytes(), QByteArray("\n"));
    termios t{};
    QCOMPARE(tcgetattr(pty.slaveFd(), &t), 0);
    QCOMPARE(cfgetospeed(&t), speed_t(B4800));
}

QTEST_GUILESS_MAIN(TestPortSettings)
#include "tst_portsettings.moc"
