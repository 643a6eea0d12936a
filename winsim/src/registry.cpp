// The registry: one tree per predefined root, the 32- and 64-bit views, handles that keep their
// access, and the calls that open, write, read, list and delete keys.
#include "registry.h"

#include <shlwapi.h>
#include <string.h>
#include <winsim_registry.h>

namespace winsim {

const char kComputerName[] = "QMRTEST";

namespace {
const LONG kKeyDeleted = 1018; // ERROR_KEY_DELETED
const LONG kBadNetPath = 53;   // ERROR_BAD_NETPATH
const char kSoftware[] = "HKEY_LOCAL_MACHINE\\SOFTWARE";

struct Root {
    HKEY handle;
    const char *name;
    const char *shortName;
};
const Root kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_USERS, "HKEY_USERS", "HKU"},
};

const Root *FindRoot(HKEY key) {
    for (const Root &root : kRoots)
        if (root.handle == key)
            return &root;
    return nullptr;
}

bool IsRootPath(const std::string &path) {
    return path.find('\\') == std::string::npos;
}

// A link's target as the native layer names keys ("\\REGISTRY\\MACHINE\\..."); empty for one
// outside the machine's and the users' trees.
std::string LinkTarget(const WCHAR *text, size_t length) {
    std::string native;
    for (size_t i = 0; i < length && text[i] != 0; ++i)
        native += text[i] < 0x80 ? char(text[i]) : '?';
    for (const auto &root : {std::make_pair("\\REGISTRY\\MACHINE", "HKEY_LOCAL_MACHINE"),
                             std::make_pair("\\REGISTRY\\USER", "HKEY_USERS")}) {
        size_t prefix = strlen(root.first);
        if (Upper(native.substr(0, prefix)) == root.first &&
            (native.size() == prefix || native[prefix] == '\\'))
            return root.second + native.substr(prefix);
    }
    return "";
}

// Windows gives up after a few dozen links on one path; any limit stops a loop of links.
const int kMaxKeyLinkHops = 63;

// Follows the first registry link on the way to path; false when none is left to follow.
bool FollowFirstKeyLink(std::string &path, bool followLast) {
    for (size_t end = path.find('\\'); end != std::string::npos;) {
        size_t next = path.find('\\', end + 1);
        bool last = next == std::string::npos;
        RegKey *key = FindKey(path.substr(0, next));
        if (key == nullptr || (last && !followLast))
            return false;
        if (key->isLink) {
            // A link that points nowhere yet reaches no key.
            path = key->link.empty() ? "" : key->link + (last ? std::string() : path.substr(next));
            return !path.empty();
        }
        end = next;
    }
    return false;
}

// The key a path reaches through the links on its way, and through a link at its end unless
// openLink is set.
std::string FollowKeyLinks(std::string path, bool openLink) {
    for (int hops = 0; hops <= kMaxKeyLinkHops; ++hops)
        if (!FollowFirstKeyLink(path, !openLink))
            return path;
    return "";
}

// The key a call names: the handle's key and a relative path, in the view the access flags ask
// for, or else in the handle's view; a link at its end is followed unless openLink is set.
KeyRef Locate(const KeyRef &base, LPCSTR subKey, REGSAM access, bool openLink = false) {
    KeyRef target = base;
    target.logical = JoinKeyPath(base.logical, subKey != NULL ? subKey : "");
    if (access & KEY_WOW64_64KEY)
        target.view32 = false;
    else if (access & KEY_WOW64_32KEY)
        target.view32 = true;
    target.path = FollowKeyLinks(PhysicalKeyPath(target.logical, target.view32), openLink);
    target.access = MapKeyRights(access);
    return target;
}

HKEY OpenHandle(const KeyRef &target) {
    auto handle = std::make_shared<KeyHandle>();
    handle->key = target;
    return (HKEY)AddHandle(handle, "registry key");
}

// The open key behind a handle, or the error a call on it gets.
LONG UsableKey(HKEY key, KeyRef &ref, RegKey *&found) {
    ref = ResolveKey(key);
    if (!ref.valid)
        return ERROR_INVALID_HANDLE;
    found = FindKey(ref.path);
    return found == nullptr ? kKeyDeleted : ERROR_SUCCESS;
}

// The same for a call that needs the handle to carry a right.
LONG KeyWith(HKEY key, REGSAM right, RegKey *&found) {
    KeyRef ref;
    if (LONG error = UsableKey(key, ref, found))
        return error;
    return (ref.access & right) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Deletes everything below a key, then the key; a key the caller may not delete stops the
// walk there and leaves what is left, as the shell's recursive delete does. It opens and deletes
// each subkey by name, so a link among them takes it to the link's target, which goes in its
// place while the link stays.
LONG DeleteTree(const std::string &named) {
    std::string path = FollowKeyLinks(named, false);
    RegKey *key = path.empty() ? nullptr : FindKey(path);
    if (key == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (IsRootPath(path) || !CallerHas(*key, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    for (RegKey *child : ChildKeys(path)) {
        LONG result = DeleteTree(child->path);
        if (result != ERROR_SUCCESS)
            return result;
    }
    if (!ChildKeys(path).empty())
        return ERROR_ACCESS_DENIED;
    g_machine->registry->keys.erase(Upper(path));
    return ERROR_SUCCESS;
}
} // namespace

std::shared_ptr<RegistryState> MakeRegistry() {
    static const char *const kStandardKeys[] = {
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print",
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum",
        "HKEY_CURRENT_USER\\Software",
    };
    auto state = std::make_shared<RegistryState>();
    for (const Root &root : kRoots)
        state->keys[root.name] = RegKey{root.name, false, "", {}, DefaultKeyDacl()};
    // CreateKeyPath works on the machine's registry; Reset stores this same state there.
    g_machine->registry = state;
    for (const char *path : kStandardKeys)
        CreateKeyPath(path);
    return state;
}

KeyRef ResolveKey(HKEY key) {
    KeyRef ref;
    if (const Root *root = FindRoot(key)) {
        ref.valid = true;
        ref.path = ref.logical = root->name;
        ref.view32 = Wow64Program();
        ref.access = KEY_ALL_ACCESS;
    } else if (KeyHandle *handle = GetHandle<KeyHandle>((HANDLE)key)) {
        ref = handle->key;
    }
    return ref;
}

std::string CanonicalKeyPath(const std::string &path) {
    size_t slash = path.find('\\');
    std::string first = Upper(path.substr(0, slash));
    for (const Root &root : kRoots)
        if (first == root.name || first == root.shortName)
            return JoinKeyPath(root.name, slash == std::string::npos ? "" : path.substr(slash));
    return "";
}

std::string JoinKeyPath(const std::string &base, const std::string &relative) {
    std::string result = base;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('\\', start);
        if (end == std::string::npos)
            end = relative.size();
        if (end > start)
            result += "\\" + relative.substr(start, end - start);
        start = end + 1;
    }
    return result;
}

std::string PhysicalKeyPath(const std::string &logical, bool view32) {
    size_t length = strlen(kSoftware);
    std::string upper = Upper(logical);
    if (!g_machine->wow64 || !view32 || upper.compare(0, length, kSoftware) != 0 ||
        (upper.size() > length && upper[length] != '\\') ||
        (upper + "\\").compare(length, 13, "\\WOW6432NODE\\") == 0)
        return logical;
    return logical.substr(0, length) + "\\Wow6432Node" + logical.substr(length);
}

std::string ParentKeyPath(const std::string &path) {
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

RegKey *FindKey(const std::string &path) {
    auto &keys = g_machine->registry->keys;
    auto it = keys.find(Upper(path));
    return it == keys.end() ? nullptr : &it->second;
}

RegKey &CreateKeyPath(const std::string &path) {
    if (RegKey *existing = FindKey(path))
        return *existing;
    RegKey key;
    key.path = path;
    key.dacl = InheritedFrom(CreateKeyPath(ParentKeyPath(path)));
    return g_machine->registry->keys[Upper(path)] = key;
}

std::vector<RegKey *> ChildKeys(const std::string &path) {
    std::string prefix = Upper(path) + "\\";
    auto &keys = g_machine->registry->keys;
    std::vector<RegKey *> children;
    for (auto it = keys.lower_bound(prefix);
         it != keys.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
        if (it->first.find('\\', prefix.size()) == std::string::npos)
            children.push_back(&it->second);
    return children;
}

} // namespace winsim

using namespace winsim;

namespace {
// RegDeleteKeyA and RegDeleteKeyExA: one key without subkeys, in the view access chooses.
LONG DeleteLeafKey(HKEY key, LPCSTR subKey, REGSAM access) {
    if (subKey == NULL)
        return ERROR_INVALID_PARAMETER;
    KeyRef base;
    RegKey *found = nullptr;
    if (LONG error = UsableKey(key, base, found))
        return error;
    KeyRef target = Locate(base, subKey, access);
    found = FindKey(target.path);
    if (found == nullptr)
        return ERROR_FILE_NOT_FOUND;
    // Only a key without subkeys can go, as on Windows; roots never.
    if (IsRootPath(target.path) || !ChildKeys(target.path).empty() || !CallerHas(*found, DELETE))
        return ERROR_ACCESS_DENIED;
    g_machine->registry->keys.erase(Upper(target.path));
    return ERROR_SUCCESS;
}
} // namespace

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    Api api("RegOpenKeyExA");
    if (api.failed())
        return LONG(GetLastError());
    if (result == NULL)
        return ERROR_INVALID_PARAMETER;
    *result = NULL;
    KeyRef base;
    RegKey *found = nullptr;
    if (LONG error = UsableKey(key, base, found))
        return error;
    if (options & ~DWORD(REG_OPTION_OPEN_LINK))
        return ERROR_INVALID_PARAMETER;
    KeyRef target = Locate(base, subKey, access, (options & REG_OPTION_OPEN_LINK) != 0);
    found = target.path.empty() ? nullptr : FindKey(target.path);
    if (found == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (!CallerHas(*found, target.access))
        return ERROR_ACCESS_DENIED;
    *result = OpenHandle(target);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD options, REGSAM access,
                            LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    Api api("RegCreateKeyExA");
    if (api.failed())
        return LONG(GetLastError());
    if (result == NULL)
        return ERROR_INVALID_PARAMETER;
    *result = NULL;
    KeyRef base;
    RegKey *found = nullptr;
    if (LONG error = UsableKey(key, base, found))
        return error;
    KeyRef target = Locate(base, subKey, access);
    if (target.path.empty())
        return ERROR_ACCESS_DENIED; // links in a loop
    DWORD outcome = REG_OPENED_EXISTING_KEY;
    if (FindKey(target.path) == nullptr) {
        // New keys need the right to add subkeys, through the handle and in the DACL of the
        // nearest key that exists.
        std::string existing = ParentKeyPath(target.path);
        while (FindKey(existing) == nullptr)
            existing = ParentKeyPath(existing);
        if (!(base.access & KEY_CREATE_SUB_KEY) ||
            !CallerHas(*FindKey(existing), KEY_CREATE_SUB_KEY))
            return ERROR_ACCESS_DENIED;
        CreateKeyPath(target.path).isLink = (options & REG_OPTION_CREATE_LINK) != 0;
        outcome = REG_CREATED_NEW_KEY;
    }
    if (!CallerHas(*FindKey(target.path), target.access))
        return ERROR_ACCESS_DENIED;
    *result = OpenHandle(target);
    if (disposition != NULL)
        *disposition = outcome;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE *data, DWORD size) {
    Api api("RegSetValueExA");
    if (api.failed())
        return LONG(GetLastError());
    RegKey *found = nullptr;
    if (LONG error = KeyWith(key, KEY_SET_VALUE, found))
        return error;
    if (data == NULL && size != 0)
        return ERROR_INVALID_PARAMETER;
    std::string valueName = name != NULL ? name : "";
    // Stored exactly as given: a string written without its NUL is read back without one.
    found->values[Upper(valueName)] =
        RegValue{valueName, type, size != 0 ? std::string((const char *)data, size) : ""};
    if (found->isLink && type == REG_LINK && Upper(valueName) == "SYMBOLICLINKVALUE")
        found->link = LinkTarget((const WCHAR *)data, size / sizeof(WCHAR));
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data,
                             LPDWORD size) {
    Api api("RegQueryValueExA");
    if (api.failed())
        return LONG(GetLastError());
    RegKey *found = nullptr;
    if (LONG error = KeyWith(key, KEY_QUERY_VALUE, found))
        return error;
    if (data != NULL && size == NULL)
        return ERROR_INVALID_PARAMETER;
    auto it = found->values.find(Upper(name != NULL ? name : ""));
    if (it == found->values.end())
        return ERROR_FILE_NOT_FOUND;
    const RegValue &value = it->second;
    if (type != NULL)
        *type = value.type;
    DWORD needed = DWORD(value.data.size());
    if (data != NULL && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data != NULL)
        memcpy(data, value.data.data(), needed);
    if (size != NULL)
        *size = needed;
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD,
                          LPSTR className, LPDWORD classSize, FILETIME *lastWrite) {
    Api api("RegEnumKeyExA");
    if (api.failed())
        return LONG(GetLastError());
    KeyRef ref;
    RegKey *found = nullptr;
    if (LONG error = UsableKey(key, ref, found))
        return error;
    if (!(ref.access & KEY_ENUMERATE_SUB_KEYS))
        return ERROR_ACCESS_DENIED;
    if (name == NULL || nameSize == NULL)
        return ERROR_INVALID_PARAMETER;
    std::vector<RegKey *> children = ChildKeys(found->path);
    if (index >= children.size())
        return ERROR_NO_MORE_ITEMS;
    const std::string &path = children[index]->path;
    std::string child = path.substr(path.rfind('\\') + 1);
    if (*nameSize <= child.size())
        return ERROR_MORE_DATA;
    memcpy(name, child.c_str(), child.size() + 1);
    *nameSize = DWORD(child.size());
    if (className != NULL && classSize != NULL && *classSize > 0)
        className[0] = '\0';
    if (classSize != NULL)
        *classSize = 0;
    if (lastWrite != NULL)
        memset(lastWrite, 0, sizeof *lastWrite);
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    Api api("RegDeleteKeyA");
    if (api.failed())
        return LONG(GetLastError());
    return DeleteLeafKey(key, subKey, 0);
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR name) {
    Api api("RegDeleteValueA");
    if (api.failed())
        return LONG(GetLastError());
    RegKey *found = nullptr;
    if (LONG error = KeyWith(key, KEY_SET_VALUE, found))
        return error;
    return found->values.erase(Upper(name != NULL ? name : "")) == 1 ? ERROR_SUCCESS
                                                                     : ERROR_FILE_NOT_FOUND;
}

LONG WINAPI RegCloseKey(HKEY key) {
    Api api("RegCloseKey");
    if (api.failed())
        return LONG(GetLastError());
    if (FindRoot(key) != nullptr)
        return ERROR_SUCCESS;
    if (GetHandle<KeyHandle>((HANDLE)key) == nullptr)
        return ERROR_INVALID_HANDLE;
    CloseHandleObject((HANDLE)key);
    return ERROR_SUCCESS;
}

LONG WINAPI RegConnectRegistryA(LPCSTR machine, HKEY key, PHKEY result) {
    Api api("RegConnectRegistryA");
    if (api.failed())
        return LONG(GetLastError());
    if (FindRoot(key) == nullptr || result == NULL)
        return ERROR_INVALID_HANDLE;
    std::string name = machine != NULL ? machine : "";
    if (name.compare(0, 2, "\\\\") == 0)
        name = name.substr(2);
    if (!name.empty()) {
        // Another machine offers only its machine-wide roots.
        if (key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT)
            return ERROR_INVALID_HANDLE;
        if (Upper(name) != Upper(kComputerName))
            return kBadNetPath;
    }
    *result = OpenHandle(ResolveKey(key));
    return ERROR_SUCCESS;
}

DWORD WINAPI SHDeleteKeyA(HKEY key, LPCSTR subKey) {
    Api api("SHDeleteKeyA");
    if (api.failed())
        return GetLastError();
    KeyRef base;
    RegKey *found = nullptr;
    if (LONG error = UsableKey(key, base, found))
        return DWORD(error);
    KeyRef target = Locate(base, subKey, 0, true);
    if (FindKey(target.path) == nullptr)
        return ERROR_FILE_NOT_FOUND;
    return DWORD(DeleteTree(target.path));
}

LONG WINAPI winsim::SimRegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM access, DWORD reserved) {
    Api api("RegDeleteKeyExA");
    if (api.failed())
        return LONG(GetLastError());
    if (reserved != 0)
        return ERROR_INVALID_PARAMETER;
    return DeleteLeafKey(key, subKey, access);
}

// The key the handle names, itself: a link opened with REG_OPTION_OPEN_LINK goes, not its target.
NTSTATUS NTAPI winsim::SimNtDeleteKey(HANDLE key) {
    Api api("NtDeleteKey");
    if (api.failed())
        return FaultStatus();
    KeyRef ref;
    RegKey *found = nullptr;
    LONG error = UsableKey((HKEY)key, ref, found);
    if (error != ERROR_SUCCESS || FindRoot((HKEY)key) != nullptr)
        return error == kKeyDeleted     ? kStatusKeyDeleted
               : error == ERROR_SUCCESS ? kStatusAccessDenied
                                        : kStatusInvalidHandle;
    if (!(ref.access & DELETE))
        return kStatusAccessDenied;
    if (!ChildKeys(ref.path).empty())
        return kStatusCannotDelete;
    g_machine->registry->keys.erase(Upper(ref.path));
    return kStatusSuccess;
}
