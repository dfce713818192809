#!/usr/bin/env bash
# Installs what the build needs, builds the program and starts it attached to
# the built-in simulated meter, so readings flow without hardware. Words after
# the command go to the program (for example: bash run.sh dbg). To use a real
# meter instead, start build/bin/tesk without --simulate.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
tesk_install_packages "${TESK_BUILD_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESK_BENCH=OFF
cmake --build build -j"$(nproc)" --target tesk tesk-meter-sim
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No desktop display was found: run this from a desktop session (or under xvfb-run)." >&2
    exit 1
fi
exec build/bin/tesk --simulate "$@"
