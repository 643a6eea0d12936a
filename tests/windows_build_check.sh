#!/usr/bin/env bash
# Checks the installation media built by scripts/build_windows.sh: both programs
# must be 32-bit GUI executables that load on every Windows from 2000 on, import
# ordinarily only KnownDLLs, carry the PE hardening flags and the stack protector, carry
# the resources they load at run time, the version resource and the manifest that
# asks for elevation, and sit beside the driver package folders.
#
# Usage: [QMR_SYMBOLS_DIR=DIR] tests/windows_build_check.sh DIST_DIR (DIR: the unstripped programs)
# with QMR_VERSION, QMR_PUBLISHER and QMR_PRODUCT_NAME as CMakeLists.txt sets them (ctest does).
set -uo pipefail

OBJDUMP="${OBJDUMP:-i686-w64-mingw32-objdump}"
NM="${NM:-i686-w64-mingw32-nm}"
WINDRES="${WINDRES:-i686-w64-mingw32-windres}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
product_version="${QMR_VERSION:?}" publisher="${QMR_PUBLISHER:?}"
product_name="${QMR_PRODUCT_NAME:?}"

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

for tool in "$OBJDUMP" "$NM" "$WINDRES" python3; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: $tool not found (binutils-mingw-w64-i686, python3)" >&2
        exit 1
    fi
done
if [ ! -d "$dist" ]; then
    echo "FAIL: $dist is not a directory" >&2
    exit 1
fi

# Functions missing from Windows 2000 or XP before SP2 (SetProcessMitigationPolicy: before 8);
# the programs may only reach them through GetProcAddress, never through the import table.
forbidden_functions="IsWow64Process RegDeleteKeyExA GetSystemWow64DirectoryA SetupUninstallOEMInfA
    SetProcessMitigationPolicy"
# The only ordinary imports: DLLs the loader takes from the system's KnownDLLs on every Windows
# from 2000 on, never from the program's folder, so they load safely before WinMain locks the
# DLL search (compared in upper case).
# - KERNEL32, USER32, GDI32, ADVAPI32: in the KnownDLLs list of the registry on every NT since 4.0.
# - MSVCRT: in the list from 7 on; on 2000 to Vista the session manager maps it as a KnownDLL
#   too, as an import of the listed ones (ole32, rpcrt4, shell32). The C runtime starts before
#   WinMain, so it cannot load later.
# COMCTL32 (never a KnownDLL), WINSPOOL.DRV (never), SETUPAPI and SHLWAPI (KnownDLLs from 7 on,
# not on 2000 or XP) are delay-loaded, after the lock; see late_libraries below.
allowed_dlls="KERNEL32.DLL USER32.DLL ADVAPI32.DLL GDI32.DLL MSVCRT.DLL"
# DllCharacteristics bits: DYNAMIC_BASE (ASLR; needs relocations), NX_COMPAT (DEP) and
# TERMINAL_SERVER_AWARE (without it, a Terminal Server gives GetWindowsDirectoryA a per-user
# folder). Windows 2000 ignores them.
required_characteristics="0040:DYNAMIC_BASE 0100:NX_COMPAT 8000:TERMINAL_SERVER_AWARE"
# The libraries LockDllSearch loads by full path where SetDefaultDllDirectories is missing:
# every delay-loaded DLL must be one of them.
late_libraries="$(sed -n '/kLateLibraries\[\]/,/;/p' "$root/common/dll_search.cpp" |
    grep -o '"[^"]*"' | tr -d '"' | sed 's/\.[^.]*$//' | tr '[:lower:]' '[:upper:]' | sort | xargs)"

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

    # Windows 2000 is NT 5.0: its loader refuses an image whose subsystem version is later,
    # and the operating system version must not ask for more either.
    local field label major minor
    for field in OSystem Subsystem; do
        label="$([ "$field" = OSystem ] && echo "operating system" || echo "subsystem")"
        major="$(awk -v f="Major${field}Version" '$1 == f { print $2 }' <<<"$headers")"
        minor="$(awk -v f="Minor${field}Version" '$1 == f { print $2 }' <<<"$headers")"
        if ! [[ "$major" =~ ^[0-9]+$ && "$minor" =~ ^[0-9]+$ ]]; then
            # Every PE optional header has both; objdump not showing them means its output changed.
            fail "$name: objdump shows no $label version (major '$major', minor '$minor')"
        elif [ $((10#$major * 100 + 10#$minor)) -gt 500 ]; then
            fail "$name declares $label version $major.$minor; Windows 2000 needs at most 5.0"
        else
            pass
        fi
    done

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
                fail "$name imports $dll ordinarily; only KnownDLLs of every Windows since 2000 may be, delay-load it" ;;
            esac
            ;;
        esac
    done <<<"$dlls"
    [ "$bad_dll" -eq 0 ] && pass

    # dlltool's delay-import libraries leave the PE delay-import directory empty; their
    # descriptors are named after the library in the symbol table.
    local symbols symbols_exe delayed
    # dist/ holds stripped programs: the symbols come from the build's unstripped copy.
    symbols_exe="${QMR_SYMBOLS_DIR:-$(dirname "$exe")}/$name"
    symbols="$("$OBJDUMP" -t "$symbols_exe" 2>/dev/null)"
    delayed="$(grep -o '__DELAY_IMPORT_DESCRIPTOR_[A-Za-z0-9_]*' <<<"$symbols" |
        sed 's/.*_lib\([A-Za-z0-9]*\)_delay_a$/\1/' | tr '[:lower:]' '[:upper:]' | sort | xargs)"
    if [ -z "$late_libraries" ]; then
        fail "no late libraries found in common/dll_search.cpp"
    elif [ "$delayed" = "$late_libraries" ]; then
        pass
    else
        fail "$name delay-loads '$delayed'; LockDllSearch loads '$late_libraries'"
    fi

    # A failed delay load must reach the program's hook (common/program_start.cpp, initialised
    # data), not the delay-load library's empty default (.bss).
    grep -qE '^[0-9a-f]+ D ___pfnDliFailureHook2$' <<<"$("$NM" "$symbols_exe" 2>/dev/null)" &&
        pass || fail "$name: the delay-load failure hook is the library's empty default"

    local characteristics entry bit flag
    characteristics="$(awk '$1 == "DllCharacteristics" { print $2 }' <<<"$headers")"
    if ! [[ "$characteristics" =~ ^[0-9a-fA-F]+$ ]]; then
        fail "$name: objdump shows no DllCharacteristics"
    else
        for entry in $required_characteristics; do
            bit="${entry%%:*}"
            flag="${entry#*:}"
            if (((16#$characteristics & 16#$bit) != 0)); then
                pass
            else
                fail "$name lacks $flag in DllCharacteristics ($characteristics)"
            fi
        done
    fi
    # ASLR moves only an image that keeps its relocations.
    if "$OBJDUMP" -h "$exe" | grep -qE '[[:space:]]\.reloc[[:space:]]'; then
        pass
    else
        fail "$name has no .reloc section, so DYNAMIC_BASE cannot move it"
    fi
    # Protected frames call __stack_chk_fail; libssp's guard set-up (CryptAcquireContextA, which
    # loads a provider DLL before the lock) must not be linked.
    if [ "$("$OBJDUMP" -d "$symbols_exe" | grep -c 'call.*<___stack_chk_fail>')" -gt 0 ]; then
        pass
    else
        fail "$name: no function is checked by the stack protector"
    fi
    if grep -qE '___guard_setup|CryptAcquireContext' <<<"$symbols$imports"; then
        fail "$name links libssp's guard set-up"
    else
        pass
    fi

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

# Prints VALUE KEY of the version resource in windres -O rc output on stdin, unquoted.
version_value() {
    sed -n "s/^[[:space:]]*VALUE \"$1\", \"\\(.*\\)\"[[:space:]]*\$/\\1/p"
}

# What Explorer's Details tab shows, and what setup tools read to compare versions.
check_version_resource() {
    local exe="$1" name rc block
    name="$(basename "$exe")"
    [ -f "$exe" ] || return
    if ! rc="$("$WINDRES" -i "$exe" -O rc 2>&1)"; then
        fail "$name: windres cannot read its resources: $rc"
        return
    fi
    # GetFileVersionInfo reads the version resource with id 1 (VS_VERSION_INFO).
    block="$(awk '/^1 VERSIONINFO/ { inside = 1 } inside { print } inside && /^END/ { exit }' <<<"$rc")"
    if [ -z "$block" ]; then
        fail "$name has no version resource 1"
        return
    fi
    pass

    local numbers="${product_version//./, }" line
    for line in FILEVERSION PRODUCTVERSION; do
        if grep -qE "^[[:space:]]*$line $numbers\$" <<<"$block"; then
            pass
        else
            fail "$name: $line is not $numbers ($(grep -E "^[[:space:]]*$line " <<<"$block" | xargs))"
        fi
    done

    local key expected actual
    for key in CompanyName ProductName FileVersion ProductVersion InternalName OriginalFilename; do
        case "$key" in
        CompanyName) expected="$publisher" ;;
        ProductName) expected="$product_name" ;;
        FileVersion | ProductVersion) expected="$product_version" ;;
        InternalName | OriginalFilename) expected="$name" ;;
        esac
        actual="$(version_value "$key" <<<"$block")"
        if [ "$actual" = "$expected" ]; then
            pass
        else
            fail "$name: version resource $key is '$actual', not '$expected'"
        fi
    done
    if [ -n "$(version_value FileDescription <<<"$block")" ]; then
        pass
    else
        fail "$name: version resource has no FileDescription"
    fi

    # Windows looks the strings up under the language and code page that Translation names.
    local table language codepage
    table="$(sed -n 's/^[[:space:]]*BLOCK "\([0-9A-Fa-f]\{8\}\)"[[:space:]]*$/\1/p' <<<"$block")"
    read -r language codepage < <(sed -n \
        's/^[[:space:]]*VALUE "Translation", \(0x[0-9a-fA-F]*\|[0-9]*\), \(0x[0-9a-fA-F]*\|[0-9]*\)[[:space:]]*$/\1 \2/p' \
        <<<"$block")
    if [ -n "$table" ] && [ -n "$codepage" ] &&
        [ "$(tr '[:lower:]' '[:upper:]' <<<"$table")" = "$(printf '%04X%04X' "$language" "$codepage")" ]; then
        pass
    else
        fail "$name: string block '$table' does not match Translation '$language, $codepage'"
    fi
}

# The installer shows and registers the version from its string table; the version
# resource must not tell another one.
check_shown_version() {
    local exe="$1" name rc part id shown="" text
    name="$(basename "$exe")"
    [ -f "$exe" ] || return
    rc="$("$WINDRES" -i "$exe" -O rc 2>/dev/null)" || return
    for part in MAJOR MINOR BUILD EXTRA; do
        id="$(awk -v n="IDS_VERSION_$part" '$1 == "#define" && $2 == n { print $3 }' \
            "$root/QMR640_Installer/resource.h")"
        text="$(sed -n "s/^[[:space:]]*$id, \"\\(.*\\)\"\$/\\1/p" <<<"$rc")"
        shown="$shown${shown:+.}$text"
    done
    if [ "$shown" = "$product_version" ]; then
        pass
    else
        fail "$name shows version '$shown' but its version resource should say $product_version"
    fi
}

# The manifest makes Vista and later elevate the programs (they write HKLM, the spooler
# and the system folders) and run them without the compatibility shims.
check_manifest() {
    local exe="$1" name res problems line
    name="$(basename "$exe")"
    [ -f "$exe" ] || return
    res="$(mktemp)"
    if ! problems="$("$WINDRES" -i "$exe" -O res -o "$res" 2>&1)"; then
        rm -f "$res"
        fail "$name: windres cannot read its resources: $problems"
        return
    fi
    problems="$(python3 - "$res" "$product_version" <<'PY' 2>&1
import struct
import sys
import xml.etree.ElementTree as ET

ASM1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM2 = "{urn:schemas-microsoft-com:asm.v2}"
ASM3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10/11",
}


def name_or_id(data, at):
    if struct.unpack_from("<H", data, at)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    end = at
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def resources(data):
    at = 0
    while at + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, at)
        kind, after = name_or_id(data, at + 8)
        ident, _ = name_or_id(data, after)
        yield kind, ident, data[at + header:at + header + size]
        at = (at + header + size + 3) & ~3


with open(sys.argv[1], "rb") as f:
    manifests = [(i, body) for kind, i, body in resources(f.read()) if kind == 24]
if [i for i, _ in manifests] != [1]:
    sys.exit(f"manifest resources {[i for i, _ in manifests]}; want exactly one, id 1")
try:
    root = ET.fromstring(manifests[0][1])
except ET.ParseError as error:
    sys.exit(f"manifest is not well-formed XML: {error}")

if root.tag != ASM1 + "assembly" or root.get("manifestVersion") != "1.0":
    print(f"manifest root is {root.tag} version {root.get('manifestVersion')}")
identity = root.find(ASM1 + "assemblyIdentity")
if identity is None or identity.get("version") != sys.argv[2]:
    print(f"assemblyIdentity version is not {sys.argv[2]}")
if root.find(ASM3 + "trustInfo") is not None:
    print("trustInfo uses the asm.v3 namespace, which Windows XP SP2 rejects")
levels = root.findall(f"{ASM2}trustInfo/{ASM2}security/{ASM2}requestedPrivileges/"
                      f"{ASM2}requestedExecutionLevel")
if [(e.get("level"), e.get("uiAccess")) for e in levels] != [("requireAdministrator", "false")]:
    print(f"requestedExecutionLevel under asm.v2 trustInfo is not one requireAdministrator "
          f"with uiAccess false: {[e.attrib for e in levels]}")
declared = {e.get("Id", "").lower()
            for e in root.findall(f"{COMPAT}compatibility/{COMPAT}application/{COMPAT}supportedOS")}
for guid, system in SUPPORTED_OS.items():
    if guid not in declared:
        print(f"no supportedOS for Windows {system}")
# Version 6 common controls would restyle the classic dialogs.
for element in root.iter():
    if element.tag.endswith("assemblyIdentity") and \
            element.get("name", "").lower() == "microsoft.windows.common-controls":
        print("depends on Microsoft.Windows.Common-Controls")
PY
    )" || problems="${problems:-python3 failed}"
    rm -f "$res"
    if [ -z "$problems" ]; then
        pass
    else
        while IFS= read -r line; do
            fail "$name: $line"
        done <<<"$problems"
    fi
}

# Each program stays small: it is built without exceptions, unused code and symbols (see the size
# block in CMakeLists.txt). The limit leaves room for the hardening the link adds.
size_limit=$((200 * 1024))
check_size() {
    local exe="$1" name size
    name="$(basename "$exe")"
    [ -f "$exe" ] || return
    size="$(stat -c %s "$exe")"
    if [ "$size" -lt "$size_limit" ]; then
        pass
    else
        fail "$name is $size bytes; the limit is $size_limit"
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
for program in QMR640_Installer QMR640_Uninstaller; do
    check_version_resource "$dist/$program.exe"
    check_manifest "$dist/$program.exe"
done
check_shown_version "$dist/QMR640_Installer.exe"
for program in QMR640_Installer QMR640_Uninstaller; do
    check_size "$dist/$program.exe"
done
check_media

echo "windows build check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
