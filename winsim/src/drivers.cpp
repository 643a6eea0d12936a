// Monitors, print processors and printer drivers of the spooler.
#include "spooler.h"

using namespace winsim;

namespace {

bool IsEmpty(LPCSTR text) {
    return text == NULL || text[0] == '\0';
}

bool SameName(const std::string &a, const std::string &b) {
    return Upper(a) == Upper(b);
}

// The spooler loads a monitor from the directories a service's library search covers.
bool MonitorDllFound(const std::string &dll) {
    if (dll.find('\\') != std::string::npos)
        return FindFile(dll) != nullptr;
    return FindFile(g_machine->systemDir + "\\" + dll) != nullptr ||
           FindFile(g_machine->windowsDir + "\\" + dll) != nullptr;
}

bool MonitorInUse(const std::string &name) {
    for (const Port &port : Spooler().ports)
        if (SameName(port.monitor, name))
            return true;
    for (Environment *environment : {&Spooler().x86, &Spooler().x64})
        for (const DriverInfo &driver : environment->drivers)
            if (SameName(driver.monitor, name))
                return true;
    return false;
}

// A bare file name in a driver record lies in the environment's driver directory.
std::string StagedPath(const Environment &environment, const std::string &file) {
    if (file.find('\\') != std::string::npos)
        return file;
    return DriverDirectoryOf(environment) + "\\" + file;
}

std::vector<std::string> SplitList(LPCSTR list) {
    std::vector<std::string> items;
    for (; list != NULL && *list != '\0'; list += strlen(list) + 1)
        items.push_back(list);
    return items;
}

// Every file of the record, found where the spooler looks for it; false when one is missing.
bool FindDriverFiles(const Environment &environment, const std::vector<std::string> &names,
                     std::vector<std::string> &paths) {
    for (const std::string &name : names) {
        FileNode *node = FindFile(StagedPath(environment, name));
        if (node == nullptr) {
            SetError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        paths.push_back(node->name);
    }
    return true;
}

std::vector<std::string> DriverFiles(const DriverInfo &driver) {
    std::vector<std::string> files = {driver.driverPath, driver.dataFile, driver.configFile};
    if (!driver.helpFile.empty())
        files.push_back(driver.helpFile);
    files.insert(files.end(), driver.dependentFiles.begin(), driver.dependentFiles.end());
    return files;
}

bool UsedByPrinter(const Environment &environment, const std::string &driver) {
    if (&environment != &NativeEnvironment())
        return false;
    for (const Printer &printer : Spooler().printers)
        if (SameName(printer.info.driver, driver))
            return true;
    return false;
}

// Removes the driver's files that no other driver of its environment shares. With all set, a
// shared or undeletable file keeps the whole driver, as DPD_DELETE_ALL_FILES demands.
bool DeleteDriverFiles(Environment &environment, const DriverInfo &driver, bool all) {
    std::set<std::string> shared;
    for (const DriverInfo &other : environment.drivers)
        if (&other != &driver)
            for (const std::string &file : DriverFiles(other))
                shared.insert(NormalizePath(file));
    std::vector<std::string> removable;
    for (const std::string &file : DriverFiles(driver)) {
        FileNode *node = FindFile(file);
        bool keep = shared.count(NormalizePath(file)) > 0 ||
                    (node != nullptr && (node->locked || node->denied));
        if (keep && all) {
            SetError(ERROR_PRINTER_DRIVER_IN_USE);
            return false;
        }
        if (!keep && node != nullptr)
            removable.push_back(NormalizePath(file));
    }
    for (const std::string &key : removable)
        g_machine->files.erase(key);
    return true;
}

template <class Record> void FillDriver(StringArea &area, Record &record, DriverInfo &driver) {
    record.cVersion = driver.version;
    record.pName = area.Put(driver.name);
    record.pEnvironment = area.Put(driver.environment);
    record.pDriverPath = area.Put(driver.driverPath);
    record.pDataFile = area.Put(driver.dataFile);
    record.pConfigFile = area.Put(driver.configFile);
}

template <class Record> void FillDriver3(StringArea &area, Record &record, DriverInfo &driver) {
    FillDriver(area, record, driver);
    record.pHelpFile = area.PutOptional(driver.helpFile);
    record.pDependentFiles = area.PutList(driver.dependentFiles);
    record.pMonitorName = area.PutOptional(driver.monitor);
    record.pDefaultDataType = area.PutOptional(driver.defaultDatatype);
}

} // namespace

BOOL WINAPI AddMonitorA(LPSTR, DWORD level, LPBYTE monitor) {
    Api api("AddMonitorA");
    if (api.failed())
        return FALSE;
    ServiceCall service;
    const MONITOR_INFO_2A *info = (const MONITOR_INFO_2A *)monitor;
    if (level != 2) {
        SetError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (info == NULL || IsEmpty(info->pName) || IsEmpty(info->pDLLName)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The spooler service loads monitors itself, so only its own environment's will do.
    if (FindEnvironment(info->pEnvironment) != &NativeEnvironment()) {
        SetError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (Spooler().monitors.Find(info->pName) != nullptr) {
        SetError(ERROR_PRINT_MONITOR_ALREADY_INSTALLED);
        return FALSE;
    }
    if (!MonitorDllFound(info->pDLLName)) {
        SetError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    Spooler().monitors.Add(info->pName, {info->pName, NativeEnvironment().name, info->pDLLName});
    return TRUE;
}

BOOL WINAPI DeleteMonitorA(LPSTR, LPSTR environment, LPSTR monitorName) {
    Api api("DeleteMonitorA");
    if (api.failed())
        return FALSE;
    if (IsEmpty(monitorName)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (FindEnvironment(environment) == nullptr) {
        SetError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (Spooler().monitors.Find(monitorName) == nullptr) {
        SetError(ERROR_UNKNOWN_PRINT_MONITOR);
        return FALSE;
    }
    if (MonitorInUse(monitorName)) {
        SetError(ERROR_PRINT_MONITOR_IN_USE);
        return FALSE;
    }
    Spooler().monitors.Erase(monitorName);
    return TRUE;
}

BOOL WINAPI EnumMonitorsA(LPSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                          LPDWORD returned) {
    Api api("EnumMonitorsA");
    if (api.failed())
        return FALSE;
    std::vector<MonitorInfo *> items;
    for (MonitorInfo &monitor : Spooler().monitors)
        items.push_back(&monitor);
    if (level == 1)
        return WriteRecords<MONITOR_INFO_1A>(
            items,
            [](StringArea &area, MONITOR_INFO_1A &record, MonitorInfo &monitor) {
                record.pName = area.Put(monitor.name);
            },
            buffer, size, needed, returned);
    if (level == 2)
        return WriteRecords<MONITOR_INFO_2A>(
            items,
            [](StringArea &area, MONITOR_INFO_2A &record, MonitorInfo &monitor) {
                record.pName = area.Put(monitor.name);
                record.pEnvironment = area.Put(monitor.environment);
                record.pDLLName = area.Put(monitor.dll);
            },
            buffer, size, needed, returned);
    SetError(ERROR_INVALID_LEVEL);
    return FALSE;
}

BOOL WINAPI AddPrintProcessorA(LPSTR, LPSTR environment, LPSTR pathName, LPSTR processorName) {
    Api api("AddPrintProcessorA");
    if (api.failed())
        return FALSE;
    ServiceCall service;
    if (IsEmpty(pathName) || IsEmpty(processorName)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Environment *env = FindEnvironment(environment);
    if (env == nullptr) {
        SetError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (env->processors.Find(processorName) != nullptr) {
        SetError(ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED);
        return FALSE;
    }
    // Loaded from the environment's processor directory, whatever path the caller gives.
    if (FindFile(ProcessorDirectoryOf(*env) + "\\" + FileName(pathName)) == nullptr) {
        SetError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    env->processors.Add(processorName, {processorName, FileName(pathName)});
    return TRUE;
}

BOOL WINAPI DeletePrintProcessorA(LPSTR, LPSTR environment, LPSTR processorName) {
    Api api("DeletePrintProcessorA");
    if (api.failed())
        return FALSE;
    Environment *env = FindEnvironment(environment);
    if (env == nullptr) {
        SetError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (IsEmpty(processorName) || !env->processors.Erase(processorName)) {
        SetError(ERROR_UNKNOWN_PRINTPROCESSOR);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI EnumPrintProcessorsA(LPSTR, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
    Api api("EnumPrintProcessorsA");
    if (api.failed())
        return FALSE;
    Environment *env = FindEnvironment(environment);
    if (env == nullptr) {
        SetError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (level != 1) {
        SetError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    std::vector<std::pair<std::string, std::string> *> items;
    for (auto &processor : env->processors)
        items.push_back(&processor);
    return WriteRecords<PRINTPROCESSOR_INFO_1A>(
        items,
        [](StringArea &area, PRINTPROCESSOR_INFO_1A &record,
           std::pair<std::string, std::string> &processor) {
            record.pName = area.Put(processor.first);
        },
        buffer, size, needed, returned);
}

BOOL WINAPI GetPrintProcessorDirectoryA(LPSTR, LPSTR environment, DWORD level, LPBYTE buffer,
                                        DWORD size, LPDWORD needed) {
    Api api("GetPrintProcessorDirectoryA");
    if (api.failed())
        return FALSE;
    Environment *env = FindEnvironment(environment);
    if (env == nullptr) {
        SetError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (level != 1) {
        SetError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    return WriteText(ProcessorDirectoryOf(*env), buffer, size, needed);
}

BOOL WINAPI AddPrinterDriverA(LPSTR, DWORD level, LPBYTE driver) {
    Api api("AddPrinterDriverA");
    if (api.failed())
        return FALSE;
    ServiceCall service;
    if (level != 2 && level != 3) {
        SetError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    // Level 2 is the leading part of level 3.
    DRIVER_INFO_3A info = {};
    if (driver != NULL)
        memcpy(&info, driver, level == 3 ? sizeof(DRIVER_INFO_3A) : sizeof(DRIVER_INFO_2A));
    if (driver == NULL || IsEmpty(info.pName) || IsEmpty(info.pDriverPath) ||
        IsEmpty(info.pDataFile) || IsEmpty(info.pConfigFile)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Environment *env = FindEnvironment(info.pEnvironment);
    if (env == nullptr) {
        SetError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    std::vector<std::string> names = {info.pDriverPath, info.pDataFile, info.pConfigFile};
    if (!IsEmpty(info.pHelpFile))
        names.push_back(info.pHelpFile);
    std::vector<std::string> dependents = SplitList(info.pDependentFiles);
    names.insert(names.end(), dependents.begin(), dependents.end());
    std::vector<std::string> found;
    if (!FindDriverFiles(*env, names, found))
        return FALSE;
    if (!IsEmpty(info.pMonitorName) && Spooler().monitors.Find(info.pMonitorName) == nullptr) {
        SetError(ERROR_UNKNOWN_PRINT_MONITOR);
        return FALSE;
    }
    // Installed drivers run from the version directory; the staged files stay for the caller.
    std::string versionDir = DriverDirectoryOf(*env) + "\\" + std::to_string(info.cVersion);
    std::vector<std::string> installed;
    for (size_t i = 0; i < names.size(); ++i) {
        installed.push_back(versionDir + "\\" + found[i]);
        PutFile(installed.back(), FindFile(StagedPath(*env, names[i]))->data);
    }
    DriverInfo record;
    record.name = info.pName;
    record.environment = env->name;
    record.version = info.cVersion;
    record.driverPath = installed[0];
    record.dataFile = installed[1];
    record.configFile = installed[2];
    size_t next = 3;
    if (!IsEmpty(info.pHelpFile))
        record.helpFile = installed[next++];
    record.dependentFiles.assign(installed.begin() + next, installed.end());
    record.monitor = IsEmpty(info.pMonitorName) ? "" : info.pMonitorName;
    record.defaultDatatype = IsEmpty(info.pDefaultDataType) ? "" : info.pDefaultDataType;
    env->drivers.Add(record.name, record);
    return TRUE;
}

BOOL WINAPI DeletePrinterDriverExA(LPSTR, LPSTR environment, LPSTR driverName, DWORD deleteFlag,
                                   DWORD versionFlag) {
    Api api("DeletePrinterDriverExA");
    if (api.failed())
        return FALSE;
    ServiceCall service;
    if (IsEmpty(driverName)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Environment *env = FindEnvironment(environment);
    if (env == nullptr) {
        SetError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    DriverInfo *driver = env->drivers.Find(driverName);
    if (driver == nullptr ||
        ((deleteFlag & DPD_DELETE_SPECIFIC_VERSION) && driver->version != versionFlag)) {
        SetError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
    }
    if (UsedByPrinter(*env, driverName)) {
        SetError(ERROR_PRINTER_DRIVER_IN_USE);
        return FALSE;
    }
    if ((deleteFlag & (DPD_DELETE_UNUSED_FILES | DPD_DELETE_ALL_FILES)) &&
        !DeleteDriverFiles(*env, *driver, (deleteFlag & DPD_DELETE_ALL_FILES) != 0))
        return FALSE;
    env->drivers.Erase(driverName);
    return TRUE;
}

BOOL WINAPI EnumPrinterDriversA(LPSTR, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                                LPDWORD needed, LPDWORD returned) {
    Api api("EnumPrinterDriversA");
    if (api.failed())
        return FALSE;
    std::vector<Environment *> environments;
    if (environment != NULL && Upper(environment) == "ALL")
        environments = {&Spooler().x86, &Spooler().x64};
    else if (FindEnvironment(environment) != nullptr)
        environments = {FindEnvironment(environment)};
    if (environments.empty()) {
        SetError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    std::vector<DriverInfo *> items;
    for (Environment *env : environments)
        for (DriverInfo &driver : env->drivers)
            items.push_back(&driver);
    switch (level) {
    case 1:
        return WriteRecords<DRIVER_INFO_1A>(
            items,
            [](StringArea &area, DRIVER_INFO_1A &record, DriverInfo &driver) {
                record.pName = area.Put(driver.name);
            },
            buffer, size, needed, returned);
    case 2:
        return WriteRecords<DRIVER_INFO_2A>(items, FillDriver<DRIVER_INFO_2A>, buffer, size, needed,
                                            returned);
    case 3:
        return WriteRecords<DRIVER_INFO_3A>(items, FillDriver3<DRIVER_INFO_3A>, buffer, size,
                                            needed, returned);
    case 4:
        // No driver here replaced an older one, so the list of previous names stays empty.
        return WriteRecords<DRIVER_INFO_4A>(items, FillDriver3<DRIVER_INFO_4A>, buffer, size,
                                            needed, returned);
    }
    SetError(ERROR_INVALID_LEVEL);
    return FALSE;
}

BOOL WINAPI GetPrinterDriverDirectoryA(LPSTR, LPSTR environment, DWORD level, LPBYTE buffer,
                                       DWORD size, LPDWORD needed) {
    Api api("GetPrinterDriverDirectoryA");
    if (api.failed())
        return FALSE;
    Environment *env = FindEnvironment(environment);
    if (env == nullptr) {
        SetError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (level != 1) {
        SetError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    return WriteText(DriverDirectoryOf(*env), buffer, size, needed);
}
