#!/usr/bin/env bash
# The runs of scripts/bench_wine.sh, inside its virtual display: BENCH_RUNS times, in a fresh
# prefix reporting Windows XP, the classic installation on COM1 (options file, No to the restart)
# and then the full uninstallation. Prints "run N <installer ms> <uninstaller ms>": each
# program's wall time from its start to its end, as the scripted user saw it.
#   E2E_ROOT, E2E_TOOLS, E2E_BASE as for the scenarios (e2e/lib.sh); BENCH_RUNS, BENCH_WORK
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The program's run time from the scripted user's "EXIT <code> after <ms> ms" line.
run_ms() {
    sed -n 's/^EXIT 0 after \([0-9]*\) ms.*/\1/p' "$E2E_WORK/$1.log" | tr -d '\r'
}

for ((run = 1; run <= BENCH_RUNS; run++)); do
    export E2E_WORK="$BENCH_WORK/run$run"
    mkdir -p "$E2E_WORK"
    new_prefix win32 winxp
    new_media '[QMR640]\nPORTDLG=FALSE\nPORT=COM1\n'
    run_user install QMR640_Installer.exe '
window QMR640_Installer | Restarting your computer
click &No
exit 0' >/dev/null || { echo "run $run: the installation failed, see $E2E_WORK" >&2; exit 1; }
    uninstall_all uninstall >/dev/null || { echo "run $run: the uninstallation failed, see $E2E_WORK" >&2; exit 1; }
    wineserver -k 2>/dev/null
    echo "run $run $(run_ms install) $(run_ms uninstall)"
    rm -rf "$E2E_WORK/prefix"
done
