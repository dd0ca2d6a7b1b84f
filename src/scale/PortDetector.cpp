#include "PortDetector.h"

#include "PortNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <tuple>

namespace {

QString readAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(4096)).trimmed();
}

// A legacy UART slot that the kernel reserves whether or not a chip answers has type 0 (unknown).
bool hasHardware(const QString &ttyDir)
{
    if (!QFileInfo(ttyDir + QStringLiteral("/device")).exists())
        return false;
    const QString type = readAttribute(ttyDir + QStringLiteral("/type"));
    return type.isEmpty() || type != QLatin1String("0");
}

QString settingsName(const QString &ttyName)
{
    static const QRegularExpression legacy(QStringLiteral("^ttyS(\\d+)$"));
    const QRegularExpressionMatch match = legacy.match(ttyName);
    if (match.hasMatch())
        return QStringLiteral("COM%1").arg(match.captured(1).toLongLong() + 1);
    return ttyName;
}

std::tuple<int, QString, qint64> sortKey(const QString &name)
{
    if (const int com = PortNames::comNumber(name); com > 0)
        return {0, QString(), com};
    static const QRegularExpression split(QStringLiteral("^(.*?)(\\d*)$"));
    const QRegularExpressionMatch match = split.match(name);
    return {1, match.captured(1), match.captured(2).isEmpty() ? -1 : match.captured(2).toLongLong()};
}

QString udevProperty(const QString &dataFile, const QString &key)
{
    QFile file(dataFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = "E:" + key.toUtf8() + '=';
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith(prefix))
            return QString::fromUtf8(line.mid(prefix.size()));
    }
    return {};
}

} // namespace

PortDetector::PortDetector(QString sysfsRoot, QString udevDataRoot)
    : m_sysfsRoot(std::move(sysfsRoot))
    , m_udevDataRoot(std::move(udevDataRoot))
{
}

QList<DetectedPort> PortDetector::detect() const
{
    QList<DetectedPort> ports;
    const QDir ttyClass(m_sysfsRoot + QStringLiteral("/class/tty"));
    const QStringList names = ttyClass.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &ttyName : names) {
        const QString ttyDir = ttyClass.filePath(ttyName);
        if (!hasHardware(ttyDir))
            continue;
        DetectedPort port;
        port.name = settingsName(ttyName);
        if (const int com = PortNames::comNumber(port.name); com > kMaxComNumber)
            continue;
        port.devicePath = QStringLiteral("/dev/") + ttyName;
        port.description = describe(ttyDir, port.name);
        ports.append(port);
    }
    std::sort(ports.begin(), ports.end(),
              [](const DetectedPort &a, const DetectedPort &b) { return sortKey(a.name) < sortKey(b.name); });
    return ports;
}

QStringList PortDetector::listComPorts(bool withDescriptions) const
{
    QStringList list;
    for (const DetectedPort &port : detect())
        list.append(withDescriptions ? port.name + QStringLiteral(" - ") + port.description : port.name);
    return list;
}

QString PortDetector::describe(const QString &ttyDir, const QString &name) const
{
    const QString device = QFileInfo(ttyDir + QStringLiteral("/device")).canonicalFilePath();
    // The serial core puts generic "port" and "ctrl" devices between a UART and its tty; the driver that tells
    // what the hardware is sits on the controller above them.
    QString driver;
    for (QString dir = device; !dir.isEmpty() && dir.startsWith(m_sysfsRoot) && dir != m_sysfsRoot;
         dir = QFileInfo(dir).path()) {
        driver = QFileInfo(QFileInfo(dir + QStringLiteral("/driver")).canonicalFilePath()).fileName();
        if (driver != QLatin1String("port") && driver != QLatin1String("ctrl"))
            break;
    }

    // The USB device (the one with vendor and product ids) sits above the interface the tty belongs to.
    QString product;
    QString manufacturer;
    for (QString dir = device; !dir.isEmpty() && dir.startsWith(m_sysfsRoot) && dir != m_sysfsRoot;
         dir = QFileInfo(dir).path()) {
        if (QFileInfo::exists(dir + QStringLiteral("/idVendor"))) {
            product = readAttribute(dir + QStringLiteral("/product"));
            manufacturer = readAttribute(dir + QStringLiteral("/manufacturer"));
            break;
        }
    }
    const QString udevData = m_udevDataRoot + QStringLiteral("/c") + readAttribute(ttyDir + QStringLiteral("/dev"));
    if (product.isEmpty())
        product = udevProperty(udevData, QStringLiteral("ID_MODEL_FROM_DATABASE"));
    if (manufacturer.isEmpty())
        manufacturer = udevProperty(udevData, QStringLiteral("ID_VENDOR_FROM_DATABASE"));

    QString text = product;
    if (!manufacturer.isEmpty() && !product.isEmpty() && !product.startsWith(manufacturer))
        text = manufacturer + u' ' + product;
    if (!driver.isEmpty())
        text = text.isEmpty() ? driver : text + QStringLiteral(" (") + driver + u')';
    return text.isEmpty() ? name : text;
}
