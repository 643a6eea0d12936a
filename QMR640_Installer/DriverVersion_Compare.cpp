// The version of the driver already on the system against the product's.
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <winspool.h>

#include "QMR640_Installer/DriverVersion.h"
#include "common/driver_printers.h"
#include "common/enumerate.h"
#include "common/platform.h"
#include "common/scoped_handle.h"

namespace {
int CompareNumbers(const DWORD product[4], const DWORD installed[4]) {
    for (int i = 0; i < 4; ++i)
        if (product[i] != installed[i])
            return product[i] > installed[i] ? 0 : 1;
    return 3;
}
} // namespace

int CompareDriverVersion(const std::string &driverName, const std::string &processorName,
                         DWORD major, DWORD minor, DWORD build, DWORD extra, BOOL wow64) {
    char *environment = SpoolerEnvironment(wow64);
    // A spooler that cannot list its printers leaves the list empty: the driver is looked for next.
    std::vector<std::string> printers;
    PrintersOfDriver(driverName, printers);
    if (!printers.empty()) {
        char name[256] = {0};
        strncpy(name, printers.front().c_str(), sizeof name - 1);
        PRINTER_DEFAULTSA defaults = {(LPSTR) "RAW", NULL, PRINTER_ALL_ACCESS};
        ScopedPrinter printer;
        OpenPrinterA(name, printer.Receive(), &defaults);
        const char *values[] = {"MajorVersion", "MinorVersion", "BuildVersion", "ExtraVersion"};
        DWORD installed[4] = {0, 0, 0, 0};
        DWORD result = 0;
        for (int v = 0; v < 4; ++v) {
            DWORD type = 0, needed = 0;
            result = GetPrinterDataA(printer.Get(), (LPSTR)values[v], &type, (LPBYTE)&installed[v],
                                     sizeof installed[v], &needed);
        }
        if (result != ERROR_SUCCESS)
            return 0;
        const DWORD product[4] = {major, minor, build, extra};
        return CompareNumbers(product, installed);
    }
    DWORD count = 0;
    LPBYTE drivers = EnumerateAll(
        [environment](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
            return EnumPrinterDriversA(NULL, environment, 4, buffer, size, needed, returned);
        },
        count);
    bool driverFound = false;
    for (DWORD i = 0; i < count && !driverFound; ++i) {
        const char *name = ((const DRIVER_INFO_4A *)drivers)[i].pName;
        driverFound = name != NULL && driverName == name;
    }
    free(drivers);
    if (driverFound)
        return 0;

    LPBYTE processors = EnumerateAll(
        [environment](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
            return EnumPrintProcessorsA(NULL, environment, 1, buffer, size, needed, returned);
        },
        count);
    bool processorFound = false;
    for (DWORD i = 0; i < count && !processorFound; ++i) {
        const char *name = ((const PRINTPROCESSOR_INFO_1A *)processors)[i].pName;
        processorFound = name != NULL && processorName == name;
    }
    free(processors);
    return processorFound ? 0 : 2;
}
