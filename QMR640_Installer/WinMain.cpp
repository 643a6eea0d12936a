#include <windows.h>

#include "QMR640_Installer/KSTPOS_Installer.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CKSTPOS_InstallerApp app;
    return app.InitInstance() ? 0 : 1;
}
