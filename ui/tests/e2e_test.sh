#!/usr/bin/env bash
# End-to-end test of the real program: a real X server (Xvfb) with a window manager
# (openbox), the window driven from outside with xdotool as a person would, results read
# back through the clipboard with xclip.
#
#   e2e_test.sh PATH-TO-corvane-calc
#
# Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb or no xdotool on this machine).
# Everything it starts is stopped again, also on failure; on failure a picture of the
# screen is left in ./e2e_failure.png when ImageMagick is there.
set -uo pipefail

program=${1:?usage: e2e_test.sh PATH-TO-corvane-calc}

for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done
for tool in openbox xclip xprop xwininfo; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: $tool is not installed"
        exit 1
    fi
done

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x_session.sh"

readonly screen_width=1024 screen_height=768
work=$(mktemp -d)

fail() {
    echo "FAIL: $*"
    if [[ -n ${DISPLAY:-} ]] && command -v import >/dev/null 2>&1; then
        import -window root "$PWD/e2e_failure.png" 2>/dev/null &&
            echo "the screen at the failure: $PWD/e2e_failure.png"
    fi
    local log
    for log in xvfb openbox app; do
        if [[ -s $work/$log.log ]]; then
            echo "--- $log's output:"
            cat "$work/$log.log"
        fi
    done
    exit 1
}

# --- The X server and the window manager, in a home of their own.
mkdir -p "$work/home"
export HOME="$work/home"
export XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
export LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM QT_SCALE_FACTOR
start_x_session "$work" "${screen_width}x${screen_height}" 2>&1 || fail "no X session"

# --- The program.
main_window() { xdotool search --onlyvisible --classname '^corvane-calc$' | head -n 1; }
window_shown() { [[ -n $(main_window) ]]; }
active_is() { [[ $(xdotool getactivewindow 2>/dev/null) == "$1" ]]; }
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
# start_program: starts it and waits until its window is shown and active.
start_program() {
    QT_QPA_PLATFORM=xcb "$program" >"$work/app.log" 2>&1 &
    app_pid=$!
    wait_until 30 window_shown || fail "the window did not appear"
    window=$(main_window)
    wait_until 20 active_is "$window" || fail "the window is not active at start"
}
# expect_exit_status_0 HOW: the program must end, with status 0.
expect_exit_status_0() {
    wait_until 20 ended || fail "the program did not end after $1"
    local status=0
    wait "$app_pid" || status=$?
    app_pid=''
    [[ $status -eq 0 ]] || fail "exit status $status after $1"
    echo "ok: $1 ended the program with status 0"
}

start_program

# --- The outer frame: 407 x 314, centred on the screen; no title text.
frame_extents() { xprop -id "$window" -notype _NET_FRAME_EXTENTS | grep -o '[0-9][0-9, ]*$'; }
expected_outer="407x314+$(( (screen_width - 407) / 2 ))+$(( (screen_height - 314) / 2 ))"
outer_is_expected() { [[ $(outer_geometry "$window") == "$expected_outer" ]]; }
wait_until 20 outer_is_expected ||
    fail "outer frame $(outer_geometry "$window") (extents $(frame_extents)), expected $expected_outer"
title=$(xprop -id "$window" -notype _NET_WM_NAME | sed 's/^_NET_WM_NAME = //; s/"//g')
[[ -z ${title// /} ]] || fail "the title bar shows '$title'"
echo "ok: outer frame $expected_outer, no title text"

# --- Keyboard and clipboard helpers.
key() { xdotool key --delay 30 "$@"; }
typed() { xdotool type --delay 30 "$1"; }
clipboard() { xclip -o -selection clipboard -target UTF8_STRING 2>/dev/null; }
clipboard_is() { [[ $(clipboard) == "$1" ]]; }
# copy_box_expect WHAT TEXT: Ctrl+A, Ctrl+C in the focused box; the clipboard must get TEXT.
copy_box_expect() {
    printf 'cleared' | xclip -i -selection clipboard
    key ctrl+a ctrl+c
    wait_until 10 clipboard_is "$2" || fail "$1 holds '$(clipboard)', expected '$2'"
    echo "ok: $1 = $2"
}

# 1. At start the focus is on 按钮1: Space computes the texts at start.
key space
key Tab Tab Tab Tab Tab Tab
copy_box_expect 编辑框6 "18822.2"
key Tab
copy_box_expect 编辑框7 "2.99671"

# 2. Typing: Tab wraps around to 按钮1 and on to 编辑框1. Letters, spaces, commas and
#    the exponent letter are dropped as they are typed; Enter's line break and what
#    follows it go when the box is left.
key Tab Tab
key ctrl+a
typed "1a0 0,0"
key Tab ctrl+a
typed "10"
key Return
typed "5"
key Tab ctrl+a
typed "5e0"
key Tab
key shift+Tab shift+Tab shift+Tab shift+Tab   # back to 按钮1
key space
key Tab Tab Tab Tab Tab
copy_box_expect 编辑框5 "19年"
key Tab
copy_box_expect 编辑框6 "11400"
key Tab
copy_box_expect 编辑框7 "21.9709"
key Tab Tab
copy_box_expect 编辑框1 "1000"
key Tab
copy_box_expect 编辑框2 "10"
key Tab
copy_box_expect 编辑框3 "50"

# 3. Payout 0: the hundred-year notice, dismissed with Enter; then the results.
key ctrl+a
typed "0"
key Tab Tab Tab Tab Tab   # on to 按钮1
key space
notice_window() { xdotool search --onlyvisible --name '^信息：$' | head -n 1; }
notice_shown() { [[ -n $(notice_window) ]]; }
wait_until 20 notice_shown || fail "no notice"
notice=$(notice_window)
wait_until 20 active_is "$notice" || fail "the notice is not active"
echo "ok: notice '信息：' shown"
key Return   # OK is the default button
notice_closed() { ! notice_shown; }
wait_until 20 notice_closed || fail "the notice did not close"
wait_until 20 active_is "$window" || fail "the window is not active after the notice"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended while the notice was open"
key Tab Tab Tab Tab Tab Tab
copy_box_expect 编辑框6 "0"
key Tab
copy_box_expect 编辑框7 "144994"
key shift+Tab shift+Tab
copy_box_expect 编辑框5 "100年"

# 4. Esc closes the window and ends the program with status 0.
key Escape
expect_exit_status_0 Esc

# 5. So does the window manager's close (Alt+F4, as the close box), without a question.
start_program
key alt+F4
expect_exit_status_0 Alt+F4
echo "e2e: passed"
