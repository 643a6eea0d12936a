// The printer driver, the language monitor and the print processor.
#include <windows.h>
#include <winspool.h>

#include "common/app_context.h"
#include "common/bounded_string.h"
#include "common/file_utils.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/registry_utils.h"
#include "common/restart.h"
#include "common/system_dirs.h"
#include "common/step_frame.h"
#include "common/trace_log.h"
#include "removal/removal_steps.h"

namespace {
const char kPrintKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\";

std::string EnvironmentKey(const StepHost &host) {
    return std::string(kPrintKey) + "Environments\\" + EnvironmentName(host.wow64) + "\\";
}

void ReportDetail(const StepHost &host, const char *text) {
    ReportStep(host, host.detailed ? STATUS_NO_STEP : STATUS_QUIET, text, 100);
}

typedef UINT(WINAPI *GetSystemWow64DirectoryFn)(LPSTR, UINT);
} // namespace

bool DeletePrinterDrv(const StepHost &host, const char *modelName) {
    StepFrame frame("DeletePrinterDrv");
    ReportDetail(host, "Deleting printer-drivers...");
    char driverName[256] = {0};
    CopyBounded(driverName, sizeof driverName, LoadProfileString(CurrentProgram().makerId).c_str());
    AppendBounded(driverName, sizeof driverName, " ");
    AppendBounded(driverName, sizeof driverName, modelName);

    bool result = true;
    if (!DeletePrinterDriverExA(NULL, SpoolerEnvironment(host.wow64), driverName,
                                DPD_DELETE_UNUSED_FILES, 3)) {
        if (host.detailed)
            TraceLog("DeletePrinterDriverEx returned FALSE. (%d)", int(GetLastError()));
        // The spooler refused (a printer may still use the driver): remove its keys directly.
        std::string driverKey = EnvironmentKey(host) + "Drivers\\Version-3\\" + driverName;
        std::string printerKey = std::string(kPrintKey) + "Printers\\" + driverName;
        result = DeleteMachineKey(driverKey.c_str(), host.wow64);
        result = DeleteMachineKey(printerKey.c_str(), host.wow64) && result;
    }
    RunSpoolerCommand("net stop spooler", 2000);
    RunSpoolerCommand("net start spooler", 2000);
    return result;
}

void DeleteLanguageMonitor(const StepHost &host) {
    StepFrame frame("DeleteLanguageMonitor");
    ReportDetail(host, "Deleting L/M...");
    std::string monitor = LoadProfileString(IDS_MONITOR_NAME);
    if (!DeleteMonitorA(NULL, SpoolerEnvironment(host.wow64), (LPSTR)monitor.c_str())) {
        DWORD error = GetLastError();
        TraceLog("DeleteMonitor Error : (%d)", int(error));
        if (error == ERROR_UNKNOWN_PRINT_MONITOR)
            TraceLog("The specified print monitor is unknown or not installed on this system.");
        DeleteMachineKey((std::string(kPrintKey) + "Monitors\\" + monitor).c_str(), host.wow64);
    }
    std::string file = LoadProfileString(IDS_MONITOR_FILE);
    std::string directory;
    if (SystemDirectory(directory))
        DeleteFileReported(directory + "\\" + file);
    if (host.wow64) {
        GetSystemWow64DirectoryFn getSystemWow64Directory =
            (GetSystemWow64DirectoryFn)(void *)GetProcAddress(GetModuleHandleA("kernel32"),
                                                              "GetSystemWow64DirectoryA");
        char wow64Directory[256] = {0};
        UINT length = getSystemWow64Directory != NULL
                          ? getSystemWow64Directory(wow64Directory, sizeof wow64Directory)
                          : 0;
        if (length != 0 && length < sizeof wow64Directory)
            DeleteFileReported(std::string(wow64Directory) + "\\" + file);
        std::string windows;
        if (WindowsDirectory(windows)) {
            DeleteFileReported(windows + "\\" + file);
            // The 64-bit monitor in the real system directory, which the first delete could not
            // reach; systems without Sysnative have nothing to delete there.
            DeleteFileA((windows + "\\Sysnative\\" + file).c_str());
        }
    }
}

void DeleteProcessor(const StepHost &host) {
    StepFrame frame("DeleteProcessor");
    ReportDetail(host, "Deleting the processor...");
    std::string processor = LoadProfileString(IDS_PROCESSOR_NAME);
    if (!DeletePrintProcessorA(NULL, SpoolerEnvironment(host.wow64), (LPSTR)processor.c_str())) {
        TraceLog("DeleteMonitor Error : (%d)", int(GetLastError()));
        DeleteMachineKey((EnvironmentKey(host) + "Print Processors\\" + processor).c_str(),
                         host.wow64);
    }
    std::string directory;
    if (PrintProcessorDirectory(host.wow64, directory))
        DeleteFileReported(directory + "\\" + LoadProfileString(IDS_PROCESSOR_FILE));
}
