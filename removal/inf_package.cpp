// The OEM copies of the package's INF in the system's INF store.
#include <windows.h>
#include <setupapi.h>
#include <stdlib.h>
#include <string.h>

#include "common/app_context.h"
#include "common/bounded_string.h"
#include "common/file_utils.h"
#include "common/oem_inf.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/system_dirs.h"
#include "common/step_frame.h"
#include "common/trace_log.h"
#include "removal/removal_steps.h"

namespace {
typedef BOOL(WINAPI *SetupUninstallOEMInfFn)(PCSTR, DWORD, PVOID);

std::string ReplaceAll(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Removes one OEM INF that lists the model.
void RemoveOemInf(const StepHost &host, const char *name, bool detailed) {
    std::string windows;
    bool haveWindows = WindowsDirectory(windows);
    std::string path = windows + "\\inf\\" + name;
    // The precompiled file goes first: a run ended between the two leaves the INF, which the
    // next run finds.
    std::string precompiled = ReplaceAll(path, ".inf", ".PNF");
    if (host.wow64 || host.osCode >= OS_VISTA) {
        SetupUninstallOEMInfFn setupUninstallOEMInf =
            (SetupUninstallOEMInfFn)(void *)GetProcAddress(GetModuleHandleA("setupapi"),
                                                           "SetupUninstallOEMInfA");
        if (setupUninstallOEMInf == NULL)
            return;
        if (haveWindows)
            DeleteFileReported(precompiled);
        char infName[512] = {0};
        CopyBounded(infName, sizeof infName, name);
        if (!setupUninstallOEMInf(infName, SUOI_FORCEDELETE, NULL) && detailed) {
            DWORD error = GetLastError();
            std::wstring wide(infName, infName + strlen(infName));
            TraceLog("fnSetupUninstallOEMInf failed, %ws, %d", wide.c_str(), int(error));
        }
        return;
    }
    // Windows before Vista has no uninstall call: the two files go by hand. The INF stays while
    // its precompiled file does, so that the next run finds it and tries again.
    if (!haveWindows)
        return;
    if (!DeleteFileA(precompiled.c_str())) {
        DWORD error = GetLastError();
        ReportDeleteFileError(precompiled, error);
        if (error != ERROR_FILE_NOT_FOUND)
            return;
    }
    if (DeleteFileReported(path) && detailed)
        TraceLog("'%s' has been deleted successfully.", path.c_str());
}
} // namespace

void DeleteINFFile(const StepHost &host) {
    bool detailed = host.detailed;
    StepFrame frame("DeleteINFFile");
    ReportStep(host, detailed ? STATUS_NO_STEP : STATUS_QUIET, "Deleting the INF file...", 100);
    std::string section = ModelSection(host.wow64);
    if (detailed)
        TraceLog("SECTION NAME : %s", section.c_str());
    char key[256] = {0};
    CopyBounded(key, sizeof key, LoadProfileString(IDS_DRIVER_NAME).c_str());
    if (detailed)
        TraceLog("KEY NAME : %s", key);

    bool matched = false;
    ForEachOemInfWithModel(section, key, detailed, [&](const char *name) {
        matched = true;
        RemoveOemInf(host, name, detailed);
    });
    if (detailed && !matched)
        TraceLog("The key name was not found.");
}
