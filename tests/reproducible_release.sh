#!/usr/bin/env bash
# Two unsigned releases of this tree's sources (its commit with the changes not yet committed),
# each built afresh in a folder of its own, must be the same byte for byte.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct)"
unset QMR_SIGN_PFX QMR_SIGN_PASSWORD QMR_SIGN_TIMESTAMP_URL
sources="$(git -C "$root" stash create)"
for copy in "$work/a" "$work/b/c"; do
    mkdir -p "$copy" && git -C "$root" archive "${sources:-HEAD}" | tar -x -C "$copy"
    bash "$copy/scripts/release.sh" >"$copy.log" 2>&1 || { tail "$copy.log" && exit 1; }
    grep -q "NOT SIGNED" "$copy.log" || { echo "FAIL: no NOT SIGNED notice" && exit 1; }
done
diff -r "$work"/{a,b/c}/build-release/stage && diff -r "$work"/{a,b/c}/release
echo "reproducible release: two builds in $work/a and $work/b/c gave the same files"
