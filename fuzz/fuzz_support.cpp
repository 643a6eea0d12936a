#include "fuzz_support.h"

#include <winsim.h>

#include "common/trace_log.h"

extern const std::string kInstallerRc, kInstallerHeader, kUninstallerRc, kUninstallerHeader;

HINSTANCE FuzzInstallerModule() {
    return winsim::RegisterModule("QMR640_Installer", kInstallerRc, kInstallerHeader);
}

HINSTANCE FuzzUninstallerModule() {
    return winsim::RegisterModule("QMR640_Uninstaller", kUninstallerRc, kUninstallerHeader);
}

void FreshMachine() {
    winsim::Reset();
    winsim::SetCurrentDirectory("C:\\Media");
    StartTraceLog("\\QMR-640_Installer.txt");
}
