#include "common/system_dirs.h"

#include <string.h>
#include <winspool.h>

#include "common/platform.h"
#include "common/trace_log.h"

namespace {
const UINT kSize = 256;

// The kernel's look-ups return the length, or the size they would need when it does not fit.
bool KernelAnswer(UINT length, const char *buffer, const char *name, std::string &path) {
    if (length == 0 || length >= kSize || buffer[0] == '\0') {
        TraceLog("%s failed", name);
        return false;
    }
    path = buffer;
    return true;
}

// The spooler's look-ups fail with ERROR_INSUFFICIENT_BUFFER when the answer does not fit; the
// last byte is kept out of their reach, so the answer always ends inside the buffer.
bool SpoolerAnswer(BOOL answered, const char *buffer, const char *name, std::string &path) {
    if (!answered || buffer[0] == '\0') {
        TraceLog("%s failed. (%d)", name, int(answered ? ERROR_PATH_NOT_FOUND : GetLastError()));
        return false;
    }
    path = buffer;
    return true;
}
} // namespace

bool WindowsDirectory(std::string &path) {
    char buffer[kSize] = {0};
    UINT length = GetWindowsDirectoryA(buffer, kSize);
    return KernelAnswer(length, buffer, "GetWindowsDirectory", path);
}

bool SystemDirectory(std::string &path) {
    char buffer[kSize] = {0};
    UINT length = GetSystemDirectoryA(buffer, kSize);
    return KernelAnswer(length, buffer, "GetSystemDirectory", path);
}

bool PrinterDriverDirectory(BOOL wow64, std::string &path) {
    char buffer[kSize] = {0};
    DWORD needed = 0;
    BOOL answered = GetPrinterDriverDirectoryA(NULL, SpoolerEnvironment(wow64), 1, (LPBYTE)buffer,
                                               kSize - 1, &needed);
    return SpoolerAnswer(answered, buffer, "GetPrinterDriverDirectory", path);
}

bool PrintProcessorDirectory(BOOL wow64, std::string &path) {
    char buffer[kSize] = {0};
    DWORD needed = 0;
    BOOL answered = GetPrintProcessorDirectoryA(NULL, SpoolerEnvironment(wow64), 1, (LPBYTE)buffer,
                                                kSize - 1, &needed);
    return SpoolerAnswer(answered, buffer, "GetPrintProcessorDirectory", path);
}
