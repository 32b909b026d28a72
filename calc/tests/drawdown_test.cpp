// Long drawdowns: the calculation against stepping every month, on inputs built to make the
// balance creep, swing, tie, grow without end or wander through the subnormal Singles.
//
// The reference below steps month by month with no shortcut of any kind, on x87 `long
// double`, which rounds each operation to a 64-bit significand as the calculation's Extended
// does; it shares no code with the library, so a library built on either Extended backend is
// checked against it.
#include <calc/calc.h>

#include <gtest/gtest.h>

#include "plain_month.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

#if defined(__x86_64__) && LDBL_MANT_DIG == 64
constexpr bool kHaveX87 = true;
#else
constexpr bool kHaveX87 = false;
#endif

struct Stepped {
    bool finished = false;  // false: more months than the budget
    std::int64_t steppedMonths = 0;
    std::int64_t totalMonths = 0;
    float balance = 0.0f;
    bool notice = false;
};

// Every month, one by one: the payment years, then the drawdown until the balance is no
// longer above the payout or the month count reaches the horizon.
Stepped stepEveryMonth(std::int32_t premium, std::int32_t years, float payout, float rate,
                       std::int64_t budget) {
    const plain::Account account(payout, rate);
    Stepped run;
    float balance = 0.0f;
    for (std::int32_t y = 1; y <= years; ++y) {
        balance = plain::Account::payIn(balance, premium);
        for (int m = 0; m < 12; ++m) balance = account.month(balance);
    }
    const std::int64_t horizon = (100 - std::int64_t{years}) * 12;
    std::int64_t drawdown = 0;
    while (balance > payout) {
        if (drawdown == budget) {
            run.steppedMonths = drawdown;
            return run;
        }
        balance = account.month(balance);
        if (++drawdown == horizon) {
            run.notice = true;
            break;
        }
    }
    run.finished = true;
    run.steppedMonths = drawdown;
    run.totalMonths = std::int64_t{years} * 12 + drawdown;
    run.balance = balance;
    return run;
}

std::string hexBits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(bits));
    return text;
}

// Texts that read back as exactly the Single given (nine significant digits suffice).
std::string textOf(float value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

struct Input {
    std::int32_t premium;
    std::int32_t years;
    float payout;
    float rate;
};

// Compares the calculation with stepping; the check equation carries the month count and
// the balance, its total the balance to thirteen digits.
void expectSameAsStepping(const Input& in, const Stepped& expected, const std::string& where) {
    const std::string payoutText = textOf(in.payout), rateText = textOf(in.rate);
    const auto r = calc::runBreakEven(std::to_string(in.premium), std::to_string(in.years),
                                      payoutText, rateText);
    const auto months = static_cast<std::int32_t>(expected.totalMonths);
    const auto received = static_cast<float>(static_cast<double>(
        static_cast<long double>(static_cast<double>(months)) * in.payout));
    const auto total = static_cast<double>(static_cast<long double>(received) + expected.balance);
    const std::string equation = calc::integerToText(months) + "*" + calc::singleToText(in.payout) +
                                 "+" + calc::singleToText(expected.balance) + "=" +
                                 calc::doubleToText(total);
    const std::string inputs = where + ": \"" + std::to_string(in.premium) + "\", \"" +
                               std::to_string(in.years) + "\", \"" + payoutText + "\", \"" +
                               rateText + "\"; stepping gives " +
                               std::to_string(expected.totalMonths) + " months, balance " +
                               hexBits(expected.balance);
    EXPECT_EQ(r.checkEquation, equation) << inputs;
    EXPECT_EQ(r.balance, calc::singleToText(expected.balance)) << inputs;
    EXPECT_EQ(r.noticeDue, expected.notice) << inputs;
}

// The kinds of input that make the drawdown long or delicate.
class AdversarialInputs {
public:
    explicit AdversarialInputs(std::uint64_t seed) : m_rng(seed) {}

    Input next() {
        Input in{};
        in.premium = pick(4) == 0 ? static_cast<std::int32_t>(uniform(-1000, 100000)) : 0;
        // Horizons up to about ten million months, and now and then a far one.
        switch (pick(8)) {
            case 0: in.years = static_cast<std::int32_t>(uniform(0, 30)); break;
            case 1: in.years = -static_cast<std::int32_t>(logUniform(1e6, 2147483647.0)); break;
            case 2: in.years = -static_cast<std::int32_t>(logUniform(50000.0, 800000.0)); break;
            default: in.years = -static_cast<std::int32_t>(logUniform(1.0, 50000.0)); break;
        }
        in.payout = nextPayout();
        in.rate = nextRate();
        return in;
    }

private:
    float nextPayout() {
        switch (pick(5)) {
            case 0:  // a power of two
                return -std::ldexp(1.0f, static_cast<int>(uniform(-149, 126)));
            case 1:  // the smallest ones
                return -std::ldexp(static_cast<float>(uniform(1, 64)), -149);
            case 2:  // positive, small: balances that fall slowly
                return static_cast<float>(logUniform(1e-30, 1e3));
            default:
                return -static_cast<float>(logUniform(1e-45, 1e38));
        }
    }

    float nextRate() {
        const double sign = pick(2) == 0 ? 1.0 : -1.0;
        switch (pick(8)) {
            case 0: return static_cast<float>(sign * logUniform(1e-9, 1e-3));  // tiny
            case 1: return static_cast<float>(uniform(-10, 10)) / 1.0f;        // whole percents
            case 2: return static_cast<float>(sign * logUniform(1e-3, 10.0));
            case 3: return 0.0f;
            case 4: return static_cast<float>(-2400.0 + sign * logUniform(1e-4, 10.0));
            case 5: return -2400.0f;
            case 6: return static_cast<float>(-1200.0 + sign * logUniform(1e-4, 10.0));
            default: return static_cast<float>(std::ldexp(sign, static_cast<int>(uniform(-30, 3))));
        }
    }

    std::uint64_t pick(std::uint64_t n) { return m_rng() % n; }
    std::int64_t uniform(std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(m_rng);
    }
    double logUniform(double low, double high) {
        return std::exp(std::uniform_real_distribution<double>(std::log(low), std::log(high))(m_rng));
    }

    std::mt19937_64 m_rng;
};

// Random adversarial inputs whose stepping needs at most about ten million months.
TEST(Drawdown, AgreesWithSteppingOnAdversarialInputs) {
    if (!kHaveX87) GTEST_SKIP() << "the stepping reference needs the x87 long double";
    constexpr std::uint64_t kSeed = 20261211;
    constexpr std::int64_t kBudget = 10'000'000;
    constexpr std::int64_t kTotalBudget = 100'000'000;  // months stepped by the reference
    AdversarialInputs inputs(kSeed);
    std::int64_t stepped = 0;
    int compared = 0;
    for (int i = 0; i < 6000 && stepped < kTotalBudget; ++i) {
        const Input in = inputs.next();
        // What the calculation reads from the texts it is given.
        Input read = in;
        read.payout = calc::textToSingle(textOf(in.payout));
        read.rate = calc::textToSingle(textOf(in.rate));
        // Far horizons count only where the drawdown ends early.
        const std::int64_t budget = read.years < -800000 ? kBudget / 50 : kBudget;
        const Stepped expected =
            stepEveryMonth(read.premium, read.years, read.payout, read.rate, budget);
        stepped += expected.steppedMonths;
        if (!expected.finished) continue;
        ++compared;
        expectSameAsStepping(read, expected, "seed " + std::to_string(kSeed) + " case " + std::to_string(i));
        if (HasFailure()) return;
    }
    std::printf("compared %d inputs, %lld months stepped\n", compared, static_cast<long long>(stepped));
}

// Hand-picked long drawdowns of every kind, each within ten million months of stepping.
TEST(Drawdown, AgreesWithSteppingOnLongKinds) {
    if (!kHaveX87) GTEST_SKIP() << "the stepping reference needs the x87 long double";
    struct Row {
        const char* name;
        Input in;
    };
    const Row rows[] = {
        {"growth every few months, finite at the horizon", {1, -54900, -1.0f, 0.14f}},
        {"growth every few dozen months, up to 2^94", {0, -223184, -1.75566754e-35f, 0.0604954138f}},
        {"growth by more than one ulp of step a month near the top of each binade",
         {0, -52191, -8.1634151e-37f, 0.297823191f}},
        {"steady creep, no rate", {0, -800000, -1.0f, 0.0f}},
        {"creep through the subnormals", {0, -800000, -1.4e-45f, 0.0f}},
        {"subnormal creep with a tiny rate", {0, -800000, -2.8e-45f, 1e-6f}},
        {"a factor of 1, payout just over half an ulp", {0, -800000, -0.50000006f, 0.0f}},
        {"a factor of 1, payout exactly half an ulp of 2^24", {0, -800000, -1.0f, 0.0f}},
        // 12 x 2^-149: three quarters of an ulp, then an exact tie for a whole binade.
        {"a factor of 1, ties for a whole binade", {0, -1600000, -1.68155816e-44f, 0.0f}},
        {"two-month swing that creeps", {0, -800000, -1.0f, -2399.99f}},
        {"two-month swing the other way", {0, -800000, -1.0f, -2400.01f}},
        {"factor near zero", {0, -800000, -3.0f, -1199.99f}},
        {"falling balance reaches the payout", {100000, 10, 0.001f, -0.0001f}},
        {"slow fall through a binade", {0, -800000, 1e-30f, -1e-4f}},
        {"tiny rate, growth by the payout", {0, -800000, -1.0f, 0.00011f}},
        {"negative rate, fixed point", {0, -800000, -1.0f, -0.01f}},
    };
    for (const Row& row : rows) {
        const Stepped expected =
            stepEveryMonth(row.in.premium, row.in.years, row.in.payout, row.in.rate, 20'000'000);
        ASSERT_TRUE(expected.finished) << row.name;
        expectSameAsStepping(row.in, expected, row.name);
    }
}

// A few drawdowns of a hundred million to a billion months.
TEST(DrawdownSlow, AgreesWithSteppingOnVeryLongDrawdowns) {
    if (!kHaveX87) GTEST_SKIP() << "the stepping reference needs the x87 long double";
    const Input rows[] = {
        {0, -10'000'000, -1.0f, 0.0f},         // creep through every binade up to 2^24
        {0, -50'000'000, -1e-30f, 0.00011f},   // tiny rate from a tiny payout
        {0, -80'000'000, -1.0f, -2399.9999f},  // two-month swing creeping for a billion months
    };
    for (const Input& in : rows) {
        const Stepped expected = stepEveryMonth(in.premium, in.years, in.payout, in.rate, 1'000'000'000);
        ASSERT_TRUE(expected.finished);
        expectSameAsStepping(in, expected, "slow row");
    }
}

}  // namespace
