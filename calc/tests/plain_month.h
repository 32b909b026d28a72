// The account's arithmetic with no shortcut of any kind, for the tests' month-by-month
// references: every operation in the x87 `long double` of this platform (Extended), stored as
// a double, assigned to a float. Shares no code with the library. Exact only where `long
// double` is the x87 format; the tests that rely on it say so.
#pragma once

#include <cstdint>

namespace plain {

struct Account {
    Account(float payout, float rate)
        : payout(payout),
          factor(static_cast<double>(
              static_cast<long double>(static_cast<float>(
                  static_cast<double>(static_cast<long double>(rate) / 1200.0L))) +
              1.0L)) {}

    // One month: interest first, then the payout drawn.
    float month(float balance) const {
        const auto grown = static_cast<double>(static_cast<long double>(balance) * factor);
        return static_cast<float>(static_cast<double>(static_cast<long double>(grown) - payout));
    }

    // The premium paid in at the start of a payment year.
    static float payIn(float balance, std::int32_t premium) {
        return static_cast<float>(static_cast<double>(static_cast<long double>(balance) + premium));
    }

    float payout;
    double factor;
};

}  // namespace plain
