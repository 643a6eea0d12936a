#include <windows.h>

#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CKSTPOS_UninstallerApp app;
    return app.InitInstance() ? 0 : 1;
}
