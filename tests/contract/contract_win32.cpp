// The contracts on a real Win32 implementation: prints the failed checks (and, under Wine, where
// Wine parts from Windows), exits 1 if any check failed.
#include "contract.h"

#include <stdio.h>

int main() {
    typedef const char *(*WineVersionFn)(void);
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    HMODULE ntdll = GetModuleHandleA("ntdll");
    WineVersionFn wineVersion =
        ntdll != NULL ? (WineVersionFn)(void *)GetProcAddress(ntdll, "wine_get_version") : NULL;
    IsWow64ProcessFn isWow64Process =
        (IsWow64ProcessFn)(void *)GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process");
    BOOL wow64 = FALSE;
    if (isWow64Process != NULL && !isWow64Process(GetCurrentProcess(), &wow64))
        wow64 = FALSE;
    OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    printf("platform contracts on Windows %lu.%lu build %lu%s%s%s\n",
           (unsigned long)version.dwMajorVersion, (unsigned long)version.dwMinorVersion,
           (unsigned long)version.dwBuildNumber, wow64 ? ", WOW64" : "",
           wineVersion != NULL ? ", Wine " : "", wineVersion != NULL ? wineVersion() : "");
    char temp[MAX_PATH] = {0};
    GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp) + "QMR640Contract";
    CreateDirectoryA(root.c_str(), NULL);
    int failures = RunContracts(root);
    RemoveDirectoryA(root.c_str());
    printf("%d failed checks\n", failures);
    fflush(stdout);
    return failures == 0 ? 0 : 1;
}
