// Writing numbers as text: the Integer, Single and Double rules.
#include <calc/calc.h>

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

float singleFromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double doubleFromBits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

struct SingleCase {
    std::uint32_t bits;
    const char* text;
};

const SingleCase kSingleCases[] = {
    {0x00000000, "0"},
    {0x80000000, "0"},             // negative zero
    {0x41C770A4, "24.93"},
    {0x40333333, "2.8"},
    {0x46E9B800, "29916"},
    {0x4996B438, "1.23457e+006"},  // 1234567
    {0x3900F990, "0.000123"},
    {0xC18C0000, "-17.5"},
    {0x4B189680, "1e+007"},
    {0x7F7FC99E, "3.4e+038"},
    {0x4996B428, "1.23457e+006"},  // 1234565: an exact 5 in the seventh digit rounds up
    {0x47F12040, "123457"},        // 123456.5
    {0x497423F8, "1e+006"},        // 999999.5
    {0x47C34FFA, "100000"},        // 99999.953125: rounding adds a digit
    {0x3DCCCCCD, "0.1"},
    {0x3727C5AC, "1e-005"},
    {0x7F7FFFFF, "3.40282e+038"},  // largest finite
    {0x007FFFFF, "1.17549e-038"},  // largest subnormal
    {0x00000004, "1e-044"},        // four times the smallest subnormal
    {0x00000001, "0"},             // smallest subnormal
    {0x80000001, "0"},             // its negative: -0 is written without a sign
    {0x497423F0, "999999"},
    {0x49742400, "1e+006"},
    {0x38D1B717, "0.0001"},
    {0x4640E400, "12345"},
    {0x3F800000, "1"},
    {0x7F800000, "1.#INF"},
    {0xFF800000, "-1.#INF"},
    {0x7FC00000, "1.#QNAN"},
    {0xFFC00000, "1.#QNAN"},
    {0x7F800001, "1.#QNAN"},       // signalling, with a payload
    {0xFFBFFFFF, "1.#QNAN"},
};

TEST(WriteNumber, SinglesRoundToSixDigits) {
    for (const SingleCase& c : kSingleCases) {
        SCOPED_TRACE(testing::Message() << "bits 0x" << std::hex << c.bits);
        EXPECT_EQ(calc::singleToText(singleFromBits(c.bits)), c.text);
    }
}

struct DoubleCase {
    double value;
    const char* text;
};

TEST(WriteNumber, DoublesUseThirteenDigits) {
    const DoubleCase cases[] = {
        {123456.789, "123456.789"},
        {0.1 + 0.2, "0.3"},
        {1e15, "1e+015"},
        {1e-5, "1e-005"},
        {1e13, "1e+013"},
        {9999999999999.5, "1e+013"},
        {1234567890123.5, "1234567890124"},
        {2.0 / 3.0, "0.6666666666667"},
        {-2.5e-7, "-2.5e-007"},
        {0.10000000000015, "0.1000000000002"},  // cut at 18, up at 17, up at 13
        {18822.150390625 + 2.9967122077941895, "18825.14710283"},
        {29916 + 9878.8701171875, "39794.87011719"},
        {1200 + -187.15826416015625, "1012.84173584"},
        {144994.328125, "144994.328125"},
        {0.0001, "0.0001"},
        {0.0, "0"},
        {-0.0, "0"},
        {std::numeric_limits<double>::max(), "1.797693134862e+308"},
        {std::numeric_limits<double>::denorm_min(), "4.940656458412e-324"},
        {-1.234567890123e-308, "-1.234567890123e-308"},
        {std::numeric_limits<double>::infinity(), "1.#INF"},
        {-std::numeric_limits<double>::infinity(), "-1.#INF"},
        {doubleFromBits(0xFFF8000000000000), "-1.#IND"},
        {doubleFromBits(0x7FF8000000000000), "1.#QNAN"},
        {doubleFromBits(0xFFF8000000000001), "-1.#QNAN"},
        {doubleFromBits(0x7FF0000000000001), "1.#SNAN"},
        {doubleFromBits(0xFFF0000000000001), "-1.#SNAN"},
    };
    for (const DoubleCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(calc::doubleToText(c.value), c.text);
    }
}

TEST(WriteNumber, SpecialValuesLookTheSameAtBothPrecisions) {
    EXPECT_EQ(calc::formatSignificant(doubleFromBits(0x7FF8000000000000), 6), "1.#QNAN");
    EXPECT_EQ(calc::formatSignificant(doubleFromBits(0xFFF8000000000000), 6), "-1.#IND");
    EXPECT_EQ(calc::formatSignificant(-std::numeric_limits<double>::infinity(), 6), "-1.#INF");
    EXPECT_EQ(calc::formatSignificant(doubleFromBits(0xFFF0000000000001), 6), "-1.#SNAN");
}

TEST(WriteNumber, IntegersArePlainDecimals) {
    EXPECT_EQ(calc::integerToText(0), "0");
    EXPECT_EQ(calc::integerToText(-5), "-5");
    EXPECT_EQ(calc::integerToText(2147483647), "2147483647");
    EXPECT_EQ(calc::integerToText(INT32_MIN), "-2147483648");
}

// Runs `body` with the x87 unit at a 53-bit significand and both units rounding upward,
// the way a caller might leave them; restores the usual mode afterwards.
template <typename Body>
void inForeignFloatingPointMode(Body body) {
    std::uint16_t saved;
    asm volatile("fnstcw %0" : "=m"(saved));
    const std::uint16_t doublePrecisionUpward = 0x0A7F;
    ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
    asm volatile("fldcw %0" : : "m"(doublePrecisionUpward));
    body();
    asm volatile("fldcw %0" : : "m"(saved));
    std::fesetround(FE_TONEAREST);
}

TEST(WriteNumber, ResultsDoNotDependOnTheCallersFloatingPointMode) {
    const float seventhDigitFive = singleFromBits(0x4996B428);
    std::string single, doubled, equation, read;
    float value = 0.0f;
    std::uint16_t controlWordAfter = 0;
    inForeignFloatingPointMode([&] {
        single = calc::singleToText(seventhDigitFive);
        doubled = calc::doubleToText(0.10000000000015);
        equation = calc::runBreakEven("1000", "10", "24.93", "2.8").checkEquation;
        value = calc::textToSingle("24.93");
        asm volatile("fnstcw %0" : "=m"(controlWordAfter));
        EXPECT_EQ(std::fegetround(), FE_UPWARD);  // the caller's mode comes back
    });
    EXPECT_EQ(controlWordAfter, 0x0A7F);
    EXPECT_EQ(single, "1.23457e+006");
    EXPECT_EQ(doubled, "0.1000000000002");
    EXPECT_EQ(equation, "755*24.93+2.99671=18825.14710283");
    EXPECT_EQ(value, 24.93000030517578125f);
}

}  // namespace
