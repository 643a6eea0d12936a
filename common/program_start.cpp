#include "common/program_start.h"

#include <windows.h>
#include <commctrl.h>
#include <delayimp.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "common/deployment.h"
#include "common/dll_search.h"
#include "common/native_files.h"
#include "common/redirection_guard.h"
#include "common/report_error.h"

namespace {
// comctl32, setupapi, shlwapi and winspool.drv load at the first call into them. One that cannot
// be loaded, or lacks the function, ends the run here; without the hook the loader's exception
// would end it in a crash window, under /quiet too.
FARPROC WINAPI DelayLoadFailed(unsigned notify, PDelayLoadInfo info) {
    std::string what = info->szDll != NULL ? info->szDll : "?";
    if (notify == dliFailLoadLib) {
        what += " could not be loaded.";
    } else if (info->dlp.fImportByName) {
        what += std::string(" has no ") + info->dlp.szProcName + ".";
    } else {
        char ordinal[16] = {0};
        snprintf(ordinal, sizeof ordinal, "%u", unsigned(info->dlp.dwOrdinal));
        what += std::string(" has no function #") + ordinal + ".";
    }
    char code[32] = {0};
    snprintf(code, sizeof code, " Error Code: %d\n\n", int(info->dwLastError));
    EndWithFatalError(SystemErrorText(what + code, info->dwLastError).c_str());
}
} // namespace

// Here, in a file every program links, so that the linker takes it in place of the delay-load
// library's empty default.
PfnDliHook __pfnDliFailureHook2 = DelayLoadFailed;

void StartProgram(const ProgramSettings &settings, bool takesPort) {
    SetCurrentProgram(settings);
    // Before anything can load a DLL from the folder the program was started from.
    if (!LockDllSearch())
        exit(EXIT_FAILED);
    GuardRedirection();
    LoadNativeFiles();
    // The switches first: a comctl32 that does not load ends the run as its mode asks.
    ReadRunSwitches(takesPort);
    InitCommonControls();
}
