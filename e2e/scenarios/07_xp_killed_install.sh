# Windows XP: the classic installation killed at three moments of its window log (as the
# version check starts, while the driver is added, at the restart question). Each time the
# uninstaller then runs from the media, answering what it asks, and the machine must be as it was
# before the installation, but for the leftovers a full uninstall keeps on purpose (the trace
# logs, the model folder, the options file's copy) and what Wine keeps (left_since).

# The uninstaller as the user meets it in the state the kill left: the printer list, any trace
# of the package without a printer (it removes the package by itself), or nothing (it says so).
uninstall_script() {
    if spooler printers | grep -q '^printer|KESTORA QMR-640|'; then
        printf '%s\n' 'window KESTORA QMR-640 Uninstaller' 'wait-enabled Uninstall' 'click Uninstall'
    fi
    if [ -n "$(product_state)" ]; then
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
    left_since "$name" "$before"
}

# Wine keeps the progress dialog hidden: its status line is watched all the same.
kill_and_uninstall checking 'status Installation Progress | Checking existing drivers'
kill_and_uninstall driver 'status Installation Progress | Installing printer driver'
kill_and_uninstall question 'window QMR640_Installer | Restarting your computer'
