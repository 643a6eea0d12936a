// Programs of the system directory, started by their full path: an elevated program must never
// run a same-named file from its own folder, the current directory or the search path.
#pragma once
#include <windows.h>
#include <string>

#include "common/scoped_handle.h"

struct SystemCommand {
    std::string program;     // the program's full path; empty when nothing is to be started
    std::string commandLine; // the command, with that path in quotes as its first word
    std::string directory;   // the system directory, the child's current directory
};

// command's first word names a program of the system directory without ".exe": "net stop
// spooler" becomes "C:\WINDOWS\system32\net.exe" and the command line
// "C:\WINDOWS\system32\net.exe" stop spooler (with the quotes). Under WOW64 the system directory
// is the 32-bit one, as the program's own view of system32 is. Empty, after a trace line, when
// the system directory cannot be read.
SystemCommand SystemCommandLine(const std::string &command);

// A started child's process and thread.
struct ChildProcess {
    ScopedHandle process;
    ScopedHandle thread;
};

// Starts the command with its window hidden (startupFlags: STARTF_USESHOWWINDOW and any others),
// the program named apart from its command line so that nothing is searched for it, and the
// system directory as its current directory: a child never works in the folder this program
// was started from, where it would find the files planted there. False, with the last error
// set, when it did not start.
bool StartSystemCommand(SystemCommand &command, DWORD startupFlags, ChildProcess &child);
