#!/usr/bin/env bash
# Starts the client on the embedded demo database: checks for a display first, installs what is
# missing, builds only the client and the generator, creates the demo database with its settings
# file beside the program, and starts the client on them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && "${QT_QPA_PLATFORM:-}" != "offscreen" ]]; then
    echo "No display: the client is a desktop program and needs one (set DISPLAY, or run it under xvfb-run: see README.md)." >&2
    exit 1
fi

"$root/scripts/setup.sh"
build="$root/build"
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The two programs the demo runs, not the tests, the benchmarks or the tour.
cmake --build "$build" -j "$(nproc)" --target zev_app zev-gen

appdir="$build/app"
"$build/server/zev-gen" demo "$appdir/Data"
cd "$appdir"
exec "$appdir/ZEV 32"
