# DLLs an attacker planted beside the programs, under the names of the system DLLs they use
# that are not KnownDLLs everywhere. The overrides make Wine search as Windows does for those:
# the program's folder first. None of them may load; the installation and removal still end.
new_prefix win32 winxp
new_media '[QMR640]\nPORTDLG=FALSE\nPORT=COM1\n'
plant planted_dll.dll comctl32.dll setupapi.dll shlwapi.dll winspool.drv
export WINEDLLOVERRIDES="comctl32,setupapi,shlwapi,winspool.drv=n,b"

check "installer ran as scripted" run_user install QMR640_Installer.exe '
window QMR640_Installer | Restarting your computer
click &No
exit 0'
check "trace: installation completed" in_order "$DRIVE_C/Temp/QMR-640_Installer.txt" \
    "AddToWin2K BEGIN" "RegisterUninstallInfo END" "AddToWin2K END"
check "no planted DLL loaded by the installer: $(planted_markers | xargs)" test -z "$(planted_markers)"

check "uninstaller ran as scripted" uninstall_all uninstall
objects="$(spooler printers drivers)"
check "printer and driver removed" lacks_match "$objects" '|KESTORA QMR-640|'
check "uninstall entry removed" test -z "$(reg_values "$UNINSTALL_KEY")"
check "no planted DLL loaded by the uninstaller: $(planted_markers | xargs)" test -z "$(planted_markers)"
