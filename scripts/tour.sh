#!/usr/bin/env bash
# Installs what is missing, builds the tour, and runs it: the real client on a fresh demo
# database, driven through its screens without a display, one PNG per screen in docs/tour/ (or
# the folder given as the first argument).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/tour}
build="$root/build"
"$root/scripts/setup.sh"

# Only the tour and what it links: a test being written elsewhere cannot hold it up.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target zev-tour

# The pictures of one run only: no stale screen of an earlier tour stays behind.
mkdir -p "$out"
rm -f "$out"/[0-9][0-9]-*.png
QT_QPA_PLATFORM=offscreen "$build/tour/zev-tour" "$out" 2> >(grep -v "This plugin does not support" >&2)
