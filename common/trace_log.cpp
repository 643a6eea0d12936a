#include "common/trace_log.h"

#include <windows.h>
#include <aclapi.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <atomic>
#include <string>

#include "common/admins_only.h"
#include "common/bounded_string.h"
#include "common/directory_query.h"
#include "common/native_files.h"
#include "common/plain_file.h"
#include "common/scoped_handle.h"

namespace {
// Written once before any worker thread exists, only read afterwards.
char g_logFolder[256];
WideName g_logName;
// The file index of the log this run created, plus one; 0 before it exists.
std::atomic<unsigned long long> g_ownLog(0);
std::atomic<bool> g_ended(false);

const DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The Temp folder at the root of the system drive: when it is missing, the program makes it with
// the same protection as its log.
void CreateLogFolder(const char *folder) {
    AdminsOnlySecurity security;
    if (!BuildAdminsOnly(GENERIC_READ | GENERIC_EXECUTE, SUB_CONTAINERS_AND_OBJECTS_INHERIT,
                         security))
        return;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &security.descriptor, FALSE};
    CreateDirectoryA(folder, &attributes);
    ReleaseAdminsOnly(security);
}

// Any user may own the Temp folder and put a link in it, or make it a link itself. The folder is
// checked through its handle and held open without delete sharing while the log is used, so that
// nobody can move it meanwhile; the log is reached relative to that handle, so a mount point set
// on the folder after the check leads nowhere. NULL when it is not a plain folder.
HANDLE OpenLogFolder() {
    HANDLE folder = OpenWithoutLinks(g_logFolder, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                     kShareReadWrite, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (folder == INVALID_HANDLE_VALUE)
        return NULL;
    if (!IsPlain(folder, true)) {
        CloseHandle(folder);
        return NULL;
    }
    return folder;
}

unsigned long long FileIndex(const BY_HANDLE_FILE_INFORMATION &information) {
    return ((unsigned long long)information.nFileIndexHigh << 32) | information.nFileIndexLow;
}

// A new log with its own DACL, remembered as this run's.
HANDLE CreateLog(HANDLE folder, NTSTATUS &status) {
    AdminsOnlySecurity security;
    status = kStatusObjectNameNotFound;
    if (!BuildAdminsOnly(GENERIC_READ, NO_INHERITANCE, security))
        return INVALID_HANDLE_VALUE;
    HANDLE file = OpenInFolder(folder, g_logName, GENERIC_READ | GENERIC_WRITE, kShareReadWrite,
                               FILE_CREATE, FILE_NON_DIRECTORY_FILE, &security.descriptor, status);
    ReleaseAdminsOnly(security);
    BY_HANDLE_FILE_INFORMATION information;
    if (file != INVALID_HANDLE_VALUE && !GetFileInformationByHandle(file, &information)) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    if (file != INVALID_HANDLE_VALUE)
        g_ownLog = FileIndex(information) + 1;
    return file;
}

// Whatever has the log's name goes itself: a link there is removed, not what it points to.
void DeleteLogName(HANDLE folder) {
    NTSTATUS status = 0;
    ScopedHandle old(OpenInFolder(folder, g_logName, DELETE, kShareReadWrite | FILE_SHARE_DELETE,
                                  FILE_OPEN, 0, NULL, status));
    if (old.Valid())
        DeleteThroughHandle(old.Get());
}

// Only the log this run created is written to: a file another user put at its name (and could
// then edit, or hold to pause the program) is replaced by a fresh log, and so is a link or a file
// that has a second name elsewhere.
bool IsOwnLog(const BY_HANDLE_FILE_INFORMATION &information) {
    return !(information.dwFileAttributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
           information.nNumberOfLinks == 1 && FileIndex(information) + 1 == g_ownLog;
}

HANDLE OpenLog(HANDLE folder) {
    // Two threads may both find the log missing; the one that loses the creation opens it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        NTSTATUS status = 0;
        HANDLE file = OpenInFolder(folder, g_logName, GENERIC_READ | GENERIC_WRITE, kShareReadWrite,
                                   FILE_OPEN, FILE_NON_DIRECTORY_FILE, NULL, status);
        // What cannot be told to be another's (the open or its check failed) is left alone: the
        // line is dropped, the log kept.
        if (file != INVALID_HANDLE_VALUE) {
            BY_HANDLE_FILE_INFORMATION information;
            bool known = GetFileInformationByHandle(file, &information) != FALSE;
            if (known && IsOwnLog(information))
                return file;
            CloseHandle(file);
            if (!known)
                return INVALID_HANDLE_VALUE;
            DeleteLogName(folder);
        } else if (status == kStatusFileIsADirectory) {
            DeleteLogName(folder); // a folder or a junction at the log's name
        } else if (status != kStatusObjectNameNotFound) {
            return INVALID_HANDLE_VALUE;
        }
        file = CreateLog(folder, status);
        if (file != INVALID_HANDLE_VALUE || status != kStatusObjectNameCollision)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

void WriteLine(HANDLE file, const char *format, va_list args) {
    // A line that cannot go to the end would overwrite the start of the log: drop it instead.
    if (SetFilePointer(file, 0, NULL, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[1024] = {0};
    snprintf(line, sizeof line, "%02u:%02u:%02u: ", unsigned(now.wHour), unsigned(now.wMinute),
             unsigned(now.wSecond));
    size_t used = strlen(line);
    // The runtime's _vsnprintf leaves out the NUL when it cuts; the zeroed last byte stays.
    _vsnprintf(line + used, sizeof line - 1 - used, format, args);
    DWORD written = 0;
    WriteFile(file, line, DWORD(strlen(line)), &written, NULL);
    WriteFile(file, "\r\n", 2, &written, NULL);
}
} // namespace

void StartTraceLog(const char *fileName) {
    g_logFolder[0] = '\0';
    g_logName.clear();
    g_ownLog = 0;
    g_ended = false;
    // Without the Windows directory there is no system drive: the log stays off rather than
    // going to the root of the current drive.
    std::string windows;
    DWORD error = ERROR_SUCCESS;
    if (!QueryWindowsDirectory(windows, error))
        return;
    // The drive root already ends in a backslash; the doubled one reads as one.
    char folder[256] = {0};
    memcpy(folder, windows.c_str(), strnlen(windows.c_str(), 3));
    AppendBounded(folder, sizeof folder, "\\Temp");
    CreateLogFolder(folder);
    CopyBounded(g_logFolder, sizeof g_logFolder, folder);
    g_logName = WideText(fileName[0] == '\\' ? fileName + 1 : fileName);
    ScopedHandle opened(OpenLogFolder());
    if (opened.Valid())
        DeleteLogName(opened.Get());
}

void TraceLog(const char *format, ...) {
    ScopedHandle folder(g_logName.empty() || g_ended ? NULL : OpenLogFolder());
    if (!folder.Valid())
        return;
    ScopedHandle file(OpenLog(folder.Get()));
    if (file.Valid()) {
        va_list args;
        va_start(args, format);
        WriteLine(file.Get(), format, args);
        va_end(args);
    }
}

void EndTraceLog() {
    g_ended = true;
}

void TraceSeparator() {
    TraceLog("\r\n");
}
