// The break-even calculation: the premiums go into a deposit, the monthly payout comes out
// of it, and the month in which it can no longer pay a full payout is the break-even time.
//
// Every arithmetic step is rounded to Extended, then stored as a Double, and where a Single
// is assigned, rounded once more to a Single. The order of the steps is part of the result.
#include <calc/calc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "bits.h"
#include "drawdown.h"
#include "extended.h"

namespace calc {
namespace {

using detail::Extended;

constexpr double kPercentPerYearToMonthly = 1200.0;
constexpr double kMonthsPerYear = 12.0;
constexpr double kHorizonYears = 100.0;
constexpr std::int32_t kHorizonYearsInt = 100;
constexpr std::int32_t kHorizonMonths = 1200;

// Single( Double(a op b) ): round to Extended, store as Double, then as Single.
float toSingle(Extended value) { return static_cast<float>(value.toDouble()); }

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

// Payment years: the premium at the start of each year, then twelve months.
float runPaymentYears(std::int32_t years, std::int32_t premium, double factor, float payout) {
    float balance = 0.0f;
    for (std::int32_t year = 1; year <= years; ++year) {
        balance = toSingle(Extended(balance) + Extended(premium));
        for (int month = 0; month < 12; ++month) balance = detail::monthStep(balance, factor, payout);
    }
    return balance;
}

// Drawdown months after the payment years, while the balance stays above the payout, up to
// the hundred-year horizon (drawdown.cpp).
Deposit runDrawdown(float balance, std::int32_t years, double factor, float payout) {
    const double horizon =
        (Extended((Extended(kHorizonYears) - Extended(years)).toDouble()) * Extended(kMonthsPerYear))
            .toDouble();
    // A whole number of months, at least 12: the month count reaches it exactly.
    const auto horizonMonths = static_cast<std::int64_t>(horizon);
    const detail::Drawdown drawdown = detail::runDrawdown(balance, horizonMonths, factor, payout);
    return {drawdown.balance, drawdown.months, drawdown.horizonReached};
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
        // Cut toward zero to 64 bits; the low 32 bits are the count.
        const auto wide = static_cast<std::uint64_t>(static_cast<std::int64_t>(months));
        totalMonths = detail::fromTwosComplement32(static_cast<std::uint32_t>(wide & 0xFFFFFFFFu));
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
    const detail::FloatingPointMode mode;
    return runInMode(in);
}

}  // namespace calc
