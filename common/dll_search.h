// The DLL search of an elevated program started from a folder any user may write to.
#pragma once

// Locks the search to the system directory, before any DLL other than the few every Windows
// maps from the system itself is loaded: SetDefaultDllDirectories where the system has it;
// elsewhere SetDllDirectoryA("") takes the current directory out of the search, and each
// library the programs use is loaded by its full path so that later loads by name find it
// already there. False when neither holds: the program must not go on.
bool LockDllSearch();
