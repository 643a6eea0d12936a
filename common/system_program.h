// Programs of the system directory, started by their full path: an elevated program must never
// run a same-named file from its own folder, the current directory or the search path.
#pragma once
#include <string>

// command with its first word, a program of the system directory named without ".exe",
// replaced by that program's full path in quotes: "net stop spooler" becomes
// "C:\WINDOWS\system32\net.exe" stop spooler. Under WOW64 the system directory is the 32-bit
// one, as the program's own view of system32 is. Empty, after a trace line, when the system
// directory cannot be read: nothing is to be started then.
std::string SystemCommandLine(const std::string &command);
