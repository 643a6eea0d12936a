// The start of both programs, before their dialog.
#pragma once

#include "common/app_context.h"

// Locks the DLL search, turns on the redirection guard where the system offers it, looks up the
// native file calls, reads the switches (a bad one ends the run with 87) and loads the common
// controls. A search that cannot be locked ends the run with 1603 at once, without a box or a
// trace line: either could load a DLL from the folder the program was started from.
void StartProgram(const ProgramSettings &settings, bool takesPort);
