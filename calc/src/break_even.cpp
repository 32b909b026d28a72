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
constexpr std::int64_t kSteadyRunCheckInterval = 16;

// Single( Double(a op b) ): round to Extended, store as Double, then as Single.
float toSingle(Extended value) { return static_cast<float>(value.toDouble()); }

std::uint32_t bitsOf(float value) { return detail::bitCast<std::uint32_t>(value); }

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

// A run of months in which the balance moves by the same number of units in its last place.
struct SteadyRun {
    std::int64_t months = 0;
    float balance = 0.0f;
};

// Finds how many months from `balance` on move it by the same whole number of units in the
// last place (ulps), exactly as the month step would, and where that leaves it. Used when a
// balance creeps: a rate near zero can move it by a few ulps a month for a billion months.
//
// Within one binade a balance is b = J u, with u its ulp and J a whole number, 2^23 <= |J| <
// 2^24 (below 2^-125, subnormals included: u = 2^-149 and 1 <= |J| < 2^24). For a factor f = 1 + eps in [0.5, 2] the month step computes b f - payout with an
// error below u 2^-27 (two roundings of the product, two of the difference, each relative
// 2^-53 of at most 2|b|), then rounds to the Single grid. The exact value is
// u (J + delta(J)) with delta(J) = J eps - payout / u, a linear function of J. Where
// delta(J) is within 0.5 - 2^-16 of a whole number k, and J + k and its neighbourhood of
// half an ulp stay in the binade, the step lands exactly on (J + k) u. Being linear, delta
// holds that bound over a run of steps when it holds at both ends of the run.
//
// `monthsLeft` bounds the run; the loop condition (balance above the payout) holds at the
// start of every month of the run. Returns months = 0 when no run of two or more applies.
SteadyRun findSteadyRun(float balance, double factor, float payout, std::int64_t monthsLeft) {
    SteadyRun none;
    if (!(factor >= 0.5 && factor <= 2.0) || !std::isfinite(payout) || monthsLeft < 2) return none;
    const std::uint32_t bits = bitsOf(balance);
    const int field = static_cast<int>((bits >> 23) & 0xFFu);
    if (field == 0xFF || (bits & 0x7FFFFFFFu) == 0) return none;  // infinite, NaN or zero
    const bool negative = (bits >> 31) != 0;
    constexpr std::int64_t kLow = std::int64_t{1} << 23, kHigh = std::int64_t{1} << 24;
    // The subnormals share their ulp, 2^-149, with the lowest normal binade: below 2^-125
    // the balances are one even grid of magnitudes 1 .. 2^24 - 1 in that unit, and a run may
    // go on through both.
    const int gridField = field == 0 ? 1 : field;
    const std::int64_t low = gridField == 1 ? 1 : kLow;  // smallest |J| of the grid
    const std::int64_t magnitude0 =
        field == 0 ? std::int64_t{bits & 0x7FFFFFu} : kLow | (bits & 0x7FFFFFu);  // |J|
    const std::int64_t j0 = negative ? -magnitude0 : magnitude0;

    const Extended eps(factor - 1.0);  // exact: f and 1 are within a factor of two
    const Extended payoutInUlps(static_cast<double>(std::ldexp(static_cast<double>(payout), 150 - gridField)));
    auto delta = [&](std::int64_t j) { return Extended(j) * eps - payoutInUlps; };
    constexpr double kMargin = 0.5 - 1.0 / 65536;
    auto steadyAt = [&](std::int64_t j, std::int64_t k) {
        const double d = (delta(j) - Extended(k)).toDouble();
        return d > -kMargin && d < kMargin;
    };

    const double delta0 = delta(j0).toDouble();
    if (!(std::fabs(delta0) < 4194304.0)) return none;  // 2^22: steps this large are few
    // With no interest (f = 1) and a payout of a whole number and a half of ulps, the step
    // is exact up to the last rounding, a tie every month: from an even J it lands on the
    // even one of J + floor(delta) and J + floor(delta) + 1, and so keeps the same step.
    const double below = std::floor(delta0);
    const bool evenTies = factor == 1.0 && delta0 - below == 0.5 && j0 % 2 == 0;
    const auto kBelow = static_cast<std::int64_t>(below);
    const std::int64_t k =
        evenTies ? (kBelow % 2 == 0 ? kBelow : kBelow + 1) : static_cast<std::int64_t>(std::nearbyint(delta0));
    if (k == 0 || (!evenTies && !steadyAt(j0, k))) return none;

    // Months the run may last: every landing point J0 + i k (i = 1..n) inside the binade
    // with room for half an ulp, below the months left, and above the payout at the start of
    // each month when the balance falls.
    const std::int64_t growth = negative ? -k : k;  // change of |J| per month
    std::int64_t n = growth > 0 ? (kHigh - 1 - magnitude0) / growth : (magnitude0 - low - 1) / -growth;
    n = std::min(n, monthsLeft - 1);
    if (k < 0) {
        // J0 + (n - 1) k > payout / u, so that the last month of the run still starts above it.
        const double room = (Extended(j0) - payoutInUlps).toDouble() / static_cast<double>(-k);
        if (!(room > 1.0)) return none;
        n = std::min<std::int64_t>(n, room < 9e15 ? static_cast<std::int64_t>(std::ceil(room)) : n);
    }
    // delta at the start of the last month: shrink the run until it is inside the margin too.
    while (!evenTies && n >= 2 && !steadyAt(j0 + (n - 1) * k, k)) n /= 2;
    if (k < 0) {
        while (n >= 2 && !((Extended(j0 + (n - 1) * k) - payoutInUlps).toDouble() > 0.0)) n /= 2;
    }
    if (n < 2) return none;

    const std::int64_t magnitude = magnitude0 + n * growth;
    // ((field - 1) << 23) + |J|: in the lowest grid a |J| below 2^23 is a subnormal.
    const std::uint32_t landed = (bits & 0x80000000u) |
                                 ((static_cast<std::uint32_t>(gridField - 1) << 23) +
                                  static_cast<std::uint32_t>(magnitude));
    return {n, detail::bitCast<float>(landed)};
}

// Drawdown months after the payment years, while the balance stays above the payout, up to
// the hundred-year horizon.
//
// The month step is a monotone function of the balance (rising for a positive factor,
// falling for a negative one), so the balance either moves on steadily or settles into a
// fixed point or a two-month swing. Two shortcuts give exactly what counting every month
// gives: a steady creep by the same number of ulps is taken as one run (findSteadyRun), and
// once a balance equals the one of two months before, the months repeat for good and can no
// longer end the phase, so the horizon is reached with the balance of the swing's parity.
Deposit runDrawdown(float balance, std::int32_t years, double factor, float payout) {
    const double horizon =
        (Extended((Extended(kHorizonYears) - Extended(years)).toDouble()) * Extended(kMonthsPerYear))
            .toDouble();
    const auto horizonMonths = static_cast<std::int64_t>(horizon);  // a positive multiple of 12
    Deposit d;
    d.balance = balance;
    float previous = balance;  // the balance one month back
    bool havePrevious = false;
    while (d.balance > payout) {
        // Looking for a steady run costs about as much as a few months: look now and then.
        if (d.drawdownMonths % kSteadyRunCheckInterval == 0) {
            const SteadyRun run =
                findSteadyRun(d.balance, factor, payout, horizonMonths - d.drawdownMonths);
            if (run.months > 0) {
                d.balance = run.balance;
                d.drawdownMonths += run.months;
                havePrevious = false;
                continue;
            }
        }
        const float twoBack = previous;
        const bool haveTwoBack = havePrevious;
        previous = d.balance;
        havePrevious = true;
        d.balance = monthStep(d.balance, factor, payout);
        ++d.drawdownMonths;
        const double gap = (Extended(d.drawdownMonths) - Extended(horizon)).toDouble();
        if (std::fabs(gap) <= kHorizonTolerance) {
            d.horizonReached = true;
            break;
        }
        if (haveTwoBack && bitsOf(d.balance) == bitsOf(twoBack)) {
            // Repeats from here: months m, m+2, m+4, ... hold this balance, the others the
            // previous one. Both are above the payout, so only the horizon ends the phase.
            if ((horizonMonths - d.drawdownMonths) % 2 != 0) d.balance = previous;
            d.drawdownMonths = horizonMonths;
            d.horizonReached = true;
            break;
        }
    }
    return d;
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
