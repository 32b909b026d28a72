// The break-even calculation from the four input texts to the four result texts.
#include <calc/calc.h>

#include <gtest/gtest.h>

#include "plain_month.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Case {
    const char* name;
    const char* premium;
    const char* years;
    const char* payout;
    const char* rate;
    const char* totalReceived;
    const char* balance;
    const char* time;
    const char* equation;
    bool notice;
};

const Case kCases[] = {
    {"defaults", "1000", "10", "24.93", "2.8",
     "18822.2", "2.99671", "62年11月", "755*24.93+2.99671=18825.14710283", false},
    {"all empty", "", "", "", "", "0", "0", "0年", "0*0+0=0", false},
    {"no payment years", "1000", "0", "24.93", "2.8", "0", "0", "0年", "0*24.93+0=0", false},
    {"no payout reaches the horizon", "1000", "10", "0", "2.8",
     "0", "144994", "100年", "1200*0+144994=144994.328125", true},
    {"deposit outgrows the payout", "1000", "10", "24.93", "3.5",
     "29916", "9878.87", "100年", "1200*24.93+9878.87=39794.87011719", true},
    {"whole years only", "1000", "10", "50", "2.8",
     "11400", "21.9709", "19年", "228*50+21.9709=11421.97088623", false},
    {"below the payout after the payment year", "1000", "1", "100", "2.8",
     "1200", "-187.158", "1年", "12*100+-187.158=1012.84173584", false},
    {"one year and one month", "1000", "1", "75", "0", "975", "25", "1年1月", "13*75+25=1000", false},
    // Negative payment years: no payment phase, and a count of months below zero.
    {"negative months stay months", "0", "-1", "-1", "-4800",
     "10", "-2", "0年-10月", "-10*-1+-2=8", false},
    // A balance that swings between two values forever: only the horizon ends it.
    {"two-month swing", "0", "0", "-1", "-2400", "-1200", "0", "100年", "1200*-1+0=-1200", true},
    {"two-month swing, odd horizon", "0", "-1", "-1", "-2400",
     "-1200", "0", "100年", "1200*-1+0=-1200", true},
    // A balance that stops changing (here: grown to infinity) over two billion years.
    {"fixed point far from the horizon", "0", "-2147483648", "-1", "2.8",
     "-1200", "1.#INF", "100年", "1200*-1+1.#INF=1.#INF", true},
    // Infinite rate: the factor is infinite, 0 x inf is the invalid-operation NaN, which
    // ends the drawdown; the Single rule writes every NaN as 1.#QNAN, the Double rule shows
    // it as it is.
    {"NaN balance ends the drawdown", "0", "0", "-1", "1e39",
     "-1", "1.#QNAN", "0年1月", "1*-1+1.#QNAN=-1.#IND", false},
    // A hundred payment years or more: the state at the end of the hundredth year.
    {"hundred years, drawn down", "1000", "100", "100", "2.8",
     "120000", "-101564", "100年", "1200*100+-101564=18436.0703125", false},
    {"hundred years, balance left", "1000", "100", "1", "2.8",
     "1200", "551458", "100年", "1200*1+551458=552658.4375", true},
    {"more than a hundred years", "1000", "2147483647", "100", "2.8",
     "120000", "-101564", "100年", "1200*100+-101564=18436.0703125", true},
    {"full-width input", "１０００", "１０", "２４．９３", "２．８",
     "18822.2", "2.99671", "62年11月", "755*24.93+2.99671=18825.14710283", false},
};

TEST(BreakEven, WorkedCases) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const calc::BreakEvenResult r = calc::runBreakEven(c.premium, c.years, c.payout, c.rate);
        EXPECT_EQ(r.totalReceived, c.totalReceived);
        EXPECT_EQ(r.balance, c.balance);
        EXPECT_EQ(r.breakEvenTime, c.time);
        EXPECT_EQ(r.checkEquation, c.equation);
        EXPECT_EQ(r.noticeDue, c.notice);
    }
}

TEST(BreakEven, RepeatedRunsAreIndependent) {
    const auto first = calc::runBreakEven("1000", "10", "0", "2.8");
    calc::runBreakEven("7", "3", "1", "-5");
    const auto again = calc::runBreakEven("1000", "10", "0", "2.8");
    EXPECT_EQ(first.checkEquation, again.checkEquation);
    EXPECT_EQ(first.noticeDue, again.noticeDue);
}

// A month-by-month simulation with no shortcuts, in the usual x87 mode of this platform:
// every operation rounded to Extended, stored as double, assigned to float.
struct Plain {
    std::int64_t totalMonths;
    float balance;
    bool notice;
};

Plain simulateEveryMonth(std::int32_t premium, std::int32_t years, float payout, float rate) {
    const plain::Account account(payout, rate);
    float balance = 0.0f;
    for (std::int32_t y = 1; y <= years; ++y) {
        balance = plain::Account::payIn(balance, premium);
        for (int m = 0; m < 12; ++m) balance = account.month(balance);
    }
    const std::int64_t horizon = (100 - std::int64_t{years}) * 12;
    std::int64_t drawdown = 0;
    bool notice = false;
    while (balance > payout) {
        balance = account.month(balance);
        if (++drawdown == horizon) {
            notice = true;
            break;
        }
    }
    return {std::int64_t{years} * 12 + drawdown, balance, notice};
}

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The check equation for a simulated run; its total shows the balance to 13 digits.
std::string equationOf(const Plain& run, float payout) {
    const auto months = static_cast<std::int32_t>(run.totalMonths);
    const auto received = static_cast<float>(
        static_cast<double>(static_cast<long double>(static_cast<double>(months)) * payout));
    const double total = static_cast<double>(static_cast<long double>(received) + run.balance);
    return calc::integerToText(months) + "*" + calc::singleToText(payout) + "+" +
           calc::singleToText(run.balance) + "=" + calc::doubleToText(total);
}

// The shortcuts (a repeating balance jumps to the horizon) give what counting every month
// gives: random inputs with horizons short enough to count, among them negative factors,
// negative payouts and negative payment years, where balances settle or swing.
TEST(BreakEven, AgreesWithCountingEveryMonth) {
    const std::uint64_t seed = 20261211;
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<int> premiumDist(-2000, 5000), yearsDist(-300, 99);
    const float payouts[] = {-50.0f, -1.0f, -0.25f, 0.0f, 1.0f, 24.93f, 100.0f};
    const float rates[] = {-4800.0f, -2400.0f, -1800.0f, -1200.0f, -600.0f, -3.0f, 0.0f,
                           2.8f, 3.5f, 1200.0f, 2400.0f};
    for (int i = 0; i < 3000; ++i) {
        const std::int32_t premium = premiumDist(rng);
        const std::int32_t years = yearsDist(rng);
        const float payout = payouts[rng() % std::size(payouts)] *
                             (rng() % 2 ? 1.0f : 1.0f + static_cast<float>(rng() % 1000) / 997.0f);
        const float rate = rates[rng() % std::size(rates)] *
                           (rng() % 2 ? 1.0f : 1.0f + static_cast<float>(rng() % 1000) / 991.0f);
        const std::string payoutText = calc::doubleToText(payout), rateText = calc::doubleToText(rate);
        // Texts with 13 digits may not give back the same Single: simulate what is read.
        const float payoutRead = calc::textToSingle(payoutText), rateRead = calc::textToSingle(rateText);
        const Plain expected = simulateEveryMonth(premium, years, payoutRead, rateRead);
        const auto r = calc::runBreakEven(std::to_string(premium), std::to_string(years),
                                          payoutText, rateText);
        const std::string inputs = "seed " + std::to_string(seed) + " case " + std::to_string(i) +
                                   ": " + std::to_string(premium) + ", " + std::to_string(years) +
                                   ", " + payoutText + ", " + rateText;
        ASSERT_EQ(r.balance, calc::singleToText(expected.balance)) << inputs << " balance bits "
                                                                   << bitsOf(expected.balance);
        ASSERT_EQ(r.checkEquation, equationOf(expected, payoutRead)) << inputs;
        ASSERT_EQ(r.noticeDue, expected.notice) << inputs;
    }
}

// Rates near zero and near -2400 % make the balance creep by a few units in its last place
// a month; the shortcut that takes such runs at once must land where counting lands. Long
// horizons (negative payment years) give the creep room to run.
TEST(BreakEven, CreepingBalancesAgreeWithCountingEveryMonth) {
    const std::uint64_t seed = 7;
    std::mt19937_64 rng(seed);
    const char* rates[] = {"0", "0.0001", "-0.0001", "0.0000715", "-0.0000715", "0.00003",
                           "0.001", "-2399.99", "-2400.01", "1e-10"};
    const char* payouts[] = {"-1", "-0.001", "-1e-30", "-3.5", "-24.93", "-0.3"};
    std::uniform_int_distribution<int> yearsDist(-20000, -1);
    for (int i = 0; i < 40; ++i) {
        const std::int32_t years = yearsDist(rng);
        const char* rate = rates[rng() % std::size(rates)];
        const char* payout = payouts[rng() % std::size(payouts)];
        const Plain expected = simulateEveryMonth(0, years, calc::textToSingle(payout),
                                                  calc::textToSingle(rate));
        const auto r = calc::runBreakEven("0", std::to_string(years), payout, rate);
        const std::string inputs = "seed " + std::to_string(seed) + " case " + std::to_string(i) +
                                   ": 0, " + std::to_string(years) + ", " + payout + ", " + rate;
        ASSERT_EQ(r.balance, calc::singleToText(expected.balance))
            << inputs << " balance bits " << bitsOf(expected.balance);
        ASSERT_EQ(r.checkEquation, equationOf(expected, calc::textToSingle(payout))) << inputs;
        ASSERT_EQ(r.noticeDue, expected.notice) << inputs;
    }
}

// Every month's balance, counted one by one, with the number of payment months.
struct EveryMonth {
    std::vector<float> balances;  // balances[m - 1] is the balance at the end of month m
    std::int64_t paymentMonths = 0;
};

EveryMonth recordEveryMonth(std::int32_t premium, std::int32_t years, float payout, float rate) {
    const plain::Account account(payout, rate);
    EveryMonth record;
    float balance = 0.0f;
    for (std::int32_t y = 1; y <= std::min(years, 100); ++y) {
        balance = plain::Account::payIn(balance, premium);
        for (int m = 0; m < 12; ++m) record.balances.push_back(balance = account.month(balance));
    }
    record.paymentMonths = static_cast<std::int64_t>(record.balances.size());
    const std::int64_t horizon = (100 - std::int64_t{years}) * 12;
    for (std::int64_t drawdown = 1; years < 100 && balance > payout && drawdown <= horizon; ++drawdown)
        record.balances.push_back(balance = account.month(balance));
    return record;
}

// The months the observer is told about: in order, without gaps, in the right phase, each
// entry's balance the one that counting every month gives at its last month, and a run
// taken at once reported as one entry. Also the same results as without an observer.
TEST(BreakEven, ObserverSeesEveryMonth) {
    struct Row {
        const char* name;
        std::int32_t premium, years;
        const char* payout;
        const char* rate;
        std::int64_t mostEntries;  // below the months where the calculation skips some
    };
    const Row rows[] = {
        {"defaults", 1000, 10, "24.93", "2.8", 755},
        {"no payment years", 1000, 0, "24.93", "2.8", 0},
        {"hundred years, balance left", 1000, 100, "1", "2.8", 1200},
        {"more than a hundred years", 1000, 400, "100", "2.8", 1200},
        // 1200 months: two counted, then the swing to the horizon as one entry.
        {"two-month swing jumps to the horizon", 0, 0, "-1", "-2400", 3},
        // 241200 months: the balance grows to infinity in about 38000, then stays there.
        {"fixed point far from the horizon", 0, -20000, "-1", "2.8", 40000},
        {"creep near a zero rate", 0, -20000, "-0.001", "0.0001", 1000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const EveryMonth every = recordEveryMonth(row.premium, row.years, calc::textToSingle(row.payout),
                                                  calc::textToSingle(row.rate));
        std::int64_t month = 0, entries = 0;
        const auto premium = std::to_string(row.premium), years = std::to_string(row.years);
        const calc::BreakEvenResult r = calc::runBreakEven(
            premium, years, row.payout, row.rate, [&](const calc::AccountMonths& e) {
                ++entries;
                ASSERT_GE(e.months, 1);
                ASSERT_EQ(e.lastMonth, month + e.months);
                month = e.lastMonth;
                ASSERT_LE(month, static_cast<std::int64_t>(every.balances.size()));
                EXPECT_EQ(e.phase, month <= every.paymentMonths ? calc::AccountPhase::payment
                                                                : calc::AccountPhase::drawdown)
                    << "month " << month;
                ASSERT_EQ(bitsOf(e.balance), bitsOf(every.balances[static_cast<std::size_t>(month - 1)]))
                    << "month " << month;
            });
        EXPECT_EQ(month, static_cast<std::int64_t>(every.balances.size()));
        EXPECT_LE(entries, row.mostEntries);
        const calc::BreakEvenResult plain = calc::runBreakEven(premium, years, row.payout, row.rate);
        EXPECT_EQ(r.checkEquation, plain.checkEquation);
        EXPECT_EQ(r.breakEvenTime, plain.breakEvenTime);
        EXPECT_EQ(r.noticeDue, plain.noticeDue);
    }
}

// The rewrite of the window's input boxes, with the rows where it differs from reading the
// text straight: clamping instead of wrapping, six digits, no folding, zero as "".
TEST(InputRewrite, DiffersFromReadingStraight) {
    struct Row {
        const char* text;
        const char* asInteger;
        const char* asReal;
    };
    const Row rows[] = {
        {"1000", "1000", "1000"},
        {"3000000000", "2147483647", "3e+009"},
        {"-3000000000", "-2147483648", "-3e+009"},
        {"9223372036854775808", "-2147483648", "9.22337e+018"},
        {"24.931234", "24", "24.9312"},
        {"１２", "", ""},
        {"-0", "", ""},
        {"10\r\n00", "10", "10"},
        {"1e5", "1", "100000"},
        {"1.2.3", "1", "1.2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(calc::normalizeIntegerInput(row.text), row.asInteger);
        EXPECT_EQ(calc::normalizeRealInput(row.text), row.asReal);
    }
}

// Drawdowns that once took millions of months one by one, against counting every month:
// a climb by ties (no interest, a payout of a whole number and a half of ulps, each month
// rounding to the even neighbour), a climb through the subnormals (a grid with the ulp of
// the lowest normal binade) and on, and a balance that swings in sign under a factor near
// -1. Horizons end inside such a stretch or beyond it.
TEST(BreakEven, LongDrawdownsAgreeWithCountingEveryMonth) {
    struct Row {
        const char* name;
        const char* premium;
        const char* years;
        const char* payout;
        const char* rate;
    };
    const Row rows[] = {
        {"ties of 1.5 ulps up, horizon inside the binade", "0", "-500000", "-24", "0"},
        {"ties of 2.5 ulps up, past the binade to a fixed point", "0", "-800000", "-40", "0"},
        {"ties of 1.5 ulps down towards the payout", "134217728", "1", "12", "0"},
        {"one subnormal a month, still subnormal at the horizon", "0", "-249900", "-1e-45", "0"},
        {"one subnormal a month, on into the normal range", "0", "-700000", "-1e-45", "0"},
        {"seven subnormals a month with a little interest", "0", "-200000", "-1e-44", "1e-20"},
        {"a swing in sign under a factor near -1", "0", "-100000", "-24.93", "-2399.999"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const float payout = calc::textToSingle(row.payout);
        const Plain expected = simulateEveryMonth(calc::textToInteger(row.premium), calc::textToInteger(row.years),
                                                  payout, calc::textToSingle(row.rate));
        const auto r = calc::runBreakEven(row.premium, row.years, row.payout, row.rate);
        EXPECT_EQ(r.balance, calc::singleToText(expected.balance)) << "balance bits " << bitsOf(expected.balance);
        EXPECT_EQ(r.checkEquation, equationOf(expected, payout));
        EXPECT_EQ(r.noticeDue, expected.notice);
    }
}

}  // namespace
