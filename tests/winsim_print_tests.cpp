// The simulated spooler, INF store and device records keep the documented contracts the programs
// rely on: size queries, record layouts, error codes and naming.
#include <setupapi.h>
#include <winsim_print.h>
#include <winspool.h>

#include <string.h>

#include <algorithm>
#include <set>

#include "harness.h"

namespace {

using winsim::kEnvironmentX64;
using winsim::kEnvironmentX86;
const char kUnknownEnvironment[] = "Windows NT z80";

// An enumeration's buffer after the size query and the real call.
struct Listing {
    std::vector<BYTE> buffer;
    DWORD count = 0;
    template <class Record> const Record &At(size_t i) const {
        return ((const Record *)buffer.data())[i];
    }
    // A string of the listing lies behind all records and ends inside the buffer.
    template <class Record> bool HoldsString(LPCSTR text) const {
        const BYTE *first = buffer.data() + count * sizeof(Record);
        const BYTE *end = buffer.data() + buffer.size();
        return (const BYTE *)text >= first && (const BYTE *)text + strlen(text) < end;
    }
};

template <class Call> Listing List(Call call) {
    Listing listing;
    DWORD needed = 0;
    if (!call(NULL, 0, &needed, &listing.count)) {
        EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
        EXPECT_EQ(0u, listing.count);
    }
    listing.buffer.resize(needed);
    EXPECT_TRUE(call(listing.buffer.data(), needed, &needed, &listing.count));
    EXPECT_EQ(listing.buffer.size(), needed);
    return listing;
}

Listing ListPrinters(DWORD level) {
    return List([level](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, level, buffer, size, needed, returned);
    });
}

Listing ListDrivers(LPCSTR environment, DWORD level) {
    return List([=](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return EnumPrinterDriversA(NULL, (LPSTR)environment, level, buffer, size, needed, returned);
    });
}

std::string DriverDirectory(LPCSTR environment) {
    char path[MAX_PATH] = "";
    DWORD needed = 0;
    EXPECT_TRUE(GetPrinterDriverDirectoryA(NULL, (LPSTR)environment, 1, (LPBYTE)path, sizeof path,
                                           &needed));
    return path;
}

void Stage(const std::string &directory, const std::vector<std::string> &names) {
    for (const std::string &name : names)
        winsim::PutFile(directory + "\\" + name, "staged " + name);
}

DRIVER_INFO_3A DriverRecord(LPCSTR environment) {
    DRIVER_INFO_3A info = {};
    info.cVersion = 3;
    info.pName = (LPSTR) "KESTORA QMR-640";
    info.pEnvironment = (LPSTR)environment;
    info.pDriverPath = (LPSTR) "UNIDRV.DLL";
    info.pDataFile = (LPSTR) "QMR640.GPD";
    info.pConfigFile = (LPSTR) "UNIDRVUI.DLL";
    info.pHelpFile = (LPSTR) "UNIDRV.HLP";
    info.pDependentFiles = (LPSTR) "UNIRES.DLL\0QMR640.DLL\0";
    info.pMonitorName = (LPSTR) "KST Language Monitor QMR640";
    info.pDefaultDataType = (LPSTR) "RAW";
    return info;
}
const std::vector<std::string> kDriverFiles = {"UNIDRV.DLL", "QMR640.GPD", "UNIDRVUI.DLL",
                                               "UNIDRV.HLP", "UNIRES.DLL", "QMR640.dll"};

PRINTER_INFO_2A PrinterRecord(LPCSTR name, LPCSTR driver, LPCSTR port) {
    PRINTER_INFO_2A info = {};
    info.pPrinterName = (LPSTR)name;
    info.pPortName = (LPSTR)port;
    info.pDriverName = (LPSTR)driver;
    info.pPrintProcessor = (LPSTR) "WinPrint";
    info.pDatatype = (LPSTR) "RAW";
    info.Attributes = PRINTER_ATTRIBUTE_ENABLE_BIDI | PRINTER_ATTRIBUTE_RAW_ONLY;
    info.Priority = 1;
    info.Status = 0x80;
    return info;
}

HANDLE Open(const char *name) {
    PRINTER_DEFAULTSA defaults = {(LPSTR) "RAW", NULL, PRINTER_ALL_ACCESS};
    HANDLE handle = NULL;
    EXPECT_TRUE(OpenPrinterA((LPSTR)name, &handle, &defaults)) << name;
    return handle;
}

winsim::DriverInfo Driver(const std::string &name, const std::string &dataFile = "QMR640.GPD") {
    winsim::DriverInfo driver;
    driver.name = name;
    driver.dataFile = dataFile;
    return driver;
}

winsim::PrinterInfo Printer(const std::string &name, const std::string &driver) {
    winsim::PrinterInfo printer;
    printer.name = name;
    printer.driver = driver;
    return printer;
}

using SimulatedSpooler = MachineTest;

TEST_F(SimulatedSpooler, EnumPrintersAsksForTheSizeThenLaysStringsBehindTheRecords) {
    DWORD needed = 1, returned = 1;
    EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned));
    EXPECT_EQ(0u, needed);
    EXPECT_EQ(0u, returned);

    winsim::PrinterInfo first = Printer("Receipts", "KESTORA QMR-640");
    first.comment = "front desk";
    first.attributes = 0x1800;
    winsim::AddPrinter(first);
    winsim::AddPrinter(Printer("Labels", "Other Driver"));
    winsim::AddJob("Labels", "label 1");
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    std::vector<BYTE> small(needed - 1);
    EXPECT_FALSE(
        EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, small.data(), needed - 1, &needed, &returned));
    EXPECT_EQ(0u, returned);

    Listing printers = ListPrinters(2);
    ASSERT_EQ(2u, printers.count);
    const PRINTER_INFO_2A &a = printers.At<PRINTER_INFO_2A>(0);
    const PRINTER_INFO_2A &b = printers.At<PRINTER_INFO_2A>(1);
    EXPECT_STREQ("Receipts", a.pPrinterName); // in the order they were added
    EXPECT_STREQ("KESTORA QMR-640", a.pDriverName);
    EXPECT_STREQ("LPT1:", a.pPortName);
    EXPECT_STREQ("WinPrint", a.pPrintProcessor);
    EXPECT_STREQ("front desk", a.pComment);
    EXPECT_EQ(nullptr, a.pShareName);
    EXPECT_EQ(0x1800u, a.Attributes);
    EXPECT_STREQ("Labels", b.pPrinterName);
    EXPECT_EQ(1u, b.cJobs);
    for (const PRINTER_INFO_2A *record : {&a, &b})
        for (LPCSTR text : {record->pPrinterName, record->pDriverName, record->pPortName,
                            record->pPrintProcessor, record->pDatatype})
            EXPECT_TRUE(printers.HoldsString<PRINTER_INFO_2A>(text)) << text;

    Listing names = ListPrinters(4);
    ASSERT_EQ(2u, names.count);
    EXPECT_STREQ("Labels", names.At<PRINTER_INFO_4A>(1).pPrinterName);
    EXPECT_EQ(0x1840u, names.At<PRINTER_INFO_4A>(0).Attributes); // local printers say so
    EXPECT_STREQ("Receipts", ListPrinters(1).At<PRINTER_INFO_1A>(0).pName);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 3, NULL, 0, &needed, &returned));
    EXPECT_EQ(DWORD(ERROR_INVALID_LEVEL), GetLastError());
}

TEST_F(SimulatedSpooler, DirectoriesFollowTheEnvironmentAndDefaultToThe32BitOne) {
    winsim::SetWow64(true);
    EXPECT_EQ("C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86", DriverDirectory(NULL));
    EXPECT_EQ("C:\\WINDOWS\\system32\\spool\\DRIVERS\\x64", DriverDirectory(kEnvironmentX64));
    EXPECT_TRUE(winsim::IsDirectory(DriverDirectory(kEnvironmentX64)));
    char path[8];
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterDriverDirectoryA(NULL, NULL, 1, (LPBYTE)path, sizeof path, &needed));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(DriverDirectory(NULL).size() + 1, needed);
    EXPECT_FALSE(GetPrinterDriverDirectoryA(NULL, (LPSTR)kUnknownEnvironment, 1, (LPBYTE)path,
                                            sizeof path, &needed));
    EXPECT_EQ(DWORD(ERROR_INVALID_ENVIRONMENT), GetLastError());
    char processors[MAX_PATH];
    EXPECT_TRUE(GetPrintProcessorDirectoryA(NULL, (LPSTR)kEnvironmentX64, 1, (LPBYTE)processors,
                                            sizeof processors, &needed));
    EXPECT_STREQ("C:\\WINDOWS\\system32\\spool\\prtprocs\\x64", processors);
    EXPECT_FALSE(
        GetPrintProcessorDirectoryA(NULL, NULL, 2, (LPBYTE)processors, sizeof processors, &needed));
    EXPECT_EQ(DWORD(ERROR_INVALID_LEVEL), GetLastError());
}

TEST_F(SimulatedSpooler, AddPrinterDriverInstallsStagedFilesIntoVersionThree) {
    std::string staging = DriverDirectory(NULL);
    Stage(staging, {"UNIDRV.DLL", "QMR640.GPD", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL"});
    DRIVER_INFO_3A info = DriverRecord(NULL);
    EXPECT_FALSE(AddPrinterDriverA(NULL, 3, (LPBYTE)&info)); // QMR640.DLL is not staged
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    Stage(staging, {"QMR640.dll"});
    EXPECT_FALSE(AddPrinterDriverA(NULL, 3, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_UNKNOWN_PRINT_MONITOR), GetLastError());
    winsim::AddMonitor({"KST Language Monitor QMR640", kEnvironmentX86, "MON640.dll"});
    info.pEnvironment = (LPSTR)kUnknownEnvironment;
    EXPECT_FALSE(AddPrinterDriverA(NULL, 3, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_INVALID_ENVIRONMENT), GetLastError());
    info.pEnvironment = (LPSTR)kEnvironmentX86;
    ASSERT_TRUE(AddPrinterDriverA(NULL, 3, (LPBYTE)&info));
    for (const std::string &name : kDriverFiles) {
        EXPECT_EQ("staged " + name, winsim::FileContent(staging + "\\3\\" + name)) << name;
        EXPECT_TRUE(winsim::Exists(staging + "\\" + name)) << name; // left for the caller
    }

    Listing drivers = ListDrivers(NULL, 3);
    ASSERT_EQ(1u, drivers.count);
    const DRIVER_INFO_3A &driver = drivers.At<DRIVER_INFO_3A>(0);
    EXPECT_EQ(3u, driver.cVersion);
    EXPECT_STREQ("KESTORA QMR-640", driver.pName);
    EXPECT_STREQ(kEnvironmentX86, driver.pEnvironment);
    EXPECT_EQ(staging + "\\3\\UNIDRV.DLL", driver.pDriverPath);
    EXPECT_EQ(staging + "\\3\\UNIDRV.HLP", driver.pHelpFile);
    EXPECT_EQ(staging + "\\3\\UNIRES.DLL", std::string(driver.pDependentFiles));
    LPCSTR second = driver.pDependentFiles + strlen(driver.pDependentFiles) + 1;
    EXPECT_EQ(staging + "\\3\\QMR640.dll", std::string(second));
    EXPECT_EQ('\0', second[strlen(second) + 1]);
    EXPECT_STREQ("KST Language Monitor QMR640", driver.pMonitorName);
    EXPECT_STREQ("RAW", driver.pDefaultDataType);
    EXPECT_TRUE(drivers.HoldsString<DRIVER_INFO_3A>(driver.pConfigFile));
    EXPECT_STREQ("KESTORA QMR-640", ListDrivers(NULL, 4).At<DRIVER_INFO_4A>(0).pName);
    EXPECT_EQ(0u, ListDrivers(kEnvironmentX64, 3).count);
}

TEST_F(SimulatedSpooler, UnderWow64PrintersNeedA64BitDriverStagedForThatEnvironment) {
    winsim::SetWow64(true);
    winsim::AddMonitor({"KST Language Monitor QMR640", kEnvironmentX64, "MON640.dll"});
    Stage(DriverDirectory(NULL), kDriverFiles);
    DRIVER_INFO_3A info = DriverRecord(kEnvironmentX64);
    EXPECT_FALSE(AddPrinterDriverA(NULL, 3, (LPBYTE)&info)); // staged for the 32-bit one only
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    Stage(DriverDirectory(kEnvironmentX64), kDriverFiles);
    ASSERT_TRUE(AddPrinterDriverA(NULL, 3, (LPBYTE)&info));
    EXPECT_EQ(0u, ListDrivers(NULL, 3).count);
    EXPECT_EQ(1u, ListDrivers(kEnvironmentX64, 3).count);
    EXPECT_EQ(1u, ListDrivers("all", 1).count);

    winsim::AddDriver(Driver("X86 Only"));
    PRINTER_INFO_2A printer = PrinterRecord("P32", "X86 Only", "COM1:");
    EXPECT_EQ(nullptr, AddPrinterA(NULL, 2, (LPBYTE)&printer));
    EXPECT_EQ(DWORD(ERROR_UNKNOWN_PRINTER_DRIVER), GetLastError());
    printer = PrinterRecord("P64", "KESTORA QMR-640", "COM1:");
    HANDLE handle = AddPrinterA(NULL, 2, (LPBYTE)&printer);
    ASSERT_NE(HANDLE(NULL), handle);
    EXPECT_TRUE(ClosePrinter(handle));
}

TEST_F(SimulatedSpooler, DriverDeletionIsRefusedWhileAPrinterUsesIt) {
    winsim::AddDriver(Driver("KESTORA QMR-640"));
    std::string version3 = DriverDirectory(NULL) + "\\3\\";
    PRINTER_INFO_2A printer = PrinterRecord("KESTORA QMR-640", "KESTORA QMR-640", "COM1:");
    ASSERT_TRUE(ClosePrinter(AddPrinterA(NULL, 2, (LPBYTE)&printer)));
    EXPECT_FALSE(
        DeletePrinterDriverExA(NULL, NULL, (LPSTR) "KESTORA QMR-640", DPD_DELETE_ALL_FILES, 3));
    EXPECT_EQ(DWORD(ERROR_PRINTER_DRIVER_IN_USE), GetLastError());
    EXPECT_FALSE(DeletePrinterDriverExA(NULL, NULL, (LPSTR) "KESTORA QMR-641", 0, 0));
    EXPECT_EQ(DWORD(ERROR_UNKNOWN_PRINTER_DRIVER), GetLastError());
    EXPECT_FALSE(DeletePrinterDriverExA(NULL, NULL, (LPSTR) "KESTORA QMR-640",
                                        DPD_DELETE_SPECIFIC_VERSION, 2));
    EXPECT_EQ(DWORD(ERROR_UNKNOWN_PRINTER_DRIVER), GetLastError());

    HANDLE handle = Open("KESTORA QMR-640");
    EXPECT_TRUE(DeletePrinter(handle));
    EXPECT_TRUE(ClosePrinter(handle));
    EXPECT_TRUE(winsim::Printers().empty());
    EXPECT_TRUE(
        DeletePrinterDriverExA(NULL, NULL, (LPSTR) "KESTORA QMR-640", DPD_DELETE_ALL_FILES, 3));
    EXPECT_TRUE(winsim::Drivers(kEnvironmentX86).empty());
    EXPECT_FALSE(winsim::Exists(version3 + "UNIDRV.DLL"));
    EXPECT_FALSE(winsim::Exists(version3 + "QMR640.GPD"));
}

TEST_F(SimulatedSpooler, DriverFilesSharedWithAnotherDriverStay) {
    winsim::AddDriver(Driver("A", "A.GPD"));
    winsim::AddDriver(Driver("B", "B.GPD"));
    std::string version3 = DriverDirectory(NULL) + "\\3\\";
    EXPECT_FALSE(DeletePrinterDriverExA(NULL, NULL, (LPSTR) "A", DPD_DELETE_ALL_FILES, 0));
    EXPECT_EQ(DWORD(ERROR_PRINTER_DRIVER_IN_USE), GetLastError());
    EXPECT_EQ(2u, winsim::Drivers(kEnvironmentX86).size());
    EXPECT_TRUE(DeletePrinterDriverExA(NULL, NULL, (LPSTR) "A", DPD_DELETE_UNUSED_FILES, 0));
    EXPECT_FALSE(winsim::Exists(version3 + "A.GPD"));
    EXPECT_TRUE(winsim::Exists(version3 + "UNIDRV.DLL"));
    EXPECT_TRUE(DeletePrinterDriverExA(NULL, NULL, (LPSTR) "b", 0, 0)); // names ignore case
    EXPECT_TRUE(winsim::Exists(version3 + "B.GPD"));                    // no files asked for
}

TEST_F(SimulatedSpooler, MonitorsNeedTheirLibraryAndAFreeName) {
    MONITOR_INFO_2A info = {(LPSTR) "KST Language Monitor QMR640", (LPSTR)kEnvironmentX86,
                            (LPSTR) "MON640.dll"};
    EXPECT_FALSE(AddMonitorA(NULL, 2, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError());
    winsim::PutFile("C:\\WINDOWS\\MON640.dll", "monitor");
    EXPECT_FALSE(AddMonitorA(NULL, 1, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_INVALID_LEVEL), GetLastError());
    info.pEnvironment = (LPSTR)kEnvironmentX64; // not the 32-bit spooler's own
    EXPECT_FALSE(AddMonitorA(NULL, 2, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_INVALID_ENVIRONMENT), GetLastError());
    info.pEnvironment = (LPSTR)kEnvironmentX86;
    EXPECT_TRUE(AddMonitorA(NULL, 2, (LPBYTE)&info));
    EXPECT_FALSE(AddMonitorA(NULL, 2, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_PRINT_MONITOR_ALREADY_INSTALLED), GetLastError());

    EXPECT_FALSE(DeleteMonitorA(NULL, NULL, (LPSTR) "No Monitor"));
    EXPECT_EQ(DWORD(ERROR_UNKNOWN_PRINT_MONITOR), GetLastError());
    EXPECT_FALSE(DeleteMonitorA(NULL, NULL, (LPSTR) "Local Port")); // its ports use it
    EXPECT_EQ(DWORD(ERROR_PRINT_MONITOR_IN_USE), GetLastError());
    winsim::DriverInfo driver = Driver("KESTORA QMR-640");
    driver.monitor = info.pName;
    winsim::AddDriver(driver);
    EXPECT_FALSE(DeleteMonitorA(NULL, NULL, info.pName));
    EXPECT_EQ(DWORD(ERROR_PRINT_MONITOR_IN_USE), GetLastError());
    ASSERT_TRUE(DeletePrinterDriverExA(NULL, NULL, driver.name.data(), 0, 0));
    EXPECT_TRUE(DeleteMonitorA(NULL, NULL, info.pName));
    EXPECT_EQ(1u, winsim::Monitors().size());
}

TEST_F(SimulatedSpooler, TheSpoolerLooksForMonitorsInTheNativeSystemDirectory) {
    winsim::SetWow64(true);
    winsim::PutFile("C:\\WINDOWS\\SysWOW64\\MON32.dll", "32-bit copy");
    winsim::PutFile("C:\\WINDOWS\\system32\\MON64.dll", "64-bit copy");
    RunInInstaller([] {
        MONITOR_INFO_2A info = {(LPSTR) "M32", (LPSTR)kEnvironmentX64, (LPSTR) "MON32.dll"};
        EXPECT_FALSE(AddMonitorA(NULL, 2, (LPBYTE)&info)); // where the program's system32 is
        EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError());
        info = {(LPSTR) "M64", (LPSTR)kEnvironmentX64, (LPSTR) "MON64.dll"};
        EXPECT_TRUE(AddMonitorA(NULL, 2, (LPBYTE)&info));
    });
}

TEST_F(SimulatedSpooler, PrintProcessorsLoadFromTheirEnvironmentsDirectory) {
    LPSTR name = (LPSTR) "KST PRINT PROCESSOR QMR640";
    EXPECT_FALSE(AddPrintProcessorA(NULL, NULL, (LPSTR) "PRO640.dll", name));
    EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError());
    EXPECT_FALSE(AddPrintProcessorA(NULL, (LPSTR)kUnknownEnvironment, (LPSTR) "PRO640.dll", name));
    EXPECT_EQ(DWORD(ERROR_INVALID_ENVIRONMENT), GetLastError());
    winsim::PutFile(winsim::ProcessorDirectory(kEnvironmentX86) + "\\PRO640.dll", "processor");
    EXPECT_TRUE(AddPrintProcessorA(NULL, (LPSTR)kEnvironmentX86, (LPSTR) "PRO640.dll", name));
    EXPECT_FALSE(AddPrintProcessorA(NULL, NULL, (LPSTR) "PRO640.dll", name));
    EXPECT_EQ(DWORD(ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED), GetLastError());

    Listing processors = List([](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return EnumPrintProcessorsA(NULL, NULL, 1, buffer, size, needed, returned);
    });
    ASSERT_EQ(2u, processors.count);
    EXPECT_STREQ("WinPrint", processors.At<PRINTPROCESSOR_INFO_1A>(0).pName);
    EXPECT_STREQ(name, processors.At<PRINTPROCESSOR_INFO_1A>(1).pName);
    EXPECT_EQ(std::vector<std::string>{"WinPrint"}, winsim::PrintProcessors(kEnvironmentX64));
    EXPECT_FALSE(DeletePrintProcessorA(NULL, NULL, (LPSTR) "KST PRINT PROCESSOR"));
    EXPECT_EQ(DWORD(ERROR_UNKNOWN_PRINTPROCESSOR), GetLastError());
    EXPECT_TRUE(DeletePrintProcessorA(NULL, NULL, name));
    EXPECT_TRUE(winsim::Exists(winsim::ProcessorDirectory(kEnvironmentX86) + "\\PRO640.dll"));
}

TEST_F(SimulatedSpooler, AddPrinterChecksEveryObjectItNames) {
    winsim::AddDriver(Driver("KESTORA QMR-640"));
    PRINTER_INFO_2A info = PrinterRecord("KESTORA QMR-640", "KESTORA QMR-640", "COM9:");
    EXPECT_EQ(nullptr, AddPrinterA(NULL, 2, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_UNKNOWN_PORT), GetLastError());
    info.pPortName = (LPSTR) "LPT2:";
    info.pDriverName = (LPSTR) "KESTORA QMR-64";
    EXPECT_EQ(nullptr, AddPrinterA(NULL, 2, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_UNKNOWN_PRINTER_DRIVER), GetLastError());
    info.pDriverName = (LPSTR) "KESTORA QMR-640";
    info.pPrintProcessor = (LPSTR) "KST PRINT PROCESSOR QMR640";
    EXPECT_EQ(nullptr, AddPrinterA(NULL, 2, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_UNKNOWN_PRINTPROCESSOR), GetLastError());
    info.pPrintProcessor = (LPSTR) "WinPrint";
    info.pPrinterName = (LPSTR) "A,B";
    EXPECT_EQ(nullptr, AddPrinterA(NULL, 2, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_INVALID_PRINTER_NAME), GetLastError());
    info.pPrinterName = (LPSTR) "KESTORA QMR-640";
    HANDLE handle = AddPrinterA(NULL, 2, (LPBYTE)&info);
    ASSERT_NE(HANDLE(NULL), handle);
    EXPECT_TRUE(ClosePrinter(handle));
    EXPECT_FALSE(ClosePrinter(handle));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    info.pPrinterName = (LPSTR) "kestora qmr-640";
    EXPECT_EQ(nullptr, AddPrinterA(NULL, 2, (LPBYTE)&info));
    EXPECT_EQ(DWORD(ERROR_PRINTER_ALREADY_EXISTS), GetLastError());

    std::vector<winsim::PrinterInfo> printers = winsim::Printers();
    ASSERT_EQ(1u, printers.size());
    EXPECT_EQ("LPT2:", printers[0].port);
    EXPECT_EQ("RAW", printers[0].datatype);
    EXPECT_EQ(0x1800u, printers[0].attributes);
    EXPECT_EQ(0u, ListPrinters(2).At<PRINTER_INFO_2A>(0).Status); // the caller's 0x80 is ignored
    HANDLE missing = NULL;
    EXPECT_FALSE(OpenPrinterA((LPSTR) "KESTORA QMR-640(#1)", &missing, NULL));
    EXPECT_EQ(DWORD(ERROR_INVALID_PRINTER_NAME), GetLastError());
}

TEST_F(SimulatedSpooler, APrinterDeletedWithJobsGoesWhenTheyAreDone) {
    winsim::AddPrinter(Printer("Busy", "D"));
    winsim::AddPrinter(Printer("Idle", "D"));
    winsim::AddJob("Busy", "receipt");
    HANDLE busy = Open("Busy");
    EXPECT_TRUE(DeletePrinter(busy));
    EXPECT_TRUE(ClosePrinter(busy));
    ASSERT_EQ(2u, winsim::Printers().size());
    EXPECT_TRUE(winsim::Printers()[0].pendingDeletion);
    EXPECT_EQ(DWORD(PRINTER_STATUS_PENDING_DELETION),
              ListPrinters(2).At<PRINTER_INFO_2A>(0).Status);
    HANDLE again = NULL;
    EXPECT_FALSE(OpenPrinterA((LPSTR) "Busy", &again, NULL));
    winsim::FinishJobs("Busy");
    EXPECT_EQ(1u, winsim::Printers().size());

    HANDLE user = NULL;
    ASSERT_TRUE(OpenPrinterA((LPSTR) "Idle", &user, NULL)); // PRINTER_ACCESS_USE only
    EXPECT_FALSE(DeletePrinter(user));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    HANDLE idle = Open("Idle");
    EXPECT_TRUE(DeletePrinter(idle));
    EXPECT_TRUE(ClosePrinter(idle));
    EXPECT_EQ(1u, winsim::Printers().size()); // the other handle is still open
    EXPECT_TRUE(ClosePrinter(user));
    EXPECT_TRUE(winsim::Printers().empty());
}

// Every kind of handle a program opens is told apart, listed when its process ends with it open,
// and then closed by the system: a printer deleted meanwhile goes, and with it the hold on its
// driver, which could not be deleted while the printer was pending.
TEST_F(SimulatedSpooler, HandlesLeftOpenAreListedAndClosedWithTheProcess) {
    winsim::AddDriver(Driver("D"));
    winsim::AddPrinter(Printer("Pending", "D"));
    winsim::PutFile("C:\\Media\\P.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
    winsim::RunProcess(InstallerModule(), [] {
        HKEY key = NULL;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key);
        HANDLE token = NULL, server = NULL;
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
        OpenPrinterA(NULL, &server, NULL);
        SetupOpenInfFileA("C:\\Media\\P.inf", NULL, INF_STYLE_WIN4, NULL);
        SetupDiGetClassDevsA(NULL, "USB", NULL, DIGCF_ALLCLASSES);
        WIN32_FIND_DATAA found;
        FindFirstFileA("C:\\Media\\*", &found);
        CreateFileA("C:\\Media\\new.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child = {};
        CreateProcessA(NULL, (LPSTR) "child.exe", NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                       &child);
        HANDLE deleting = Open("Pending"), holding = Open("Pending");
        EXPECT_TRUE(DeletePrinter(deleting));
        EXPECT_TRUE(ClosePrinter(deleting));
        EXPECT_FALSE(DeletePrinterDriverExA(NULL, NULL, (LPSTR) "D", 0, 0));
        EXPECT_EQ(DWORD(ERROR_PRINTER_DRIVER_IN_USE), GetLastError());
        (void)holding;
    });
    std::vector<std::string> left = winsim::HandlesLeftOpen();
    std::set<std::string> kinds;
    for (const std::string &handle : left)
        kinds.insert(handle.substr(0, handle.find(" (")));
    EXPECT_EQ(std::set<std::string>(winsim::kHandleKinds,
                                    winsim::kHandleKinds + winsim::kHandleKindCount),
              kinds);
    EXPECT_EQ(2, std::count(left.begin(), left.end(), "printer (OpenPrinterA)"));
    EXPECT_TRUE(winsim::Printers().empty());
    EXPECT_TRUE(DeletePrinterDriverExA(NULL, NULL, (LPSTR) "D", 0, 0));
}

TEST_F(SimulatedSpooler, JobsAreListedFromAnIndexAndDeletedById) {
    winsim::AddPrinter(Printer("Receipts", "D"));
    DWORD first = winsim::AddJob("Receipts", "one");
    DWORD second = winsim::AddJob("Receipts", "two");
    DWORD third = winsim::AddJob("Receipts", "three");
    HANDLE handle = Open("Receipts");
    Listing tail = List([handle](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return EnumJobsA(handle, 1, 1000, 3, buffer, size, needed, returned);
    });
    ASSERT_EQ(2u, tail.count);
    EXPECT_EQ(second, tail.At<JOB_INFO_3>(0).JobId);
    EXPECT_EQ(third, tail.At<JOB_INFO_3>(0).NextJobId);
    EXPECT_EQ(0u, tail.At<JOB_INFO_3>(1).NextJobId);
    Listing head = List([handle](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return EnumJobsA(handle, 0, 1, 1, buffer, size, needed, returned);
    });
    ASSERT_EQ(1u, head.count);
    EXPECT_STREQ("one", head.At<JOB_INFO_1A>(0).pDocument);
    EXPECT_STREQ("Receipts", head.At<JOB_INFO_1A>(0).pPrinterName);
    EXPECT_EQ(1u, head.At<JOB_INFO_1A>(0).Position);

    EXPECT_TRUE(SetJobA(handle, second, 0, NULL, JOB_CONTROL_DELETE));
    EXPECT_FALSE(SetJobA(handle, second, 0, NULL, JOB_CONTROL_DELETE));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_TRUE(SetJobA(handle, first, 0, NULL, JOB_CONTROL_CANCEL));
    ASSERT_EQ(1u, winsim::Printers()[0].jobs.size());
    EXPECT_EQ(third, winsim::Printers()[0].jobs[0].id);
    EXPECT_TRUE(ClosePrinter(handle));

    HANDLE server = NULL;
    ASSERT_TRUE(OpenPrinterA(NULL, &server, NULL));
    DWORD needed = 0, returned = 0;
    EXPECT_FALSE(EnumJobsA(server, 0, 1000, 3, NULL, 0, &needed, &returned));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_TRUE(ClosePrinter(server));
}

TEST_F(SimulatedSpooler, PrinterDataComesWithItsTypeAndSize) {
    winsim::AddPrinter(Printer("Receipts", "D"));
    winsim::SetPrinterDword("Receipts", "MajorVersion", 4294967295u);
    winsim::SetPrinterString("Receipts", "Model", "QMR-640");
    HANDLE handle = Open("Receipts");
    DWORD value = 0, type = 0, needed = 0;
    EXPECT_EQ(DWORD(ERROR_SUCCESS), GetPrinterDataA(handle, (LPSTR) "majorversion", &type,
                                                    (LPBYTE)&value, sizeof value, &needed));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ(4294967295u, value);
    EXPECT_EQ(4u, needed);
    char text[4];
    EXPECT_EQ(DWORD(ERROR_MORE_DATA),
              GetPrinterDataA(handle, (LPSTR) "Model", &type, (LPBYTE)text, sizeof text, &needed));
    EXPECT_EQ(8u, needed);
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND),
              GetPrinterDataA(handle, (LPSTR) "ExtraVersion", &type, (LPBYTE)&value, 4, &needed));
    EXPECT_TRUE(ClosePrinter(handle));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE),
              GetPrinterDataA(NULL, (LPSTR) "MajorVersion", &type, (LPBYTE)&value, 4, &needed));
}

TEST_F(SimulatedSpooler, OnlyUserFormsCanBeDeleted) {
    winsim::AddForm("Roll [640] 80mm");
    HANDLE server = NULL;
    ASSERT_TRUE(OpenPrinterA(NULL, &server, NULL));
    Listing forms = List([server](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return EnumFormsA(server, 1, buffer, size, needed, returned);
    });
    ASSERT_LT(2u, forms.count);
    const FORM_INFO_1A &user = forms.At<FORM_INFO_1A>(forms.count - 1);
    EXPECT_STREQ("Roll [640] 80mm", user.pName);
    EXPECT_EQ(DWORD(FORM_USER), user.Flags);
    EXPECT_TRUE(forms.HoldsString<FORM_INFO_1A>(user.pName));
    bool a4 = false;
    for (DWORD i = 0; i + 1 < forms.count; ++i) {
        const FORM_INFO_1A &form = forms.At<FORM_INFO_1A>(i);
        EXPECT_EQ(DWORD(FORM_BUILTIN), form.Flags) << form.pName;
        if (strcmp(form.pName, "A4") == 0)
            a4 = form.Size.cx == 210000 && form.Size.cy == 297000;
    }
    EXPECT_TRUE(a4);
    EXPECT_FALSE(DeleteFormA(server, (LPSTR) "A4"));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(DeleteFormA(server, (LPSTR) "Roll [640]"));
    EXPECT_EQ(DWORD(ERROR_INVALID_FORM_NAME), GetLastError());
    EXPECT_TRUE(DeleteFormA(server, (LPSTR) "Roll [640] 80mm"));
    EXPECT_EQ(forms.count - 1, winsim::FormNames().size());
    EXPECT_TRUE(ClosePrinter(server));
    DWORD needed = 0, returned = 0;
    EXPECT_FALSE(EnumFormsA(NULL, 1, NULL, 0, &needed, &returned));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(SimulatedSpooler, RemovingWhatWasAddedRestoresTheListedState) {
    std::vector<std::string> before = winsim::PrintState();
    winsim::AddMonitor({"LM", kEnvironmentX86, "lm.dll"});
    winsim::AddDriver(Driver("D"));
    winsim::AddPrinter(Printer("P", "D"));
    winsim::AddForm("F");
    winsim::AddDevice({"USB\\VID_1&PID_2\\1", {"USB\\VID_1&PID_2"}, true, "USB", ""});
    std::vector<std::string> during = winsim::PrintState();
    EXPECT_EQ(before.size() + 5, during.size());

    HANDLE printer = Open("P");
    EXPECT_TRUE(DeletePrinter(printer));
    EXPECT_TRUE(ClosePrinter(printer));
    EXPECT_TRUE(DeletePrinterDriverExA(NULL, NULL, (LPSTR) "D", DPD_DELETE_ALL_FILES, 3));
    EXPECT_TRUE(DeleteMonitorA(NULL, NULL, (LPSTR) "LM"));
    HANDLE server = NULL;
    EXPECT_TRUE(OpenPrinterA(NULL, &server, NULL));
    EXPECT_TRUE(DeleteFormA(server, (LPSTR) "F"));
    EXPECT_TRUE(ClosePrinter(server));
    HDEVINFO set = SetupDiGetClassDevsA(NULL, "USB", NULL, DIGCF_ALLCLASSES);
    SP_DEVINFO_DATA data = {sizeof data, {}, 0, 0};
    EXPECT_TRUE(SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_TRUE(SetupDiRemoveDevice(set, &data));
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(before, winsim::PrintState());
}

// ---- the INF store

const char kInf[] = "; a driver package\r\n"
                    "[Version]\r\n"
                    "Signature=\"$Windows NT$\"\r\n"
                    "Class=Printer\r\n"
                    "[Manufacturer]\r\n"
                    "%MAKER% = KESTORA ; the models section\r\n"
                    "[kestora]\r\n"
                    "\"KESTORA QMR-640\" = QMR640, \\\r\n"
                    "   USBPRINT\\Vid_7A3C&Pid_0002\r\n"
                    "\"A;B\"=quoted\r\n"
                    "[Strings]\r\n"
                    "MAKER=\"KESTORA\"\r\n";

using SimulatedSetup = MachineTest;

TEST_F(SimulatedSetup, CopiedInfsGetTheNextFreeOemName) {
    winsim::PutFile("C:\\Media\\Driver32\\QMR640.inf", kInf);
    char destination[MAX_PATH] = "";
    DWORD required = 0;
    PSTR component = NULL;
    EXPECT_FALSE(SetupCopyOEMInfA("Driver32\\QMR640.inf", NULL, SPOST_PATH, SP_COPY_NOOVERWRITE,
                                  destination, sizeof destination, &required, &component));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError()); // relative names are not looked for

    EXPECT_EQ("oem0.inf", winsim::StoreOemInf("[Version]\r\nSignature=\"$Chicago$\"\r\n"));
    ASSERT_TRUE(SetupCopyOEMInfA("C:\\Media\\Driver32\\QMR640.inf", NULL, SPOST_PATH,
                                 SP_COPY_NOOVERWRITE, destination, sizeof destination, &required,
                                 &component));
    std::string stored = winsim::InfDirectory() + "\\oem1.inf";
    EXPECT_EQ(stored, destination);
    EXPECT_EQ(stored.size() + 1, required);
    EXPECT_STREQ("oem1.inf", component);
    EXPECT_EQ(kInf, winsim::FileContent(stored));
    EXPECT_TRUE(winsim::Exists(winsim::InfDirectory() + "\\oem1.PNF"));
    EXPECT_EQ((std::vector<std::string>{"oem0.inf", "oem1.inf"}), winsim::InfNames());
}

TEST_F(SimulatedSetup, TheSameInfIsRefusedWithItsStoredNameThenReplaced) {
    winsim::PutFile("C:\\Media\\Driver32\\QMR640.inf", kInf);
    LPCSTR source = "C:\\Media\\Driver32\\QMR640.inf";
    char first[MAX_PATH] = "", second[MAX_PATH] = "";
    ASSERT_TRUE(SetupCopyOEMInfA(source, NULL, SPOST_PATH, SP_COPY_NOOVERWRITE, first, sizeof first,
                                 NULL, NULL));
    EXPECT_FALSE(SetupCopyOEMInfA(source, NULL, SPOST_PATH, SP_COPY_NOOVERWRITE, second,
                                  sizeof second, NULL, NULL));
    EXPECT_EQ(DWORD(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_STREQ(first, second);
    memset(second, 0, sizeof second);
    EXPECT_TRUE(SetupCopyOEMInfA(source, NULL, SPOST_PATH, SP_COPY_REPLACEONLY, second,
                                 sizeof second, NULL, NULL));
    EXPECT_STREQ(first, second);
    EXPECT_EQ(1u, winsim::InfNames().size());

    char small[10];
    DWORD required = 0;
    EXPECT_FALSE(
        SetupCopyOEMInfA(source, NULL, SPOST_PATH, 0, small, sizeof small, &required, NULL));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(strlen(first) + 1, required);
    winsim::PutFile("C:\\Media\\Other.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
    EXPECT_FALSE(SetupCopyOEMInfA("C:\\Media\\Other.inf", NULL, SPOST_PATH, SP_COPY_REPLACEONLY,
                                  second, sizeof second, NULL, NULL));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(SimulatedSetup, TheInfListHoldsTheFilesOfTheAskedStyle) {
    std::string store = winsim::InfDirectory();
    winsim::PutFile(store + "\\a.inf", "[Version]\nSignature=\"$Windows NT$\"\n");
    winsim::PutFile(store + "\\B.INF", "[version]\nsignature=$CHICAGO$\n");
    winsim::PutFile(store + "\\old.inf", "[Identification]\nOptionType=Printer\n");
    winsim::PutFile(store + "\\c.txt", "[Version]\nSignature=\"$Windows NT$\"\n");
    DWORD required = 0;
    ASSERT_TRUE(SetupGetInfFileListA(NULL, INF_STYLE_WIN4, NULL, 0, &required));
    const std::string win4("a.inf\0B.INF\0\0", 13);
    EXPECT_EQ(win4.size(), required);
    std::vector<char> list(required);
    EXPECT_FALSE(SetupGetInfFileListA(NULL, INF_STYLE_WIN4, list.data(), required - 1, &required));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    ASSERT_TRUE(SetupGetInfFileListA(NULL, INF_STYLE_WIN4, list.data(), required, &required));
    EXPECT_EQ(win4, std::string(list.data(), list.size()));
    char old[16];
    ASSERT_TRUE(SetupGetInfFileListA(store.c_str(), INF_STYLE_OLDNT, old, sizeof old, &required));
    EXPECT_EQ(std::string("old.inf\0\0", 9), std::string(old, required));
    EXPECT_FALSE(SetupGetInfFileListA("C:\\NoSuchDir", INF_STYLE_WIN4, old, sizeof old, NULL));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST_F(SimulatedSetup, LinesAreFoundBySectionAndKeyWhateverTheirCase) {
    std::string name = winsim::StoreOemInf(kInf);
    UINT errorLine = 99;
    HINF inf = SetupOpenInfFileA(name.c_str(), NULL, INF_STYLE_OLDNT | INF_STYLE_WIN4, &errorLine);
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);
    EXPECT_EQ(0u, errorLine);
    INFCONTEXT context = {};
    EXPECT_TRUE(SetupFindFirstLineA(inf, "KESTORA", "kestora qmr-640", &context));
    EXPECT_EQ(inf, context.Inf);
    EXPECT_EQ(0u, context.Line);
    EXPECT_TRUE(SetupFindFirstLineA(inf, "Kestora", "A;B", &context)); // quotes keep the ';'
    EXPECT_EQ(1u, context.Line);
    EXPECT_TRUE(SetupFindFirstLineA(inf, "Manufacturer", "KESTORA", &context)); // from [Strings]
    EXPECT_TRUE(SetupFindFirstLineA(inf, "Strings", NULL, &context));
    EXPECT_FALSE(SetupFindFirstLineA(inf, "KESTORA.NTamd64", "KESTORA QMR-640", &context));
    EXPECT_EQ(DWORD(ERROR_SECTION_NOT_FOUND), GetLastError());
    EXPECT_FALSE(SetupFindFirstLineA(inf, "KESTORA", "KESTORA QMR-64", &context));
    EXPECT_EQ(DWORD(ERROR_LINE_NOT_FOUND), GetLastError());
    // The continued line is one line, so the next key is the section's second line.
    EXPECT_FALSE(SetupFindFirstLineA(inf, "KESTORA", "USBPRINT\\Vid_7A3C&Pid_0002", &context));
    SetupCloseInfFile(inf);
    EXPECT_FALSE(SetupFindFirstLineA(inf, "KESTORA", "KESTORA QMR-640", &context));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(SetupFindFirstLineA(INVALID_HANDLE_VALUE, "KESTORA", NULL, &context));
}

TEST_F(SimulatedSetup, OpeningReportsMissingFilesWrongStylesAndBrokenLines) {
    UINT errorLine = 0;
    EXPECT_EQ(INVALID_HANDLE_VALUE, SetupOpenInfFileA("oem9.inf", NULL, 3, &errorLine));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    winsim::PutFile("C:\\Media\\old.inf", "[Identification]\nOptionType=Printer\n");
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA("C:\\Media\\old.inf", NULL, INF_STYLE_WIN4, &errorLine));
    EXPECT_EQ(DWORD(ERROR_WRONG_INF_STYLE), GetLastError());
    winsim::PutFile("C:\\Media\\broken.inf", "; note\n\n[Version\nSignature=\"$Windows NT$\"\n");
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA("C:\\Media\\broken.inf", NULL, 3, &errorLine));
    EXPECT_EQ(DWORD(ERROR_BAD_SECTION_NAME_LINE), GetLastError());
    EXPECT_EQ(3u, errorLine);
    winsim::PutFile("C:\\Media\\loose.inf", "Signature=\"$Windows NT$\"\n[Version]\n");
    EXPECT_EQ(INVALID_HANDLE_VALUE, SetupOpenInfFileA("loose.inf", NULL, 3, &errorLine));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError()); // bare names: the store only
    EXPECT_EQ(INVALID_HANDLE_VALUE, SetupOpenInfFileA(".\\loose.inf", NULL, 3, &errorLine));
    EXPECT_EQ(DWORD(ERROR_EXPECTED_SECTION_NAME), GetLastError());
    EXPECT_EQ(1u, errorLine);
}

TEST_F(SimulatedSetup, UninstallingAnOemInfTakesItsPnfAndSparesInfsInUse) {
    typedef BOOL(WINAPI * Uninstall)(PCSTR, DWORD, PVOID);
    Uninstall uninstall =
        (Uninstall)(void *)GetProcAddress(GetModuleHandleA("setupapi"), "SetupUninstallOEMInfA");
    ASSERT_NE(nullptr, uninstall);
    std::string name = winsim::StoreOemInf(kInf);
    std::string store = winsim::InfDirectory();
    winsim::AddDevice(
        {"USB\\VID_7A3C&PID_0002\\1", {"USB\\VID_7A3C&PID_0002"}, false, "USB", name});
    EXPECT_FALSE(uninstall(name.c_str(), 0, NULL));
    EXPECT_EQ(DWORD(ERROR_INF_IN_USE_BY_DEVICES), GetLastError());
    EXPECT_TRUE(winsim::Exists(store + "\\" + name));
    EXPECT_TRUE(uninstall(name.c_str(), SUOI_FORCEDELETE, NULL));
    EXPECT_FALSE(winsim::Exists(store + "\\" + name));
    EXPECT_FALSE(winsim::Exists(store + "\\oem0.PNF"));
    EXPECT_FALSE(uninstall(name.c_str(), SUOI_FORCEDELETE, NULL));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    winsim::PutFile(store + "\\ntprint.inf", kInf);
    EXPECT_FALSE(uninstall("ntprint.inf", SUOI_FORCEDELETE, NULL));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_TRUE(winsim::Exists(store + "\\ntprint.inf"));
}

TEST_F(SimulatedSetup, TheMediaInfsListTheModelInTheirModelsSection) {
    const struct {
        const char *folder, *models, *other;
    } packages[] = {{"Driver32", "KESTORA", "KESTORA.NTamd64"},
                    {"Driver64", "KESTORA.NTamd64", "KESTORA"}};
    PutMedia(kMedia, nullptr);
    for (const auto &package : packages) {
        UINT errorLine = 0;
        HINF inf = SetupOpenInfFileA((std::string(package.folder) + "\\QMR640.inf").c_str(), NULL,
                                     INF_STYLE_WIN4, &errorLine);
        ASSERT_NE(INVALID_HANDLE_VALUE, inf) << package.folder << " line " << errorLine;
        INFCONTEXT context;
        EXPECT_TRUE(SetupFindFirstLineA(inf, package.models, "KESTORA QMR-640", &context));
        EXPECT_FALSE(SetupFindFirstLineA(inf, package.other, "KESTORA QMR-640", &context));
        SetupCloseInfFile(inf);
    }
}

// ---- device records

using SimulatedDevices = MachineTest;

std::vector<DWORD> Walk(HDEVINFO set) {
    std::vector<DWORD> members;
    SP_DEVINFO_DATA data = {sizeof data, {}, 0, 0};
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &data); ++index)
        members.push_back(data.DevInst);
    EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), GetLastError());
    return members;
}

TEST_F(SimulatedDevices, TheUsbSetHoldsAttachedAndDetachedRecords) {
    winsim::AddDevice({"USB\\VID_7A3C&PID_0002\\1", {"USB\\VID_7A3C&PID_0002"}, true, "USB", ""});
    winsim::AddDevice({"USB\\VID_7A3C&PID_0002\\2", {"USB\\VID_7A3C&PID_0002"}, false, "USB", ""});
    winsim::AddDevice({"PCI\\VEN_8086\\3", {"PCI\\VEN_8086"}, true, "PCI", ""});
    HDEVINFO all = SetupDiGetClassDevsA(NULL, "USB", NULL, DIGCF_ALLCLASSES);
    ASSERT_NE(INVALID_HANDLE_VALUE, all);
    EXPECT_EQ(2u, Walk(all).size());
    HDEVINFO present = SetupDiGetClassDevsA(NULL, "usb", NULL, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    EXPECT_EQ(1u, Walk(present).size());
    EXPECT_EQ(INVALID_HANDLE_VALUE, SetupDiGetClassDevsA(NULL, "USB", NULL, DIGCF_PRESENT));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());

    SP_DEVINFO_DATA data = {0, {}, 0, 0};
    EXPECT_FALSE(SetupDiEnumDeviceInfo(all, 0, &data));
    EXPECT_EQ(DWORD(ERROR_INVALID_USER_BUFFER), GetLastError());
    data.cbSize = sizeof data;
    winsim::FailCall("SetupDiEnumDeviceInfo", ERROR_INVALID_DATA,
                     CallCount("SetupDiEnumDeviceInfo") + 2);
    EXPECT_TRUE(SetupDiEnumDeviceInfo(all, 0, &data));
    EXPECT_FALSE(SetupDiEnumDeviceInfo(all, 0, &data));
    EXPECT_EQ(DWORD(ERROR_INVALID_DATA), GetLastError());
    EXPECT_TRUE(SetupDiEnumDeviceInfo(all, 0, &data));
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(present));
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(all));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(all));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(SimulatedDevices, HardwareIdsComeAsAListAfterASizeQuery) {
    winsim::AddDevice({"USB\\VID_7A3C&PID_0002&REV_0100\\1",
                       {"USB\\VID_7A3C&PID_0002&REV_0100", "USB\\VID_7A3C&PID_0002"},
                       true,
                       "USB",
                       ""});
    winsim::AddDevice({"USB\\ROOT_HUB\\2", {}, true, "USB", ""});
    HDEVINFO set = SetupDiGetClassDevsA(NULL, "USB", NULL, DIGCF_ALLCLASSES);
    SP_DEVINFO_DATA data = {sizeof data, {}, 0, 0};
    ASSERT_TRUE(SetupDiEnumDeviceInfo(set, 0, &data));
    const std::string ids = std::string("USB\\VID_7A3C&PID_0002&REV_0100") + '\0' +
                            "USB\\VID_7A3C&PID_0002" + '\0' + '\0';
    DWORD type = 0, required = 0;
    EXPECT_FALSE(
        SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, &type, NULL, 0, &required));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(ids.size(), required);
    BYTE buffer[100];
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, &type, buffer, 20,
                                                   &required));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, &type, buffer,
                                                  sizeof buffer, &required));
    EXPECT_EQ(DWORD(REG_MULTI_SZ), type);
    EXPECT_EQ(ids, std::string((const char *)buffer, required));
    ASSERT_TRUE(SetupDiEnumDeviceInfo(set, 1, &data));
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, &type, buffer,
                                                   sizeof buffer, &required));
    EXPECT_EQ(DWORD(ERROR_INVALID_DATA), GetLastError());
    data.cbSize = 0;
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, &type, buffer,
                                                   sizeof buffer, &required));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
}

TEST_F(SimulatedDevices, RemovedRecordsKeepTheirPlaceInTheSet) {
    for (const char *id : {"USB\\A\\1", "USB\\B\\2", "USB\\C\\3"})
        winsim::AddDevice({id, {id}, false, "USB", ""});
    HDEVINFO set = SetupDiGetClassDevsA(NULL, "USB", NULL, DIGCF_ALLCLASSES);
    std::vector<DWORD> before = Walk(set);
    ASSERT_EQ(3u, before.size());
    SP_DEVINFO_DATA first = {sizeof first, {}, 0, 0};
    ASSERT_TRUE(SetupDiEnumDeviceInfo(set, 0, &first));
    EXPECT_TRUE(SetupDiRemoveDevice(set, &first));
    EXPECT_EQ(before, Walk(set)); // the next index is still the next record
    std::vector<winsim::DeviceInfo> left = winsim::Devices();
    ASSERT_EQ(2u, left.size());
    EXPECT_EQ("USB\\B\\2", left[0].instanceId);
    BYTE buffer[100];
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &first, SPDRP_HARDWAREID, NULL, buffer,
                                                   sizeof buffer, NULL));
    EXPECT_EQ(DWORD(ERROR_NO_SUCH_DEVINST), GetLastError());
    EXPECT_FALSE(SetupDiRemoveDevice(set, &first));
    EXPECT_EQ(DWORD(ERROR_NO_SUCH_DEVINST), GetLastError());
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
}

} // namespace
