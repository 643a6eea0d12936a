// The setup options file beside the installer: whether the port dialog shows, and the port.
#pragma once
#include <windows.h>

// Its name, in the installer's folder and in the model folder of the Windows directory.
extern const char kOptionsFileName[];

// Reads a key of the options file beside the installer, else of the copy in the model folder;
// returns value when a non-empty value was read, else NULL after logging the failure.
char *GetDriverInfoFromFile(const char *section, const char *key, char *value, DWORD size);

// The port index that a PORT value preselects (NULL for an unreadable key).
int PortIndexFromSetting(const char *value);
// The first port a PORT value names, -1 when it names none (or is NULL).
int PortIndexInSetting(const char *value);
