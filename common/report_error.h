// The one way a failed system call is shown to the user.
#pragma once
#include <windows.h>

#include <string>

// prefix followed by the system's English text for code (nothing when it has none).
std::string SystemErrorText(const std::string &prefix, DWORD code);

// Shows prefixFormat (one %d for code) followed by the system's English text for code; an
// unattended run writes it to the trace log and will end with 1603.
void ReportSystemError(const char *prefixFormat, DWORD code, UINT icon);
