// The platform contracts the programs rely on, as one test source that runs both against the
// simulated Windows and, cross-compiled, on a real Win32 implementation.
#pragma once
#include <windows.h>

#include <string>

// Runs every contract case in the folder root (created and removed by the caller), removing
// what the cases create there, in the registry and in the INF store; returns the number of
// failed checks and prints one line per failure. Under Wine, the known differences from what
// Windows documents print a "WINE DIFFERS" line each and are not counted.
int RunContracts(const std::string &root);
