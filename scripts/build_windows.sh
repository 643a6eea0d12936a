#!/usr/bin/env bash
# Cross-compiles both programs for 32-bit Windows and lays out the installation
# media in dist/: the two .exe files, the options file and Driver32\ / Driver64\.
#   scripts/build_windows.sh [BUILD_DIR MEDIA_DIR [TARGET]]
# Default: build-win/, dist/, and every target (the media and the test tools for the runs under
# Wine); TARGET installation_media builds the media alone.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-win}"
dist="${2:-$root/dist}"
jobs="$(nproc 2>/dev/null || echo 2)"

for tool in i686-w64-mingw32-g++ i686-w64-mingw32-windres cmake; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "build_windows.sh: $tool not found; run scripts/setup.sh first" >&2
        exit 1
    fi
done

# dist/ is output only: start it afresh so no file dropped from media/ lingers on.
rm -rf "$dist"
cmake -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQMR_DIST_DIR="$dist"
cmake --build "$build" --parallel "$jobs" ${3:+--target "$3"}

missing=0
for item in QMR640_Installer.exe QMR640_Uninstaller.exe QMR640_Config.KST \
            Driver32/QMR640.inf Driver64/QMR640.inf; do
    if [ ! -e "$dist/$item" ]; then
        echo "build_windows.sh: $dist/$item is missing after the build" >&2
        missing=1
    fi
done
[ "$missing" -eq 0 ] || exit 1
echo "Installation media ready in $dist"
