// The kernel's directory look-ups, checked but without a trace line: for the trace log itself,
// which finds its folder with them, and for callers that write their own line. A look-up that
// fails, answers nothing or fills its buffer gives false, and error says why.
#pragma once
#include <windows.h>
#include <string>

bool QueryWindowsDirectory(std::string &path, DWORD &error);
bool QuerySystemDirectory(std::string &path, DWORD &error);
