// Speed of long drawdowns: the inputs that once froze the window, and their neighbours.
// Built with the project, run by hand (medians of repeated runs):
//   build/test/bench/drawdown_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <calc/calc.h>

namespace {

struct Kind {
    const char* name;
    const char* premium;
    const char* years;
    const char* payout;
    const char* rate;
};

const Kind kKinds[] = {
    {"growth every few months, horizon 660000", "1", "-54900", "-1", "0.14"},
    {"growth to infinity, far horizon", "1000", "-2147483648", "-1", "0.01"},
    {"swing near -2400, far horizon", "0", "-2147483648", "-1", "-2399.99"},
    {"swing near -2400, other side", "0", "-2147483648", "-1", "-2400.01"},
    {"swing near -2400, 1e8 years", "0", "-100000000", "-1", "-2399.9999"},
    {"creep through the subnormals", "0", "-2147483648", "-1e-45", "0"},
    {"subnormal creep, tiny rate", "0", "-2147483648", "-1e-45", "0.00011"},
    {"factor 1, payout just over half an ulp", "0", "-2147483648", "-0.50000006", "0"},
    {"factor 1, payout half an ulp at 2^24", "0", "-2147483648", "-1", "0"},
    {"rate 0", "0", "-2147483648", "-1", "0"},
    {"rate 0.00011", "0", "-2147483648", "-1", "0.00011"},
    {"rate 0.0002", "0", "-2147483648", "-1", "0.0002"},
    {"rate 0.001", "0", "-2147483648", "-1", "0.001"},
    {"rate 0.01", "0", "-2147483648", "-1", "0.01"},
    {"rate 1", "0", "-2147483648", "-1", "1"},
    {"rate 0, 1e8 years", "0", "-100000000", "-1", "0"},
    {"rate 0.00011, 1e8 years", "0", "-100000000", "-1", "0.00011"},
    {"rate 0.0002, 1e8 years", "0", "-100000000", "-1", "0.0002"},
    {"rate 0.001, 1e8 years", "0", "-100000000", "-1", "0.001"},
    {"rate 0.01, 1e8 years", "0", "-100000000", "-1", "0.01"},
    {"rate 1, 1e8 years", "0", "-100000000", "-1", "1"},
    {"rate 0.1, horizon 1e6", "0", "-83233", "-1", "0.1"},
    {"rate 0.3, horizon 1e6", "0", "-83233", "-1", "0.3"},
    {"defaults", "1000", "10", "24.93", "2.8"},
};

void runKind(benchmark::State& state, const Kind& kind) {
    for (auto _ : state)
        benchmark::DoNotOptimize(calc::runBreakEven(kind.premium, kind.years, kind.payout, kind.rate));
}

[[maybe_unused]] const bool kRegistered = [] {
    for (const Kind& kind : kKinds)
        benchmark::RegisterBenchmark(kind.name, runKind, kind)->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace
