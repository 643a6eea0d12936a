// Prints what the print spooler holds, one object a line with '|' between the fields, so that the
// end-to-end tests can assert on it:
//   printer|<name>|<port>|<driver>|<print processor>|<datatype>
//   driver|<environment>|<name>|<version>|<driver>|<data file>|<config file>|<monitor>|<files>
//   monitor|<name>
//   processor|<environment>|<name>
// Arguments: which lists to print (printers drivers monitors processors; all when none), and
// "env=<environment>" for the drivers and processors of another environment ("all" for every).
// Exit code 0, or 1 when an enumeration failed (its error is printed as "error|...").
#include <windows.h>
#include <winspool.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const char *Text(const char *text) {
    return text != NULL ? text : "";
}

bool g_failed = false;

// The usual two calls: one for the size, one for the data.
template <typename Call> std::vector<BYTE> Enumerate(const char *what, DWORD *count, Call call) {
    DWORD needed = 0;
    *count = 0;
    call(NULL, 0, &needed, count);
    std::vector<BYTE> buffer(needed > 0 ? needed : 1);
    if (!call(buffer.data(), needed, &needed, count)) {
        printf("error|%s|%lu\n", what, GetLastError());
        g_failed = true;
        *count = 0;
    }
    return buffer;
}

void Printers() {
    DWORD count = 0;
    std::vector<BYTE> buffer =
        Enumerate("EnumPrinters", &count, [](LPBYTE data, DWORD size, DWORD *needed, DWORD *n) {
            return EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, data, size, needed, n);
        });
    const PRINTER_INFO_2A *printers = (const PRINTER_INFO_2A *)buffer.data();
    for (DWORD i = 0; i < count; ++i)
        printf("printer|%s|%s|%s|%s|%s\n", Text(printers[i].pPrinterName),
               Text(printers[i].pPortName), Text(printers[i].pDriverName),
               Text(printers[i].pPrintProcessor), Text(printers[i].pDatatype));
}

// The dependent files come as a list ended by an empty string.
std::string FileList(const char *files) {
    std::string list;
    for (const char *file = files; file != NULL && *file != '\0'; file += strlen(file) + 1)
        list += (list.empty() ? "" : ",") + std::string(file);
    return list;
}

void Drivers(const char *environment) {
    DWORD count = 0;
    std::vector<BYTE> buffer = Enumerate(
        "EnumPrinterDrivers", &count, [&](LPBYTE data, DWORD size, DWORD *needed, DWORD *n) {
            return EnumPrinterDriversA(NULL, (LPSTR)environment, 3, data, size, needed, n);
        });
    const DRIVER_INFO_3A *drivers = (const DRIVER_INFO_3A *)buffer.data();
    for (DWORD i = 0; i < count; ++i)
        printf("driver|%s|%s|%lu|%s|%s|%s|%s|%s\n", Text(drivers[i].pEnvironment),
               Text(drivers[i].pName), drivers[i].cVersion, Text(drivers[i].pDriverPath),
               Text(drivers[i].pDataFile), Text(drivers[i].pConfigFile),
               Text(drivers[i].pMonitorName), FileList(drivers[i].pDependentFiles).c_str());
}

void Monitors() {
    DWORD count = 0;
    std::vector<BYTE> buffer =
        Enumerate("EnumMonitors", &count, [](LPBYTE data, DWORD size, DWORD *needed, DWORD *n) {
            return EnumMonitorsA(NULL, 1, data, size, needed, n);
        });
    const MONITOR_INFO_1A *monitors = (const MONITOR_INFO_1A *)buffer.data();
    for (DWORD i = 0; i < count; ++i)
        printf("monitor|%s\n", Text(monitors[i].pName));
}

void Processors(const char *environment) {
    DWORD count = 0;
    std::vector<BYTE> buffer = Enumerate(
        "EnumPrintProcessors", &count, [&](LPBYTE data, DWORD size, DWORD *needed, DWORD *n) {
            return EnumPrintProcessorsA(NULL, (LPSTR)environment, 1, data, size, needed, n);
        });
    const PRINTPROCESSOR_INFO_1A *processors = (const PRINTPROCESSOR_INFO_1A *)buffer.data();
    for (DWORD i = 0; i < count; ++i)
        printf("processor|%s|%s\n", environment != NULL ? environment : "",
               Text(processors[i].pName));
}

} // namespace

int main(int argc, char **argv) {
    std::vector<std::string> lists;
    const char *environment = NULL;
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "env=", 4) == 0)
            environment = argv[i] + 4;
        else
            lists.push_back(argv[i]);
    }
    if (lists.empty())
        lists = {"printers", "drivers", "monitors", "processors"};
    for (const std::string &list : lists) {
        if (list == "printers")
            Printers();
        else if (list == "drivers")
            Drivers(environment);
        else if (list == "monitors")
            Monitors();
        else if (list == "processors")
            Processors(environment);
        else {
            fprintf(stderr, "spooler_query: unknown list %s\n", list.c_str());
            return 2;
        }
    }
    fflush(stdout);
    return g_failed ? 1 : 0;
}
