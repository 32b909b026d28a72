// The rewrite of an input box when it is left, on any bytes, in both input modes.
//
// The rewritten text is a fixed point (a second pass leaves it as it is), holds only what
// the box's rules can produce (no line break, at most one point and one leading minus;
// typed characters, plus the exponent and infinity marks of the Single rule), and reads
// back, as the calculation will read it, to the value the box held: the clamped whole
// number, or the Single that the six written digits stand for.
//
// One exception belongs to the rules themselves: a real box beyond the Single range shows
// "1.#INF" or "-1.#INF", and those texts read as 1 and -1 when the box is left again.
#include "input_rules.h"

#include <calc/calc.h>

#include "fuzz_support.h"
#include "reference.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using corvane::InputMode;

bool onlyTypable(InputMode mode, std::string_view text) {
    return std::all_of(text.begin(), text.end(), [&](char c) {
        return c >= 0x20 && corvane::filterTypedCharacter(mode, static_cast<unsigned char>(c));
    });
}

// "-?[1-9][0-9]*", or the empty text.
bool isIntegerWriting(std::string_view text) {
    if (text.empty()) return true;
    if (text[0] == '-') text.remove_prefix(1);
    return !text.empty() && text[0] != '0' && text.find_first_not_of("0123456789") == text.npos;
}

// The shapes of the Single rule apart from zero: "-?d+(.d+)?(e[+-]ddd)?" with no trailing
// zero after the point, or an infinity.
bool isSingleWriting(std::string_view text) {
    if (text == "1.#INF" || text == "-1.#INF") return true;
    if (!text.empty() && text[0] == '-') text.remove_prefix(1);
    const std::size_t e = text.find('e');
    std::string_view mantissa = text.substr(0, e);
    if (e != text.npos) {
        const std::string_view exponent = text.substr(e + 1);
        if (exponent.size() != 4 || (exponent[0] != '+' && exponent[0] != '-') ||
            exponent.find_first_not_of("0123456789", 1) != exponent.npos)
            return false;
    }
    const std::size_t point = mantissa.find('.');
    const std::string_view whole = mantissa.substr(0, point);
    if (whole.empty() || whole.find_first_not_of("0123456789") != whole.npos) return false;
    if (point == mantissa.npos) return true;
    const std::string_view fraction = mantissa.substr(point + 1);
    return !fraction.empty() && fraction.find_first_not_of("0123456789") == fraction.npos &&
           fraction.back() != '0';
}

void checkInteger(std::string_view text) {
    const std::string once = corvane::normalizeInput(InputMode::integerInput, text);
    auto fail = [&](const std::string& what) {
        fuzz::fail("integer box: " + what + "; rewritten " + fuzz::quoted(once), text);
    };
    if (!isIntegerWriting(once) || !onlyTypable(InputMode::integerInput, once))
        fail("not a whole number as the box writes it");
    if (corvane::normalizeInput(InputMode::integerInput, once) != once) fail("a second pass changes it");

    const std::int64_t clamped =
        std::clamp<std::int64_t>(reference::readInteger64(text), std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max());
    if (calc::textToInteger(once) != clamped)
        fail("reads as " + std::to_string(calc::textToInteger(once)) + ", the box held " +
             std::to_string(clamped));
}

void checkReal(std::string_view text) {
    const std::string once = corvane::normalizeInput(InputMode::realInput, text);
    auto fail = [&](const std::string& what) {
        fuzz::fail("real box: " + what + "; rewritten " + fuzz::quoted(once), text);
    };
    if (once.find_first_of("\r\n") != once.npos) fail("a line break");
    if (std::count(once.begin(), once.end(), '.') > 1) fail("a second point");
    if (!once.empty() && !isSingleWriting(once)) fail("not a Single as the box writes it");
    const std::string_view typedPart = std::string_view(once).substr(0, once.find_first_of("e#"));
    if (!onlyTypable(InputMode::realInput, typedPart)) fail("characters typing cannot give");

    const std::string twice = corvane::normalizeInput(InputMode::realInput, once);
    const std::uint32_t held = reference::readSingleBits(text);
    const bool infinite = (held & 0x7FFFFFFFu) == 0x7F800000u;
    if (infinite) {
        // The infinity texts read as their leading digit, with its sign.
        if (twice != (once[0] == '-' ? "-1" : "1")) fail("an infinity's text rewritten as " + fuzz::quoted(twice));
        return;
    }
    if (twice != once) fail("a second pass gives " + fuzz::quoted(twice));

    // The value the six digits stand for: n × 10^(k - 5) of the held Single's rounding.
    const reference::SixDigitTrace trace = reference::roundSingleToSixDigits(held);
    const std::string meant = std::string((held >> 31) != 0 ? "-" : "") +
                              std::to_string(trace.n) + "e" + std::to_string(trace.kFinal - 5);
    const float expected = fuzz::singleFromBits(reference::readSingleBits(meant));
    const float read = calc::textToSingle(once);
    // An empty box reads as +0 where the held value was a zero of either sign.
    if (!(read == expected) || fuzz::bitsOf(read) != fuzz::bitsOf(calc::readSingle(once)))
        fail("reads as " + fuzz::hex(fuzz::bitsOf(read), 8) + ", the six digits mean " + meant +
             " = " + fuzz::hex(fuzz::bitsOf(expected), 8));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    checkInteger(text);
    checkReal(text);
    if (corvane::normalizeInput(InputMode::readOnly, text) != text)
        fuzz::fail("read-only box rewritten", text);
    return 0;
}
