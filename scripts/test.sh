#!/usr/bin/env bash
# Builds the program and runs every test: a normal build (calculation, command line, window
# and end-to-end tests, the slow ones included, and the replays of the fuzz corpora), the
# Debian package built, installed into a scratch root and started, the calculation with the
# portable Extended backend forced (its tests and fuzz replays), an AddressSanitizer +
# UndefinedBehaviorSanitizer build that runs every test again but the slow ones, then cross
# builds run under emulators: ARM64 Linux under qemu (calculation, command line and window)
# and 64-bit Windows under wine (everything but the window, with each Extended backend).
# On Debian 12, as root, it first installs whatever build and test packages are missing.
# At the end it says how long each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh

jobs=2
stage_names=()
stage_seconds=()
stage_name=""
stage_start=$SECONDS

end_stage() {
    [ -n "$stage_name" ] || return 0
    stage_names+=("$stage_name")
    stage_seconds+=($((SECONDS - stage_start)))
    stage_name=""
}
stage() {
    end_stage
    stage_name=$1
    stage_start=$SECONDS
    echo "== $1 =="
}

stage "packages"
enable_arm64_packages
install_missing_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
install_missing_packages --no-install-recommends "${CROSS_PACKAGES[@]}" "${ARM64_PACKAGES[@]}"

stage "normal build"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVANE_BUILD_UI=ON -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_BENCH=ON -DCORVANE_SANITIZE=OFF
cmake --build build/test -j"$jobs"
ctest --test-dir build/test --output-on-failure

stage "Debian package: build, install into a scratch root, check, start"
bash packaging/package_test.sh build/test

stage "portable Extended backend (calculation only)"
cmake -S . -B build/soft -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALC_SOFT_EXTENDED=ON \
    -DCORVANE_BUILD_UI=OFF -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_BENCH=ON -DCORVANE_SANITIZE=OFF
cmake --build build/soft -j"$jobs"
ctest --test-dir build/soft --output-on-failure --label-exclude slow

stage "sanitizer build (ASan + UBSan)"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug \
    -DCORVANE_BUILD_UI=ON -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_BENCH=OFF -DCORVANE_SANITIZE=ON
cmake --build build/asan -j"$jobs"
ctest --test-dir build/asan --output-on-failure --label-exclude slow

# The cross builds run every test of the tree (the end-to-end test is native only) except the
# slow ones, which repeat the normal build's checks at a length an emulator makes too costly.
stage "ARM64 Linux under qemu (calculation and window)"
cmake -S . -B build/arm64 --toolchain cmake/toolchains/aarch64-linux-gnu.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVANE_BUILD_UI=ON -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_BENCH=OFF -DCORVANE_SANITIZE=OFF
cmake --build build/arm64 -j"$jobs"
ctest --test-dir build/arm64 --output-on-failure --label-exclude slow -j"$jobs"

for backend in x87 portable; do
    soft=OFF
    [ "$backend" = portable ] && soft=ON
    stage "64-bit Windows (MinGW-w64) under wine, $backend Extended backend"
    build=build/windows-$backend
    cmake -S . -B "$build" --toolchain cmake/toolchains/x86_64-w64-mingw32.cmake \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALC_SOFT_EXTENDED="$soft" \
        -DCORVANE_GTEST_SOURCE_DIR=/usr/src/googletest \
        -DCORVANE_BUILD_UI=OFF -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_BENCH=OFF -DCORVANE_SANITIZE=OFF
    cmake --build "$build" -j"$jobs"
    status=0
    ctest --test-dir "$build" --output-on-failure --label-exclude slow -j"$jobs" || status=$?
    # Wine's server would otherwise linger half a minute after the last test.
    WINEPREFIX="$PWD/$build/wine" /usr/lib/wine/wineserver -k 2>/dev/null || true
    [ "$status" -eq 0 ] || exit "$status"
done
end_stage

echo "== time per stage =="
for i in "${!stage_names[@]}"; do
    printf '%6d s  %s\n' "${stage_seconds[$i]}" "${stage_names[$i]}"
done
printf '%6d s  in all\n' "$SECONDS"
