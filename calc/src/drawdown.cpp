// The drawdown phase: month by month, with two kinds of exact jump.
//
// With negative payment years the horizon can lie billions of months away and a negative
// payout keeps the balance above it, so stepping every month could freeze the window. The
// jumps below are taken only where they provably land on the balance and month count that
// stepping lands on; everywhere else the months are stepped one by one.
//
// 1. A run. Write a balance as b = s m u: a sign s, an ulp u = 2^e of the Single grid and a
//    whole magnitude m in a cell [2^j, 2^(j+1)): j = 23 for normal Singles, and for the
//    subnormals (u = 2^-149) the bit length of m less one. Inside a cell the Double grid is
//    v = 2^(j-52) u and the Extended grid w = 2^(j-63) u, and m u is a multiple of 2^29 v,
//    so an even multiple of the grids of the cell's binade and its neighbours. So while the
//    product m u |f| stays strictly inside one binade and the difference after the payout
//    strictly inside the cell's range (L, H) = (2^j u, 2^(j+1) u), every rounding of the
//    month is a rounding of the offset from m u alone, and the month is
//        |drawn| = m u + phi(t),   t = m u (|f| - 1),
//    with phi a composition of roundings, hence non-decreasing in t, and the same for every
//    m in the cell. Along m_i = m_0 + i K, t is linear in i, so phi is monotone in i, and the
//    test "drawn lies strictly within half an ulp of (m_i + k) u" holds on an interval of i;
//    so does "or exactly half an ulp away, with m_i + k even" when K is even, since the
//    parity of m_i + k is then the same all along.
//    So do the tests that keep the values in the cell and the loop condition (balance above
//    the payout), each of them monotone in m. Their conjunction holds on an interval of i:
//    when it holds at i = 0 and at i = I, it holds for every i between, and each of those
//    months lands exactly on m_i + k. One check at each end certifies I + 1 repetitions.
//    Where the payout outweighs the product, the new magnitude is q - m u |f| instead, and
//    |drawn| = -m u + phi'(t) with phi' non-increasing: the same holds with the next
//    month's progression running the other way. With a negative factor the magnitude moves
//    one way and then the other, so there a run is a repeated pair of months, each month on
//    its own progression. A step of K = 0 is a fixed point or a two-month swing and
//    runs to the horizon.
//
// 2. Growth to infinity. With a factor above 1, a payout of at most 0 and a normal positive
//    balance, each month gives at least b f (1 - 2^-23): the payout only adds, and the five
//    roundings (two to Extended, two to Double, one to Single) lose less than that. A lower
//    bound of b f^N (1 - 2^-23)^N, computed by repeated squaring with every product rounded
//    down, that passes the largest Single within the months left proves the balance is
//    infinite by then; infinity stays infinite, and stays above the payout, to the horizon.
//
// 3. Months in whole numbers. Where runs are short (the step changes every few months), the
//    months are stepped in integer arithmetic as long as the exact value of each month
//    stays clear of a rounding boundary (WholeNumberMonths): a 64-bit fraction that one
//    addition a month carries forward, and one division to the next change of step.
#include "drawdown.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "bits.h"
#include "wide_arith.h"

namespace calc::detail {
namespace {

// ---------------------------------------------------------------------------------------
// Cells of the Single grid.
// ---------------------------------------------------------------------------------------

struct CellPoint {
    int sign = 1;           // +1 or -1
    std::int64_t magnitude = 0;
    int ulpExponent = 0;    // u = 2^ulpExponent
    int cellBits = 0;       // the cell is [2^cellBits, 2^(cellBits + 1))
};

int bitLength(std::uint32_t value) {
    int length = 0;
    while (value != 0) {
        ++length;
        value >>= 1;
    }
    return length;
}

// False for zero, infinities and NaNs.
bool cellPointOf(float balance, CellPoint& point) {
    const std::uint32_t bits = bitCast<std::uint32_t>(balance);
    const std::uint32_t field = (bits >> 23) & 0xFFu;
    const std::uint32_t fraction = bits & 0x7FFFFFu;
    if (field == 0xFFu || (field == 0 && fraction == 0)) return false;
    point.sign = (bits >> 31) != 0 ? -1 : 1;
    if (field == 0) {
        point.magnitude = fraction;
        point.ulpExponent = -149;
        point.cellBits = bitLength(fraction) - 1;
    } else {
        point.magnitude = std::int64_t{fraction} | (std::int64_t{1} << 23);
        point.ulpExponent = static_cast<int>(field) - 150;
        point.cellBits = 23;
    }
    return true;
}

// The Single s m 2^e, for a magnitude 1 <= m < 2^24 on a grid that exists (e = -149 or m >=
// 2^23).
float singleOf(int sign, std::int64_t magnitude, int ulpExponent) {
    std::uint32_t bits = sign < 0 ? 0x80000000u : 0u;
    if (magnitude < (std::int64_t{1} << 23)) {
        bits |= static_cast<std::uint32_t>(magnitude);  // subnormal, u = 2^-149
    } else {
        bits |= static_cast<std::uint32_t>(ulpExponent + 150) << 23;
        bits |= static_cast<std::uint32_t>(magnitude - (std::int64_t{1} << 23));
    }
    return bitCast<float>(bits);
}

// 2^exponent for -149 <= exponent <= 127, exactly.
double powerOfTwo(int exponent) {
    return bitCast<double>(static_cast<std::uint64_t>(exponent + 1023) << 52);
}

// The power of two at or below |value|, for a finite nonzero normal Double.
double binadeOf(double value) {
    return bitCast<double>(bitCast<std::uint64_t>(value) & 0x7FF0000000000000u);
}

// ---------------------------------------------------------------------------------------
// 1. Runs.
// ---------------------------------------------------------------------------------------

constexpr int kMaxPeriod = 2;

struct Run {
    std::int64_t months = 0;
    float balance = 0.0f;
};

class RunFinder {
public:
    RunFinder(double factor, float payout) : m_factor(factor), m_payout(payout) {
        m_period = factor > 0.0 ? 1 : 2;
        m_factorSign = factor > 0.0 ? 1 : -1;
        m_factorOffset = std::fabs(factor) - 1.0;
    }

    // Looks for a run from `balance`; returns months = 0 when there is none.
    Run find(float balance, std::int64_t monthsLeft);

private:
    // The cell of one month's balance, and where it stands in the first repetition.
    struct Phase {
        int sign = 1;
        std::int64_t start = 0;  // magnitude in the first repetition
        std::int64_t step = 0;   // change of magnitude per repetition
        int direction = 1;       // -1 once a month has reflected the magnitude
        int ulpExponent = 0;
        std::int64_t cellLow = 0, cellHigh = 0;
        double ulp = 0.0, low = 0.0, high = 0.0;
        double productLow = 0.0;    // the product's binade: [productLow, 2 productLow)
        double offsetInUlps = 0.0;  // this month's drawn - target, in the next ulps
        bool tiesLand = true;       // whether a tie may land on this phase's magnitude
    };

    static void setCell(Phase& phase, const CellPoint& point) {
        phase.sign = point.sign;
        phase.start = point.magnitude;
        phase.ulpExponent = point.ulpExponent;
        phase.cellLow = std::int64_t{1} << point.cellBits;
        phase.cellHigh = 2 * phase.cellLow;
        phase.ulp = powerOfTwo(point.ulpExponent);
        phase.low = static_cast<double>(phase.cellLow) * phase.ulp;
        phase.high = 2.0 * phase.low;
    }

    // Repetition i of month `index` of the run.
    bool holds(int index, std::int64_t i) const {
        const Phase& from = m_phases[index];
        const Phase& to = m_phases[index + 1];
        const std::int64_t fromMagnitude = from.start + i * from.step;
        const std::int64_t toMagnitude = to.start + i * to.step;
        if (fromMagnitude < from.cellLow || fromMagnitude >= from.cellHigh) return false;
        if (toMagnitude < to.cellLow || toMagnitude >= to.cellHigh) return false;
        const float b = singleOf(from.sign, fromMagnitude, from.ulpExponent);
        if (!(b > m_payout)) return false;  // the phase would end before this month
        return lands(monthParts(b, m_factor, m_payout), index, toMagnitude);
    }

    // The month's Doubles stay inside their binades with the signs the month must give, and
    // the difference lies strictly within half an ulp of the target magnitude.
    bool lands(const Month& month, int index, std::int64_t toMagnitude) const {
        const Phase& from = m_phases[index];
        const Phase& to = m_phases[index + 1];
        const double product = (from.sign * m_factorSign) * month.withInterest;
        const double drawn = to.sign * month.drawn;
        if (!(product > from.productLow && product < 2.0 * from.productLow)) return false;
        if (!(drawn > to.low && drawn < to.high)) return false;
        const double target = static_cast<double>(toMagnitude) * to.ulp;
        const double miss = std::fabs(drawn - target);  // exact: within a factor of 2
        // A tie rounds to the even magnitude; along a run of even steps the parity stays.
        return miss < 0.5 * to.ulp || (miss == 0.5 * to.ulp && to.tiesLand && toMagnitude % 2 == 0);
    }

    bool holdsAll(std::int64_t i) const {
        for (int index = 0; index < m_period; ++index)
            if (!holds(index, i)) return false;
        return true;
    }

    std::int64_t predictLastRepetition(std::int64_t monthsLeft) const;

    double m_factor;
    float m_payout;
    int m_period = 1;
    int m_factorSign = 1;
    double m_factorOffset = 0.0;  // |f| - 1
    Phase m_phases[kMaxPeriod + 1];  // the last one is the first again, one repetition on
};

Run RunFinder::find(float balance, std::int64_t monthsLeft) {
    Run none;
    if (monthsLeft < m_period || !(m_factorOffset > -0.5 && m_factorOffset < 1.0)) return none;
    CellPoint point;
    if (!cellPointOf(balance, point)) return none;
    setCell(m_phases[0], point);
    m_phases[0].direction = 1;

    // The first repetition, month by month: it also fixes the steps.
    float b = balance;
    for (int index = 0; index < m_period; ++index) {
        Phase& from = m_phases[index];
        Phase& to = m_phases[index + 1];
        if (!(b > m_payout)) return none;
        const Month month = monthParts(b, m_factor, m_payout);
        CellPoint next;
        if (!cellPointOf(month.balance, next)) return none;
        from.productLow = binadeOf(month.withInterest);
        setCell(to, next);
        to.tiesLand = true;
        // The sign of the product, or the other one when the payout outweighs it.
        const bool reflected = next.sign != from.sign * m_factorSign;
        to.direction = reflected ? -from.direction : from.direction;
        if (!lands(month, index, next.magnitude)) return none;
        from.offsetInUlps = (next.sign * month.drawn - static_cast<double>(next.magnitude) * to.ulp) / to.ulp;
        b = month.balance;
    }
    const Phase& first = m_phases[0];
    Phase& again = m_phases[m_period];
    if (again.sign != first.sign || again.direction != 1 || again.ulpExponent != first.ulpExponent ||
        again.cellLow != first.cellLow)
        return none;

    // Every month moves its balance by the same real amount K u0 per repetition, one way or
    // the other: K u0 / u in its own ulps, which must be whole.
    const std::int64_t step = again.start - first.start;
    for (int index = 0; index <= m_period; ++index) {
        Phase& phase = m_phases[index];
        const int shift = first.ulpExponent - phase.ulpExponent;
        if (shift < -30 || shift > 30) return none;
        std::int64_t inOwnUlps = 0;
        if (shift >= 0) {
            inOwnUlps = step * (std::int64_t{1} << shift);
        } else {
            const std::int64_t unit = std::int64_t{1} << -shift;
            if (step % unit != 0) return none;
            inOwnUlps = step / unit;
        }
        phase.step = phase.direction * inOwnUlps;
        // With an odd step the parity alternates, and ties would land one way, then the other.
        phase.tiesLand = phase.step % 2 == 0;
    }
    for (int index = 0; index < m_period; ++index)
        if (!m_phases[index + 1].tiesLand && std::fabs(m_phases[index].offsetInUlps) == 0.5) return none;

    std::int64_t last = predictLastRepetition(monthsLeft);
    if (last > 0 && !holdsAll(last)) {
        // The prediction went past the end: the last repetition that holds lies before it.
        std::int64_t good = 0, bad = last;
        while (bad - good > 1) {
            const std::int64_t mid = good + (bad - good) / 2;
            (holdsAll(mid) ? good : bad) = mid;
        }
        last = good;
    }
    Run run;
    run.months = (last + 1) * m_period;
    run.balance = singleOf(first.sign, first.start + (last + 1) * step, first.ulpExponent);
    return run;
}

// The last repetition the run may reach, from the months left, the cells, the loop
// condition and the drift of the offset from the grid. Only a guess where it comes from
// rounded arithmetic: the caller checks the repetition it names.
std::int64_t RunFinder::predictLastRepetition(std::int64_t monthsLeft) const {
    std::int64_t last = monthsLeft / m_period - 1;
    if (m_phases[0].step == 0) return std::max<std::int64_t>(last, 0);
    auto limit = [&last](double repetitions) {
        if (!(repetitions < static_cast<double>(last))) return;
        last = repetitions > 0.0 ? static_cast<std::int64_t>(repetitions) : 0;
    };
    for (int index = 0; index < m_period; ++index) {
        const Phase& from = m_phases[index];
        const Phase& to = m_phases[index + 1];
        // The cell: every start and target stays in it.
        if (to.step > 0) last = std::min(last, (to.cellHigh - 1 - to.start) / to.step);
        if (to.step < 0) last = std::min(last, (to.start - to.cellLow) / -to.step);
        // The offset drifts by K (|f| - 1) ulps per repetition and must stay within 1/2.
        const double drift = static_cast<double>(to.step) * m_factorOffset;
        if (drift > 0.0) limit((0.5 - from.offsetInUlps) / drift);
        if (drift < 0.0) limit((from.offsetInUlps + 0.5) / -drift);
        // The product m |f| stays in its binade.
        const double step = static_cast<double>(from.step);
        const double start = static_cast<double>(from.start);
        const double productLow = from.productLow / (from.ulp * (1.0 + m_factorOffset));
        if (step > 0.0) limit((2.0 * productLow - start) / step);
        if (step < 0.0) limit((start - productLow) / -step);
        // The balance stays above the payout at the start of the month.
        const double payoutInUlps = static_cast<double>(m_payout) / from.ulp;
        if (from.sign > 0 && step < 0.0 && payoutInUlps > 0.0)
            limit((start - payoutInUlps) / -step - 1.0);
        if (from.sign < 0 && step > 0.0) limit((-payoutInUlps - start) / step - 1.0);
    }
    return std::max<std::int64_t>(last, 0);
}

// ---------------------------------------------------------------------------------------
// 2. Growth to infinity.
// ---------------------------------------------------------------------------------------

// A product of positive finite Doubles rounded to nearest, moved down by one unit: never
// above the exact product.
double productBelow(double a, double b) { return std::nextafter(a * b, 0.0); }

// Whether the balance is certainly infinite within `monthsLeft` months.
bool overflowsWithin(float balance, double factor, float payout, std::int64_t monthsLeft) {
    if (!(factor > 1.0 && payout <= 0.0 && balance >= FLT_MIN && balance <= FLT_MAX)) return false;
    const double growth = productBelow(factor, 1.0 - std::ldexp(1.0, -23));
    if (!(growth > 1.0)) return false;
    const double largest = FLT_MAX;
    // powers[k] <= growth^(2^k)
    double powers[64];
    int count = 1;
    powers[0] = growth;
    while (count < 62 && (std::int64_t{1} << count) <= monthsLeft &&
           productBelow(balance, powers[count - 1]) <= largest) {
        powers[count] = productBelow(powers[count - 1], powers[count - 1]);
        ++count;
    }
    // The most months whose bound stays at or below the largest Single, then one more.
    double bound = balance;
    std::int64_t months = 0;
    for (int k = count - 1; k >= 0; --k) {
        const std::int64_t more = std::int64_t{1} << k;
        if (months + more > monthsLeft) continue;
        const double next = productBelow(bound, powers[k]);
        if (next <= largest) {
            bound = next;
            months += more;
        }
    }
    for (int extra = 0; extra < 64 && months < monthsLeft; ++extra) {
        bound = productBelow(bound, growth);
        ++months;
        if (bound > largest) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------
// 3. Months in whole numbers.
// ---------------------------------------------------------------------------------------

constexpr double kTwoToMinus64 = 1.0 / 18446744073709551616.0;

// floor(a / 2^32) and the remainder, for any a.
void splitAt32(std::int64_t a, std::int64_t& high, std::int64_t& low) {
    high = a >= 0 ? a / 4294967296 : -((-(a + 1)) / 4294967296) - 1;
    low = a - high * 4294967296;
}

// Where the balance grows or falls by a changing number of ulps each month (a positive
// factor in (0.5, 1.5), the step growing every few months), the months are stepped in whole
// numbers. In the balance's cell the month's exact value is, in ulps,
//     m f - q / u = m + (m A + C) / 2^64,   A = (f - 1) 2^64,   C = -q 2^64 / u,
// with A whole (f - 1 is a multiple of 2^-53) and C taken down to a whole number. The two
// products and two differences of the month move it by less than 2^-27 ulps (each rounding
// is relative 2^-53 + 2^-64 of at most 1.5 2^24 ulps). Where the fraction lies further than
// that from one half, the Single rounding is the nearest whole number, with no Extended or
// Double needed; elsewhere, or when the target leaves the cell, the month is stepped.
class WholeNumberMonths {
public:
    WholeNumberMonths(double factor, float payout) : m_payout(payout) {
        m_usable = factor > 0.5 && factor < 1.5;
        if (m_usable) m_factorOffset = static_cast<std::int64_t>(std::ldexp(factor - 1.0, 64));
    }

    // Months from `balance`, at most `monthsLeft`; months = 0 where none can be taken.
    Run step(float balance, std::int64_t monthsLeft) const {
        Run none;
        if (!m_usable || !std::isfinite(m_payout)) return none;
        CellPoint point;
        if (!cellPointOf(balance, point)) return none;
        // C = -s p 2^(64 - e) as floor(C / 2^32) and the remainder.
        const std::uint32_t payoutBits = bitCast<std::uint32_t>(m_payout);
        const std::uint32_t field = (payoutBits >> 23) & 0xFFu;
        const std::int64_t mantissa = (payoutBits & 0x7FFFFFu) | (field != 0 ? 0x800000 : 0);
        const int exponent = (field != 0 ? static_cast<int>(field) : 1) - 150;
        const bool cNegative = ((payoutBits >> 31) == 0) == (point.sign > 0) && mantissa != 0;
        const int shift = exponent + 64 - point.ulpExponent;
        if (shift > 66) return none;  // a payout of 2^26 ulps or more leaves the cell
        std::int64_t cHigh = 0, cLow = 0;
        if (shift >= 32) {
            cHigh = (cNegative ? -mantissa : mantissa) * (std::int64_t{1} << (shift - 32));
        } else {
            std::int64_t c = 0;  // floor(C)
            if (shift >= 0) {
                c = mantissa << shift;
                if (cNegative) c = -c;
            } else if (shift > -40) {
                const std::int64_t unit = std::int64_t{1} << -shift;
                c = cNegative ? -((mantissa + unit - 1) / unit) : mantissa / unit;
            } else {
                c = cNegative ? -1 : 0;
            }
            splitAt32(c, cHigh, cLow);
        }
        std::int64_t aHigh = 0, aLow = 0;
        splitAt32(m_factorOffset, aHigh, aLow);

        const std::int64_t cellLow = std::int64_t{1} << point.cellBits;
        const std::int64_t cellHigh = 2 * cellLow;
        const double payoutInUlps = static_cast<double>(m_payout) / powerOfTwo(point.ulpExponent);
        // The month from magnitude m, if it can be taken in whole numbers: its step, and
        // where its exact value lies from the target, in ulps.
        auto monthFrom = [&](std::int64_t m, std::int64_t& step, double& offset) {
            constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;
            constexpr std::uint64_t kMargin = (std::uint64_t{1} << 37) + 2;
            // The balance above the payout at the start of the month.
            const double magnitude = static_cast<double>(m);
            if (!(point.sign > 0 ? magnitude > payoutInUlps : -magnitude > payoutInUlps)) return false;
            // m A + C = high 2^32 + low, with 0 <= low < 2^32.
            std::int64_t carry = 0, low = 0;
            splitAt32(m * aLow + cLow, carry, low);
            std::int64_t whole = 0, highLow = 0;
            splitAt32(m * aHigh + cHigh + carry, whole, highLow);
            const std::uint64_t fraction =
                (static_cast<std::uint64_t>(highLow) << 32) | static_cast<std::uint64_t>(low);
            if (fraction > kHalf - kMargin && fraction < kHalf + kMargin) return false;
            step = whole + (fraction >= kHalf ? 1 : 0);
            const std::int64_t target = m + step;
            if (step == 0 || target <= cellLow || target >= cellHigh) return false;
            offset = static_cast<double>(whole - step) + static_cast<double>(fraction) * kTwoToMinus64;
            return true;
        };
        // Whether the balance stays above the payout for every magnitude of the cell.
        const bool payoutClear = point.sign > 0 ? payoutInUlps < static_cast<double>(cellLow)
                                                : -payoutInUlps >= static_cast<double>(cellHigh);
        // Months in pure integer arithmetic, while the step changes within a few dozen months.
        // With W = m A + C + 2^63 = s 2^64 + r (0 <= r < 2^64), the step is s, and the fraction
        // lies within the margin of one half exactly when r lies within it of 0 (mod 2^64).
        // The next magnitude m + s has W + s A: with D = s A, the month adds D to r, and a
        // carry (a borrow when D < 0) moves s by one and D by A. While |D| < 2^63 a month
        // carries at most once. The loop leaves at the first month that is not clear of a
        // boundary, that leaves the cell, or whose step is 0 or too large for D.
        const std::int64_t largestStep =
            m_factorOffset != 0 ? INT64_MAX / (m_factorOffset < 0 ? -m_factorOffset : m_factorOffset) : 0;
        // An increment below this leaves the step alone for at least eight months.
        constexpr std::uint64_t kLongRunIncrement = std::uint64_t{1} << 61;
        auto integerMonths = [&](std::int64_t& m, std::int64_t monthsLimit) {
            std::int64_t carry = 0, low = 0, whole = 0, highLow = 0;
            splitAt32(m * aLow + cLow, carry, low);
            splitAt32(m * aHigh + cHigh + carry, whole, highLow);
            const std::uint64_t fraction =
                (static_cast<std::uint64_t>(highLow) << 32) | static_cast<std::uint64_t>(low);
            constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;
            constexpr std::uint64_t kMargin = (std::uint64_t{1} << 37) + 2;
            std::uint64_t r = fraction ^ kHalf;
            std::int64_t s = whole + (fraction >= kHalf ? 1 : 0);
            std::int64_t months = 0;
            if (s > 0 && m_factorOffset > 0) {
                // Growth, the common case: only the top of the cell can end it. Where the step
                // holds for several months, the months up to the next carry are taken at
                // once: r, m and the target only grow along them, so checking the last month
                // covers the ones between.
                auto nearHalf = [](std::uint64_t x) { return x + (kMargin - 1) < 2 * kMargin - 1; };
                const auto a = static_cast<std::uint64_t>(m_factorOffset);
                if (s <= largestStep) {
                    auto d = static_cast<std::uint64_t>(s) * a;
                    while (true) {
                        if (months >= monthsLimit || nearHalf(r) || m >= cellHigh - s) return months;
                        if (d < kLongRunIncrement) {
                            const std::uint64_t more = ~r / d;
                            if (more < static_cast<std::uint64_t>(monthsLimit - months) && !nearHalf(r + more * d)) {
                                const auto run = static_cast<std::int64_t>(more) + 1;
                                if (m + run * s < cellHigh) {
                                    m += run * s;
                                    months += run;
                                    r += static_cast<std::uint64_t>(run) * d;
                                    ++s;
                                    d += a;  // no overflow: d < 2^61 and a < 2^63
                                    continue;
                                }
                            }
                        }
                        m += s;
                        ++months;
                        const std::uint64_t before = r;
                        r += d;
                        if (r < before) {
                            if (++s > largestStep) break;
                            d += a;
                        }
                    }
                }
                // Near the top of the cell s (f - 1) may pass 1/2, and then 1: D = s A is kept
                // in 128 bits, and a month moves s by the whole part of D and the carry.
                U128 d = multiplyWide(static_cast<std::uint64_t>(s), a);
                while (months < monthsLimit) {
                    if (nearHalf(r) || m >= cellHigh - s) return months;
                    m += s;
                    ++months;
                    const std::uint64_t before = r;
                    r += d.lo;
                    const std::uint64_t change = d.hi + (r < before ? 1 : 0);
                    if (change != 0) {
                        if (change >= static_cast<std::uint64_t>(cellHigh)) return months;
                        s += static_cast<std::int64_t>(change);
                        d = change == 1 ? d + U128{0, a} : multiplyWide(static_cast<std::uint64_t>(s), a);
                    }
                }
                return months;
            }
            if (s == 0 || (s < 0 ? -s : s) > largestStep) return std::int64_t{0};
            std::int64_t d = s * m_factorOffset;
            while (months < monthsLimit) {
                const std::int64_t target = m + s;
                if (r + (kMargin - 1) < 2 * kMargin - 1 || target <= cellLow || target >= cellHigh) break;
                m = target;
                ++months;
                const std::uint64_t before = r;
                if (d >= 0) {
                    r += static_cast<std::uint64_t>(d);
                    if (r >= before) continue;
                    ++s;
                } else {
                    r -= static_cast<std::uint64_t>(-d);
                    if (r <= before) continue;
                    --s;
                }
                if (s == 0 || (s < 0 ? -s : s) > largestStep) break;
                d = s * m_factorOffset;
            }
            return months;
        };
        // Runs of a constant step shorter than this go through the integer months.
        constexpr std::int64_t kShortRun = 64;
        const double driftPerUlpOfStep = static_cast<double>(m_factorOffset) * kTwoToMinus64;
        std::int64_t m = point.magnitude;
        std::int64_t months = 0;
        std::int64_t step = 0;
        double offset = 0.0;
        while (months < monthsLeft && monthFrom(m, step, offset)) {
            if (payoutClear && std::fabs(static_cast<double>(step) * driftPerUlpOfStep) * kShortRun > 1.0) {
                const std::int64_t taken = integerMonths(m, monthsLeft - months);
                if (taken > 0) {
                    months += taken;
                    continue;
                }
            }
            // The same step for n more months while the offset, drifting by step (f - 1) a
            // month, stays clear of one half, and the target stays in the cell. Every test
            // is monotone along m + i step, so checking month n covers the months between.
            std::int64_t n = monthsLeft - months - 1;
            const double drift = static_cast<double>(step) * driftPerUlpOfStep;
            auto limit = [&n](double months) {
                if (months < static_cast<double>(n)) n = months > 0.0 ? static_cast<std::int64_t>(months) : 0;
            };
            if (drift > 0.0) limit((0.5 - 1e-7 - offset) / drift);
            if (drift < 0.0) limit((offset + 0.5 - 1e-7) / -drift);
            if (step > 0) n = std::min(n, (cellHigh - 1 - (m + step)) / step);
            if (step < 0) n = std::min(n, ((m + step) - cellLow - 1) / -step);
            std::int64_t sameStep = 0;
            double ignored = 0.0;
            if (n >= 2 && monthFrom(m + n * step, sameStep, ignored) && sameStep == step) {
                m += (n + 1) * step;
                months += n + 1;
            } else {
                m += step;
                ++months;
            }
        }
        Run run;
        run.months = months;
        run.balance = singleOf(point.sign, m, point.ulpExponent);
        return run;
    }

private:
    float m_payout;
    bool m_usable = false;
    std::int64_t m_factorOffset = 0;  // A
};

// Looking for a run costs about as much as a dozen stepped months; where runs come out
// shorter than a few dozen months, the pause between looks grows up to this.
constexpr int kLongestPause = 255;
constexpr std::int64_t kWorthwhileRunMonths = 32;
// Months stepped in whole numbers between two looks for a run.
constexpr std::int64_t kWholeNumberBatch = 4096;

}  // namespace

// Stepping with the jumps. A run is looked for before every month; where runs turn out
// short, the next few months are stepped without looking, so that looking costs little
// where it cannot pay off. Stepped months watch for a balance that repeats the one of two
// months before: from then on the months repeat for good, and only the horizon ends them.
Drawdown runDrawdown(float balance, std::int64_t horizonMonths, double factor, float payout,
                     const DrawdownObserver& observer) {
    Drawdown d;
    d.balance = balance;
    RunFinder runs(factor, payout);
    const WholeNumberMonths wholeNumbers(factor, payout);
    int pause = 0, pauseLeft = 0;
    std::uint32_t growthCheckedAt = 0;  // the Single's bits up to which growth was checked
    float previous = balance;           // the balance one month back
    int stepped = 0;                    // months stepped in a row (up to 2)
    // Tells the observer of the step that has just brought the count to d.months.
    auto told = [&](std::int64_t count) {
        if (observer && count > 0) observer(d.months, count, d.balance);
    };
    // Takes a stretch of months at once; says whether it reached the horizon.
    auto take = [&](const Run& run) {
        d.balance = run.balance;
        d.months += run.months;
        told(run.months);
        stepped = 0;
        d.horizonReached = d.months == horizonMonths;
        return d.horizonReached;
    };
    while (d.balance > payout) {
        const std::int64_t monthsLeft = horizonMonths - d.months;
        if (pauseLeft > 0) {
            --pauseLeft;
            const Run months = wholeNumbers.step(d.balance, std::min(monthsLeft, kWholeNumberBatch));
            if (months.months > 0) {
                if (take(months)) break;
                continue;
            }
        } else {
            // The check is worth repeating once the balance has doubled.
            const std::uint32_t exponentBits = bitCast<std::uint32_t>(d.balance) & 0x7F800000u;
            if (d.balance > 0.0f && exponentBits > growthCheckedAt) {
                growthCheckedAt = exponentBits;
                if (overflowsWithin(d.balance, factor, payout, monthsLeft)) {
                    d.balance = HUGE_VALF;
                    d.months = horizonMonths;
                    told(monthsLeft);
                    d.horizonReached = true;
                    break;
                }
            }
            const Run run = runs.find(d.balance, monthsLeft);
            if (run.months > 0) {
                if (take(run)) break;
                pause = run.months >= kWorthwhileRunMonths ? 0 : std::min(2 * pause + 3, kLongestPause);
                pauseLeft = pause;
                continue;
            }
            pause = std::min(2 * pause + 3, kLongestPause);
            pauseLeft = pause;
        }
        const float twoBack = previous;
        previous = d.balance;
        d.balance = monthStep(d.balance, factor, payout);
        ++d.months;
        told(1);
        stepped = std::min(stepped + 1, 2);
        if (d.months == horizonMonths) {
            d.horizonReached = true;
            break;
        }
        if (stepped == 2 && bitCast<std::uint32_t>(d.balance) == bitCast<std::uint32_t>(twoBack)) {
            // Months m, m+2, m+4, ... hold this balance, the others the previous one. Both
            // are above the payout, so only the horizon ends the phase.
            const std::int64_t repeated = horizonMonths - d.months;
            if (repeated % 2 != 0) d.balance = previous;
            d.months = horizonMonths;
            told(repeated);
            d.horizonReached = true;
            break;
        }
    }
    return d;
}

}  // namespace calc::detail
