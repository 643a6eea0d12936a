# A 64-bit prefix (Windows XP reporting): the 32-bit installer runs under WOW64 and installs the
# 64-bit package. Wine's spooler runs inside the calling 32-bit process, where Windows' is a
# 64-bit service; so the language monitor put into Driver64\ for the run is the 32-bit one that
# this process can load, a Wine difference only of the test media.
new_prefix win64 winxp64
new_media '[QMR640]\nPORTDLG=FALSE\nPORT=COM1\n'
cp "$E2E_TOOLS/MON640.dll" "$MEDIA/Driver64/MON640.dll"
# The installer copies the monitor to the Windows directory, where Windows' own spooler finds it.
# Wine's spooler loads it inside the installer, whose DLL search is locked to the system directory,
# so the same file also stands in the 32-bit system directory of this prefix before the run.
cp "$E2E_TOOLS/MON640.dll" "$DRIVE_C/windows/syswow64/MON640.dll"

# Wine's AddPrinter, called from the 32-bit installer in this WOW64 setup, refuses the printer
# on the x64 driver with error 87, where Windows' 64-bit spooler adds it. The installer reports that and ends, as it does on any AddPrinter failure; so the
# uninstall entry in the 64-bit view cannot be reached under Wine and is not checked.
check "installer ran as scripted" run_user install QMR640_Installer.exe '
window QMR640_Installer | AddPrinter, Error Code: 87
click OK
exit 0'
log="$DRIVE_C/Temp/QMR-640_Installer.txt"
check "trace: WOW64, x64 environment, Driver64" in_order "$log" \
    "The process is running under WOW64." "ENV : Windows x64, DRV DIR : Driver64\\" \
    "PRINTER-DRIVER NAME TO ADD : KESTORA QMR-640 " "AddPrinterDriverToSystem END" \
    "AddPrinterToSystem END"
check "trace: ended at the AddPrinter failure" lacks_match "$(cat "$log")" "RegisterUninstallInfo"
check "monitor copied to the Windows directory" test -f "$DRIVE_C/windows/MON640.dll"
check "trace: files taken from Driver64" has_line "$log" 'FILE SRC : Driver64\QMR640.dll'
check "trace: nothing from Driver32" lacks_match "$(cat "$log")" 'Driver32\'
check "no entry in the 64-bit view" test -z "$(reg_values "$UNINSTALL_KEY" /reg:64)"
check "no entry in the 32-bit view" test -z "$(reg_values "$UNINSTALL_KEY" /reg:32)"
objects="$(spooler printers drivers monitors env=all)"
echo "$objects" | sed 's/^/      spooler: /'
check "language monitor added" has_exact "$objects" 'monitor|KST Language Monitor QMR640'
check "driver registered for Windows x64" has_line <(echo "$objects") 'driver|Windows x64|KESTORA QMR-640|3|'
