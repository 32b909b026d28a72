#!/bin/sh
# Runs a Windows program under wine64, quietly and without a display, in a wine prefix of its
# own; makes the prefix on first use. The test runner's emulator for MinGW builds.
#
#   run_in_wine.sh WINE64 PREFIX PROGRAM.exe [ARGUMENTS...]
#   run_in_wine.sh WINE64 PREFIX              (only makes the prefix and starts wine)
#
# Wine's server and its background processes (services, explorer) outlive the program. They
# are started here, detached from the program's output, so that a test runner reading that
# output sees it end with the program. The server stays 30 seconds after its last program;
# `WINEPREFIX=PREFIX wineserver -k` stops it at once.
set -eu
wine64=$1
prefix=$2
shift 2
wineserver=$(dirname "$wine64")/wineserver

unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX="$prefix"
# No debug channels; no prompts to install Mono or Gecko while the prefix is made.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

mkdir -p "$(dirname "$prefix")"
# One program at a time sets things up; the others wait for it (several tests start at once).
(
    flock 9
    if [ ! -e "$prefix/.ready" ]; then
        "$wine64" wineboot --init </dev/null >"$prefix.log" 2>&1 9>&- ||
            { echo "run_in_wine.sh: making the wine prefix failed, see $prefix.log" >&2; exit 1; }
        touch "$prefix/.ready"
    fi
    # Fails when a server for this prefix is running already; then everything is up.
    if "$wineserver" -p30 </dev/null >/dev/null 2>&1 9>&-; then
        "$wine64" wineboot </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$prefix.lock"

[ $# -eq 0 ] && exit 0
exec "$wine64" "$@"
