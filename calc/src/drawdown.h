// The month step and the drawdown phase of the break-even calculation.
#pragma once

#include <cstdint>

#include "extended.h"

namespace calc::detail {

// One month, with the two Doubles it goes through: interest on the balance first, then the
// payout is drawn. Every operation is rounded to Extended and stored as a Double; the new
// balance is that Double assigned to a Single.
struct Month {
    double withInterest;
    double drawn;
    float balance;
};

inline Month monthParts(float balance, double factor, float payout) {
    const double withInterest = (Extended(balance) * Extended(factor)).toDouble();
    const double drawn = (Extended(withInterest) - Extended(payout)).toDouble();
    return {withInterest, drawn, static_cast<float>(drawn)};
}

inline float monthStep(float balance, double factor, float payout) {
    return monthParts(balance, factor, payout).balance;
}

struct Drawdown {
    float balance = 0.0f;
    std::int64_t months = 0;
    bool horizonReached = false;
};

// The months after the payment years: while the balance is above the payout, one month at
// a time, until the month count reaches `horizonMonths` (at least 1). Gives exactly what
// stepping every month gives, but takes long stretches of months at once.
Drawdown runDrawdown(float balance, std::int64_t horizonMonths, double factor, float payout);

}  // namespace calc::detail
