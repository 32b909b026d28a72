# The Debian packages the build and the tests need, and helpers that install the missing
# ones. Sourced by run.sh and test.sh.

# qt6-translations-l10n: the toolkit's own texts (context menus, the OK button) in Chinese.
BUILD_PACKAGES=(build-essential cmake qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev
    fonts-wqy-microhei)
TEST_PACKAGES=(libgtest-dev libbenchmark-dev libgmp-dev libmpfr-dev xvfb xauth openbox xdotool xclip x11-utils imagemagick)
# pkg-config and libxcb1-dev: the start-up probe of bench/startup_compare.sh.
TEST_PACKAGES+=(pkg-config libxcb1-dev)
TEST_PACKAGES+=(dpkg-dev file desktop-file-utils appstream at-spi2-core python3-pyatspi)
# The cross builds of the tests: ARM64 Linux under qemu, 64-bit Windows (MinGW-w64) under
# wine. GoogleTest for Windows is built from the sources of `googletest`.
CROSS_PACKAGES=(g++-aarch64-linux-gnu qemu-user g++-mingw-w64-x86-64-posix wine64 googletest)
# The ARM64 libraries, from Debian multiarch beside the host's (see enable_arm64_packages).
ARM64_PACKAGES=(libgtest-dev:arm64 libgmp-dev:arm64 qt6-base-dev:arm64 libgl-dev:arm64)
# Only for the fuzz campaign (scripts/fuzz_campaign.sh): Clang and its libFuzzer.
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

corvane_sudo=()
[ "$(id -u)" -ne 0 ] && corvane_sudo=(sudo)
corvane_apt_updated=false

# install_missing_packages [--no-install-recommends] PACKAGE...
install_missing_packages() {
    local options=()
    [ "${1:-}" = --no-install-recommends ] && { options+=("$1"); shift; }
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    if ! $corvane_apt_updated; then
        "${corvane_sudo[@]}" apt-get update
        corvane_apt_updated=true
    fi
    "${corvane_sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y "${options[@]}" "${missing[@]}"
}

# Lets apt install arm64 packages beside the host's; the next install reads the arm64 lists.
enable_arm64_packages() {
    [ "$(dpkg --print-architecture)" = arm64 ] && return 0
    dpkg --print-foreign-architectures | grep -qx arm64 && return 0
    echo "Adding the arm64 architecture to dpkg"
    "${corvane_sudo[@]}" dpkg --add-architecture arm64
    corvane_apt_updated=false
}
