// The installer's application object.
#pragma once
#include <windows.h>

extern const struct ProgramSettings kInstallerProgram;

class CKSTPOS_InstallerApp {
  public:
    // Reads the switches and runs the progress dialog, or with /quiet the same steps without
    // any window; the worker ends the process.
    BOOL InitInstance();
};
