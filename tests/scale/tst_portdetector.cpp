#include "PortDetector.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct FakeTty {
    QString name;
    QString deviceDir;  // relative to the sysfs root; empty: a virtual tty without device link
    QString driver;     // driver name, empty for none
    QString type;       // the "type" attribute of UART slots, empty when absent
    QString usbProduct; // product of the USB device above the interface, empty for none
    QString udevModel;  // ID_MODEL_FROM_DATABASE in the udev database, empty for none
};

void writeFile(const QString &path, const QString &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8() + '\n');
}

// Builds the shape of /sys the detector reads: class/tty/<name> links into devices/, each with a device link.
void buildTree(const QString &sysfs, const QString &udev, const QList<FakeTty> &ttys)
{
    int minor = 0;
    for (const FakeTty &tty : ttys) {
        const QString ttyDir = sysfs + QStringLiteral("/devices/virtual/tty/") + tty.name;
        QDir().mkpath(ttyDir);
        writeFile(ttyDir + QStringLiteral("/dev"), QStringLiteral("188:%1").arg(minor));
        if (!tty.type.isEmpty())
            writeFile(ttyDir + QStringLiteral("/type"), tty.type);
        if (!tty.deviceDir.isEmpty()) {
            const QString device = sysfs + u'/' + tty.deviceDir;
            QDir().mkpath(device);
            QFile::link(device, ttyDir + QStringLiteral("/device"));
            if (!tty.driver.isEmpty()) {
                const QString driver = sysfs + QStringLiteral("/bus/drivers/") + tty.driver;
                QDir().mkpath(driver);
                QFile::link(driver, device + QStringLiteral("/driver"));
            }
            if (tty.driver == QLatin1String("port")) {
                const QString ctrl = QFileInfo(device).path();
                const QString controller = QFileInfo(ctrl).path();
                for (const auto &[dir, name] : {std::pair{ctrl, QStringLiteral("ctrl")}, std::pair{controller, QStringLiteral("serial")}}) {
                    QDir().mkpath(sysfs + QStringLiteral("/bus/drivers/") + name);
                    QFile::link(sysfs + QStringLiteral("/bus/drivers/") + name, dir + QStringLiteral("/driver"));
                }
            }
            if (!tty.usbProduct.isEmpty()) {
                const QString usbDevice = QFileInfo(device).path();
                writeFile(usbDevice + QStringLiteral("/idVendor"), QStringLiteral("0403"));
                writeFile(usbDevice + QStringLiteral("/product"), tty.usbProduct);
            }
        }
        if (!tty.udevModel.isEmpty())
            writeFile(udev + QStringLiteral("/c188:%1").arg(minor),
                      QStringLiteral("S:serial/by-id/x\nE:ID_MODEL_FROM_DATABASE=%1\nE:ID_BUS=usb").arg(tty.udevModel));
        QDir().mkpath(sysfs + QStringLiteral("/class/tty"));
        QFile::link(ttyDir, sysfs + QStringLiteral("/class/tty/") + tty.name);
        ++minor;
    }
}

} // namespace

class TestPortDetector : public QObject
{
    Q_OBJECT

private slots:
    void listsPortsWithHardware_data();
    void listsPortsWithHardware();
};

void TestPortDetector::listsPortsWithHardware_data()
{
    QTest::addColumn<QList<FakeTty>>("ttys");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("described");

    const FakeTty com1{"ttyS0", "devices/pnp0/00:01", "serial", "4", "", ""};
    const FakeTty com3{"ttyS2", "devices/pnp0/00:03", "serial", "4", "", ""};
    const FakeTty emptySlot{"ttyS1", "devices/platform/serial8250", "serial8250", "0", "", ""};
    const FakeTty console{"tty0", "", "", "", "", ""};
    const FakeTty usb{"ttyUSB0", "devices/pci0/usb1/1-1/1-1:1.0/ttyUSB0", "ftdi_sio", "", "FT232R USB UART", ""};
    const FakeTty acm{"ttyACM0", "devices/pci0/usb1/1-2/1-2:1.0", "cdc_acm", "", "", "Scale Link Adapter"};
    const FakeTty bare{"ttyXR7", "devices/pci0/0000:05:00.0", "", "", "", ""};
    const FakeTty com257{"ttyS256", "devices/pnp0/00:09", "serial", "4", "", ""};
    const FakeTty layered{"ttyS3", "devices/pnp0/00:04/00:04:0/00:04:0.0", "port", "4", "", ""};
    const FakeTty usb10{"ttyUSB10", "devices/pci0/usb1/1-4/1-4:1.0/ttyUSB10", "pl2303", "", "", ""};

    QTest::newRow("COM1 and COM3") << QList<FakeTty>{com3, com1} << QStringList{"COM1", "COM3"}
                                   << QStringList{"COM1 - serial", "COM3 - serial"};
    QTest::newRow("empty UART slot and console left out")
        << QList<FakeTty>{emptySlot, console, com1} << QStringList{"COM1"} << QStringList{"COM1 - serial"};
    QTest::newRow("USB adapters after COM ports")
        << QList<FakeTty>{usb, acm, com1} << QStringList{"COM1", "ttyACM0", "ttyUSB0"}
        << QStringList{"COM1 - serial", "ttyACM0 - Scale Link Adapter (cdc_acm)",
                       "ttyUSB0 - FT232R USB UART (ftdi_sio)"};
    QTest::newRow("no driver no product still listed")
        << QList<FakeTty>{bare} << QStringList{"ttyXR7"} << QStringList{"ttyXR7 - ttyXR7"};
    QTest::newRow("above COM256 not listed") << QList<FakeTty>{com257, com1} << QStringList{"COM1"}
                                             << QStringList{"COM1 - serial"};
    QTest::newRow("numeric order") << QList<FakeTty>{usb10, usb} << QStringList{"ttyUSB0", "ttyUSB10"}
                                   << QStringList{"ttyUSB0 - FT232R USB UART (ftdi_sio)", "ttyUSB10 - pl2303"};
    QTest::newRow("controller driver above serial core layers")
        << QList<FakeTty>{layered} << QStringList{"COM4"} << QStringList{"COM4 - serial"};
    QTest::newRow("nothing") << QList<FakeTty>{} << QStringList{} << QStringList{};
}

void TestPortDetector::listsPortsWithHardware()
{
    QFETCH(QList<FakeTty>, ttys);
    QFETCH(QStringList, names);
    QFETCH(QStringList, described);

    QTemporaryDir dir;
    const QString sysfs = dir.filePath(QStringLiteral("sys"));
    const QString udev = dir.filePath(QStringLiteral("udev"));
    QDir().mkpath(sysfs);
    buildTree(sysfs, udev, ttys);
    const PortDetector detector(sysfs, udev);
    QCOMPARE(detector.listComPorts(false), names);
    QCOMPARE(detector.listComPorts(true), described);
    for (const DetectedPort &port : detector.detect())
        QVERIFY(port.devicePath.startsWith(QStringLiteral("/dev/tty")));
}

QTEST_APPLESS_MAIN(TestPortDetector)
#include "tst_portdetector.moc"
