#include "CalibrationCheck.h"

#include "Formats.h"

std::optional<QString> calibrationWarning(const QDate &expiry, const QDate &today)
{
    if (!(today > expiry.addDays(-30)))
        return std::nullopt;
    return QStringLiteral("A mérleg hitelesítése ") + Formats::date(expiry) + QStringLiteral(" napon le fog járni !");
}
