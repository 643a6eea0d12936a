# Windows 98 reporting: the refusal box, and the machine is as before.
new_prefix win32 win98
new_media '[QMR640]\nPORTDLG=FALSE\nPORT=COM1\n'
before="$(machine_state)"

check "installer ran as scripted" run_user install QMR640_Installer.exe '
window QMR640_Installer | THE DRIVER CAN NOT BE INSTALLED ON THIS OS.
click OK
exit 0'
log="$DRIVE_C/Temp/QMR-640_Installer.txt"
check "trace: Windows 98 seen" in_order "$log" "CheckOS BEGIN" "osvi.dwPlatformID   : 1" \
    "osvi.dwMajorVersion : 4" "osvi.dwMinorVersion : 10" "CheckOS END"
check "trace: nothing installed" lacks_match "$(cat "$log")" "AddToWin2K"
check "no other window than the progress dialog and the box" test \
    "$(grep -c '^MET' "$E2E_WORK/install.log")" -le 2
after="$(machine_state)"
check "machine unchanged" test "$before" = "$after"
check "no uninstall entry" test -z "$(reg_values "$UNINSTALL_KEY")"
