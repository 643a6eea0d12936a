#!/usr/bin/env bash
# Prepares a fresh Debian machine: installs what the builds and tests need,
# then builds the installation media into dist/.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(
    cmake make g++ python3 file
    clang libclang-rt-dev       # clang++ and its sanitizer runtimes
    libgtest-dev
    g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "setup.sh: installing packages needs root or sudo" >&2
        exit 1
    fi
}

as_root apt-get update
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${packages[@]}"

bash "$root/scripts/build_windows.sh"
