#!/usr/bin/env bash
# Runs the real programs under Wine: each scenario in e2e/scenarios/ gets a fresh Wine prefix
# (copied from a prepared one) and a virtual X display, runs the installer or uninstaller from
# a copy of dist/ with the scripted user, and checks the trace log, the registry and the
# spooler. Without a working Wine this fails: it never passes by running nothing.
#   scripts/e2e.sh [scenario name filter]
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$root/build-e2e"
filter="${1:-}"

die() {
    echo "e2e.sh: $*" >&2
    exit 1
}

for tool in wine wineserver xvfb-run; do
    command -v "$tool" >/dev/null 2>&1 || die "$tool not found: install wine, wine32 and xvfb"
done

# E2E_NO_BUILD=1 runs on the current build, as when several runs share one.
[ "${E2E_NO_BUILD:-0}" = 1 ] || bash "$root/scripts/build_windows.sh" >"$work.build.log" 2>&1 ||
    die "the Windows build failed, see $work.build.log"
tools="$root/build-win/tools"
for file in scripted_user.exe spooler_query.exe MON640.dll; do
    [ -f "$tools/$file" ] || die "$tools/$file was not built"
done

# The prepared prefixes are kept between runs; the scenarios only ever use copies.
mkdir -p "$work/base"
# Runs started side by side must not prepare the same prefix twice.
exec 9>"$work/base/.lock"
flock 9
prepare() {
    local arch="$1" prefix="$work/base/$1"
    [ -f "$prefix/system.reg" ] && return 0
    rm -rf "$prefix"
    echo "=== preparing the $arch prefix"
    WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all \
        xvfb-run -a sh -c 'wineboot -i && wineserver -w' >"$work/base/$arch.log" 2>&1
    [ -f "$prefix/system.reg" ] || die "Wine cannot create a $arch prefix, see $work/base/$arch.log"
}
prepare win32
prepare win64

# Wine must really run a 32-bit Windows program here, not only be installed.
probe="$(WINEPREFIX="$work/base/win32" WINEDEBUG=-all wine cmd /c echo wine-runs 2>&1 | tr -d '\r')"
WINEPREFIX="$work/base/win32" wineserver -w
case "$probe" in
*wine-runs*) ;;
*) die "Wine cannot run 32-bit Windows programs on this machine (run scripts/setup.sh): $probe" ;;
esac
flock -u 9

passed=0
failed=0
failed_names=()
for scenario in "$root"/e2e/scenarios/*.sh; do
    name="$(basename "$scenario" .sh)"
    case "$name" in *"$filter"*) ;; *) continue ;; esac
    echo "=== $name"
    rm -rf "${work:?}/$name"
    mkdir -p "$work/$name"
    start=$SECONDS
    if E2E_ROOT="$root" E2E_TOOLS="$tools" E2E_BASE="$work/base" E2E_WORK="$work/$name" \
        timeout 1800 xvfb-run -a -s "-screen 0 1024x768x24" \
        bash "$root/e2e/run_scenario.sh" "$scenario"; then
        passed=$((passed + 1))
        echo "=== $name: PASSED ($((SECONDS - start)) s)"
    else
        failed=$((failed + 1))
        failed_names+=("$name")
        echo "=== $name: FAILED ($((SECONDS - start)) s), see $work/$name"
    fi
done

echo "e2e: $passed scenarios passed, $failed failed ${failed_names[*]:-}"
[ $((passed + failed)) -gt 0 ] || die "no scenario matched \"$filter\""
[ "$failed" -eq 0 ]
