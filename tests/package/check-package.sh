#!/usr/bin/env bash
# Builds the Debian package from a build folder into a temporary folder and checks it:
# the files a workstation needs, the runtime dependencies, a valid menu entry and the version.
# Usage: check-package.sh <cpack> <build folder> <version>
set -euo pipefail
cpack=$1
build=$2
version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

(cd "$build" && "$cpack" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log" >&2
    exit 1
}
shopt -s nullglob
debs=("$work"/out/zev32_*.deb)
((${#debs[@]} == 1)) || { echo "expected one zev32_*.deb, found ${#debs[@]}" >&2; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

# The version is the project's one version.
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] ||
    fail "version $(dpkg-deb -f "$deb" Version), expected $version"
[[ $(basename "$deb") == zev32_${version}_*.deb ]] || fail "file name $(basename "$deb")"

# Files.
dpkg-deb -c "$deb" | awk '{ for (i = 6; i <= NF; ++i) printf "%s%s", $i, (i < NF ? " " : "\n") }' \
    >"$work/files"
for f in "./usr/lib/zev32/ZEV 32" ./usr/bin/zev-sql ./usr/bin/zev-gen ./usr/bin/zev-publish-update ./usr/bin/zev-tds-server \
    ./usr/share/doc/zev32/mssql/zev-install.sql \
    ./usr/share/applications/zev32.desktop ./usr/share/icons/hicolor/scalable/apps/zev32.svg \
    ./usr/share/doc/zev32/zev32.ini.example; do
    grep -qxF "$f" "$work/files" || fail "missing $f"
done
grep -qxF "./usr/bin/zev32 -> ../lib/zev32/ZEV 32" "$work/files" || fail "missing the link /usr/bin/zev32"
# Nothing of the build: no tests, no benchmarks, no headers.
if grep -E '_tests$|bench|\.h$|\.a$' "$work/files"; then fail "build files in the package"; fi

# Dependencies: the shared libraries the programs link, and what they load at run time.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for p in libqt6widgets6 libqt6network6 libqt6printsupport6 libodbc2 libsqlite3-0 libjpeg62-turbo \
    libssl3 libc6 libxlsxwriter4 \
    qt6-qpa-plugins tdsodbc qt6-translations-l10n; do
    grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p"
done
if grep -qE -- '-dev( |,|$)' <<<"$depends"; then fail "Depends names a development package"; fi

# The unpacked tree: the menu entry is valid and starts the installed program.
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/zev32.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=zev32' "$work/root/usr/share/applications/zev32.desktop" || fail "Exec is not zev32"
grep -qx 'Icon=zev32' "$work/root/usr/share/applications/zev32.desktop" || fail "Icon is not zev32"
grep -qE '^Categories=.*Office;.*Education;' "$work/root/usr/share/applications/zev32.desktop" ||
    fail "Categories are not Office and Education"
[[ -L "$work/root/usr/bin/zev32" && -x "$work/root/usr/bin/zev32" ]] || fail "zev32 does not lead to the program"
# The installed program answers --version with the package's version, without a display.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/zev32" --version) ||
    fail "zev32 --version failed"
[[ $out == "ZEV 32 $version" ]] || fail "zev32 --version said '$out'"
# So do the other programs.
for p in zev-sql zev-gen zev-publish-update zev-tds-server; do
    out=$("$work/root/usr/bin/$p" --version) || fail "$p --version failed"
    [[ $out == "$p $version" ]] || fail "$p --version said '$out'"
done
# Stripped: no debugging sections in the shipped client.
if readelf -S "$work/root/usr/lib/zev32/ZEV 32" | grep -q '\.debug_info'; then fail "client not stripped"; fi

# Every dependency is a package Debian has: apt could install the package (where apt knows the
# archive's package lists).
if compgen -G "/var/lib/apt/lists/*_Packages" >/dev/null; then
    apt-get install --simulate -qq "$deb" >"$work/apt.log" 2>&1 || {
        cat "$work/apt.log" >&2
        fail "apt cannot install the package"
    }
fi

if ((failures)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package checks passed"
