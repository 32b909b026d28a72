// Speed of corvane-calc-cli's batch mode: 100,000 lines of the window's defaults, read from
// one stream and answered into another. Built with the project, run by hand:
//   build/test/bench/cli_bench
// Target: under 2 s for the 100,000 lines.
#include <benchmark/benchmark.h>

#include "cli.h"

#include <sstream>
#include <string>

namespace {

void answerDefaultLines(benchmark::State& state) {
    const auto lines = static_cast<std::size_t>(state.range(0));
    std::string input;
    for (std::size_t i = 0; i < lines; ++i) input += "1000\t10\t24.93\t2.8\n";
    for (auto _ : state) {
        std::istringstream in(input);
        std::ostringstream out, err;
        const bool ok = corvane::cli::answerLines(in, "bench", out, err,
                                                  corvane::cli::Rewrite::likeTheWindow);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(out.str().size());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lines));
}
BENCHMARK(answerDefaultLines)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
