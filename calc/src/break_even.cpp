// The break-even calculation: the premiums go into a deposit, the monthly payout comes out
// of it, and the month in which it can no longer pay a full payout is the break-even time.
//
// Every arithmetic step is rounded to Extended, then stored as a Double, and where a Single
// is assigned, rounded once more to a Single. The order of the steps is part of the result.
#include <calc/calc.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "extended.h"

namespace calc {
namespace {

using detail::Extended;

constexpr double kPercentPerYearToMonthly = 1200.0;
constexpr double kMonthsPerYear = 12.0;
constexpr double kHorizonYears = 100.0;
constexpr std::int32_t kHorizonYearsInt = 100;
constexpr std::int32_t kHorizonMonths = 1200;
constexpr double kHorizonTolerance = 1e-7;

// Single( Double(a op b) ): round to Extended, store as Double, then as Single.
float toSingle(Extended value) { return static_cast<float>(value.toDouble()); }

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

struct Inputs {
    std::int32_t premium;
    std::int32_t years;
    float payout;
    float rate;
};

struct Deposit {
    float balance = 0.0f;
    std::int64_t drawdownMonths = 0;
    bool horizonReached = false;
};

// One month: interest on the balance first, then the payout is drawn.
float monthStep(float balance, double factor, float payout) {
    const double withInterest = (Extended(balance) * Extended(factor)).toDouble();
    return toSingle(Extended(withInterest) - Extended(payout));
}

// Payment years: the premium at the start of each year, then twelve months.
float runPaymentYears(std::int32_t years, std::int32_t premium, double factor, float payout) {
    float balance = 0.0f;
    for (std::int32_t year = 1; year <= years; ++year) {
        balance = toSingle(Extended(balance) + Extended(premium));
        for (int month = 0; month < 12; ++month) balance = monthStep(balance, factor, payout);
    }
    return balance;
}

// Drawdown months after the payment years, while the balance stays above the payout, up to
// the hundred-year horizon.
//
// The month step is a monotone function of the balance (rising for a positive factor,
// falling for a negative one), so the balance either moves on steadily or settles into a
// fixed point or a two-month swing. Once a balance equals the one of two months before, the
// months repeat for good and can no longer end the phase: the horizon is then reached with
// the balance that the swing's parity gives, exactly as counting every month would.
Deposit runDrawdown(float balance, std::int32_t years, double factor, float payout) {
    const double horizon =
        (Extended((Extended(kHorizonYears) - Extended(years)).toDouble()) * Extended(kMonthsPerYear))
            .toDouble();
    Deposit d;
    d.balance = balance;
    float previous = balance;        // the balance one month back
    bool havePrevious = false;
    while (d.balance > payout) {
        const float twoBack = previous;
        const bool haveTwoBack = havePrevious;
        previous = d.balance;
        havePrevious = true;
        d.balance = monthStep(d.balance, factor, payout);
        ++d.drawdownMonths;
        const double gap =
            (Extended(d.drawdownMonths) - Extended(horizon)).toDouble();
        if (std::fabs(gap) <= kHorizonTolerance) {
            d.horizonReached = true;
            break;
        }
        if (haveTwoBack && bitsOf(d.balance) == bitsOf(twoBack)) {
            // Repeats from here: months m, m+2, m+4, ... hold this balance, the others the
            // previous one. Both are above the payout, so only the horizon ends the phase.
            const auto horizonMonths = static_cast<std::int64_t>(horizon);
            if ((horizonMonths - d.drawdownMonths) % 2 != 0) d.balance = previous;
            d.drawdownMonths = horizonMonths;
            d.horizonReached = true;
            break;
        }
    }
    return d;
}

// The low 32 bits of a 64-bit count, as two's complement.
std::int32_t low32(std::int64_t value) {
    const auto u = static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) & 0xFFFFFFFFu);
    constexpr std::uint32_t kSignBit = std::uint32_t{1} << 31;
    if (u < kSignBit) return static_cast<std::int32_t>(u);
    return static_cast<std::int32_t>(u - kSignBit) + INT32_MIN;
}

std::string timeText(std::int32_t totalMonths) {
    // Whole years of 12 months and the months left over; a negative count stays as months.
    const std::int32_t wholeYears = totalMonths >= 12 ? totalMonths / 12 : 0;
    const std::int32_t restMonths = totalMonths >= 12 ? totalMonths % 12 : totalMonths;
    std::string text = integerToText(wholeYears) + "年";
    if (restMonths != 0) text += integerToText(restMonths) + "月";
    return text;
}

[[gnu::noinline]] BreakEvenResult runInMode(const Inputs& in) {
    // Monthly rate as a fraction, and the monthly growth factor.
    const float monthlyRate = toSingle(Extended(in.rate) / Extended(kPercentPerYearToMonthly));
    const double factor = (Extended(static_cast<double>(monthlyRate)) + Extended(1.0)).toDouble();

    std::int32_t totalMonths = 0;
    Deposit deposit;
    if (in.years >= kHorizonYearsInt) {
        // A hundred payment years already reach the horizon: the state there is the answer.
        deposit.balance = runPaymentYears(kHorizonYearsInt, in.premium, factor, in.payout);
        deposit.horizonReached = in.years > kHorizonYearsInt || deposit.balance > in.payout;
        totalMonths = kHorizonMonths;
    } else {
        const float paidIn = runPaymentYears(in.years, in.premium, factor, in.payout);
        deposit = runDrawdown(paidIn, in.years, factor, in.payout);
        const double months =
            (Extended((Extended(in.years) * Extended(kMonthsPerYear)).toDouble()) +
             Extended(deposit.drawdownMonths))
                .toDouble();
        totalMonths = low32(static_cast<std::int64_t>(months));  // cut toward zero
    }

    const float totalReceived =
        toSingle(Extended(static_cast<double>(totalMonths)) * Extended(in.payout));
    const double checkTotal =
        (Extended(static_cast<double>(totalReceived)) + Extended(static_cast<double>(deposit.balance)))
            .toDouble();

    BreakEvenResult result;
    result.totalReceived = singleToText(totalReceived);
    result.balance = singleToText(deposit.balance);
    result.breakEvenTime = timeText(totalMonths);
    result.checkEquation = integerToText(totalMonths) + "*" + singleToText(in.payout) + "+" +
                           result.balance + "=" + doubleToText(checkTotal);
    result.noticeDue = deposit.horizonReached;
    return result;
}

}  // namespace

BreakEvenResult runBreakEven(std::string_view premium, std::string_view years,
                             std::string_view payout, std::string_view rate) {
    const Inputs in{textToInteger(premium), textToInteger(years), textToSingle(payout),
                    textToSingle(rate)};
    const detail::ExtendedMode mode;
    return runInMode(in);
}

}  // namespace calc
