# Windows 7 reporting: the print-UI sequence. The installer hands the INF to printui in a hidden
# child process, waits for it and checks what it did. Wine's printui installs nothing; the
# stand-in of tools/printui installs the package from the INF as printui does, and with
# QMR_PRINTUI_FAILS set installs nothing. First a failed printui under /quiet: 1603, no window,
# nothing registered; then an interactive run that installs the package end to end.
new_prefix win32 win7
new_media '[QMR640]\nPORTDLG=FALSE\nPORT=COM1\n'
use_printui_standin
log="$DRIVE_C/Temp/QMR-640_Installer.txt"
inf="$(winpath "$MEDIA")\\Driver32\\QMR640.inf"
command_line='COMMAND LINE : "C:\windows\system32\cmd.exe" /d /v:off /c ""C:\windows\system32\rundll32.exe" '
command_line+="printui.dll,PrintUIEntry /if /b \"KESTORA QMR-640\" /f \"$inf\" /r \"COM1:\" "
command_line+='/m "KESTORA QMR-640"'

export QMR_PRINTUI_FAILS=1
check "failed printui: exit 1603" run_user failed QMR640_Installer.exe 'exit 1603' /quiet
unset QMR_PRINTUI_FAILS
check "failed printui: no window, printui's box neither" test \
    "$(grep -c '^MET' "$E2E_WORK/failed.log")" -eq 0
check "failed printui: /q given, then the check" in_order "$log" "$command_line /q\"" \
    "KESTORA QMR-640 PRINTER DRIVER DOES NOT EXIST." "The process could not install the driver." \
    "EXIT CODE : 1603"
check "failed printui: no entry" test -z "$(reg_values "$UNINSTALL_KEY")"
check "failed printui: no uninstaller copied" test ! -e "$DRIVE_C/windows/QMR-640"

check "installer ran as scripted" run_user install QMR640_Installer.exe '
window QMR640_Installer | Restarting your computer
click &No
exit 0'
check "trace: Windows 7 seen" in_order "$log" "osvi.dwMajorVersion : 6" "osvi.dwMinorVersion : 1"
check "trace: print-UI sequence, not the classic one" lacks_match "$(cat "$log")" "AddToWin2K BEGIN"
check "trace: command line without /q, the check, the INF, the entry" in_order "$log" \
    "AddToWin2KWithWHQL BEGIN" "KESTORA QMR-640 PRINTER DRIVER DOES NOT EXIST." \
    "$command_line\"" "KESTORA QMR-640 PRINTER DRIVER EXISTS." \
    "INFFileExist BEGIN" "RegisterUninstallInfo BEGIN" "AddToWin2KWithWHQL END"
check "trace: nothing failed" lacks_match "$(cat "$log")" "could not"
check "the child showed no window" test \
    "$(grep '^MET' "$E2E_WORK/install.log" | grep -vc 'caption="Installation Progress"\|caption="QMR640_Installer"\|caption=""')" -eq 0
objects="$(spooler printers drivers)"
echo "$objects" | sed 's/^/      spooler: /'
check "printui registered the driver" has_exact "$(echo "$objects" | cut -d'|' -f1-3)" \
    'driver|Windows NT x86|KESTORA QMR-640'
check "printui added the printer on COM1" has_exact "$(echo "$objects" | cut -d'|' -f1-4)" \
    'printer|KESTORA QMR-640|COM1:|KESTORA QMR-640'
entry="$(reg_values "$UNINSTALL_KEY")"
echo "$entry" | sed 's/^/      entry: /'
check "entry DisplayName" has_exact "$entry" \
    'DisplayName|REG_SZ|KESTORA QMR-640 Windows Driver V3.3.0'
check "entry UninstallString" has_exact "$entry" \
    'UninstallString|REG_SZ|"C:\windows\QMR-640\QMR640_Uninstaller.exe"'
check "utilities: uninstaller copied" test -f "$DRIVE_C/windows/QMR-640/QMR640_Uninstaller.exe"
check "utilities: options file copied" test -f "$DRIVE_C/windows/QMR-640/QMR640_Config.KST"
