// The system's directories that the programs build paths on. Each look-up is checked: when the
// call fails, answers nothing or fills its buffer, a trace line names the call and the result is
// false, so that no path the caller builds starts at the root of the current drive (a folder any
// user may create).
#pragma once
#include <windows.h>
#include <string>

#include "common/directory_query.h"

bool WindowsDirectory(std::string &path);
bool SystemDirectory(std::string &path);
// For the caller's spooler environment (SpoolerEnvironment of the WOW64 flag).
bool PrinterDriverDirectory(BOOL wow64, std::string &path);
bool PrintProcessorDirectory(BOOL wow64, std::string &path);
