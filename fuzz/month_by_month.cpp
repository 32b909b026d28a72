#include "month_by_month.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__x86_64__) && LDBL_MANT_DIG == 64
#define CORVANE_FUZZ_X87 1
#else
#include <mpfr.h>
#endif

namespace fuzz {
namespace {

// Double(a op b) with the exact result rounded to Extended first.
enum class Op { add, sub, mul, div };

#if CORVANE_FUZZ_X87

// The x87 unit rounds to its 64-bit significand in the default mode of this platform.
double extended(double a, Op op, double b) {
    const long double x = a, y = b;
    switch (op) {
    case Op::add: return static_cast<double>(x + y);
    case Op::sub: return static_cast<double>(x - y);
    case Op::mul: return static_cast<double>(x * y);
    case Op::div: return static_cast<double>(x / y);
    }
    return 0.0;
}

#else

// MPFR with 64 bits of precision; no operation on Doubles leaves the Extended exponent
// range. An invalid operation gives the default NaN of the x87 unit, negative and quiet.
double extended(double a, Op op, double b) {
    mpfr_t x, y;
    mpfr_init2(x, 64);
    mpfr_init2(y, 64);
    mpfr_set_d(x, a, MPFR_RNDN);
    mpfr_set_d(y, b, MPFR_RNDN);
    switch (op) {
    case Op::add: mpfr_add(x, x, y, MPFR_RNDN); break;
    case Op::sub: mpfr_sub(x, x, y, MPFR_RNDN); break;
    case Op::mul: mpfr_mul(x, x, y, MPFR_RNDN); break;
    case Op::div: mpfr_div(x, x, y, MPFR_RNDN); break;
    }
    double result;
    if (mpfr_nan_p(x) && !std::isnan(a) && !std::isnan(b)) {
        const std::uint64_t bits = 0xFFF8000000000000u;
        std::memcpy(&result, &bits, sizeof result);
    } else if (mpfr_nan_p(x)) {
        result = std::isnan(a) ? a : b;
    } else {
        result = mpfr_get_d(x, MPFR_RNDN);
    }
    mpfr_clear(x);
    mpfr_clear(y);
    return result;
}

#endif

float single(double value) { return static_cast<float>(value); }

}  // namespace

float receivedIn(std::int32_t months, float payout) {
    return single(extended(static_cast<double>(months), Op::mul, payout));
}

CountedRun countEveryMonth(std::int32_t premium, std::int32_t years, float payout, float rate) {
    const float monthlyRate = single(extended(rate, Op::div, 1200.0));
    const double factor = extended(static_cast<double>(monthlyRate), Op::add, 1.0);
    auto month = [&](float balance) {
        const double grown = extended(balance, Op::mul, factor);
        return single(extended(grown, Op::sub, payout));
    };
    CountedRun run;
    for (std::int32_t year = 1; year <= years; ++year) {
        run.balance = single(extended(run.balance, Op::add, static_cast<double>(premium)));
        for (int m = 0; m < 12; ++m) run.balance = month(run.balance);
    }
    const std::int64_t horizon = (100 - std::int64_t{years}) * 12;
    std::int64_t drawdown = 0;
    while (run.balance > payout) {
        run.balance = month(run.balance);
        if (++drawdown == horizon) {
            run.notice = true;
            break;
        }
    }
    run.totalMonths = std::int64_t{years} * 12 + drawdown;
    run.totalReceived = receivedIn(static_cast<std::int32_t>(run.totalMonths), payout);
    run.checkTotal = extended(run.totalReceived, Op::add, run.balance);
    return run;
}

}  // namespace fuzz
