// Delay loading, as the Windows build has it for comctl32, setupapi, shlwapi and winspool.drv:
// the first call of a process into one of them loads it by name with LoadLibraryA, so the
// loader's search and an injected LoadLibraryA failure apply. When the load fails the helper
// calls the program's failure hook; without one, or when the hook gives no module, it raises an
// exception that nothing handles: Windows shows its crash window (a box here, flags 0) and ends
// the process with the exception's code.
#include "machine.h"

#include <delayimp.h>
#include <stdio.h>

// The delay-load library's own default: no hook.
__attribute__((weak)) PfnDliHook __pfnDliFailureHook2 = nullptr;

namespace winsim {

namespace {
// VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), which the helper raises.
const DWORD kModuleNotFound = 0xC06D007E;

// The DLL of a simulated function, when it is one of the delay-loaded ones.
const char *DelayLoadedDll(const std::string &function) {
    if (function == "InitCommonControls")
        return "comctl32.dll";
    if (function == "SHDeleteKeyA")
        return "shlwapi.dll";
    if (function.compare(0, 5, "Setup") == 0)
        return "setupapi.dll";
    if (IsServiceCall(function) || function == "ClosePrinter")
        return "winspool.drv";
    return nullptr;
}
} // namespace

void DelayLoad(const char *function) {
    const char *dll = DelayLoadedDll(function);
    if (dll == nullptr || !InProcess())
        return;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_process == nullptr || !g_process->delayLoaded.insert(dll).second)
            return;
    }
    if (LoadLibraryA(dll) != NULL)
        return;
    DelayLoadInfo info = {};
    info.cb = sizeof info;
    info.szDll = dll;
    info.dlp.fImportByName = TRUE;
    info.dlp.szProcName = function;
    info.dwLastError = GetLastError();
    if (__pfnDliFailureHook2 != nullptr && __pfnDliFailureHook2(dliFailLoadLib, &info) != NULL)
        return;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        char text[80];
        snprintf(text, sizeof text, "unhandled exception 0x%08X", unsigned(kModuleNotFound));
        g_machine->boxes.push_back(Box{text, g_process->imagePath, 0, false});
    }
    winsim_exit(int(kModuleNotFound));
}

} // namespace winsim
