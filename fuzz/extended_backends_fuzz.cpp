// The two Extended backends, the x87 `long double` one and the portable integer one, on the
// same operands: every result bit for bit the same, and the same as MPFR rounding the exact
// result to a 64-bit significand in the x87 exponent range.
//
// Input: records of nine bytes, a control byte and a Double's bits (little-endian). The
// first record makes the accumulator; every further one makes an operand and combines it
// with the accumulator. Control byte: bits 0-1 the operation (+ - * /), bits 2-3 how the
// operand is made from the bits (the Double, the low half as a Single, the whole as an
// int64, the low half as an int32), bit 4 operand on the left. After every step the
// accumulator's full value is compared: its Double, the rest below that Double (the
// accumulator minus its Double, which shows the low bits of the significand), its
// magnitude, its whole part, whether it is a NaN, and its order against the operand.
#include "extended_soft.h"
#include "extended_x87.h"
#include "floating_point_mode.h"

#include "fuzz_support.h"

#include <cstdint>
#include <cstring>
#include <string>

#include <mpfr.h>

namespace {

using calc::detail::SoftExtended;
using calc::detail::X87Extended;

constexpr std::size_t kRecord = 9;
constexpr std::size_t kMaxRecords = 64;

// The x87 format in MPFR's terms: 64 bits, values below 2^16384, the smallest subnormal
// 2^-16445 = 0.5 × 2^emin.
constexpr mpfr_prec_t kPrecision = 64;
constexpr mpfr_exp_t kEmax = 16384;
constexpr mpfr_exp_t kEmin = -16444;

class Mpfr {
public:
    Mpfr() { mpfr_init2(m_value, kPrecision); }
    ~Mpfr() { mpfr_clear(m_value); }
    Mpfr(const Mpfr&) = delete;
    Mpfr& operator=(const Mpfr&) = delete;
    mpfr_ptr get() { return m_value; }
    mpfr_srcptr get() const { return m_value; }

private:
    mpfr_t m_value;
};

// Rounds an exact-then-64-bit result the way the x87 unit keeps it, subnormals included.
void keep(mpfr_ptr value, int ternary) {
    mpfr_subnormalize(value, mpfr_check_range(value, ternary, MPFR_RNDN), MPFR_RNDN);
}

struct Operand {
    X87Extended x87;
    SoftExtended soft;
    std::string text;
};

Operand makeOperand(int kind, std::uint64_t bits, mpfr_ptr exact) {
    const auto low = static_cast<std::uint32_t>(bits & 0xFFFFFFFFu);
    switch (kind) {
    case 0: {
        const double d = fuzz::doubleFromBits(bits);
        mpfr_set_d(exact, d, MPFR_RNDN);
        return {X87Extended(d), SoftExtended(d), "Double " + fuzz::hex(bits, 16)};
    }
    case 1: {
        const float f = fuzz::singleFromBits(low);
        mpfr_set_flt(exact, f, MPFR_RNDN);
        return {X87Extended(f), SoftExtended(f), "Single " + fuzz::hex(low, 8)};
    }
    case 2: {
        std::int64_t i;
        std::memcpy(&i, &bits, sizeof i);
        mpfr_set_si(exact, static_cast<long>(i), MPFR_RNDN);
        return {X87Extended(i), SoftExtended(i), "int64 " + std::to_string(i)};
    }
    default: {
        std::int32_t i;
        std::memcpy(&i, &low, sizeof i);
        mpfr_set_si(exact, i, MPFR_RNDN);
        return {X87Extended(i), SoftExtended(i), "int32 " + std::to_string(i)};
    }
    }
}

template <typename E>
E combine(int op, E a, E b) {
    switch (op) {
    case 0: return a + b;
    case 1: return a - b;
    case 2: return a * b;
    default: return a / b;
    }
}

void combineExact(int op, mpfr_ptr out, mpfr_srcptr a, mpfr_srcptr b) {
    int t = 0;
    switch (op) {
    case 0: t = mpfr_add(out, a, b, MPFR_RNDN); break;
    case 1: t = mpfr_sub(out, a, b, MPFR_RNDN); break;
    case 2: t = mpfr_mul(out, a, b, MPFR_RNDN); break;
    default: t = mpfr_div(out, a, b, MPFR_RNDN); break;
    }
    keep(out, t);
}

// What can be seen of an Extended value from outside, as bit patterns.
struct View {
    std::uint64_t high, rest, magnitude, whole;
    bool nan, less, atLeast;
    bool operator==(const View& o) const {
        return high == o.high && rest == o.rest && magnitude == o.magnitude && whole == o.whole &&
               nan == o.nan && less == o.less && atLeast == o.atLeast;
    }
};

template <typename E>
View viewOf(E value, E operand) {
    const double high = value.toDouble();
    return {fuzz::bitsOf(high),
            fuzz::bitsOf((value - E(high)).toDouble()),
            fuzz::bitsOf(value.abs().toDouble()),
            fuzz::bitsOf(value.truncated().toDouble()),
            value.isNaN(),
            value < operand,
            value >= operand};
}

View exactViewOf(mpfr_srcptr value, mpfr_srcptr operand) {
    Mpfr scratch;
    const double high = mpfr_get_d(value, MPFR_RNDN);
    Mpfr highExact;
    mpfr_set_d(highExact.get(), high, MPFR_RNDN);
    keep(scratch.get(), mpfr_sub(scratch.get(), value, highExact.get(), MPFR_RNDN));
    const double rest = mpfr_get_d(scratch.get(), MPFR_RNDN);
    mpfr_abs(scratch.get(), value, MPFR_RNDN);
    const double magnitude = mpfr_get_d(scratch.get(), MPFR_RNDN);
    // Whole part: below 2^63 cut toward zero (a zero result is +0), from 2^63 on unchanged.
    double whole = 0.0;
    Mpfr twoTo63;
    mpfr_set_ui_2exp(twoTo63.get(), 1, 63, MPFR_RNDN);
    if (mpfr_nan_p(value) || mpfr_inf_p(value) || mpfr_cmpabs(value, twoTo63.get()) >= 0) {
        whole = high;
    } else {
        mpfr_trunc(scratch.get(), value);
        whole = mpfr_zero_p(scratch.get()) ? 0.0 : mpfr_get_d(scratch.get(), MPFR_RNDN);
    }
    return {fuzz::bitsOf(high), fuzz::bitsOf(rest), fuzz::bitsOf(magnitude), fuzz::bitsOf(whole),
            mpfr_nan_p(value) != 0, mpfr_less_p(value, operand) != 0,
            mpfr_greaterequal_p(value, operand) != 0};
}

std::string describe(const View& v) {
    return "{" + fuzz::hex(v.high, 16) + " rest " + fuzz::hex(v.rest, 16) + " abs " +
           fuzz::hex(v.magnitude, 16) + " trunc " + fuzz::hex(v.whole, 16) +
           (v.nan ? " NaN" : "") + (v.less ? " <" : "") + (v.atLeast ? " >=" : "") + "}";
}

// MPFR has no NaN signs or payloads: against it a NaN only has to be a NaN.
bool sameAsExact(View v, View exact) {
    if (exact.nan) return v.nan && !v.less && !v.atLeast;
    return v == exact;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::asText(data, size);
    if (size < kRecord) return 0;
    mpfr_set_emax(kEmax);
    mpfr_set_emin(kEmin);
    const calc::detail::FloatingPointMode mode;  // the x87 backend needs its control word

    auto record = [&](std::size_t i, int& control, std::uint64_t& bits) {
        control = data[i * kRecord];
        bits = 0;
        for (std::size_t b = 0; b < 8; ++b) bits |= std::uint64_t{data[i * kRecord + 1 + b]} << (8 * b);
    };
    int control = 0;
    std::uint64_t bits = 0;
    record(0, control, bits);
    Mpfr exact, exactOperand;
    Operand first = makeOperand((control >> 2) & 3, bits, exact.get());
    X87Extended x87 = first.x87;
    SoftExtended soft = first.soft;
    std::string steps = first.text;

    const std::size_t records = std::min(size / kRecord, kMaxRecords);
    for (std::size_t i = 0; i < records; ++i) {
        Operand operand = first;
        if (i > 0) {
            record(i, control, bits);
            operand = makeOperand((control >> 2) & 3, bits, exactOperand.get());
            const int op = control & 3;
            const bool swapped = (control & 0x10) != 0;
            x87 = swapped ? combine(op, operand.x87, x87) : combine(op, x87, operand.x87);
            soft = swapped ? combine(op, operand.soft, soft) : combine(op, soft, operand.soft);
            if (swapped) {
                combineExact(op, exact.get(), exactOperand.get(), exact.get());
            } else {
                combineExact(op, exact.get(), exact.get(), exactOperand.get());
            }
            steps += std::string(" ") + "+-*/"[op] + (swapped ? "(left) " : " ") + operand.text;
        } else {
            mpfr_set(exactOperand.get(), exact.get(), MPFR_RNDN);
        }
        const View a = viewOf(x87, operand.x87);
        const View b = viewOf(soft, operand.soft);
        const View e = exactViewOf(exact.get(), exactOperand.get());
        if (!(a == b))
            fuzz::fail("x87 " + describe(a) + " but portable " + describe(b) + " after " + steps, input);
        if (!sameAsExact(a, e))
            fuzz::fail("x87 " + describe(a) + " but MPFR " + describe(e) + " after " + steps, input);
    }
    return 0;
}
