// The deposit counted month by month with no shortcut at all, for comparing with the
// calculation where the horizon is short enough to count.
//
// Every operation is rounded to Extended (a 64-bit significand, to nearest with ties to
// even), stored as a Double, and where a Single is assigned, rounded to a Single. Where the
// machine has the x87 80-bit format that is `long double`; elsewhere MPFR does the Extended
// rounding.
#pragma once

#include <cstdint>

namespace fuzz {

struct CountedRun {
    std::int64_t totalMonths = 0;
    float balance = 0.0f;
    float totalReceived = 0.0f;
    double checkTotal = 0.0;  // Double(totalReceived) + Double(balance)
    bool notice = false;
};

// Payment years below 100 only (a hundred and more are the calculation's own choice);
// counts at most (100 - years) × 12 drawdown months.
CountedRun countEveryMonth(std::int32_t premium, std::int32_t years, float payout, float rate);

// Single(Double(Extended(months) × payout)): what the policy pays in `months` months.
float receivedIn(std::int32_t months, float payout);

}  // namespace fuzz
