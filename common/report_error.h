// The one way a failed system call is shown to the user.
#pragma once
#include <windows.h>

// Shows prefixFormat (one %d for code) followed by the system's English text for code.
void ReportSystemError(const char *prefixFormat, DWORD code, UINT icon);
