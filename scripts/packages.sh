# The Debian packages the build and the tests need, and a helper that installs the missing
# ones. Sourced by run.sh and test.sh.

BUILD_PACKAGES=(build-essential cmake qt6-base-dev qt6-qpa-plugins libgl-dev fonts-wqy-microhei)
TEST_PACKAGES=(libgtest-dev libbenchmark-dev libgmp-dev libmpfr-dev xvfb xauth openbox xdotool xclip x11-utils imagemagick)
# Only for the fuzz campaign (scripts/fuzz_campaign.sh): Clang and its libFuzzer.
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

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
