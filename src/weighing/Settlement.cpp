#include "Settlement.h"

#include <cmath>

namespace Settlement {

qint64 roundHalfEven(double kg)
{
    // Plain arithmetic rather than nearbyint, so the result needs no rounding mode (whatever a library left behind)
    // and costs nothing to set one: a list's totals round once per row. Halving is exact, and a half's neighbours
    // differ in parity, so rounding half of it away from zero and doubling gives the even one.
    if (std::fabs(kg - std::trunc(kg)) == 0.5)
        return static_cast<qint64>(2 * std::round(kg / 2));
    return static_cast<qint64>(std::round(kg));
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
