#!/usr/bin/env bash
# The demo's narrative, run by scripts/demo.sh inside a virtual X display: installs the driver
# on COM1 through the port dialog under Windows XP, shows what is installed, uninstalls it as
# the system would and shows that nothing of the package is left. Screen shots go to
# $DEMO_SHOTS. Exits 1 at the first step that is not seen to work.
#   E2E_ROOT, E2E_TOOLS, E2E_BASE, E2E_WORK as for the scenarios (e2e/lib.sh); DEMO_SHOTS
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

stop() {
    echo
    echo "=== DEMO FAILED: $*"
    wineserver -k 2>/dev/null
    exit 1
}

# The conversation in a scripted user's log: what the user did, what the programs' message boxes
# said, the screen shots, and how the program ended.
conversation() {
    awk '
    { sub(/\r$/, "") }
    function flush() { if (said != "" && !(said in told)) { told[said] = 1; print "    box says:   " said } said = "" }
    /^(MET|CHANGED) window / { flush(); visible = $0 !~ /\(hidden\)/; box = 0; next }
    /^  control class=Static id=65535 text="/ && visible { box = 1; sub(/^[^"]*"/, "") }
    box {
        if (sub(/"( (checked|disabled|hidden))*$/, "")) box = 0
        if ($0 != "") said = said (said == "" ? "" : " ") $0
        if (!box) flush()
        next
    }
    /^STEP / {
        flush(); sub(/^STEP [0-9]+: /, ""); verb = $1; sub(/^[^ ]+ /, "")
        if (verb == "window") { sub(/ *\| */, "\" saying \""); print "    user waits for window \"" $0 "\"" }
        else if (verb == "gone") print "    user waits until \"" $0 "\" closes"
        else if (verb == "click") print "    user clicks \"" $0 "\""
        else if (verb == "wait-enabled") print "    user waits until \"" $0 "\" can be pressed"
        else if (verb == "expect-checked") { on = $NF; sub(/ [01]$/, ""); print "    user sees \"" $0 "\"" (on ? "" : " not") " checked" }
        else if (verb != "shot" && verb != "exit") print "    user: " verb " " $0
    }
    /^SHOT / { print "    screen shot " $3 " taken" }
    /^EXIT / { print "    program ended: exit code " $2 " after " $4 " ms" }
    /^FAILED/ { print "    " $0 }' "$1"
}

# The package's objects in the spooler, one a line, readable; "(none)" when there are none.
package_objects() {
    local objects
    objects="$(spooler printers drivers monitors processors | grep -i 'QMR.\?640')"
    if [ -z "$objects" ]; then
        echo "    (none)"
        return
    fi
    echo "$objects" | awk -F'|' '
    $1 == "printer"   { print "    printer    \"" $2 "\" on " $3 ", driver \"" $4 "\", print processor \"" $5 "\"" }
    $1 == "driver"    { print "    driver     \"" $3 "\" for " $2 ", version " $4 ", language monitor \"" $8 "\""
                        files = $5 "," $6 "," $7 (($9 == "") ? "" : "," $9)
                        folder = $5; sub(/\\[^\\]*$/, "", folder); gsub(/[^,]*\\/, "", files); gsub(/, */, ", ", files)
                        print "               files in " folder ": " files }
    $1 == "monitor"   { print "    monitor    \"" $2 "\"" }
    $1 == "processor" { print "    processor  \"" $3 "\"" (($2 == "") ? "" : " for " $2) }'
}

entry_values() {
    local entry
    entry="$(reg_values "$UNINSTALL_KEY")"
    if [ -z "$entry" ]; then
        echo "    (no entry)"
    else
        echo "$entry" | awk -F'|' '{ printf "    %-20s %s\n", $1, $3 }'
    fi
}

package_files() {
    local files
    files="$(cd "$DRIVE_C" && find windows -iname '*640*' -type f 2>/dev/null | sort)"
    echo "${files:-(none)}" | sed 's/^/    /'
}

trace_log() {
    tr -d '\r' <"$1" | grep -v '^[0-9:]*: *$' | grep -v '^$' | sed 's/^/    /'
}

# shoot <name>: the scripted user's BMP of that name as build/screenshots/<name>.png.
shoot() {
    local size
    size="$(python3 "$E2E_ROOT/e2e/bmp_to_png.py" "$E2E_WORK/$1.bmp" "$DEMO_SHOTS/$1.png")" ||
        stop "no usable screen shot $1"
    echo "    saved ${DEMO_SHOTS#"$E2E_ROOT"/}/$1.png ($size)"
}

new_prefix win32 winxp
# With no window manager on the virtual display, Wine draws the title bars itself only so.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
wineserver -w
new_media none
echo "Wine reports: $(wine cmd /c ver 2>/dev/null | tr -d '\r' | grep -v '^$')"

echo
echo "=== Installing on COM1: installer from the media, no options file, so it asks for the port"
run_user install QMR640_Installer.exe "
window Port Type
expect-checked COM1 1
click COM1
expect-checked COM1 1
expect-checked LPT1 0
shot $(winpath "$E2E_WORK/port.bmp")
click &Next
gone Port Type
window Installation Progress
shot $(winpath "$E2E_WORK/progress.bmp")
window QMR640_Installer | Restarting your computer
click &No
exit 0" >/dev/null
rc=$?
conversation "$E2E_WORK/install.log"
[ "$rc" -eq 0 ] || stop "the installer did not go as scripted, see $E2E_WORK/install.log"
shoot port
shoot progress

echo
echo "=== Installed: the package's objects in the print spooler"
package_objects
objects="$(spooler printers drivers monitors processors | cut -d'|' -f1-4)"
has_exact "$objects" 'printer|KESTORA QMR-640|COM1:|KESTORA QMR-640' ||
    stop "no printer KESTORA QMR-640 on COM1"
has_line <(echo "$objects") 'driver|Windows NT x86|KESTORA QMR-640|' || stop "no driver"
has_exact "$objects" 'monitor|KST Language Monitor QMR640' || stop "no language monitor"
has_exact "$objects" 'processor||KST PRINT PROCESSOR QMR640' || stop "no print processor"
echo
echo "=== Installed: the uninstall entry ($UNINSTALL_KEY)"
entry_values
# The entry quotes the path, as the system's program list runs it.
uninstaller="$(reg_values "$UNINSTALL_KEY" | sed -n 's/^UninstallString|REG_SZ|"\(.*\)"$/\1/p')"
[ -n "$uninstaller" ] || stop "the uninstall entry names no uninstaller"
echo
echo "=== Installed: the package's files under C:\\windows"
package_files
echo
echo "=== The installer's trace log (C:\\Temp\\QMR-640_Installer.txt, blank lines left out)"
[ -s "$DRIVE_C/Temp/QMR-640_Installer.txt" ] || stop "the installer wrote no trace log"
trace_log "$DRIVE_C/Temp/QMR-640_Installer.txt"

echo
echo "=== Uninstalling: $uninstaller, as the uninstall entry says"
run_user uninstall "$uninstaller" "
window KESTORA QMR-640 Uninstaller
wait-enabled Uninstall
expect-checked KESTORA QMR-640 1
shot $(winpath "$E2E_WORK/uninstaller.bmp")
click Uninstall
window QMR640_Uninstaller | Restart the computer
click &No
exit 0" >/dev/null
rc=$?
conversation "$E2E_WORK/uninstall.log"
[ "$rc" -eq 0 ] || stop "the uninstaller did not go as scripted, see $E2E_WORK/uninstall.log"
shoot uninstaller

echo
echo "=== Left after uninstalling: the package's objects in the print spooler"
package_objects
objects="$(spooler printers drivers monitors processors)"
lacks_match "$objects" 'QMR-640' || stop "a printer or the driver is still there"
lacks_match "$objects" 'KST Language Monitor QMR640' || stop "the language monitor is still there"
if has_exact "$objects" 'processor||KST PRINT PROCESSOR QMR640'; then
    # Wine's DeletePrintProcessor reports success but keeps the registration; Windows drops it.
    echo "    (Wine keeps a deleted print processor's name listed; its DLL is gone:)"
    [ ! -e "$DRIVE_C/windows/system32/spool/prtprocs/w32x86/PRO640.dll" ] ||
        stop "the print processor's DLL is still there"
    echo "    C:\\windows\\system32\\spool\\prtprocs\\w32x86\\PRO640.dll: not found"
fi
echo
echo "=== Left after uninstalling: the uninstall entry"
entry_values
reg_key_exists "$UNINSTALL_KEY" && stop "the uninstall entry is still there"
echo
echo "=== Left after uninstalling: the package's files under C:\\windows"
left="$(cd "$DRIVE_C" && find windows -iname '*640*' -type f 2>/dev/null | sort)"
[ -n "$left" ] || echo "    (none)"
for file in $left; do
    case "$file" in
    windows/QMR-640/QMR640_Uninstaller.exe) why="the uninstaller, which ran from there" ;;
    windows/system32/spool/drivers/w32x86/3/UI640.INI) why="not among the files it deletes" ;;
    # Wine's SetupGetInfFileListA lists no INF files, so the uninstaller cannot find the copy.
    windows/inf/QMR640.inf | windows/inf/QMR640.pnf) why="kept by Wine: the INF walk finds nothing" ;;
    *) stop "$file is still there" ;;
    esac
    printf '    %-48s (%s)\n' "$file" "$why"
done
echo
echo "=== The uninstaller's trace log (C:\\Temp\\QMR-640_UnInstaller.txt, blank lines left out)"
[ -s "$DRIVE_C/Temp/QMR-640_UnInstaller.txt" ] || stop "the uninstaller wrote no trace log"
trace_log "$DRIVE_C/Temp/QMR-640_UnInstaller.txt"
wineserver -k 2>/dev/null
exit 0
