// The package's tagged paper forms and the driver's own files.
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <vector>
#include <winspool.h>

#include "common/app_context.h"
#include "common/enumerate.h"
#include "common/file_utils.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/restart.h"
#include "common/trace_log.h"
#include "removal/removal_steps.h"

void DeleteForms(const StepHost &host) {
    const ProgramSettings &program = CurrentProgram();
    TraceSeparator();
    TraceLog("DeleteForms BEGIN");
    ReportStep(host, program.detailedRemoval ? STATUS_NO_STEP : STATUS_QUIET, "Deleting forms...",
               100);
    HANDLE server = NULL;
    OpenPrinterA(NULL, &server, NULL);
    DWORD returned = 0;
    LPBYTE buffer = EnumerateAll(
        [server](LPBYTE into, DWORD size, LPDWORD needed, LPDWORD count) {
            return EnumFormsA(server, 1, into, size, needed, count);
        },
        returned);
    std::string tag = LoadProfileString(program.formTagId);
    const FORM_INFO_1A *forms = (const FORM_INFO_1A *)buffer;
    for (DWORD i = 0; i < returned; ++i)
        if (forms[i].pName != NULL && !tag.empty() && strstr(forms[i].pName, tag.c_str())) {
            DeleteFormA(server, forms[i].pName);
            TraceLog("FORM NAMES : %s ", forms[i].pName);
        }
    free(buffer);
    ClosePrinter(server);
    TraceLog("DeleteForms END");
}

void DeleteDriverComponent(const StepHost &host) {
    const ProgramSettings &program = CurrentProgram();
    bool detailed = program.detailedRemoval;
    // The installer's copy has always been traced under the name of its installation twin.
    const char *name = detailed ? "DeleteDriverComponent" : "DeleteFilesUsed";
    TraceSeparator();
    TraceLog("%s BEGIN", name);
    ReportStep(host, detailed ? STATUS_STEP : STATUS_QUIET, "Deleting driver-components...", 100);
    char windows[256] = {0};
    if (GetWindowsDirectoryA(windows, sizeof windows) == 0)
        TraceLog("GetWindowsDirectory failed");
    char drivers[256] = {0};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(NULL, SpoolerEnvironment(host.wow64), 1, (LPBYTE)drivers,
                                    sizeof drivers - 1, &needed))
        TraceLog("GetPrinterDriverDirectory failed. (%d)", int(GetLastError()));
    if (detailed) {
        TraceLog("PrinterDriverDirectory : %s", drivers);
        TraceLog("WindowsDirectory : %s", windows);
    }
    RunSpoolerCommand("net stop spooler", 1500);

    std::string w = std::string(windows) + "\\";
    std::string d = std::string(drivers) + "\\3\\";
    std::string driverFile = LoadProfileString(IDS_DRIVER_FILE);
    std::string description = LoadProfileString(program.descriptionFileId);
    std::string uiFile = LoadProfileString(IDS_UI_FILE);
    std::string renderFile = LoadProfileString(IDS_RENDER_FILE);
    std::vector<std::string> paths = {w + driverFile};
    if (detailed)
        paths.push_back(d + driverFile);
    paths.insert(paths.end(),
                 {d + description, w + description, d + LoadProfileString(program.fontFileId),
                  d + uiFile, w + uiFile, w + renderFile, d + renderFile,
                  w + LoadProfileString(program.settingsFileId)});
    for (const std::string &path : paths)
        DeleteFileReported(path);

    TraceLog("%s END", name);
    RunSpoolerCommand("net start spooler", 2000);
}
