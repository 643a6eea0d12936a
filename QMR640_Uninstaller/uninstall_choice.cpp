#include "QMR640_Uninstaller/uninstall_choice.h"

UninstallChoice ChooseUninstall(int printers, bool driverPresent, bool unattended) {
    if (printers < 0)
        return UNINSTALL_END;
    if (printers == 0)
        return driverPresent ? UNINSTALL_DRIVER_AT_ONCE : UNINSTALL_NOTHING_THERE;
    // Nobody chooses in an unattended run: every printer on the driver goes.
    return unattended ? UNINSTALL_ALL_LISTED : UNINSTALL_ASK;
}
