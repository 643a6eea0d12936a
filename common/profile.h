// The product profile: the program's numbered table of product names.
#pragma once
#include <windows.h>
#include <string>

// The entry of the running program's table; empty for an id the table lacks.
std::string LoadProfileString(UINT id);

// A profile entry read as an unsigned decimal that stops at the first non-digit.
unsigned LoadProfileNumber(UINT id);
