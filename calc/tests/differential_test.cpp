// Differential test: the library's number conversions against the slow exact reference,
// on seeded random inputs and on inputs built to sit on rounding boundaries.
//
// The seed is printed with every mismatch; set CORVANE_DIFF_SEED (decimal or 0x-hex) to
// replay a run. Each test mixes its own name into the seed, so one seed replays them all.
#include "reference.h"

#include <calc/calc.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using reference::BigUint;

constexpr std::uint64_t kDefaultSeed = 0xC0A1'5EED'2024'0001u;

std::uint64_t runSeed() {
    const char* text = std::getenv("CORVANE_DIFF_SEED");
    if (text != nullptr && *text != '\0') return std::strtoull(text, nullptr, 0);
    return kDefaultSeed;
}

// ---------------------------------------------------------------------------------------
// Bit patterns and printing.
// ---------------------------------------------------------------------------------------

std::uint32_t bitsOf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float singleFromBits(std::uint32_t bits) {
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double doubleFromBits(std::uint64_t bits) {
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string hex(std::uint64_t value, int width) {
    std::ostringstream out;
    out << "0x" << std::hex << std::uppercase << std::setw(width) << std::setfill('0') << value;
    return out.str();
}
std::string hex32(std::uint32_t bits) { return hex(bits, 8); }
std::string hex64(std::uint64_t bits) { return hex(bits, 16); }

// A text as a C string literal, with long texts shortened in the middle.
std::string escaped(const std::string& text) {
    std::string body;
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            body += '\\';
            body += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            body += static_cast<char>(c);
        } else {
            body += "\\x" + hex(c, 2).substr(2);
        }
    }
    if (body.size() > 240) {
        body = body.substr(0, 100) + "\" ...(" + std::to_string(text.size()) + " bytes)... \"" +
               body.substr(body.size() - 100);
    }
    return "\"" + body + "\"";
}

// ---------------------------------------------------------------------------------------
// Seeded draws and the mismatch log.
// ---------------------------------------------------------------------------------------

class Differential : public ::testing::Test {
protected:
    void SetUp() override {
        m_seed = runSeed();
        // FNV-1a of the test's name, so that each test draws its own numbers.
        std::uint64_t salt = 0xCBF29CE484222325u;
        for (const char* p = ::testing::UnitTest::GetInstance()->current_test_info()->name(); *p;
             ++p) {
            salt = (salt ^ static_cast<unsigned char>(*p)) * 0x100000001B3u;
        }
        m_rng.seed(m_seed ^ salt);
    }

    void TearDown() override {
        if (m_mismatches > kShownMismatches) {
            ADD_FAILURE() << m_mismatches << " mismatches in all; seed " << hex64(m_seed);
        }
    }

    // Records one disagreement; only the first few are printed in full.
    void mismatch(const std::string& what) {
        ++m_mismatches;
        if (m_mismatches <= kShownMismatches) {
            ADD_FAILURE() << "seed " << hex64(m_seed) << " (CORVANE_DIFF_SEED)\n" << what;
        }
    }

    std::uint64_t bits64() { return m_rng(); }
    std::uint32_t bits32() { return static_cast<std::uint32_t>(m_rng() >> 32); }
    // A whole number in [low, high].
    long between(long low, long high) {
        return std::uniform_int_distribution<long>(low, high)(m_rng);
    }
    bool chance(double probability) { return std::bernoulli_distribution(probability)(m_rng); }
    template <typename T, std::size_t N>
    const T& pick(const T (&choices)[N]) {
        return choices[static_cast<std::size_t>(between(0, static_cast<long>(N) - 1))];
    }

    // ---- comparisons ----

    void compareSingleToText(std::uint32_t bits) {
        const std::string library = calc::singleToText(singleFromBits(bits));
        const std::string expected = reference::singleToText(bits);
        if (library != expected) {
            mismatch("singleToText(" + hex32(bits) + "): library \"" + library +
                     "\", reference \"" + expected + "\"");
        }
    }

    void compareDoubleTexts(std::uint64_t bits) {
        const double value = doubleFromBits(bits);
        const std::string library = calc::doubleToText(value);
        const std::string expected = reference::doubleToText(bits);
        if (library != expected) {
            mismatch("doubleToText(" + hex64(bits) + "): library \"" + library +
                     "\", reference \"" + expected + "\"");
        }
        const std::string library6 = calc::formatSignificant(value, 6);
        const std::string expected6 = reference::formatSignificant(bits, 6);
        if (library6 != expected6) {
            mismatch("formatSignificant(" + hex64(bits) + ", 6): library \"" + library6 +
                     "\", reference \"" + expected6 + "\"");
        }
    }

    // Real reading: the library must give the reference's Single, or, where the decimal
    // value sits on (or within 2^-62 of) a Double midpoint, the Single of either Double.
    void compareRealReading(const char* name, const std::string& text, float libraryResult,
                            const reference::RealReading& expected) {
        const std::uint32_t got = bitsOf(libraryResult);
        if (got == expected.singleBits || got == expected.otherSingleBits) return;
        std::string message = std::string(name) + "(" + escaped(text) + "): library " +
                              hex32(got) + ", reference " + hex32(expected.singleBits) +
                              " (from Double " + hex64(expected.doubleBits) + ")";
        if (expected.nearDoubleMidpoint) {
            message += " or " + hex32(expected.otherSingleBits) + " (from Double " +
                       hex64(expected.otherDoubleBits) + ")";
        }
        mismatch(message);
    }

    void compareReadings(const std::string& text) {
        const std::string libraryFolded = calc::foldFullWidth(text);
        const std::string folded = reference::foldFullWidth(text);
        if (libraryFolded != folded) {
            mismatch("foldFullWidth(" + escaped(text) + "): library " + escaped(libraryFolded) +
                     ", reference " + escaped(folded));
        }
        const std::int64_t library64 = calc::readInteger64(text);
        const std::int64_t expected64 = reference::readInteger64(text);
        if (library64 != expected64) {
            mismatch("readInteger64(" + escaped(text) + "): library " + std::to_string(library64) +
                     ", reference " + std::to_string(expected64));
        }
        const std::int32_t library32 = calc::textToInteger(text);
        const std::int32_t expected32 = reference::textToInteger(text);
        if (library32 != expected32) {
            mismatch("textToInteger(" + escaped(text) + "): library " + std::to_string(library32) +
                     ", reference " + std::to_string(expected32));
        }
        compareRealReading("readSingle", text, calc::readSingle(text), reference::readReal(text));
        compareRealReading("textToSingle", text, calc::textToSingle(text),
                           reference::readReal(folded));
    }

    std::mt19937_64 m_rng;

private:
    static constexpr int kShownMismatches = 12;
    std::uint64_t m_seed = 0;
    int m_mismatches = 0;
};

// ---------------------------------------------------------------------------------------
// Building values.
// ---------------------------------------------------------------------------------------

struct Binary {
    BigUint mantissa;
    int exponent2 = 0;  // value = mantissa × 2^exponent2
};

// The exact value of a finite, non-negative Single.
Binary singleValue(std::uint32_t bits) {
    const std::uint32_t field = (bits >> 23) & 0xFF;
    const std::uint32_t fraction = bits & 0x7FFFFF;
    if (field == 0) return {BigUint(fraction), -149};
    return {BigUint(fraction | 0x800000u), static_cast<int>(field) - 150};
}

// The exact value of a finite, non-negative Double.
Binary doubleValue(std::uint64_t bits) {
    const std::uint64_t field = (bits >> 52) & 0x7FF;
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (field == 0) return {BigUint(fraction), -1074};
    return {BigUint(fraction | (std::uint64_t{1} << 52)), static_cast<int>(field) - 1075};
}

// The midpoint of `low` and the next value up, whose last place is 2^exponent2:
// (2 × mantissa + 1) × 2^(exponent2 - 1).
Binary midpointAbove(const Binary& low) {
    Binary mid{low.mantissa, low.exponent2 - 1};
    mid.mantissa.shiftLeft(1).addSmall(1);
    return mid;
}

// digits × 10^exponent10 written plainly ("0.00123", "1230") or as digits and exponent.
std::string decimalText(const std::string& digits, long exponent10, bool plainForm) {
    if (!plainForm) return digits + "e" + std::to_string(exponent10);
    const long length = static_cast<long>(digits.size());
    const long point = length + exponent10;  // digits before the point
    if (exponent10 >= 0) return digits + std::string(static_cast<std::size_t>(exponent10), '0');
    if (point <= 0) return "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    const auto split = static_cast<std::size_t>(point);
    return digits.substr(0, split) + "." + digits.substr(split);
}

// A decimal text for the exact value of `value`, moved up or down by one unit in the
// `extraDigits`-th digit beyond its last (direction 0: unchanged).
std::string nudgedText(const Binary& value, int direction, unsigned extraDigits, bool plainForm) {
    const std::string exact = reference::exactDecimalText(value.mantissa, value.exponent2, false);
    const std::size_t e = exact.find('e');
    BigUint digits = BigUint::fromDecimal(exact.substr(0, e));
    long exponent10 = std::stol(exact.substr(e + 1));
    if (direction != 0) {
        for (unsigned i = 0; i < extraDigits; ++i) digits.mulSmall(10);
        exponent10 -= static_cast<long>(extraDigits);
        if (direction > 0) {
            digits.addSmall(1);
        } else {
            digits -= BigUint(1);
        }
    }
    return decimalText(digits.toDecimal(), exponent10, plainForm);
}

// =======================================================================================
// Writing.
// =======================================================================================

TEST_F(Differential, SingleToTextOnRandomBitPatternsOfEveryClass) {
    for (int i = 0; i < 4000; ++i) {
        const std::uint32_t sign = chance(0.5) ? 0x80000000u : 0;
        const std::uint32_t fraction = bits32() & 0x7FFFFFu;
        const auto field = [&](long low, long high) {
            return static_cast<std::uint32_t>(between(low, high)) << 23;
        };
        std::uint32_t bits = 0;
        switch (between(0, 6)) {
            case 0: bits = bits32(); break;                                  // anything
            case 1:
            case 2: bits = sign | field(1, 254) | fraction; break;           // normal
            case 3: bits = sign | (fraction == 0 ? 1 : fraction); break;     // subnormal
            case 4: bits = sign | (chance(0.5) ? 0x7F800000u : 0); break;    // infinity, zero
            case 5: bits = sign | 0x7F800000u | (fraction == 0 ? 1 : fraction); break;  // NaN
            default: bits = sign | field(100, 160) | fraction; break;        // 1e-8 to 1e10
        }
        compareSingleToText(bits);
    }
}

// Singles whose decimal value has exactly seven significant digits, the last a 5: the
// six-digit rounding meets an exact half (y = n + 0.5) and must round it up. Every such
// Single is d × 10^t with d = 1000005 ... 9999995 and -10 <= t <= 1; for t < 0, 5^|t|
// divides d. Their neighbours one step away test the sides of that half.
TEST_F(Differential, SingleToTextWhenTheSeventhDigitIsAnExactFive) {
    for (int i = 0; i < 1500; ++i) {
        const int t = static_cast<int>(between(-10, 1));
        const unsigned fives = static_cast<unsigned>(t < 0 ? -t : 1);
        const std::uint64_t step = BigUint::power(5, fives).toU64();
        const std::uint64_t highest = t == 1 ? 3355443 : 9999995;  // t = 1: d × 5 < 2^24
        // d: an odd multiple of 5^fives (so it ends in 5) within [1000005, highest].
        const std::uint64_t firstMultiple = (1000005 + step - 1) / step;
        const std::uint64_t lastMultiple = highest / step;
        if (firstMultiple > lastMultiple) continue;
        std::uint64_t multiple = static_cast<std::uint64_t>(
            between(static_cast<long>(firstMultiple), static_cast<long>(lastMultiple)));
        if (multiple % 2 == 0) {
            if (multiple + 1 <= lastMultiple) {
                ++multiple;
            } else {
                --multiple;
            }
        }
        if (multiple < firstMultiple) continue;
        const std::uint64_t d = multiple * step;
        // value = d × 10^t = mantissa × 2^t, with mantissa = d × 5^t for t >= 0 and
        // d / 5^|t| for t < 0; in both cases below 2^24.
        const BigUint mantissa(t > 0 ? d * 5 : (t == 0 ? d : multiple));
        const std::uint32_t bits =
            reference::doubleToSingleBits(reference::nearestDoubleBits(mantissa, t, false));
        // The construction must give a Single holding exactly d × 10^t.
        const Binary held = singleValue(bits);
        ASSERT_EQ(reference::exactDecimalText(held.mantissa, held.exponent2, false),
                  std::to_string(d) + "e" + std::to_string(t))
            << "d " << d << ", t " << t;
        const std::uint32_t sign = chance(0.5) ? 0x80000000u : 0;
        compareSingleToText(sign | bits);
        compareSingleToText(sign | (bits + 1));
        compareSingleToText(sign | (bits - 1));
    }
}

// Singles at and next to the Single nearest each power of ten, and next to the values
// where six-digit rounding carries into a new decade (9.999995 × 10^k).
TEST_F(Differential, SingleToTextNextToPowersOfTen) {
    for (int k = -45; k <= 38; ++k) {
        for (const char* leading : {"1e", "9.999995e", "9.99999e", "5e"}) {
            const std::uint32_t nearest = reference::readSingleBits(leading + std::to_string(k));
            for (std::uint32_t offset = 0; offset <= 6; ++offset) {
                const std::uint32_t bits = nearest + offset - 3;
                if (bits > 0x7F7FFFFFu) continue;  // stay finite and non-negative
                compareSingleToText(bits);
                compareSingleToText(bits | 0x80000000u);
            }
        }
    }
}

TEST_F(Differential, DoubleToTextOnRandomBitPatternsOfEveryClass) {
    const std::uint64_t specials[] = {
        0xFFF8000000000000u, 0x7FF8000000000000u, 0xFFF8000000000001u, 0x7FF0000000000001u,
        0xFFF0000000000001u, 0x7FF0000000000000u, 0xFFF0000000000000u, 0x0000000000000000u,
        0x8000000000000000u, 0x0000000000000001u, 0x000FFFFFFFFFFFFFu, 0x0010000000000000u,
        0x7FEFFFFFFFFFFFFFu, 0x7FFFFFFFFFFFFFFFu, 0xFFF7FFFFFFFFFFFFu, 0x7FF4000000000000u,
    };
    for (std::uint64_t bits : specials) compareDoubleTexts(bits);
    for (int i = 0; i < 4000; ++i) {
        const std::uint64_t sign = chance(0.5) ? std::uint64_t{1} << 63 : 0;
        const std::uint64_t fraction = bits64() & ((std::uint64_t{1} << 52) - 1);
        const auto field = [&](long low, long high) {
            return static_cast<std::uint64_t>(between(low, high)) << 52;
        };
        std::uint64_t bits = 0;
        switch (between(0, 5)) {
            case 0: bits = bits64(); break;                                 // anything
            case 1: bits = sign | field(1, 2046) | fraction; break;         // normal
            case 2:
            case 3: bits = sign | field(1023 - 100, 1023 + 100) | fraction; break;  // 1e-30 to 1e30
            case 4: bits = sign | (fraction == 0 ? 1 : fraction); break;    // subnormal
            default:  // NaN
                bits = sign | 0x7FF0000000000000u | (fraction == 0 ? 1 : fraction);
                break;
        }
        compareDoubleTexts(bits);
    }
}

// Doubles on and beside the places where the digit rounding turns: the 18th digit against
// 5 (the cut to 17), the 14th (P = 13) and the 7th (P = 6), and runs of 9s that carry.
TEST_F(Differential, DoubleToTextNearDigitRoundingBoundaries) {
    const char* const tails[] = {"5", "5", "49999", "50001", "4999999999", "5000000001"};
    for (int i = 0; i < 2500; ++i) {
        const int kept = static_cast<int>(pick({6, 13, 17, 17}));
        std::string digits;
        if (chance(0.2)) {
            digits.assign(static_cast<std::size_t>(kept), '9');
        } else {
            digits.push_back(static_cast<char>('1' + between(0, 8)));
            for (int j = 1; j < kept; ++j) digits.push_back(static_cast<char>('0' + between(0, 9)));
        }
        digits += pick(tails);
        // Mostly ordinary magnitudes, sometimes anywhere in the Double range.
        const long exponent10 = chance(0.8) ? between(-30, 20) : between(-340, 290);
        const std::string text = decimalText(digits, exponent10, false);
        const std::uint64_t nearest = reference::readReal(text).doubleBits;
        const std::uint64_t sign = chance(0.5) ? std::uint64_t{1} << 63 : 0;
        for (std::uint64_t offset = 0; offset <= 4; ++offset) {
            const std::uint64_t bits = (nearest & ~(std::uint64_t{1} << 63)) + offset - 2;
            if (bits > 0x7FEFFFFFFFFFFFFFu) continue;
            compareDoubleTexts(sign | bits);
        }
    }
}

TEST_F(Differential, IntegerToText) {
    for (std::int32_t value : {0, 1, -1, 9, 10, -10, 2147483647, -2147483647 - 1}) {
        EXPECT_EQ(calc::integerToText(value), reference::integerToText(value)) << value;
    }
    for (int i = 0; i < 2000; ++i) {
        const auto value = static_cast<std::int32_t>(bits32() >> between(0, 31));
        const std::int32_t signedValue =
            chance(0.5) ? value : static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value));
        const std::string library = calc::integerToText(signedValue);
        const std::string expected = reference::integerToText(signedValue);
        if (library != expected) {
            mismatch("integerToText(" + std::to_string(signedValue) + "): library \"" + library +
                     "\", reference \"" + expected + "\"");
        }
    }
}

// =======================================================================================
// Reading.
// =======================================================================================

// Texts at the edges of the grammar and of the ranges, read by all four readings.
TEST_F(Differential, ReadingEdgeTexts) {
    const std::string texts[] = {
        "", " ", "\t\n\v\f\r 7", "+", "-", ".", "-.", "+.e1", "e5", "1e", "1e+", "1e-x", "1ex",
        "1.", ".5", "5.e3", "1..2", "1.2.3", "--1", "+-1", "- 1", "1 2", "1,5", "0x1p3", "inf",
        "nan", "-0", "-0.000e99999", "+0", "00000000000000000000000000001",
        "1d3", "1D-3", "1E+3", "2.5e-0", "3.4028235e38", "3.4028236e38", "-3.40282357e38",
        "3.4028235677973366e38", "3.4028235677973365e38", "3.4028235677973367e38",
        "1.1754942e-38", "1.17549435e-38", "1.4e-45", "7.006492321624085e-46",
        "7.006492321624086e-46", "7.0064923216240854e-46", "1e-45", "1e-46",
        "2.2250738585072014e-308",
        "4.9406564584124654e-324", "2.4703282292062327e-324", "2.4703282292062328e-324",
        "1.7976931348623157e308", "1.7976931348623158e308", "1.7976931348623159e308", "1e309",
        "1e5200", "1e5201", "1e5202", "1e-5200", "1e-5201", "1e99999999999999999999",
        "1e-99999999999999999999", "1e000000000000000000000000000003",
        "0." + std::string(5300, '0') + "1e5301",
        std::string(5300, '0') + "1e-5301",
        "1" + std::string(5300, '0') + "e-5201",
        "0." + std::string(400, '0') + "1e400",
        std::string(3000, '9'),
        "0." + std::string(3000, '7') + "e-40",
        "9223372036854775807", "9223372036854775808", "18446744073709551615",
        "18446744073709551616", "-9223372036854775808", "-9223372036854775809",
        "99999999999999999999999999", "2147483647", "2147483648", "4294967295", "4294967296",
        "-2147483649",
        "\xE3\x80\x80-\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x8E\xEF\xBC\x95"
        "\xEF\xBD\x84\xEF\xBC\x8B\xEF\xBC\x93",  // "　-１２．５ｄ＋３"
        "\xEF\xBC\x8D\xEF\xBC\x90", "\xEF\xBC\x84" "5", "\xEF\xBF\xA5" "5", "12\xE5\x85\x83",
        "\xEF\xBC", "\xEF\xBC\x91\xEF", "\xFF" "12", "\xE3\x80\x80\xE3\x80\x80" "3",
    };
    for (const std::string& text : texts) compareReadings(text);
}

// Random texts built from the pieces a number is made of, with junk and full-width forms.
TEST_F(Differential, ReadingRandomTexts) {
    const char* const spaces[] = {" ", "\t", "\n", "\r", "\v", "\f", "\xE3\x80\x80"};
    const char* const signs[] = {"+", "-", "\xEF\xBC\x8B", "\xEF\xBC\x8D", "+-", "--", "- ", "-"};
    const char* const points[] = {".", ".", ".", "\xEF\xBC\x8E"};
    const char* const letters[] = {"e", "E", "d", "D", "e", "E",
                                   "\xEF\xBD\x85", "\xEF\xBC\xA5", "\xEF\xBD\x84", "\xEF\xBC\xA4"};
    const char* const hugeExponents[] = {"5200", "5201", "5202", "5199", "99999999999999999999",
                                         "0000000000000000000000000000038", "4294967296",
                                         "9223372036854775808"};
    const char* const junk[] = {"abc", "\xE5\x85\x83", ",000", ".5", "e5", "+1", " 1", "\xFF",
                                "\xEF\xBC", "\xEF\xBC\x84", "\xEF\xBF\xA5", "\xE2\x98\x85", "x",
                                "\xEF\xBC\x90", "\xEF\xBD\x9E", "%", "\xC0\xAF", "\xE3\x80"};
    const char* const fullWidthDigits[] = {
        "\xEF\xBC\x90", "\xEF\xBC\x91", "\xEF\xBC\x92", "\xEF\xBC\x93", "\xEF\xBC\x94",
        "\xEF\xBC\x95", "\xEF\xBC\x96", "\xEF\xBC\x97", "\xEF\xBC\x98", "\xEF\xBC\x99"};

    for (int i = 0; i < 5000; ++i) {
        const bool fullWidth = chance(0.15);
        auto digitRun = [&](long count) {
            std::string run;
            for (long j = 0; j < count; ++j) {
                const auto digit = static_cast<std::size_t>(between(0, 9));
                if (fullWidth && chance(0.5)) {
                    run += fullWidthDigits[digit];
                } else {
                    run += static_cast<char>('0' + digit);
                }
            }
            return run;
        };
        auto length = [&]() {
            return chance(0.9) ? between(0, 12) : between(13, chance(0.8) ? 40 : 400);
        };

        std::string text;
        if (chance(0.1)) {
            // A soup of pieces in any order.
            for (long j = between(0, 10); j > 0; --j) {
                switch (between(0, 5)) {
                    case 0: text += pick(spaces); break;
                    case 1: text += pick(signs); break;
                    case 2: text += pick(points); break;
                    case 3: text += pick(letters); break;
                    case 4: text += pick(junk); break;
                    default: text += digitRun(between(1, 4)); break;
                }
            }
        } else {
            for (long j = chance(0.3) ? between(1, 3) : 0; j > 0; --j) text += pick(spaces);
            if (chance(0.4)) text += pick(signs);
            if (chance(0.2)) text += std::string(static_cast<std::size_t>(between(1, 5)), '0');
            text += digitRun(length());
            if (chance(0.6)) {
                text += pick(points);
                text += digitRun(length());
            }
            if (chance(0.5)) {
                text += pick(letters);
                if (chance(0.5)) text += chance(0.5) ? "-" : "+";
                if (chance(0.1)) {
                    text += pick(hugeExponents);
                } else if (chance(0.95)) {
                    text += std::to_string(between(0, 60));
                }
            }
            if (chance(0.4)) text += pick(junk);
        }
        compareReadings(text);
    }
}

// The exact decimal value of the midpoint between two adjacent Singles is a Double, so it
// reads as that Double and then rounds to the even Single. Nudged by one unit far beyond
// the last digit, the value still reads as the same Double (and so rounds to even again);
// nudged by one unit a few digits beyond, it falls on the one or the other side.
TEST_F(Differential, ReadingSingleMidpoints) {
    const std::uint32_t edges[] = {0x00000000u, 0x00000001u, 0x007FFFFFu, 0x00800000u,
                                   0x3F7FFFFFu, 0x3F800000u, 0x7F7FFFFEu, 0x7F7FFFFFu};
    std::vector<std::uint32_t> lows(std::begin(edges), std::end(edges));
    for (int i = 0; i < 1500; ++i) {
        switch (between(0, 3)) {
            case 0: lows.push_back(bits32() % 0x7F800000u); break;
            case 1: lows.push_back(bits32() & 0x7FFFFFu); break;  // subnormal
            default:  // 1e-8 to 1e10
                lows.push_back((static_cast<std::uint32_t>(between(100, 160)) << 23) |
                               (bits32() & 0x7FFFFFu));
                break;
        }
    }
    for (std::uint32_t low : lows) {
        const Binary mid = midpointAbove(singleValue(low));
        const std::string sign = pick({"", "-", "+"});
        const bool plain = chance(0.3);
        compareReadings(sign + nudgedText(mid, 0, 0, plain));
        compareReadings(sign + nudgedText(mid, chance(0.5) ? 1 : -1, 30, plain));
        const auto nearby = static_cast<unsigned>(between(1, 4));
        compareReadings(sign + nudgedText(mid, chance(0.5) ? 1 : -1, nearby, plain));
    }
}

// The exact decimal value of the midpoint between two adjacent Doubles, and values within
// 2^-62 of it: either Double is a right reading, so the Single must be the Single of one
// of them. Further away only the nearest Double is right.
TEST_F(Differential, ReadingDoubleMidpoints) {
    for (int i = 0; i < 1200; ++i) {
        std::uint64_t low = 0;
        switch (between(0, 4)) {
            case 0: low = bits64() % 0x7FF0000000000000u; break;
            case 1:  // near the Single range and its edges
                low = (static_cast<std::uint64_t>(between(1023 - 152, 1023 + 128)) << 52) |
                      (bits64() & ((std::uint64_t{1} << 52) - 1));
                break;
            default:  // ordinary magnitudes
                low = (static_cast<std::uint64_t>(between(1023 - 60, 1023 + 60)) << 52) |
                      (bits64() & ((std::uint64_t{1} << 52) - 1));
                break;
        }
        // Doubles a few steps below a Single (or below a Single midpoint) make the second
        // rounding interesting: pull some of them onto such a place.
        if (chance(0.3)) {
            low &= ~((std::uint64_t{1} << 29) - 1);
            if (chance(0.5)) low |= std::uint64_t{1} << 28;
        }
        if (chance(0.3) && (low & ((std::uint64_t{1} << 52) - 1)) != 0) --low;
        const Binary mid = midpointAbove(doubleValue(low));
        const std::string sign = pick({"", "-"});
        const bool plain = chance(0.3);
        compareReadings(sign + nudgedText(mid, 0, 0, plain));
        compareReadings(sign + nudgedText(mid, chance(0.5) ? 1 : -1, 40, plain));
        const auto nearby = static_cast<unsigned>(between(1, 4));
        compareReadings(sign + nudgedText(mid, chance(0.5) ? 1 : -1, nearby, plain));
    }
}

}  // namespace
