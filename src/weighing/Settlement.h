#pragma once

#include <QtGlobal>

// Net, deducted and settled weight and the amount of a finished transport.
namespace Settlement {

struct Input {
    qint64 w1 = 0;   // first weighing, kg
    qint64 w2 = 0;   // second weighing, kg
    int irany = 0;   // 1: outbound, the results carry a minus sign
    double purity = 100;          // per cent
    double moisture = 0;          // per cent
    double expectedMoisture = 0;  // per cent
    double unitPrice = 0;         // Ft per tonne
};

struct Result {
    qint64 gross = 0;
    qint64 tare = 0;
    qint64 net = 0;      // signed by direction
    qint64 settled = 0;  // net less the deductions, signed
    qint64 deducted = 0; // net - settled
    double amount = 0;   // unit price x settled tonnes, not rounded

    bool operator==(const Result &) const = default;
};

// Whole kilograms, exact halves to the even neighbour.
qint64 roundHalfEven(double kg);

Result compute(const Input &in);

} // namespace Settlement
