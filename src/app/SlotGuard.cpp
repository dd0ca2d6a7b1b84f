#include "SlotGuard.h"

#include "MessageBoxes.h"
#include "Seged.h"
#include "WindowHelpers.h"

namespace SlotGuard {

void report(const std::exception &error)
{
    homokora(false);
    uzenet(QString::fromLocal8Bit(error.what()));
}

void reportUnknown()
{
    homokora(false);
    uzenet(QStringLiteral("Ismeretlen hiba történt."));
}

} // namespace SlotGuard
