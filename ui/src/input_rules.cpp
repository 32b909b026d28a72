#include "input_rules.h"

#include <calc/calc.h>

#include <QList>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace corvane {

bool filterTypedCharacter(InputMode mode, char32_t c)
{
    // 1. Control characters always reach the box: they are editing commands, not text.
    if (c < U'\u0020')
        return true;
    const bool digitOrMinus = (c >= U'0' && c <= U'9') || c == U'-';
    switch (mode) {
    case InputMode::integerInput:  // 2.
        return digitOrMinus;
    case InputMode::realInput:     // 3.
        return digitOrMinus || c == U'.';
    case InputMode::readOnly:
        return false;
    }
    return false;  // 4. Everything else is dropped silently.
}

QString filterTypedText(InputMode mode, QStringView typed)
{
    QString kept;
    for (const uint c : typed.toUcs4()) {
        const auto codePoint = static_cast<char32_t>(c);
        if (filterTypedCharacter(mode, codePoint))
            kept.append(QString::fromUcs4(&codePoint, 1));
    }
    return kept;
}

std::string normalizeInput(InputMode mode, std::string_view text)
{
    std::string rewritten;
    switch (mode) {
    case InputMode::integerInput: {
        // 2. Read modulo 2^64, then clamp to the 32-bit range before writing.
        const std::int64_t wide = calc::readInteger64(text);
        const std::int64_t clamped =
            std::clamp<std::int64_t>(wide, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
        rewritten = calc::integerToText(static_cast<std::int32_t>(clamped));
        break;
    }
    case InputMode::realInput:
        // 3. Read as a Single, write with six significant digits.
        rewritten = calc::singleToText(calc::readSingle(text));
        break;
    case InputMode::readOnly:
        return std::string(text);
    }
    // 4. Zero shows as an empty box.
    if (rewritten == "0")
        rewritten.clear();
    return rewritten;
}

}  // namespace corvane
