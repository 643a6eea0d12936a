// Files reached through a folder the program holds open: each name is opened, listed and deleted
// relative to the folder's handle, so that no other user can swap in a link between a check and
// the use of a path. Through ntdll's native calls (Windows 2000 on), looked up at run time.
#pragma once
#include <windows.h>
#include <winternl.h>

#include <string>
#include <vector>

typedef std::basic_string<WCHAR> WideName;

// Looks up the native calls for the run: once at its start, after the DLL lock, before any other
// thread exists. A look-up that found nothing is made again at the next use.
void LoadNativeFiles();

// The name in the system's characters; empty when it cannot be converted.
WideName WideText(const char *text);

// Opens name in folder, never through a link at its end: a junction or symbolic link there is
// opened itself. Creates it with security (may be NULL) for FILE_CREATE and FILE_OPEN_IF.
// INVALID_HANDLE_VALUE on failure, with status saying why.
HANDLE OpenInFolder(HANDLE folder, const WideName &name, ACCESS_MASK access, ULONG share,
                    ULONG disposition, ULONG options, PSECURITY_DESCRIPTOR security,
                    NTSTATUS &status);
// The names in an open folder ("." and ".." left out); false when it cannot be listed whole.
bool ListFolder(HANDLE folder, std::vector<WideName> &names);
// Marks the object for deletion when its handle (opened with DELETE) closes.
bool DeleteThroughHandle(HANDLE handle);
// Writes the attributes of the object (opened with FILE_WRITE_ATTRIBUTES).
bool SetAttributesThroughHandle(HANDLE handle, DWORD attributes);
// Deletes a registry key opened with DELETE (and REG_OPTION_OPEN_LINK: a link goes itself);
// fails for a key that has subkeys.
bool DeleteKeyThroughHandle(HKEY key);

// The statuses the callers tell apart.
const NTSTATUS kStatusObjectNameNotFound = NTSTATUS(0xC0000034);
const NTSTATUS kStatusObjectNameCollision = NTSTATUS(0xC0000035);
const NTSTATUS kStatusFileIsADirectory = NTSTATUS(0xC00000BA);
