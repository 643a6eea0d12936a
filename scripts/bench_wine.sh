#!/usr/bin/env bash
# Benchmark of the real programs under Wine: the wall time of the classic installation and of
# the full uninstallation (Windows XP prefix, scripted user) against the sum of their fixed
# pauses, as a ratio. The pauses are those the simulated machine records for the same runs
# (qmr_bench --whole). The wall time includes the scripted user's reaction (it looks every
# 100 ms) and, on kernels without 32-bit support, qemu's emulation of every instruction.
#   scripts/bench_wine.sh [runs]     (default 3)
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${1:-3}"
work="$root/build-e2e/bench"

die() {
    echo "bench_wine.sh: $*" >&2
    exit 1
}

source "$root/e2e/prepare.sh"
wine_ready missing win32

if [ ! -x "$root/build-host/qmr_bench" ]; then
    { cmake -S "$root" -B "$root/build-host" && cmake --build "$root/build-host" --target qmr_bench; } \
        >"$root/build-e2e/bench-build.log" 2>&1 || die "cannot build qmr_bench, see build-e2e/bench-build.log"
fi
whole="$("$root/build-host/qmr_bench" --whole)" || die "qmr_bench failed"
pauses() { # the fixed pauses of one of qmr_bench's whole runs
    sed -n "s/^$1 .*fixed pauses *\([0-9]*\) ms.*/\1/p" <<<"$whole"
}
install_pauses="$(pauses 'classic installation (XP)')"
uninstall_pauses="$(pauses 'full uninstallation (XP)')"
[ -n "$install_pauses" ] && [ -n "$uninstall_pauses" ] || die "qmr_bench printed no pauses: $whole"

rm -rf "$work"
mkdir -p "$work"
results="$(BENCH_RUNS="$runs" BENCH_WORK="$work" \
    timeout 3600 xvfb-run -a -s "-screen 0 1024x768x24" bash "$root/e2e/bench.sh")" ||
    die "a run failed: $results"
# Every run must have given both times; a missing one would make a wrong mean.
complete="$(awk '$1 == "run" && $3 ~ /^[0-9]+$/ && $4 ~ /^[0-9]+$/' <<<"$results" | wc -l)"
[ "$complete" -eq "$runs" ] || die "$complete of $runs runs gave both times: $results"

echo "Wall time under Wine ($(wine --version)) against the fixed pauses, $runs runs:"
awk -v ip="$install_pauses" -v up="$uninstall_pauses" '
    { i += $3; u += $4; if (NR == 1 || $3 < imin) imin = $3; if (NR == 1 || $4 < umin) umin = $4 }
    END {
        n = NR
        printf "%-28s wall %8.0f ms (min %6d)   fixed pauses %6d ms   ratio %5.2f\n",
            "classic installation (XP)", i / n, imin, ip, i / n / ip
        printf "%-28s wall %8.0f ms (min %6d)   fixed pauses %6d ms   ratio %5.2f\n",
            "full uninstallation (XP)", u / n, umin, up, u / n / up
    }' <<<"$results"
