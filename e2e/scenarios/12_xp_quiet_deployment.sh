# Windows XP, unattended as a deployment tool runs it, from a folder of its own: the installer by
# its full path with /quiet and no port anywhere refuses with 87; without a loadable setupapi.dll
# it ends with 1603 and a trace line, not a crash window; with /port:COM1 /norestart it
# installs and ends with 3010; over a different version it removes that one, installs its own and
# ends with 3010; the uninstall entry's QuietUninstallString, run exactly as given, removes
# everything and ends with 3010. The scripted user must meet no window in any of them.
new_prefix win32 winxp
new_media none
RUN_DIR="$E2E_WORK/deploy"
mkdir -p "$RUN_DIR"

no_window() { # no_window <scripted user log name>: not even a hidden dialog was met
    ! grep -q '^MET' "$E2E_WORK/$1.log"
}

last_trace() { # the text of a trace log's last line, time stamp removed
    tail -n 1 "$1" | tr -d '\r' | cut -c11-
}

log="$DRIVE_C/Temp/QMR-640_Installer.txt"
check "no port: exit 87" run_user quiet_noport QMR640_Installer.exe 'exit 87' /quiet
check "no port: no window" no_window quiet_noport
check "no port: trace names the code" test "$(last_trace "$log")" = "EXIT CODE : 87"
check "no port: trace says why" has_line "$log" "NO PORT : give /port:NAME or PORT in the options file."
check "no port: nothing installed" lacks_match "$(spooler printers drivers)" 'KESTORA QMR-640'

export WINEDLLOVERRIDES="setupapi=" # Wine loads no setupapi.dll
check "no setupapi: exit 1603" run_user quiet_nodll QMR640_Installer.exe 'exit 1603' /quiet /port:COM1
unset WINEDLLOVERRIDES
check "no setupapi: no window" no_window quiet_nodll
check "no setupapi: trace says why, then the code" in_order "$log" \
    'setupapi.dll could not be loaded. Error Code: 126' "EXIT CODE : 1603"

check "quiet install: exit 3010" run_user quiet_install QMR640_Installer.exe 'exit 3010' \
    /quiet /norestart /port:COM1
check "quiet install: no window" no_window quiet_install
check "quiet install: trace names the code" test "$(last_trace "$log")" = "EXIT CODE : 3010"
check "quiet install: driver files found beside the program" in_order "$log" \
    "AddToWin2K BEGIN" "AddPrinterDriverToSystem BEGIN" "AddPrinterDriverToSystem END" \
    "AddToWin2K END"
check "quiet install: no error" lacks_match "$(cat "$log")" 'ERR CODE'
check "quiet install: printer on COM1" has_exact "$(spooler printers | cut -d'|' -f1-4)" \
    'printer|KESTORA QMR-640|COM1:|KESTORA QMR-640'
check "quiet install: nothing left in the current folder" test -z "$(ls -A "$RUN_DIR")"
entry="$(reg_values "$UNINSTALL_KEY")"
echo "$entry" | sed 's/^/      entry: /'
check "entry DisplayVersion" has_exact "$entry" 'DisplayVersion|REG_SZ|3.3.0'
check "entry Publisher" has_exact "$entry" 'Publisher|REG_SZ|KESTORA'
check "entry QuietUninstallString" has_exact "$entry" \
    'QuietUninstallString|REG_SZ|"C:\windows\QMR-640\QMR640_Uninstaller.exe" /quiet'

seed_installed_version 2
check "different version: exit 3010" run_user quiet_other QMR640_Installer.exe 'exit 3010' \
    /quiet /norestart /port:COM1
check "different version: no window" no_window quiet_other
check "different version: removed, then this one installed" in_order "$log" \
    "There is a different version driver in this system." "RemoveDrivers BEGIN" \
    "The installer has successfully removed the different version." "AddToWin2K BEGIN" \
    "AddPrinterDriverToSystem END" "RegisterUninstallInfo BEGIN" "EXIT CODE : 3010"
check "different version: no error" lacks_match "$(cat "$log")" 'ERR CODE'
check "different version: the machine agrees" has_exact \
    "$(spooler printers drivers | cut -d'|' -f1-4)" 'printer|KESTORA QMR-640|COM1:|KESTORA QMR-640'
check "different version: the driver is there" has_exact "$(spooler drivers | cut -d'|' -f1-3)" \
    'driver|Windows NT x86|KESTORA QMR-640'
entry="$(reg_values "$UNINSTALL_KEY")"
check "different version: entry of this version" has_exact "$entry" 'DisplayVersion|REG_SZ|3.3.0'

quiet="$(echo "$entry" | sed -n 's/^QuietUninstallString|REG_SZ|//p')"
log="$DRIVE_C/Temp/QMR-640_UnInstaller.txt"
check "quiet uninstall: exit 3010" run_user quiet_uninstall -c 'exit 3010' "$quiet"
check "quiet uninstall: no window" no_window quiet_uninstall
check "quiet uninstall: started as the entry gives it" \
    has_line "$E2E_WORK/quiet_uninstall.log" "STARTED $quiet"
check "quiet uninstall: trace names the code" test "$(last_trace "$log")" = "EXIT CODE : 3010"
objects="$(spooler printers drivers monitors)"
echo "$objects" | sed 's/^/      spooler: /'
check "quiet uninstall: printer removed" lacks_match "$objects" 'printer|KESTORA QMR-640|'
check "quiet uninstall: driver removed" lacks_match "$objects" 'driver|Windows NT x86|KESTORA QMR-640|'
check "quiet uninstall: entry removed" test -z "$(reg_values "$UNINSTALL_KEY")"
