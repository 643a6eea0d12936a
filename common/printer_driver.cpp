#include "common/printer_driver.h"

#include <stdlib.h>
#include <winspool.h>

#include "common/enumerate.h"
#include "common/platform.h"
#include "common/step_frame.h"
#include "common/trace_log.h"

int PrinterDrvExist(const std::string &driverName, const StepHost &host, StatusMode mode) {
    StepFrame frame("PrinterDrvExist");
    ReportStep(host, mode, "Checking existing drivers...\r\n", 500);
    char *environment = SpoolerEnvironment(host.wow64);
    DWORD returned = 0;
    LPBYTE buffer = EnumerateAll(
        [environment](LPBYTE into, DWORD size, LPDWORD needed, LPDWORD count) {
            return EnumPrinterDriversA(NULL, environment, 3, into, size, needed, count);
        },
        returned);
    int exists = 0;
    const DRIVER_INFO_3A *drivers = (const DRIVER_INFO_3A *)buffer;
    for (DWORD i = 0; i < returned && !exists; ++i)
        exists = drivers[i].pName != NULL && driverName == drivers[i].pName;
    TraceLog(exists ? "%s PRINTER DRIVER EXISTS." : "%s PRINTER DRIVER DOES NOT EXIST.",
             driverName.c_str());
    frame.End();
    free(buffer);
    return exists;
}
