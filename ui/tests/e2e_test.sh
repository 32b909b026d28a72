#!/usr/bin/env bash
# End-to-end test of the real program: a real X server (Xvfb) with a window manager
# (openbox), the window driven from outside with xdotool as a person would, results read
# back through the clipboard with xclip, what the boxes show measured on pictures of the
# screen (ImageMagick), the window manager's side watched with xprop and xev.
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
for tool in openbox xclip xprop xwininfo xev import convert; do
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
typed() { xdotool type --delay 30 -- "$1"; }
clipboard() { xclip -o -selection clipboard -target UTF8_STRING 2>/dev/null; }
clipboard_is() { [[ $(clipboard) == "$1" ]]; }
# copy_box_expect WHAT TEXT: Ctrl+A, Ctrl+C in the focused box; the clipboard must get TEXT.
copy_box_expect() {
    printf 'cleared' | xclip -i -selection clipboard
    key ctrl+a ctrl+c
    wait_until 10 clipboard_is "$2" || {
        expect_running "reading $1"
        fail "$1 holds '$(clipboard)', expected '$2'"
    }
    echo "ok: $1 = $2"
}
# expect_running WHEN: the program must still be running.
expect_running() {
    kill -0 "$app_pid" 2>/dev/null && return 0
    local status=0
    wait "$app_pid" || status=$?
    app_pid=''
    fail "the program ended with status $status before $1"
}
# disown_selections: no program owns the clipboard or the X11 selection any more, as
# after a reboot or once the program that copied has exited (xclip takes them and exits).
disown_selections() {
    local selection owner
    for selection in clipboard primary; do
        printf 'x' | xclip -quiet -i -selection "$selection" >/dev/null 2>&1 &
        owner=$!
        _owned() { [[ $(xclip -o -selection "$selection" 2>/dev/null) == x ]]; }
        wait_until 10 _owned || fail "xclip did not take the $selection selection"
        kill "$owner" 2>/dev/null
        wait "$owner" 2>/dev/null
        _unowned() { ! xclip -o -selection "$selection" >/dev/null 2>&1; }
        wait_until 10 _unowned || fail "the $selection selection still has an owner"
    done
}

# --- Places on the screen.
# client_origin: X Y of the window's client area.
client_origin() {
    local info
    info=$(xwininfo -id "$window")
    echo "$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")" \
         "$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")"
}
# click_client X Y [BUTTON]: a click at X,Y of the client area.
click_client() {
    local x y
    read -r x y <<<"$(client_origin)"
    xdotool mousemove --sync $(( x + $1 )) $(( y + $2 )) click "${3:-1}"
}
# text_width LEFT TOP: how wide the drawn text is, in pixels, inside the frame of the
# 64 x 24 box whose top left corner is at LEFT,TOP of the client area.
text_width() {
    local x y
    read -r x y <<<"$(client_origin)"
    import -window root -crop "58x18+$(( x + $1 + 3 ))+$(( y + $2 + 3 ))" +repage png:- |
        convert png:- -threshold 50% -negate -trim -format '%w' info:
}

# 1. At start the focus is on 按钮1: Space computes the texts at start.
key space
key Tab Tab Tab Tab Tab Tab
copy_box_expect 编辑框6 "18822.2"
key Tab
copy_box_expect 编辑框7 "2.99671"

# 1a. Pasting with nothing on the clipboard and nothing selected anywhere (no program owns
#     either) does nothing, by Ctrl+V, Shift+Insert or a middle click; the box goes on
#     taking keys.
disown_selections
key Tab Tab   # on to 编辑框1
key ctrl+End ctrl+v shift+Insert
click_client 160 76 2   # a middle click into 编辑框1
key ctrl+End
typed "7"
copy_box_expect "编辑框1 after pasting nothing" "10007"

# 1b. AltGr (Ctrl+Alt) characters pass the same filter as typed ones.
key ctrl+a
typed "5"
key ctrl+alt+period ctrl+alt+plus
copy_box_expect "编辑框1 after AltGr full stop and plus" "5"
key ctrl+a
typed "1000"
key Tab Tab   # on to 编辑框3
key ctrl+a
typed "5"
key ctrl+alt+period ctrl+alt+plus
copy_box_expect "编辑框3 after AltGr full stop and plus" "5."
key ctrl+a
typed "24.93"
key shift+Tab shift+Tab shift+Tab shift+Tab   # back to 编辑框7

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

# 2a. Long numbers show from the first line of their text, as much of it as the width
#     takes: "1.23457e+0", "-21474836" (not "1." up to a word boundary, nor the caret's
#     line "8"). Measured on the screen while the boxes are left.
# shows_most_of BOX X Y TEXT REWRITTEN: types TEXT into the focused box, leaves it, and
# measures how much of the box at X, Y (its top left corner in the window) shows text.
shows_most_of() {
    local box=$1 x=$2 y=$3 text=$4 rewritten=$5 width
    key ctrl+a
    typed "$text"
    key Tab
    width=$(text_width "$x" "$y")
    (( width >= 40 )) || fail "$box shows ${width} px of its text, expected most of its width"
    echo "ok: $box shows ${width} px of $rewritten"
}
shows_most_of 编辑框3 128 144 "1234567" "1.23457e+006"
key shift+Tab shift+Tab shift+Tab   # back to 编辑框1
shows_most_of 编辑框1 128 64 "-3000000000" "-2147483648"
key shift+Tab
copy_box_expect 编辑框1 "-2147483648"
key ctrl+a
typed "1000"
key Tab Tab   # on to 编辑框3

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
# It asks for no minimize or maximize button (Motif decorations 0x20, 0x40), and where
# the window manager offers one all the same (openbox does) it refuses to be minimized.
decorations=$(xprop -id "$notice" -notype _MOTIF_WM_HINTS | awk -F', ' '{print $3}')
(( (decorations & 0x60) == 0 )) || fail "the notice asks for decorations $decorations"
timeout 20 xprop -spy -id "$notice" -notype WM_STATE >"$work/notice_state.log" 2>&1 &
spy_pid=$!
spying() { grep -q 'window state' "$work/notice_state.log"; }
wait_until 10 spying || fail "cannot watch the notice's state"
xdotool windowminimize "$notice"
was_minimized() { grep -q 'Iconic' "$work/notice_state.log"; }
wait_until 10 was_minimized || fail "the window manager did not minimize the notice"
notice_back() { [[ $(notice_window) == "$notice" ]] && active_is "$notice"; }
wait_until 10 notice_back || fail "the notice stayed minimized"
kill "$spy_pid" 2>/dev/null
wait "$spy_pid" 2>/dev/null
echo "ok: the notice came back from being minimized"
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

# 3a. The maximize button, a double click on the title and the window menu's entry each
#     maximize the window, which shows the extra space in its background colour; each
#     restores it again to the outer frame where it was. Openbox's default theme has the
#     layout "NLIMC": the maximize button is the second from the right.
readonly outer_left=$(( (screen_width - 407) / 2 )) outer_top=$(( (screen_height - 314) / 2 ))
# The sizes the window manager gives the window, for 3b (started early so as to be ready).
xev -id "$window" -event structure >"$work/configure.log" 2>&1 &
xev_pid=$!
is_maximized() {
    local state
    state=$(xprop -id "$window" -notype _NET_WM_STATE)
    [[ $state == *_NET_WM_STATE_MAXIMIZED_VERT* && $state == *_NET_WM_STATE_MAXIMIZED_HORZ* ]]
}
fills_screen() {
    is_maximized && [[ $(outer_geometry "$window") == "${screen_width}x${screen_height}+0+0" ]]
}
restored() { ! is_maximized && outer_is_expected; }
pixel() { import -window root -crop "1x1+$1+$2" +repage txt:- | grep -o '#[0-9A-F]\{6\}' | head -n 1; }
expect_maximized() {
    wait_until 10 fills_screen || fail "$1 did not maximize the window: $(outer_geometry "$window")"
    local x y
    read -r x y <<<"$(client_origin)"
    [[ $(pixel $(( screen_width - 10 )) $(( screen_height - 10 ))) == $(pixel $(( x + 200 )) $(( y + 222 ))) ]] ||
        fail "the extra space of the maximized window is not in the background colour"
    echo "ok: $1 maximizes"
}
expect_restored() {
    wait_until 10 restored || fail "$1 did not restore the window: $(outer_geometry "$window")"
    echo "ok: $1 restores $expected_outer"
}
# window_menu KEY: opens the window menu (Alt+Space) and picks the entry of KEY.
viewable_windows() {
    xwininfo -root -children | awk '/^ +0x/ {print $1}' | while read -r id; do
        xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && echo "$id"
    done
}
window_menu() {
    local before
    before=$(viewable_windows)
    _menu_open() { [[ $(viewable_windows) != "$before" ]]; }
    key alt+space
    wait_until 10 _menu_open || fail "no window menu"
    key "$1"
}
xdotool mousemove --sync $(( outer_left + 200 )) $(( outer_top + 10 )) click --repeat 2 --delay 100 1
expect_maximized "a double click on the title"
xdotool mousemove --sync $(( screen_width / 2 )) 10 click --repeat 2 --delay 100 1
expect_restored "a double click on the title"
xdotool mousemove --sync $(( outer_left + 407 - 27 )) $(( outer_top + 10 )) click 1
expect_maximized "the maximize button"
xdotool mousemove --sync $(( screen_width - 27 )) 10 click 1
expect_restored "the restore button"
window_menu x   # Ma_ximize
expect_maximized "the window menu"
window_menu e   # R_estore
expect_restored "the window menu"

# 3b. The window manager may resize the window (so that it may maximize it), but the
#     window takes its own size back as soon as an edge has been dragged (openbox:
#     Alt + right button drag).
xdotool mousemove --sync $(( outer_left + 350 )) $(( outer_top + 280 )) keydown alt mousedown 3
for step in 1 2 3 4; do
    xdotool mousemove --sync $(( outer_left + 350 + 20 * step )) $(( outer_top + 280 + 15 * step ))
done
xdotool mouseup 3 keyup alt
grown() { grep -Eq 'width (4[1-9][0-9]|[5-9][0-9][0-9]),' "$work/configure.log"; }
wait_until 10 grown || fail "the window manager did not resize the window"
wait_until 10 outer_is_expected || fail "the window kept the size $(outer_geometry "$window")"
kill "$xev_pid" 2>/dev/null
wait "$xev_pid" 2>/dev/null
echo "ok: a dragged edge gives $expected_outer back"
expect_running "the end of the window tests"

# 4. Esc closes the window and ends the program with status 0.
key Escape
expect_exit_status_0 Esc

# 5. So does the window manager's close (Alt+F4, as the close box), without a question.
start_program
key alt+F4
expect_exit_status_0 Alt+F4
echo "e2e: passed"
