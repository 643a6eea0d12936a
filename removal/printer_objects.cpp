// Printers and their queued jobs, and the order of the whole removal.
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <winspool.h>

#include "common/app_context.h"
#include "common/bounded_string.h"
#include "common/deployment.h"
#include "common/driver_printers.h"
#include "common/enumerate.h"
#include "common/profile.h"
#include "common/report_error.h"
#include "common/restart.h"
#include "common/scoped_handle.h"
#include "common/step_frame.h"
#include "common/trace_log.h"
#include "removal/pnp_cleanup.h"
#include "removal/removal_steps.h"

namespace {
// More jobs than this are left to the printer's deletion.
const DWORD kMaxJobs = 1000;
} // namespace

void PurgePrintJobs(HANDLE printer) {
    DWORD returned = 0;
    LPBYTE buffer = EnumerateAll(
        [printer](LPBYTE into, DWORD size, LPDWORD needed, LPDWORD count) {
            return EnumJobsA(printer, 0, kMaxJobs, 3, into, size, needed, count);
        },
        returned);
    const JOB_INFO_3 *jobs = (const JOB_INFO_3 *)buffer;
    for (DWORD i = 0; i < returned; ++i) {
        OSVERSIONINFOA version;
        memset(&version, 0, sizeof version);
        version.dwOSVersionInfoSize = sizeof version;
        GetVersionExA(&version);
        // Windows 9x spoolers know only cancelling.
        bool oldSpooler =
            version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS || version.dwMajorVersion < 4;
        SetJobA(printer, jobs[i].JobId, 0, NULL,
                oldSpooler ? JOB_CONTROL_CANCEL : JOB_CONTROL_DELETE);
    }
    if (returned > 0)
        Sleep(1000);
    free(buffer);
}

void DeletePrinterObject(const char *printerName) {
    PRINTER_DEFAULTSA defaults = {(LPSTR) "raw", NULL, PRINTER_ALL_ACCESS};
    ScopedPrinter printer;
    if (!OpenPrinterA((LPSTR)printerName, printer.Receive(), &defaults))
        return;
    PurgePrintJobs(printer.Get());
    DeletePrinter(printer.Get());
}

void DeletePrinterObjects(const StepHost &host) {
    PostStatus(*host.status, host.progressBar, "Deleting printer-objects...", TRUE, 0);
    std::vector<std::string> names;
    if (!PrintersOfDriver(LoadProfileString(IDS_DRIVER_NAME), names)) {
        ReportSystemError("EnumPrinters Error Code: %d\n\n", GetLastError(), MB_ICONEXCLAMATION);
        EndRun(0);
    }
    for (const std::string &name : names)
        DeletePrinterObject(name.c_str());
    RemoveDrivers(host);
}

void RemoveDrivers(const StepHost &host) {
    StepFrame frame("RemoveDrivers");
    PostStatus(*host.status, host.progressBar, "Removing printer-driver...", TRUE, 1000);
    RemoveFromOS(host);
    DeleteVidPid(host, STATUS_NO_STEP);
    Delete_LPT_USB_Info(host, STATUS_NO_STEP);
    DeletePrnDrvPnPDirectory(host, STATUS_NO_STEP);
    PostCompletion(*host.status, host.progressBar, "The uninstallation has been completed.", 1000);
}

void RemovePrinterObjects(const std::list<std::string> &printers) {
    StepFrame frame("RemovePrinterObjects");
    for (const std::string &name : printers) {
        TraceLog("OBJECT NAME : %s", name.c_str());
        DeletePrinterObject(name.c_str());
    }
    RunSpoolerCommand("net stop spooler", 2000);
    RunSpoolerCommand("net start spooler", 2000);
}

bool RemoveFromOS(const StepHost &host) {
    // The uninstaller traces each of its steps instead.
    StepFrame frame(host.detailed ? NULL : "RemoveFromOS");
    char modelName[256] = {0};
    CopyBounded(modelName, sizeof modelName, LoadProfileString(IDS_MODEL_NAME).c_str());
    DeleteForms(host);
    DeletePrinterDrv(host, modelName);
    DeleteLanguageMonitor(host);
    DeleteProcessor(host);
    DeleteDriverComponent(host);
    DeleteINFFile(host);
    return DeleteUninstallationInfo(host);
}
