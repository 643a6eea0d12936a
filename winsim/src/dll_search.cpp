// The loader's DLL search: the program's folder first, as Windows searches it, unless the
// program locked the search to the system directory (SetDefaultDllDirectories) or took the
// current directory out of it (SetDllDirectoryA with an empty string).
#include "machine.h"

#include <string.h>

namespace winsim {

struct DllState {
    std::string programFolder;
    bool systemOnly = false; // LOAD_LIBRARY_SEARCH_SYSTEM32 set as the process default
    bool currentDirRemoved = false;
    std::vector<std::string> loaded; // full paths, in load order; a module's index is its handle
};

std::shared_ptr<DllState> MakeDlls() {
    return std::make_shared<DllState>();
}

namespace {
// The system's own DLLs: in the system directory of every simulated machine without being
// files of its disk, so that listings of system32 show only what tests or programs put there.
const char *const kSystemDlls[] = {"KERNEL32.DLL", "USER32.DLL",   "ADVAPI32.DLL", "GDI32.DLL",
                                   "MSVCRT.DLL",   "COMCTL32.DLL", "SETUPAPI.DLL", "SHLWAPI.DLL",
                                   "WINSPOOL.DRV", "PRINTUI.DLL"};

std::string BaseName(const std::string &path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsSystemDll(const std::string &fullPath) {
    std::string key = Upper(fullPath);
    std::string folder = Upper(g_machine->systemDir) + "\\";
    if (key.compare(0, folder.size(), folder) != 0)
        return false;
    for (const char *name : kSystemDlls)
        if (key.substr(folder.size()) == name)
            return true;
    return false;
}

bool DllExists(const std::string &fullPath) {
    return IsSystemDll(fullPath) || (Exists(fullPath) && !IsDirectory(fullPath));
}

std::vector<std::string> SearchFolders() {
    const DllState &state = *g_machine->dlls;
    if (state.systemOnly)
        return {g_machine->systemDir};
    std::vector<std::string> folders;
    if (!state.programFolder.empty())
        folders.push_back(state.programFolder);
    folders.push_back(g_machine->systemDir);
    folders.push_back(g_machine->windowsDir);
    if (!state.currentDirRemoved)
        folders.push_back(g_machine->currentDir);
    return folders;
}

HMODULE ModuleHandle(size_t index) {
    return (HMODULE)(uintptr_t)(0x10000000 + 0x10000 * index);
}

HMODULE Load(const char *function, LPCSTR name, HANDLE file, DWORD flags) {
    Api api(function);
    if (api.failed())
        return NULL;
    if (name == NULL || name[0] == '\0' || file != NULL ||
        (flags & ~DWORD(LOAD_WITH_ALTERED_SEARCH_PATH)) != 0) {
        SetError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    DllState &state = *g_machine->dlls;
    std::string request = name;
    bool hasPath = request.find_first_of("\\/:") != std::string::npos;
    // A bare name that is already loaded is that module, wherever it was loaded from.
    for (size_t i = 0; i < state.loaded.size(); ++i)
        if (!hasPath && Upper(BaseName(state.loaded[i])) == Upper(request))
            return ModuleHandle(i);
    std::vector<std::string> candidates;
    if (hasPath)
        candidates.push_back(request);
    else
        for (const std::string &folder : SearchFolders())
            candidates.push_back(folder + "\\" + request);
    for (const std::string &candidate : candidates) {
        if (!DllExists(candidate))
            continue;
        for (size_t i = 0; i < state.loaded.size(); ++i)
            if (Upper(state.loaded[i]) == Upper(candidate))
                return ModuleHandle(i);
        state.loaded.push_back(candidate);
        return ModuleHandle(state.loaded.size() - 1);
    }
    SetError(ERROR_MOD_NOT_FOUND);
    return NULL;
}
} // namespace

void SetProgramFolder(const std::string &folder) {
    g_machine->dlls->programFolder = folder;
}

std::vector<std::string> LoadedLibraries() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_machine->dlls->loaded;
}

} // namespace winsim

using namespace winsim;

BOOL WINAPI winsim::SimSetDefaultDllDirectories(DWORD flags) {
    Api api("SetDefaultDllDirectories");
    if (api.failed())
        return FALSE;
    if (flags != LOAD_LIBRARY_SEARCH_SYSTEM32) { // the only combination modelled
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    g_machine->dlls->systemOnly = true;
    return TRUE;
}

BOOL WINAPI winsim::SimSetDllDirectoryA(LPCSTR path) {
    Api api("SetDllDirectoryA");
    if (api.failed())
        return FALSE;
    if (path == NULL || path[0] != '\0') { // only the removal of the current directory
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    g_machine->dlls->currentDirRemoved = true;
    return TRUE;
}

HMODULE WINAPI LoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags) {
    return Load("LoadLibraryExA", name, file, flags);
}

HMODULE WINAPI LoadLibraryA(LPCSTR name) {
    return Load("LoadLibraryA", name, NULL, 0);
}
