#!/usr/bin/env bash
# Checks the installation media built by scripts/build_windows.sh: both programs
# must be 32-bit GUI executables that load on every Windows from 2000 on, carry
# the resources they load at run time, and sit beside the driver package folders.
#
# Usage: tests/windows_build_check.sh DIST_DIR
set -uo pipefail

OBJDUMP="${OBJDUMP:-i686-w64-mingw32-objdump}"
WINDRES="${WINDRES:-i686-w64-mingw32-windres}"

if [ $# -ne 1 ]; then
    echo "usage: $0 DIST_DIR" >&2
    exit 2
fi
dist="$1"

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    echo "FAIL: $*" >&2
}

for tool in "$OBJDUMP" "$WINDRES"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: $tool not found (binutils-mingw-w64-i686)" >&2
        exit 1
    fi
done
if [ ! -d "$dist" ]; then
    echo "FAIL: $dist is not a directory" >&2
    exit 1
fi

# Functions missing from Windows 2000 or XP before SP2; the programs may only
# reach them through GetProcAddress, never through the import table.
forbidden_functions="IsWow64Process RegDeleteKeyExA GetSystemWow64DirectoryA SetupUninstallOEMInfA"
# DLLs present on every Windows since 2000 (compared in upper case).
allowed_dlls="KERNEL32.DLL USER32.DLL ADVAPI32.DLL GDI32.DLL COMCTL32.DLL MSVCRT.DLL WINSPOOL.DRV SETUPAPI.DLL SHLWAPI.DLL"

# Prints the import and delay-import tables of objdump -p output on stdin.
import_section() {
    awk '/^The .*Import Tables/ { inside = 1; next }
         /^(The |PE File|Export )/ { inside = 0 }
         inside'
}

check_program() {
    local exe="$1" name
    name="$(basename "$exe")"
    if [ ! -f "$exe" ]; then
        fail "$name is missing from $dist"
        return
    fi

    local header headers
    if ! header="$("$OBJDUMP" -f "$exe" 2>&1)" || ! headers="$("$OBJDUMP" -p "$exe" 2>&1)"; then
        fail "$name: objdump cannot read it: $header"
        return
    fi

    if grep -q 'file format pei-i386' <<<"$header" && grep -q '^architecture: i386' <<<"$header"; then
        pass
    else
        fail "$name is not an i386 PE image: $(grep -E 'file format|architecture' <<<"$header" | tr '\n' ' ')"
    fi
    if grep -qE '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$headers"; then
        pass
    else
        fail "$name is not PE32 (optional header magic: $(grep -E '^Magic' <<<"$headers"))"
    fi
    if grep -qE '^Subsystem[[:space:]]+0+2[[:space:]]+\(Windows GUI\)' <<<"$headers"; then
        pass
    else
        fail "$name is not a GUI program ($(grep -E '^Subsystem' <<<"$headers"))"
    fi

    local imports dlls
    imports="$(import_section <<<"$headers")"
    dlls="$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$imports" | tr -d '\r')"
    if [ -z "$dlls" ]; then
        fail "$name: no imported DLL found; cannot check its import table"
        return
    fi
    local dll upper bad_dll=0
    while IFS= read -r dll; do
        upper="$(tr '[:lower:]' '[:upper:]' <<<"$dll")"
        case " $allowed_dlls " in
        *" $upper "*) ;;
        *)
            bad_dll=1
            case "$upper" in
            LIBGCC* | LIBSTDC++* | LIBWINPTHREAD*)
                fail "$name imports the MinGW runtime DLL $dll; link it statically" ;;
            *)
                fail "$name imports $dll, which is not a system DLL on every Windows since 2000" ;;
            esac
            ;;
        esac
    done <<<"$dlls"
    [ "$bad_dll" -eq 0 ] && pass

    local fn bad_function=0
    for fn in $forbidden_functions; do
        if grep -qE "[[:space:]]${fn}([[:space:]]|$)" <<<"$imports"; then
            fail "$name imports $fn directly; Windows 2000 cannot load it"
            bad_function=1
        fi
    done
    [ "$bad_function" -eq 0 ] && pass
}

# Resource ids the programs load: dialogs, the icon group and the product strings.
check_resources() {
    local exe="$1" name rc
    shift
    name="$(basename "$exe")"
    [ -f "$exe" ] || return
    if ! rc="$("$WINDRES" -i "$exe" -O rc 2>&1)"; then
        fail "$name: windres cannot read its resources: $rc"
        return
    fi
    local dialog
    for dialog in "$@"; do
        if grep -qE "^${dialog} DIALOG(EX)?[[:space:]]" <<<"$rc"; then
            pass
        else
            fail "$name has no dialog $dialog"
        fi
    done
    # RT_GROUP_ICON is resource type 14.
    if grep -qE '^128 14([^0-9]|$)' <<<"$rc"; then
        pass
    else
        fail "$name has no icon group 128"
    fi
    if awk '/^STRINGTABLE/ { table = 1; next }
            table && /^END/ { table = 0 }
            table && /^[[:space:]]+[0-9]+, "/ { found = 1 }
            END { exit !found }' <<<"$rc"; then
        pass
    else
        fail "$name has no string table entries"
    fi
}

# The installer copies from Driver32\ or Driver64\ beside itself and reads the options file.
check_media() {
    if [ -f "$dist/QMR640_Config.KST" ]; then
        pass
    else
        fail "QMR640_Config.KST is missing from $dist"
    fi
    local folder file missing
    for folder in Driver32 Driver64; do
        missing=""
        for file in QMR640.dll MON640.dll PRO640.dll UI640.dll UNI640.dll QMR640.GPD QMR640.BUD \
            UI640.INI QMR640.inf UNIDRV.DLL UNIDRVUI.DLL UNIDRV.HLP UNIRES.DLL STDNAMES.GPD \
            STDDTYPE.GDL STDSCHEM.GDL STDSCHMX.GDL; do
            [ -f "$dist/$folder/$file" ] || missing="$missing $file"
        done
        if [ -z "$missing" ]; then
            pass
        else
            fail "$dist/$folder lacks:$missing"
            continue
        fi
        local inf="$dist/$folder/QMR640.inf"
        if grep -qiF 'Class=Printer' "$inf" &&
            grep -qiF '{4D36E979-E325-11CE-BFC1-08002BE10318}' "$inf" &&
            grep -qiF 'USBPRINT\Vid_7A3C&Pid_0002' "$inf"; then
            pass
        else
            fail "$inf is not the printer-class INF of the QMR-640 (class, class GUID or hardware id)"
        fi
    done
}

check_program "$dist/QMR640_Installer.exe"
check_program "$dist/QMR640_Uninstaller.exe"
check_resources "$dist/QMR640_Installer.exe" 102 129
check_resources "$dist/QMR640_Uninstaller.exe" 102
check_media

echo "windows build check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
