// Both Extended backends against GNU MPFR: every operation is rounded to a 64-bit
// significand in the x87 exponent range, then to a Double and to a Single with their
// exponent ranges (subnormals included), and the backends must give the same bits.
//
// Each case checks, for Extended values a and b made from two operands (Doubles, Singles,
// 32- and 64-bit integers) and r = a op b: r as a Double and as a Single; the low bits that
// the Double leaves out (r - Double(r), which is exact); truncated(r), abs(r), a < b and
// a >= b. NaNs, which MPFR does not tell apart, are checked against the x87 rules.
//
// CORVANE_EXTENDED_SEED (decimal or 0x-hex) replays a run; the seed and the operand bits are
// printed with every mismatch. CORVANE_EXTENDED_OPERANDS sets the number of random operand
// pairs per operation (the targeted classes get a tenth of it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#define MPFR_USE_INTMAX_T
#include <mpfr.h>

#if defined(__x86_64__) || defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "extended_soft.h"
#include "wide_arith.h"
#if LDBL_MANT_DIG == 64 && (defined(__i386__) || defined(__x86_64__))
#define HAVE_X87_BACKEND 1
#include "extended_x87.h"
#endif

namespace {

using calc::detail::SoftExtended;

// ---------------------------------------------------------------------------------------
// Run settings.
// ---------------------------------------------------------------------------------------

std::uint64_t envNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    return std::strtoull(text, nullptr, 0);
}

std::uint64_t runSeed() { return envNumber("CORVANE_EXTENDED_SEED", 0x5EED'0E87'2026'1211u); }
int operandsPerOperation() { return static_cast<int>(envNumber("CORVANE_EXTENDED_OPERANDS", 5000)); }

// ---------------------------------------------------------------------------------------
// Operands and operations.
// ---------------------------------------------------------------------------------------

// `scaled`: a 64-bit integer times 2^scale, an Extended with a full 64-bit significand (made
// as Extended(integer) * Extended(2^scale), which is exact).
enum class Type { real64, real32, int32, int64, scaled };
enum class Op { add, subtract, multiply, divide };
constexpr Op kOps[] = {Op::add, Op::subtract, Op::multiply, Op::divide};

struct Operand {
    Type type;
    std::uint64_t bits;  // the value's bit pattern (integers as two's complement)
    int scale = 0;
};

struct Case {
    Op op;
    Operand a, b;
};

double doubleFromBits(std::uint64_t bits) {
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
float singleFromBits(std::uint32_t bits) {
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
std::uint64_t bitsOf(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
std::uint32_t bitsOf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
std::int64_t signedFromBits(std::uint64_t bits) {
    std::int64_t value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Operand real64(double value) { return {Type::real64, bitsOf(value)}; }
Operand real64Bits(std::uint64_t bits) { return {Type::real64, bits}; }
Operand real32Bits(std::uint32_t bits) { return {Type::real32, bits}; }

std::string hex(std::uint64_t value, int digits) {
    std::ostringstream out;
    out << "0x" << std::hex << std::uppercase << std::setw(digits) << std::setfill('0') << value;
    return out.str();
}

std::string describe(Operand o) {
    switch (o.type) {
    case Type::real64: return "Double " + hex(o.bits, 16);
    case Type::real32: return "Single " + hex(o.bits, 8);
    case Type::int32: return "int32 " + std::to_string(static_cast<std::int32_t>(signedFromBits(o.bits)));
    case Type::int64: return "int64 " + std::to_string(signedFromBits(o.bits));
    case Type::scaled:
        return "int64 " + std::to_string(signedFromBits(o.bits)) + " * 2^" + std::to_string(o.scale);
    }
    return "?";
}

const char* symbol(Op op) {
    switch (op) {
    case Op::add: return "+";
    case Op::subtract: return "-";
    case Op::multiply: return "*";
    case Op::divide: return "/";
    }
    return "?";
}

// 2^scale as a Double, from its bits (scale from -1074 to 1023), so that no host arithmetic
// takes part.
double powerOfTwo(int scale) {
    if (scale >= -1022) return doubleFromBits(static_cast<std::uint64_t>(scale + 1023) << 52);
    return doubleFromBits(std::uint64_t{1} << (scale + 1074));
}

template <typename E>
E makeExtended(Operand o) {
    switch (o.type) {
    case Type::real64: return E(doubleFromBits(o.bits));
    case Type::real32: return E(singleFromBits(static_cast<std::uint32_t>(o.bits)));
    case Type::int32: return E(static_cast<std::int32_t>(signedFromBits(o.bits)));
    case Type::int64: return E(signedFromBits(o.bits));
    case Type::scaled: return E(signedFromBits(o.bits)) * E(powerOfTwo(o.scale));
    }
    return E();
}

template <typename E>
E apply(Op op, E a, E b) {
    switch (op) {
    case Op::add: return a + b;
    case Op::subtract: return a - b;
    case Op::multiply: return a * b;
    case Op::divide: return a / b;
    }
    return E();
}

// What a case shows of one backend, or of the reference.
struct Outcome {
    std::uint64_t asDouble = 0;
    std::uint32_t asSingle = 0;
    std::uint64_t lowBits = 0;  // Double(r - Double(r)); 0 for NaNs
    std::uint64_t truncated = 0;
    std::uint64_t absolute = 0;
    bool less = false;
    bool greaterOrEqual = false;
};

std::string describe(const Outcome& o) {
    return "Double " + hex(o.asDouble, 16) + ", Single " + hex(o.asSingle, 8) + ", low bits " +
           hex(o.lowBits, 16) + ", truncated " + hex(o.truncated, 16) + ", abs " +
           hex(o.absolute, 16) + ", a<b " + (o.less ? "1" : "0") + ", a>=b " +
           (o.greaterOrEqual ? "1" : "0");
}

template <typename E>
Outcome runBackend(const Case& c) {
    const E a = makeExtended<E>(c.a), b = makeExtended<E>(c.b);
    const E r = apply(c.op, a, b);
    Outcome o;
    const double d = r.toDouble();
    o.asDouble = bitsOf(d);
    o.asSingle = bitsOf(static_cast<float>(d));
    o.lowBits = r.isNaN() ? 0 : bitsOf((r - E(d)).toDouble());
    o.truncated = bitsOf(r.truncated().toDouble());
    o.absolute = bitsOf(r.abs().toDouble());
    o.less = a < b;
    o.greaterOrEqual = a >= b;
    return o;
}

// ---------------------------------------------------------------------------------------
// The reference: MPFR, correctly rounded at each precision, with each format's range.
// ---------------------------------------------------------------------------------------

class Real {
public:
    explicit Real(mpfr_prec_t precision) { mpfr_init2(m_value, precision); }
    ~Real() { mpfr_clear(m_value); }
    Real(const Real&) = delete;
    Real& operator=(const Real&) = delete;
    mpfr_ptr get() { return m_value; }
    mpfr_srcptr get() const { return m_value; }

private:
    mpfr_t m_value;
};

// MPFR writes x = m 2^e with m in [1/2, 1): emin is the exponent of the smallest subnormal
// plus one, emax that of the largest finite value.
struct Format {
    mpfr_prec_t precision;
    mpfr_exp_t emin, emax;
};
constexpr Format kExtended{64, -16444, 16384};
constexpr Format kDouble{53, -1073, 1024};
constexpr Format kSingle{24, -148, 128};

// dst (of the format's precision) = compute(dst), rounded to nearest into the format:
// computed with an unbounded exponent, then overflow, underflow and subnormals applied.
void roundInto(mpfr_ptr dst, const Format& f, const std::function<int(mpfr_ptr)>& compute) {
    int ternary = compute(dst);
    mpfr_set_emin(f.emin);
    mpfr_set_emax(f.emax);
    ternary = mpfr_check_range(dst, ternary, MPFR_RNDN);
    mpfr_subnormalize(dst, ternary, MPFR_RNDN);
    mpfr_set_emin(mpfr_get_emin_min());
    mpfr_set_emax(mpfr_get_emax_max());
}

void setExactly(mpfr_ptr x, Operand o) {
    switch (o.type) {
    case Type::real64: mpfr_set_d(x, doubleFromBits(o.bits), MPFR_RNDN); break;
    case Type::real32:
        mpfr_set_flt(x, singleFromBits(static_cast<std::uint32_t>(o.bits)), MPFR_RNDN);
        break;
    case Type::int32:
        mpfr_set_sj(x, static_cast<std::int32_t>(signedFromBits(o.bits)), MPFR_RNDN);
        break;
    case Type::int64: mpfr_set_sj(x, signedFromBits(o.bits), MPFR_RNDN); break;
    case Type::scaled:
        mpfr_set_sj(x, signedFromBits(o.bits), MPFR_RNDN);
        mpfr_mul_2si(x, x, o.scale, MPFR_RNDN);
        break;
    }
}

int compute(Op op, mpfr_ptr dst, mpfr_srcptr a, mpfr_srcptr b) {
    switch (op) {
    case Op::add: return mpfr_add(dst, a, b, MPFR_RNDN);
    case Op::subtract: return mpfr_sub(dst, a, b, MPFR_RNDN);
    case Op::multiply: return mpfr_mul(dst, a, b, MPFR_RNDN);
    case Op::divide: return mpfr_div(dst, a, b, MPFR_RNDN);
    }
    return 0;
}

double toDouble(mpfr_srcptr x) {
    Real d(53);
    roundInto(d.get(), kDouble, [&](mpfr_ptr dst) { return mpfr_set(dst, x, MPFR_RNDN); });
    return mpfr_get_d(d.get(), MPFR_RNDN);
}

// The NaN an operand becomes, as a Double: quieted, with its sign and payload.
bool isNaN(Operand o) {
    if (o.type == Type::real64) return (o.bits & 0x7FF0000000000000u) == 0x7FF0000000000000u &&
                                       (o.bits & 0x000FFFFFFFFFFFFFu) != 0;
    if (o.type == Type::real32) return (o.bits & 0x7F800000u) == 0x7F800000u && (o.bits & 0x007FFFFFu) != 0;
    return false;
}
std::uint64_t quietNaNBits(Operand o) {
    constexpr std::uint64_t kQuiet = std::uint64_t{1} << 51;
    if (o.type == Type::real64) return o.bits | kQuiet;
    const std::uint64_t sign = (o.bits >> 31) << 63;
    return sign | 0x7FF0000000000000u | kQuiet | ((o.bits & 0x007FFFFFu) << 29);
}

// The x87 rules: one NaN operand gives that NaN; of two, the larger significand wins, and
// equal significands give the positive NaN unless both are negative; an invalid operation
// gives the negative "indefinite" NaN.
std::uint64_t expectedNaN(const Case& c) {
    constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
    const bool aNaN = isNaN(c.a), bNaN = isNaN(c.b);
    if (aNaN && bNaN) {
        const std::uint64_t x = quietNaNBits(c.a), y = quietNaNBits(c.b);
        if ((x & ~kSign) != (y & ~kSign)) return (x & ~kSign) > (y & ~kSign) ? x : y;
        return (x & ~kSign) | (x & y & kSign);
    }
    if (aNaN) return quietNaNBits(c.a);
    if (bNaN) return quietNaNBits(c.b);
    return 0xFFF8000000000000u;
}

// The reference result r (64 bits, x87 range) of a case.
void referenceResult(const Case& c, mpfr_ptr r64) {
    Real a(64), b(64);
    setExactly(a.get(), c.a);
    setExactly(b.get(), c.b);
    roundInto(r64, kExtended, [&](mpfr_ptr dst) { return compute(c.op, dst, a.get(), b.get()); });
}

Outcome reference(const Case& c) {
    Real a(64), b(64), r(64);
    setExactly(a.get(), c.a);
    setExactly(b.get(), c.b);
    referenceResult(c, r.get());
    Outcome o;
    o.less = mpfr_less_p(a.get(), b.get()) != 0;
    o.greaterOrEqual = mpfr_greaterequal_p(a.get(), b.get()) != 0;
    constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
    if (mpfr_nan_p(r.get())) {
        o.asDouble = expectedNaN(c);
        // Double to Single keeps the sign and the top of the payload.
        o.asSingle = static_cast<std::uint32_t>((o.asDouble >> 63) << 31) | 0x7F800000u |
                     static_cast<std::uint32_t>((o.asDouble >> 29) & 0x007FFFFFu);
        o.truncated = o.asDouble;
        o.absolute = o.asDouble & ~kSign;
        return o;
    }
    // As a Double, then as a Single.
    Real d(53), s(24);
    roundInto(d.get(), kDouble, [&](mpfr_ptr dst) { return mpfr_set(dst, r.get(), MPFR_RNDN); });
    roundInto(s.get(), kSingle, [&](mpfr_ptr dst) { return mpfr_set(dst, d.get(), MPFR_RNDN); });
    o.asDouble = bitsOf(mpfr_get_d(d.get(), MPFR_RNDN));
    o.asSingle = bitsOf(mpfr_get_flt(s.get(), MPFR_RNDN));
    // The bits below the Double: r - Double(r) in Extended, then as a Double.
    Real low(64);
    roundInto(low.get(), kExtended, [&](mpfr_ptr dst) { return mpfr_sub(dst, r.get(), d.get(), MPFR_RNDN); });
    // (r infinite: inf - inf, the indefinite NaN.)
    o.lowBits = mpfr_nan_p(low.get()) ? 0xFFF8000000000000u : bitsOf(toDouble(low.get()));
    // Cut toward zero below 2^63 (a zero comes out +0), unchanged from 2^63 on.
    Real cut(64);
    if (mpfr_cmpabs_ui(r.get(), 1) < 0 || mpfr_zero_p(r.get())) {
        mpfr_set_zero(cut.get(), 1);
    } else if (mpfr_inf_p(r.get()) || mpfr_cmp_ui_2exp(r.get(), 1, 63) >= 0 ||
               mpfr_cmp_si_2exp(r.get(), -1, 63) <= 0) {
        mpfr_set(cut.get(), r.get(), MPFR_RNDN);
    } else {
        mpfr_trunc(cut.get(), r.get());
    }
    o.truncated = bitsOf(toDouble(cut.get()));
    o.absolute = o.asDouble & ~kSign;
    return o;
}

// ---------------------------------------------------------------------------------------
// Checking.
// ---------------------------------------------------------------------------------------

bool operator==(const Outcome& x, const Outcome& y) {
    return x.asDouble == y.asDouble && x.asSingle == y.asSingle && x.lowBits == y.lowBits &&
           x.truncated == y.truncated && x.absolute == y.absolute && x.less == y.less &&
           x.greaterOrEqual == y.greaterOrEqual;
}

std::string describe(const Case& c) {
    return describe(c.a) + " " + symbol(c.op) + " " + describe(c.b);
}

// Compares both backends with the reference; reports the first few mismatches of a test.
class Checker {
public:
    explicit Checker(std::string className) : m_className(std::move(className)) {}

    void check(const Case& c, int index) {
        const Outcome expected = reference(c);
        checkOne("portable", runBackend<SoftExtended>(c), expected, c, index);
#if defined(HAVE_X87_BACKEND)
        checkOne("x87", runBackend<calc::detail::X87Extended>(c), expected, c, index);
#endif
        ++m_checked;
    }
    int checked() const { return m_checked; }
    bool tooManyFailures() const { return m_failures >= 10; }

private:
    void checkOne(const char* backend, const Outcome& got, const Outcome& expected, const Case& c,
                  int index) {
        if (got == expected || tooManyFailures()) return;
        ++m_failures;
        ADD_FAILURE() << backend << " backend, " << m_className << " case " << index << ", seed "
                      << hex(runSeed(), 16) << ": " << describe(c) << "\n  expected "
                      << describe(expected) << "\n  got      " << describe(got);
    }

    std::string m_className;
    int m_checked = 0;
    int m_failures = 0;
};

// ---------------------------------------------------------------------------------------
// Operand generators.
// ---------------------------------------------------------------------------------------

using Rng = std::mt19937_64;

std::uint64_t seedFor(const char* name) {
    std::uint64_t h = runSeed();
    for (const char* p = name; *p != '\0'; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 0x100000001B3u;
    return h;
}

int uniform(Rng& rng, int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

// A Double with a random 53-bit significand and the given binary exponent (normal range).
double doubleWithExponent(Rng& rng, int exponent, bool randomSign = true) {
    const std::uint64_t fraction = rng() & 0x000FFFFFFFFFFFFFu;
    const std::uint64_t sign = randomSign ? (rng() & 1u) << 63 : 0;
    return doubleFromBits(sign | (static_cast<std::uint64_t>(exponent + 1023) << 52) | fraction);
}

const std::uint64_t kSpecialDoubles[] = {
    0x0000000000000000u, 0x8000000000000000u,  // zeros
    0x7FF0000000000000u, 0xFFF0000000000000u,  // infinities
    0x7FF8000000000000u, 0xFFF8000000000000u, 0x7FF0000000000001u, 0xFFF4000000000abcu,
    0x7FFC000000000123u,                       // NaNs, quiet and signalling, with payloads
    0x3FF0000000000000u, 0xBFF0000000000000u,  // +-1
    0x0000000000000001u, 0x800FFFFFFFFFFFFFu,  // subnormals
    0x0010000000000000u, 0x7FEFFFFFFFFFFFFFu,  // smallest normal, largest finite
};
const std::uint32_t kSpecialSingles[] = {0x00000000u, 0x80000000u, 0x7F800000u, 0xFF800000u,
                                         0x7FC00000u, 0xFFA00001u, 0x7F800123u, 0x00000001u,
                                         0x7F7FFFFFu};

Operand scaledOperand(Rng& rng, int scale) {
    return {Type::scaled, rng() | (std::uint64_t{1} << 62), scale};
}

Operand randomOperand(Rng& rng) {
    const int pick = uniform(rng, 0, 15);
    if (pick == 0) return real64Bits(kSpecialDoubles[rng() % std::size(kSpecialDoubles)]);
    if (pick == 1) return real32Bits(kSpecialSingles[rng() % std::size(kSpecialSingles)]);
    if (pick <= 8) return real64Bits(rng());
    if (pick <= 11) return real32Bits(static_cast<std::uint32_t>(rng()));
    if (pick == 13) return scaledOperand(rng, uniform(rng, -1074, 960));
    if (pick <= 12) return {Type::int32, static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(rng())))};
    return {Type::int64, rng()};
}

Op randomOp(Rng& rng) { return kOps[rng() % 4]; }


// Random bit patterns of every kind and type.
Case randomBits(Rng& rng) { return {randomOp(rng), randomOperand(rng), randomOperand(rng)}; }

// Doubles close in magnitude: sums that cancel, and shifts across the whole significand.
Case closeMagnitudes(Rng& rng) {
    const int e = uniform(rng, -60, 60);
    return {randomOp(rng), real64(doubleWithExponent(rng, e)),
            real64(doubleWithExponent(rng, e - uniform(rng, 0, 130)))};
}

// Full 64-bit significands a little apart: every bit of the alignment, the carry and the
// borrow of sums and differences (the last bit of the larger one lies at 2^0).
Case longOperands(Rng& rng) {
    const Op op = rng() % 2 ? Op::add : Op::subtract;
    const int distance = rng() % 2 ? uniform(rng, 60, 70) : uniform(rng, 0, 140);
    Operand large = scaledOperand(rng, 0);
    // A power of two loses its top bit to a borrow, which moves the rounding point; a small
    // term with only its top and bottom bits set puts the exact difference next to a tie.
    if (rng() % 2) large.bits = std::uint64_t{1} << 62;
    Operand small = scaledOperand(rng, -distance);
    if (rng() % 2) small.bits = (std::uint64_t{1} << 62) | (rng() & 0x3u);
    return {op, large, small};
}

// Results near 1 whose bits 54 to 64 decide the rounding; kept when the two roundings
// (to 64 bits, then to 53) give another Double than one rounding to 53 bits would. Sums get
// a term just off half a unit in the last place; products are drawn until bits 54 to 64 of
// the exact product are 10000000000 or 01111111111; quotients are drawn at random.
Case nearOne(Rng& rng) {
    const int pick = uniform(rng, 0, 9);
    const double a = doubleWithExponent(rng, 0);
    if (pick < 6) {
        const Op op = pick < 3 ? Op::add : Op::subtract;
        const double offset = std::ldexp(rng() % 2 ? 1.0 : -1.0, -uniform(rng, 12, 52));
        return {op, real64(a), real64(std::ldexp(1.0 + offset, -53) * (rng() % 2 ? 1.0 : -1.0))};
    }
    if (pick < 9) {
        for (;;) {
            const double x = doubleWithExponent(rng, 0, false), y = doubleWithExponent(rng, 0);
            const std::uint64_t mx = (bitsOf(x) & 0x000FFFFFFFFFFFFFu) | (std::uint64_t{1} << 52);
            const std::uint64_t my = (bitsOf(y) & 0x000FFFFFFFFFFFFFu) | (std::uint64_t{1} << 52);
            // The product has 105 or 106 bits: 52 or 53 of them lie below the 53 that stay.
            const calc::detail::U128 p = calc::detail::multiplyWide(mx, my);
            const int cut53 = (p.hi >> 41) != 0 ? 53 : 52;
            const auto window = static_cast<unsigned>((p.lo >> (cut53 - 11)) & 0x7FFu);
            if (window == 0x400u || window == 0x3FFu) return {Op::multiply, real64(x), real64(y)};
        }
    }
    return {Op::divide, real64(a), real64(doubleWithExponent(rng, 0))};
}

bool roundsTwiceDifferently(const Case& c) {
    Real r64(64), d(53), direct(53), a(64), b(64);
    referenceResult(c, r64.get());
    if (!mpfr_number_p(r64.get())) return false;
    setExactly(a.get(), c.a);
    setExactly(b.get(), c.b);
    roundInto(d.get(), kDouble, [&](mpfr_ptr dst) { return mpfr_set(dst, r64.get(), MPFR_RNDN); });
    roundInto(direct.get(), kDouble, [&](mpfr_ptr dst) { return compute(c.op, dst, a.get(), b.get()); });
    return !mpfr_equal_p(d.get(), direct.get());
}

// Exact results with 65 significant bits: ties at the 64th bit. Products of 33-bit
// integers, and sums with a small term 12 places below a Double's last bit.
Case tieCandidate(Rng& rng) {
    const Op op = kOps[rng() % 3];
    if (op == Op::multiply) {
        auto oddWide = [&] {
            const std::uint64_t n = (std::uint64_t{1} << 32) | (rng() & 0xFFFFFFFFu) | 1u;
            return std::ldexp(static_cast<double>(n), uniform(rng, -40, 10));
        };
        return {op, real64(oddWide()), real64(oddWide())};
    }
    const int e = uniform(rng, -20, 20);
    const double big = doubleWithExponent(rng, e);
    const auto odd = static_cast<double>((rng() & 0x3FFu) | 1u);
    return {op, real64(big), real64(std::ldexp(odd, e - 52 - 12))};
}

bool isTieAt64(const Case& c) {
    Real a(64), b(64), exact(256);
    setExactly(a.get(), c.a);
    setExactly(b.get(), c.b);
    if (compute(c.op, exact.get(), a.get(), b.get()) != 0 || !mpfr_regular_p(exact.get())) return false;
    return mpfr_min_prec(exact.get()) == 65;
}

// Products, quotients and sums whose Double is subnormal.
Case subnormalCandidate(Rng& rng) {
    const Op op = randomOp(rng);
    const int target = uniform(rng, -1076, -1021);
    if (op == Op::multiply) {
        const int ea = uniform(rng, -1000, -100);
        return {op, real64(doubleWithExponent(rng, ea)), real64(doubleWithExponent(rng, target - ea))};
    }
    if (op == Op::divide) {
        const int eb = uniform(rng, 1, 900);
        return {op, real64(doubleWithExponent(rng, target + eb)), real64(doubleWithExponent(rng, eb))};
    }
    auto tiny = [&] {
        const std::uint64_t bits = ((rng() & 1u) << 63) | (rng() & 0x001FFFFFFFFFFFFFu);
        return real64Bits(bits);  // subnormal or just above the normal range
    };
    return {op, tiny(), tiny()};
}

bool isSubnormalDouble(const Case& c) {
    const std::uint64_t bits = reference(c).asDouble;
    return (bits & 0x7FF0000000000000u) == 0 && (bits & 0x000FFFFFFFFFFFFFu) != 0;
}

// Products and quotients at the edges of the Double and Single ranges: the largest finite
// values and what rounds to infinity, the smallest subnormals and what rounds to zero.
Case rangeEdge(Rng& rng) {
    const int edges[] = {1023, 1024, -1074, -1075, -1076, 127, 128, -149, -150, -151};
    const int target = edges[rng() % std::size(edges)] - uniform(rng, 0, 1);
    const int ea = uniform(rng, -500, 500);
    if (rng() % 2 == 0)
        return {Op::multiply, real64(doubleWithExponent(rng, ea)), real64(doubleWithExponent(rng, target - ea))};
    return {Op::divide, real64(doubleWithExponent(rng, target + ea)), real64(doubleWithExponent(rng, ea))};
}

bool always(const Case&) { return true; }

struct OperandClass {
    const char* name;
    Case (*generate)(Rng&);
    bool (*wanted)(const Case&);
    int share;  // cases per 10 000 random operand pairs per operation
};

void runClass(const OperandClass& k) {
    Rng rng(seedFor(k.name));
    Checker checker(k.name);
    const long long wantedCases =
        std::max(1LL, static_cast<long long>(operandsPerOperation()) * 4 * k.share / 10000);
    long long tries = 0;
    while (checker.checked() < wantedCases && tries < wantedCases * 20000 && !checker.tooManyFailures()) {
        ++tries;
        const Case c = k.generate(rng);
        if (k.wanted(c)) checker.check(c, checker.checked());
    }
    EXPECT_EQ(checker.checked(), wantedCases) << k.name << ": too few cases of this class found";
}

// ---------------------------------------------------------------------------------------
// Tests.
// ---------------------------------------------------------------------------------------

TEST(ExtendedBackends, RandomOperandsOfEveryKind) {
    runClass({"random bits", randomBits, always, 10000});
    runClass({"close magnitudes", closeMagnitudes, always, 2500});
    runClass({"long operands", longOperands, always, 2500});
}

TEST(ExtendedBackends, DoubleRounding) {
    runClass({"double rounding", nearOne, roundsTwiceDifferently, 500});
}

TEST(ExtendedBackends, TiesAtTheLastBit) { runClass({"ties at bit 64", tieCandidate, isTieAt64, 1000}); }

TEST(ExtendedBackends, SubnormalDoubles) {
    runClass({"subnormal Doubles", subnormalCandidate, isSubnormalDouble, 1000});
}

TEST(ExtendedBackends, OverflowAndUnderflowOfDoubleAndSingle) {
    runClass({"range edges", rangeEdge, always, 1000});
}

// Every pair of zeros, infinities, NaNs and edge values, with every operation: signed
// zeros, invalid operations, NaN propagation.
TEST(ExtendedBackends, SpecialValues) {
    std::vector<Operand> values;
    for (std::uint64_t bits : kSpecialDoubles) values.push_back(real64Bits(bits));
    for (std::uint32_t bits : kSpecialSingles) values.push_back(real32Bits(bits));
    values.push_back({Type::int32, 0});
    values.push_back({Type::int64, std::uint64_t{1} << 63});
    Checker checker("special values");
    int index = 0;
    for (Op op : kOps)
        for (Operand a : values)
            for (Operand b : values) checker.check({op, a, b}, index++);
}

// The x87 rules for NaNs and signed zeros, written out for the cases the texts show.
TEST(ExtendedBackends, NaNsAndZerosAsTheX87GivesThem) {
    struct Row {
        const char* name;
        Case c;
        std::uint64_t expected;
    };
    const double inf = doubleFromBits(0x7FF0000000000000u);
    const Row rows[] = {
        {"0 x inf is the indefinite NaN", {Op::multiply, real64(0.0), real64(inf)}, 0xFFF8000000000000u},
        {"inf - inf", {Op::subtract, real64(inf), real64(inf)}, 0xFFF8000000000000u},
        {"-inf + inf", {Op::add, real64(-inf), real64(inf)}, 0xFFF8000000000000u},
        {"0 / 0", {Op::divide, real64(0.0), real64(-0.0)}, 0xFFF8000000000000u},
        {"a NaN operand keeps its sign", {Op::subtract, real64(1.0), real64Bits(0x7FF8000000000000u)}, 0x7FF8000000000000u},
        {"a signalling NaN is quieted", {Op::add, real64Bits(0xFFF0000000000001u), real64(1.0)}, 0xFFF8000000000001u},
        {"a Single NaN widens", {Op::multiply, real32Bits(0x7FA00001u), real64(2.0)}, 0x7FFC000020000000u},
        {"the indefinite NaN propagates", {Op::add, real64(-1.0), real64Bits(0xFFF8000000000000u)}, 0xFFF8000000000000u},
        {"larger payload wins", {Op::add, real64Bits(0xFFF8000000000001u), real64Bits(0x7FF8000000000002u)}, 0x7FF8000000000002u},
        {"equal payloads: positive", {Op::add, real64Bits(0xFFF8000000000000u), real64Bits(0x7FF8000000000000u)}, 0x7FF8000000000000u},
        {"x - x is +0", {Op::subtract, real64(-2.5), real64(-2.5)}, 0x0000000000000000u},
        {"-0 + -0 is -0", {Op::add, real64(-0.0), real64(-0.0)}, 0x8000000000000000u},
        {"-0 - +0 is -0", {Op::subtract, real64(-0.0), real64(0.0)}, 0x8000000000000000u},
        {"-1 x 0 is -0", {Op::multiply, {Type::int32, static_cast<std::uint64_t>(-1)}, real64(0.0)}, 0x8000000000000000u},
        {"1 / -inf is -0", {Op::divide, real64(1.0), real64(-inf)}, 0x8000000000000000u},
        {"-1 / 0 is -inf", {Op::divide, real64(-1.0), real64(0.0)}, 0xFFF0000000000000u},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(hex(runBackend<SoftExtended>(row.c).asDouble, 16), hex(row.expected, 16));
#if defined(HAVE_X87_BACKEND)
        EXPECT_EQ(hex(runBackend<calc::detail::X87Extended>(row.c).asDouble, 16), hex(row.expected, 16));
#endif
    }
}

// The portable backend's bits do not depend on the host's floating-point mode: rounding
// upward, flush to zero and denormals-are-zero on, the x87 unit at 53 bits.
TEST(ExtendedBackends, PortableBackendIgnoresTheHostMode) {
    Rng rng(seedFor("host mode"));
    std::vector<Case> cases;
    std::vector<Outcome> usual;
    for (int i = 0; i < 2000; ++i) {
        cases.push_back(i % 2 == 0 ? randomBits(rng) : subnormalCandidate(rng));
        usual.push_back(runBackend<SoftExtended>(cases.back()));
    }
    std::vector<Outcome> foreign;
    ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
#if defined(__x86_64__) || defined(__SSE__)
    const unsigned int savedMxcsr = _mm_getcsr();
    _mm_setcsr((savedMxcsr & ~0x6000u) | 0x4000u | 0x8000u | 0x0040u);  // upward, FTZ, DAZ
#endif
#if defined(__i386__) || defined(__x86_64__)
    std::uint16_t savedControlWord = 0;
    asm volatile("fnstcw %0" : "=m"(savedControlWord));
    const std::uint16_t doublePrecisionUpward = 0x0A7F;
    asm volatile("fldcw %0" : : "m"(doublePrecisionUpward));
#endif
    for (const Case& c : cases) foreign.push_back(runBackend<SoftExtended>(c));
#if defined(__i386__) || defined(__x86_64__)
    asm volatile("fldcw %0" : : "m"(savedControlWord));
#endif
#if defined(__x86_64__) || defined(__SSE__)
    _mm_setcsr(savedMxcsr);
#endif
    std::fesetround(FE_TONEAREST);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        // The Single is the host's conversion of the Double: not the backend's.
        foreign[i].asSingle = usual[i].asSingle;
        ASSERT_TRUE(foreign[i] == usual[i]) << "seed " << hex(runSeed(), 16) << ", case " << i << ": "
                                            << describe(cases[i]) << "\n  usual mode  "
                                            << describe(usual[i]) << "\n  foreign mode "
                                            << describe(foreign[i]);
    }
}

#if defined(__SIZEOF_INT128__)
// The 64-bit-only multiply and divide (used where there is no 128-bit integer type) against
// the compiler's 128-bit arithmetic.
TEST(WideArithmetic, PortableStepsAgreeWithTheCompilers) {
    namespace d = calc::detail;
    Rng rng(seedFor("wide"));
    const std::uint64_t edges[] = {0, 1, 0xFFFFFFFFu, std::uint64_t{1} << 32, std::uint64_t{1} << 63,
                                   ~std::uint64_t{0}, ~std::uint64_t{0} - 1, 0x8000000000000001u,
                                   0xFFFFFFFF00000000u, 0x80000000FFFFFFFFu};
    auto check = [&](std::uint64_t a, std::uint64_t b, std::uint64_t lo) {
        const d::U128 p = d::portable::multiplyWide(a, b), q = d::multiplyWide(a, b);
        ASSERT_TRUE(p.hi == q.hi && p.lo == q.lo) << hex(a, 16) << " * " << hex(b, 16);
        const std::uint64_t divisor = b | (std::uint64_t{1} << 63);  // normalized
        const std::uint64_t high = a % divisor;                      // below the divisor
        std::uint64_t r1 = 0, r2 = 0;
        const std::uint64_t q1 = d::portable::divideWide(high, lo, divisor, r1);
        const std::uint64_t q2 = d::divideWide(high, lo, divisor, r2);
        ASSERT_TRUE(q1 == q2 && r1 == r2)
            << hex(high, 16) << ":" << hex(lo, 16) << " / " << hex(divisor, 16) << " seed " << hex(runSeed(), 16);
    };
    for (std::uint64_t a : edges)
        for (std::uint64_t b : edges)
            for (std::uint64_t lo : edges) check(a, b, lo);
    for (int i = 0; i < 200000; ++i) check(rng(), rng(), rng());
}
#endif

}  // namespace
