// What the window's input boxes make of their text when they are left.
#include <calc/calc.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace calc {
namespace {

// Zero shows as an empty box.
std::string emptyForZero(std::string text) {
    if (text == "0") text.clear();
    return text;
}

}  // namespace

std::string normalizeIntegerInput(std::string_view text) {
    // Read modulo 2^64, then clamp to the 32-bit range before writing.
    const std::int64_t wide = readInteger64(text);
    const std::int64_t clamped =
        std::clamp<std::int64_t>(wide, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max());
    return emptyForZero(integerToText(static_cast<std::int32_t>(clamped)));
}

std::string normalizeRealInput(std::string_view text) {
    // Read as a Single, write with six significant digits.
    return emptyForZero(singleToText(readSingle(text)));
}

}  // namespace calc
