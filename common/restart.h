// Restarting the computer and stopping or starting the print spooler.
#pragma once
#include <windows.h>

// Restarts at once with the shutdown privilege; 1 when the system accepted the request.
int RestartSystem();

// Runs "net stop spooler" or "net start spooler" hidden, net.exe taken from the system
// directory and working there, then waits the fixed pause (also when net.exe could not be
// started).
void RunSpoolerCommand(const char *commandLine, DWORD pause);
