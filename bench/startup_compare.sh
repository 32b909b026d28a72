#!/usr/bin/env bash
# The program's start against a bare Qt window with one label, under a private Xvfb +
# openbox session: RUNS alternating starts of each (default 40), the time from exec to the
# window being mapped, and the resident memory (VmHWM, VmRSS) a moment after.
#
#   bash bench/startup_compare.sh [BUILD_DIR] [RUNS] [PROGRAM]
#
# BUILD_DIR (default build/test) provides the bare window and the probe, and the program
# unless PROGRAM names another build of it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/test}
runs=${2:-40}
settle_ms=300

cmake --build "$build" -j2 --target corvane-calc bare_window startup_probe >/dev/null
probe=$build/bench/startup_probe
programs=("$build/bench/bare_window" "${3:-$build/ui/corvane-calc}")

source "$root/scripts/x_session.sh"
start_x_session "$(mktemp -d)" 640x480 || exit 1
results=$x_session_work/results
# The same toolkit settings for both, whatever the calling session has.
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_FONT_DPI

# One start of each first, to fill the file cache.
for program in "${programs[@]}"; do
    timeout 20 "$probe" "$settle_ms" "$program" >/dev/null
done
for (( run = 0; run < runs; ++run )); do
    # Alternate which one goes first, so neither always follows the other.
    order=(0 1)
    (( run % 2 )) && order=(1 0)
    for index in "${order[@]}"; do
        echo "$index $(timeout 20 "$probe" "$settle_ms" "${programs[$index]}")" >>"$results"
    done
done

summary() {
    # index, then the column (2 ms, 3 VmHWM kB, 4 VmRSS kB): "median min"
    awk -v i="$1" '$1 == i {print $'"$2"'}' "$results" | sort -g |
        awk '{v[NR] = $1} END {m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
                               printf "%.1f %.1f", m, v[1]}'
}
printf '%-14s %22s %22s %12s\n' '' 'ms to mapped (median min)' 'VmHWM kB (median)' 'VmRSS kB'
names=(bare_window corvane-calc)
for index in 0 1; do
    read -r ms_median ms_min <<<"$(summary "$index" 2)"
    read -r hwm _ <<<"$(summary "$index" 3)"
    read -r rss _ <<<"$(summary "$index" 4)"
    printf '%-14s %12s %9s %22s %12s\n' "${names[$index]}" "$ms_median" "$ms_min" "$hwm" "$rss"
    eval "ms$index=$ms_median min$index=$ms_min hwm$index=$hwm rss$index=$rss"
done
awk -v a="$ms1" -v b="$ms0" -v c="$min1" -v d="$min0" -v e="$hwm1" -v f="$hwm0" \
    -v g="$rss1" -v h="$rss0" 'BEGIN {printf "ratio          median %.2f, fastest %.2f, VmHWM %.2f, VmRSS %.2f (%d runs each)\n",
                                        a / b, c / d, e / f, g / h, '"$runs"'}'
