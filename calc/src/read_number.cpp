// Reading numbers from text: a small scanner for the accepted grammar, then exact rounding.
//
// The scanner only finds the extent of the number; the decimal-to-binary64 rounding is
// std::from_chars (correctly rounded, independent of the locale), and the binary64-to-binary32
// rounding is the hardware conversion under round-to-nearest.
#include <calc/calc.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

#include "bits.h"
#include "extended.h"

namespace calc {
namespace {

using detail::fromTwosComplement32;
using detail::fromTwosComplement64;

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isExponentLetter(char c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }

std::size_t skipSpace(std::string_view text, std::size_t i) {
    while (i < text.size() && isSpace(text[i])) ++i;
    return i;
}

// A real number as the scanner found it: sign, the mantissa's digits (the decimal point
// removed) and the power of ten that the last digit stands for.
struct DecimalText {
    bool negative = false;
    bool hasDigit = false;
    std::string_view integerDigits;   // digits before the point
    std::string_view fractionDigits;  // digits after the point
    int exponent = 0;                 // saturated at +-5201
};

// Exponents beyond 5200 count as 5201: far outside the binary64 range either way, and a
// bounded value keeps the arithmetic below simple.
constexpr int kExponentLimit = 5200;

DecimalText scanDecimal(std::string_view text) {
    DecimalText d;
    std::size_t i = skipSpace(text, 0);
    // 1. One optional sign.
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        d.negative = text[i] == '-';
        ++i;
    }
    // 2. Mantissa: digits with at most one point among them.
    const std::size_t intStart = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    d.integerDigits = text.substr(intStart, i - intStart);
    if (i < text.size() && text[i] == '.') {
        const std::size_t fracStart = ++i;
        while (i < text.size() && isDigit(text[i])) ++i;
        d.fractionDigits = text.substr(fracStart, i - fracStart);
    }
    d.hasDigit = !d.integerDigits.empty() || !d.fractionDigits.empty();
    if (!d.hasDigit) return d;
    // 3. Exponent: a letter, an optional sign, at least one digit; otherwise not part of it.
    if (i < text.size() && isExponentLetter(text[i])) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            negativeExponent = text[j] == '-';
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            int value = 0;
            for (; j < text.size() && isDigit(text[j]); ++j) {
                if (value <= kExponentLimit) value = value * 10 + (text[j] - '0');
                if (value > kExponentLimit) value = kExponentLimit + 1;
            }
            d.exponent = negativeExponent ? -value : value;
        }
    }
    return d;
}

// Enough significant digits to decide every rounding to binary64: a binary64 value or a
// midpoint between two of them has fewer than 780 significant decimal digits.
constexpr std::size_t kKeptDigits = 780;

// The value of the scanned text rounded to the nearest binary64.
double decimalToDouble(const DecimalText& d) {
    const double signedZero = d.negative ? -0.0 : 0.0;
    // Collect the significant digits: from the first nonzero digit, at most kKeptDigits of
    // them, plus a final '1' standing for any nonzero digit beyond (it only breaks ties).
    std::string digits;
    long long pointShift = -static_cast<long long>(d.fractionDigits.size());
    bool dropped = false;
    auto take = [&](std::string_view part) {
        for (const char c : part) {
            if (digits.empty() && c == '0') continue;
            if (digits.size() < kKeptDigits) {
                digits.push_back(c);
            } else {
                ++pointShift;  // the digit's place is kept in the exponent
                dropped = dropped || c != '0';
            }
        }
    };
    take(d.integerDigits);
    take(d.fractionDigits);
    if (digits.empty()) return signedZero;
    if (dropped) {
        digits.push_back('1');
        --pointShift;
    }
    const long long exponent10 = pointShift + d.exponent;
    // Decimal magnitude: the value lies in [10^(magnitude-1), 10^magnitude).
    const long long magnitude = static_cast<long long>(digits.size()) + exponent10;
    if (magnitude > 310) return d.negative ? -std::numeric_limits<double>::infinity()
                                           : std::numeric_limits<double>::infinity();
    if (magnitude < -330) return signedZero;

    std::string number = d.negative ? "-" : "";
    number += digits;
    number += 'e';
    number += std::to_string(exponent10);
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                              std::chars_format::general);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Beyond the binary64 range: an infinity above it, a zero (of the text's sign) below.
        if (magnitude > 0) return d.negative ? -std::numeric_limits<double>::infinity()
                                             : std::numeric_limits<double>::infinity();
        return signedZero;
    }
    return value;
}

}  // namespace

std::int64_t readInteger64(std::string_view text) {
    std::size_t i = skipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint64_t value = 0;  // unsigned: wraps modulo 2^64 by definition
    for (; i < text.size() && isDigit(text[i]); ++i)
        value = value * 10u + static_cast<std::uint64_t>(text[i] - '0');
    if (negative) value = 0u - value;
    return fromTwosComplement64(value);
}

std::int32_t textToInteger(std::string_view text) {
    // The low 32 bits of the sum modulo 2^64 are the sum modulo 2^32.
    const auto wide = static_cast<std::uint64_t>(readInteger64(foldFullWidth(text)));
    return fromTwosComplement32(static_cast<std::uint32_t>(wide & 0xFFFFFFFFu));
}

namespace {

// Kept out of line so that none of its arithmetic can be moved across the mode switches.
[[gnu::noinline]] float readSingleInMode(std::string_view text) {
    const DecimalText d = scanDecimal(text);
    if (!d.hasDigit) return 0.0f;
    // Double to Single: the IEEE conversion, to nearest with ties to even.
    return static_cast<float>(decimalToDouble(d));
}

}  // namespace

float readSingle(std::string_view text) {
    const detail::FloatingPointMode mode;  // round to nearest for from_chars and the narrowing
    return readSingleInMode(text);
}

float textToSingle(std::string_view text) { return readSingle(foldFullWidth(text)); }

}  // namespace calc
