# Windows 7 reporting: the print-UI sequence. The installer hands the INF to printui in a hidden
# child process and waits for it; whatever Wine's printui then does is Wine's (it installs no
# driver), the flow around it is ours: the command line, the wait, the entry and the utilities.
new_prefix win32 win7
new_media '[QMR640]\nPORTDLG=FALSE\nPORT=COM1\n'

check "installer ran as scripted" run_user install QMR640_Installer.exe '
window QMR640_Installer | Restarting your computer
click &No
exit 0'
log="$DRIVE_C/Temp/QMR-640_Installer.txt"
check "trace: Windows 7 seen" in_order "$log" "osvi.dwMajorVersion : 6" "osvi.dwMinorVersion : 1"
check "trace: print-UI sequence, not the classic one" lacks_match "$(cat "$log")" "AddToWin2K BEGIN"
check "trace: command line, then the INF check after the wait" in_order "$log" \
    "AddToWin2KWithWHQL BEGIN" "KESTORA QMR-640 PRINTER DRIVER DOES NOT EXIST." \
    'COMMAND LINE : "C:\windows\system32\cmd.exe" /d /c ""C:\windows\system32\rundll32.exe" ' \
    'printui.dll,PrintUIEntry /if /b "KESTORA QMR-640" /f "Driver32\QMR640.inf" /r "COM1:" ' \
    '/m "KESTORA QMR-640""' \
    "INFFileExist BEGIN" "RegisterUninstallInfo BEGIN" "AddToWin2KWithWHQL END"
check "trace: the child started" lacks_match "$(cat "$log")" "CreateProcess failed"
check "the child showed no window" test \
    "$(grep '^MET' "$E2E_WORK/install.log" | grep -vc 'caption="Installation Progress"\|caption="QMR640_Installer"\|caption=""')" -eq 0
entry="$(reg_values "$UNINSTALL_KEY")"
echo "$entry" | sed 's/^/      entry: /'
check "entry DisplayName" has_exact "$entry" \
    'DisplayName|REG_SZ|KESTORA QMR-640 Windows Driver V3.3.0'
check "entry UninstallString" has_exact "$entry" \
    'UninstallString|REG_SZ|"C:\windows\QMR-640\QMR640_Uninstaller.exe"'
check "utilities: uninstaller copied" test -f "$DRIVE_C/windows/QMR-640/QMR640_Uninstaller.exe"
check "utilities: options file copied" test -f "$DRIVE_C/windows/QMR-640/QMR640_Config.KST"
