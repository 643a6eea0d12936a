// The installer's application object.
#pragma once
#include <windows.h>

extern const struct ProgramSettings kInstallerProgram;

class CKSTPOS_InstallerApp {
  public:
    // Runs the progress dialog; the worker ends the process.
    BOOL InitInstance();
};
