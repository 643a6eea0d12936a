#include <windows.h>

#include "common/dll_search.h"
#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL from the folder the program was started from.
    if (!LockDllSearch())
        return 1;
    CKSTPOS_UninstallerApp app;
    return app.InitInstance() ? 0 : 1;
}
