#include "common/dll_search.h"

#include <windows.h>

#include <string>

#include "common/system_dirs.h"

namespace {
typedef BOOL(WINAPI *SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI *SetDllDirectoryAFn)(LPCSTR);

// The libraries the programs load after the lock (delay-loaded in the Windows build): none is a
// KnownDLL on every Windows the programs support, so a loader looking them up by name would
// try the program's folder first.
const char *const kLateLibraries[] = {"comctl32.dll", "setupapi.dll", "shlwapi.dll",
                                      "winspool.drv"};

bool LoadLateLibrariesFromSystem() {
    std::string directory;
    DWORD error = ERROR_SUCCESS;
    if (!QuerySystemDirectory(directory, error))
        return false;
    for (const char *library : kLateLibraries) {
        std::string path = directory + "\\" + library;
        if (path.size() >= MAX_PATH)
            return false;
        // The altered search path resolves the library's own imports from its folder too.
        if (LoadLibraryExA(path.c_str(), NULL, LOAD_WITH_ALTERED_SEARCH_PATH) == NULL)
            return false;
    }
    return true;
}
} // namespace

bool LockDllSearch() {
    HMODULE kernel = GetModuleHandleA("kernel32");
    // Without it the look-ups below would find nothing, as on a release that lacks both.
    if (kernel == NULL)
        return false;
    // Both looked up at run time: Windows 2000 has neither, XP before SP1 lacks
    // SetDllDirectoryA and 7 has SetDefaultDllDirectories only with KB2533623.
    SetDefaultDllDirectoriesFn setDefault =
        (SetDefaultDllDirectoriesFn)(void *)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault != NULL && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;
    SetDllDirectoryAFn setDirectory =
        (SetDllDirectoryAFn)(void *)GetProcAddress(kernel, "SetDllDirectoryA");
    // Only a release without the function may go on with the current directory in the search.
    if (setDirectory == NULL ? GetLastError() != ERROR_PROC_NOT_FOUND : !setDirectory(""))
        return false;
    return LoadLateLibrariesFromSystem();
}
