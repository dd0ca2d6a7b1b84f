#include "PortNames.h"

namespace PortNames {

int comNumber(const QString &port)
{
    if (port.size() < 4 || !port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return 0;
    const QStringView digits = QStringView(port).mid(3);
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
    }
    bool ok = false;
    const int number = digits.toInt(&ok);
    return ok ? number : 0;
}

QString devicePath(const QString &port)
{
    if (const int number = comNumber(port); number > 0)
        return QStringLiteral("/dev/ttyS%1").arg(number - 1);
    if (port.startsWith(u'/'))
        return port;
    return QStringLiteral("/dev/") + port;
}

QString windowsDevicePath(const QString &port)
{
    return port.size() == 5 ? QStringLiteral("\\\\.\\") + port : port;
}

} // namespace PortNames
