// Stands in for comctl32.dll, setupapi.dll, shlwapi.dll or winspool.drv beside the programs.
#include "tools/planted/marker.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        LeaveMarker(self);
    return TRUE;
}
