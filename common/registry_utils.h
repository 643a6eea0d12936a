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

// For a tree that users may have been able to write (an earlier release granted Everyone full
// control of keyPath, "HKLM\...", and so of every key below it): takes that grant back, then
// deletes subKey under HKLM with DeleteMachineKeyTree.
void GrantAndDeleteRegKey(const char *keyPath, const char *subKey, BOOL wow64);
// Deletes subKey under HKLM (in the 64-bit view under WOW64) and everything below it, bottom-up:
// each key opened relative to its parent without following a registry link, and deleted through
// that handle, so that a link planted in the tree goes itself and never leads the deletion out
// of it. A failure is traced as DeleteMachineKey traces it; true when the key is gone.
bool DeleteMachineKeyTree(const char *subKey, BOOL wow64);

// Merges the entry that the permission string ("/PG:Everyone:Fc", "/PR:Everyone") describes into
// the DACL of keyPath; view: KEY_WOW64_64KEY for the 64-bit view, or 0.
DWORD SetRegKeyPermission(const char *keyPath, const char *permission, REGSAM view = 0);
DWORD OpenRegKeyPath(const char *keyPath, HKEY *key, REGSAM view = 0);
DWORD ParseRegRights(const char *rights, DWORD *mask);
DWORD ApplyKeyAcl(HKEY key, EXPLICIT_ACCESSA *entry);
