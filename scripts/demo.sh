#!/usr/bin/env bash
# Starts the client on the embedded demo database: checks for a display first, installs what is
# missing, builds only the client and the generator, creates the demo database with its settings
# file beside the program, and starts the client on them.
# With --odbc the client runs over its SQL Server path instead: FreeTDS and the ODBC driver
# against the TDS test server (zev-tds-server), which serves the same demo database and prints
# each session's requests and bytes when it ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
odbc=false
for argument in "$@"; do
    case "$argument" in
        --odbc) odbc=true ;;
        *) echo "Usage: scripts/demo.sh [--odbc]" >&2; exit 2 ;;
    esac
done

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
# The programs the demo runs, not the tests, the benchmarks or the tour.
targets=(zev_app zev-gen)
if $odbc; then targets+=(zev-tds-server zev-sql); fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

appdir="$build/app"
"$build/server/zev-gen" demo "$appdir/Data"
cd "$appdir"
if ! $odbc; then
    exec "$appdir/ZEV 32"
fi

# The TDS test server on an ephemeral loopback port; the settings file points the client at it.
portfile=$(mktemp)
"$build/server/tds/zev-tds-server" --count-requests "$appdir/Data/zev-demo.sqlite" >"$portfile" &
server=$!
trap 'kill "$server" 2>/dev/null; rm -f "$portfile"' EXIT
port=""
for _ in $(seq 100); do
    port=$(grep -o '[0-9]*$' "$portfile" || true)
    if [[ -n "$port" ]]; then break; fi
    sleep 0.1
done
if [[ -z "$port" ]]; then
    echo "The TDS test server did not start." >&2
    exit 1
fi
echo "TDS test server on 127.0.0.1,$port"
"$build/server/shell/zev-sql" \
    -c "User ID=zev_signin;Password=Vhod#2025;Initial Catalog=ZEV;Data Source=127.0.0.1,$port" \
    --write-settings "$appdir/Data/ZEV" >/dev/null
"$appdir/ZEV 32"
