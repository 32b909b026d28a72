// Whole-number readings on any bytes: the library and the exact reference agree, with and
// without the full-width folding, and the folding itself agrees.
#include <calc/calc.h>

#include "fuzz_support.h"
#include "reference.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);

    const std::string folded = calc::foldFullWidth(text);
    if (folded != reference::foldFullWidth(text))
        fuzz::fail("foldFullWidth " + fuzz::quoted(folded) + ", reference " +
                       fuzz::quoted(reference::foldFullWidth(text)),
                   text);

    const std::int64_t wide = calc::readInteger64(text);
    const std::int64_t wideExpected = reference::readInteger64(text);
    if (wide != wideExpected)
        fuzz::fail("readInteger64 " + std::to_string(wide) + ", reference " +
                       std::to_string(wideExpected),
                   text);

    const std::int32_t narrow = calc::textToInteger(text);
    const std::int32_t narrowExpected = reference::textToInteger(text);
    if (narrow != narrowExpected)
        fuzz::fail("textToInteger " + std::to_string(narrow) + ", reference " +
                       std::to_string(narrowExpected),
                   text);
    return 0;
}
