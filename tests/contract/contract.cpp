#include "contract.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>
#include <winspool.h>

namespace {
int g_failures = 0;

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            printf("FAILED %s:%d: %s\n", __FILE__, __LINE__, #condition);                          \
            ++g_failures;                                                                          \
        }                                                                                          \
    } while (0)

#define CHECK_ERROR(call, code)                                                                    \
    do {                                                                                           \
        SetLastError(0);                                                                           \
        CHECK(!(call));                                                                            \
        DWORD got = GetLastError();                                                                \
        if (got != DWORD(code))                                                                    \
            printf("  last error %lu, expected %lu\n", (unsigned long)got, (unsigned long)(code)); \
        CHECK(got == DWORD(code));                                                                 \
    } while (0)

void Files(const std::string &root) {
    std::string a = root + "\\a.txt", b = root + "\\b.txt", sub = root + "\\Sub";
    HANDLE file =
        CreateFileA(a.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    CHECK(file != INVALID_HANDLE_VALUE);
    DWORD written = 0;
    CHECK(WriteFile(file, "abc", 3, &written, NULL) && written == 3);
    CloseHandle(file);
    // Either separator, doubled backslashes, any case.
    std::string odd = root + "/\\A.TXT";
    CHECK(GetFileAttributesA(odd.c_str()) != INVALID_FILE_ATTRIBUTES);
    CHECK_ERROR(CopyFileA((root + "\\missing").c_str(), b.c_str(), FALSE), ERROR_FILE_NOT_FOUND);
    CHECK_ERROR(CopyFileA(a.c_str(), (root + "\\none\\b.txt").c_str(), FALSE),
                ERROR_PATH_NOT_FOUND);
    CHECK(CopyFileA(a.c_str(), b.c_str(), FALSE));
    CHECK_ERROR(CopyFileA(a.c_str(), b.c_str(), TRUE), ERROR_FILE_EXISTS);
    CHECK(CreateDirectoryA(sub.c_str(), NULL));
    CHECK_ERROR(CreateDirectoryA(sub.c_str(), NULL), ERROR_ALREADY_EXISTS);
    CHECK(CopyFileA(a.c_str(), (sub + "\\c.txt").c_str(), FALSE));
    CHECK_ERROR(RemoveDirectoryA(sub.c_str()), ERROR_DIR_NOT_EMPTY);
    SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK_ERROR(DeleteFileA(b.c_str()), ERROR_ACCESS_DENIED);
    SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_NORMAL);
    CHECK(DeleteFileA(b.c_str()));
    CHECK_ERROR(DeleteFileA(b.c_str()), ERROR_FILE_NOT_FOUND);

    // A directory lists "." and ".." first; the end is ERROR_NO_MORE_FILES.
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((sub + "\\*.*").c_str(), &entry);
    CHECK(find != INVALID_HANDLE_VALUE);
    int count = 0;
    bool dots = false;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            dots = dots || strcmp(entry.cFileName, "..") == 0;
            ++count;
        } while (FindNextFileA(find, &entry));
        CHECK(GetLastError() == ERROR_NO_MORE_FILES);
        FindClose(find);
    }
    CHECK(count == 3 && dots);
    DeleteFileA((sub + "\\c.txt").c_str());
    CHECK(RemoveDirectoryA(sub.c_str()));
    DeleteFileA(a.c_str());

    // Size queries report the size with the NUL.
    char small[2];
    UINT length = GetWindowsDirectoryA(small, sizeof small);
    char full[MAX_PATH];
    CHECK(length == GetWindowsDirectoryA(full, sizeof full) + 1);
}

void Profiles(const std::string &root) {
    std::string path = root + "\\options.ini";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    const char text[] = "[qmr640]\r\n port = COM2 \r\nEmpty=\r\nLong=0123456789\r\n";
    DWORD written = 0;
    WriteFile(file, text, sizeof text - 1, &written, NULL);
    CloseHandle(file);
    char value[8];
    CHECK(GetPrivateProfileStringA("QMR640", "PORT", NULL, value, sizeof value, path.c_str()) ==
              4 &&
          strcmp(value, "COM2") == 0);
    CHECK(GetPrivateProfileStringA("QMR640", "Empty", NULL, value, sizeof value, path.c_str()) ==
          0);
    CHECK(GetPrivateProfileStringA("QMR640", "Long", NULL, value, sizeof value, path.c_str()) == 7);
    CHECK(GetPrivateProfileStringA("QMR640", "None", NULL, value, sizeof value,
                                   (root + "\\none.ini").c_str()) == 0);
    DeleteFileA(path.c_str());
}

void Registry() {
    const char *key = "SOFTWARE\\QMR640ContractTest";
    HKEY handle = NULL;
    DWORD disposition = 0;
    CHECK(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          NULL, &handle, &disposition) == ERROR_SUCCESS);
    // A value written without its NUL is stored that long.
    CHECK(RegSetValueExA(handle, "DisplayName", 0, REG_SZ, (const BYTE *)"abc", 3) ==
          ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    CHECK(RegQueryValueExA(handle, "DisplayName", NULL, &type, NULL, &size) == ERROR_SUCCESS);
    CHECK(type == REG_SZ && size >= 3);
    BYTE one[1];
    size = sizeof one;
    CHECK(RegQueryValueExA(handle, "DisplayName", NULL, &type, one, &size) == ERROR_MORE_DATA);
    HKEY child = NULL;
    CHECK(RegCreateKeyExA(handle, "Child", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &child, NULL) ==
          ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(handle);
    // SHDeleteKeyA takes the key with everything below it.
    CHECK(SHDeleteKeyA(HKEY_LOCAL_MACHINE, key) == ERROR_SUCCESS);
    CHECK(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) == ERROR_FILE_NOT_FOUND);
}

void Spooler() {
    // Two-call size queries.
    DWORD needed = 0, returned = 0;
    SetLastError(0);
    BOOL first = EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned);
    CHECK(first || GetLastError() == ERROR_INSUFFICIENT_BUFFER);
    needed = 0;
    SetLastError(0);
    EnumPrinterDriversA(NULL, NULL, 3, NULL, 0, &needed, &returned);
    CHECK(needed == 0 || GetLastError() == ERROR_INSUFFICIENT_BUFFER);
    char directory[MAX_PATH] = {0};
    CHECK(GetPrinterDriverDirectoryA(NULL, NULL, 1, (LPBYTE)directory, sizeof directory, &needed));
    CHECK(directory[0] != '\0');
    CHECK_ERROR(DeleteMonitorA(NULL, NULL, (LPSTR) "No Such Monitor QMR640"),
                ERROR_UNKNOWN_PRINT_MONITOR);
}

int Counted(char *buffer, size_t count, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int result = _vsnprintf(buffer, count, format, args);
    va_end(args);
    return result;
}

void Runtime() {
    char buffer[6];
    memset(buffer, '#', sizeof buffer);
    CHECK(Counted(buffer, 5, "abc%s", "defgh") == -1);
    CHECK(memcmp(buffer, "abcde#", 6) == 0);
    CHECK(Counted(buffer, 5, "%ws", L"abc") == 3 && strcmp(buffer, "abc") == 0);
}
} // namespace

int RunContracts(const std::string &root) {
    g_failures = 0;
    Files(root);
    Profiles(root);
    Registry();
    Spooler();
    Runtime();
    return g_failures;
}
