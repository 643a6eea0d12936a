// Programs of the system directory, started by their full path: an elevated program must never
// run a same-named file from its own folder, the current directory or the search path.
#pragma once
#include <string>

struct SystemCommand {
    std::string program;     // the program's full path; empty when nothing is to be started
    std::string commandLine; // the command, with that path in quotes as its first word
};

// command's first word names a program of the system directory without ".exe": "net stop
// spooler" becomes "C:\WINDOWS\system32\net.exe" and the command line
// "C:\WINDOWS\system32\net.exe" stop spooler (with the quotes). Under WOW64 the system directory
// is the 32-bit one, as the program's own view of system32 is. Empty, after a trace line, when
// the system directory cannot be read.
SystemCommand SystemCommandLine(const std::string &command);
