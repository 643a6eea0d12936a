#include "common/trace_log.h"

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "common/bounded_string.h"

namespace {
// Written once before any worker thread exists, only read afterwards.
char g_logPath[256];
} // namespace

void StartTraceLog(const char *fileName) {
    g_logPath[0] = '\0';
    char windowsDir[256] = {0};
    GetWindowsDirectoryA(windowsDir, sizeof windowsDir);
    // The drive root already ends in a backslash; the doubled one reads as one.
    char folder[256] = {0};
    memcpy(folder, windowsDir, strnlen(windowsDir, 3));
    AppendBounded(folder, sizeof folder, "\\Temp");
    CreateDirectoryA(folder, NULL);
    AppendBounded(folder, sizeof folder, fileName);
    CopyBounded(g_logPath, sizeof g_logPath, folder);
    DeleteFileA(g_logPath);
}

void TraceLog(const char *format, ...) {
    HANDLE file =
        CreateFileA(g_logPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    // A line that cannot go to the end would overwrite the start of the log: drop it instead.
    if (SetFilePointer(file, 0, NULL, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        CloseHandle(file);
        return;
    }

    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[1024] = {0};
    snprintf(line, sizeof line, "%02u:%02u:%02u: ", unsigned(now.wHour), unsigned(now.wMinute),
             unsigned(now.wSecond));
    size_t used = strlen(line);
    va_list args;
    va_start(args, format);
    // The runtime's _vsnprintf leaves out the NUL when it cuts; the zeroed last byte stays.
    _vsnprintf(line + used, sizeof line - 1 - used, format, args);
    va_end(args);

    DWORD written = 0;
    WriteFile(file, line, DWORD(strlen(line)), &written, NULL);
    WriteFile(file, "\r\n", 2, &written, NULL);
    CloseHandle(file);
}

void TraceSeparator() {
    TraceLog("\r\n");
}
