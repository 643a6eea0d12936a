// The package's entry in the system's list of installed programs.
#include <windows.h>

#include "common/app_context.h"
#include "common/bounded_string.h"
#include "common/profile.h"
#include "common/registry_utils.h"
#include "common/trace_log.h"
#include "removal/removal_steps.h"

bool DeleteUninstallationInfo(const StepHost &host, const char *modelName) {
    TraceSeparator();
    TraceLog("DeleteUninstallationInfo BEGIN");
    char key[256] = {0};
    CopyBounded(key, sizeof key, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
    AppendBounded(key, sizeof key, LoadProfileString(CurrentProgram().makerId).c_str());
    AppendBounded(key, sizeof key, "_");
    AppendBounded(key, sizeof key, modelName);
    if (CurrentProgram().detailedRemoval)
        TraceLog("RegKey : %s", key);
    bool deleted = DeleteMachineKey(key, host.wow64);
    TraceLog("DeleteUninstallationInfo END");
    return deleted;
}

void DeleteUninstallInfoFromReg(const StepHost &host) {
    TraceSeparator();
    TraceLog("DeleteUninstallInfoFromReg BEGIN");
    char key[520] = {0};
    CopyBounded(key, sizeof key, LoadProfileString(PROFILE_UNINSTALL_KEY).c_str());
    TraceLog("REGKEY : %s", key);
    HKEY opened = NULL;
    REGSAM access = host.wow64 ? KEY_READ | KEY_WRITE | KEY_WOW64_64KEY : KEY_READ | KEY_WRITE;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, access, &opened) == ERROR_SUCCESS) {
        DeleteMachineKey(key, host.wow64);
        RegCloseKey(opened);
    }
    TraceLog("DeleteUninstallInfoFromReg END");
}
