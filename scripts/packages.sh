# The Debian packages the build and the tests need, and a helper that installs the missing
# ones. Sourced by run.sh and test.sh.

# qt6-translations-l10n: the toolkit's own texts (context menus, the OK button) in Chinese.
BUILD_PACKAGES=(build-essential cmake qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev
    fonts-wqy-microhei)
TEST_PACKAGES=(libgtest-dev libbenchmark-dev libmpfr-dev xvfb xauth openbox xdotool xclip x11-utils imagemagick)
TEST_PACKAGES+=(dpkg-dev file desktop-file-utils appstream at-spi2-core python3-pyatspi)

install_missing_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}
