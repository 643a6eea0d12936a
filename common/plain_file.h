// Files in folders that any user may write to: what a handle opened there really reached.
#pragma once
#include <windows.h>

#include <string>

// Opens path itself, never what a link there points to; a folder is opened for its handle alone.
HANDLE OpenWithoutLinks(const char *path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                        LPSECURITY_ATTRIBUTES security = NULL);

// True when the handle reaches a plain folder (directory set) or a plain file with one name: no
// junction, no symbolic link, no hard link that makes the same file appear elsewhere.
bool IsPlain(HANDLE handle, bool directory);

// True when copy is a plain file with one name, of the same size and content as original. The
// copy is read while held open without write sharing, so that nobody changes it meanwhile.
bool IsSameFile(const std::string &copy, const std::string &original);
