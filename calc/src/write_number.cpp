// Writing numbers as text: the Integer, Single and Double rules.
#include <calc/calc.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "bits.h"
#include "extended.h"

namespace calc {
namespace {

using detail::bitCast;
using detail::Extended;

// ---------------------------------------------------------------------------------------
// formatSignificant
// ---------------------------------------------------------------------------------------

// 0.d1d2d3... x 10^exponent, with 1 to 17 digits and no trailing zeros; or one of the
// special strings for infinities and NaNs (exponent 1).
struct DigitRecord {
    bool negative = false;
    int exponent = 0;
    std::string digits;
};

// Digits of the exact decimal expansion that are read: 18, cut, not rounded.
constexpr int kReadDigits = 18;
// A binary64 value has at most 767 significant decimal digits, so asking for that many
// gives the exact expansion, with nothing rounded.
constexpr int kExactPrecision = 766;  // digits after the first one

DigitRecord specialRecord(std::uint64_t bits) {
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
    constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 51;
    constexpr std::uint64_t kIndefinite = 0xFFF8000000000000u;  // what invalid operations make
    DigitRecord r;
    r.negative = (bits >> 63) != 0;
    r.exponent = 1;
    const std::uint64_t fraction = bits & kFraction;
    if (fraction != 0 && (fraction & kQuietBit) == 0) r.digits = "1#SNAN";
    else if (bits == kIndefinite) r.digits = "1#IND";
    else if (fraction == 0) r.digits = "1#INF";
    else r.digits = "1#QNAN";
    return r;
}

DigitRecord digitRecord(double value) {
    const auto bits = bitCast<std::uint64_t>(value);
    if (!std::isfinite(value)) return specialRecord(bits);
    DigitRecord r;
    if (value == 0.0) {
        r.digits = "0";
        return r;
    }
    r.negative = value < 0;

    // 1. The exact expansion, as d.ddd...e+X.
    std::array<char, kExactPrecision + 16> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      std::fabs(value), std::chars_format::scientific,
                                      kExactPrecision);
    const std::string_view text(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    const std::size_t e = text.find('e');
    int decimalExponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    decimalExponent);
    r.exponent = decimalExponent + 1;

    // 2. The first 18 digits, cut; half up to 17.
    std::string digits;
    digits.push_back(text[0]);
    digits.append(text.substr(2, kReadDigits - 1));
    const bool roundUp = digits[kReadDigits - 1] >= '5';
    digits.pop_back();
    if (roundUp) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');  // 99...9 + 1: one more place
            digits.pop_back();
            ++r.exponent;
        } else {
            ++digits[i - 1];
        }
    }
    // 3. No trailing zeros.
    digits.erase(digits.find_last_not_of('0') + 1);
    r.digits = std::move(digits);
    return r;
}

}  // namespace

std::string formatSignificant(double value, int precision) {
    const auto p = static_cast<std::size_t>(precision);
    DigitRecord r = digitRecord(value);

    // Round to P digits, half up. Special strings are only filled up.
    std::string digits = r.digits.substr(0, p);
    digits.resize(p, '0');
    if (r.digits.size() > p && r.digits[p] >= '5' && r.digits[p] <= '9') {
        std::size_t i = p;
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');  // now P + 1 characters
            ++r.exponent;
        } else {
            ++digits[i - 1];
        }
    }

    const int firstDigitExponent = r.exponent - 1;
    std::string out;
    if (firstDigitExponent < -4 || firstDigitExponent >= precision) {
        // Exponent form: d.ddddde+XXX.
        out.push_back(digits[0]);
        out.push_back('.');
        out.append(digits, 1, p - 1);
        out.push_back('e');
        out.push_back(firstDigitExponent < 0 ? '-' : '+');
        const int magnitude = std::abs(firstDigitExponent);
        out.push_back(static_cast<char>('0' + magnitude / 100));
        out.push_back(static_cast<char>('0' + magnitude / 10 % 10));
        out.push_back(static_cast<char>('0' + magnitude % 10));
    } else {
        // Fixed form.
        digits.resize(p);
        if (r.exponent > 0) {
            const auto integerPlaces = static_cast<std::size_t>(r.exponent);
            out.append(digits, 0, integerPlaces);
            out.push_back('.');
            out.append(digits, integerPlaces, std::string::npos);
        } else {
            out = "0.";
            out.append(static_cast<std::size_t>(-r.exponent), '0');
            out.append(digits);
        }
    }

    // No trailing zeros after the point, and no point without digits after it.
    const std::size_t point = out.find('.');
    const std::size_t fractionEnd = std::min(out.find('e'), out.size());
    std::size_t keep = fractionEnd;
    while (keep > point + 1 && out[keep - 1] == '0') --keep;
    if (keep == point + 1) keep = point;
    out.erase(keep, fractionEnd - keep);

    if (r.negative) out.insert(out.begin(), '-');
    return out;
}

namespace {

// ---------------------------------------------------------------------------------------
// roundSingleToSixDigits
// ---------------------------------------------------------------------------------------

// log10(2) rounded to binary64, bit pattern 0x3FD34413509F79FF.
constexpr double kLog10Of2 = 0.30102999566398120;
// The binary64 nearest to 10^-5, bit pattern 0x3EE4F8B588E368F1.
constexpr double kTenToMinus5 = 1e-5;

// 10^k as binary64: exact up to 10^22, the nearest binary64 above that.
constexpr std::array<double, 39> kPowersOfTen = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12,
    1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22, 1e23, 1e24, 1e25,
    1e26, 1e27, 1e28, 1e29, 1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37, 1e38};

int toInt(Extended wholeNumber) { return static_cast<int>(wholeNumber.toDouble()); }

// Rounds a Single to six significant digits. The result n x 10^(k-5) is left in Extended.
Extended roundSingleToSixDigits(float x) {
    const auto bits = bitCast<std::uint32_t>(x);
    // 1. Binary exponent, as a signed 8-bit value: -127 for zeros and subnormals, -128 for
    //    infinities and NaNs.
    int e = static_cast<int>((bits >> 23) & 0xFFu) - 127;
    if (e == 128) e = -128;
    // 2. Decimal exponent estimate, cut toward zero (the product is exact in Extended).
    int k = toInt((Extended(static_cast<std::int32_t>(e)) * Extended(kLog10Of2)).truncated());
    // 3. Scale factor.
    double p = kPowersOfTen[static_cast<std::size_t>(std::abs(k))];
    // 4. Scale |x| toward [1, 10).
    const Extended magnitude = Extended(x).abs();
    const Extended m = k > 0 ? magnitude / Extended(p) : magnitude * Extended(p);
    // 5. One correction step, and six integer digits.
    double y = 0.0;
    if (m >= Extended(10.0)) {
        p = (Extended(p) * Extended(10.0)).toDouble();
        ++k;
        y = (m * Extended(10000.0)).toDouble();
    } else if (m < Extended(1.0) || m.isNaN()) {
        p = (Extended(p) * Extended(10.0)).toDouble();
        --k;
        y = (m * Extended(1000000.0)).toDouble();
    } else {
        y = (m * Extended(100000.0)).toDouble();
    }
    // 6. Half up to a whole number.
    double n = y;
    if (std::isfinite(y)) {
        const double i = std::trunc(y);
        n = y - i >= 0.5 ? i + 1.0 : i;
    }
    // 7. The sign comes back through the scale factor.
    const double q = (x < 0 || std::isnan(x)) ? -p : p;
    // 8. Back to the value's own scale.
    if (k > 0) return Extended(n) * (Extended(q) * Extended(kTenToMinus5));
    return Extended(n) / (Extended(q) * Extended(100000.0));
}

[[gnu::noinline]] std::string singleToTextInMode(float value) {
    return formatSignificant(roundSingleToSixDigits(value).toDouble(), 6);
}

[[gnu::noinline]] std::string doubleToTextInMode(double value) {
    return formatSignificant(value, 13);
}

}  // namespace

std::string integerToText(std::int32_t value) {
    std::array<char, 16> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string singleToText(float value) {
    const detail::FloatingPointMode mode;
    return singleToTextInMode(value);
}

std::string doubleToText(double value) {
    const detail::FloatingPointMode mode;
    return doubleToTextInMode(value);
}

}  // namespace calc
