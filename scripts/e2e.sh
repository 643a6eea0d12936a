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

source "$root/e2e/prepare.sh"
# E2E_NO_BUILD=1 runs on the current build, as when several runs share one.
if [ "${E2E_NO_BUILD:-0}" = 1 ]; then wine_ready missing win32 win64; else wine_ready always win32 win64; fi

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
    if E2E_WORK="$work/$name" \
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

[ "$failed" -eq 0 ] || echo "e2e: failed scenarios: ${failed_names[*]}"
echo "e2e: $passed passed, $failed failed"
[ $((passed + failed)) -gt 0 ] || die "no scenario matched \"$filter\""
[ "$failed" -eq 0 ]
