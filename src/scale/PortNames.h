#pragma once

#include <QString>

// How a port name of the settings (COM1, /dev/ttyUSB0, ttyACM0) becomes a device path.
namespace PortNames {

// Linux: "COMn" (n from 1) is /dev/ttyS(n-1); a name starting with "/" is a path; any other name lives in /dev/.
QString devicePath(const QString &port);

// The Windows rule, kept for a Windows build: exactly five characters (COM10 to COM99) need the device namespace
// prefix "\\.\"; every other name is used as it is.
QString windowsDevicePath(const QString &port);

// The COM number of "COMn" (1-based), or 0 when the name is not of that form.
int comNumber(const QString &port);

} // namespace PortNames
