#include "common/platform.h"

#include <windows.h>
#include <string.h>

#include "common/step_frame.h"
#include "common/trace_log.h"

namespace {
typedef BOOL(WINAPI *IsWow64ProcessFn)(HANDLE, PBOOL);
} // namespace

const char *EnvironmentName(int wow64) {
    return wow64 ? "Windows x64" : "Windows NT x86";
}

char *SpoolerEnvironment(int wow64) {
    return wow64 ? (char *)EnvironmentName(wow64) : NULL;
}

int ClassifyOS(unsigned platformId, unsigned major, unsigned minor, unsigned productType) {
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        if (major != 4)
            return OS_WIN7_OR_OTHER;
        switch (minor) {
        case 0:
            return OS_WIN95;
        case 10:
            return OS_WIN98;
        case 90:
            return OS_WINME;
        default:
            return OS_WIN7_OR_OTHER;
        }
    }
    if (platformId != VER_PLATFORM_WIN32_NT)
        return OS_WIN7_OR_OTHER;
    bool workstation = productType == VER_NT_WORKSTATION;
    if (major <= 4)
        return OS_WINNT4;
    if (major == 5) {
        switch (minor) {
        case 0:
            return OS_WIN2000;
        case 1:
            return OS_WINXP;
        case 2:
            return OS_WIN2003;
        default:
            return OS_WIN7_OR_OTHER;
        }
    }
    if (major == 6 && minor == 0)
        return workstation ? OS_VISTA : OS_WIN2008;
    if (major == 6 && minor == 1)
        return workstation ? OS_WIN7_OR_OTHER : OS_WIN2008R2;
    return OS_WIN7_OR_OTHER;
}

int CheckOS() {
    StepFrame frame("CheckOS");
    OSVERSIONINFOEXA info;
    memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!GetVersionExA((OSVERSIONINFOA *)&info)) {
        // Windows 9x and NT before SP6 know only the basic record.
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        GetVersionExA((OSVERSIONINFOA *)&info);
    }
    TraceLog("osvi.dwPlatformID   : %d", int(info.dwPlatformId));
    TraceLog("osvi.dwMajorVersion : %d", int(info.dwMajorVersion));
    TraceLog("osvi.dwMinorVersion : %d", int(info.dwMinorVersion));
    TraceLog("osvi.dwBuildNumber  : %d", int(info.dwBuildNumber));
    int code =
        ClassifyOS(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.wProductType);
    return code;
}

int IsWow64() {
    BOOL wow64 = FALSE;
    // Looked up at run time: Windows 2000 and XP before SP2 lack the function.
    IsWow64ProcessFn isWow64Process =
        (IsWow64ProcessFn)(void *)GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process");
    if (isWow64Process != NULL)
        isWow64Process(GetCurrentProcess(), &wow64);
    TraceLog(wow64 ? "The process is running under WOW64."
                   : "The process is not running under WOW64.");
    return wow64 ? 1 : 0;
}
