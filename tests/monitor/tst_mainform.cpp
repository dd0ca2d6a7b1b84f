#include "TIniFile.h"
#include "TMainForm.h"
#include "PtyPair.h"
#include "TRadioGroup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <thread>

using namespace sorvik;

namespace {

struct Message
{
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

// One monitor window over a fresh program folder whose Sorvikmon.ini maps COM1 to a pseudo-terminal.
class Harness
{
public:
    explicit Harness(const QByteArray &config)
    {
        qputenv("SORVIK_HOME", m_home.path().toLocal8Bit());
        QFile ini(iniPath());
        ini.open(QIODevice::WriteOnly);
        ini.write("; kept as it is\n[Config]\n" + config + "\n[Ports]\nCOM1=" + m_pty.slaveName().toLocal8Bit() + "\n");
        ini.close();
        form = std::make_unique<TMainForm>();
        form->setMessageSink([this](QMessageBox::Icon icon, const QString &title, const QString &text) {
            messages.push_back({icon, title, text});
        });
        form->show();
        QElapsedTimer clock;
        clock.start();
        while (form->windowTitle() == QLatin1String("Sorvik") && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    ~Harness()
    {
        form.reset();
        qunsetenv("SORVIK_HOME");
    }

    QString iniPath() const { return m_home.filePath(QStringLiteral("Sorvikmon.ini")); }
    const PtyPair &pty() const { return m_pty; }

    template <typename T>
    T *child(const char *name) const
    {
        return form->findChild<T *>(QLatin1String(name));
    }
    QAction *action(const char *name) const { return child<QAction>(name); }
    QStringList lines() const
    {
        const QString text = child<QPlainTextEdit>("Memo1")->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(u'\n');
    }

    // Reads the far end while the window's event loop keeps running.
    QByteArray receive(int want, int timeoutMs, QList<qint64> *arrivals = nullptr) const
    {
        QByteArray out;
        QElapsedTimer clock;
        clock.start();
        while (out.size() < want && clock.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            const QByteArray got = m_pty.read(1, 2);
            if (!got.isEmpty()) {
                out += got;
                if (arrivals)
                    arrivals->append(clock.elapsed());
            }
        }
        return out;
    }

    void pumpFor(int ms) const
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }

    bool pumpUntil(const std::function<bool()> &condition, int timeoutMs = 3000) const
    {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        return true;
    }

    // Opens with the button and waits for the whole power-up ("I" then "R").
    bool openAndPowerUp()
    {
        child<QPushButton>("BOpen")->click();
        return receive(2, 5000) == "IR";
    }

    std::unique_ptr<TMainForm> form;
    QList<Message> messages;

private:
    QTemporaryDir m_home;
    PtyPair m_pty;
};

QList<int> valuesOf(const QStringList &lines)
{
    QList<int> values;
    for (const QString &line : lines)
        for (const QString &v : line.split(u' ', Qt::SkipEmptyParts))
            values << v.toInt();
    return values;
}

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private slots:
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void powerUpSequence();
    void burstsEndAfterTheirFirstByte_data();
    void burstsEndAfterTheirFirstByte();
    void burstShownInChosenMode_data();
    void burstShownInChosenMode();
    void burstDuringRaisedLinesIsDiscarded();
    void fullBufferEndsBurstEarly();
    void settingChange_data();
    void settingChange();
    void busyPortShowsMessage();
    void speedOutsideListFailsOpen();
    void closeDuringPowerUpSendsNothing();
    void copyClearAndSave();
    void aboutBox();
};

void TestMainForm::settingsRoundTrip_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QList<int>>("items");   // Port DataWidth Parity Hard Soft StopBits Speed
    QTest::addColumn<QList<bool>>("flags");  // DTR RTS Decimal Hexadecimal ASCII Opened
    QTest::addColumn<QString>("caption");

    QTest::newRow("empty section: defaults") << QByteArray() << QList<int> {0, 3, 0, 0, 0, 0, 6}
                                             << QList<bool> {true, true, true, false, false, false}
                                             << "Sorvik (COM1 closed)";
    QTest::newRow("everything changed")
        << QByteArray("Port=2\nDataWidth=2\nParity=3\nHardHandshack=1\nSoftHandshack=1\nStopBits=2\nSpeed=12\n"
                      "DTR=0\nRTS=0\nDecimal=0\nHexadecimal=0\nASCII=1\nOpened=0\n")
        << QList<int> {2, 2, 3, 1, 1, 2, 12} << QList<bool> {false, false, false, false, true, false}
        << "Sorvik (COM3 closed)";
    QTest::newRow("decimal and hexadecimal both stored")
        << QByteArray("Decimal=1\nHexadecimal=1\n") << QList<int> {0, 3, 0, 0, 0, 0, 6}
        << QList<bool> {true, true, true, true, false, false} << "Sorvik (COM1 closed)";
    QTest::newRow("opened at start") << QByteArray("Opened=1\nSpeed=12\n") << QList<int> {0, 3, 0, 0, 0, 0, 12}
                                     << QList<bool> {true, true, true, false, false, true}
                                     << "Sorvik (COM1 opened)";
}

void TestMainForm::settingsRoundTrip()
{
    QFETCH(QByteArray, config);
    QFETCH(QList<int>, items);
    QFETCH(QList<bool>, flags);
    QFETCH(QString, caption);

    Harness h(config);
    QCOMPARE(h.form->windowTitle(), caption);
    const char *groups[] = {"RGPuerto", "RGAnchura", "RGParidad", "RGHardHandshack", "RGSoftHandshack", "RGStopbits"};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(h.child<TRadioGroup>(groups[i])->itemIndex(), items[i]);
    QCOMPARE(h.child<QComboBox>("CBVelocidad")->currentIndex(), items[6]);
    QCOMPARE(h.child<QCheckBox>("ChBxDTR")->isChecked(), flags[0]);
    QCOMPARE(h.child<QCheckBox>("ChBxRTS")->isChecked(), flags[1]);
    QCOMPARE(h.action("MDecimal")->isChecked(), flags[2]);
    QCOMPARE(h.action("MHexadecimal")->isChecked(), flags[3]);
    QCOMPARE(h.action("MASCII")->isChecked(), flags[4]);
    QCOMPARE(h.form->ComPort().Connected(), flags[5]);

    // The driver got what the controls show.
    TComPort &port = h.form->ComPort();
    QCOMPARE(int(port.Port()), items[0]);
    QCOMPARE(int(port.DataBits()), items[1]);
    QCOMPARE(int(port.Parity().Bits()), items[2]);
    QCOMPARE(port.FlowControl().OutCtsFlow(), items[3] == 1);
    QCOMPARE(int(port.FlowControl().ControlRts()), items[3] == 1 ? int(rtsHandshake) : int(rtsDisable));
    QCOMPARE(port.FlowControl().XonXoffIn(), items[4] == 1);
    QCOMPARE(int(port.StopBits()), items[5]);
    QCOMPARE(int(port.BaudRate()), items[6]);

    h.action("MExit")->trigger();
    QCOMPARE(h.form->isVisible(), false);
    const TIniFile ini(h.iniPath());
    const char *keys[] = {"Port", "DataWidth", "Parity", "HardHandshack", "SoftHandshack", "StopBits", "Speed"};
    for (int i = 0; i < 7; ++i)
        QCOMPARE(ini.ReadInteger("Config", keys[i], -99), items[i]);
    const char *boolKeys[] = {"DTR", "RTS", "Decimal", "Hexadecimal", "ASCII", "Opened"};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(ini.ReadBool("Config", boolKeys[i], !flags[i]), flags[i]);
    QCOMPARE(ini.ReadString("Ports", "COM1", QString()), h.pty().slaveName());
    QFile raw(h.iniPath());
    raw.open(QIODevice::ReadOnly);
    QVERIFY(raw.readAll().startsWith("; kept as it is\n[Config]\n"));
    QVERIFY(h.messages.isEmpty());
}

void TestMainForm::powerUpSequence()
{
    Harness h("");
    QElapsedTimer clock;
    clock.start();
    h.child<QPushButton>("BOpen")->click();
    QCOMPARE(h.form->windowTitle(), QStringLiteral("Sorvik (COM1 opened)"));
    QCOMPARE(h.child<QPushButton>("BOpen")->text(), QStringLiteral("Cl&ose"));
    QCOMPARE(h.action("MClose")->isEnabled(), true);
    QCOMPARE(h.action("MOpen")->isEnabled(), false);
    QCOMPARE(h.form->powerState(), QStringLiteral("poweroff"));
    QVERIFY(QApplication::overrideCursor() != nullptr);

    QVERIFY(h.pumpUntil([&] { return h.form->powerState() == QLatin1String("poweron"); }));
    const qint64 linesRaised = clock.elapsed();
    QList<qint64> arrivals;
    const qint64 before = clock.elapsed();
    QCOMPARE(h.receive(2, 5000, &arrivals), QByteArray("IR"));
    const qint64 sentI = before + arrivals[0];
    const qint64 sentR = before + arrivals[1];

    QVERIFY2(linesRaised >= 290, qPrintable(QString::number(linesRaised)));
    QVERIFY2(sentI >= 590 && sentI < 3000, qPrintable(QString::number(sentI)));
    QVERIFY2(sentR - sentI >= 90 && sentR - sentI < 1000, qPrintable(QString::number(sentR - sentI)));
    QCOMPARE(h.form->powerState(), QStringLiteral("Imandada"));
    QVERIFY(h.pumpUntil([] { return QApplication::overrideCursor() == nullptr; }));
    // The sequence has ended: nothing more is sent.
    QCOMPARE(h.receive(1, 500), QByteArray());
    QVERIFY(h.messages.isEmpty());
}

void TestMainForm::burstsEndAfterTheirFirstByte_data()
{
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("80 ms apart: one line") << 80 << QStringList {"13 10 "};
    QTest::newRow("150 ms apart: two lines") << 150 << QStringList {"13 ", "10 "};
}

void TestMainForm::burstsEndAfterTheirFirstByte()
{
    QFETCH(int, gapMs);
    QFETCH(QStringList, expected);
    Harness h("Opened=1\n");
    QCOMPARE(h.receive(2, 5000), QByteArray("IR"));

    auto *finComando = h.child<QTimer>("FinComando");
    QElapsedTimer clock;
    clock.start();
    h.pty().write("\r");
    if (gapMs < 100) {
        // Spaced from the moment the first byte was taken in, so a slow hand-over cannot widen the gap.
        QVERIFY(h.pumpUntil([&] { return finComando->isActive(); }));
        h.pumpFor(gapMs - 20);
    } else {
        h.pumpFor(gapMs);
    }
    h.pty().write("\n");
    QVERIFY(h.pumpUntil([&] { return h.lines().size() >= expected.size() && !finComando->isActive(); }));
    h.pumpFor(200);
    QCOMPARE(h.lines(), expected);
}

void TestMainForm::burstShownInChosenMode_data()
{
    QTest::addColumn<QString>("menuItem");
    QTest::addColumn<QString>("line");
    QTest::newRow("decimal") << "MDecimal" << "13 10 ";
    QTest::newRow("hexadecimal") << "MHexadecimal" << "0D 0A ";
    QTest::newRow("ASCII") << "MASCII" << "<CR><LF>";
}

void TestMainForm::burstShownInChosenMode()
{
    QFETCH(QString, menuItem);
    QFETCH(QString, line);
    Harness h("Opened=1\nDecimal=1\nHexadecimal=1\nASCII=1\n");
    QCOMPARE(h.receive(2, 5000), QByteArray("IR"));
    h.form->findChild<QAction *>(menuItem)->trigger();
    for (const char *name : {"MDecimal", "MHexadecimal", "MASCII"})
        QCOMPARE(h.action(name)->isChecked(), menuItem == QLatin1String(name));
    h.pty().write("\r\n");
    QVERIFY(h.pumpUntil([&] { return !h.lines().isEmpty(); }));
    QCOMPARE(h.lines(), QStringList {line});
}

void TestMainForm::burstDuringRaisedLinesIsDiscarded()
{
    Harness h("");
    h.child<QPushButton>("BOpen")->click();
    QVERIFY(h.pumpUntil([&] { return h.form->powerState() == QLatin1String("poweron"); }));
    h.pty().write("noise");
    QCOMPARE(h.receive(2, 5000), QByteArray("IR"));
    h.pumpFor(150);
    QCOMPARE(h.lines(), QStringList());
    // The same bytes after the power-up are shown.
    h.pty().write("A");
    QVERIFY(h.pumpUntil([&] { return !h.lines().isEmpty(); }));
    QCOMPARE(h.lines(), QStringList {"65 "});
}

void TestMainForm::fullBufferEndsBurstEarly()
{
    Harness h("Opened=1\n");
    QCOMPARE(h.receive(2, 5000), QByteArray("IR"));
    const int total = 10005;
    QByteArray bytes;
    for (int i = 0; i < total; ++i)
        bytes += char(i % 251);
    // The window reads on this thread, so the far end writes from another.
    std::thread writer([&] { h.pty().write(bytes); });
    const bool complete = h.pumpUntil([&] { return valuesOf(h.lines()).size() >= total; }, 10000);
    writer.join();
    QVERIFY2(complete, qPrintable(QStringLiteral("%1 values in %2 lines").arg(valuesOf(h.lines()).size()).arg(h.lines().size())));
    const QStringList lines = h.lines();
    QList<int> expected;
    for (int i = 0; i < total; ++i)
        expected << i % 251;
    QCOMPARE(valuesOf(lines), expected);
    for (const QString &line : lines)
        QVERIFY(line.count(u' ') <= 10001);
}

void TestMainForm::settingChange_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("item");
    QTest::addColumn<bool>("open");

    for (const bool open : {false, true}) {
        const char *state = open ? "open" : "closed";
        QTest::addRow("parity odd, %s", state) << "RGParidad" << 1 << open;
        QTest::addRow("stop bits 2, %s", state) << "RGStopbits" << 2 << open;
        QTest::addRow("xon/xoff, %s", state) << "RGSoftHandshack" << 1 << open;
        QTest::addRow("speed 19200, %s", state) << "CBVelocidad" << 8 << open;
        QTest::addRow("DTR off, %s", state) << "ChBxDTR" << 0 << open;
    }
}

void TestMainForm::settingChange()
{
    QFETCH(QString, control);
    QFETCH(int, item);
    QFETCH(bool, open);
    Harness h("");
    if (open)
        QVERIFY(h.openAndPowerUp());

    QWidget *widget = h.form->findChild<QWidget *>(control);
    if (auto *group = qobject_cast<TRadioGroup *>(widget))
        group->button(item)->click();
    else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        combo->setCurrentIndex(item);
        emit combo->activated(item);
    } else
        qobject_cast<QCheckBox *>(widget)->click();

    QCOMPARE(h.form->ComPort().Connected(), open);
    QCOMPARE(h.form->windowTitle(), open ? QStringLiteral("Sorvik (COM1 opened)") : QStringLiteral("Sorvik (COM1 closed)"));
    // Reopened ports power the device up again; closed ones stay silent.
    QCOMPARE(h.receive(2, open ? 5000 : 1000), open ? QByteArray("IR") : QByteArray());

    TComPort &port = h.form->ComPort();
    if (control == QLatin1String("RGParidad"))
        QCOMPARE(port.Parity().Bits(), prOdd);
    if (control == QLatin1String("RGStopbits"))
        QCOMPARE(port.StopBits(), sbTwoStopBits);
    if (control == QLatin1String("RGSoftHandshack"))
        QCOMPARE(port.FlowControl().XonXoffOut(), true);
    if (control == QLatin1String("CBVelocidad"))
        QCOMPARE(port.BaudRate(), br19200);
    if (open && control != QLatin1String("ChBxDTR")) {
        const termios tio = h.pty().attributes();
        if (control == QLatin1String("RGParidad"))
            QCOMPARE(uint(tio.c_cflag & PARODD), uint(PARODD));
        if (control == QLatin1String("RGStopbits"))
            QCOMPARE(uint(tio.c_cflag & CSTOPB), uint(CSTOPB));
        if (control == QLatin1String("RGSoftHandshack"))
            QCOMPARE(uint(tio.c_iflag & IXON), uint(IXON));
        if (control == QLatin1String("CBVelocidad"))
            QCOMPARE(uint(cfgetospeed(&tio)), uint(B19200));
    }
    QVERIFY(h.messages.isEmpty());
}

void TestMainForm::busyPortShowsMessage()
{
    Harness h("");
    TComPort other;
    other.SetDevicePath(COM1, h.pty().slaveName());
    other.SetEvents({});
    QVERIFY(other.Open());
    h.child<QPushButton>("BOpen")->click();
    QCOMPARE(h.messages.size(), 1);
    QCOMPARE(h.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(h.messages[0].title, QStringLiteral("Serial port problem"));
    QCOMPARE(h.messages[0].text, QStringLiteral("The serial port selected is being used by another application."));
    QCOMPARE(h.form->windowTitle(), QStringLiteral("Sorvik (COM1 closed)"));
    QCOMPARE(h.child<QPushButton>("BOpen")->text(), QStringLiteral("&Open"));
    QCOMPARE(h.form->ComPort().Connected(), false);
}

void TestMainForm::speedOutsideListFailsOpen()
{
    Harness h("Speed=99\nOpened=1\n");
    QCOMPARE(h.child<QComboBox>("CBVelocidad")->currentIndex(), -1);
    QCOMPARE(h.messages.size(), 1);
    QCOMPARE(h.messages[0].text, QStringLiteral("Unable to set com state: 22"));
    QCOMPARE(h.form->ComPort().Connected(), false);
    QCOMPARE(h.form->windowTitle(), QStringLiteral("Sorvik (COM1 closed)"));
}

void TestMainForm::closeDuringPowerUpSendsNothing()
{
    Harness h("");
    auto *button = h.child<QPushButton>("BOpen");
    button->click();
    button->click();
    QCOMPARE(h.form->windowTitle(), QStringLiteral("Sorvik (COM1 closed)"));
    QCOMPARE(h.receive(1, 1000), QByteArray());
    QVERIFY(h.messages.isEmpty());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // A fresh open runs the whole sequence.
    QVERIFY(h.openAndPowerUp());
}

void TestMainForm::copyClearAndSave()
{
    Harness h("");
    auto *memo = h.child<QPlainTextEdit>("Memo1");
    memo->setPlainText(QStringLiteral("13 10 \n<CR><LF>"));
    h.child<QPushButton>("BCopy")->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("13 10 \n<CR><LF>"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.txt"));
    QVERIFY(h.form->saveDataReceived(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("13 10 \n<CR><LF>\n"));
    QVERIFY(!h.form->saveDataReceived(dir.filePath(QStringLiteral("missing/folder/data.txt"))));
    QCOMPARE(h.messages.size(), 1);

    h.child<QPushButton>("BClear")->click();
    QCOMPARE(memo->toPlainText(), QString());
}

void TestMainForm::aboutBox()
{
    Harness h("");
    QString title;
    QTimer::singleShot(0, [&] {
        QWidget *box = QApplication::activeModalWidget();
        QVERIFY(box);
        title = box->windowTitle();
        auto *accept = box->findChild<QPushButton *>(QStringLiteral("BAccept"));
        QVERIFY(accept);
        QCOMPARE(accept->text(), QStringLiteral("&Accept"));
        accept->click();
    });
    h.action("MAbout")->trigger();
    QCOMPARE(title, QStringLiteral("About Sorvik"));
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
