#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a scratch root, checks
# what it installs (control fields, .desktop entry, AppStream metainfo, icons) and starts
# the installed programs: corvane-calc-cli on one line, and the window under Xvfb and
# openbox until it is on the screen, then closes it with Esc.
#
#   packaging/package_test.sh BUILD-FOLDER
set -euo pipefail

build=$(cd "${1:?usage: package_test.sh BUILD-FOLDER}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# --- 1. The package.
rm -f "$build"/corvane-calc_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
debs=("$build"/corvane-calc_*.deb)
deb=${debs[0]}
[[ -f $deb ]] || fail "no package in $build"
echo "package: $deb"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6 qt6-qpa-plugins; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
[[ $(dpkg-deb -f "$deb" Recommends) == *fonts-wqy-microhei* ]] || fail "no CJK font recommended"

# --- 2. Installed into a scratch root.
root=$work/root
dpkg-deb -x "$deb" "$root"
for file in usr/bin/corvane-calc usr/bin/corvane-calc-cli \
            usr/share/applications/corvane-calc.desktop \
            usr/share/metainfo/org.corvane.calc.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/corvane-calc.svg; do
    [[ -f $root/$file ]] || fail "the package does not install /$file"
done
for size in 16 32 48 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/corvane-calc.png
    [[ -f $icon ]] || fail "no ${size}x${size} icon"
    [[ $(file -b "$icon") == *"$size x $size"* ]] || fail "$icon is not $size x $size: $(file -b "$icon")"
done
desktop-file-validate "$root/usr/share/applications/corvane-calc.desktop" || fail "desktop-file-validate"
grep -qx 'Name\[zh_CN\]=Corvane养老险计算器' "$root/usr/share/applications/corvane-calc.desktop" ||
    fail "no Name[zh_CN]"
grep -q '^GenericName=' "$root/usr/share/applications/corvane-calc.desktop" || fail "no GenericName"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"

# --- 3. The installed programs.
answer=$(printf '1000\t10\t24.93\t2.8\r\n' | "$root/usr/bin/corvane-calc-cli")
[[ $answer == $'18822.2\t2.99671\t62年11月\t755*24.93+2.99671=18825.14710283\t0' ]] ||
    fail "corvane-calc-cli answered: $answer"

source "$here/../scripts/x_session.sh"
mkdir -p "$work/home"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
export LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM QT_SCALE_FACTOR
start_x_session "$work" 1024x768 || fail "no X session"
QT_QPA_PLATFORM=xcb "$root/usr/bin/corvane-calc" >"$work/app.log" 2>&1 &
app_pid=$!
main_window() { xdotool search --onlyvisible --classname '^corvane-calc$' | head -n 1; }
window_active() { [[ -n $(main_window) && $(xdotool getactivewindow) == "$(main_window)" ]]; }
wait_until 30 window_active || { cat "$work/app.log"; fail "the installed program shows no window"; }
xdotool key Escape
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_until 10 ended || fail "the installed program did not close on Esc"
status=0
wait "$app_pid" || status=$?
app_pid=''
[[ $status -eq 0 ]] || fail "the installed program ended with status $status"
echo "PASS: package built, installed into a scratch root, checked and started"
