#!/usr/bin/env bash
# Runs one scenario file (inside the virtual display started by scripts/e2e.sh) and prints its
# result; exit 0 only when every check passed and at least one ran.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$1"
wineserver -k 2>/dev/null
echo "    checks passed: $checks, failed: $failures"
[ "$failures" -eq 0 ] && [ "$checks" -gt 0 ]
