#include "TComPort.h"
#include "TStack.h"
#include "LinuxSerial.h"
#include "PtyPair.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <sys/ioctl.h>
#include <termios.h>

using namespace sorvik;

namespace {

// A port on COM1 pointed at the pty's slave, with no events unless a test asks for them.
std::unique_ptr<TComPort> portOn(const PtyPair &pty, TEvents events = {})
{
    auto port = std::make_unique<TComPort>();
    port->SetDevicePath(COM1, pty.slaveName());
    port->SetEvents(events);
    return port;
}

QString raisedBy(const std::function<void()> &action)
{
    try {
        action();
    } catch (const EComPort &e) {
        return e.message();
    }
    return QStringLiteral("<nothing raised>");
}

} // namespace

class TestComPort : public QObject
{
    Q_OBJECT

private slots:
    void openFailsQuietly_data();
    void openFailsQuietly();
    void waitForLastAsyncWithNothingPending_data();
    void waitForLastAsyncWithNothingPending();
    void syncMethodCannotChangeWhileConnected();
    void lineSettingsRecord_data();
    void lineSettingsRecord();
    void termiosFromSettings_data();
    void termiosFromSettings();
    void lineSettingsReachTheDevice_data();
    void lineSettingsReachTheDevice();
    void refusedSettingsCloseThePort_data();
    void refusedSettingsCloseThePort();
    void baudRateChangeAppliesOnlyWhenOpen();
    void portChangeReopensOnTheNewDevice();
    void writeWithWaitReturnsCount();
    void writeLeftPendingCompletesLater();
    void abortAllAsyncDiscardsPending();
    void readString_data();
    void readString();
    void readLeftPendingFillsStringWhenWaitedFor();
    void failuresOnClosedPort_data();
    void failuresOnClosedPort();
    void rxCharReachesHandler_data();
    void rxCharReachesHandler();
    void noEventsNoThread();
    void closeReleasesPendingHandOver_data();
    void closeReleasesPendingHandOver();
    void closeFromHandler_data();
    void closeFromHandler();
    void modemCallsOnDeviceWithoutModemLines();
    void openAndCloseNotify();
    void emptyStackPopRaises();
};

void TestComPort::openFailsQuietly_data()
{
    QTest::addColumn<bool>("busy");
    QTest::newRow("busy") << true;
    QTest::newRow("absent") << false;
}

void TestComPort::openFailsQuietly()
{
    QFETCH(bool, busy);
    PtyPair pty;
    auto holder = portOn(pty);
    if (busy)
        QVERIFY(holder->Open());
    auto port = portOn(pty);
    if (!busy)
        port->SetDevicePath(COM1, QStringLiteral("/nonexistent/ttyS0"));
    bool opened = true;
    QCOMPARE(raisedBy([&] { opened = port->Open(); }), QStringLiteral("<nothing raised>"));
    QCOMPARE(opened, false);
    QCOMPARE(port->Connected(), false);
}

void TestComPort::waitForLastAsyncWithNothingPending_data()
{
    QTest::addColumn<bool>("open");
    QTest::newRow("closed") << false;
    QTest::newRow("open") << true;
}

void TestComPort::waitForLastAsyncWithNothingPending()
{
    QFETCH(bool, open);
    PtyPair pty;
    auto port = portOn(pty);
    if (open)
        QVERIFY(port->Open());
    QCOMPARE(port->WaitForLastAsync(), -2);
}

void TestComPort::syncMethodCannotChangeWhileConnected()
{
    PtyPair pty;
    auto port = portOn(pty);
    port->SetSyncMethod(smWindow);
    QCOMPARE(port->SyncMethod(), smWindow);
    QVERIFY(port->Open());
    QCOMPARE(raisedBy([&] { port->SetSyncMethod(smNone); }), QStringLiteral("Cannot set SyncMethod while connected"));
    QCOMPARE(port->SyncMethod(), smWindow);
}

void TestComPort::lineSettingsRecord_data()
{
    QTest::addColumn<int>("readBufSize");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("xonLim");
    QTest::addColumn<int>("byteSize");
    QTest::newRow("1024 -> 256") << 1024 << int(dbEight) << 256 << 8;
    QTest::newRow("4096 -> 1024") << 4096 << int(dbSeven) << 1024 << 7;
    QTest::newRow("integer division") << 10 << int(dbFive) << 2 << 5;
}

void TestComPort::lineSettingsRecord()
{
    QFETCH(int, readBufSize);
    QFETCH(int, dataBits);
    QFETCH(int, xonLim);
    QFETCH(int, byteSize);
    TComPort port;
    port.SetReadBufSize(readBufSize);
    port.SetDataBits(TDataBits(dataBits));
    const TDcb dcb = port.BuildDCB();
    QCOMPARE(dcb.XonLim, xonLim);
    QCOMPARE(dcb.XoffLim, xonLim);
    QCOMPARE(dcb.ByteSize, byteSize);
    QCOMPARE(dcb.DCBlength, 28u);
    QCOMPARE(dcb.fBinary, true);
    QCOMPARE(dcb.XonChar, std::uint8_t(17));
    QCOMPARE(dcb.XoffChar, std::uint8_t(19));
    QCOMPARE(dcb.BaudRate, 9600u);
}

namespace {

void settingsTable()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<bool>("rtsCts");
    QTest::addColumn<bool>("xonXoff");
    QTest::addColumn<uint>("speed");
    QTest::addColumn<uint>("customRate");
    QTest::addColumn<uint>("cflags");
    QTest::addColumn<uint>("iflags");

    QTest::newRow("9600 8N1") << int(br9600) << int(dbEight) << int(prNone) << int(sbOneStopBit) << false << false
                              << uint(B9600) << 0u << uint(CS8) << 0u;
    QTest::newRow("110 7O2") << int(br110) << int(dbSeven) << int(prOdd) << int(sbTwoStopBits) << false << false
                             << uint(B110) << 0u << uint(CS7 | PARENB | PARODD | CSTOPB) << 0u;
    QTest::newRow("115200 6E1 rts/cts") << int(br115200) << int(dbSix) << int(prEven) << int(sbOneStopBit) << true
                                        << false << uint(B115200) << 0u << uint(CS6 | PARENB | CRTSCTS) << 0u;
    QTest::newRow("mark parity, xon/xoff") << int(br4800) << int(dbEight) << int(prMark) << int(sbOneStopBit)
                                           << false << true << uint(B4800) << 0u
                                           << uint(CS8 | PARENB | PARODD | CMSPAR) << uint(IXON | IXOFF);
    QTest::newRow("space parity, 5 bits, 1.5 stop") << int(br1200) << int(dbFive) << int(prSpace)
                                                     << int(sbOne5StopBits) << false << false << uint(B1200) << 0u
                                                     << uint(CS5 | PARENB | CMSPAR | CSTOPB) << 0u;
    QTest::newRow("14400 has no termios constant") << int(br14400) << int(dbEight) << int(prNone)
                                                   << int(sbOneStopBit) << false << false << uint(B9600) << 14400u
                                                   << uint(CS8) << 0u;
    QTest::newRow("56000 has no termios constant") << int(br56000) << int(dbEight) << int(prNone)
                                                   << int(sbOneStopBit) << false << false << uint(B9600) << 56000u
                                                   << uint(CS8) << 0u;
}

void configure(TComPort &port)
{
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(bool, rtsCts);
    QFETCH(bool, xonXoff);
    port.SetBaudRate(TBaudRate(baud));
    port.SetDataBits(TDataBits(dataBits));
    port.Parity().SetBits(TParityBits(parity));
    port.SetStopBits(TStopBits(stopBits));
    port.FlowControl().SetOutCtsFlow(rtsCts);
    port.FlowControl().SetXonXoffIn(xonXoff);
    port.FlowControl().SetXonXoffOut(xonXoff);
}

constexpr uint lineMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;

} // namespace

void TestComPort::termiosFromSettings_data()
{
    settingsTable();
}

void TestComPort::termiosFromSettings()
{
    QFETCH(uint, speed);
    QFETCH(uint, customRate);
    QFETCH(uint, cflags);
    QFETCH(uint, iflags);
    TComPort port;
    configure(port);
    termios tio {};
    unsigned rate = 99;
    QCOMPARE(serial::termiosFor(port.BuildDCB(), tio, rate), 0);
    QCOMPARE(uint(tio.c_cflag & lineMask), cflags);
    QCOMPARE(uint(tio.c_cflag & (CLOCAL | CREAD)), uint(CLOCAL | CREAD));
    QCOMPARE(uint(tio.c_iflag & (IXON | IXOFF)), iflags);
    QCOMPARE(uint(cfgetospeed(&tio)), speed);
    QCOMPARE(uint(rate), customRate);
    QCOMPARE(uint(tio.c_lflag & (ICANON | ECHO | ISIG)), 0u);
    QCOMPARE(uint(tio.c_oflag & OPOST), 0u);
}

void TestComPort::lineSettingsReachTheDevice_data()
{
    settingsTable();
}

void TestComPort::lineSettingsReachTheDevice()
{
    QFETCH(uint, speed);
    QFETCH(uint, customRate);
    QFETCH(uint, cflags);
    QFETCH(uint, iflags);
    PtyPair pty;
    auto port = portOn(pty);
    configure(*port);
    QVERIFY(port->Open());

    // A pseudo-terminal forces 8 bits without parity; every other setting must arrive as set.
    const uint kept = lineMask & ~uint(CSIZE | PARENB);
    const termios tio = pty.attributes();
    QCOMPARE(uint(tio.c_cflag & kept), cflags & kept);
    QCOMPARE(uint(tio.c_iflag & (IXON | IXOFF)), iflags);
    const uint otherRate = 0010000;   // BOTHER: the exact rate is in the termios2 speed fields
    QCOMPARE(uint(cfgetospeed(&tio)), customRate ? otherRate : speed);
}

void TestComPort::refusedSettingsCloseThePort_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::newRow("baud outside the list") << -1 << int(dbEight) << int(sbOneStopBit);
    QTest::newRow("1.5 stop bits with 8 data bits") << int(br9600) << int(dbEight) << int(sbOne5StopBits);
    QTest::newRow("2 stop bits with 5 data bits") << int(br9600) << int(dbFive) << int(sbTwoStopBits);
}

void TestComPort::refusedSettingsCloseThePort()
{
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    PtyPair pty;
    auto port = portOn(pty);
    port->SetBaudRate(TBaudRate(baud));
    port->SetDataBits(TDataBits(dataBits));
    port->SetStopBits(TStopBits(stopBits));
    QCOMPARE(raisedBy([&] { port->Open(); }), QStringLiteral("Unable to set com state: 22"));
    QCOMPARE(port->Connected(), false);
    // The device was released: valid settings open it again.
    port->SetBaudRate(br9600);
    port->SetDataBits(dbEight);
    port->SetStopBits(sbOneStopBit);
    QVERIFY(port->Open());
}

void TestComPort::baudRateChangeAppliesOnlyWhenOpen()
{
    PtyPair pty;
    auto port = portOn(pty);
    port->SetBaudRate(br2400);
    QCOMPARE(port->BaudRate(), br2400);
    QVERIFY(port->Open());
    const termios opened = pty.attributes();
    QCOMPARE(uint(cfgetospeed(&opened)), uint(B2400));
    port->SetBaudRate(br19200);
    const termios tio = pty.attributes();
    QCOMPARE(uint(cfgetospeed(&tio)), uint(B19200));
    port->Close();
    port->SetBaudRate(br600);
    const termios after = pty.attributes();
    QCOMPARE(uint(cfgetospeed(&after)), uint(B19200));
}

void TestComPort::portChangeReopensOnTheNewDevice()
{
    PtyPair first;
    PtyPair second;
    auto port = portOn(first);
    port->SetDevicePath(COM2, second.slaveName());
    QVERIFY(port->Open());
    port->SetPort(COM2);
    QCOMPARE(port->Connected(), true);
    QCOMPARE(port->WriteString("xy", true), 2);
    QCOMPARE(second.read(2, 2000), QByteArray("xy"));
    QCOMPARE(first.read(1, 100), QByteArray());
}

void TestComPort::writeWithWaitReturnsCount()
{
    PtyPair pty;
    auto port = portOn(pty);
    QVERIFY(port->Open());
    QCOMPARE(port->WriteString(QByteArray("I\r\n\0\xff", 5), true), 5);
    QCOMPARE(port->PendingCount(), 0);
    QCOMPARE(pty.read(5, 2000), QByteArray("I\r\n\0\xff", 5));
}

void TestComPort::writeLeftPendingCompletesLater()
{
    PtyPair pty;
    auto port = portOn(pty);
    port->Timeouts().SetWriteTotalMultiplier(0);
    port->Timeouts().SetWriteTotalConstant(0);
    QVERIFY(port->Open());
    // More than a pseudo-terminal buffers while nobody reads the far end.
    const QByteArray block(256 * 1024, 'x');
    QCOMPARE(port->WriteString(block, false), -1);
    QCOMPARE(port->PendingCount(), 1);
    QByteArray received;
    std::thread reader([&] { received = pty.read(block.size(), 10000); });
    QCOMPARE(port->WaitForLastAsync(), block.size());
    reader.join();
    QCOMPARE(received.size(), block.size());
    QCOMPARE(port->PendingCount(), 0);
}

void TestComPort::abortAllAsyncDiscardsPending()
{
    PtyPair pty;
    auto port = portOn(pty);
    port->Timeouts().SetWriteTotalMultiplier(0);
    port->Timeouts().SetWriteTotalConstant(0);
    QVERIFY(port->Open());
    const QByteArray block(256 * 1024, 'x');
    QCOMPARE(port->WriteString(block, false), -1);
    QCOMPARE(port->WriteString(block, false), -1);
    QElapsedTimer clock;
    clock.start();
    port->AbortAllAsync();
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(port->PendingCount(), 0);
    QCOMPARE(port->WaitForLastAsync(), -2);
}

void TestComPort::readString_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expected");
    QTest::newRow("fewer queued than asked") << QByteArray("abc") << 10 << 3;
    QTest::newRow("more queued than asked") << QByteArray("abcdef") << 2 << 2;
    QTest::newRow("binary bytes") << QByteArray("\0\x80\xff", 3) << 3 << 3;
}

void TestComPort::readString()
{
    QFETCH(QByteArray, sent);
    QFETCH(int, count);
    QFETCH(int, expected);
    PtyPair pty;
    auto port = portOn(pty);
    QVERIFY(port->Open());
    pty.write(sent);
    QTRY_COMPARE(port->InputCount(), int(sent.size()));
    QByteArray str;
    QCOMPARE(port->ReadString(str, count, true), expected);
    QCOMPARE(str.size(), count);
    QCOMPARE(str.left(expected), sent.left(expected));
}

void TestComPort::readLeftPendingFillsStringWhenWaitedFor()
{
    PtyPair pty;
    auto port = portOn(pty);
    port->Timeouts().SetReadInterval(0);
    port->Timeouts().SetReadTotalConstant(5000);
    QVERIFY(port->Open());
    QByteArray str;
    QCOMPARE(port->ReadString(str, 3, false), -1);
    pty.write("xyz");
    QCOMPARE(port->WaitForLastAsync(), 3);
    QCOMPARE(str, QByteArray("xyz"));
}

void TestComPort::failuresOnClosedPort_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("message");
    QTest::newRow("write") << 0 << QStringLiteral("Operation failed: 9");
    QTest::newRow("read") << 1 << QStringLiteral("Operation aborted: 9");
    QTest::newRow("input count") << 2 << QStringLiteral("Unable to read com status: 9");
    QTest::newRow("carrier detect") << 3 << QStringLiteral("Unable to read com status: 9");
    QTest::newRow("RTS") << 4 << QStringLiteral("Unable to set signal: 9");
    QTest::newRow("DTR is ignored") << 5 << QStringLiteral("<nothing raised>");
}

void TestComPort::failuresOnClosedPort()
{
    QFETCH(int, operation);
    QFETCH(QString, message);
    TComPort port;
    QByteArray str;
    const std::function<void()> actions[] = {
        [&] { port.WriteString("x", true); },   [&] { port.ReadString(str, 1, true); },
        [&] { port.InputCount(); },             [&] { port.CarrierDetect(); },
        [&] { port.SetRTS(true); },             [&] { port.SetDTR(true); },
    };
    QCOMPARE(raisedBy(actions[operation]), message);
    QCOMPARE(port.PendingCount(), 0);
}

void TestComPort::rxCharReachesHandler_data()
{
    QTest::addColumn<int>("syncMethod");
    QTest::addColumn<bool>("onUiThread");
    QTest::newRow("smSynchronize") << int(smSynchronize) << true;
    QTest::newRow("smWindow") << int(smWindow) << true;
    QTest::newRow("smNone") << int(smNone) << false;
}

void TestComPort::rxCharReachesHandler()
{
    QFETCH(int, syncMethod);
    QFETCH(bool, onUiThread);
    PtyPair pty;
    auto port = portOn(pty, {evRxChar, evRLSD});
    port->SetSyncMethod(TSyncMethod(syncMethod));
    std::mutex mutex;
    QByteArray received;
    int calls = 0;
    bool everOnUiThread = true;
    bool everElsewhere = false;
    port->OnRxChar = [&](TComPort *sender, int inQue) {
        QByteArray chunk;
        const int n = sender->ReadString(chunk, inQue, true);
        std::lock_guard lock(mutex);
        const bool ui = QThread::currentThread() == QCoreApplication::instance()->thread();
        everOnUiThread = everOnUiThread && ui;
        everElsewhere = everElsewhere || !ui;
        received += chunk.left(n);
        ++calls;
    };
    // Several times what the terminal queues, so input keeps arriving while handlers read; part of it is
    // queued before the port's event thread starts.
    QByteArray sent;
    for (int i = 0; i < 20000; ++i)
        sent += char('a' + i % 26);
    pty.write(sent.left(100));
    QVERIFY(port->Open());
    QVERIFY(port->HasEventThread());
    std::thread writer([&] { pty.write(sent.mid(100)); });
    const bool allArrived =
        QTest::qWaitFor([&] { std::lock_guard lock(mutex); return received.size() >= sent.size(); }, 10000);
    port->Close();   // releases a writer stuck on a full terminal
    writer.join();
    QVERIFY(allArrived);
    std::lock_guard lock(mutex);
    QCOMPARE(received, sent);
    QVERIFY(calls >= 1);
    QCOMPARE(everOnUiThread, onUiThread);
    QCOMPARE(everElsewhere, !onUiThread);
}

void TestComPort::noEventsNoThread()
{
    PtyPair pty;
    auto port = portOn(pty, {});
    bool called = false;
    port->OnRxChar = [&](TComPort *, int) { called = true; };
    QVERIFY(port->Open());
    QCOMPARE(port->HasEventThread(), false);
    pty.write("abc");
    QTest::qWait(200);
    QCOMPARE(called, false);
    QCOMPARE(port->InputCount(), 3);
}

void TestComPort::closeReleasesPendingHandOver_data()
{
    QTest::addColumn<int>("syncMethod");
    QTest::newRow("smSynchronize") << int(smSynchronize);
    QTest::newRow("smWindow") << int(smWindow);
}

void TestComPort::closeReleasesPendingHandOver()
{
    QFETCH(int, syncMethod);
    PtyPair pty;
    auto port = portOn(pty, {evRxChar});
    port->SetSyncMethod(TSyncMethod(syncMethod));
    int calls = 0;
    port->OnRxChar = [&](TComPort *, int) { ++calls; };
    QVERIFY(port->Open());
    pty.write("a");
    // The event thread is now blocked in its hand-over, which this thread has not served.
    QThread::msleep(200);
    QElapsedTimer clock;
    clock.start();
    port->Close();
    QVERIFY2(clock.elapsed() < 2000, "Close waited for a hand-over nobody served");
    QCoreApplication::processEvents();
    QCOMPARE(calls, 0);
}

void TestComPort::closeFromHandler_data()
{
    closeReleasesPendingHandOver_data();
}

void TestComPort::closeFromHandler()
{
    QFETCH(int, syncMethod);
    PtyPair pty;
    auto port = portOn(pty, {evRxChar});
    port->SetSyncMethod(TSyncMethod(syncMethod));
    int closes = 0;
    port->OnClose = [&](TComPort *) { ++closes; };
    port->OnRxChar = [&](TComPort *sender, int) { sender->Close(); };
    QVERIFY(port->Open());
    pty.write("a");
    QTRY_COMPARE_WITH_TIMEOUT(port->Connected(), false, 5000);
    QCOMPARE(closes, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The port opens again afterwards and still delivers.
    int calls = 0;
    port->OnRxChar = [&](TComPort *sender, int inQue) {
        QByteArray s;
        calls += sender->ReadString(s, inQue, true);
    };
    QVERIFY(port->Open());
    pty.write("bc");
    QTRY_COMPARE_WITH_TIMEOUT(calls, 2, 5000);   // "a" went with the closing purge
}

void TestComPort::modemCallsOnDeviceWithoutModemLines()
{
    PtyPair pty;
    auto port = portOn(pty);
    QVERIFY(port->Open());
    QCOMPARE(raisedBy([&] {
                 port->SetDTR(true);
                 port->SetRTS(true);
                 port->SetRTS(false);
             }),
             QStringLiteral("<nothing raised>"));
    QCOMPARE(port->CarrierDetect(), false);
}

void TestComPort::openAndCloseNotify()
{
    PtyPair pty;
    auto port = portOn(pty);
    QStringList seen;
    port->OnOpen = [&](TComPort *) { seen << QStringLiteral("open"); };
    port->OnClose = [&](TComPort *) { seen << QStringLiteral("close"); };
    QVERIFY(port->Open());
    QVERIFY(port->Open());   // reopening closes first
    port->Close();
    port->Close();           // a closed port does not notify again
    QCOMPARE(seen, QStringList({"open", "close", "open", "close"}));
}

void TestComPort::emptyStackPopRaises()
{
    TStack stack;
    QString message;
    try {
        stack.pop();
    } catch (const EGenericAlg &e) {
        message = e.message();
    }
    QCOMPARE(message, QStringLiteral("Stack is empty"));
}

QTEST_GUILESS_MAIN(TestComPort)
#include "tst_comport.moc"
