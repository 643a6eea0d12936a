# net.exe, cmd.exe and rundll32.exe planted beside the programs, which are also their current
# directory. On 7 the installer starts net and, for printui (the stand-in of tools/printui), cmd
# and rundll32; on XP the installer and the uninstaller stop and start the spooler with net. None
# of the planted ones may run, and the installation and removal still end.
for version in win7 winxp; do
    if [ "$version" = winxp ]; then
        wineserver -k 2>/dev/null
        rm -rf "$WINEPREFIX" "$MEDIA"
    fi
    new_prefix win32 "$version"
    new_media '[QMR640]\nPORTDLG=FALSE\nPORT=COM1\n'
    plant planted_program.exe net.exe cmd.exe rundll32.exe
    [ "$version" = winxp ] || use_printui_standin
    check "$version: installer ran as scripted" run_user "install-$version" QMR640_Installer.exe '
window QMR640_Installer | Restarting your computer
click &No
exit 0'
    check "$version: trace: installation completed" in_order "$DRIVE_C/Temp/QMR-640_Installer.txt" \
        "RegisterUninstallInfo END" "CopyFilesOfUtilities END"
    check "$version: no planted program run by the installer: $(planted_markers | xargs)" \
        test -z "$(planted_markers)"
done

check "uninstaller ran as scripted" uninstall_all uninstall
check "trace: removal completed" in_order "$DRIVE_C/Temp/QMR-640_UnInstaller.txt" \
    "DeleteDriverComponent BEGIN" "DeleteDriverComponent END" "DeleteINFFile END"
check "uninstall entry removed" test -z "$(reg_values "$UNINSTALL_KEY")"
check "no planted program run by the uninstaller: $(planted_markers | xargs)" test -z "$(planted_markers)"
