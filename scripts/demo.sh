#!/usr/bin/env bash
# Shows a person the product's main job under Wine reporting Windows XP, on a virtual display:
# the installer asks for the port (COM1 is picked) and installs the driver, then what is
# installed is listed; the uninstaller removes it and what is left is listed. Screen shots of
# the port dialog, the progress dialog and the uninstaller go to build/screenshots/.
# Builds the programs when they are missing. Exit code 0 only when every step was seen to work.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$root/build/demo"
shots="$root/build/screenshots"

die() {
    echo "demo.sh: $*" >&2
    exit 1
}

start=$SECONDS
source "$root/e2e/prepare.sh"
wine_ready missing win32
rm -rf "$work"
mkdir -p "$work" "$shots"
rm -f "$shots"/{port,progress,uninstaller}.png

E2E_WORK="$work" DEMO_SHOTS="$shots" \
    timeout 1800 xvfb-run -a -s "-screen 0 1024x768x24" bash "$root/e2e/demo.sh"
rc=$?
echo
[ "$rc" -eq 0 ] || die "the demo FAILED after $((SECONDS - start)) s; its files are in $work"
for name in port progress uninstaller; do
    [ -s "$shots/$name.png" ] || die "the screen shot $shots/$name.png is missing"
done
echo "=== The demo succeeded in $((SECONDS - start)) s; screen shots in $shots"
