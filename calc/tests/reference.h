// A slow, independent reference for the number conversions of the calculator.
//
// It shares no code with the library and uses no floating-point arithmetic at all: every
// value is held exactly, as big integers (GMP's, a significand and a power of two, or a
// fraction), and every rounding (to Double, to Single, to Extended) is done by comparing
// exact remainders. Values cross its interface as bit patterns, never as float or double, so
// that nothing is rounded behind its back. Speed is not a goal; being easy to check is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <gmpxx.h>

namespace reference {

struct DivModResult;

// ---------------------------------------------------------------------------------------
// Arbitrary-precision unsigned integer, held by GMP; the operations the reference needs.
// ---------------------------------------------------------------------------------------
class BigUint {
public:
    BigUint() = default;
    explicit BigUint(std::uint64_t value);

    // base^exponent.
    static BigUint power(std::uint32_t base, unsigned exponent);
    // Parses a string of decimal digits (nothing else allowed).
    static BigUint fromDecimal(std::string_view digits);

    bool isZero() const { return sgn(m_value) == 0; }
    std::size_t bitLength() const;
    bool testBit(std::size_t index) const;
    void setBit(std::size_t index);

    BigUint& addSmall(std::uint32_t addend);
    BigUint& mulSmall(std::uint32_t factor);
    // Divides in place by a nonzero divisor and returns the remainder.
    std::uint32_t divSmall(std::uint32_t divisor);
    BigUint& shiftLeft(std::size_t bits);
    BigUint& shiftRight(std::size_t bits);
    BigUint& operator+=(const BigUint& other);
    // Requires *this >= other.
    BigUint& operator-=(const BigUint& other);

    friend BigUint operator*(const BigUint& a, const BigUint& b);
    // -1, 0 or +1.
    friend int compare(const BigUint& a, const BigUint& b);

    // Requires bitLength() <= 64.
    std::uint64_t toU64() const;
    std::string toDecimal() const;

private:
    friend DivModResult divMod(const BigUint& n, const BigUint& d);
    mpz_class m_value;
};

// Quotient and remainder of n / d (d nonzero), by binary long division.
struct DivModResult {
    BigUint quotient;
    BigUint remainder;
};
DivModResult divMod(const BigUint& n, const BigUint& d);

// ---------------------------------------------------------------------------------------
// Reading numbers from text.
// ---------------------------------------------------------------------------------------

std::string foldFullWidth(std::string_view text);
std::int64_t readInteger64(std::string_view text);
std::int32_t textToInteger(std::string_view text);

// The real reading of a text (no folding). When the decimal value lies exactly on, or
// nearer than 2^-62 of its magnitude to, the midpoint of two adjacent Doubles, either
// Double is a correct reading: `doubleBits` is the round-to-nearest-even one and
// `otherDoubleBits` the other neighbour, and likewise for the Singles they round to.
// Otherwise the "other" fields repeat the main ones.
struct RealReading {
    std::uint64_t doubleBits = 0;
    std::uint64_t otherDoubleBits = 0;
    std::uint32_t singleBits = 0;
    std::uint32_t otherSingleBits = 0;
    bool nearDoubleMidpoint = false;
};
RealReading readReal(std::string_view text);

// readReal(text).singleBits, and the same after folding.
std::uint32_t readSingleBits(std::string_view text);
std::uint32_t textToSingleBits(std::string_view text);

// IEEE round-to-nearest-even conversion of a Double to a Single, on bit patterns.
std::uint32_t doubleToSingleBits(std::uint64_t doubleBits);

// The Double nearest to mantissa × 2^exponent2 (ties to even), or an infinity.
std::uint64_t nearestDoubleBits(const BigUint& mantissa, int exponent2, bool negative);

// ---------------------------------------------------------------------------------------
// Writing numbers as text.
// ---------------------------------------------------------------------------------------

std::string integerToText(std::int32_t value);
std::string formatSignificant(std::uint64_t doubleBits, int precision);
std::string doubleToText(std::uint64_t doubleBits);
std::string singleToText(std::uint32_t singleBits);

// The inner values of the six-digit rounding of a Single, for checking the reference
// against worked examples.
struct SixDigitTrace {
    int kFromExponent = 0;        // k of step 2
    int scaleCase = 0;            // step 5: 0 when m >= 10, 1 when m < 1 or NaN, 2 otherwise
    int kFinal = 0;               // k after step 5
    std::uint64_t yDoubleBits = 0;
    std::int64_t n = 0;           // the whole number of step 6 (finite cases only)
    std::uint64_t resultDoubleBits = 0;  // the Extended result rounded to binary64
};
SixDigitTrace roundSingleToSixDigits(std::uint32_t singleBits);

// ---------------------------------------------------------------------------------------
// Exact decimal texts, for building test inputs.
// ---------------------------------------------------------------------------------------

// The exact value of mantissa × 2^exponent2 as a decimal text. With `plainForm` the text has
// no exponent ("0.000123", "1234.5", "12"); otherwise it is the digits followed by an
// exponent ("123e-6"). Both forms read back as exactly that value.
std::string exactDecimalText(const BigUint& mantissa, int exponent2, bool plainForm);

}  // namespace reference
