// Speed of the calculation and the number texts. Built with the project, run by hand; the
// build chooses the Extended backend, so compare the two builds of scripts/test.sh:
//   build/test/bench/calc_bench     (x87 backend on x86)
//   build/soft/bench/calc_bench     (portable backend, CALC_SOFT_EXTENDED=ON)
#include <benchmark/benchmark.h>
#include <calc/calc.h>

#include <string>

namespace {

void runDefaults(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(calc::runBreakEven("1000", "10", "24.93", "2.8"));
}
BENCHMARK(runDefaults);

// No payout: the deposit runs the full hundred years, 1200 months.
void runHundredYears(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(calc::runBreakEven("1000", "10", "0", "2.8"));
}
BENCHMARK(runHundredYears);

// Negative payment years: a horizon two billion years away, reached once the balance settles.
void runFarHorizon(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(calc::runBreakEven("0", "-2147483648", "-1", "2.8"));
}
BENCHMARK(runFarHorizon);

// Three long drawdowns that counting month by month once took 0.1 to 0.5 s each.
// Ties: no interest and a payout of -24, one and a half ulps a month in [2^27, 2^28).
void runTieCreep(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(calc::runBreakEven("0", "-658067457", "-24", "0"));
}
BENCHMARK(runTieCreep)->Unit(benchmark::kMicrosecond);

// One smallest subnormal a month, through the 2^23 subnormals and on.
void runSubnormalClimb(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(calc::runBreakEven("0", "-1107296256", "-1e-45", ""));
}
BENCHMARK(runSubnormalClimb)->Unit(benchmark::kMicrosecond);

// A factor near -1: the balance swings in sign every month.
void runSignSwing(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(calc::runBreakEven("0", "-5214748364815", "-24.93", "-2399.999"));
}
BENCHMARK(runSignSwing)->Unit(benchmark::kMicrosecond);

void readSingle(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(calc::textToSingle("24.93"));
}
BENCHMARK(readSingle);

void readLongText(benchmark::State& state) {
    const std::string text = "0." + std::string(1'000'000, '3');
    for (auto _ : state) benchmark::DoNotOptimize(calc::textToSingle(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(readLongText);

void writeSingle(benchmark::State& state) {
    float value = 18822.150390625f;
    for (auto _ : state) benchmark::DoNotOptimize(calc::singleToText(value));
}
BENCHMARK(writeSingle);

void writeDouble(benchmark::State& state) {
    double value = 18825.147102832794;
    for (auto _ : state) benchmark::DoNotOptimize(calc::doubleToText(value));
}
BENCHMARK(writeDouble);

void writeTinyDouble(benchmark::State& state) {
    double value = 4.9406564584124654e-324;  // the longest exact expansion
    for (auto _ : state) benchmark::DoNotOptimize(calc::doubleToText(value));
}
BENCHMARK(writeTinyDouble);

}  // namespace
