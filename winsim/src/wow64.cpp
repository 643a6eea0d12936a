// WOW64: the 32-bit program's view of a 64-bit machine, its system directory redirected to
// SysWOW64, and GetSystemWow64DirectoryA.
#include "registry.h"

#include <string.h>

namespace winsim {

namespace {
thread_local bool t_native = false;

// The subfolders of system32 that 32-bit programs share with 64-bit ones.
const char *const kSharedFolders[] = {"\\CATROOT",      "\\CATROOT2", "\\DRIVERSTORE",
                                      "\\DRIVERS\\ETC", "\\LOGFILES", "\\SPOOL"};

std::string Wow64Directory() {
    return g_machine->windowsDir + "\\SysWOW64";
}

// Whether key is folder or lies below it; both upper-case.
bool Within(const std::string &key, const std::string &folder) {
    return key.compare(0, folder.size(), folder) == 0 &&
           (key.size() == folder.size() || key[folder.size()] == '\\');
}
} // namespace

NativeCaller::NativeCaller() {
    t_native = true;
}
NativeCaller::~NativeCaller() {
    t_native = false;
}

bool Wow64Program() {
    return g_machine->wow64 && !t_native;
}

// Only the program's own calls are redirected; the test side names physical paths.
std::string RedirectSystemPath(const std::string &key) {
    std::string system = Upper(g_machine->systemDir);
    if (!InProcess() || !Wow64Program())
        return key;
    // Sysnative is how a 32-bit program reaches the real system directory.
    std::string sysnative = Upper(g_machine->windowsDir) + "\\SYSNATIVE";
    if (Within(key, sysnative))
        return system + key.substr(sysnative.size());
    if (!Within(key, system))
        return key;
    std::string rest = key.substr(system.size());
    for (const char *shared : kSharedFolders)
        if (Within(rest, shared))
            return key;
    return Upper(Wow64Directory()) + rest;
}

void PrepareWow64Machine() {
    MakeDirectory(Wow64Directory());
    CreateKeyPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\"
                  "Uninstall");
}

} // namespace winsim

UINT WINAPI winsim::SimGetSystemWow64DirectoryA(LPSTR buffer, UINT size) {
    Api api("GetSystemWow64DirectoryA");
    if (api.failed())
        return 0;
    if (!g_machine->wow64) {
        SetError(ERROR_CALL_NOT_IMPLEMENTED); // a 32-bit Windows has no such directory
        return 0;
    }
    std::string path = Wow64Directory();
    MakeDirectory(path);
    if (size <= path.size())
        return UINT(path.size() + 1);
    memcpy(buffer, path.c_str(), path.size() + 1);
    return UINT(path.size());
}
