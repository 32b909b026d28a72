#!/usr/bin/env bash
# Runs the fuzz campaign: every fuzz target (or the ones named after the duration) for
# SECONDS seconds each, one after the other, with ASan + UBSan and the dictionary.
#
#   bash scripts/fuzz_campaign.sh 600                       # ten minutes per target
#   bash scripts/fuzz_campaign.sh 60 break_even read_single # one minute, two targets
#   bash scripts/fuzz_campaign.sh --soft-extended 600       # the library on the portable
#                                                           # Extended backend
#
# Builds with Clang into build/fuzz (build/fuzz-soft with --soft-extended). New inputs go
# to build/fuzz/campaign/corpus/TARGET
# (the committed corpus in fuzz/corpus/TARGET is read, never written); a finding (wrong
# result, crash, sanitizer report, an input slower than the time cap, a leak) is saved as
# build/fuzz/campaign/findings/TARGET/<kind>-<hash> and the run of that target stops.
# Each target's log is build/fuzz/campaign/TARGET.log; the summary lists executions,
# coverage (cov, ft) and findings per target.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/fuzz
soft=OFF
if [ "${1:-}" = --soft-extended ]; then
    build=build/fuzz-soft
    soft=ON
    shift
fi
if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
    echo "usage: $0 [--soft-extended] SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift
all_targets=(read_integer read_single write_numbers normalize_input break_even extended_backends)
[ $# -gt 0 ] && targets=("$@") || targets=("${all_targets[@]}")

source scripts/packages.sh
install_missing_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCALC_SOFT_EXTENDED="$soft" -DCORVANE_FUZZ=ON -DCORVANE_SANITIZE=ON -DCORVANE_BUILD_UI=ON -DCORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

root=$PWD
out=$build/campaign
mkdir -p "$out"
export LSAN_OPTIONS=suppressions=$PWD/ui/tests/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1
export QT_QPA_PLATFORM=offscreen
time_cap=2  # seconds per input; a slower input is a finding

summary=()
for target in "${targets[@]}"; do
    corpus=$out/corpus/$target
    findings=$out/findings/$target
    mkdir -p "$corpus" "$findings"
    echo "== $target: $seconds s =="
    status=0
    # With -jobs the engine logs to fuzz-0.log in its working folder: one folder per target.
    work=$out/work/$target
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && "$root/$build/fuzz/fuzz_$target" "$root/$corpus" "$root/fuzz/corpus/$target" \
        -dict="$root/fuzz/numbers.dict" -max_total_time="$seconds" -timeout="$time_cap" \
        -max_len=8192 -jobs=1 -workers=1 -print_final_stats=1 \
        -artifact_prefix="$root/$findings/" >"$root/$out/$target.log" 2>&1) || status=$?
    [ -f "$work/fuzz-0.log" ] && cat "$work/fuzz-0.log" >>"$out/$target.log"
    log=$out/$target.log
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
    last=$(grep -E '#[0-9]+.*cov:' "$log" | tail -1 || true)
    cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*' || true)
    ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*' || true)
    found=$(find "$findings" -type f | wc -l)
    summary+=("$target (soft Extended $soft): ${execs:-?} executions, cov ${cov:-?}, ft ${ft:-?}, findings $found (exit $status)")
done

echo "== summary =="
{ date -u; printf "%s\n" "${summary[@]}"; } | tee -a "$out/summary.txt"
