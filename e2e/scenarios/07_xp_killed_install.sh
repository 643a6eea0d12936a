# Windows XP: the classic installation killed at three moments of its window log (as the
# version check starts, while the driver is added, at the restart question). Each time the
# uninstaller then runs from the media, answering what it asks, and the machine must be as it was
# before the installation, but for the leftovers a full uninstall keeps on purpose (the trace
# logs, the model folder, the options file's copy) and those the host sweeps list as known.
# Wine keeps these where Windows removes them (see 04_xp_uninstall): the print processor's
# registration, the stored INF, and UI640.INI in the driver folder, which the spooler deletes with
# the driver on Windows and no removal step names.
wine_keeps='^processor\|\|KST PRINT PROCESSOR QMR640$|^\./inf/qmr640\.(inf|pnf)$'
wine_keeps+='|^\./system32/spool/drivers/w32x86/3/ui640\.ini$'
# What a killed installation may leave that the uninstaller cannot see: the driver files staged
# in the driver directory and the Windows directory, and the language monitor and print
# processor added before the driver.
known='^\./(system32/spool/drivers/w32x86/)?(qmr640\.(dll|gpd)|ui640\.(dll|ini)|uni640\.dll|unidrv(ui)?\.(dll|hlp)|unires\.dll|stdnames\.gpd)$'
known+='|^monitor\|KST Language Monitor QMR640$|^\./system32/(mon640\.dll|spool/prtprocs/w32x86/pro640\.dll)$'

# Spooler objects, the uninstall entry and the product's files below the Windows directory,
# without the model folder and the options file's copy.
product_state() {
    spooler printers drivers monitors processors | grep -i '640'
    reg_values "$UNINSTALL_KEY"
    (cd "$DRIVE_C/windows" && find . -iname '*640*' | tr 'A-Z' 'a-z' |
        grep -vE '^\./(qmr-640(/.*)?|system32/qmr640_config\.kst)$' | sort)
}

# The uninstaller as the user meets it in the state the kill left: the printer list, the driver
# alone (it starts by itself), or nothing (it says so).
uninstall_script() {
    local objects
    objects="$(spooler printers drivers)"
    if printf '%s\n' "$objects" | grep -q '^printer|KESTORA QMR-640|'; then
        printf '%s\n' 'window KESTORA QMR-640 Uninstaller' 'wait-enabled Uninstall' 'click Uninstall'
    fi
    if printf '%s\n' "$objects" | grep -q '^driver|.*|KESTORA QMR-640|'; then
        printf '%s\n' 'window QMR640_Uninstaller | Restart the computer' 'click &No' 'exit 0'
    else
        printf '%s\n' 'window QMR640_Uninstaller | does not exist' 'click OK' 'exit 0'
    fi
}

# Each kill on a fresh machine: what one leaves would make the next installation remove it and
# ask for a restart instead.
kill_and_uninstall() { # <name> <window step after which the installer is killed>
    local name="$1" moment="$2" before
    [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null
    rm -rf "$E2E_WORK/prefix" "$E2E_WORK/media"
    new_prefix win32 winxp
    new_media '[QMR640]\nPORTDLG=FALSE\nPORT=COM1\n'
    before="$(product_state)"
    check "$name: installer killed" run_user "install_$name" QMR640_Installer.exe "$moment
kill"
    check "$name: killed by the user" has_line "$E2E_WORK/install_$name.log" KILLED
    check "$name: uninstaller ran" run_user "uninstall_$name" QMR640_Uninstaller.exe \
        "$(uninstall_script)"
    local after line
    after="$(product_state)"
    while IFS= read -r line; do
        [ -n "$line" ] || continue
        if printf '%s\n' "$before" | grep -qxF -- "$line"; then continue; fi
        if printf '%s\n' "$line" | grep -qiE "$wine_keeps"; then
            echo "    WINE DIFFERS: $name: left $line"
        elif printf '%s\n' "$line" | grep -qiE "$known"; then
            echo "    KNOWN LEFTOVER: $name: $line"
        else
            fail "$name: left after uninstall: $line"
        fi
    done <<<"$after"
    pass
}

# Wine keeps the progress dialog hidden: its status line is watched all the same.
kill_and_uninstall checking 'status Installation Progress | Checking existing drivers'
kill_and_uninstall driver 'status Installation Progress | Installing printer driver'
kill_and_uninstall question 'window QMR640_Installer | Restarting your computer'
