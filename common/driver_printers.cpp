#include "common/driver_printers.h"

#include <windows.h>
#include <stdlib.h>
#include <winspool.h>

bool PrintersOfDriver(const std::string &driverName, std::vector<std::string> &names) {
    DWORD needed = 0, returned = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned);
    LPBYTE buffer = (LPBYTE)malloc(needed > 0 ? needed : 1);
    if (buffer == NULL ||
        !EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, buffer, needed, &needed, &returned)) {
        DWORD error = GetLastError();
        free(buffer);
        SetLastError(error);
        return false;
    }
    const PRINTER_INFO_2A *printers = (const PRINTER_INFO_2A *)buffer;
    // A printer without a name could be neither shown nor opened.
    for (DWORD i = 0; i < returned; ++i)
        if (printers[i].pDriverName != NULL && printers[i].pPrinterName != NULL &&
            driverName == printers[i].pDriverName)
            names.push_back(printers[i].pPrinterName);
    free(buffer);
    return true;
}
