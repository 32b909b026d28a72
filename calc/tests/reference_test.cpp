// Checks the slow reference itself against worked examples, so that the differential test
// compares the library with something known to be right. Nothing here uses the library.
#include "reference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using reference::BigUint;

TEST(ReferenceBigUint, ArithmeticAgreesWithKnownValues) {
    // 2^100 = 1267650600228229401496703205376, 5^50 = 88817841970012523233890533447265625.
    BigUint twoTo100(1);
    twoTo100.shiftLeft(100);
    EXPECT_EQ(twoTo100.toDecimal(), "1267650600228229401496703205376");
    EXPECT_EQ(BigUint::power(5, 50).toDecimal(), "88817841970012523233890533447265625");
    EXPECT_EQ((twoTo100 * BigUint::power(5, 100)).toDecimal(), "1" + std::string(100, '0'));

    const BigUint n = BigUint::fromDecimal("123456789012345678901234567890123456789");
    const BigUint d = BigUint::fromDecimal("9876543210987654321");
    const reference::DivModResult qr = reference::divMod(n, d);
    EXPECT_EQ(qr.quotient.toDecimal(), "12499999886093750001");
    EXPECT_EQ(qr.remainder.toDecimal(), "5420524680542052468");
    BigUint back = qr.quotient * d;
    back += qr.remainder;
    EXPECT_EQ(compare(back, n), 0);

    BigUint shifted = n;
    shifted.shiftLeft(77).shiftRight(77);
    EXPECT_EQ(compare(shifted, n), 0);
    shifted -= n;
    EXPECT_TRUE(shifted.isZero());
}

struct SingleRow {
    const char* name;
    std::uint32_t bits;
    int kFromExponent;
    int scaleCase;  // 0: m >= 10, 1: m < 1, 2: 1 <= m < 10
    int kFinal;
    std::int64_t n;
    const char* exactY;  // nullptr where y is not a short exact decimal
    const char* text;
};

TEST(ReferenceSingleRule, WorkedExamples) {
    const SingleRow rows[] = {
        {"zero", 0x00000000u, -38, 1, -39, 0, "0", "0"},
        {"24.93", 0x41C770A4u, 1, 2, 1, 249300, "249300.0030517578125", "24.93"},
        {"2.8", 0x40333333u, 0, 2, 0, 280000, "279999.99523162841796875", "2.8"},
        {"29916", 0x46E9B800u, 4, 2, 4, 299160, "299160", "29916"},
        {"1234567", 0x4996B438u, 6, 2, 6, 123457, nullptr, "1.23457e+006"},
        {"0.000123", 0x3900F990u, -3, 1, -4, 123000, nullptr, "0.000123"},
        {"-17.5", 0xC18C0000u, 1, 2, 1, 175000, "175000", "-17.5"},
        {"1e7", 0x4B189680u, 6, 0, 7, 100000, "100000", "1e+007"},
        {"3.4e38", 0x7F7FC99Eu, 38, 2, 38, 340000, nullptr, "3.4e+038"},
        {"1234565 exact half", 0x4996B428u, 6, 2, 6, 123457, "123456.5", "1.23457e+006"},
        {"123456.5 exact half", 0x47F12040u, 4, 0, 5, 123457, "123456.5", "123457"},
        {"999999.5 carries", 0x497423F8u, 5, 2, 5, 1000000, "999999.5", "1e+006"},
        {"99999.95 carries", 0x47C34FFAu, 4, 2, 4, 1000000, "999999.53125", "100000"},
        {"0.1", 0x3DCCCCCDu, -1, 2, -1, 100000, nullptr, "0.1"},
        {"1e-5", 0x3727C5ACu, -5, 1, -6, 1000000, nullptr, "1e-005"},
        {"largest finite", 0x7F7FFFFFu, 38, 2, 38, 340282, nullptr, "3.40282e+038"},
        {"largest subnormal", 0x007FFFFFu, -38, 2, -38, 117549, nullptr, "1.17549e-038"},
        {"four times smallest subnormal", 0x00000004u, -38, 1, -39, 1, nullptr, "1e-044"},
        {"smallest subnormal", 0x00000001u, -38, 1, -39, 0, nullptr, "0"},
    };
    for (const SingleRow& row : rows) {
        SCOPED_TRACE(row.name);
        const reference::SixDigitTrace trace = reference::roundSingleToSixDigits(row.bits);
        EXPECT_EQ(trace.kFromExponent, row.kFromExponent);
        EXPECT_EQ(trace.scaleCase, row.scaleCase);
        EXPECT_EQ(trace.kFinal, row.kFinal);
        EXPECT_EQ(trace.n, row.n);
        if (row.exactY != nullptr) {
            EXPECT_EQ(reference::readReal(row.exactY).doubleBits, trace.yDoubleBits);
            EXPECT_FALSE(reference::readReal(row.exactY).nearDoubleMidpoint);
        }
        EXPECT_EQ(reference::singleToText(row.bits), row.text);
    }
}

TEST(ReferenceSingleRule, SpecialValuesAndSigns) {
    const struct {
        const char* name;
        std::uint32_t bits;
        const char* text;
    } rows[] = {
        {"negative zero", 0x80000000u, "0"},
        {"+inf", 0x7F800000u, "1.#INF"},
        {"-inf", 0xFF800000u, "-1.#INF"},
        {"quiet NaN", 0x7FC00000u, "1.#QNAN"},
        {"negative quiet NaN", 0xFFC00000u, "1.#QNAN"},
        {"signalling NaN with payload", 0x7F800001u, "1.#QNAN"},
        {"negative NaN with payload", 0xFFA5A5A5u, "1.#QNAN"},
        {"999999", 0x497423F0u, "999999"},
        {"1000000", 0x49742400u, "1e+006"},
        {"0.0001", 0x38D1B717u, "0.0001"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(reference::singleToText(row.bits), row.text);
    }
}

TEST(ReferenceDoubleRule, WorkedExamples) {
    const struct {
        const char* name;
        std::uint64_t bits;
        const char* text;
    } rows[] = {
        {"123456.789", 0x40FE240C9FBE76C9u, "123456.789"},
        {"0.1 + 0.2", 0x3FD3333333333334u, "0.3"},
        {"1e15", 0x430C6BF526340000u, "1e+015"},
        {"1e-5", 0x3EE4F8B588E368F1u, "1e-005"},
        {"1e13", 0x42A2309CE5400000u, "1e+013"},
        {"9999999999999.5 carries", 0x42A2309CE53FFF00u, "1e+013"},
        {"1234567890123.5", 0x4271F71FB04CB800u, "1234567890124"},
        {"2 / 3", 0x3FE5555555555555u, "0.6666666666667"},
        {"-2.5e-7", 0xBE90C6F7A0B5ED8Du, "-2.5e-007"},
        {"nearest to 0.10000000000015", 0x3FB999999999C3D2u, "0.1000000000002"},
        {"check total", 0x40D262496A220000u, "18825.14710283"},
        {"39794.8701171875", 0x40E36E5BD8000000u, "39794.87011719"},
        {"1012.84173583984375", 0x408FA6BBE0000000u, "1012.84173584"},
        {"144994.328125", 0x4101B312A0000000u, "144994.328125"},
        {"zero", 0x0000000000000000u, "0"},
        {"negative zero", 0x8000000000000000u, "0"},
        {"0.0001", 0x3F1A36E2EB1C432Du, "0.0001"},
        {"largest finite", 0x7FEFFFFFFFFFFFFFu, "1.797693134862e+308"},
        {"smallest subnormal", 0x0000000000000001u, "4.940656458412e-324"},
        {"indefinite NaN", 0xFFF8000000000000u, "-1.#IND"},
        {"quiet NaN", 0x7FF8000000000000u, "1.#QNAN"},
        {"negative quiet NaN with payload", 0xFFF8000000000001u, "-1.#QNAN"},
        {"signalling NaN", 0x7FF0000000000001u, "1.#SNAN"},
        {"negative signalling NaN", 0xFFF0000000000001u, "-1.#SNAN"},
        {"+inf", 0x7FF0000000000000u, "1.#INF"},
        {"-inf", 0xFFF0000000000000u, "-1.#INF"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(reference::doubleToText(row.bits), row.text);
    }
    // The special strings look the same with six digits.
    EXPECT_EQ(reference::formatSignificant(0xFFF8000000000000u, 6), "-1.#IND");
    EXPECT_EQ(reference::formatSignificant(0x7FF0000000000001u, 6), "1.#SNAN");
    EXPECT_EQ(reference::formatSignificant(0xFFF0000000000000u, 6), "-1.#INF");
    EXPECT_EQ(reference::formatSignificant(0x416312D000000000u, 6), "1e+007");  // 1e7
}

TEST(ReferenceIntegerRule, Extremes) {
    EXPECT_EQ(reference::integerToText(0), "0");
    EXPECT_EQ(reference::integerToText(-5), "-5");
    EXPECT_EQ(reference::integerToText(2147483647), "2147483647");
    EXPECT_EQ(reference::integerToText(-2147483647 - 1), "-2147483648");
}

TEST(ReferenceReading, WorkedExamples) {
    const struct {
        const char* name;
        std::string text;
        std::int32_t integer;
        std::uint32_t singleBits;
    } rows[] = {
        {"premium default", "1000", 1000, 0x447A0000u},
        {"payout default", "24.93", 24, 0x41C770A4u},
        {"rate default", "2.8", 2, 0x40333333u},
        {"trailing junk", " 12abc", 12, 0x41400000u},
        {"full-width digits", "\xEF\xBC\x91\xEF\xBC\x92", 12, 0x41400000u},
        {"ideographic space", "\xE3\x80\x80\xEF\xBC\x91\xEF\xBC\x92", 12, 0x41400000u},
        {"full-width 1.5e3", "\xEF\xBC\x91\xEF\xBC\x8E\xEF\xBC\x95\xEF\xBD\x85\xEF\xBC\x93", 1,
         0x44BB8000u},
        {"empty", "", 0, 0x00000000u},
        {"letters", "abc", 0, 0x00000000u},
        {"minus five", "-5", -5, 0xC0A00000u},
        {"exponent e", "1e3", 1, 0x447A0000u},
        {"exponent d", "1d3", 1, 0x447A0000u},
        {"fraction", "12.9", 12, 0x414E6666u},
        {"leading point", ".5", 0, 0x3F000000u},
        {"negative zero", "-0", 0, 0x80000000u},
        {"two signs", "+-1", 0, 0x00000000u},
        {"space after sign", " - 5", 0, 0x00000000u},
        {"hexadecimal", "0x10", 0, 0x00000000u},
        {"grouping", "1,000", 1, 0x3F800000u},
        {"trailing yuan", "12\xE5\x85\x83", 12, 0x41400000u},
        {"exponent without digits", "1e+", 1, 0x3F800000u},
        {"sign after mantissa", "1+2", 1, 0x3F800000u},
        {"fractional exponent", "1.5e3.5", 1, 0x44BB8000u},
        {"wraps to negative", "3000000000", -1294967296, 0x4F32D05Eu},
        {"wraps to minimum", "2147483648", -2147483647 - 1, 0x4F000000u},
        {"wraps to maximum", "-2147483649", 2147483647, 0xCF000000u},
        {"long", "99999999999", 1215752191, 0x51BA43B7u},
        {"largest Single", "3.4028235e38", 3, 0x7F7FFFFFu},
        {"just past the largest", "3.4028236e38", 3, 0x7F800000u},
        {"overflow", "1e400", 1, 0x7F800000u},
        {"negative overflow", "-1e400", -1, 0xFF800000u},
        {"smallest subnormal", "1e-45", 1, 0x00000001u},
        {"underflow", "1e-46", 1, 0x00000000u},
        {"leading zeros", "007", 7, 0x40E00000u},
        {"point alone", ".", 0, 0x00000000u},
        {"sign alone", "-abc", 0, 0x00000000u},
        {"negative zero with point", "-0.0", 0, 0x80000000u},
        {"exponent saturates",
         "0." + std::string(5300, '0') + "1e5301", 0, 0x00000000u},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(reference::textToInteger(row.text), row.integer);
        EXPECT_EQ(reference::textToSingleBits(row.text), row.singleBits);
    }
    // The saturated exponent reads 10^-100 exactly as a Double, not 1.
    const std::string saturated = "0." + std::string(5300, '0') + "1e5301";
    EXPECT_EQ(reference::readReal(saturated).doubleBits, 0x2B2BFF2EE48E0530u);
    // The library's constants are the nearest Doubles to what they stand for.
    EXPECT_EQ(reference::readReal("1e-5").doubleBits, 0x3EE4F8B588E368F1u);
    EXPECT_EQ(reference::readReal("0.30102999566398119521373889472449302676818988").doubleBits,
              0x3FD34413509F79FFu);
}

TEST(ReferenceReading, IntegerReadingWrapsModulo2To64) {
    EXPECT_EQ(reference::readInteger64("  12abc"), 12);
    EXPECT_EQ(reference::readInteger64("9223372036854775808"), INT64_MIN);
    EXPECT_EQ(reference::readInteger64("18446744073709551617"), 1);
    EXPECT_EQ(reference::readInteger64("-9223372036854775809"), INT64_MAX);
    EXPECT_EQ(reference::readInteger64("\xEF\xBC\x91\xEF\xBC\x92"), 0);
    EXPECT_EQ(reference::readInteger64("+-1"), 0);
}

TEST(ReferenceReading, FoldingTable) {
    EXPECT_EQ(reference::foldFullWidth("\xEF\xBC\x81\xEF\xBD\x9D"), "!}");  // U+FF01, U+FF5D
    EXPECT_EQ(reference::foldFullWidth("\xEF\xBC\x84"), "\xEF\xBC\x84");   // U+FF04 stays
    EXPECT_EQ(reference::foldFullWidth("\xEF\xBF\xA5\xEF\xBF\xA3\xEF\xBD\x9E"), "$~~");
    EXPECT_EQ(reference::foldFullWidth("\xE2\x98\x85\xE2\x98\x86\xE3\x80\x80"), "** ");
    // Invalid and cut-off sequences are copied byte for byte.
    EXPECT_EQ(reference::foldFullWidth("\xEF\xBC"), "\xEF\xBC");
    EXPECT_EQ(reference::foldFullWidth("\xFF\xE3\xE3\x80\x80"), "\xFF\xE3 ");
}

TEST(ReferenceReading, MidpointsAreRecognised) {
    // 2^53 + 1 lies halfway between 2^53 and 2^53 + 2.
    const reference::RealReading half = reference::readReal("9007199254740993");
    EXPECT_TRUE(half.nearDoubleMidpoint);
    EXPECT_EQ(half.doubleBits, 0x4340000000000000u);       // even neighbour
    EXPECT_EQ(half.otherDoubleBits, 0x4340000000000001u);
    // Nearer than 2^-62 of the value to that midpoint: still either neighbour.
    EXPECT_TRUE(reference::readReal("9007199254740993.0001").nearDoubleMidpoint);
    // Far enough away: a single answer.
    const reference::RealReading above = reference::readReal("9007199254740993.01");
    EXPECT_FALSE(above.nearDoubleMidpoint);
    EXPECT_EQ(above.doubleBits, 0x4340000000000001u);
    // The midpoint between 1 and the next Single above is a Double; it rounds to even.
    EXPECT_EQ(reference::readSingleBits("1.000000059604644775390625"), 0x3F800000u);
    // A hair above it, but within half a Double step: the Double is that midpoint again.
    EXPECT_EQ(reference::readSingleBits("1.00000005960464477539062500000001"), 0x3F800000u);
    // Far enough above to reach the next Double: rounds up.
    EXPECT_EQ(reference::readSingleBits("1.000000059604645"), 0x3F800001u);
}

}  // namespace
