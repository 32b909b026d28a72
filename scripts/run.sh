#!/usr/bin/env bash
# Installs what is missing (as root, with apt-get), builds the program into build/ and
# starts it. Where there is no display it runs the program under Xvfb with the openbox
# window manager instead, saves a picture of the screen to build/screenshot.png and
# closes the program again.
#
#   scripts/run.sh
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

source scripts/packages.sh

headless=false
[[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]] && headless=true

# --- 1. The packages, only those that are missing; without a display also the X server,
#        the window manager and the tools that take the picture and close the window.
if $headless; then
    install_missing_packages "${BUILD_PACKAGES[@]}" xvfb openbox xdotool imagemagick x11-utils
else
    install_missing_packages "${BUILD_PACKAGES[@]}"
fi

# --- 2. The build.
cmake -S . -B build -DCORVANE_BUILD_UI=ON -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF
cmake --build build -j2
program=build/ui/corvane-calc

# --- 3a. With a display: the program, until its window is closed.
if ! $headless; then
    exec "$program"
fi

# --- 3b. Without one: Xvfb and openbox, a screenshot, and the program closed again.
work=$(mktemp -d)
xvfb_pid='' wm_pid='' app_pid=''
cleanup() {
    local pid
    for pid in "$app_pid" "$wm_pid" "$xvfb_pid"; do
        [[ -n $pid ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP

# wait_until SECONDS COMMAND...: polls every 0.1 s until COMMAND succeeds.
wait_until() {
    local tries=$(( $1 * 10 ))
    shift
    while (( tries-- > 0 )); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# Xvfb picks a free display number and writes it to fd 3; -noreset keeps it from
# resetting (and refusing connections for a moment) whenever its last client leaves.
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
has_display_number() { grep -q '[0-9]' "$work/display"; }
wait_until 20 has_display_number || { cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -dc '0-9' <"$work/display")"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
wm_ready() { xprop -root -notype _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
wait_until 20 wm_ready || { cat "$work/openbox.log" >&2; echo "openbox did not start" >&2; exit 1; }

QT_QPA_PLATFORM=xcb "$program" &
app_pid=$!
main_window() { xdotool search --onlyvisible --classname '^corvane-calc$' | head -n 1; }
window_active() { [[ -n $(main_window) && $(xdotool getactivewindow) == "$(main_window)" ]]; }
wait_until 30 window_active || { echo "The window did not appear" >&2; exit 1; }
# The window fits itself to the frame once the frame is known: wait for the outer size.
outer_size() {
    local extents info
    extents=$(xprop -id "$(main_window)" -notype _NET_FRAME_EXTENTS | grep -o '[0-9][0-9, ]*$')
    IFS=', ' read -r left right top bottom <<<"$extents"
    info=$(xwininfo -id "$(main_window)")
    echo "$(( $(awk '/Width:/ {print $NF}' <<<"$info") + left + right ))x$(( $(awk '/Height:/ {print $NF}' <<<"$info") + top + bottom ))"
}
outer_fits() { [[ $(outer_size) == 407x314 ]]; }
wait_until 10 outer_fits || echo "Note: the outer size is $(outer_size), not 407x314" >&2
sleep 0.5  # let the last paint reach the screen

import -window root build/screenshot.png
xdotool key Escape
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
if wait_until 10 ended; then
    wait "$app_pid" || true
    app_pid=''
fi
echo "There is no display here: the program ran under Xvfb. Its picture: $PWD/build/screenshot.png"
