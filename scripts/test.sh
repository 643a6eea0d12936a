#!/usr/bin/env bash
# Builds the programs against the simulated Windows and runs the tests: a plain
# build, one under AddressSanitizer and UBSan, the threaded tests under
# ThreadSanitizer, the fuzzers, and then the real programs under Wine.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"

build() {
    local dir="$1"
    shift
    cmake -S "$root" -B "$root/$dir" "$@"
    cmake --build "$root/$dir" --parallel "$jobs"
}

echo "=== host build (build-host/)"
build build-host
# The whole fault sweep when QMR_FULL_SWEEP=1 (CI sets it), a sample otherwise.
(cd "$root/build-host" && QMR_FULL_SWEEP="${QMR_FULL_SWEEP:-0}" ctest --output-on-failure)

echo "=== Reproducible release: two clean builds in temporary copies of the sources"
bash "$root/tests/reproducible_release.sh"

# The cross build has no host code for a sanitizer to watch: it runs in build-host only.
echo "=== AddressSanitizer and UBSan build (build-asan/)"
asan="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g"
build build-asan -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$asan" -DCMAKE_CXX_FLAGS="$asan" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
(cd "$root/build-asan" && QMR_FULL_SWEEP=0 ctest --output-on-failure -E '^windows_build$|^KillSweep')
# A killed program's memory goes with its process, as on Windows: no leak check for the kill sweep.
(cd "$root/build-asan" && QMR_FULL_SWEEP=0 ASAN_OPTIONS=detect_leaks=0 \
    ctest --output-on-failure -R '^KillSweep' --no-tests=error)

# --no-tests=error: a renamed test must not leave this stage silently running nothing.
echo "=== ThreadSanitizer build (build-tsan/): the threaded tests"
tsan="-fsanitize=thread -g"
build build-tsan -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$tsan" -DCMAKE_CXX_FLAGS="$tsan" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
(cd "$root/build-tsan" && ctest --output-on-failure -R 'Thread|InstallerFlow|Installation|Uninstaller|RoundTrip|DifferentVersion' --no-tests=error)

# libFuzzer: each target for a bounded time from the seed corpus in the repository; what it
# finds goes to a scratch corpus, never into the repository.
echo "=== Fuzzing (build-fuzz/)"
build build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQMR_FUZZ=ON \
    -DCMAKE_C_FLAGS="$asan" -DCMAKE_CXX_FLAGS="$asan" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
for target in regpath options inf trace switches; do
    scratch="$(mktemp -d)"
    "$root/build-fuzz/fuzz/fuzz_$target" -max_total_time="${QMR_FUZZ_SECONDS:-20}" \
        -rss_limit_mb=4096 -artifact_prefix="$root/build-fuzz/crash-$target-" \
        "$scratch" "$root/fuzz/corpus/$target"
    rm -rf "$scratch"
done

# The real .exe files under Wine: the platform contracts and the end-to-end scenarios. Without a
# working Wine this stage fails; it never passes by running nothing.
echo "=== Windows programs under Wine (build-e2e/)"
bash "$root/scripts/e2e.sh"
