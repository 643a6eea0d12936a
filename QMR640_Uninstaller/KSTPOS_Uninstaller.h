// The uninstaller's application object.
#pragma once
#include <windows.h>

extern const struct ProgramSettings kUninstallerProgram;

class CKSTPOS_UninstallerApp {
  public:
    // Reads the switches and runs the uninstaller dialog, or with /quiet the same steps without
    // any window; ends the process when it closes.
    BOOL InitInstance();
};
