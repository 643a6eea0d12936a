#include "common/program_folder.h"

#include <windows.h>
#include <string.h>

#include "common/trace_log.h"

bool EnterProgramFolder() {
    char path[MAX_PATH + 1] = {0};
    // A cut path comes back as the full size (and, on Windows XP, without its NUL).
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        TraceLog("GetModuleFileName failed. (%d)", int(GetLastError()));
        return false;
    }
    char *slash = strrchr(path, '\\');
    if (slash == NULL) {
        TraceLog("PROGRAM PATH WITHOUT FOLDER : %s", path);
        return false;
    }
    // The root keeps its backslash: "C:" alone would name the drive's current directory.
    slash[slash > path && slash[-1] == ':' ? 1 : 0] = '\0';
    if (!SetCurrentDirectoryA(path)) {
        TraceLog("SetCurrentDirectory failed : %s (%d)", path, int(GetLastError()));
        return false;
    }
    return true;
}
