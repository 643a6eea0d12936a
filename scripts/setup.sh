#!/usr/bin/env bash
# Prepares a fresh Debian machine: installs what the builds and tests need (Wine
# and a virtual display among them), builds the installation media into dist/,
# then shows them at work: the demo under Wine.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(
    cmake make g++ python3 file
    clang libclang-rt-dev       # clang++ and its sanitizer runtimes
    libgtest-dev
    g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
    git osslsigncode openssl zip unzip   # scripts/release.sh and its tests
)

source "$root/scripts/as_root.sh"

as_root apt-get update
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${packages[@]}"

bash "$root/scripts/setup_wine.sh"
bash "$root/scripts/build_windows.sh"
bash "$root/scripts/demo.sh"
