#include "common/trace_log.h"

#include <windows.h>
#include <aclapi.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "common/bounded_string.h"
#include "common/plain_file.h"
#include "common/system_dirs.h"

namespace {
// Written once before any worker thread exists, only read afterwards.
char g_logFolder[256];
char g_logPath[256];

const DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Any user may own the Temp folder and put a link in it, or make it a link itself. The folder is
// held open without delete sharing while the log is used, so nobody can move it or put a link in
// its place meanwhile; NULL when it is not a plain folder.
HANDLE OpenLogFolder() {
    HANDLE folder = OpenWithoutLinks(g_logFolder, FILE_READ_ATTRIBUTES, kShareReadWrite,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (folder == INVALID_HANDLE_VALUE)
        return NULL;
    if (!IsPlain(folder, true)) {
        CloseHandle(folder);
        return NULL;
    }
    return folder;
}

// A new log: administrators and the system may do anything with it, users may read it. Without
// that DACL no log is made.
HANDLE CreateLog() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
    PSID sids[3] = {NULL, NULL, NULL};
    bool haveSids = AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                             DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sids[0]) &&
                    AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0,
                                             0, 0, 0, &sids[1]) &&
                    AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                             DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &sids[2]);
    const DWORD rights[3] = {GENERIC_ALL, GENERIC_ALL, GENERIC_READ};
    EXPLICIT_ACCESSA entries[3];
    memset(entries, 0, sizeof entries);
    for (int i = 0; i < 3; ++i) {
        entries[i].grfAccessPermissions = rights[i];
        entries[i].grfAccessMode = SET_ACCESS;
        entries[i].grfInheritance = NO_INHERITANCE;
        entries[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entries[i].Trustee.TrusteeType = i == 1 ? TRUSTEE_IS_USER : TRUSTEE_IS_ALIAS;
        entries[i].Trustee.ptstrName = (LPSTR)sids[i];
    }
    PACL acl = NULL;
    HANDLE file = INVALID_HANDLE_VALUE;
    SECURITY_DESCRIPTOR descriptor;
    if (haveSids && SetEntriesInAclA(3, entries, NULL, &acl) == ERROR_SUCCESS &&
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
        SECURITY_ATTRIBUTES security = {sizeof security, &descriptor, FALSE};
        file = OpenWithoutLinks(g_logPath, GENERIC_READ | GENERIC_WRITE, kShareReadWrite,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, &security);
    }
    if (acl != NULL)
        LocalFree(acl);
    for (PSID sid : sids)
        if (sid != NULL)
            FreeSid(sid);
    return file;
}

// The log for one line: never through a link, never a file that also has another name.
HANDLE OpenLog() {
    HANDLE file = INVALID_HANDLE_VALUE;
    // Two threads may both find the log missing; the one that loses the creation opens it.
    for (int attempt = 0; attempt < 2 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = OpenWithoutLinks(g_logPath, GENERIC_READ | GENERIC_WRITE, kShareReadWrite,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND)
            return INVALID_HANDLE_VALUE;
        if (file == INVALID_HANDLE_VALUE)
            file = CreateLog();
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    if (file != INVALID_HANDLE_VALUE && !IsPlain(file, false)) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// The previous run's log goes by its own name: a link there is removed, not what it points to.
void DeleteOldLog() {
    HANDLE folder = OpenLogFolder();
    if (folder == NULL)
        return;
    HANDLE old =
        OpenWithoutLinks(g_logPath, DELETE, kShareReadWrite | FILE_SHARE_DELETE, OPEN_EXISTING,
                         FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_BACKUP_SEMANTICS);
    if (old != INVALID_HANDLE_VALUE)
        CloseHandle(old);
    CloseHandle(folder);
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
    g_logPath[0] = '\0';
    // Without the Windows directory there is no system drive: the log stays off rather than
    // going to the root of the current drive.
    std::string windows;
    if (!WindowsDirectory(windows))
        return;
    // The drive root already ends in a backslash; the doubled one reads as one.
    char folder[256] = {0};
    memcpy(folder, windows.c_str(), strnlen(windows.c_str(), 3));
    AppendBounded(folder, sizeof folder, "\\Temp");
    CreateDirectoryA(folder, NULL);
    CopyBounded(g_logFolder, sizeof g_logFolder, folder);
    AppendBounded(folder, sizeof folder, fileName);
    CopyBounded(g_logPath, sizeof g_logPath, folder);
    DeleteOldLog();
}

void TraceLog(const char *format, ...) {
    HANDLE folder = OpenLogFolder();
    if (folder == NULL)
        return;
    HANDLE file = OpenLog();
    if (file != INVALID_HANDLE_VALUE) {
        va_list args;
        va_start(args, format);
        WriteLine(file, format, args);
        va_end(args);
        CloseHandle(file);
    }
    CloseHandle(folder);
}

void TraceSeparator() {
    TraceLog("\r\n");
}
