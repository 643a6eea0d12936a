# Windows XP, options file presets COM1 without the port dialog: a new installation, No to the
# restart question; then a second run adds a second printer on the installed driver.
new_prefix win32 winxp
new_media '[QMR640]\nPORTDLG=FALSE\nPORT=COM1\n'

check "installer ran as scripted" run_user install QMR640_Installer.exe '
window QMR640_Installer | Restarting your computer
click &No
exit 0'
log="$DRIVE_C/Temp/QMR-640_Installer.txt"
check "trace log written" test -s "$log"
check "no port dialog shown" lacks_match "$(grep '^MET' "$E2E_WORK/install.log")" 'caption="Port Type"'
check "no error box" lacks_match "$(cat "$E2E_WORK/install.log")" 'ERR CODE'
check "trace: XP, 32-bit, classic sequence" in_order "$log" \
    "The process is not running under WOW64." "osvi.dwMajorVersion : 5" \
    "osvi.dwMinorVersion : 1" "ENV : Windows NT x86, DRV DIR : Driver32\\" \
    "AddToWin2K BEGIN" "KESTORA QMR-640 PRINTER DRIVER DOES NOT EXIST." \
    "PRINTER-DRIVER NAME TO ADD : KESTORA QMR-640 " "RegisterUninstallInfo BEGIN" \
    "RegisterUninstallInfo END" "AddToWin2K END"
check "trace: no restart traced after No" test "$(grep -c 'AddToWin2K END' "$log")" -eq 1

entry="$(reg_values "$UNINSTALL_KEY")"
echo "$entry" | sed 's/^/      entry: /'
check "entry DisplayName" has_exact "$entry" \
    'DisplayName|REG_SZ|KESTORA QMR-640 Windows Driver V3.3.0'
check "entry UninstallString" has_exact "$entry" \
    'UninstallString|REG_SZ|"C:\windows\QMR-640\QMR640_Uninstaller.exe"'
# The entry names the INF as stored by SetupCopyOEMInf. Wine keeps the original file name where
# Windows would give an oemN.inf name: the check is that the entry holds what the copy reported.
stored="$(sed -n 's/^.*INF FILE NAME : \(.*\)$/\1/p' "$log" | tr -d '\r')"
check "trace: stored INF reported" test -n "$stored"
check "entry InfFile is the stored INF" has_exact "$entry" "InfFile|REG_SZ|$stored"
check "stored INF exists" test -f "$DRIVE_C/windows/inf/$(basename "${stored//\\//}")"
check "uninstaller copied where the entry points" \
    test -f "$DRIVE_C/windows/QMR-640/QMR640_Uninstaller.exe"

objects="$(spooler printers drivers monitors processors)"
echo "$objects" | sed 's/^/      spooler: /'
check "printer on COM1 with the driver" has_exact "$(echo "$objects" | cut -d'|' -f1-4)" \
    'printer|KESTORA QMR-640|COM1:|KESTORA QMR-640'
check "driver registered for Windows NT x86" has_line <(echo "$objects") \
    'driver|Windows NT x86|KESTORA QMR-640|3|'
check "driver's monitor is the language monitor" has_line <(echo "$objects" | grep '^driver|.*|KESTORA QMR-640|') \
    '|KST Language Monitor QMR640|'
check "language monitor added" has_exact "$objects" 'monitor|KST Language Monitor QMR640'
check "print processor added" has_exact "$objects" 'processor||KST PRINT PROCESSOR QMR640'
check "printer uses the print processor" has_line <(echo "$objects" | grep '^printer|KESTORA QMR-640|') \
    '|KST PRINT PROCESSOR QMR640|'

seed_installed_version

# A second run finds the driver and only adds a printer named with "(#1)".
check "second installer run" run_user install2 QMR640_Installer.exe '
exit 0'
check "trace: driver found on the second run" in_order "$log" \
    "AddToWin2K BEGIN" "PRINTER-DRIVER NAME TO ADD : KESTORA QMR-640(#1) " "AddToWin2K END"
objects="$(spooler printers)"
check "second printer on COM1" has_exact "$(echo "$objects" | cut -d'|' -f1-4)" \
    'printer|KESTORA QMR-640(#1)|COM1:|KESTORA QMR-640'
