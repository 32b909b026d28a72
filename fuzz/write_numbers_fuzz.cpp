// The writings on arbitrary bit patterns: the Integer, Single and Double rules agree with
// the exact reference, and a written Single shows exactly the six digits its rounding
// meant and reads back as the Single nearest to them.
//
// Input: eight bytes, little-endian, zero-filled: a Double's bits; its low and high halves
// are two Singles' bits, the low half an Integer. Any bytes after the eighth are a text:
// the Double and the Single that the reference reads from it, and their neighbours up to
// two units in the last place away, are written too. Texts reach the values next to
// decimal rounding boundaries ("0.10000000000015", "123456.5") that random bits seldom hit.
#include <calc/calc.h>

#include "fuzz_support.h"
#include "reference.h"

#include <cmath>
#include <string>

namespace {

// A decimal value as its significant digits (no leading or trailing zeros; "" for zero)
// and the power of ten of the last one.
struct Decimal {
    bool negative = false;
    std::string digits;
    long power = 0;
    bool operator==(const Decimal& o) const {
        return negative == o.negative && digits == o.digits && power == o.power;
    }
};

Decimal normalised(bool negative, std::string digits, long power) {
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return {};
    digits.erase(0, first);
    while (digits.back() == '0') {
        digits.pop_back();
        ++power;
    }
    return {negative, digits, power};
}

// The exact value of a written Single ("-1.23457e+006", "0.000123", "24.93"), or nothing
// for the texts of infinities and NaNs.
bool parseWritten(const std::string& text, Decimal& out) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    std::string digits;
    long fraction = 0;
    bool point = false;
    for (; i < text.size() && text[i] != 'e'; ++i) {
        if (text[i] == '.') {
            point = true;
        } else if (text[i] >= '0' && text[i] <= '9') {
            digits += text[i];
            if (point) ++fraction;
        } else {
            return false;
        }
    }
    long exponent = 0;
    if (i < text.size()) exponent = std::stol(text.substr(i + 1));
    out = normalised(negative, digits, exponent - fraction);
    return true;
}

void checkSingle(std::uint32_t bits, std::string_view input) {
    const float value = fuzz::singleFromBits(bits);
    const std::string text = calc::singleToText(value);
    const std::string expected = reference::singleToText(bits);
    if (text != expected)
        fuzz::fail("singleToText(" + fuzz::hex(bits, 8) + ") " + fuzz::quoted(text) +
                       ", reference " + fuzz::quoted(expected),
                   input);
    if (!std::isfinite(value)) return;

    // What the six-digit rounding meant: n × 10^(k - 5) with the Single's sign.
    const reference::SixDigitTrace trace = reference::roundSingleToSixDigits(bits);
    const Decimal meant =
        normalised((bits >> 31) != 0, std::to_string(trace.n), long{trace.kFinal} - 5);
    Decimal shown;
    if (!parseWritten(text, shown) || !(shown == meant))
        fuzz::fail("singleToText(" + fuzz::hex(bits, 8) + ") " + fuzz::quoted(text) +
                       " does not show n = " + std::to_string(trace.n) + " at k = " +
                       std::to_string(trace.kFinal),
                   input);

    const std::string meantText =
        (meant.negative ? "-" : "") + (meant.digits.empty() ? "0" : meant.digits) + "e" +
        std::to_string(meant.power);
    const std::uint32_t readBack = fuzz::bitsOf(calc::readSingle(text));
    const std::uint32_t meantBits = reference::readSingleBits(meantText);
    if (readBack != meantBits)
        fuzz::fail("readSingle(singleToText(" + fuzz::hex(bits, 8) + ") = " + fuzz::quoted(text) +
                       ") " + fuzz::hex(readBack, 8) + ", nearest to " + meantText + " is " +
                       fuzz::hex(meantBits, 8),
                   input);
}

void checkDouble(std::uint64_t bits, std::string_view input) {
    const double value = fuzz::doubleFromBits(bits);
    for (const int precision : {6, 13}) {
        const std::string text = calc::formatSignificant(value, precision);
        const std::string expected = reference::formatSignificant(bits, precision);
        if (text != expected)
            fuzz::fail("formatSignificant(" + fuzz::hex(bits, 16) + ", " +
                           std::to_string(precision) + ") " + fuzz::quoted(text) +
                           ", reference " + fuzz::quoted(expected),
                       input);
    }
    if (calc::doubleToText(value) != reference::doubleToText(bits))
        fuzz::fail("doubleToText(" + fuzz::hex(bits, 16) + ") " +
                       fuzz::quoted(calc::doubleToText(value)) + ", reference " +
                       fuzz::quoted(reference::doubleToText(bits)),
                   input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::asText(data, size);
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < size && i < 8; ++i) bits |= std::uint64_t{data[i]} << (8 * i);

    const auto low = static_cast<std::uint32_t>(bits & 0xFFFFFFFFu);
    const auto high = static_cast<std::uint32_t>(bits >> 32);
    checkDouble(bits, input);
    checkSingle(low, input);
    checkSingle(high, input);

    if (size > 8) {
        const reference::RealReading read = reference::readReal(input.substr(8));
        for (const int step : {-2, -1, 0, 1, 2}) {
            checkDouble(read.doubleBits + static_cast<std::uint64_t>(static_cast<std::int64_t>(step)), input);
            checkSingle(read.singleBits + static_cast<std::uint32_t>(static_cast<std::int32_t>(step)), input);
        }
    }

    const std::int32_t integer = static_cast<std::int32_t>(static_cast<std::int64_t>(low) -
                                                           (low >= 0x80000000u ? 0x100000000 : 0));
    if (calc::integerToText(integer) != reference::integerToText(integer))
        fuzz::fail("integerToText(" + std::to_string(integer) + ") " +
                       fuzz::quoted(calc::integerToText(integer)),
                   input);
    return 0;
}
