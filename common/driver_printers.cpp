#include "common/driver_printers.h"

#include <windows.h>
#include <ctype.h>
#include <stdlib.h>
#include <winspool.h>

#include <algorithm>

#include "common/enumerate.h"

bool PrintersOfDriver(const std::string &driverName, std::vector<std::string> &names,
                      std::vector<std::string> *ports) {
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
            driverName == printers[i].pDriverName) {
            names.push_back(printers[i].pPrinterName);
            if (ports != nullptr)
                ports->push_back(printers[i].pPortName != NULL ? printers[i].pPortName : "");
        }
    free(buffer);
    return true;
}

bool PortListHas(const std::string &list, const std::string &port) {
    for (size_t start = 0; start <= list.size();) {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        bool same = end - start == port.size() &&
                    std::equal(port.begin(), port.end(), list.begin() + start, [](char a, char b) {
                        return toupper((unsigned char)a) == toupper((unsigned char)b);
                    });
        if (same)
            return true;
        start = end + 1;
    }
    return false;
}
