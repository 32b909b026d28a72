#include "input_rules.h"

#include <calc/calc.h>

#include <QList>

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
    switch (mode) {
    case InputMode::integerInput:
        return calc::normalizeIntegerInput(text);
    case InputMode::realInput:
        return calc::normalizeRealInput(text);
    case InputMode::readOnly:
        break;
    }
    return std::string(text);  // Results are never rewritten.
}

}  // namespace corvane
