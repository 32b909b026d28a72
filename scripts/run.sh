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
cmake -S . -B build/app -DCORVANE_BUILD_UI=ON -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF
cmake --build build/app -j2
program=build/app/ui/corvane-calc

# --- 3a. With a display: the program, until its window is closed.
if ! $headless; then
    exec "$program"
fi

# --- 3b. Without one: Xvfb and openbox, a screenshot, and the program closed again.
source scripts/x_session.sh
start_x_session "$(mktemp -d)" 640x480 || exit 1

QT_QPA_PLATFORM=xcb "$program" &
app_pid=$!
main_window() { xdotool search --onlyvisible --classname '^corvane-calc$' | head -n 1; }
window_active() { [[ -n $(main_window) && $(xdotool getactivewindow) == "$(main_window)" ]]; }
wait_until 30 window_active || { echo "The window did not appear" >&2; exit 1; }
# The window fits itself to the frame once the frame is known: wait for the outer size.
outer_size() { outer_geometry "$(main_window)" | cut -d+ -f1; }
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
