#!/usr/bin/env bash
# Installs what is missing, builds, and runs the scripted tour: the real client on a fresh demo
# database, driven through its screens without a display, one PNG per screen in docs/tour/
# (or the folder given as the first argument).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/tour}
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The pictures of one run only: no stale screen of an earlier tour stays behind.
mkdir -p "$out"
rm -f "$out"/[0-9][0-9]-*.png
QT_QPA_PLATFORM=offscreen "$root/build/tour/zev-tour" "$out"
