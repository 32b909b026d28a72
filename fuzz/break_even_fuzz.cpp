// The break-even calculation on four arbitrary texts.
//
// Input: the four texts (premium, payment years, payout, rate) separated by 0xFF bytes,
// a byte that no UTF-8 text holds; missing texts are empty.
//
// Checked on every input: the time text, the totals and the check equation are made of one
// another (the equation's count is the time's months, its payout and balance are the
// payout read and the balance shown, its total is their sum to within the six-digit
// writing); the notice comes only with a hundred years. Where the horizon is at most
// kCountedMonths months, everything agrees with counting every month. That the call
// returns promptly is the fuzzer's time cap (-timeout) and the replay's test timeout.
#include <calc/calc.h>

#include "fuzz_support.h"
#include "month_by_month.h"
#include "reference.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

constexpr std::int64_t kCountedMonths = 12000;

std::string timeText(std::int64_t totalMonths) {
    std::int64_t years = 0, months = totalMonths;
    if (months >= 12) {
        years = months / 12;
        months %= 12;
    }
    std::string text = std::to_string(years) + "年";
    if (months != 0) text += std::to_string(months) + "月";
    return text;
}

// The months of a time text ("62年11月", "19年", "0年-10月"), or false for another shape.
bool monthsOf(const std::string& time, std::int64_t& months) {
    const std::string kYear = "年", kMonth = "月";
    const std::size_t year = time.find(kYear);
    if (year == std::string::npos || year == 0) return false;
    try {
        std::size_t used = 0;
        const long long years = std::stoll(time.substr(0, year), &used);
        if (used != year) return false;
        long long rest = 0;
        const std::string tail = time.substr(year + kYear.size());
        if (!tail.empty()) {
            if (tail.size() <= kMonth.size() || tail.compare(tail.size() - kMonth.size(), kMonth.size(), kMonth) != 0)
                return false;
            const std::string digits = tail.substr(0, tail.size() - kMonth.size());
            rest = std::stoll(digits, &used);
            if (used != digits.size() || rest == 0) return false;
        }
        months = years * 12 + rest;
        return timeText(months) == time;
    } catch (...) {
        return false;
    }
}

double valueOf(const std::string& text) {
    return fuzz::doubleFromBits(reference::readReal(text).doubleBits);
}

bool isSpecial(const std::string& text) { return text.find('#') != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::asText(data, size);
    std::array<std::string_view, 4> texts{};
    std::size_t field = 0, start = 0;
    for (std::size_t i = 0; i <= size && field < texts.size(); ++i) {
        if (i == size || data[i] == 0xFF) {
            texts[field++] = input.substr(start, i - start);
            start = i + 1;
        }
    }

    const calc::BreakEvenResult r = calc::runBreakEven(texts[0], texts[1], texts[2], texts[3]);
    auto fail = [&](const std::string& what) {
        fuzz::fail(what + "; got {" + fuzz::quoted(r.totalReceived) + ", " + fuzz::quoted(r.balance) +
                       ", " + fuzz::quoted(r.breakEvenTime) + ", " + fuzz::quoted(r.checkEquation) +
                       (r.noticeDue ? ", notice}" : "}"),
                   input);
    };

    // 1. The results are made of one another.
    std::int64_t months = 0;
    if (!monthsOf(r.breakEvenTime, months)) fail("a time text of another shape");
    const auto months32 = static_cast<std::int32_t>(months);
    if (months32 != months) fail("a month count beyond the Integer range");
    const float payout = calc::textToSingle(texts[2]);
    const std::string left = calc::integerToText(months32) + "*" + calc::singleToText(payout) + "+" +
                             r.balance + "=";
    if (r.checkEquation.compare(0, left.size(), left) != 0)
        fail("the equation does not start with " + fuzz::quoted(left));
    const std::string total = r.checkEquation.substr(left.size());
    if (r.totalReceived != calc::singleToText(fuzz::receivedIn(months32, payout)))
        fail("the total received is not the months times the payout");
    if (r.noticeDue && months != 1200) fail("a notice before a hundred years");
    if (isSpecial(r.totalReceived) || isSpecial(r.balance)) {
        if (!isSpecial(total)) fail("a finite total of an infinite or undefined sum");
    } else {
        // Six digits, or for subnormals a last digit in the place of 1e-44 or 1e-43.
        const double a = valueOf(r.totalReceived), b = valueOf(r.balance), t = valueOf(total);
        const double allowance = 1e-5 * (std::fabs(a) + std::fabs(b)) + 2e-43;
        if (isSpecial(total) || !(std::fabs(t - (a + b)) <= allowance))
            fail("the equation's total " + fuzz::quoted(total) + " is not the sum of its parts");
    }

    // 2. Counting every month, where the horizon is short enough.
    const std::int32_t premium = calc::textToInteger(texts[0]);
    const std::int32_t years = calc::textToInteger(texts[1]);
    if (years >= 100 || (100 - std::int64_t{years}) * 12 > kCountedMonths) return 0;
    const float rate = calc::textToSingle(texts[3]);
    const fuzz::CountedRun counted = fuzz::countEveryMonth(premium, years, payout, rate);
    const auto countedMonths = static_cast<std::int32_t>(counted.totalMonths);
    const std::string equation = calc::integerToText(countedMonths) + "*" + calc::singleToText(payout) +
                                 "+" + calc::singleToText(counted.balance) + "=" +
                                 calc::doubleToText(counted.checkTotal);
    if (r.checkEquation != equation || r.noticeDue != counted.notice ||
        r.totalReceived != calc::singleToText(counted.totalReceived) ||
        r.breakEvenTime != timeText(counted.totalMonths))
        fail("counting every month gives {" + fuzz::quoted(calc::singleToText(counted.totalReceived)) +
             ", balance " + fuzz::hex(fuzz::bitsOf(counted.balance), 8) + ", " +
             fuzz::quoted(timeText(counted.totalMonths)) + ", " + fuzz::quoted(equation) +
             (counted.notice ? ", notice}" : "}"));
    return 0;
}
