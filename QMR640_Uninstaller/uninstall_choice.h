// What the uninstaller lists and does once it has looked for the driver's printers: a plain
// function of what it found, the same for the dialog and a run without any window.
#pragma once

enum UninstallChoice {
    UNINSTALL_END,            // the printers could not be listed: the run ends
    UNINSTALL_NOTHING_THERE,  // neither printers nor driver: it says so and ends
    UNINSTALL_DRIVER_AT_ONCE, // no printers, but the driver: removed at once, no list shown
    UNINSTALL_ALL_LISTED,     // unattended: every printer listed goes, with the package
    UNINSTALL_ASK,            // the printers are listed, all ticked, for the user to choose
};

// printers: how many use the driver, -1 when they could not be listed. driverPresent counts
// only when there are none.
UninstallChoice ChooseUninstall(int printers, bool driverPresent, bool unattended);
