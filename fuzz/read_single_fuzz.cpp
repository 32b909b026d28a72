// Real readings on any bytes: never a NaN, and the Single the exact reference reads, or,
// where the text lies within the allowance of a midpoint between two Doubles, the Single
// that the other Double gives.
#include <calc/calc.h>

#include "fuzz_support.h"
#include "reference.h"

#include <cmath>
#include <string>

namespace {

void check(const char* name, float value, const reference::RealReading& expected,
           std::string_view text) {
    const std::uint32_t bits = fuzz::bitsOf(value);
    if (std::isnan(value)) fuzz::fail(std::string(name) + " gave a NaN, " + fuzz::hex(bits, 8), text);
    if (bits == expected.singleBits) return;
    if (expected.nearDoubleMidpoint && bits == expected.otherSingleBits) return;
    fuzz::fail(std::string(name) + " " + fuzz::hex(bits, 8) + ", reference " +
                   fuzz::hex(expected.singleBits, 8) +
                   (expected.nearDoubleMidpoint ? " or " + fuzz::hex(expected.otherSingleBits, 8)
                                                : std::string()) +
                   " (Double " + fuzz::hex(expected.doubleBits, 16) + ")",
               text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    check("readSingle", calc::readSingle(text), reference::readReal(text), text);
    check("textToSingle", calc::textToSingle(text),
          reference::readReal(reference::foldFullWidth(text)), text);
    return 0;
}
