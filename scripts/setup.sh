#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Idempotent: apt-get runs
# only when a package is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libssl-dev
    libsqlite3-dev libjpeg62-turbo-dev libxlsxwriter-dev
    unixodbc unixodbc-dev tdsodbc freetds-bin libsqliteodbc
    libgtest-dev
    clang libclang-rt-14-dev clang-format clang-tidy
    fonts-dejavu-core fonts-liberation2
    xvfb xauth
    desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
