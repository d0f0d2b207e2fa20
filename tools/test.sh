#!/usr/bin/env bash
# The full test run: installs what it needs, builds both presets from scratch where needed, runs
# every native test (with ASan/UBSan) and every Windows test under Wine, then a short smoke run of
# each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
jobs=$(nproc)

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

echo "== win32 build and tests under Wine"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
status=0
# A Wine program that starts just as the prefix's wineserver is exiting can lose its connection
# ("wine client error"); such a test gets one more run, a real failure fails twice.
tools/with-display.sh ctest --preset win32 -j "$jobs" --repeat until-pass:2 || status=$?
build/win32/wine-run --stop
[ "$status" -eq 0 ] || exit "$status"

if [ -x tools/fuzz.sh ]; then
    echo "== fuzz smoke"
    tools/fuzz.sh --smoke
fi
echo "== all tests passed"
