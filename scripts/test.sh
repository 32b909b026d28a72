#!/usr/bin/env bash
# Builds the program and runs every test: a normal build (calculation, window and end-to-end
# tests, the slow ones included, and the replays of the fuzz corpora), the calculation with
# the portable Extended backend forced (its tests and fuzz replays), and an AddressSanitizer +
# UndefinedBehaviorSanitizer build, which runs every test again but the slow ones.
# On Debian 12, as root, it first installs whatever build and test packages are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
install_missing_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

jobs=2
echo "== normal build =="
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVANE_BUILD_UI=ON -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_BENCH=ON -DCORVANE_SANITIZE=OFF
cmake --build build/test -j"$jobs"
ctest --test-dir build/test --output-on-failure

echo "== portable Extended backend (calculation only) =="
cmake -S . -B build/soft -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALC_SOFT_EXTENDED=ON \
    -DCORVANE_BUILD_UI=OFF -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_BENCH=ON -DCORVANE_SANITIZE=OFF
cmake --build build/soft -j"$jobs"
ctest --test-dir build/soft --output-on-failure --label-exclude slow

echo "== sanitizer build (ASan + UBSan) =="
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug \
    -DCORVANE_BUILD_UI=ON -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_BENCH=OFF -DCORVANE_SANITIZE=ON
cmake --build build/asan -j"$jobs"
ctest --test-dir build/asan --output-on-failure --label-exclude slow
