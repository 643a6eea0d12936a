// Deleting registry keys, also protected ones and ones in the 64-bit view.
#pragma once
#include <windows.h>
#include <aclapi.h>

// RegDeleteKeyExA looked up at run time; -1 when the system lacks it.
LONG MyRegDeleteKeyEx(HKEY root, LPCSTR subKey, REGSAM samDesired, DWORD reserved);

// The trace line of a failed key deletion, with the key and the code, for each way of deleting.
struct KeyDeletionTraces {
    const char *regDeleteKeyEx; // under WOW64
    const char *shDeleteKey;
};
// "MyRegDeleteKeyEx failed : %s (%d) " and "SHDeleteKey failed : %s (%d) ".
extern const KeyDeletionTraces kKeyDeletionTraces;

// Deletes subKey under HKLM: in the 64-bit view under WOW64 (only a key without subkeys), else
// with everything below it. A failure is traced; true when the key is gone.
bool DeleteMachineKey(const char *subKey, BOOL wow64,
                      const KeyDeletionTraces &traces = kKeyDeletionTraces);
// The same for a key that opens for reading and writing (in the 64-bit view under WOW64); a key
// that does not open is left alone without a trace.
void DeleteMachineKeyIfPresent(const char *subKey, BOOL wow64,
                               const KeyDeletionTraces &traces = kKeyDeletionTraces);

// Grants Everyone full control of keyPath ("HKLM\..."), then deletes subKey under HKLM.
void GrantAndDeleteRegKey(const char *keyPath, const char *subKey, BOOL wow64);

// Merges the entry that the permission string ("/PG:Everyone:Fc") describes into the DACL of
// keyPath.
DWORD SetRegKeyPermission(const char *keyPath, const char *permission);
DWORD OpenRegKeyPath(const char *keyPath, HKEY *key);
DWORD ParseRegRights(const char *rights, DWORD *mask);
DWORD ApplyKeyAcl(HKEY key, EXPLICIT_ACCESSA *entry);
