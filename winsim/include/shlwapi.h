// Shell helpers: deleting a registry key with everything below it.
#pragma once
#include <windows.h>

DWORD WINAPI SHDeleteKeyA(HKEY key, LPCSTR subKey);
