#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo database with its settings file beside the
# program, and starts the client on them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

appdir="$root/build/app"
"$root/build/server/zev-gen" demo "$appdir/Data"

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && "${QT_QPA_PLATFORM:-}" != "offscreen" ]]; then
    echo "No display: the client is a desktop program and needs one (set DISPLAY, or run it under xvfb-run)."
    exit 1
fi
cd "$appdir"
exec "$appdir/ZEV 32"
