// Deleting registry keys, also protected ones and ones in the 64-bit view.
#pragma once
#include <windows.h>
#include <aclapi.h>

// RegDeleteKeyExA looked up at run time; -1 when the system lacks it.
LONG MyRegDeleteKeyEx(HKEY root, LPCSTR subKey, REGSAM samDesired, DWORD reserved);

// Deletes subKey under HKLM: in the 64-bit view under WOW64 (only a key without subkeys), else
// with everything below it. A failure is traced; true when the key is gone.
bool DeleteMachineKey(const char *subKey, BOOL wow64);

// Grants Everyone full control of keyPath ("HKLM\..."), then deletes subKey under HKLM.
void GrantAndDeleteRegKey(const char *keyPath, const char *subKey, BOOL wow64);

// Merges the entry that spec ("/PG:Everyone:Fc") describes into the DACL of keyPath.
DWORD SetRegKeyPermission(const char *keyPath, const char *spec);
DWORD OpenRegKeyPath(const char *keyPath, HKEY *key);
DWORD ParseRegRights(const char *rights, DWORD *mask);
DWORD ApplyKeyAcl(HKEY key, EXPLICIT_ACCESSA *entry);
