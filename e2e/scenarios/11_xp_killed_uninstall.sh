# Windows XP: the uninstaller killed half way, once the driver, the language monitor and the print
# processor are gone and before the driver's files and the INF are; run again, it finds what is
# left and removes it, and the machine is as it was before the installation, but for what a full
# uninstall keeps on purpose and what Wine keeps (left_since).
new_prefix win32 winxp
new_media '[QMR640]\nPORTDLG=FALSE\nPORT=COM1\n'
before="$(product_state)"
check "installed" run_user install QMR640_Installer.exe '
window QMR640_Installer | Restarting your computer
click &No
exit 0'
uninstaller='C:\windows\QMR-640\QMR640_Uninstaller.exe' # as the uninstall entry names it
check "uninstaller killed" run_user uninstall1 "$uninstaller" '
window KESTORA QMR-640 Uninstaller
wait-enabled Uninstall
click Uninstall
status KESTORA QMR-640 Uninstaller | Deleting driver-components
kill'
check "driver gone before the kill" lacks_match "$(spooler drivers)" '|KESTORA QMR-640|'
check "uninstaller run again" run_user uninstall2 "$uninstaller" '
window QMR640_Uninstaller | Restart the computer
click &No
exit 0'
check "trace: what was left found" has_line "$DRIVE_C/Temp/QMR-640_UnInstaller.txt" 'PACKAGE TRACE : '
left_since "killed uninstall" "$before"
