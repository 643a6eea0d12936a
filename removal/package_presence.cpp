#include "removal/package_presence.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <winspool.h>

#include "common/app_context.h"
#include "common/enumerate.h"
#include "common/oem_inf.h"
#include "common/package_files.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/scoped_handle.h"
#include "common/step_frame.h"
#include "common/system_dirs.h"
#include "common/trace_log.h"
#include "removal/removal_steps.h"

namespace {
// Whether a listing of the spooler holds a record whose name matches.
template <class Record, class Call, class Match> bool Listed(Call call, Match match) {
    DWORD returned = 0;
    LPBYTE buffer = EnumerateAll(call, returned);
    const Record *records = (const Record *)buffer;
    bool found = false;
    for (DWORD i = 0; i < returned && !found; ++i)
        found = records[i].pName != NULL && match(records[i].pName);
    free(buffer);
    return found;
}

bool ProcessorExists(BOOL wow64, const std::string &name) {
    char *environment = SpoolerEnvironment(wow64);
    return Listed<PRINTPROCESSOR_INFO_1A>(
        [environment](LPBYTE into, DWORD size, LPDWORD needed, LPDWORD count) {
            return EnumPrintProcessorsA(NULL, environment, 1, into, size, needed, count);
        },
        [&name](const char *listed) { return name == listed; });
}

bool MonitorExists(const std::string &name) {
    return Listed<MONITOR_INFO_1A>(
        [](LPBYTE into, DWORD size, LPDWORD needed, LPDWORD count) {
            return EnumMonitorsA(NULL, 1, into, size, needed, count);
        },
        [&name](const char *listed) { return name == listed; });
}

bool TaggedFormExists(const std::string &tag) {
    ScopedPrinter opened;
    if (tag.empty() || !OpenPrinterA(NULL, opened.Receive(), NULL))
        return false;
    HANDLE server = opened.Get();
    bool found = Listed<FORM_INFO_1A>(
        [server](LPBYTE into, DWORD size, LPDWORD needed, LPDWORD count) {
            return EnumFormsA(server, 1, into, size, needed, count);
        },
        [&tag](const char *listed) { return strstr(listed, tag.c_str()) != NULL; });
    return found;
}

bool OemInfExists(BOOL wow64) {
    std::string key = LoadProfileString(IDS_DRIVER_NAME);
    bool found = false;
    if (!key.empty())
        ForEachOemInfWithModel(ModelSection(wow64), key.c_str(), false,
                               [&found](const char *) { found = true; });
    return found;
}

// The first of the product's files found where the removal deletes them, or empty: the driver's
// own, its copies staged in the driver directory, the language monitor's and the print processor's.
std::string ProductFileFound(const StepHost &host) {
    BOOL wow64 = host.wow64;
    std::string windows, system, drivers, processors;
    WindowsDirectory(windows);
    PrinterDriverDirectory(wow64, drivers);
    std::vector<std::string> paths = DriverComponentPaths(host, windows, drivers);
    if (!drivers.empty())
        for (const std::string &name : StagedProductFiles())
            paths.push_back(drivers + "\\" + name);
    std::string monitor = LoadProfileString(IDS_MONITOR_FILE);
    if (SystemDirectory(system))
        paths.push_back(system + "\\" + monitor);
    // Under WOW64 also where the installer puts it, and the 64-bit system directory, which a
    // 32-bit program reaches only by this name.
    if (wow64 && !windows.empty())
        paths.insert(paths.end(), {windows + "\\" + monitor, windows + "\\Sysnative\\" + monitor});
    if (PrintProcessorDirectory(wow64, processors))
        paths.push_back(processors + "\\" + LoadProfileString(IDS_PROCESSOR_FILE));
    for (const std::string &path : paths)
        // A name missing from the profile would leave the directory itself.
        if (path.back() != '\\' && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            return path;
    return "";
}

// What of the package is there, or empty.
std::string FirstTrace(const StepHost &host) {
    BOOL wow64 = host.wow64;
    std::string name = LoadProfileString(IDS_PROCESSOR_NAME);
    if (!name.empty() && ProcessorExists(wow64, name))
        return name;
    name = LoadProfileString(IDS_MONITOR_NAME);
    if (!name.empty() && MonitorExists(name))
        return name;
    if (OemInfExists(wow64))
        return "an OEM INF of " + LoadProfileString(IDS_DRIVER_NAME);
    name = LoadProfileString(CurrentProgram().formTagId);
    if (TaggedFormExists(name))
        return "a form " + name;
    return ProductFileFound(host);
}
} // namespace

bool PackageTraceExist(const StepHost &host) {
    StepFrame frame("PackageTraceExist");
    std::string trace = FirstTrace(host);
    if (trace.empty())
        TraceLog("NO TRACE OF THE PACKAGE.");
    else
        TraceLog("PACKAGE TRACE : %s", trace.c_str());
    return !trace.empty();
}
