#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct DetectedPort {
    QString name;        // as the settings hold it: "COM1" for /dev/ttyS0, else the name under /dev ("ttyUSB0")
    QString devicePath;  // "/dev/ttyS0"
    QString description; // product and driver where the system tells them, else the name
};

// Finds the serial ports that have hardware behind them, from the kernel's view of tty devices
// (<sysfs>/class/tty/*/device) and, for descriptions, the udev database. Both roots can be pointed elsewhere.
class PortDetector
{
public:
    // The highest COM number listed; ports numbered above it are left out.
    static constexpr int kMaxComNumber = 256;

    explicit PortDetector(QString sysfsRoot = QStringLiteral("/sys"),
                          QString udevDataRoot = QStringLiteral("/run/udev/data"));

    // In list order: COM ports by number, then the other names by prefix and number.
    QList<DetectedPort> detect() const;

    // One entry per port: its name, or with descriptions name + " - " + description.
    QStringList listComPorts(bool withDescriptions) const;

private:
    QString describe(const QString &ttyDir, const QString &name) const;

    QString m_sysfsRoot;
    QString m_udevDataRoot;
};
