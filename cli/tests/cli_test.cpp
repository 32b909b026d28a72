// corvane-calc-cli through its streams: the batch lines, the files, the schedule and the
// command line.
#include "cli.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string>& args, const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = corvane::cli::runCli(args, in, out, err);
    return {status, out.str(), err.str()};
}

const std::string kDefaultsAnswer = "18822.2\t2.99671\t62年11月\t755*24.93+2.99671=18825.14710283\t0\n";

TEST(CliBatch, AnswersEachLine) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        std::string out;
        std::vector<std::string> messages;  // the lines on standard error, after the name
    };
    const Case cases[] = {
        {"defaults", {}, "1000\t10\t24.93\t2.8\n", kDefaultsAnswer, {}},
        {"CR LF and a last line without its end", {},
         "1000\t10\t24.93\t2.8\r\n1000\t10\t0\t2.8",
         kDefaultsAnswer + "0\t144994\t100年\t1200*0+144994=144994.328125\t1\n", {}},
        {"a byte-order mark before the first line", {}, "\xEF\xBB\xBF" "1000\t10\t24.93\t2.8\n",
         kDefaultsAnswer, {}},
        {"empty fields read as zero", {}, "\t\t\t\n", "0\t0\t0年\t0*0+0=0\t0\n", {}},
        {"wrong field counts are reported, the rest answered in order", {},
         "1000\t10\t24.93\n1000\t10\t24.93\t2.8\n\n1000\t10\t24.93\t2.8\t5\n1000\t10\t24.93\t2.8\n",
         kDefaultsAnswer + kDefaultsAnswer,
         {"(standard input):1: expected 4 tab-separated fields (premium, payment years, payout, rate), found 3",
          "(standard input):3: expected 4 tab-separated fields (premium, payment years, payout, rate), found 1",
          "(standard input):4: expected 4 tab-separated fields (premium, payment years, payout, rate), found 5"}},
        // The boxes hold full-width digits as no number; the calculation itself folds them.
        {"full-width forms, as the window takes them", {},
         "１０００\t１０\t２４．９３\t２．８\n", "0\t0\t0年\t0*0+0=0\t0\n", {}},
        {"full-width forms, without the rewrite", {"--no-rewrite"},
         "１０００\t１０\t２４．９３\t２．８\n", kDefaultsAnswer, {}},
        // The premium box clamps to the 32-bit range; the plain reading wraps around.
        {"years beyond the 32-bit range, as the window takes them", {},
         "1000\t3000000000\t24.93\t2.8\n", "29916\t393611\t100年\t1200*24.93+393611=423527.34375\t1\n", {}},
        {"years beyond the 32-bit range, without the rewrite", {"--no-rewrite"},
         "1000\t3000000000\t24.93\t2.8\n",
         "4.08917e+010\t0\t136688469年4月\t1640261632*24.93+0=40891723776\t0\n", {}},
        // The payout box keeps six digits: 24.9300004 is 24.93 there.
        {"a payout with more than six digits", {}, "1000\t10\t24.9300004\t2.8\n", kDefaultsAnswer, {}},
        {"no input, no output", {}, "", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome r = run(c.args, c.input);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.status, c.messages.empty() ? 0 : 1);
        std::string err;
        for (const std::string& message : c.messages) err += "corvane-calc-cli: " + message + "\n";
        EXPECT_EQ(r.err, err);
    }
}

// Feeds one line at a time and records, each time more input is asked for, what has been
// written: a program that waits for each answer before it sends the next line must get it.
class OneLineAtATime : public std::streambuf {
public:
    OneLineAtATime(std::vector<std::string> lines, const std::ostringstream& out)
        : m_lines(std::move(lines)), m_out(out) {}
    std::vector<std::string> seen;  // the output at each request for more input

protected:
    int_type underflow() override {
        seen.push_back(m_out.str());
        if (m_next == m_lines.size()) return traits_type::eof();
        m_current = m_lines[m_next++];
        setg(m_current.data(), m_current.data(), m_current.data() + m_current.size());
        return traits_type::to_int_type(m_current[0]);
    }

private:
    std::vector<std::string> m_lines;
    std::size_t m_next = 0;
    std::string m_current;
    const std::ostringstream& m_out;
};

TEST(CliBatch, AnswersBeforeReadingOn) {
    std::ostringstream out, err;
    OneLineAtATime feed({"1000\t10\t24.93\t2.8\n", "1000\t10\t0\t2.8\n", "0\t0\t0\t0\n"}, out);
    std::istream in(&feed);
    ASSERT_EQ(corvane::cli::runCli({}, in, out, err), 0);
    ASSERT_GE(feed.seen.size(), 4u);
    EXPECT_EQ(feed.seen[0], "");
    EXPECT_EQ(feed.seen[1], kDefaultsAnswer);
    EXPECT_EQ(feed.seen[2], kDefaultsAnswer + "0\t144994\t100年\t1200*0+144994=144994.328125\t1\n");
    EXPECT_EQ(out.str(), feed.seen[2] + "0\t0\t0年\t0*0+0=0\t0\n");
}

class CliFiles : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = ::testing::TempDir() + "cli_test_" + name;
        std::ofstream(path, std::ios::binary) << text;
        m_paths.push_back(path);
        return path;
    }
    void TearDown() override {
        for (const std::string& path : m_paths) std::remove(path.c_str());
    }

private:
    std::vector<std::string> m_paths;
};

TEST_F(CliFiles, AnswersFilesInTurnAndNamesTheOneAtFault) {
    const std::string first = write("first.tsv", "1000\t10\t24.93\t2.8\r\n");
    const std::string second = write("second.tsv", "1000\t10\t0\t2.8\n1000\n");
    const std::string missing = ::testing::TempDir() + "cli_test_missing.tsv";
    const Outcome r = run({first, missing, "-", second}, "0\t0\t0\t0\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kDefaultsAnswer + "0\t0\t0年\t0*0+0=0\t0\n" +
                         "0\t144994\t100年\t1200*0+144994=144994.328125\t1\n");
    EXPECT_NE(r.err.find(missing + ": cannot be opened"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(second + ":2: expected 4"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(first), std::string::npos) << r.err;
}

TEST(CliSchedule, MonthByMonth) {
    const Outcome r = run({"--schedule"}, "1000\t1\t75\t0\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::string expected = "month,phase,balance,months\n";
    for (int month = 1; month <= 12; ++month)
        expected += std::to_string(month) + ",payment," + std::to_string(1000 - 75 * month) + ",1\n";
    expected += "13,drawdown,25,1\n";
    EXPECT_EQ(r.out, expected);
}

// Rows must follow each other without gaps, in the right phase, up to the break-even time
// of the batch answer; where the calculation skips months the rows stay few.
TEST(CliSchedule, RowsCoverEveryMonthOnce) {
    struct Case {
        const char* name;
        const char* line;
        long long months;     // what the batch answer's equation counts
        long long paymentMonths;
        std::size_t mostRows;
    };
    const Case cases[] = {
        {"defaults", "1000\t10\t24.93\t2.8\n", 755, 120, 755},
        {"hundred years", "1000\t100\t1\t2.8\n", 1200, 1200, 1200},
        // 25769804976 months in all; the balance is infinite after about 35000 of them.
        {"far horizon", "0\t-2147483648\t-1\t2.8\n", 25769804976LL, 0, 40000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome r = run({"--schedule"}, c.line);
        ASSERT_EQ(r.status, 0) << r.err;
        std::istringstream rows(r.out);
        std::string row;
        ASSERT_TRUE(std::getline(rows, row));
        EXPECT_EQ(row, "month,phase,balance,months");
        long long month = 0;
        std::size_t count = 0;
        std::string lastBalance;
        while (std::getline(rows, row)) {
            ++count;
            long long last = 0, covered = 0;
            char phase[16] = {}, balance[32] = {};
            ASSERT_EQ(std::sscanf(row.c_str(), "%lld,%15[a-z],%31[^,],%lld", &last, phase, balance,
                                  &covered), 4) << row;
            ASSERT_EQ(last, month + covered) << row;
            EXPECT_STREQ(phase, last <= c.paymentMonths ? "payment" : "drawdown") << row;
            month = last;
            lastBalance = balance;
        }
        EXPECT_EQ(month, c.months);
        EXPECT_LE(count, c.mostRows);
        // The last row's balance is the one that the batch answer reports.
        const std::string answer = run({}, c.line).out;
        EXPECT_EQ(answer.substr(answer.find('\t') + 1, lastBalance.size() + 1), lastBalance + "\t");
    }
}

TEST(CliSchedule, NeedsExactlyOneLine) {
    const struct {
        const char* name;
        const char* input;
        const char* message;
    } cases[] = {
        {"no line", "", "needs one line"},
        {"two lines", "1000\t10\t24.93\t2.8\n1000\t10\t24.93\t2.8\n", ":2: --schedule takes one line"},
        {"three fields", "1000\t10\t24.93\n", ":1: expected 4 tab-separated fields"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome r = run({"--schedule"}, c.input);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

TEST(CliCommandLine, OptionsAndMistakes) {
    const Outcome help = run({"--help"}, "1000\t10\t24.93\t2.8\n");
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"Usage: corvane-calc-cli", "--schedule", "--no-rewrite",
                             "62年11月", "month,phase,balance,months"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part;

    const Outcome version = run({"--version"}, "");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("corvane-calc-cli ", 0), 0u) << version.out;

    const Outcome unknown = run({"--schedul"}, "1000\t10\t24.93\t2.8\n");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find("unknown option --schedul"), std::string::npos);

    const Outcome twoInputs = run({"--schedule", "a.tsv", "b.tsv"}, "");
    EXPECT_EQ(twoInputs.status, 2);

    // After "--" a name that looks like an option is a file.
    const Outcome dashes = run({"--", "--help"}, "");
    EXPECT_EQ(dashes.status, 1);
    EXPECT_NE(dashes.err.find("--help: cannot be opened"), std::string::npos);
}

}  // namespace
