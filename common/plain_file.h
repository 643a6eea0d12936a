// Files in folders that any user may write to: what a handle opened there really reached.
#pragma once
#include <windows.h>

// Opens path itself, never what a link there points to; a folder is opened for its handle alone.
HANDLE OpenWithoutLinks(const char *path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                        LPSECURITY_ATTRIBUTES security = NULL);

// True when the handle reaches a plain folder (directory set) or a plain file with one name: no
// junction, no symbolic link, no hard link that makes the same file appear elsewhere.
bool IsPlain(HANDLE handle, bool directory);
