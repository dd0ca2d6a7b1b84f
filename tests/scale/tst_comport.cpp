#include "IniFile.h"
#include "PtyPair.h"
#include "TComPort.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <termios.h>

namespace {

// A component on the slave side of a fresh pseudo-terminal, recording what its handlers see.
struct Rig {
    PtyPair pty;
    TComPort port;
    QList<QByteArray> received;
    int opened = 0;
    int closed = 0;
    int errors = 0;

    Rig()
    {
        port.setPort(pty.slavePath());
        port.ReceiveCallBack = [this](const QByteArray &data) { received.append(data); };
        port.OnPortOpen = [this](TComPort &) { ++opened; };
        port.OnPortClose = [this](TComPort &) { ++closed; };
        port.OnError = [this](TComPort &) { ++errors; };
    }
};

QByteArray joined(const QList<QByteArray> &parts)
{
    QByteArray all;
    for (const QByteArray &part : parts)
        all += part;
    return all;
}

} // namespace

class TestComPort : public QObject
{
    Q_OBJECT

private slots:
    void linesAreCutAtTheTerminator_data();
    void linesAreCutAtTheTerminator();
    void rawModeDeliversChunks();
    void unassignedCallbackDropsBytes();
    void partialLineSurvivesCloseAndOpen();
    void lineBufferIsBounded();
    void sendStringWritesToTheLine();
    void closedComponentDoesNothing();
    void openFailureReportsError_data();
    void openFailureReportsError();
    void openAndCloseEvents();
    void closeFromInsideTheCallback();
    void reopenInsideTheCallback();
    void closeWhileDataIsBeingHandedOver();
    void vanishedDeviceIsReported();
    void lineSettingsReachTheDriver_data();
    void lineSettingsReachTheDriver();
    void settingsRoundTrip();
    void loadSettings_data();
    void loadSettings();
};

void TestComPort::linesAreCutAtTheTerminator_data()
{
    QTest::addColumn<QString>("terminator");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<QByteArray>>("lines");

    using L = QList<QByteArray>;
    QTest::newRow("line in two chunks") << "#13#10" << L{"12", "34\r\n"} << L{"1234\r\n"};
    QTest::newRow("two lines in one chunk") << "#13#10" << L{"1\r\n2\r\n"} << L{"1\r\n", "2\r\n"};
    QTest::newRow("terminator split across chunks") << "#13#10" << L{"55\r", "\n66\r\n"} << L{"55\r\n", "66\r\n"};
    QTest::newRow("lone CR is no terminator") << "#13#10" << L{"7\r8\n9\r\n"} << L{"7\r8\n9\r\n"};
    QTest::newRow("three lines and a rest") << "#13#10" << L{"a\r\nb\r\nc\r\nd"} << L{"a\r\n", "b\r\n", "c\r\n"};
    QTest::newRow("ETX terminator") << "#3" << L{"\x02" "01#SOG#x001234\x03" "J\x02" "x\x03"}
                                    << L{"\x02" "01#SOG#x001234\x03", "J\x02" "x\x03"};
    QTest::newRow("single byte LF") << "#10" << L{"1\n\n2\n"} << L{"1\n", "\n", "2\n"};
}

void TestComPort::linesAreCutAtTheTerminator()
{
    QFETCH(QString, terminator);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, lines);

    Rig rig;
    QVERIFY(rig.pty.isValid());
    rig.port.setTerminator(terminator);
    rig.port.Open();
    QVERIFY(rig.port.Connected());
    QByteArray expectedTotal;
    for (const QByteArray &chunk : chunks) {
        expectedTotal += chunk;
        rig.pty.write(chunk);
        // Each chunk is taken in before the next is written, so the chunks arrive as separate notifications.
        QTRY_COMPARE_WITH_TIMEOUT(joined(rig.received) + rig.port.lineBuffer(), expectedTotal, 5000);
    }
    QCOMPARE(rig.received, lines);
}

void TestComPort::rawModeDeliversChunks()
{
    Rig rig;
    rig.port.setReceiveMode(TComPort::rmRAW);
    rig.port.Open();
    rig.pty.write("12");
    QTRY_COMPARE_WITH_TIMEOUT(rig.received, QList<QByteArray>{"12"}, 5000);
    rig.pty.write("34\r\n5");
    QTRY_COMPARE_WITH_TIMEOUT(joined(rig.received), QByteArray("1234\r\n5"), 5000);
    QCOMPARE(rig.port.lineBuffer(), QByteArray());
}

void TestComPort::unassignedCallbackDropsBytes()
{
    Rig rig;
    rig.port.ReceiveCallBack = nullptr;
    rig.port.Open();
    rig.pty.write("99\r\n88");
    // Without letting events run, wait until all bytes sit in the line's queue, so that one dispatch takes them.
    QVERIFY(rig.pty.waitQueued(6, 10000));
    // Taken from the line and thrown away, not kept for later.
    QTRY_COMPARE_WITH_TIMEOUT(rig.pty.queuedForReader(), 0, 10000);
    QCOMPARE(rig.port.lineBuffer(), QByteArray());
    rig.port.ReceiveCallBack = [&rig](const QByteArray &data) { rig.received.append(data); };
    rig.pty.write("1\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.received, QList<QByteArray>{"1\r\n"}, 5000);
}

void TestComPort::partialLineSurvivesCloseAndOpen()
{
    Rig rig;
    rig.port.Open();
    rig.pty.write("12");
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.lineBuffer(), QByteArray("12"), 5000);
    rig.port.Close();
    QCOMPARE(rig.port.lineBuffer(), QByteArray("12"));
    rig.port.Open();
    rig.pty.write("34\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.received, QList<QByteArray>{"1234\r\n"}, 5000);
}

void TestComPort::lineBufferIsBounded()
{
    Rig rig;
    rig.port.Open();
    QByteArray stream;
    for (int i = 0; stream.size() < TComPort::kLineBufferLimit + 10000; ++i)
        stream += QByteArray::number(i % 10);
    stream += "<end>";
    rig.pty.write(stream);
    QTRY_VERIFY_WITH_TIMEOUT(rig.port.lineBuffer().endsWith("<end>"), 20000);
    QCOMPARE(rig.port.lineBuffer().size(), TComPort::kLineBufferLimit);
    QCOMPARE(rig.port.lineBuffer(), stream.right(TComPort::kLineBufferLimit));
    // The newest bytes were kept: a terminator now completes them.
    rig.pty.write("\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.received.size(), 1, 5000);
    QCOMPARE(rig.received.first(), stream.right(TComPort::kLineBufferLimit) + "\r\n");
}

void TestComPort::sendStringWritesToTheLine()
{
    Rig rig;
    rig.port.Open();
    rig.port.SendString("SC\r");
    rig.port.SendString(QByteArray("\x02" "01#AZ#\x03\x19", 9));
    QCOMPARE(rig.pty.read(12), QByteArray("SC\r\x02" "01#AZ#\x03\x19", 12));
}

void TestComPort::closedComponentDoesNothing()
{
    Rig rig;
    rig.port.Close();
    rig.port.SendString("XA/B?\r\n");
    rig.port.SetDTR(true);
    rig.port.SetRTS(true);
    QCOMPARE(rig.closed, 0);
    QCOMPARE(rig.errors, 0);
    QVERIFY(!rig.port.Connected());
    QCOMPARE(rig.pty.read(1, 100), QByteArray());
    // A pseudo-terminal has no modem lines: the calls are accepted while open and data still flows.
    rig.port.Open();
    rig.port.SetDTR(true);
    rig.port.SetRTS(false);
    rig.port.SendString("ok");
    QCOMPARE(rig.pty.read(2), QByteArray("ok"));
}

void TestComPort::openFailureReportsError_data()
{
    QTest::addColumn<QString>("port");
    QTest::newRow("missing device") << "/nonexistent/ttyX";
    QTest::newRow("not a tty") << "/dev/null";
    QTest::newRow("empty name") << "";
}

void TestComPort::openFailureReportsError()
{
    QFETCH(QString, port);
    Rig rig;
    rig.port.setPort(port);
    rig.port.Open();
    QVERIFY(!rig.port.Connected());
    QCOMPARE(rig.errors, 1);
    QCOMPARE(rig.opened, 0);
    rig.port.Close();
    QCOMPARE(rig.closed, 0);
}

void TestComPort::openAndCloseEvents()
{
    Rig rig;
    rig.port.Open();
    rig.port.Open(); // already open: nothing
    QCOMPARE(rig.opened, 1);
    rig.port.Close();
    rig.port.Close();
    QCOMPARE(rig.closed, 1);
    QCOMPARE(rig.errors, 0);
}

void TestComPort::closeFromInsideTheCallback()
{
    Rig rig;
    rig.port.ReceiveCallBack = [&rig](const QByteArray &line) {
        rig.received.append(line);
        rig.port.Close();
    };
    rig.port.Open();
    rig.pty.write("1\r\n2\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.closed, 1, 5000);
    QCOMPARE(rig.received, QList<QByteArray>{"1\r\n"});
    // The line that was not delivered waits for the next opening.
    QCOMPARE(rig.port.lineBuffer(), QByteArray("2\r\n"));
    rig.port.ReceiveCallBack = [&rig](const QByteArray &line) { rig.received.append(line); };
    rig.port.Open();
    rig.pty.write("3\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.received, (QList<QByteArray>{"1\r\n", "2\r\n", "3\r\n"}), 5000);
}

void TestComPort::reopenInsideTheCallback()
{
    // A handler that reopens the port and runs events (a modal window does) while more data arrives.
    Rig rig;
    bool first = true;
    rig.port.ReceiveCallBack = [&](const QByteArray &line) {
        rig.received.append(line);
        if (!first)
            return;
        first = false;
        rig.port.Close();
        rig.port.Open();
        rig.pty.write("c\r\nd");
        QTRY_COMPARE_WITH_TIMEOUT(rig.port.lineBuffer(), QByteArray("d"), 5000);
    };
    rig.port.Open();
    rig.pty.write("a\r\nb\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.received.size(), 3, 5000);
    QCOMPARE(rig.port.lineBuffer(), QByteArray("d"));
    rig.pty.write("e\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.received, (QList<QByteArray>{"a\r\n", "b\r\n", "c\r\n", "de\r\n"}), 5000);
}

void TestComPort::closeWhileDataIsBeingHandedOver()
{
    // The reader thread is blocked in a hand-over that the event loop never got to; Close must not wait forever.
    Rig rig;
    for (int i = 0; i < 20; ++i) {
        rig.port.Open();
        QVERIFY(rig.port.Connected());
        rig.pty.write("5\r\n");
        QTest::qSleep(i % 3 == 0 ? 5 : 0);
        rig.port.Close();
        QVERIFY(!rig.port.Connected());
    }
    QCOMPARE(rig.closed, 20);
    QCoreApplication::processEvents(); // stale hand-overs of closed openings do nothing
}

void TestComPort::vanishedDeviceIsReported()
{
    // Opened under an alias that goes with the device: the freed pseudo-terminal number may be taken by another
    // process at once, as a new adapter may take a freed ttyUSB number.
    QTemporaryDir dir;
    Rig rig;
    const QString alias = dir.filePath(QStringLiteral("ttyUSB0"));
    QVERIFY(QFile::link(rig.pty.slavePath(), alias));
    rig.port.setPort(alias);
    rig.port.Open();
    rig.pty.write("1\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.received.size(), 1, 5000);
    rig.pty.unplug();
    QFile::remove(alias);
    QTRY_COMPARE_WITH_TIMEOUT(rig.errors, 1, 5000);
    QVERIFY(rig.port.deviceLost());
    QTest::qWait(50);
    QCOMPARE(rig.errors, 1); // reported once, not over and over
    rig.port.SendString("SC\r");
    rig.port.Close();
    QCOMPARE(rig.closed, 1);
    rig.port.Open();
    QVERIFY(!rig.port.Connected());
    QCOMPARE(rig.errors, 2);
}

void TestComPort::lineSettingsReachTheDriver_data()
{
    QTest::addColumn<uint>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<uint>("expectedSpeed");
    QTest::addColumn<uint>("expectedFlags");

    // A pseudo-terminal forces eight data bits and no parity enable; speed, stop bits and the parity kind stay.
    QTest::newRow("2400 8N1") << 2400u << 8 << int(TComPort::ptNONE) << int(TComPort::sbONE) << uint(B2400) << 0u;
    QTest::newRow("19200 7O2") << 19200u << 7 << int(TComPort::ptODD) << int(TComPort::sbTWO) << uint(B19200)
                               << uint(PARODD | CSTOPB);
    QTest::newRow("4800 8 mark") << 4800u << 8 << int(TComPort::ptMARK) << int(TComPort::sbONE) << uint(B4800)
                                 << uint(PARODD | CMSPAR);
    QTest::newRow("1200 5 space 1.5") << 1200u << 5 << int(TComPort::ptSPACE) << int(TComPort::sbONE5) << uint(B1200)
                                      << uint(CMSPAR | CSTOPB);
    // Refused settings: the line keeps the 9600 baud and one stop bit it was opened with.
    QTest::newRow("odd baud refused") << 12345u << 8 << int(TComPort::ptNONE) << int(TComPort::sbONE) << uint(B9600)
                                      << 0u;
    QTest::newRow("nine bits refused") << 2400u << 9 << int(TComPort::ptNONE) << int(TComPort::sbONE) << uint(B9600)
                                       << 0u;
    QTest::newRow("unknown parity refused") << 2400u << 8 << -1 << int(TComPort::sbONE) << uint(B9600)
                                            << 0u;
    QTest::newRow("unknown stop bits refused") << 2400u << 8 << int(TComPort::ptNONE) << -1 << uint(B9600)
                                               << 0u;
}

void TestComPort::lineSettingsReachTheDriver()
{
    QFETCH(uint, baud);
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(uint, expectedSpeed);
    QFETCH(uint, expectedFlags);

    Rig rig;
    rig.port.setBaud(baud);
    rig.port.setDataBits(quint8(dataBits));
    rig.port.setParity(TComPort::TParity(parity));
    rig.port.setStopBits(TComPort::TStopBit(stopBits));
    rig.port.Open();
    QVERIFY(rig.port.Connected());
    termios t{};
    QCOMPARE(tcgetattr(rig.pty.slaveFd(), &t), 0);
    QCOMPARE(uint(cfgetospeed(&t)), expectedSpeed);
    QCOMPARE(uint(t.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS)), expectedFlags);
    QCOMPARE(uint(t.c_iflag & (IXON | IXOFF | INPCK | ICRNL)), 0u);
}

void TestComPort::settingsRoundTrip()
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("Kelvo.ini")));
    TComPort saved(nullptr, QStringLiteral("ComPort1"));
    saved.setPort(QStringLiteral("ttyUSB3"));
    saved.setTerminator(QStringLiteral("#3"));
    saved.setBaud(19200);
    saved.setDataBits(7);
    saved.setParity(TComPort::ptEVEN);
    saved.setStopBits(TComPort::sbTWO);
    saved.SaveSettings(&ini);

    QCOMPARE(ini.readString(QStringLiteral("ComPort1"), QStringLiteral("Terminator")), QStringLiteral("#3"));
    QCOMPARE(ini.readString(QStringLiteral("ComPort1"), QStringLiteral("Parity")), QStringLiteral("ptEVEN"));
    QCOMPARE(ini.readString(QStringLiteral("ComPort1"), QStringLiteral("Stopbits")), QStringLiteral("sbTWO"));

    TComPort loaded(nullptr, QStringLiteral("ComPort1"));
    loaded.LoadSettings(&ini, false);
    QCOMPARE(loaded.Port(), QStringLiteral("ttyUSB3"));
    QCOMPARE(loaded.terminatorBytes(), QByteArray("\x03"));
    QCOMPARE(loaded.Baud(), 19200u);
    QCOMPARE(loaded.DataBits(), quint8(7));
    QCOMPARE(loaded.Parity(), TComPort::ptEVEN);
    QCOMPARE(loaded.StopBits(), TComPort::sbTWO);
    QVERIFY(!loaded.Connected());

    TComPort other(nullptr, QStringLiteral("ComPort2")); // another section: every default
    other.LoadSettings(&ini, false);
    QCOMPARE(other.Port(), QStringLiteral("COM1"));
    QCOMPARE(other.Baud(), 2400u);
}

void TestComPort::loadSettings_data()
{
    QTest::addColumn<QString>("iniText");
    QTest::addColumn<bool>("openAfterwards");
    QTest::addColumn<uint>("baud");
    QTest::addColumn<QString>("terminator");
    QTest::addColumn<int>("parity");
    QTest::addColumn<bool>("connected");

    QTest::newRow("no Baudrate key") << "[ComPort1]\nPort={pty}\n" << false << 2400u << "#13#10"
                                     << int(TComPort::ptNONE) << false;
    QTest::newRow("opens afterwards") << "[ComPort1]\nPort={pty}\nBaudrate=4800\nParity=ptODD\n" << true << 4800u
                                      << "#13#10" << int(TComPort::ptODD) << true;
    QTest::newRow("unknown parity name") << "[ComPort1]\nPort={pty}\nParity=NONE\n" << true << 2400u << "#13#10" << -1
                                         << true;
    // A bad terminator ends the load: CR LF, the later keys keep their previous values, the port stays closed.
    QTest::newRow("bad terminator") << "[ComPort1]\nPort={pty}\nTerminator=#1x\nBaudrate=4800\nParity=ptODD\n" << true
                                    << 1234u << "#13#10" << int(TComPort::ptMARK) << false;
}

void TestComPort::loadSettings()
{
    QFETCH(QString, iniText);
    QFETCH(bool, openAfterwards);
    QFETCH(uint, baud);
    QFETCH(QString, terminator);
    QFETCH(int, parity);
    QFETCH(bool, connected);

    PtyPair pty;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kelvo.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(iniText.replace(QStringLiteral("{pty}"), pty.slavePath()).toUtf8());
    file.close();
    IniFile ini(path);

    TComPort port;
    port.setBaud(1234);
    port.setParity(TComPort::ptMARK);
    port.setTerminator(QStringLiteral("#3"));
    port.LoadSettings(&ini, openAfterwards);
    QCOMPARE(port.Port(), pty.slavePath());
    QCOMPARE(port.Baud(), baud);
    QCOMPARE(port.Terminator(), terminator);
    QCOMPARE(int(port.Parity()), parity);
    QCOMPARE(port.Connected(), connected);
}

QTEST_GUILESS_MAIN(TestComPort)
#include "tst_comport.moc"
