#!/usr/bin/env bash
# The window through AT-SPI, as a screen reader sees it: the real program under Xvfb and
# openbox, on a D-Bus session of its own with the accessibility bus, read and driven by
# atspi_tree.py (pyatspi), which also prints the tree it reads.
#
#   atspi_test.sh PATH-TO-corvane-calc
#
# Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb, D-Bus or pyatspi here).
set -uo pipefail

program=${1:?usage: atspi_test.sh PATH-TO-corvane-calc}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

for tool in Xvfb openbox dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: no python3-pyatspi"; exit 77; }

if [[ -z ${DBUS_SESSION_BUS_ADDRESS:-} || ${ATSPI_TEST_INSIDE:-} != 1 ]]; then
    exec env ATSPI_TEST_INSIDE=1 dbus-run-session -- bash "${BASH_SOURCE[0]}" "$program"
fi

source "$here/../../scripts/x_session.sh"
work=$(mktemp -d)
mkdir -p "$work/home"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
export LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM QT_SCALE_FACTOR
start_x_session "$work" 1024x768 || { echo "FAIL: no X session"; exit 1; }

# The accessibility bus, and Qt told to join it.
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/bus.log" 2>&1 &
bus_pid=$!
trap 'stop_pid "$bus_pid"; _end_x_session' EXIT
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
QT_QPA_PLATFORM=xcb "$program" >"$work/app.log" 2>&1 &
app_pid=$!

/usr/bin/python3 "$here/atspi_tree.py"
status=$?
if [[ $status -ne 0 ]]; then
    echo "--- the program's output:"
    cat "$work/app.log"
fi
exit "$status"
