// The test side of the simulated print spooler, INF store and device records: build a state,
// read it back. Set-up calls check nothing, so tests can also build states the spooler itself
// would refuse (a printer on a driver that is gone, leftovers of a broken installation).
#pragma once
#include <winsim.h>

#include <string>
#include <vector>

namespace winsim {

extern const char kEnvironmentX86[]; // "Windows NT x86", a 32-bit program's own environment
extern const char kEnvironmentX64[]; // "Windows x64"

// ---- printers, in the spooler's enumeration order (the order they were added)
struct PrinterData {
    std::string name;
    DWORD type; // REG_SZ (data with its NUL) or REG_DWORD (4 bytes)
    std::string data;
};
struct JobInfo {
    DWORD id;
    std::string document;
    DWORD status;
};
struct PrinterInfo {
    std::string name, driver, port = "LPT1:", processor = "WinPrint", datatype = "RAW";
    std::string share, comment, location, sepFile, parameters;
    DWORD attributes = 0, priority = 1, defaultPriority = 0, startTime = 0, untilTime = 0;
    bool pendingDeletion = false; // deleted while jobs or handles remain
    std::vector<JobInfo> jobs;
    std::vector<PrinterData> data;
};
void AddPrinter(const PrinterInfo &printer);
std::vector<PrinterInfo> Printers();
void SetPrinterDword(const std::string &printer, const std::string &value, DWORD data);
void SetPrinterString(const std::string &printer, const std::string &value,
                      const std::string &data);
DWORD AddJob(const std::string &printer, const std::string &document); // the new job's id
// The printer prints its whole queue; a printer deleted meanwhile then goes once no handle is left.
void FinishJobs(const std::string &printer);

// ---- printer drivers of one environment
struct DriverInfo {
    std::string name;
    std::string environment = kEnvironmentX86;
    DWORD version = 3;
    // Bare names on set-up (put into the version directory with a small content); full paths in
    // the version directory when read back.
    std::string driverPath = "UNIDRV.DLL", dataFile = "STDNAMES.GPD", configFile = "UNIDRVUI.DLL";
    std::string helpFile;
    std::vector<std::string> dependentFiles;
    std::string monitor, defaultDatatype;
};
void AddDriver(const DriverInfo &driver);
std::vector<DriverInfo> Drivers(const std::string &environment);
std::string DriverDirectory(const std::string &environment);    // ...\spool\DRIVERS\W32X86
std::string ProcessorDirectory(const std::string &environment); // ...\spool\prtprocs\w32x86

// ---- monitors, print processors, ports and forms
struct MonitorInfo {
    std::string name, environment, dll;
};
void AddMonitor(const MonitorInfo &monitor);
std::vector<MonitorInfo> Monitors();
void AddPrintProcessor(const std::string &environment, const std::string &name,
                       const std::string &dll);
std::vector<std::string> PrintProcessors(const std::string &environment);
void AddPort(const std::string &name, const std::string &monitor = "Local Port");
std::vector<std::string> Ports();
void AddForm(const std::string &name, LONG width = 80000, LONG height = 200000); // a user form
std::vector<std::string> FormNames(); // built-in forms first

// ---- the INF store (<Windows directory>\inf)
std::string InfDirectory();
// Stores the text as the lowest free oem<N>.inf with its .PNF and returns that name. Each call
// looks through the store, as Windows does; for thousands of INFs put the files directly.
std::string StoreOemInf(const std::string &text);
std::vector<std::string> InfNames(); // the *.inf files of the store as named on the disk

// ---- device records of the plug-and-play manager
struct DeviceInfo {
    std::string instanceId; // for example USB\VID_7A3C&PID_0002\5&2A3B&0&1
    std::vector<std::string> hardwareIds;
    bool present = true;
    std::string enumerator = "USB";
    std::string inf; // the OEM INF the device was installed from, if any
};
void AddDevice(const DeviceInfo &device);
std::vector<DeviceInfo> Devices();

// The spooler service: running on a fresh machine, stopped and started by the programs' "net"
// commands. While stopped its calls fail with RPC_S_SERVER_UNAVAILABLE; they are counted.
bool SpoolerRunning();
int RefusedSpoolerCalls();

// Every spooler object and device record as one line of text, kind by kind in a fixed order:
// two equal lists are two equal states.
std::vector<std::string> PrintState();

} // namespace winsim
