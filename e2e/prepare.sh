# Sourced by the scripts that run the real programs under Wine (scripts/e2e.sh, demo.sh,
# bench_wine.sh): checks that Wine is here, builds the programs and test tools, and prepares
# the Wine prefixes that the runs copy. The caller defines die(). Sets E2E_ROOT, E2E_TOOLS and
# E2E_BASE for e2e/lib.sh.

# wine_ready <always|missing> <arch...>: build always, or only when something is missing; then
# prepare a prefix of each arch (win32, win64) once and prove that Wine runs a 32-bit program.
wine_ready() {
    local build="$1"
    shift
    E2E_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    E2E_TOOLS="$E2E_ROOT/build-win/tools"
    E2E_BASE="$E2E_ROOT/build-e2e/base"
    export E2E_ROOT E2E_TOOLS E2E_BASE
    local tool file
    for tool in wine wineserver xvfb-run flock python3; do
        command -v "$tool" >/dev/null 2>&1 || die "$tool not found: run scripts/setup.sh"
    done

    local built=(dist/QMR640_Installer.exe dist/QMR640_Uninstaller.exe
        build-win/tools/scripted_user.exe build-win/tools/spooler_query.exe
        build-win/tools/MON640.dll build-win/tools/platform_contracts.exe
        build-win/tools/planted_program.exe build-win/tools/planted_dll.dll
        build-win/tools/printui.dll)
    if [ "$build" = missing ]; then
        for file in "${built[@]}"; do
            [ -f "$E2E_ROOT/$file" ] || build=always
        done
    fi
    mkdir -p "$E2E_BASE"
    # Runs started side by side must not build or prepare the same prefix at once.
    exec 9>"$E2E_BASE/.lock"
    flock 9
    if [ "$build" = always ]; then
        bash "$E2E_ROOT/scripts/build_windows.sh" >"$E2E_BASE/build.log" 2>&1 ||
            die "the Windows build failed, see $E2E_BASE/build.log"
    fi
    for file in "${built[@]}"; do
        [ -f "$E2E_ROOT/$file" ] || die "$file was not built"
    done

    local arch prefix
    for arch in "$@"; do
        prefix="$E2E_BASE/$arch"
        [ -f "$prefix/system.reg" ] && continue
        rm -rf "$prefix"
        echo "=== preparing a Wine prefix ($arch; once, takes minutes)"
        WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all \
            xvfb-run -a sh -c 'wineboot -i && wineserver -w' >"$E2E_BASE/$arch.log" 2>&1
        [ -f "$prefix/system.reg" ] || die "Wine cannot create a $arch prefix, see $E2E_BASE/$arch.log"
    done

    local probe
    probe="$(WINEPREFIX="$E2E_BASE/$1" WINEDEBUG=-all wine cmd /c echo wine-runs 2>&1 | tr -d '\r')"
    WINEPREFIX="$E2E_BASE/$1" wineserver -w
    case "$probe" in
    *wine-runs*) ;;
    *) die "Wine cannot run 32-bit Windows programs on this machine (run scripts/setup.sh): $probe" ;;
    esac
    flock -u 9
}
