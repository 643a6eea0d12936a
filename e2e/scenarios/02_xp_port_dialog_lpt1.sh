# No options file: the port dialog shows with COM1 picked; the user picks LPT1 and "&Next".
new_prefix win32 winxp
new_media none

check "installer ran as scripted" run_user install QMR640_Installer.exe '
window Port Type
expect-checked COM1 1
expect-checked LPT1 0
click LPT1
expect-checked LPT1 1
expect-checked COM1 0
click &Next
gone Port Type
window QMR640_Installer | Restarting your computer
click &No
exit 0'
log="$DRIVE_C/Temp/QMR-640_Installer.txt"
check "trace: options file missing, then the classic sequence" in_order "$log" \
    "GetDriverInfoFromFile BEGIN" "KEY NAME : PORTDLG" "GetDriverInfoFromFile END" \
    "AddToWin2K BEGIN" "PRINTER-DRIVER NAME TO ADD : KESTORA QMR-640 " "AddToWin2K END"
printers="$(spooler printers | cut -d'|' -f1-4)"
echo "$printers" | sed 's/^/      spooler: /'
check "printer on LPT1" has_exact "$printers" 'printer|KESTORA QMR-640|LPT1:|KESTORA QMR-640'
check "no printer on COM1" lacks_match "$printers" '|COM1:|'
check "uninstall entry written" reg_key_exists "$UNINSTALL_KEY"
