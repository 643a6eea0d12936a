# Helpers for the scenarios under Wine. A scenario is a bash file sourced by run_scenario.sh
# inside its own virtual X display; the variables below come from scripts/e2e.sh.
#   E2E_ROOT   the repository          E2E_TOOLS  the built test tools (build-win/tools)
#   E2E_BASE   folder of prepared prefixes (win32/, win64/)    E2E_WORK  this scenario's folder

failures=0
checks=0

fail() {
    failures=$((failures + 1))
    echo "    FAIL: $*"
}

pass() {
    checks=$((checks + 1))
}

# check <description> <command...>: the command must succeed.
check() {
    local what="$1"
    shift
    if "$@"; then pass; else fail "$what"; fi
}

# A fresh prefix copied from the prepared one, reporting the given Windows version.
new_prefix() {
    local arch="$1" version="$2"
    export WINEPREFIX="$E2E_WORK/prefix"
    export WINEARCH="$arch"
    export WINEDEBUG=-all
    cp -a "$E2E_BASE/$arch" "$WINEPREFIX"
    wine winecfg -v "$version" >/dev/null 2>&1
    wineserver -w
    DRIVE_C="$WINEPREFIX/drive_c"
}

# The installation media as a user would have it: a copy of dist/, with the placeholder
# language monitor replaced by one the spooler can load. $1: the options file's text, or
# "none" for no options file.
new_media() {
    MEDIA="$E2E_WORK/media"
    cp -a "$E2E_ROOT/dist" "$MEDIA"
    cp "$E2E_TOOLS/MON640.dll" "$MEDIA/Driver32/MON640.dll"
    if [ "$1" = none ]; then
        rm -f "$MEDIA/QMR640_Config.KST"
    else
        printf '%b' "$1" >"$MEDIA/QMR640_Config.KST"
    fi
}

winpath() {
    echo "Z:${1//\//\\}"
}

# run_user <name> <program> <script text> [arguments...]: the scripted user runs the program
# from $RUN_DIR (its current directory; $MEDIA unless set) with the arguments, each quoted; its
# window log goes to $E2E_WORK/<name>.log. Returns its exit code. A program given as a Windows
# path (C:\...) is started by that path, as the system would; "-c" starts the one argument as
# the whole command line, exactly as given.
run_user() {
    local name="$1" program="$2" script="$3"
    shift 3
    case "$program" in
    [A-Za-z]:\\* | -c) ;;
    *) program="$(winpath "$MEDIA/$program")" ;;
    esac
    printf '%s\n' "$script" >"$E2E_WORK/$name.script"
    local rc=0
    (cd "${RUN_DIR:-$MEDIA}" && wine "$(winpath "$E2E_TOOLS/scripted_user.exe")" \
        "$(winpath "$E2E_WORK/$name.script")" "$(winpath "$E2E_WORK/$name.log")" \
        "$program" "$@") >"$E2E_WORK/$name.out" 2>&1 || rc=$?
    wineserver -w
    echo "    scripted user log: $E2E_WORK/$name.log (exit $rc)"
    return $rc
}

# uninstall_all <name>: the scripted user removes every printer of the package with the
# uninstaller from the media and answers No to the restart. Returns its exit code.
uninstall_all() {
    run_user "$1" QMR640_Uninstaller.exe '
window KESTORA QMR-640 Uninstaller
wait-enabled Uninstall
click Uninstall
window QMR640_Uninstaller | Restart the computer
click &No
exit 0'
}

# The spooler objects, one a line (see tools/spooler_query).
spooler() {
    wine "$(winpath "$E2E_TOOLS/spooler_query.exe")" "$@" 2>/dev/null | tr -d '\r'
}

# The values of a registry key as "name|type|data" lines; nothing when the key is missing.
reg_values() {
    wine reg query "$@" 2>/dev/null | tr -d '\r' |
        sed -n 's/^    \([^ ].*\)    \(REG_[A-Z_]*\)    \(.*\)$/\1|\2|\3/p;s/^    \([^ ].*\)    \(REG_[A-Z_]*\)$/\1|\2|/p'
}

reg_key_exists() {
    wine reg query "$@" >/dev/null 2>&1
}

UNINSTALL_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\KESTORA_QMR-640'

has_line() { # has_line <file> <fixed text>: some line of the file contains the text
    grep -qF -- "$2" "$1"
}

has_exact() { # has_exact <text> <line>: the text has this exact line
    printf '%s\n' "$1" | grep -qxF -- "$2"
}

lacks_match() { # lacks_match <text> <fixed text>: no line contains it
    ! printf '%s\n' "$1" | grep -qF -- "$2"
}

# Lines in the given order in the file, other lines between them allowed.
in_order() {
    local file="$1"
    shift
    python3 - "$file" "$@" <<'PY'
import sys
text = open(sys.argv[1], encoding="latin-1").read()
at = 0
for needle in sys.argv[2:]:
    found = text.find(needle, at)
    if found < 0:
        print("      missing in order: %r" % needle)
        sys.exit(1)
    at = found + len(needle)
PY
}

# Spooler objects, the uninstall entry and the product's files below the Windows directory,
# without the model folder and the options file's copy, which a full uninstall keeps on purpose.
product_state() {
    spooler printers drivers monitors processors | grep -i '640'
    reg_values "$UNINSTALL_KEY"
    (cd "$DRIVE_C/windows" && find . -iname '*640*' | tr 'A-Z' 'a-z' |
        grep -vE '^\./(qmr-640(/.*)?|system32/qmr640_config\.kst)$' | sort)
}

# left_since <name> <product_state before the installation>: a failure for each line of
# product_state that was not there before, but for what Wine keeps where Windows removes it (see
# 04_xp_uninstall): the print processor's registration, the stored INF, and UI640.INI in the
# driver folder, which the spooler deletes with the driver on Windows and no removal step names.
left_since() {
    local name="$1" before="$2" line
    local wine_keeps='^processor\|\|KST PRINT PROCESSOR QMR640$|^\./inf/qmr640\.(inf|pnf)$'
    wine_keeps+='|^\./system32/spool/drivers/w32x86/3/ui640\.ini$'
    while IFS= read -r line; do
        [ -n "$line" ] || continue
        if printf '%s\n' "$before" | grep -qxF -- "$line"; then continue; fi
        if printf '%s\n' "$line" | grep -qiE "$wine_keeps"; then
            echo "    WINE DIFFERS: $name: left $line"
        else
            fail "$name: left after uninstall: $line"
        fi
    done <<<"$(product_state)"
    pass
}

# A snapshot of what an installation touches, to prove a refused run changed nothing.
machine_state() {
    {
        spooler printers drivers monitors processors
        wine reg query "$UNINSTALL_KEY" 2>&1 | tr -d '\r' | head -3
        (cd "$DRIVE_C" && find windows/system32/spool windows/QMR-640 windows/inf \
            -iname '*640*' 2>/dev/null | sort)
    }
}

# The installer reads the installed version from the printer's data, which the real driver writes
# and the placeholder package does not: put there what the driver of this version would, or with
# $1 that of another minor version.
seed_installed_version() {
    local key='HKLM\System\CurrentControlSet\Control\Print\Printers\KESTORA QMR-640\PrinterDriverData'
    local value
    for value in MajorVersion=3 MinorVersion="${1:-3}" BuildVersion=0 ExtraVersion=0; do
        wine reg add "$key" /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f >/dev/null 2>&1
    done
}

# The stand-in printui.dll of tools/printui in place of Wine's, which installs nothing.
use_printui_standin() {
    cp "$E2E_TOOLS/printui.dll" "$DRIVE_C/windows/system32/printui.dll"
    wine reg add 'HKCU\Software\Wine\DllOverrides' /v printui /d native /f >/dev/null 2>&1
}

# plant <tool> <name...>: copies of a planted test tool (planted_program.exe, planted_dll.dll)
# beside the programs in $MEDIA under the given names; each leaves <name>.ran when it runs.
plant() {
    local tool="$1" name
    shift
    for name in "$@"; do
        cp "$E2E_TOOLS/$tool" "$MEDIA/$name"
    done
}

# The markers the planted files left, one a line; nothing when none of them ran.
planted_markers() {
    (cd "$MEDIA" && find . -maxdepth 1 -iname '*.ran' | sort)
}
