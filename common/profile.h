// The product profile: the program's numbered table of product names.
#pragma once
#include <windows.h>
#include <string>

// The shared routines read ids 1 to 20.
#include "common/profile_ids.h"

// The entry of the running program's table; empty for an id the table lacks.
std::string LoadProfileString(UINT id);
