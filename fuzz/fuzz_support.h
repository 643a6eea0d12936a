// A simulated machine for the fuzzers, with the programs' resources.
#pragma once
#include <windows.h>

#include <string>

HINSTANCE FuzzInstallerModule();
HINSTANCE FuzzUninstallerModule();
// A fresh machine with a trace log started, the media folder as current directory.
void FreshMachine();
