// SoftExtended: the Extended type in integer arithmetic, for every processor and compiler.
//
// It gives the bits the x87 80-bit format gives: each operation rounds its exact result to a
// 64-bit significand, to nearest with ties to even, in the 15-bit exponent range (results
// below 2^-16382 lose precision gradually down to 2^-16445, results from 2^16384 on become
// infinities). It never uses the host's floating-point unit, so neither the host's rounding
// direction nor its flush-to-zero setting nor `long double` matters.
//
// NaNs follow the x87 unit, since the texts show them: an invalid operation (0 x inf,
// inf - inf, 0 / 0, inf / inf) gives the negative quiet NaN with significand
// 0xC000000000000000, which as a Double is 0xFFF8000000000000; a NaN made from a Double or
// a Single is quieted, keeping its sign and payload; an operation on one NaN gives that
// NaN, on two NaNs the one with the larger significand (both of the same significand: the
// positive one unless both are negative).
#pragma once

#include <cstdint>
#include <utility>

#include "bits.h"
#include "wide_arith.h"

namespace calc::detail {

class SoftExtended {
public:
    constexpr SoftExtended() = default;
    explicit SoftExtended(double value);
    explicit SoftExtended(float value);
    // Every 64-bit integer is exact in a 64-bit significand.
    explicit SoftExtended(std::int64_t value);
    explicit SoftExtended(std::int32_t value) : SoftExtended(std::int64_t{value}) {}

    friend SoftExtended operator+(SoftExtended a, SoftExtended b) { return add(a, b, false); }
    friend SoftExtended operator-(SoftExtended a, SoftExtended b) { return add(a, b, true); }
    friend SoftExtended operator*(SoftExtended a, SoftExtended b) { return multiply(a, b); }
    friend SoftExtended operator/(SoftExtended a, SoftExtended b) { return divide(a, b); }

    // False whenever a NaN takes part; -0 equals +0.
    friend bool operator<(SoftExtended a, SoftExtended b) {
        return !a.isNaN() && !b.isNaN() && compare(a, b) < 0;
    }
    friend bool operator>=(SoftExtended a, SoftExtended b) {
        return !a.isNaN() && !b.isNaN() && compare(a, b) >= 0;
    }

    // Rounds to binary64, to nearest with ties to even, subnormals included; NaNs keep their
    // sign and the top 52 bits of their fraction.
    double toDouble() const;

    bool isNaN() const { return m_kind == Kind::nan; }
    // Clears the sign, of NaNs too.
    SoftExtended abs() const {
        SoftExtended r = *this;
        r.m_negative = false;
        return r;
    }
    // Cut toward zero to a whole number (the value stays an Extended): values of magnitude
    // 2^63 and more, infinities and NaNs stay as they are, and a zero result is +0.
    SoftExtended truncated() const;

private:
    enum class Kind : std::uint8_t { zero, finite, infinity, nan };

    // The x87 exponent range: the largest finite value is just below 2^16384; normal values
    // reach down to 2^-16382.
    static constexpr std::int32_t kMaxExponent = 16383;
    static constexpr std::int32_t kMinExponent = -16382;
    static constexpr int kPrecision = 64;
    static constexpr std::uint64_t kTopBit = std::uint64_t{1} << 63;
    static constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;

    // A rounded magnitude: zero, or significand (bit 63 set) x 2^(exponent - 63).
    struct Rounded {
        std::uint64_t significand;
        std::int32_t exponent;
    };

    static SoftExtended make(Kind kind, bool negative, std::uint64_t significand = 0,
                             std::int32_t exponent = 0) {
        SoftExtended r;
        r.m_kind = kind;
        r.m_negative = negative;
        r.m_significand = significand;
        r.m_exponent = exponent;
        return r;
    }
    static SoftExtended invalid() { return make(Kind::nan, true, kTopBit | kQuietBit); }
    template <int kFractionBits, int kExponentBits>
    static SoftExtended fromIeee(std::uint64_t bits);
    static SoftExtended fromNaNs(SoftExtended a, SoftExtended b);
    static SoftExtended fromExact(bool negative, U128 magnitude, bool sticky, std::int32_t scale);

    static Rounded round(U128 magnitude, bool sticky, std::int32_t scale, int precision,
                         std::int32_t minExponent);
    static SoftExtended add(SoftExtended a, SoftExtended b, bool subtract);
    static SoftExtended addSpecial(SoftExtended a, SoftExtended b, bool subtract);
    static SoftExtended multiply(SoftExtended a, SoftExtended b);
    static SoftExtended divide(SoftExtended a, SoftExtended b);
    static int compareMagnitude(SoftExtended a, SoftExtended b);
    static int compare(SoftExtended a, SoftExtended b);

    // finite: (-1)^m_negative x m_significand x 2^(m_exponent - 63), bit 63 of the
    // significand set (values below the normal range are held normalized too, with the bits
    // they cannot have left zero); nan: the x87 significand, quiet bit (62) set.
    std::uint64_t m_significand = 0;
    std::int32_t m_exponent = 0;
    Kind m_kind = Kind::zero;
    bool m_negative = false;
};

// Rounds magnitude x 2^scale, where `sticky` stands for nonzero bits below the last bit of
// `magnitude` (only ever set when bits are cut off), to `precision` significant bits, or to
// fewer where the value lies below 2^minExponent: the grid there is 2^(minExponent -
// precision + 1). To nearest, ties to even. The exponent may come out above any maximum:
// the caller decides about overflow.
inline SoftExtended::Rounded SoftExtended::round(U128 magnitude, bool sticky, std::int32_t scale,
                                                 int precision, std::int32_t minExponent) {
    const int length = bitLength(magnitude);
    const std::int32_t exponent = scale + length - 1;
    int kept = precision;
    if (exponent < minExponent) {
        const std::int32_t lost = minExponent - exponent;
        kept = lost > precision ? -1 : precision - static_cast<int>(lost);
    }
    const int cut = length - kept;  // bits below the rounding point
    if (cut <= 0) return {shiftLeft(magnitude, 128 - length).hi, exponent};

    // 1. The bits that stay, the first bit cut off, and whether anything below it is set.
    std::uint64_t digits = cut >= 128 ? 0 : shiftRight(magnitude, cut).lo;
    const bool half = cut <= 128 && testBit(magnitude, cut - 1);
    const bool rest = sticky || (cut > 1 && anyBitBelow(magnitude, cut - 1));
    // 2. To nearest, ties to even.
    std::int32_t lastBitExponent = scale + cut;
    if (half && (rest || (digits & 1u) != 0)) {
        if (++digits == 0) return {kTopBit, lastBitExponent + 64};  // 2^64: one bit more
    }
    if (digits == 0) return {0, 0};
    // 3. Normalized again.
    const int shift = leadingZeros64(digits);
    return {digits << shift, lastBitExponent + 63 - shift};
}

inline SoftExtended SoftExtended::fromExact(bool negative, U128 magnitude, bool sticky,
                                            std::int32_t scale) {
    if (magnitude.hi != 0) {
        // More than 64 bits, in the normal range: the top word after normalizing is the
        // significand, the bottom word decides the rounding.
        const int shift = leadingZeros64(magnitude.hi);
        const std::int32_t exponent = scale + 127 - shift;
        if (exponent >= kMinExponent && exponent < kMaxExponent) {
            // (lo >> 1) >> (63 - shift): no shift by 64 when shift is 0.
            std::uint64_t significand = (magnitude.hi << shift) | ((magnitude.lo >> 1) >> (63 - shift));
            const std::uint64_t below = magnitude.lo << shift;
            const bool half = (below >> 63) != 0;
            const bool rest = sticky || (below << 1) != 0;
            const bool up = half && (rest || (significand & 1u) != 0);
            significand += up ? 1u : 0u;
            if (significand == 0) return make(Kind::finite, negative, kTopBit, exponent + 1);
            return make(Kind::finite, negative, significand, exponent);
        }
    }
    const Rounded r = round(magnitude, sticky, scale, kPrecision, kMinExponent);
    if (r.significand == 0) return make(Kind::zero, negative);
    if (r.exponent > kMaxExponent) return make(Kind::infinity, negative);
    return make(Kind::finite, negative, r.significand, r.exponent);
}

// The exact value of an IEEE binary number (binary64 or binary32) given by its bits: a NaN
// keeps its sign and payload and comes out quiet, as the x87 loads it.
template <int kFractionBits, int kExponentBits>
SoftExtended SoftExtended::fromIeee(std::uint64_t bits) {
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << kFractionBits) - 1;
    constexpr std::int32_t kFieldMax = (std::int32_t{1} << kExponentBits) - 1;
    constexpr std::int32_t kBias = kFieldMax / 2;
    // A subnormal is fraction x 2^(1 - bias - fraction bits); with the fraction moved up to
    // bit 63 that is 2^(exponent - 63).
    constexpr std::int32_t kSubnormalExponent = 1 - kBias - kFractionBits + 63;
    constexpr int kToTop = 63 - kFractionBits;
    const bool negative = ((bits >> (kFractionBits + kExponentBits)) & 1u) != 0;
    const auto field = static_cast<std::int32_t>((bits >> kFractionBits) & static_cast<std::uint64_t>(kFieldMax));
    const std::uint64_t fraction = bits & kFraction;
    if (field == kFieldMax) {
        if (fraction == 0) return make(Kind::infinity, negative);
        return make(Kind::nan, negative, kTopBit | kQuietBit | (fraction << kToTop));
    }
    if (field == 0) {
        if (fraction == 0) return make(Kind::zero, negative);
        const int shift = leadingZeros64(fraction);
        return make(Kind::finite, negative, fraction << shift, kSubnormalExponent - shift);
    }
    return make(Kind::finite, negative, kTopBit | (fraction << kToTop), field - kBias);
}

inline SoftExtended::SoftExtended(double value)
    : SoftExtended(fromIeee<52, 11>(bitCast<std::uint64_t>(value))) {}

inline SoftExtended::SoftExtended(float value)
    : SoftExtended(fromIeee<23, 8>(bitCast<std::uint32_t>(value))) {}

inline SoftExtended::SoftExtended(std::int64_t value) {
    if (value == 0) return;
    m_negative = value < 0;
    // The magnitude modulo 2^64: exact for INT64_MIN too.
    const std::uint64_t magnitude =
        m_negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const int shift = leadingZeros64(magnitude);
    m_kind = Kind::finite;
    m_significand = magnitude << shift;
    m_exponent = 63 - shift;
}

inline SoftExtended SoftExtended::fromNaNs(SoftExtended a, SoftExtended b) {
    if (!b.isNaN()) return a;
    if (!a.isNaN()) return b;
    if (a.m_significand != b.m_significand) return a.m_significand > b.m_significand ? a : b;
    return make(Kind::nan, a.m_negative && b.m_negative, a.m_significand);
}

inline int SoftExtended::compareMagnitude(SoftExtended a, SoftExtended b) {
    if (a.m_kind != b.m_kind) return a.m_kind < b.m_kind ? -1 : 1;
    if (a.m_kind != Kind::finite) return 0;
    if (a.m_exponent != b.m_exponent) return a.m_exponent < b.m_exponent ? -1 : 1;
    if (a.m_significand != b.m_significand) return a.m_significand < b.m_significand ? -1 : 1;
    return 0;
}

// Neither is a NaN.
inline int SoftExtended::compare(SoftExtended a, SoftExtended b) {
    if (a.m_kind == Kind::zero && b.m_kind == Kind::zero) return 0;
    if (a.m_negative != b.m_negative) return a.m_negative ? -1 : 1;
    const int m = compareMagnitude(a, b);
    return a.m_negative ? -m : m;
}

inline SoftExtended SoftExtended::add(SoftExtended a, SoftExtended b, bool subtract) {
    if (a.m_kind != Kind::finite || b.m_kind != Kind::finite) return addSpecial(a, b, subtract);
    if (subtract) b.m_negative = !b.m_negative;
    // x is the larger in magnitude. Its significand goes to bits 126..63, one bit of headroom
    // for a carry, and y's is aligned below it.
    std::uint64_t xSignificand = a.m_significand, ySignificand = b.m_significand;
    std::int32_t xExponent = a.m_exponent, yExponent = b.m_exponent;
    bool xNegative = a.m_negative, yNegative = b.m_negative;
    if (xExponent < yExponent || (xExponent == yExponent && xSignificand < ySignificand)) {
        std::swap(xSignificand, ySignificand);
        std::swap(xExponent, yExponent);
        std::swap(xNegative, yNegative);
    }
    const U128 wideX{xSignificand >> 1, xSignificand << 63};
    const std::int64_t distance = std::int64_t{xExponent} - yExponent;
    U128 alignedY;
    bool sticky = false;
    if (distance < 63) {
        const int d = static_cast<int>(distance);  // exact: nothing is shifted out
        alignedY = U128{ySignificand >> (d + 1), ySignificand << (63 - d)};
    } else if (distance < 128) {
        const U128 wideY{ySignificand >> 1, ySignificand << 63};
        const int d = static_cast<int>(distance);
        alignedY = shiftRight(wideY, d);
        sticky = anyBitBelow(wideY, d);
    } else {
        sticky = true;  // y is far below the last bit of x
    }
    U128 sum;
    if (xNegative == yNegative) {
        sum = wideX + alignedY;
    } else {
        // The true difference lies between sum - 1 and sum when bits of y were cut off: take
        // sum - 1 with the sticky bit standing for the rest. At least 62 bits lie between the
        // last bit and any rounding point, so the rounding sees the right side of every tie.
        sum = wideX - alignedY;
        if (sticky) sum = sum - U128{0, 1};
        if (isZero(sum)) return SoftExtended();  // x - x = +0
    }
    return fromExact(xNegative, sum, sticky, xExponent - 126);
}

// Zeros, infinities and NaNs.
inline SoftExtended SoftExtended::addSpecial(SoftExtended a, SoftExtended b, bool subtract) {
    if (a.isNaN() || b.isNaN()) return fromNaNs(a, b);  // a NaN keeps its sign, even in a - b
    if (subtract) b.m_negative = !b.m_negative;
    if (a.m_kind == Kind::infinity) {
        if (b.m_kind == Kind::infinity && a.m_negative != b.m_negative) return invalid();
        return a;
    }
    if (b.m_kind == Kind::infinity) return b;
    if (b.m_kind == Kind::zero) {
        // -0 + -0 = -0; +0 + -0 = +0.
        if (a.m_kind == Kind::zero) return make(Kind::zero, a.m_negative && b.m_negative);
        return a;
    }
    return b;  // a is a zero
}

inline SoftExtended SoftExtended::multiply(SoftExtended a, SoftExtended b) {
    if (a.isNaN() || b.isNaN()) return fromNaNs(a, b);
    const bool negative = a.m_negative != b.m_negative;
    if (a.m_kind == Kind::infinity || b.m_kind == Kind::infinity) {
        if (a.m_kind == Kind::zero || b.m_kind == Kind::zero) return invalid();
        return make(Kind::infinity, negative);
    }
    if (a.m_kind == Kind::zero || b.m_kind == Kind::zero) return make(Kind::zero, negative);
    const U128 product = multiplyWide(a.m_significand, b.m_significand);
    return fromExact(negative, product, false, a.m_exponent + b.m_exponent - 126);
}

inline SoftExtended SoftExtended::divide(SoftExtended a, SoftExtended b) {
    if (a.isNaN() || b.isNaN()) return fromNaNs(a, b);
    const bool negative = a.m_negative != b.m_negative;
    if (a.m_kind == Kind::infinity) {
        if (b.m_kind == Kind::infinity) return invalid();
        return make(Kind::infinity, negative);
    }
    if (b.m_kind == Kind::infinity) return make(Kind::zero, negative);
    if (b.m_kind == Kind::zero) {
        if (a.m_kind == Kind::zero) return invalid();
        return make(Kind::infinity, negative);  // division by zero
    }
    if (a.m_kind == Kind::zero) return make(Kind::zero, negative);

    // A 65-bit quotient of the significands and a sticky remainder: enough for 64 bits, the
    // first bit cut off and whether anything follows it.
    const std::uint64_t n = a.m_significand, d = b.m_significand;
    std::uint64_t remainder = 0;
    U128 quotient;
    std::int32_t scale = a.m_exponent - b.m_exponent;
    if (n >= d) {
        // n / d in [1, 2): 2^64 + (n - d) 2^64 / d.
        quotient = U128{1, divideWide(n - d, 0, d, remainder)};
        scale -= 64;
    } else {
        // n / d in [1/2, 1): 64 bits from the division, one more from the remainder.
        const std::uint64_t q = divideWide(n, 0, d, remainder);
        const bool nextBit = remainder >= d - remainder;
        remainder = nextBit ? remainder - (d - remainder) : remainder << 1;
        quotient = U128{q >> 63, (q << 1) | (nextBit ? 1u : 0u)};
        scale -= 65;
    }
    return fromExact(negative, quotient, remainder != 0, scale);
}

inline double SoftExtended::toDouble() const {
    const std::uint64_t sign = m_negative ? std::uint64_t{1} << 63 : 0;
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
    constexpr std::uint64_t kInfinity = std::uint64_t{0x7FF} << 52;
    switch (m_kind) {
    case Kind::zero: return bitCast<double>(sign);
    case Kind::infinity: return bitCast<double>(sign | kInfinity);
    case Kind::nan: return bitCast<double>(sign | kInfinity | ((m_significand >> 11) & kFraction));
    case Kind::finite: break;
    }
    if (m_exponent >= -1022 && m_exponent <= 1023) {
        // The normal range: 52 fraction bits stay, bit 10 is the first one cut off. A carry
        // out of the significand runs on into the exponent field, up to the infinity.
        const std::uint64_t cutOff = m_significand & 0x7FFu;
        const bool up = cutOff > 0x400u || (cutOff == 0x400u && (m_significand & 0x800u) != 0);
        const auto field = static_cast<std::uint64_t>(m_exponent + 1022);  // plus the implicit bit
        return bitCast<double>(sign | ((field << 52) + (m_significand >> 11) + (up ? 1u : 0u)));
    }
    const Rounded r = round(U128{0, m_significand}, false, m_exponent - 63, 53, -1022);
    if (r.significand == 0) return bitCast<double>(sign);
    if (r.exponent > 1023) return bitCast<double>(sign | kInfinity);
    if (r.exponent >= -1022) {
        const auto field = static_cast<std::uint64_t>(r.exponent + 1023);
        return bitCast<double>(sign | (field << 52) | ((r.significand >> 11) & kFraction));
    }
    // Subnormal: the significand in units of 2^-1074 (rounded to that grid already).
    return bitCast<double>(sign | (r.significand >> (11 + (-1022 - r.exponent))));
}

inline SoftExtended SoftExtended::truncated() const {
    if (m_kind == Kind::zero) return SoftExtended();
    if (m_kind != Kind::finite || m_exponent >= 63) return *this;
    if (m_exponent < 0) return SoftExtended();
    const int fractionBits = 63 - m_exponent;
    return make(Kind::finite, m_negative, m_significand >> fractionBits << fractionBits, m_exponent);
}

}  // namespace calc::detail
