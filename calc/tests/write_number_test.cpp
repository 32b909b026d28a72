// Writing numbers as text: the Integer, Single and Double rules.
#include <calc/calc.h>

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#if defined(__x86_64__) || defined(__SSE__)
#include <xmmintrin.h>
#endif

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

// Runs `body` the way a caller might leave the floating-point unit: rounding upward, the
// x87 unit (where there is one) at a 53-bit significand, and subnormals flushed to zero
// (MXCSR FTZ and DAZ on x86, FPCR.FZ on ARM64). Checks that the library hands all of it
// back, and restores the usual mode afterwards.
template <typename Body>
void inForeignFloatingPointMode(Body body) {
    ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
#if defined(__i386__) || defined(__x86_64__)
    std::uint16_t savedControlWord = 0;
    asm volatile("fnstcw %0" : "=m"(savedControlWord));
    const std::uint16_t doublePrecisionUpward = 0x0A7F;
    asm volatile("fldcw %0" : : "m"(doublePrecisionUpward));
#endif
#if defined(__x86_64__) || defined(__SSE__)
    const unsigned int savedMxcsr = _mm_getcsr();
    const unsigned int foreignMxcsr = savedMxcsr | 0x8000u | 0x0040u;  // FTZ, DAZ
    _mm_setcsr(foreignMxcsr);
#endif
#if defined(__aarch64__)
    std::uint64_t savedFpcr = 0;
    asm volatile("mrs %0, fpcr" : "=r"(savedFpcr));
    const std::uint64_t foreignFpcr = savedFpcr | (std::uint64_t{1} << 24);  // FZ
    asm volatile("msr fpcr, %0" : : "r"(foreignFpcr));
#endif

    body();

    EXPECT_EQ(std::fegetround(), FE_UPWARD);  // the caller's mode comes back
#if defined(__aarch64__)
    std::uint64_t fpcrAfter = 0;
    asm volatile("mrs %0, fpcr" : "=r"(fpcrAfter));
    EXPECT_EQ(fpcrAfter, foreignFpcr);
    asm volatile("msr fpcr, %0" : : "r"(savedFpcr));
#endif
#if defined(__x86_64__) || defined(__SSE__)
    EXPECT_EQ(_mm_getcsr() & 0xFFC0u, foreignMxcsr & 0xFFC0u);  // the mode bits, not the flags
    _mm_setcsr(savedMxcsr);
#endif
#if defined(__i386__) || defined(__x86_64__)
    std::uint16_t controlWordAfter = 0;
    asm volatile("fnstcw %0" : "=m"(controlWordAfter));
    EXPECT_EQ(controlWordAfter, doublePrecisionUpward);
    asm volatile("fldcw %0" : : "m"(savedControlWord));
#endif
    std::fesetround(FE_TONEAREST);
}

struct Results {
    std::string single, subnormalSingle, doubled, equation, tinyEquation;
    float value = 0.0f, subnormalValue = 0.0f;
};

Results computeResults() {
    Results r;
    r.single = calc::singleToText(singleFromBits(0x4996B428));  // seventh digit an exact 5
    r.subnormalSingle = calc::singleToText(singleFromBits(0x000116C2));
    r.doubled = calc::doubleToText(0.10000000000015);
    r.equation = calc::runBreakEven("1000", "10", "24.93", "2.8").checkEquation;
    r.tinyEquation = calc::runBreakEven("0", "1", "1e-40", "-1").checkEquation;
    r.value = calc::textToSingle("24.93");
    r.subnormalValue = calc::textToSingle("1e-40");
    return r;
}

TEST(WriteNumber, ResultsDoNotDependOnTheCallersFloatingPointMode) {
    const Results usual = computeResults();
    Results foreign;
    inForeignFloatingPointMode([&] { foreign = computeResults(); });
    EXPECT_EQ(foreign.single, "1.23457e+006");
    EXPECT_EQ(foreign.doubled, "0.1000000000002");
    EXPECT_EQ(foreign.equation, "755*24.93+2.99671=18825.14710283");
    EXPECT_EQ(foreign.value, 24.93000030517578125f);
    EXPECT_EQ(foreign.subnormalValue, singleFromBits(0x000116C2));  // not flushed to zero
    EXPECT_EQ(foreign.subnormalSingle, usual.subnormalSingle);
    EXPECT_EQ(foreign.tinyEquation, usual.tinyEquation);
    EXPECT_EQ(foreign.single, usual.single);
    EXPECT_EQ(foreign.equation, usual.equation);
}

}  // namespace
