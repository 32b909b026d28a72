// The input boxes' own rules: which typed characters a box takes, and what its text
// becomes when the box is left. Pure functions, usable without any widget.
#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace corvane {

// How an edit box treats the user.
enum class InputMode {
    integerInput,  // a whole number: yearly premium, payment years
    realInput,     // a real number: monthly payout, interest rate
    readOnly,      // a result: can be selected and copied, never changed by the user
};

// Whether a box in `mode` takes one typed character `c` (a Unicode code point). Each
// character is judged alone, without looking at the text already in the box:
//   1. control characters (below U+0020: Backspace, Enter, Ctrl+C, Ctrl+V ...) pass;
//   2. integerInput: '-' and '0'..'9' pass;
//   3. realInput: '-', '.' and '0'..'9' pass;
//   4. everything else is dropped: letters, '+', ',', ' ', full-width digits, any
//      non-ASCII character.
// A read-only box takes no printable character at all.
bool filterTypedCharacter(InputMode mode, char32_t c);

// The characters of `typed` that filterTypedCharacter lets through, in their order.
// Used for key presses that produce several characters and for input-method commits.
QString filterTypedText(InputMode mode, QStringView typed);

// What an input box's text becomes when the box loses the keyboard focus (UTF-8 in, UTF-8
// out). No full-width folding happens here: "１２" holds no number.
//   integerInput: the leading whole number, read modulo 2^64 and clamped to the 32-bit
//                 range ("007" -> "7", "3000000000" -> "2147483647",
//                 "9223372036854775808" -> "-2147483648", "10\r\n00" -> "10");
//   realInput:    the leading real number as a Single, written with six significant
//                 digits ("24.931234" -> "24.9312", "1234567" -> "1.23457e+006");
//   both:         a value of zero, or no number at all, gives the empty text;
//   readOnly:     the text unchanged (results are never rewritten).
std::string normalizeInput(InputMode mode, std::string_view text);

}  // namespace corvane
