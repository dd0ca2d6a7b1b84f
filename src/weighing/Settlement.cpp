#include "Settlement.h"

#include <cfenv>
#include <cmath>

namespace Settlement {

qint64 roundHalfEven(double kg)
{
    // nearbyint rounds in the current mode; make sure it is to-nearest-even whatever a library left behind.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(kg);
    std::fesetround(saved);
    return static_cast<qint64>(r);
}

Result compute(const Input &in)
{
    Result r;
    if (in.w1 > in.w2) {
        r.gross = in.w1;
        r.tare = in.w2;
    } else {
        r.gross = in.w2;
        r.tare = in.w1;
    }
    r.net = r.gross - r.tare;
    if (in.irany == 1)
        r.net = -r.net;

    double settled = static_cast<double>(roundHalfEven(static_cast<double>(r.net) / 100.0 * in.purity));
    if (in.moisture > in.expectedMoisture)
        settled = static_cast<double>(roundHalfEven(settled - settled / 100.0 * (in.moisture - in.expectedMoisture)));
    r.settled = static_cast<qint64>(settled);
    r.deducted = r.net - r.settled;
    r.amount = in.unitPrice * settled / 1000.0;
    return r;
}

} // namespace Settlement
