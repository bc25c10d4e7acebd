#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over the C++ sources, using the compile commands
# of a build folder (ZEV_TIDY_BUILD, default build/; scripts/build.sh writes them). Any finding
# fails the run.
#   scripts/tidy.sh          the sources that differ from main (committed or not), and every
#                            source beside a changed header: the check before a landing
#   scripts/tidy.sh --all    every source of the tree (CI; about 10 s of one core per file)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZEV_TIDY_BUILD:-$root/build}
if [[ ! -f "$build/compile_commands.json" ]]; then
    echo "tidy: no $build/compile_commands.json: build first (scripts/build.sh)" >&2
    exit 2
fi
cd "$root"

if [[ "${1:-}" == "--all" ]]; then
    mapfile -t sources < <(git ls-files '*.cpp')
else
    base=$(git merge-base HEAD main 2>/dev/null || git rev-parse HEAD)
    mapfile -t changed < <({ git diff --name-only "$base" -- '*.cpp' '*.h'
                             git ls-files --others --exclude-standard -- '*.cpp' '*.h'; } | sort -u)
    sources=()
    for file in "${changed[@]}"; do
        [[ -f "$file" ]] || continue
        if [[ "$file" == *.h ]]; then
            # A header is checked through the sources of its folder that include it.
            mapfile -t -O "${#sources[@]}" sources < <(git grep -l -F "$(basename "$file")" -- "$(dirname "$file")/*.cpp" || true)
        else
            sources+=("$file")
        fi
    done
fi
if ((${#sources[@]} == 0)); then
    echo "tidy: no source to check"
    exit 0
fi

# run-clang-tidy takes regular expressions over the compile commands' files: one that names
# exactly these (sources outside the build, such as the fuzz targets of a normal build, drop out).
pattern=$(printf '%s\n' "${sources[@]}" | sort -u | sed -e 's/[.+]/\\&/g' -e "s|^|$root/|" | paste -sd'|')
echo "tidy: $(printf '%s\n' "${sources[@]}" | sort -u | wc -l) sources"
run-clang-tidy -p "$build" -j "$(nproc)" -quiet "^($pattern)\$" > "$build/tidy.log" 2>&1 || {
    grep -E "(error|warning):" "$build/tidy.log" | sort -u
    echo "tidy: findings above (whole output in $build/tidy.log)"
    exit 1
}
echo "tidy: clean"
