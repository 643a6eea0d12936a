// A file planted where an attacker could put it: when it runs, it leaves "<its own path>.ran"
// beside itself, which the scenarios under Wine look for.
#pragma once
#include <windows.h>

inline void LeaveMarker(HMODULE self) {
    char path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    lstrcatA(path, ".ran");
    HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
}
