#include "cli.h"

#include <calc/calc.h>

#include <charconv>
#include <cstdint>
#include <fstream>
#include <istream>
#include <ostream>

#ifndef CORVANE_VERSION
#error "CORVANE_VERSION is set by the build"
#endif

namespace corvane::cli {
namespace {

constexpr std::string_view kProgram = "corvane-calc-cli";
constexpr std::string_view kStandardInput = "(standard input)";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string decimal(std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return std::string(digits, end);
}

// Reads the next line into `line`, without its LF; a byte-order mark that starts the input
// (spreadsheets write one) is dropped. Before it waits for more input it hands on what has
// been answered, so that a program feeding lines one by one gets each answer at once.
bool nextLine(std::istream& in, std::ostream& out, std::string& line, std::int64_t lineNumber) {
    if (in.rdbuf()->in_avail() <= 0) out.flush();
    if (!std::getline(in, line)) return false;
    if (lineNumber == 1 && std::string_view(line).substr(0, kByteOrderMark.size()) == kByteOrderMark)
        line.erase(0, kByteOrderMark.size());
    return true;
}

void reportFieldCount(std::ostream& err, std::string_view inputName, std::int64_t lineNumber,
                      std::size_t count) {
    err << kProgram << ": " << inputName << ":" << decimal(lineNumber)
        << ": expected 4 tab-separated fields (premium, payment years, payout, rate), found "
        << decimal(static_cast<std::int64_t>(count)) << "\n";
}

std::string rewritten(std::string_view text, bool wholeNumber, Rewrite rewrite) {
    if (rewrite == Rewrite::none) return std::string(text);
    return wholeNumber ? calc::normalizeIntegerInput(text) : calc::normalizeRealInput(text);
}

calc::BreakEvenResult calculate(const Fields& f, Rewrite rewrite,
                                const std::function<void(const calc::AccountMonths&)>& observer) {
    return calc::runBreakEven(rewritten(f[0], true, rewrite), rewritten(f[1], true, rewrite),
                              rewritten(f[2], false, rewrite), rewritten(f[3], false, rewrite),
                              observer);
}

// Answers one input (a file or standard input) in whichever mode was asked for.
bool answerInput(std::istream& in, std::string_view name, std::ostream& out, std::ostream& err,
                 Rewrite rewrite, bool schedule) {
    return schedule ? writeSchedule(in, name, out, err, rewrite)
                    : answerLines(in, name, out, err, rewrite);
}

}  // namespace

std::size_t splitLine(std::string_view line, Fields& fields) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t count = 0;
    Fields found;
    while (true) {
        const std::size_t tab = line.find('\t');
        if (count < found.size()) found[count] = line.substr(0, tab);
        ++count;
        if (tab == std::string_view::npos) break;
        line.remove_prefix(tab + 1);
    }
    if (count == found.size()) fields = found;
    return count;
}

std::string answerLine(const Fields& fields, Rewrite rewrite) {
    const calc::BreakEvenResult r = calculate(fields, rewrite, nullptr);
    std::string answer;
    answer.reserve(r.totalReceived.size() + r.balance.size() + r.breakEvenTime.size() +
                   r.checkEquation.size() + 6);
    answer.append(r.totalReceived).append(1, '\t').append(r.balance).append(1, '\t');
    answer.append(r.breakEvenTime).append(1, '\t').append(r.checkEquation).append(1, '\t');
    answer.append(1, r.noticeDue ? '1' : '0');
    return answer;
}

bool answerLines(std::istream& in, std::string_view inputName, std::ostream& out,
                 std::ostream& err, Rewrite rewrite) {
    bool allAnswered = true;
    std::string line;
    Fields fields;
    for (std::int64_t lineNumber = 1; nextLine(in, out, line, lineNumber); ++lineNumber) {
        const std::size_t count = splitLine(line, fields);
        if (count != fields.size()) {
            reportFieldCount(err, inputName, lineNumber, count);
            allAnswered = false;
            continue;
        }
        out << answerLine(fields, rewrite) << '\n';
    }
    return allAnswered;
}

bool writeSchedule(std::istream& in, std::string_view inputName, std::ostream& out,
                   std::ostream& err, Rewrite rewrite) {
    std::string line, extra;
    if (!nextLine(in, out, line, 1)) {
        err << kProgram << ": " << inputName << ": --schedule needs one line of four fields\n";
        return false;
    }
    if (nextLine(in, out, extra, 2)) {
        err << kProgram << ": " << inputName
            << ":2: --schedule takes one line; give the others one run each\n";
        return false;
    }
    Fields fields;
    const std::size_t count = splitLine(line, fields);
    if (count != fields.size()) {
        reportFieldCount(err, inputName, 1, count);
        return false;
    }
    out << "month,phase,balance,months\n";
    std::string row;
    calculate(fields, rewrite, [&](const calc::AccountMonths& entry) {
        row.clear();
        row.append(decimal(entry.lastMonth)).append(1, ',');
        row.append(entry.phase == calc::AccountPhase::payment ? "payment," : "drawdown,");
        row.append(calc::singleToText(entry.balance)).append(1, ',');
        row.append(decimal(entry.months)).append(1, '\n');
        out << row;
    });
    return true;
}

std::string helpText() {
    return R"(Usage: corvane-calc-cli [--no-rewrite] [FILE]...
       corvane-calc-cli --schedule [--no-rewrite] [FILE]
       corvane-calc-cli --help | --version

The calculation of the Corvane养老险计算器 window, for scripts and spreadsheets.

Each line of the FILEs (or of standard input, also named -) holds four fields separated by
tabs: the yearly premium, the payment years, the monthly payout and the yearly interest
rate in percent, as they would stand in the window's four input boxes (full-width forms
included). Lines end in LF or CR LF. Each line is answered by one line on standard output,
in the same order, with five tab-separated fields: the total received (共领取金额), the
balance left (剩余金额), the break-even time (回本时间), the check equation, and 1 when
the deposit lasts a hundred years (the window's notice), else 0.

A line without exactly four fields is not answered; a message on standard error names its
file and line, the other lines go on, and the exit status is 1.

Before the calculation, each field is rewritten as its box rewrites it when it is left,
so the figures are the window's for the same box texts: the premium and the years as
whole numbers held within the 32-bit range, the payout and the rate to six significant
digits, and a text without a number (full-width digits hold none for the boxes) as 0.
--no-rewrite hands the fields to the calculation as they stand instead: full-width forms
then read as their ASCII forms, every digit counts, and whole numbers wrap around.

--schedule  writes the month-by-month account of the one input line as CSV:
            month,phase,balance,months
            phase is payment or drawdown, balance the balance at the end of the month.
            Where the calculation takes a run of months at once, one row covers the run:
            months says how many months it covers, month is its last.
--help      this text.
--version   the program's version.

Exit status: 0 when every line was answered, 1 when a line or a file was not, 2 for an
unknown option.

Examples:
  $ printf '1000\t10\t24.93\t2.8\n' | corvane-calc-cli
  18822.2	2.99671	62年11月	755*24.93+2.99671=18825.14710283	0
  $ printf '1000\t1\t75\t0\n' | corvane-calc-cli --schedule
  month,phase,balance,months
  1,payment,925,1
  ...
  12,payment,100,1
  13,drawdown,25,1
)";
}

int runCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err) {
    bool schedule = false;
    Rewrite rewrite = Rewrite::likeTheWindow;
    std::vector<std::string> inputs;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--help") {
            out << helpText();
            return 0;
        } else if (options && arg == "--version") {
            out << kProgram << " " << CORVANE_VERSION << "\n";
            return 0;
        } else if (options && arg == "--schedule") {
            schedule = true;
        } else if (options && arg == "--no-rewrite") {
            rewrite = Rewrite::none;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            err << kProgram << ": unknown option " << arg << "\nTry " << kProgram << " --help\n";
            return 2;
        } else {
            inputs.push_back(arg);
        }
    }
    if (schedule && inputs.size() > 1) {
        err << kProgram << ": --schedule takes one input\n";
        return 2;
    }
    if (inputs.empty()) inputs.emplace_back("-");

    bool allAnswered = true;
    for (const std::string& name : inputs) {
        if (name == "-") {
            allAnswered = answerInput(in, kStandardInput, out, err, rewrite, schedule) && allAnswered;
            continue;
        }
        std::ifstream file(name, std::ios::binary);
        if (!file) {
            err << kProgram << ": " << name << ": cannot be opened\n";
            allAnswered = false;
            continue;
        }
        allAnswered = answerInput(file, name, out, err, rewrite, schedule) && allAnswered;
        if (file.bad()) {
            err << kProgram << ": " << name << ": reading failed\n";
            allAnswered = false;
        }
    }
    out.flush();
    if (!out) {
        err << kProgram << ": writing the output failed\n";
        return 1;
    }
    return allAnswered ? 0 : 1;
}

}  // namespace corvane::cli
