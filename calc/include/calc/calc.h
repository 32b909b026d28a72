// Corvane养老险计算器 — the calculation and the number texts.
//
// Everything here is plain C++17 with no state: each function reads only its arguments,
// never throws, never reads the locale, environment or files, and returns a new value.
// All texts are UTF-8.
//
// The results are exact to the bit on every machine, whatever floating-point mode the
// caller left behind: the functions that compute set the mode they need for their own work
// (round to nearest, no flush to zero) and restore the caller's before they return. The
// Extended arithmetic (64-bit significand) is the x87 unit's where there is one, and exact
// integer arithmetic with the same results elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace calc {

// ---------------------------------------------------------------------------------------
// Reading numbers from text. Any text at all is accepted: the longest leading part that
// forms a number is read, the rest is ignored, and a text with no number reads as 0.
// Reading is linear in the length of the text.
// ---------------------------------------------------------------------------------------

// Folds full-width forms into ASCII, character by character (nothing inserted or removed):
// U+FF01..U+FF5D except U+FF04 -> U+0021..U+007D, U+FFE5 -> '$', U+FFE3 and U+FF5E -> '~',
// U+3000 -> ' ', U+2605 and U+2606 -> '*'. Everything else, invalid UTF-8 bytes included,
// is copied unchanged.
//   "１２．５" -> "12.5"      "\u3000１２" -> " 12"      "＄5" -> "＄5"
std::string foldFullWidth(std::string_view text);

// Reads a whole number without folding: white space (U+0009..U+000D, U+0020), at most one
// sign, decimal digits accumulated modulo 2^64, the sign applied modulo 2^64, the result
// taken as two's complement. Anything else ends the number; a second sign or a space after
// the sign gives 0.
//   "  12abc" -> 12      "-5" -> -5      "12.9" -> 12      "+-1" -> 0
//   "9223372036854775808" -> INT64_MIN   "１２" -> 0 (full-width digits are not digits here)
std::int64_t readInteger64(std::string_view text);

// textToInteger: foldFullWidth, then readInteger64 wrapped modulo 2^32.
//   "1000" -> 1000      "１２" -> 12      "3000000000" -> -1294967296      "1e3" -> 1
std::int32_t textToInteger(std::string_view text);

// Reads a real number without folding and rounds it to a Single: white space, an optional
// sign, a mantissa of digits with at most one '.', an optional exponent (e, E, d or D, an
// optional sign, at least one digit; exponents beyond 5200 count as 5201). The decimal
// value is rounded to the nearest Double, then that Double to the nearest Single (ties to
// even). Overflow gives an infinity of the text's sign, underflow a zero of its sign; the
// result is never a NaN. A text without a mantissa digit gives +0.
//   "24.93" -> 24.93000030517578125    "-0" -> -0.0f    "1d3" -> 1000    "1e" -> 1
//   "1e400" -> +inf                    "." -> +0        "0x10" -> 0
float readSingle(std::string_view text);

// textToSingle: foldFullWidth, then readSingle.
//   "１．５ｅ３" -> 1500      "12元" -> 12      "3.4028236e38" -> +inf
float textToSingle(std::string_view text);

// ---------------------------------------------------------------------------------------
// Writing numbers as text. ASCII only; '.' as the decimal point whatever the locale; no
// grouping; exponents as "e", a sign and three digits; infinities and NaNs as "1.#INF",
// "-1.#INF", "1.#QNAN", "-1.#QNAN", "-1.#IND", "1.#SNAN", "-1.#SNAN".
// ---------------------------------------------------------------------------------------

// Plain signed decimal.   0 -> "0"    -2147483648 -> "-2147483648"
std::string integerToText(std::int32_t value);

// Writes a binary64 value with `precision` significant digits (6 or 13): the exact decimal
// expansion is cut after 18 digits, rounded half up to 17, then half up to `precision`,
// then written in the fixed form when the decimal exponent X of the first digit satisfies
// -4 <= X < precision, otherwise in the exponent form; trailing zeros after the point go.
//   (1e7, 6) -> "1e+007"    (0.1 + 0.2, 13) -> "0.3"    (9999999999999.5, 13) -> "1e+013"
std::string formatSignificant(double value, int precision);

// The Single rule: the value is first rounded to six significant digits in Extended
// arithmetic (an exact 5 in the seventh digit rounds up), then written with six digits.
//   24.93f -> "24.93"    123456.5f -> "123457"    1234567.0f -> "1.23457e+006"
//   smallest subnormal -> "0"    any NaN -> "1.#QNAN"    -inf -> "-1.#INF"
std::string singleToText(float value);

// The Double rule: formatSignificant(value, 13).
//   18825.147102832794 -> "18825.14710283"    -2.5e-7 -> "-2.5e-007"
std::string doubleToText(double value);

// ---------------------------------------------------------------------------------------
// The break-even calculation.
// ---------------------------------------------------------------------------------------

// The one message the user ever sees: not even in 100 years does the deposit run dry.
inline constexpr std::string_view kNoticeText = "100年也不能回本，歇歇吧！";

struct BreakEvenResult {
    std::string totalReceived;   // for 编辑框6: what the policy has paid by then (Single rule)
    std::string balance;         // for 编辑框7: what is left in the deposit (Single rule)
    std::string breakEvenTime;   // for 编辑框5: "62年11月", "19年", "100年"
    std::string checkEquation;   // for 编辑框8: "755*24.93+2.99671=18825.14710283"
    bool noticeDue = false;      // the hundred-year notice (kNoticeText) is to be shown
};

// Runs the deposit month by month on the four input texts (yearly premium and payment
// years read with textToInteger, monthly payout and yearly rate in percent read with
// textToSingle) and returns the four result texts. Pure: no state survives a call.
// Every input is valid; the call ends in at most about a hundred years of simulated months
// (months in which the balance repeats are skipped), so it returns at once.
//   ("1000", "10", "24.93", "2.8") -> {"18822.2", "2.99671", "62年11月",
//                                      "755*24.93+2.99671=18825.14710283", false}
//   ("1000", "10", "0", "2.8")     -> {"0", "144994", "100年", "1200*0+144994=144994.328125", true}
//   ("", "", "", "")               -> {"0", "0", "0年", "0*0+0=0", false}
BreakEvenResult runBreakEven(std::string_view premium, std::string_view years,
                             std::string_view payout, std::string_view rate);

}  // namespace calc
