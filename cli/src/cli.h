// corvane-calc-cli: the calculation of the window for scripts and spreadsheets, one
// tab-separated line in, one tab-separated line out. Everything here works on streams, so
// that the tests can drive it without a process.
#pragma once

#include <array>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// What happens to the four fields before the calculation reads them.
enum class Rewrite {
    likeTheWindow,  // each field is rewritten as its input box rewrites it when it is left
    none,           // the fields go to the calculation as they stand
};

using Fields = std::array<std::string_view, 4>;  // premium, payment years, payout, rate

// Splits one line, without its LF, at its tabs; a CR at the end is dropped first. Returns
// the number of fields; `fields` is filled only when there are exactly four.
//   "1000\t10\t24.93\t2.8\r" -> 4     "1000\t10" -> 2     "" -> 1
std::size_t splitLine(std::string_view line, Fields& fields);

// The answer to one line, without its LF: the texts for 编辑框6, 编辑框7, 编辑框5, 编辑框8
// and the notice flag ("1" when the hundred-year notice is due, else "0"), tab-separated.
//   {"1000", "10", "24.93", "2.8"} ->
//       "18822.2\t2.99671\t62年11月\t755*24.93+2.99671=18825.14710283\t0"
std::string answerLine(const Fields& fields, Rewrite rewrite);

// Answers every line of `in` on `out`, in order, one line read and one written at a time.
// A line without four fields gets a message on `err` naming `inputName` and its line
// number, and no answer. Returns whether every line had four fields.
bool answerLines(std::istream& in, std::string_view inputName, std::ostream& out,
                 std::ostream& err, Rewrite rewrite);

// The account of the one line in `in`, month by month, as CSV on `out`:
//   month,phase,balance,months
// with one row per month (months = 1) or per run of months the calculation takes at once
// (months = its length, month = its last month, balance = the balance at its end). Returns
// false, with a message on `err`, when `in` does not hold exactly one line of four fields.
bool writeSchedule(std::istream& in, std::string_view inputName, std::ostream& out,
                   std::ostream& err, Rewrite rewrite);

// The whole program: `args` without the program's name; `in` is standard input. Returns the
// exit status: 0, 1 when a line or a file could not be answered, 2 for a wrong command line.
int runCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err);

// The text of --help.
std::string helpText();

}  // namespace corvane::cli
