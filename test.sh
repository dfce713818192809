#!/usr/bin/env bash
# Installs what the build needs, then builds and runs every test twice: with
# g++ (warnings as errors), and with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, which also runs each fuzz target for a few seconds.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
tesk_install_packages "${TESK_BUILD_PACKAGES[@]}" "${TESK_TEST_PACKAGES[@]}"

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1

echo "== g++ build and tests =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESK_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --timeout 300

echo "== clang build and tests with AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer =="
CC=clang CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTESK_WERROR=ON \
    -DTESK_SANITIZE=ON -DTESK_FUZZ=ON -DTESK_BENCH=OFF
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure --timeout 300
