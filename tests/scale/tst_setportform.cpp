#include "MessageBoxes.h"
#include "PtyPair.h"
#include "TComPort.h"
#include "TPortListForm.h"
#include "TSetportForm.h"

#include "ui_TPortListForm.h"
#include "ui_TSetportForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <termios.h>

namespace {

struct FakeTty {
    QString name;
    QString driver;
    QString usbProduct; // empty: not behind a USB device
};

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

QStringList rowsOf(const QStandardItemModel *model)
{
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells.append(model->item(r, c)->text());
        rows.append(cells.join(u'|'));
    }
    return rows;
}

// The part of /sys the detector reads: class/tty/<name> with a device link, the device's driver link and, for a
// USB adapter, the product of the USB device above it.
void buildSysfs(const QString &sysfs, const QList<FakeTty> &ttys)
{
    for (const FakeTty &tty : ttys) {
        const QString usbDevice = sysfs + QStringLiteral("/devices/usb/") + tty.name;
        const QString device = usbDevice + QStringLiteral("/if0");
        QDir().mkpath(device);
        if (!tty.usbProduct.isEmpty()) {
            QFile vendor(usbDevice + QStringLiteral("/idVendor"));
            QVERIFY(vendor.open(QIODevice::WriteOnly));
            vendor.write("0403\n");
            QFile product(usbDevice + QStringLiteral("/product"));
            QVERIFY(product.open(QIODevice::WriteOnly));
            product.write(tty.usbProduct.toUtf8() + '\n');
        }
        const QString driver = sysfs + QStringLiteral("/bus/drivers/") + tty.driver;
        QDir().mkpath(driver);
        QVERIFY(QFile::link(driver, device + QStringLiteral("/driver")));
        const QString ttyDir = sysfs + QStringLiteral("/class/tty/") + tty.name;
        QDir().mkpath(ttyDir);
        QVERIFY(QFile::link(device, ttyDir + QStringLiteral("/device")));
    }
}

// Runs the dialog for the port; `during` acts on the showing dialog and must end it (OK or Mégse). Should it
// not, the dialog is cancelled after a while so that a failing test cannot hang.
bool runFor(TSetportForm &dialog, TComPort &port, const std::function<void()> &during)
{
    QTimer::singleShot(0, &dialog, during);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, &QDialog::reject);
    guard.start(20000);
    return dialog.execFor(port);
}

} // namespace

class TestSetportForm : public QObject
{
    Q_OBJECT

    QStringList m_messages;
    std::unique_ptr<QTemporaryDir> m_dir;

    // A dialog over a machine without serial ports; tests offer their pseudo-terminals instead.
    std::unique_ptr<TSetportForm> makeDialog(const QStringList &ports)
    {
        auto dialog = std::make_unique<TSetportForm>(nullptr, PortDetector(m_dir->filePath(QStringLiteral("sys"))));
        dialog->setPortList(ports);
        return dialog;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_messages.clear();
        setMessageHook([this](const MessageRequest &r) {
            m_messages.append(r.text.chopped(r.text.endsWith(QLatin1String("\r\r")) ? 2 : 0));
            return 1;
        });
    }
    void cleanup()
    {
        setMessageHook({});
        m_dir.reset();
    }

    void listsOfDetectedPorts_data();
    void listsOfDetectedPorts();
    void labelsAndTabOrder();
    void showsCurrentSettingsAndCancelLeavesPort_data();
    void showsCurrentSettingsAndCancelLeavesPort();
    void refusedChoiceKeepsDialogAndPort_data();
    void refusedChoiceKeepsDialogAndPort();
    void confirmReopensWithNewSettings_data();
    void confirmReopensWithNewSettings();
};

void TestSetportForm::listsOfDetectedPorts_data()
{
    QTest::addColumn<QList<FakeTty>>("ttys");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QStringList>("described");

    const FakeTty com1{"ttyS0", "serial", ""};
    const FakeTty com3{"ttyS2", "serial", ""};
    const FakeTty usb{"ttyUSB0", "ftdi_sio", "FT232R USB UART"};
    QTest::newRow("COM1 and COM3") << QList<FakeTty>{com3, com1} << QStringList{"COM1", "COM3"}
                                   << QStringList{"COM1|/dev/ttyS0|serial", "COM3|/dev/ttyS2|serial"};
    QTest::newRow("USB adapter after COM port")
        << QList<FakeTty>{usb, com1} << QStringList{"COM1", "ttyUSB0"}
        << QStringList{"COM1|/dev/ttyS0|serial", "ttyUSB0|/dev/ttyUSB0|FT232R USB UART (ftdi_sio)"};
    QTest::newRow("no ports") << QList<FakeTty>{} << QStringList{} << QStringList{};
}

void TestSetportForm::listsOfDetectedPorts()
{
    QFETCH(QList<FakeTty>, ttys);
    QFETCH(QStringList, ports);
    QFETCH(QStringList, described);

    const QString sysfs = m_dir->filePath(QStringLiteral("sys"));
    QDir().mkpath(sysfs + QStringLiteral("/class/tty"));
    buildSysfs(sysfs, ttys);
    TSetportForm dialog(nullptr, PortDetector(sysfs, m_dir->filePath(QStringLiteral("udev"))));
    Ui::TSetportForm *ui = dialog.ui();
    QCOMPARE(itemsOf(ui->comport), ports);
    QCOMPARE(itemsOf(ui->databits), (QStringList{"5", "6", "7", "8"}));
    QCOMPARE(itemsOf(ui->baudrate), (QStringList{"300", "600", "1200", "2400", "4800", "9600", "19200", "38400"}));
    QCOMPARE(itemsOf(ui->parity), (QStringList{"NONE", "ODD", "EVEN", "MARK", "SPACE"}));
    QCOMPARE(itemsOf(ui->stopbits), (QStringList{"ONE", "ONE5", "TWO"}));
    QCOMPARE(itemsOf(ui->terminator), QStringList{"#13#10"});
    QVERIFY(ui->terminator->isEditable());
    QVERIFY(!ui->comport->isEditable());

    // The device manager's stand-in looks when it is opened.
    QVERIFY(!dialog.portListForm()->isVisible());
    ui->eszkozkezelo->click();
    QVERIFY(dialog.portListForm()->isVisible());
    QCOMPARE(rowsOf(dialog.portListForm()->model()), described);
    dialog.portListForm()->ui()->bezar->click();
    QVERIFY(!dialog.portListForm()->isVisible());
}

void TestSetportForm::labelsAndTabOrder()
{
    auto dialog = makeDialog({});
    const QList<std::pair<QString, QString>> labels = {
        {"Soros port:", "comport"}, {"Adatbitek:", "databits"}, {"Sebesség:", "baudrate"},
        {"Paritás:", "parity"},     {"Stop bit:", "stopbits"},  {"Zárókarakter(ek):", "terminator"}};
    for (const auto &[text, control] : labels) {
        QLabel *label = nullptr;
        for (QLabel *l : dialog->findChildren<QLabel *>())
            if (l->text() == text)
                label = l;
        QVERIFY2(label, qPrintable(text));
        QVERIFY2(label->buddy() && label->buddy()->objectName() == control, qPrintable(text));
    }

    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    dialog->ui()->comport->setFocus();
    const QStringList order = {"databits", "baudrate", "parity", "stopbits", "OKBtn", "CancelBtn", "terminator"};
    for (const QString &expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        while (focus && focus->parentWidget() != dialog.get() && focus->objectName() != expected)
            focus = focus->parentWidget(); // the editable box's line edit stands for the box
        QCOMPARE(focus ? focus->objectName() : QString(), expected);
    }
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Kapcsolat beállítása"));
}

void TestSetportForm::showsCurrentSettingsAndCancelLeavesPort_data()
{
    QTest::addColumn<bool>("listed");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<QString>("terminator");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QStringList>("shown"); // comport is "port" when the port is selected

    QTest::newRow("listed port, Mégse") << true << 2400 << int(TComPort::ptEVEN) << int(TComPort::sbONE5) << "#3"
                                        << false << QStringList{"port", "8", "2400", "EVEN", "ONE5", "#3"};
    QTest::newRow("unlisted port and speed, Escape")
        << false << 115200 << int(TComPort::ptNONE) << int(TComPort::sbTWO) << "#13#10" << true
        << QStringList{"", "8", "", "NONE", "TWO", "#13#10"};
}

void TestSetportForm::showsCurrentSettingsAndCancelLeavesPort()
{
    QFETCH(bool, listed);
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(QString, terminator);
    QFETCH(bool, escape);
    QFETCH(QStringList, shown);

    PtyPair pty;
    PtyPair other;
    TComPort port;
    port.setPort(pty.slavePath());
    port.setBaud(quint32(baud));
    port.setParity(TComPort::TParity(parity));
    port.setStopBits(TComPort::TStopBit(stopBits));
    port.setTerminator(terminator);
    port.Open();
    QTRY_VERIFY(port.Connected());
    int events = 0;
    port.OnPortClose = [&events](TComPort &) { ++events; };
    port.OnPortOpen = [&events](TComPort &) { ++events; };

    auto dialog = makeDialog(listed ? QStringList{other.slavePath(), pty.slavePath()} : QStringList{other.slavePath()});
    // What the previous showing left in the controls must not leak into this one.
    dialog->ui()->comport->setCurrentIndex(0);
    dialog->ui()->baudrate->setCurrentIndex(0);
    dialog->ui()->terminator->setEditText(QStringLiteral("#10"));

    QStringList seen;
    const bool confirmed = runFor(*dialog, port, [&] {
        const PortSettingsChoice c = dialog->choice();
        seen = {c.comport, c.databits, c.baudrate, c.parity, c.stopbits, c.terminator};
        if (escape)
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else
            dialog->ui()->CancelBtn->click();
    });
    shown.replace(0, shown.at(0) == QLatin1String("port") ? pty.slavePath() : QString());
    QCOMPARE(seen, shown);
    QVERIFY(!confirmed);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(events, 0);
    QTRY_VERIFY(port.Connected());
    QCOMPARE(port.Port(), pty.slavePath());
    QCOMPARE(port.Baud(), quint32(baud));
    QCOMPARE(port.Terminator(), terminator);
}

void TestSetportForm::refusedChoiceKeepsDialogAndPort_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed"); // terminator text; the lists are left without a selection
    QTest::addColumn<QString>("message");

    QTest::newRow("no port") << "comport" << "" << "Válasszon soros portot!";
    QTest::newRow("no data bits") << "databits" << "" << "Válassza ki az adatbitek számát!";
    QTest::newRow("no speed") << "baudrate" << "" << "Válassza ki a sebességet!";
    QTest::newRow("no parity") << "parity" << "" << "Válassza ki a paritást!";
    QTest::newRow("no stop bits") << "stopbits" << "" << "Válassza ki a stop bitek számát!";
    QTest::newRow("terminator not a number") << "terminator" << "#13#x"
                                             << "Illegal terminator string.\rformat : #<asciicode>#<asciicode>#<...>\r"
                                                "example: #13#10";
}

void TestSetportForm::refusedChoiceKeepsDialogAndPort()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);

    PtyPair pty;
    TComPort port;
    port.setPort(pty.slavePath());
    port.Open();
    QTRY_VERIFY(port.Connected());
    QList<QByteArray> lines;
    port.ReceiveCallBack = [&lines](const QByteArray &line) { lines.append(line); };
    int events = 0;
    port.OnPortClose = [&events](TComPort &) { ++events; };
    port.OnPortOpen = [&events](TComPort &) { ++events; };

    auto dialog = makeDialog({pty.slavePath()});
    bool stayedOpen = false;
    QString focused;
    const bool confirmed = runFor(*dialog, port, [&] {
        auto *box = dialog->findChild<QComboBox *>(field);
        if (field == QLatin1String("terminator"))
            box->setEditText(typed);
        else
            box->setCurrentIndex(-1);
        dialog->ui()->OKBtn->setFocus();
        dialog->ui()->OKBtn->click();
        stayedOpen = dialog->isVisible();
        focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        if (dialog->focusWidget() && dialog->focusWidget()->parentWidget() == box)
            focused = field;
        dialog->ui()->CancelBtn->click();
    });
    QCOMPARE(m_messages, QStringList{message});
    QVERIFY(stayedOpen);
    QCOMPARE(focused, field);
    QVERIFY(!confirmed);
    QCOMPARE(events, 0);
    QTRY_VERIFY(port.Connected());
    QCOMPARE(port.Port(), pty.slavePath());
    QCOMPARE(port.Terminator(), QStringLiteral("#13#10"));
    // The scale is still heard.
    pty.write("+ 0012340 kg\r\n");
    QTRY_COMPARE(lines, QList<QByteArray>{"+ 0012340 kg\r\n"});
}

void TestSetportForm::confirmReopensWithNewSettings_data()
{
    QTest::addColumn<bool>("otherPort");
    QTest::addColumn<QStringList>("chosen"); // databits, baudrate, parity, stopbits, terminator
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<speed_t>("speed");

    QTest::newRow("other port, every line setting")
        << true << QStringList{"7", "4800", "EVEN", "TWO", "#3"} << QByteArray("12\x03" "34") << QByteArray("12\x03")
        << 2 << speed_t(B4800);
    QTest::newRow("same port, terminator typed")
        << false << QStringList{"8", "9600", "ODD", "ONE", "#10"} << QByteArray("56\r\n7") << QByteArray("56\r\n")
        << 1 << speed_t(B9600);
}

void TestSetportForm::confirmReopensWithNewSettings()
{
    QFETCH(bool, otherPort);
    QFETCH(QStringList, chosen);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, line);
    QFETCH(int, stopBits);
    QFETCH(speed_t, speed);

    PtyPair first;
    PtyPair second;
    PtyPair &target = otherPort ? second : first;
    TComPort port;
    port.setPort(first.slavePath());
    port.setBaud(2400);
    port.Open();
    QTRY_VERIFY(port.Connected());
    QList<QByteArray> lines;
    port.ReceiveCallBack = [&lines](const QByteArray &l) { lines.append(l); };
    QStringList events;
    port.OnPortClose = [&events](TComPort &p) { events.append(QStringLiteral("close ") + p.Port()); };
    port.OnPortOpen = [&events](TComPort &p) { events.append(QStringLiteral("open ") + p.Port()); };

    auto dialog = makeDialog({first.slavePath(), second.slavePath()});
    const bool confirmed = runFor(*dialog, port, [&] {
        Ui::TSetportForm *ui = dialog->ui();
        ui->comport->setCurrentIndex(ui->comport->findText(target.slavePath()));
        ui->databits->setCurrentIndex(ui->databits->findText(chosen.at(0)));
        ui->baudrate->setCurrentIndex(ui->baudrate->findText(chosen.at(1)));
        ui->parity->setCurrentIndex(ui->parity->findText(chosen.at(2)));
        ui->stopbits->setCurrentIndex(ui->stopbits->findText(chosen.at(3)));
        ui->terminator->setEditText(chosen.at(4));
        ui->OKBtn->click();
    });
    QVERIFY(confirmed);
    QCOMPARE(m_messages, QStringList());
    QTRY_VERIFY(port.Connected());
    QCOMPARE(events, (QStringList{"close " + first.slavePath(), "open " + target.slavePath()}));
    QCOMPARE(port.Port(), target.slavePath());
    QCOMPARE(port.Terminator(), chosen.at(4));
    QCOMPARE(QString::number(port.DataBits()), chosen.at(0));
    QCOMPARE(TComPort::parityName(port.Parity()), QStringLiteral("pt") + chosen.at(2));

    // A pseudo-terminal keeps speed and stop bits; it forces eight data bits without parity whatever is asked.
    termios t{};
    QCOMPARE(tcgetattr(target.slaveFd(), &t), 0);
    QCOMPARE(cfgetospeed(&t), speed);
    QCOMPARE((t.c_cflag & CSTOPB) ? 2 : 1, stopBits);

    target.write(sent);
    QTRY_COMPARE(lines, QList<QByteArray>{line});
}

QTEST_MAIN(TestSetportForm)
#include "tst_setportform.moc"
