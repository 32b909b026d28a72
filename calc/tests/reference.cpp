// The slow reference for the number conversions: exact integers only, no floating point.
#include "reference.h"

#include <algorithm>
#include <cassert>

namespace reference {

// =======================================================================================
// BigUint: a thin layer over GMP's integers, so that the exact arithmetic here is a
// well-kept library's and not ours.
// =======================================================================================

static_assert(sizeof(unsigned long) == sizeof(std::uint64_t),
              "GMP's unsigned long must hold 64 bits for the conversions below");

BigUint::BigUint(std::uint64_t value) : m_value(static_cast<unsigned long>(value)) {}

BigUint BigUint::power(std::uint32_t base, unsigned exponent) {
    BigUint result;
    mpz_ui_pow_ui(result.m_value.get_mpz_t(), base, exponent);
    return result;
}

BigUint BigUint::fromDecimal(std::string_view digits) {
    BigUint result;
    if (digits.empty()) return result;
    assert(digits.find_first_not_of("0123456789") == std::string_view::npos);
    const int status = result.m_value.set_str(std::string(digits), 10);
    assert(status == 0);
    (void)status;
    return result;
}

std::size_t BigUint::bitLength() const {
    if (isZero()) return 0;
    return mpz_sizeinbase(m_value.get_mpz_t(), 2);
}

bool BigUint::testBit(std::size_t index) const {
    return mpz_tstbit(m_value.get_mpz_t(), static_cast<mp_bitcnt_t>(index)) != 0;
}

void BigUint::setBit(std::size_t index) {
    mpz_setbit(m_value.get_mpz_t(), static_cast<mp_bitcnt_t>(index));
}

BigUint& BigUint::addSmall(std::uint32_t addend) {
    m_value += static_cast<unsigned long>(addend);
    return *this;
}

BigUint& BigUint::mulSmall(std::uint32_t factor) {
    m_value *= static_cast<unsigned long>(factor);
    return *this;
}

std::uint32_t BigUint::divSmall(std::uint32_t divisor) {
    assert(divisor != 0);
    const unsigned long remainder =
        mpz_tdiv_q_ui(m_value.get_mpz_t(), m_value.get_mpz_t(), divisor);
    return static_cast<std::uint32_t>(remainder);
}

BigUint& BigUint::shiftLeft(std::size_t bits) {
    mpz_mul_2exp(m_value.get_mpz_t(), m_value.get_mpz_t(), static_cast<mp_bitcnt_t>(bits));
    return *this;
}

BigUint& BigUint::shiftRight(std::size_t bits) {
    mpz_tdiv_q_2exp(m_value.get_mpz_t(), m_value.get_mpz_t(), static_cast<mp_bitcnt_t>(bits));
    return *this;
}

BigUint& BigUint::operator+=(const BigUint& other) {
    m_value += other.m_value;
    return *this;
}

BigUint& BigUint::operator-=(const BigUint& other) {
    assert(compare(*this, other) >= 0);
    m_value -= other.m_value;
    return *this;
}

BigUint operator*(const BigUint& a, const BigUint& b) {
    BigUint result;
    result.m_value = a.m_value * b.m_value;
    return result;
}

int compare(const BigUint& a, const BigUint& b) {
    const int c = cmp(a.m_value, b.m_value);
    return (c > 0) - (c < 0);
}

std::uint64_t BigUint::toU64() const {
    assert(bitLength() <= 64);
    return static_cast<std::uint64_t>(m_value.get_ui());
}

std::string BigUint::toDecimal() const { return m_value.get_str(10); }

DivModResult divMod(const BigUint& n, const BigUint& d) {
    assert(!d.isZero());
    DivModResult result;
    mpz_tdiv_qr(result.quotient.m_value.get_mpz_t(), result.remainder.m_value.get_mpz_t(),
                n.m_value.get_mpz_t(), d.m_value.get_mpz_t());
    return result;
}

namespace {

// =======================================================================================
// Rounding an exact fraction to a given number of significant bits.
// =======================================================================================

constexpr int kNoMinimumExponent = -1000000;

// The value num / den × 2^exponent2 (num, den > 0) rounded to `bits` significant bits, to
// nearest with ties to even: significand × 2^exponent with significand < 2^bits. With a
// minimum exponent the last place never falls below 2^minExponent (gradual underflow).
struct RoundedFraction {
    BigUint significand;
    int exponent = 0;
    BigUint otherSignificand;  // the neighbour on the other side of the value
    int otherExponent = 0;
    bool exact = false;
    bool nearMidpoint = false;  // within 2^-62 of the value's magnitude of a midpoint
};

void normalise(BigUint& significand, int& exponent, int bits) {
    if (significand.bitLength() > static_cast<std::size_t>(bits)) {
        assert(significand.bitLength() == static_cast<std::size_t>(bits) + 1);
        significand.shiftRight(1);
        ++exponent;
    }
}

RoundedFraction roundFraction(const BigUint& num, const BigUint& den, long exponent2, int bits,
                              int minExponent) {
    assert(!num.isZero() && !den.isZero());
    // 1. t = floor(log2(num / den)) + exponent2, so the value lies in [2^t, 2^(t+1)).
    const long lengthDifference =
        static_cast<long>(num.bitLength()) - static_cast<long>(den.bitLength());
    BigUint a = num;
    BigUint b = den;
    if (lengthDifference >= 0) {
        b.shiftLeft(static_cast<std::size_t>(lengthDifference));
    } else {
        a.shiftLeft(static_cast<std::size_t>(-lengthDifference));
    }
    const long t = (compare(a, b) >= 0 ? lengthDifference : lengthDifference - 1) + exponent2;

    // 2. The weight of the last kept bit.
    long lastPlace = t - (bits - 1);
    if (lastPlace < minExponent) lastPlace = minExponent;

    // 3. Scaled value N / D = value / 2^lastPlace; its whole part and remainder.
    BigUint scaledNum = num;
    BigUint scaledDen = den;
    const long shift = exponent2 - lastPlace;
    if (shift >= 0) {
        scaledNum.shiftLeft(static_cast<std::size_t>(shift));
    } else {
        scaledDen.shiftLeft(static_cast<std::size_t>(-shift));
    }
    const DivModResult qr = divMod(scaledNum, scaledDen);

    // 4. Compare the remainder with one half: 2r against D.
    BigUint twiceRemainder = qr.remainder;
    twiceRemainder.shiftLeft(1);
    const int halfComparison = compare(twiceRemainder, scaledDen);
    const bool roundUp = halfComparison > 0 || (halfComparison == 0 && qr.quotient.testBit(0));

    // 5. Distance to the midpoint relative to the value: |2r - D| / (2N) < 2^-62.
    BigUint distance = halfComparison >= 0 ? twiceRemainder : scaledDen;
    distance -= halfComparison >= 0 ? scaledDen : twiceRemainder;
    distance.shiftLeft(61);

    RoundedFraction result;
    result.exact = qr.remainder.isZero();
    result.nearMidpoint = compare(distance, scaledNum) < 0;
    result.significand = qr.quotient;
    result.otherSignificand = qr.quotient;
    (roundUp ? result.significand : result.otherSignificand).addSmall(1);
    result.exponent = static_cast<int>(lastPlace);
    result.otherExponent = static_cast<int>(lastPlace);
    normalise(result.significand, result.exponent, bits);
    normalise(result.otherSignificand, result.otherExponent, bits);
    return result;
}

// =======================================================================================
// Bit patterns.
// =======================================================================================

constexpr std::uint64_t kDoubleSignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kDoubleFractionMask = (std::uint64_t{1} << 52) - 1;
constexpr std::uint64_t kDoubleInfinity = 0x7FF0000000000000u;
constexpr std::uint32_t kSingleSignBit = 0x80000000u;

// Encodes significand × 2^exponent (already rounded to 53 bits, last place >= 2^-1074) as
// a Double; 2^1024 or more becomes an infinity.
std::uint64_t encodeDouble(bool negative, const BigUint& significand, int exponent) {
    const std::uint64_t sign = negative ? kDoubleSignBit : 0;
    if (significand.isZero()) return sign;
    const std::uint64_t s = significand.toU64();
    if (significand.bitLength() < 53) {
        // Subnormal: the last place is 2^-1074 and the biased exponent field is 0.
        assert(exponent == -1074);
        return sign | s;
    }
    assert(significand.bitLength() == 53);
    const long biased = long{exponent} + 52 + 1023;
    if (biased >= 0x7FF) return sign | kDoubleInfinity;
    assert(biased >= 1);
    return sign | (static_cast<std::uint64_t>(biased) << 52) | (s & kDoubleFractionMask);
}

// A finite Double as sign, significand and power of two (value = significand × 2^exponent).
struct BinaryValue {
    bool negative = false;
    std::uint64_t significand = 0;
    int exponent = 0;
};

BinaryValue decodeFiniteDouble(std::uint64_t bits) {
    BinaryValue v;
    v.negative = (bits & kDoubleSignBit) != 0;
    const int field = static_cast<int>((bits >> 52) & 0x7FF);
    assert(field != 0x7FF);
    const std::uint64_t fraction = bits & kDoubleFractionMask;
    if (field == 0) {
        v.significand = fraction;
        v.exponent = -1074;
    } else {
        v.significand = fraction | (std::uint64_t{1} << 52);
        v.exponent = field - 1075;
    }
    return v;
}

// =======================================================================================
// Exact decimal expansions.
// =======================================================================================

// value = 0.digits × 10^pointPosition, digits without leading or trailing zeros.
struct DecimalExpansion {
    std::string digits;
    long pointPosition = 0;
};

DecimalExpansion expandDecimal(const BigUint& mantissa, int exponent2) {
    assert(!mantissa.isZero());
    DecimalExpansion e;
    if (exponent2 >= 0) {
        BigUint whole = mantissa;
        whole.shiftLeft(static_cast<std::size_t>(exponent2));
        e.digits = whole.toDecimal();
        e.pointPosition = static_cast<long>(e.digits.size());
    } else {
        // m / 2^j = m × 5^j / 10^j.
        const unsigned j = static_cast<unsigned>(-exponent2);
        const BigUint scaled = mantissa * BigUint::power(5, j);
        e.digits = scaled.toDecimal();
        e.pointPosition = static_cast<long>(e.digits.size()) - static_cast<long>(j);
    }
    while (e.digits.size() > 1 && e.digits.back() == '0') e.digits.pop_back();
    return e;
}

bool isSpace(unsigned char c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20; }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace

// =======================================================================================
// Reading.
// =======================================================================================

std::string foldFullWidth(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        // Every folded character is a three-byte sequence: 1110xxxx 10xxxxxx 10xxxxxx.
        if (i + 2 < text.size()) {
            const auto b0 = static_cast<unsigned char>(text[i]);
            const auto b1 = static_cast<unsigned char>(text[i + 1]);
            const auto b2 = static_cast<unsigned char>(text[i + 2]);
            if ((b0 & 0xF0) == 0xE0 && (b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80) {
                const unsigned codePoint = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
                unsigned replacement = 0;
                if (codePoint >= 0xFF01 && codePoint <= 0xFF5D && codePoint != 0xFF04) {
                    replacement = codePoint - 0xFEE0;
                } else if (codePoint == 0xFFE5) {
                    replacement = '$';
                } else if (codePoint == 0xFFE3 || codePoint == 0xFF5E) {
                    replacement = '~';
                } else if (codePoint == 0x3000) {
                    replacement = ' ';
                } else if (codePoint == 0x2605 || codePoint == 0x2606) {
                    replacement = '*';
                }
                if (replacement != 0) {
                    out.push_back(static_cast<char>(replacement));
                    i += 3;
                    continue;
                }
            }
        }
        out.push_back(text[i]);
        ++i;
    }
    return out;
}

std::int64_t readInteger64(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint64_t value = 0;  // unsigned: wraps modulo 2^64
    while (i < text.size() && isDigit(static_cast<unsigned char>(text[i]))) {
        value = value * 10u + static_cast<std::uint64_t>(text[i] - '0');
        ++i;
    }
    if (negative) value = 0u - value;
    return static_cast<std::int64_t>(value);
}

std::int32_t textToInteger(std::string_view text) {
    // Accumulated modulo 2^32 directly, rather than through the 64-bit reading.
    const std::string folded = foldFullWidth(text);
    std::size_t i = 0;
    while (i < folded.size() && isSpace(static_cast<unsigned char>(folded[i]))) ++i;
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
        negative = folded[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    while (i < folded.size() && isDigit(static_cast<unsigned char>(folded[i]))) {
        value = value * 10u + static_cast<std::uint32_t>(folded[i] - '0');
        ++i;
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::uint32_t doubleToSingleBits(std::uint64_t doubleBits) {
    const std::uint32_t sign = (doubleBits & kDoubleSignBit) != 0 ? kSingleSignBit : 0;
    const unsigned field = static_cast<unsigned>((doubleBits >> 52) & 0x7FF);
    const std::uint64_t fraction = doubleBits & kDoubleFractionMask;
    if (field == 0x7FF) {
        if (fraction == 0) return sign | 0x7F800000u;
        return sign | 0x7FC00000u | static_cast<std::uint32_t>(fraction >> 29);
    }
    // Zeros and subnormal Doubles (below 2^-1022) are far below half the smallest Single.
    if (field == 0) return sign;

    // value = m × 2^e with m of 53 bits, so floor(log2 value) = e + 52.
    const std::uint64_t m = fraction | (std::uint64_t{1} << 52);
    const int e = static_cast<int>(field) - 1075;
    // A Single keeps 24 bits; its last place is never below 2^-149.
    int lastPlace = std::max(e + 52 - 23, -149);
    const int shift = lastPlace - e;  // >= 29
    if (shift > 60) return sign;       // value < 2^(lastPlace-7): rounds to zero
    std::uint64_t q = m >> shift;
    const std::uint64_t remainder = m & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (remainder > half || (remainder == half && (q & 1u) != 0)) ++q;
    if (q == (std::uint64_t{1} << 24)) {
        q >>= 1;
        ++lastPlace;
    }
    if (q >= (std::uint64_t{1} << 23)) {
        const int biased = lastPlace + 23 + 127;
        if (biased >= 0xFF) return sign | 0x7F800000u;
        return sign | (static_cast<std::uint32_t>(biased) << 23) |
               static_cast<std::uint32_t>(q & 0x7FFFFFu);
    }
    assert(lastPlace == -149);
    return sign | static_cast<std::uint32_t>(q);
}

std::uint64_t nearestDoubleBits(const BigUint& mantissa, int exponent2, bool negative) {
    if (mantissa.isZero()) return negative ? kDoubleSignBit : 0;
    const RoundedFraction r = roundFraction(mantissa, BigUint(1), exponent2, 53, -1074);
    return encodeDouble(negative, r.significand, r.exponent);
}

RealReading readReal(std::string_view text) {
    RealReading result;
    std::size_t i = 0;
    while (i < text.size() && isSpace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Mantissa: digits with at most one point.
    std::string digits;
    long fractionDigits = 0;
    bool seenPoint = false;
    while (i < text.size()) {
        const char c = text[i];
        if (isDigit(static_cast<unsigned char>(c))) {
            digits.push_back(c);
            if (seenPoint) ++fractionDigits;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        ++i;
    }
    if (digits.empty()) return result;  // +0 whatever the sign

    // Exponent: a letter, an optional sign and at least one digit, or nothing at all.
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        bool exponentNegative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            exponentNegative = text[j] == '-';
            ++j;
        }
        if (j < text.size() && isDigit(static_cast<unsigned char>(text[j]))) {
            long magnitude = 0;
            while (j < text.size() && isDigit(static_cast<unsigned char>(text[j]))) {
                magnitude = std::min(magnitude * 10 + (text[j] - '0'), 5201L);
                ++j;
            }
            exponent = exponentNegative ? -magnitude : magnitude;
        }
    }

    // value = ±digits × 10^power, with the digits stripped of leading and trailing zeros.
    long power = exponent - fractionDigits;
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) {
        result.doubleBits = result.otherDoubleBits = negative ? kDoubleSignBit : 0;
        result.singleBits = result.otherSingleBits = negative ? kSingleSignBit : 0;
        return result;
    }
    digits.erase(0, firstNonZero);
    while (digits.back() == '0') {
        digits.pop_back();
        ++power;
    }
    const long digitCount = static_cast<long>(digits.size());

    // value lies in [10^(digitCount-1+power), 10^(digitCount+power)).
    if (digitCount - 1 + power >= 309) {
        // At least 1e309, beyond 2^1024.
        result.doubleBits = (negative ? kDoubleSignBit : 0) | kDoubleInfinity;
    } else if (digitCount + power <= -324) {
        // Below 1e-324, under 0.41 × 2^-1074: far from the first midpoint, 2^-1075.
        result.doubleBits = negative ? kDoubleSignBit : 0;
    } else {
        BigUint num = BigUint::fromDecimal(digits);
        BigUint den(1);
        if (power >= 0) {
            num = num * BigUint::power(10, static_cast<unsigned>(power));
        } else {
            den = BigUint::power(10, static_cast<unsigned>(-power));
        }
        const RoundedFraction r = roundFraction(num, den, 0, 53, -1074);
        result.doubleBits = encodeDouble(negative, r.significand, r.exponent);
        result.nearDoubleMidpoint = r.nearMidpoint;
        result.otherDoubleBits = r.nearMidpoint
                                     ? encodeDouble(negative, r.otherSignificand, r.otherExponent)
                                     : result.doubleBits;
    }
    if (!result.nearDoubleMidpoint) result.otherDoubleBits = result.doubleBits;
    result.singleBits = doubleToSingleBits(result.doubleBits);
    result.otherSingleBits = doubleToSingleBits(result.otherDoubleBits);
    return result;
}

std::uint32_t readSingleBits(std::string_view text) { return readReal(text).singleBits; }

std::uint32_t textToSingleBits(std::string_view text) {
    return readReal(foldFullWidth(text)).singleBits;
}

// =======================================================================================
// Writing.
// =======================================================================================

std::string integerToText(std::int32_t value) {
    std::uint32_t magnitude = static_cast<std::uint32_t>(value);
    if (value < 0) magnitude = 0u - magnitude;
    std::string reversed;
    do {
        reversed.push_back(static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) reversed.push_back('-');
    return std::string(reversed.rbegin(), reversed.rend());
}

std::string formatSignificant(std::uint64_t doubleBits, int precision) {
    assert(precision >= 1 && precision <= 17);
    const auto p = static_cast<std::size_t>(precision);
    const bool signBit = (doubleBits & kDoubleSignBit) != 0;
    const unsigned field = static_cast<unsigned>((doubleBits >> 52) & 0x7FF);
    const std::uint64_t fraction = doubleBits & kDoubleFractionMask;
    const std::uint64_t quietBit = std::uint64_t{1} << 51;

    // 1. The digit record: 0.digits × 10^E.
    bool minus = false;
    std::string digits;
    long E = 0;
    bool special = false;
    if (field == 0x7FF) {
        special = true;
        minus = signBit;
        E = 1;
        if (fraction != 0 && (fraction & quietBit) == 0) {
            digits = "1#SNAN";
        } else if (signBit && fraction == quietBit) {
            digits = "1#IND";
        } else if (fraction == 0) {
            digits = "1#INF";
        } else {
            digits = "1#QNAN";
        }
    } else if ((doubleBits & ~kDoubleSignBit) == 0) {
        digits = "0";
        E = 0;
    } else {
        minus = signBit;
        const BinaryValue v = decodeFiniteDouble(doubleBits);
        const DecimalExpansion exact = expandDecimal(BigUint(v.significand), v.exponent);
        E = exact.pointPosition;
        // Cut after 18 digits (missing digits are zeros), then round half up to 17.
        std::string first18 = exact.digits.substr(0, 18);
        first18.resize(18, '0');
        digits = first18.substr(0, 17);
        if (first18[17] >= '5') {
            std::size_t k = 17;
            while (k > 0 && digits[k - 1] == '9') {
                digits[k - 1] = '0';
                --k;
            }
            if (k == 0) {
                digits = "1" + std::string(16, '0');
                ++E;
            } else {
                ++digits[k - 1];
            }
        }
        while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    }

    // 2. Round to P digits, half up; special strings are only filled up.
    std::string rounded = digits.substr(0, p);
    rounded.resize(p, '0');
    if (!special && digits.size() > p && digits[p] >= '5') {
        std::size_t k = p;
        while (k > 0 && rounded[k - 1] == '9') {
            rounded[k - 1] = '0';
            --k;
        }
        if (k == 0) {
            rounded = "1" + std::string(p, '0');
            ++E;
        } else {
            ++rounded[k - 1];
        }
    }

    // 3.-5. Layout.
    const long X = E - 1;
    std::string text;
    bool exponentForm = X < -4 || X >= precision;
    std::string exponentPart;
    if (exponentForm) {
        text = rounded.substr(0, 1) + "." + rounded.substr(1, p - 1);
        const long magnitude = X < 0 ? -X : X;
        std::string three = std::to_string(magnitude);
        while (three.size() < 3) three.insert(0, "0");
        exponentPart = std::string("e") + (X < 0 ? "-" : "+") + three;
    } else {
        rounded.resize(p);
        if (E > 0) {
            text = rounded.substr(0, static_cast<std::size_t>(E)) + "." +
                   rounded.substr(static_cast<std::size_t>(E));
        } else {
            text = "0." + std::string(static_cast<std::size_t>(-E), '0') + rounded;
        }
    }
    // 6. Trailing zeros after the point, then a bare point, go.
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    text += exponentPart;
    // 7. The sign.
    return minus ? "-" + text : text;
}

std::string doubleToText(std::uint64_t doubleBits) { return formatSignificant(doubleBits, 13); }

// =======================================================================================
// The six-digit rounding of a Single, in exact Extended arithmetic.
// =======================================================================================

namespace {

// An Extended value: 64-bit significand, wide exponent, round to nearest with ties to even.
// The routine never overflows or underflows Extended, so the exponent is left unbounded.
struct Extended {
    enum class Kind { Zero, Finite, Infinite, NaN };
    Kind kind = Kind::Zero;
    bool negative = false;
    std::uint64_t significand = 0;  // Finite: value = significand × 2^exponent
    int exponent = 0;
};

Extended extendedFromFraction(bool negative, const BigUint& num, const BigUint& den, long exponent2) {
    Extended x;
    x.negative = negative;
    if (num.isZero()) return x;
    const RoundedFraction r = roundFraction(num, den, exponent2, 64, kNoMinimumExponent);
    x.kind = Extended::Kind::Finite;
    x.significand = r.significand.toU64();
    x.exponent = r.exponent;
    return x;
}

Extended extendedFromDoubleBits(std::uint64_t bits) {
    Extended x;
    x.negative = (bits & kDoubleSignBit) != 0;
    const unsigned field = static_cast<unsigned>((bits >> 52) & 0x7FF);
    if (field == 0x7FF) {
        x.kind = (bits & kDoubleFractionMask) == 0 ? Extended::Kind::Infinite : Extended::Kind::NaN;
        return x;
    }
    if ((bits & ~kDoubleSignBit) == 0) return x;
    const BinaryValue v = decodeFiniteDouble(bits);
    x.kind = Extended::Kind::Finite;
    x.significand = v.significand;
    x.exponent = v.exponent;
    return x;
}

Extended extendedFromSingleBits(std::uint32_t bits) {
    Extended x;
    x.negative = (bits & kSingleSignBit) != 0;
    const unsigned field = (bits >> 23) & 0xFF;
    const std::uint32_t fraction = bits & 0x7FFFFFu;
    if (field == 0xFF) {
        x.kind = fraction == 0 ? Extended::Kind::Infinite : Extended::Kind::NaN;
        return x;
    }
    if (field == 0 && fraction == 0) return x;
    x.kind = Extended::Kind::Finite;
    x.significand = field == 0 ? fraction : (fraction | 0x800000u);
    x.exponent = field == 0 ? -149 : static_cast<int>(field) - 150;
    return x;
}

Extended extendedConstant(std::uint64_t doubleBits) { return extendedFromDoubleBits(doubleBits); }

Extended multiply(const Extended& a, const Extended& b) {
    // A NaN operand passes through with its own sign.
    if (a.kind == Extended::Kind::NaN) return a;
    if (b.kind == Extended::Kind::NaN) return b;
    Extended r;
    r.negative = a.negative != b.negative;
    if (a.kind == Extended::Kind::Infinite || b.kind == Extended::Kind::Infinite) {
        assert(a.kind != Extended::Kind::Zero && b.kind != Extended::Kind::Zero);
        r.kind = Extended::Kind::Infinite;
        return r;
    }
    if (a.kind == Extended::Kind::Zero || b.kind == Extended::Kind::Zero) return r;
    return extendedFromFraction(r.negative, BigUint(a.significand) * BigUint(b.significand),
                                BigUint(1), long{a.exponent} + b.exponent);
}

Extended divide(const Extended& a, const Extended& b) {
    if (a.kind == Extended::Kind::NaN) return a;
    if (b.kind == Extended::Kind::NaN) return b;
    // The routine only ever divides by a finite, nonzero power-of-ten scale.
    assert(b.kind == Extended::Kind::Finite);
    Extended r;
    r.negative = a.negative != b.negative;
    if (a.kind == Extended::Kind::Infinite) {
        r.kind = Extended::Kind::Infinite;
        return r;
    }
    if (a.kind == Extended::Kind::Zero) return r;
    return extendedFromFraction(r.negative, BigUint(a.significand), BigUint(b.significand),
                                long{a.exponent} - b.exponent);
}

// Rounds an Extended value to binary64. A NaN becomes the quiet NaN of its sign.
std::uint64_t toDoubleBits(const Extended& x) {
    const std::uint64_t sign = x.negative ? kDoubleSignBit : 0;
    switch (x.kind) {
        case Extended::Kind::Zero: return sign;
        case Extended::Kind::Infinite: return sign | kDoubleInfinity;
        case Extended::Kind::NaN: return sign | 0x7FF8000000000000u;
        case Extended::Kind::Finite: break;
    }
    const RoundedFraction r = roundFraction(BigUint(x.significand), BigUint(1), x.exponent, 53, -1074);
    return encodeDouble(x.negative, r.significand, r.exponent);
}

// Compares a non-NaN Extended value with the positive number numerator × 2^exponent2.
int compareWith(const Extended& x, std::uint64_t numerator, int exponent2) {
    if (x.kind == Extended::Kind::Zero || x.negative) return -1;
    if (x.kind == Extended::Kind::Infinite) return 1;
    BigUint a(x.significand);
    BigUint b(numerator);
    const int common = std::min(x.exponent, exponent2);
    a.shiftLeft(static_cast<std::size_t>(x.exponent - common));
    b.shiftLeft(static_cast<std::size_t>(exponent2 - common));
    return compare(a, b);
}

// The binary64 constants of the routine, by bit pattern.
constexpr std::uint64_t kLog10Of2Bits = 0x3FD34413509F79FFu;   // log10(2), nearest binary64
constexpr std::uint64_t kTenToMinus5Bits = 0x3EE4F8B588E368F1u;  // nearest binary64 to 1e-5
constexpr std::uint64_t kTenBits = 0x4024000000000000u;         // 10.0

std::uint64_t tenToThePowerBits(int exponent) {
    assert(exponent >= 0);
    return nearestDoubleBits(BigUint::power(10, static_cast<unsigned>(exponent)), 0, false);
}

}  // namespace

SixDigitTrace roundSingleToSixDigits(std::uint32_t singleBits) {
    SixDigitTrace trace;
    const Extended x = extendedFromSingleBits(singleBits);

    // 1. e: the biased exponent field minus 127, as a signed 8-bit value.
    const int field = static_cast<int>((singleBits >> 23) & 0xFF);
    int e = field - 127;
    if (e > 127) e -= 256;

    // 2. k = e × L cut toward zero. L = lSig × 2^-54 exactly, and |e × lSig| < 2^61.
    const BinaryValue l = decodeFiniteDouble(kLog10Of2Bits);
    assert(l.exponent == -54);
    const std::int64_t product = std::int64_t{e} * static_cast<std::int64_t>(l.significand);
    const std::int64_t magnitude = (product < 0 ? -product : product) >> 54;
    int k = static_cast<int>(product < 0 ? -magnitude : magnitude);
    trace.kFromExponent = k;

    // 3. p = 10^|k| as binary64.
    std::uint64_t pBits = tenToThePowerBits(k < 0 ? -k : k);

    // 4. m = |x| ÷ p or |x| × p, in Extended.
    Extended absX = x;
    absX.negative = false;
    Extended m = k > 0 ? divide(absX, extendedConstant(pBits)) : multiply(absX, extendedConstant(pBits));

    // 5. Bring m into [1, 10) by one step; y = m × scale in Extended, then binary64.
    std::uint64_t scaleBits = 0;
    const bool mIsNaN = m.kind == Extended::Kind::NaN;
    if (!mIsNaN && compareWith(m, 10, 0) >= 0) {
        trace.scaleCase = 0;
        pBits = toDoubleBits(multiply(extendedConstant(pBits), extendedConstant(kTenBits)));
        ++k;
        scaleBits = 0x40C3880000000000u;  // 10000.0
    } else if (mIsNaN || compareWith(m, 1, 0) < 0) {
        trace.scaleCase = 1;
        pBits = toDoubleBits(multiply(extendedConstant(pBits), extendedConstant(kTenBits)));
        --k;
        scaleBits = 0x412E848000000000u;  // 1000000.0
    } else {
        trace.scaleCase = 2;
        scaleBits = 0x40F86A0000000000u;  // 100000.0
    }
    trace.kFinal = k;
    trace.yDoubleBits = toDoubleBits(multiply(m, extendedConstant(scaleBits)));
    const Extended y = extendedFromDoubleBits(trace.yDoubleBits);

    // 6. n = y cut toward zero, plus one when the cut-off fraction is at least one half.
    Extended n = y;
    if (y.kind == Extended::Kind::Finite) {
        assert(!y.negative);
        // y = s × 2^exp; whole = s >> -exp; fraction >= 1/2 when bit (-exp - 1) of s is set.
        BigUint whole(y.significand);
        bool roundUp = false;
        if (y.exponent < 0) {
            const auto cut = static_cast<std::size_t>(-y.exponent);
            roundUp = BigUint(y.significand).testBit(cut - 1);
            whole.shiftRight(cut);
        } else {
            whole.shiftLeft(static_cast<std::size_t>(y.exponent));
        }
        if (roundUp) whole.addSmall(1);
        n = extendedFromFraction(false, whole, BigUint(1), 0);
        trace.n = static_cast<std::int64_t>(whole.toU64());
    }

    // 7. q = -p for a negative or NaN x.
    Extended q = extendedConstant(pBits);
    const bool xIsNaN = x.kind == Extended::Kind::NaN;
    const bool xNegative = x.kind != Extended::Kind::Zero && x.negative;  // -0 < 0 is false
    if (xNegative || xIsNaN) q.negative = true;

    // 8. Scale back.
    Extended r;
    if (k > 0) {
        r = multiply(n, multiply(q, extendedConstant(kTenToMinus5Bits)));
    } else {
        r = divide(n, multiply(q, extendedConstant(0x40F86A0000000000u)));  // 100000.0
    }
    trace.resultDoubleBits = toDoubleBits(r);
    return trace;
}

std::string singleToText(std::uint32_t singleBits) {
    return formatSignificant(roundSingleToSixDigits(singleBits).resultDoubleBits, 6);
}

// =======================================================================================
// Exact decimal texts.
// =======================================================================================

std::string exactDecimalText(const BigUint& mantissa, int exponent2, bool plainForm) {
    if (mantissa.isZero()) return "0";
    const DecimalExpansion e = expandDecimal(mantissa, exponent2);
    const long length = static_cast<long>(e.digits.size());
    if (!plainForm) return e.digits + "e" + std::to_string(e.pointPosition - length);
    if (e.pointPosition <= 0) {
        return "0." + std::string(static_cast<std::size_t>(-e.pointPosition), '0') + e.digits;
    }
    if (e.pointPosition >= length) {
        return e.digits + std::string(static_cast<std::size_t>(e.pointPosition - length), '0');
    }
    const auto split = static_cast<std::size_t>(e.pointPosition);
    return e.digits.substr(0, split) + "." + e.digits.substr(split);
}

}  // namespace reference
