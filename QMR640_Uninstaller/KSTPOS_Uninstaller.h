// The uninstaller's application object.
#pragma once
#include <windows.h>

extern const struct ProgramSettings kUninstallerProgram;

class CKSTPOS_UninstallerApp {
  public:
    // Runs the uninstaller dialog and ends the process when it closes.
    BOOL InitInstance();
};
