// The media lies beside the program, whatever folder it was started from.
#pragma once

// Makes the folder of the program's own .exe the current directory. On failure writes a trace
// line and returns false.
bool EnterProgramFolder();
