#include "common/driver_printers.h"

#include <windows.h>
#include <stdlib.h>
#include <winspool.h>

#include "common/enumerate.h"

bool PrintersOfDriver(const std::string &driverName, std::vector<std::string> &names) {
    DWORD returned = 0;
    LPBYTE buffer = EnumerateAll(
        [](LPBYTE into, DWORD size, LPDWORD needed, LPDWORD count) {
            return EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, into, size, needed, count);
        },
        returned);
    if (buffer == NULL)
        return false;
    const PRINTER_INFO_2A *printers = (const PRINTER_INFO_2A *)buffer;
    // A printer without a name could be neither shown nor opened.
    for (DWORD i = 0; i < returned; ++i)
        if (printers[i].pDriverName != NULL && printers[i].pPrinterName != NULL &&
            driverName == printers[i].pDriverName)
            names.push_back(printers[i].pPrinterName);
    free(buffer);
    return true;
}
