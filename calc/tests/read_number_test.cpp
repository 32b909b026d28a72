// Reading numbers from text: folding, whole numbers, reals.
#include <calc/calc.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

constexpr float kInf = std::numeric_limits<float>::infinity();

struct ReadCase {
    const char* text;
    std::int32_t integer;
    float single;  // compared bit for bit, so -0 and +0 differ
};

// Each text read both ways.
const ReadCase kReadCases[] = {
    {"1000", 1000, 1000.0f},
    {"10", 10, 10.0f},
    {"24.93", 24, 24.93000030517578125f},
    {"2.8", 2, 2.7999999523162841796875f},
    {" 12abc", 12, 12.0f},
    {"１２", 12, 12.0f},
    {"\u3000１２", 12, 12.0f},
    {"１．５ｅ３", 1, 1500.0f},
    {"", 0, 0.0f},
    {"abc", 0, 0.0f},
    {"-5", -5, -5.0f},
    {"1e3", 1, 1000.0f},
    {"1d3", 1, 1000.0f},
    {"1D3", 1, 1000.0f},
    {"1E-1", 1, 0.1f},
    {"12.9", 12, 12.8999996185302734375f},
    {".5", 0, 0.5f},
    {"5.", 5, 5.0f},
    {"-0", 0, -0.0f},
    {"-0.0", 0, -0.0f},
    {"-", 0, 0.0f},
    {"-abc", 0, 0.0f},
    {".", 0, 0.0f},
    {"+-1", 0, 0.0f},
    {" - 5", 0, 0.0f},
    {"0x10", 0, 0.0f},
    {"+7", 7, 7.0f},
    {"\t\n\v\f\r 8", 8, 8.0f},
    {"1,000", 1, 1.0f},
    {"12元", 12, 12.0f},
    {"1e", 1, 1.0f},
    {"1e+", 1, 1.0f},
    {"1ex", 1, 1.0f},
    {"1+2", 1, 1.0f},
    {"1.5e3.5", 1, 1500.0f},
    {"1.2.3", 1, 1.2f},
    {"007", 7, 7.0f},
    {"inf", 0, 0.0f},
    {"nan", 0, 0.0f},
    {"3000000000", -1294967296, 3000000000.0f},
    {"2147483648", INT32_MIN, 2147483648.0f},
    {"-2147483649", 2147483647, -2147483648.0f},
    {"4294967296", 0, 4294967296.0f},
    {"99999999999", 1215752191, 99999997952.0f},
    {"3.4028235e38", 3, std::numeric_limits<float>::max()},
    {"3.4028236e38", 3, kInf},
    {"1e400", 1, kInf},
    {"-1e400", -1, -kInf},
    {"1e-45", 1, std::numeric_limits<float>::denorm_min()},
    {"1e-46", 1, 0.0f},
    {"-1e-46", -1, -0.0f},
    {"1e-400", 1, 0.0f},
    {"0e999999", 0, 0.0f},
};

TEST(ReadNumber, TextsReadAsIntegerAndSingle) {
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_EQ(calc::textToInteger(c.text), c.integer);
        EXPECT_EQ(bitsOf(calc::textToSingle(c.text)), bitsOf(c.single))
            << calc::textToSingle(c.text) << " vs " << c.single;
    }
}

TEST(ReadNumber, FoldingReplacesFullWidthFormsOneForOne) {
    const struct {
        const char* text;
        const char* folded;
    } cases[] = {
        {"１２．５", "12.5"},
        {"！～｝", "!~}"},        // ends of the full-width block; U+FF5E is the tilde
        {"＄５", "＄5"},          // the full-width dollar sign stays
        {"￥￣", "$~"},
        {"\u3000☆★", " **"},
        {"ＡＢｅｄ＋－", "ABed+-"},
        {"中文 abc", "中文 abc"},
        {"\xEF\xBC", "\xEF\xBC"},          // a cut-off sequence is copied as it is
        {"\xEF\xBC\x92\xFF", "2\xFF"},     // malformed bytes after a folded character
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(calc::foldFullWidth(c.text), c.folded);
    }
}

TEST(ReadNumber, UnfoldedReadingsLeaveFullWidthDigitsAlone) {
    EXPECT_EQ(calc::readInteger64("１２"), 0);
    EXPECT_EQ(bitsOf(calc::readSingle("１２")), bitsOf(0.0f));
    EXPECT_EQ(calc::readInteger64("12"), 12);
}

TEST(ReadNumber, Integer64WrapsModulo2To64) {
    const struct {
        const char* text;
        std::int64_t value;
    } cases[] = {
        {"9223372036854775807", INT64_MAX},
        {"9223372036854775808", INT64_MIN},
        {"-9223372036854775808", INT64_MIN},
        {"18446744073709551615", -1},
        {"18446744073709551616", 0},
        {"3000000000", 3000000000},
        {"-3000000000", -3000000000},
        {"--5", 0},
        {"10\r\n00", 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(calc::readInteger64(c.text), c.value);
    }
}

TEST(ReadNumber, ExponentSaturatesAt5201) {
    // 0.000...01 (5300 zeros) e5301 reads as 10^-100, not as 1.
    const std::string tiny = "0." + std::string(5300, '0') + "1e5301";
    EXPECT_EQ(bitsOf(calc::textToSingle(tiny)), bitsOf(0.0f));
    // 1 followed by 5300 zeros, e-5301: the exponent counts as -5201, the value is 10^99.
    const std::string big = "1" + std::string(5300, '0') + "e-5301";
    EXPECT_EQ(calc::textToSingle(big), kInf);
    // Saturation is on the exponent alone: 10^-5200 x 10^5200 is 1.
    const std::string one = "0." + std::string(5199, '0') + "1e5200";
    EXPECT_EQ(calc::textToSingle(one), 1.0f);
    EXPECT_EQ(calc::textToSingle("1e99999999999999999999"), kInf);
    EXPECT_EQ(bitsOf(calc::textToSingle("-1e-99999999999999999999")), bitsOf(-0.0f));
}

TEST(ReadNumber, LongMantissasRoundOnEveryDigit) {
    // The text is rounded to a Double first, then to a Single. M lies halfway between the
    // Doubles 1 + 2^-24 (a tie between the Singles 1 and 1 + 2^-23, which goes to 1) and the
    // next Double up (which goes to 1 + 2^-23): a digit 2000 places further on decides.
    const std::string m = "1.00000005960464488641292746251565404236316680908203125";
    const std::string justBelow = "1.00000005960464488641292746251565404236316680908203124";
    EXPECT_EQ(calc::textToSingle(m + std::string(2000, '0') + "1"), 1.0f + 0x1p-23f);
    EXPECT_EQ(calc::textToSingle(justBelow + std::string(2000, '9')), 1.0f);
    // The Single tie itself: exactly 1 + 2^-24 goes to even, whatever trailing zeros follow.
    const std::string singleTie = "1.000000059604644775390625";
    EXPECT_EQ(calc::textToSingle(singleTie), 1.0f);
    EXPECT_EQ(calc::textToSingle(singleTie + std::string(2000, '0')), 1.0f);
    EXPECT_EQ(calc::textToSingle("0." + std::string(3000, '0') + "1e3001"), 1.0f);
}

TEST(ReadNumber, TenMegabyteTextsAreRead) {
    std::string digits(10'000'000, '9');
    EXPECT_EQ(calc::textToSingle(digits), kInf);
    EXPECT_EQ(calc::textToSingle("0." + digits), 1.0f);
    EXPECT_EQ(calc::textToInteger(digits), -1);  // 10^n - 1 is -1 modulo 2^32
    std::string zeros(10'000'000, '0');
    EXPECT_EQ(calc::textToSingle(zeros + "25"), 25.0f);
    EXPECT_EQ(calc::textToSingle(std::string(10'000'000, ' ') + "3"), 3.0f);
    EXPECT_EQ(calc::textToInteger(std::string(3'000'000, '\xEF') + "1"), 0);
}

}  // namespace
