// The package's entry in the system's list of installed programs.
#include <windows.h>

#include "common/app_context.h"
#include "common/bounded_string.h"
#include "common/profile.h"
#include "common/registry_utils.h"
#include "common/step_frame.h"
#include "common/trace_log.h"
#include "removal/removal_steps.h"

bool DeleteUninstallationInfo(const StepHost &host) {
    StepFrame frame("DeleteUninstallationInfo");
    char key[256] = {0};
    CopyBounded(key, sizeof key, LoadProfileString(IDS_UNINSTALL_KEY).c_str());
    if (host.detailed)
        TraceLog("RegKey : %s", key);
    bool deleted = DeleteMachineKey(key, host.wow64);
    return deleted;
}

void DeleteUninstallInfoFromReg(const StepHost &host) {
    StepFrame frame("DeleteUninstallInfoFromReg");
    char key[520] = {0};
    CopyBounded(key, sizeof key, LoadProfileString(IDS_UNINSTALL_KEY).c_str());
    TraceLog("REGKEY : %s", key);
    DeleteMachineKeyIfPresent(key, host.wow64);
}
