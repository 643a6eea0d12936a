#include "common/system_dirs.h"

#include <string.h>
#include <winspool.h>

#include "common/platform.h"
#include "common/trace_log.h"

namespace {
const UINT kSize = MAX_PATH;

typedef BOOL(WINAPI *SpoolerLookUp)(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                    DWORD size, LPDWORD needed);

typedef bool (*CheckedLookUp)(std::string &path, DWORD &error);

bool AskKernel(CheckedLookUp lookUp, const char *name, std::string &path) {
    DWORD error = ERROR_SUCCESS;
    if (lookUp(path, error))
        return true;
    TraceLog("%s failed", name);
    return false;
}

// The spooler's look-ups fail with ERROR_INSUFFICIENT_BUFFER when the answer does not fit; the
// last byte is kept out of their reach, so the answer always ends inside the buffer.
bool AskSpooler(SpoolerLookUp lookUp, const char *name, BOOL wow64, std::string &path) {
    char buffer[kSize] = {0};
    DWORD needed = 0;
    BOOL answered = lookUp(NULL, SpoolerEnvironment(wow64), 1, (LPBYTE)buffer, kSize - 1, &needed);
    if (!answered || buffer[0] == '\0') {
        TraceLog("%s failed. (%d)", name, int(answered ? ERROR_PATH_NOT_FOUND : GetLastError()));
        return false;
    }
    path = buffer;
    return true;
}
} // namespace

bool WindowsDirectory(std::string &path) {
    return AskKernel(QueryWindowsDirectory, "GetWindowsDirectory", path);
}

bool SystemDirectory(std::string &path) {
    return AskKernel(QuerySystemDirectory, "GetSystemDirectory", path);
}

bool PrinterDriverDirectory(BOOL wow64, std::string &path) {
    return AskSpooler(GetPrinterDriverDirectoryA, "GetPrinterDriverDirectory", wow64, path);
}

bool PrintProcessorDirectory(BOOL wow64, std::string &path) {
    return AskSpooler(GetPrintProcessorDirectoryA, "GetPrintProcessorDirectory", wow64, path);
}
