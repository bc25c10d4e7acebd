#!/usr/bin/env bash
# Installs what is missing, checks the sources' formatting, builds and runs the whole test suite
# through CTest; under CI, clang-tidy checks every source.
# Under CI (CI=true), or with ZEV_SANITIZE=1, the suite runs once more in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, and every fuzz target (fuzz/) runs for
# ZEV_FUZZ_SECONDS (30) seconds in a clang build; a finding fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
status=0

# Every C++ source as the project's .clang-format lays it out (in a git checkout).
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1 &&
    ! (cd "$root" && git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format --dry-run --Werror); then
    echo "Sources not formatted: run clang-format -i on the files named above"
    status=1
fi

"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)") || status=$?

# clang-tidy over every source with the build's compile commands (scripts/tidy.sh; without
# --all it checks only what differs from main, the quick check before a landing).
if [[ "${CI:-}" == "true" ]]; then
    echo "== clang-tidy =="
    "$root/scripts/tidy.sh" --all || status=1
fi

if [[ "${CI:-}" == "true" || "${ZEV_SANITIZE:-}" == "1" ]]; then
    echo "== The same suite with AddressSanitizer and UndefinedBehaviorSanitizer =="
    "$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DZEV_SANITIZE=ON -DZEV_BUILD_BENCH=OFF
    # System libraries (fontconfig, Qt's plugins) keep memory until exit; leak checking stays off.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    (cd "$root/build-asan" && ctest --output-on-failure -j "$(nproc)") || status=$?

    echo "== Fuzz targets, ${ZEV_FUZZ_SECONDS:-30} s each =="
    "$root/scripts/build.sh" "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEV_FUZZ=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZEV_FUZZ_SECONDS="${ZEV_FUZZ_SECONDS:-30}"
    (cd "$root/build-fuzz" && ctest -L fuzz --output-on-failure -j "$(nproc)") || status=$?
fi
exit $status
