// The package's tagged paper forms and the driver's own files.
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <vector>
#include <winspool.h>

#include "common/app_context.h"
#include "common/enumerate.h"
#include "common/file_utils.h"
#include "common/package_files.h"
#include "common/profile.h"
#include "common/restart.h"
#include "common/scoped_handle.h"
#include "common/system_dirs.h"
#include "common/step_frame.h"
#include "common/trace_log.h"
#include "removal/removal_steps.h"

namespace {
// An installation that ended normally left no staged copy: only a failure to delete one is traced.
void DeleteStagedCopy(const std::string &path) {
    if (DeleteFileA(path.c_str()))
        return;
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        ReportDeleteFileError(path, error);
}
} // namespace

void DeleteForms(const StepHost &host) {
    const ProgramSettings &program = CurrentProgram();
    StepFrame frame("DeleteForms");
    ReportStep(host, host.detailed ? STATUS_NO_STEP : STATUS_QUIET, "Deleting forms...", 100);
    ScopedPrinter opened;
    OpenPrinterA(NULL, opened.Receive(), NULL);
    HANDLE server = opened.Get();
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
}

std::vector<std::string> DriverComponentPaths(const StepHost &host, const std::string &windows,
                                              const std::string &drivers) {
    const ProgramSettings &program = CurrentProgram();
    std::string w = windows + "\\";
    std::string d = drivers + "\\3\\";
    std::string driverFile = LoadProfileString(IDS_DRIVER_FILE);
    std::string description = LoadProfileString(program.descriptionFileId);
    std::string uiFile = LoadProfileString(IDS_UI_FILE);
    std::string renderFile = LoadProfileString(IDS_RENDER_FILE);
    // Each path with whether its directory could be read; the others are left alone.
    std::vector<std::pair<bool, std::string>> paths = {{!windows.empty(), w + driverFile}};
    if (host.detailed)
        paths.push_back({!drivers.empty(), d + driverFile});
    paths.insert(paths.end(), {{!drivers.empty(), d + description},
                               {!windows.empty(), w + description},
                               {!drivers.empty(), d + LoadProfileString(program.fontFileId)},
                               {!drivers.empty(), d + uiFile},
                               {!windows.empty(), w + uiFile},
                               {!windows.empty(), w + renderFile},
                               {!drivers.empty(), d + renderFile},
                               {!windows.empty(), w + LoadProfileString(program.settingsFileId)}});
    std::vector<std::string> read;
    for (const auto &path : paths)
        if (path.first)
            read.push_back(path.second);
    return read;
}

void DeleteDriverComponent(const StepHost &host) {
    bool detailed = host.detailed;
    // The installer's copy has always been traced under the name of its installation twin.
    const char *name = detailed ? "DeleteDriverComponent" : "DeleteFilesUsed";
    StepFrame frame(name);
    ReportStep(host, detailed ? STATUS_STEP : STATUS_QUIET, "Deleting driver-components...", 100);
    std::string windows, drivers;
    WindowsDirectory(windows);
    bool haveDrivers = PrinterDriverDirectory(host.wow64, drivers);
    if (detailed) {
        TraceLog("PrinterDriverDirectory : %s", drivers.c_str());
        TraceLog("WindowsDirectory : %s", windows.c_str());
    }
    RunSpoolerCommand("net stop spooler", 1500);

    for (const std::string &path : DriverComponentPaths(host, windows, drivers))
        DeleteFileReported(path);
    // The copies an installation ended half way left where it stages them. The class files go
    // only there, never from the version folder, where other drivers use them.
    if (haveDrivers)
        for (const std::string &file : StagedFiles())
            if (!file.empty())
                DeleteStagedCopy(drivers + "\\" + file);

    frame.End();
    RunSpoolerCommand("net start spooler", 2000);
}
