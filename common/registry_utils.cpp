#include "common/registry_utils.h"

#include <ctype.h>
#include <shlwapi.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/bounded_string.h"
#include "common/native_files.h"
#include "common/scoped_handle.h"
#include "common/trace_log.h"

namespace {
typedef LONG(WINAPI *RegDeleteKeyExFn)(HKEY, LPCSTR, REGSAM, DWORD);

const size_t kWorkSize = 512;

struct RootName {
    const char *name;
    const char *shortName;
    HKEY key;
};

HKEY FindRoot(const char *name) {
    static const RootName kRoots[] = {
        {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
        {"HKEY_USERS", "HKU", HKEY_USERS},
        {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    };
    for (const RootName &root : kRoots)
        if (CompareNoCase(name, root.name, kWorkSize) == 0 ||
            CompareNoCase(name, root.shortName, kWorkSize) == 0)
            return root.key;
    return NULL;
}

// A path whose last element is empty names the parent of the key meant (or the root itself):
// neither its DACL nor its subkeys are the package's.
bool LastElementEmpty(const char *path) {
    size_t length = strlen(path);
    return length == 0 || path[length - 1] == '\\';
}

const REGSAM kOpenAccess = READ_CONTROL | WRITE_DAC | KEY_ENUMERATE_SUB_KEYS;

// Deeper trees, and more subkeys in one key, are not the package's: they stay.
const int kMaxKeyDepth = 32;
const DWORD kMaxSubKeys = 65536;

// Deletes name under parent and what is below it; ERROR_SUCCESS or why the key stays.
LONG DeleteKeyTree(HKEY parent, const char *name, REGSAM view, int depth) {
    ScopedKey key;
    LONG result = RegOpenKeyExA(parent, name, REG_OPTION_OPEN_LINK,
                                DELETE | KEY_ENUMERATE_SUB_KEYS | view, key.Receive());
    if (result != ERROR_SUCCESS)
        return result;
    // The names first: the deletions would move the indexes of the ones after them.
    std::vector<std::string> children;
    char child[256];
    for (DWORD index = 0; depth < kMaxKeyDepth && index < kMaxSubKeys; ++index) {
        DWORD size = sizeof child;
        if (RegEnumKeyExA(key.Get(), index, child, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        children.push_back(child);
    }
    for (const std::string &sub : children)
        DeleteKeyTree(key.Get(), sub.c_str(), view, depth + 1);
    return DeleteKeyThroughHandle(key.Get()) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}
} // namespace

LONG MyRegDeleteKeyEx(HKEY root, LPCSTR subKey, REGSAM samDesired, DWORD reserved) {
    RegDeleteKeyExFn regDeleteKeyEx =
        (RegDeleteKeyExFn)(void *)GetProcAddress(GetModuleHandleA("Advapi32"), "RegDeleteKeyExA");
    if (regDeleteKeyEx == NULL)
        return -1;
    return regDeleteKeyEx(root, subKey, samDesired, reserved);
}

const KeyDeletionTraces kKeyDeletionTraces = {"MyRegDeleteKeyEx failed : %s (%d) ",
                                              "SHDeleteKey failed : %s (%d) "};

bool DeleteMachineKey(const char *subKey, BOOL wow64, const KeyDeletionTraces &traces) {
    const char *failure = wow64 ? traces.regDeleteKeyEx : traces.shDeleteKey;
    if (LastElementEmpty(subKey)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        TraceLog(failure, subKey, ERROR_INVALID_PARAMETER);
        return false;
    }
    if (wow64 ? MyRegDeleteKeyEx(HKEY_LOCAL_MACHINE, subKey, KEY_WOW64_64KEY, 0) == 0
              : SHDeleteKeyA(HKEY_LOCAL_MACHINE, subKey) == 0)
        return true;
    TraceLog(failure, subKey, int(GetLastError()));
    return false;
}

void DeleteMachineKeyIfPresent(const char *subKey, BOOL wow64, const KeyDeletionTraces &traces) {
    ScopedKey opened;
    REGSAM access = wow64 ? KEY_READ | KEY_WRITE | KEY_WOW64_64KEY : KEY_READ | KEY_WRITE;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, access, opened.Receive()) != ERROR_SUCCESS)
        return;
    DeleteMachineKey(subKey, wow64, traces);
}

void GrantAndDeleteRegKey(const char *keyPath, const char *subKey, BOOL wow64) {
    // Taken back first, so that a key the deletion cannot remove is not left writable by users.
    SetRegKeyPermission(keyPath, "/PR:Everyone", wow64 ? KEY_WOW64_64KEY : 0);
    TraceLog("REGKEY_1 : %s", keyPath);
    TraceLog("REGKEY_2 : %s", subKey);
    DeleteMachineKeyTree(subKey, wow64);
}

bool DeleteMachineKeyTree(const char *subKey, BOOL wow64) {
    const char *failure =
        wow64 ? kKeyDeletionTraces.regDeleteKeyEx : kKeyDeletionTraces.shDeleteKey;
    LONG result = LastElementEmpty(subKey)
                      ? LONG(ERROR_INVALID_PARAMETER)
                      : DeleteKeyTree(HKEY_LOCAL_MACHINE, subKey, wow64 ? KEY_WOW64_64KEY : 0, 0);
    if (result != ERROR_SUCCESS)
        TraceLog(failure, subKey, int(result));
    return result == ERROR_SUCCESS;
}

DWORD SetRegKeyPermission(const char *keyPath, const char *permission, REGSAM view) {
    char *work = (char *)calloc(kWorkSize, 1);
    if (work == NULL)
        return ERROR_NOT_ENOUGH_MEMORY;
    CopyBounded(work, kWorkSize, permission);

    DWORD result = ERROR_INVALID_PARAMETER;
    char *trustee = strchr(work, ':');
    ACCESS_MODE mode = NOT_USED_ACCESS;
    bool valid = trustee != NULL;
    if (valid) {
        *trustee++ = '\0';
        if (strlen(work) >= 2 && toupper((unsigned char)work[1]) == 'P') {
            switch (toupper((unsigned char)work[2])) {
            case 'G':
                mode = GRANT_ACCESS;
                break;
            case 'S':
                mode = SET_ACCESS;
                break;
            case 'D':
                mode = DENY_ACCESS;
                break;
            case 'R':
                mode = REVOKE_ACCESS;
                break;
            default:
                valid = false;
            }
        }
    }
    char *rights = valid ? strchr(trustee, ':') : NULL;
    if (valid && rights == NULL && mode != REVOKE_ACCESS && mode != NOT_USED_ACCESS)
        valid = false;
    if (valid && rights != NULL)
        *rights++ = '\0';

    DWORD mask = 0;
    if (valid && (mode == GRANT_ACCESS || mode == SET_ACCESS || mode == DENY_ACCESS))
        ParseRegRights(rights, &mask);

    ScopedKey key;
    if (valid)
        result = OpenRegKeyPath(keyPath, key.Receive(), view);
    if (valid && result == ERROR_SUCCESS) {
        EXPLICIT_ACCESSA entry;
        memset(&entry, 0, sizeof entry);
        BuildExplicitAccessWithNameA(&entry, trustee, mask, mode, CONTAINER_INHERIT_ACE);
        result = ApplyKeyAcl(key.Get(), &entry);
    }
    free(work);
    return result;
}

DWORD OpenRegKeyPath(const char *keyPath, HKEY *key, REGSAM view) {
    if (LastElementEmpty(keyPath))
        return ERROR_INVALID_PARAMETER;
    char *work = (char *)calloc(kWorkSize, 1);
    if (work == NULL)
        return ERROR_NOT_ENOUGH_MEMORY;
    CopyBounded(work, kWorkSize, keyPath);

    char machine[kWorkSize] = {0};
    char *rootName = work;
    if (work[0] == '\\' && work[1] == '\\') {
        char *name = work + 2;
        char *end = strchr(name, '\\');
        rootName = end != NULL ? end + 1 : name + strlen(name);
        if (end != NULL)
            *end = '\0';
        CopyBounded(machine, sizeof machine, "\\\\");
        AppendBounded(machine, sizeof machine, name);
    }
    char *subKey = strchr(rootName, '\\');
    if (subKey != NULL)
        *subKey++ = '\0';
    HKEY root = rootName[0] != '\0' ? FindRoot(rootName) : NULL;
    DWORD result = ERROR_SUCCESS;
    if (root == NULL ||
        (machine[0] != '\0' && (root == HKEY_CURRENT_USER || root == HKEY_CLASSES_ROOT)))
        result = ERROR_INVALID_PARAMETER;
    if (result == ERROR_SUCCESS && machine[0] != '\0')
        result = DWORD(RegConnectRegistryA(machine, root, &root));
    if (result == ERROR_SUCCESS && subKey != NULL && subKey[0] != '\0') {
        HKEY opened = NULL;
        result = DWORD(RegOpenKeyExA(root, subKey, 0, kOpenAccess | view, &opened));
        if (result == ERROR_SUCCESS) {
            RegCloseKey(root);
            root = opened;
        }
    }
    if (result == ERROR_SUCCESS)
        *key = root;
    free(work);
    return result;
}

DWORD ParseRegRights(const char *rights, DWORD *mask) {
    *mask = 0;
    char *work = (char *)calloc(kWorkSize, 1);
    if (work == NULL)
        return ERROR_NOT_ENOUGH_MEMORY;
    CopyBounded(work, kWorkSize, rights);
    size_t length = strlen(work);
    DWORD result = ERROR_SUCCESS;
    if (length % 2 != 0) {
        free(work);
        return ERROR_INVALID_PARAMETER;
    }
    static const struct {
        const char *code;
        DWORD mask;
    } kRights[] = {{"Fc", 0xF003F}, {"Rd", 0x20019}, {"Wr", 0x20026}};
    for (size_t at = 0; at < length; at += 2) {
        bool known = false;
        for (const auto &right : kRights)
            if (CompareNoCase(work + at, right.code, 2) == 0) {
                *mask |= right.mask;
                known = true;
                break;
            }
        if (!known)
            result = ERROR_INVALID_PARAMETER;
    }
    free(work);
    return result;
}

DWORD ApplyKeyAcl(HKEY key, EXPLICIT_ACCESSA *entry) {
    PACL oldAcl = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    DWORD result = GetSecurityInfo((HANDLE)key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, NULL,
                                   NULL, &oldAcl, NULL, &descriptor);
    if (result != ERROR_SUCCESS)
        return result;
    PACL newAcl = NULL;
    result = SetEntriesInAclA(1, entry, oldAcl, &newAcl);
    if (result == ERROR_SUCCESS) {
        result = SetSecurityInfo((HANDLE)key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, NULL,
                                 NULL, newAcl, NULL);
        LocalFree(newAcl);
    }
    LocalFree(descriptor);
    return result;
}
