# A private X session for running the real program without a display: Xvfb on a display
# number it picks itself, with the openbox window manager. Sourced by scripts/run.sh and
# the end-to-end test.
#
#   start_x_session WORKDIR WIDTHxHEIGHT   sets DISPLAY, XDG_RUNTIME_DIR, xvfb_pid, wm_pid;
#                                          on exit the process in $app_pid, openbox and
#                                          Xvfb are stopped and WORKDIR is removed
#   stop_x_session                         stops openbox and Xvfb
#   wait_until SECONDS COMMAND...          polls every 0.1 s until COMMAND succeeds
#   outer_geometry WINDOW                  WIDTHxHEIGHT+X+Y of the window with its frame

xvfb_pid='' wm_pid='' app_pid='' x_session_work=''

wait_until() {
    local tries=$(( $1 * 10 ))
    shift
    while (( tries-- > 0 )); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

stop_pid() {
    local pid=$1
    [[ -n $pid ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    return 0
}

# Logs go to WORKDIR/xvfb.log and WORKDIR/openbox.log. -noreset keeps Xvfb from resetting
# (and refusing the next client for a moment) whenever its last client leaves.
start_x_session() {
    local work=$1 size=$2
    x_session_work=$work
    trap _end_x_session EXIT
    trap "exit 1" INT TERM HUP
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset \
        3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    _has_display_number() { grep -q '[0-9]' "$work/display"; }
    if ! wait_until 20 _has_display_number; then
        echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2
        return 1
    fi
    export DISPLAY=":$(tr -dc '0-9' <"$work/display")"
    mkdir -p "$work/runtime"
    chmod 700 "$work/runtime"
    export XDG_RUNTIME_DIR="$work/runtime"

    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    _wm_ready() { xprop -root -notype _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
    if ! wait_until 20 _wm_ready; then
        echo "openbox did not start: $(cat "$work/openbox.log")" >&2
        return 1
    fi
}

stop_x_session() {
    stop_pid "$wm_pid"
    stop_pid "$xvfb_pid"
    wm_pid='' xvfb_pid=''
}

_end_x_session() {
    stop_pid "$app_pid"
    stop_x_session
    [[ -n $x_session_work ]] && rm -rf "$x_session_work"
    return 0
}

outer_geometry() {
    local window=$1 left right top bottom info x y width height
    IFS=', ' read -r left right top bottom <<<"$(xprop -id "$window" -notype _NET_FRAME_EXTENTS |
        grep -o '[0-9][0-9, ]*$')"
    info=$(xwininfo -id "$window")
    x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    width=$(awk '/Width:/ {print $NF}' <<<"$info")
    height=$(awk '/Height:/ {print $NF}' <<<"$info")
    echo "$(( width + left + right ))x$(( height + top + bottom ))+$(( x - left ))+$(( y - top ))"
}
