// The setup API's INF calls: the store of OEM INFs, the list of INFs of a directory, and reading
// INF files.
#include <setupapi.h>
#include <stdlib.h>

#include <algorithm>

#include "inf.h"
#include "spooler.h"

using namespace winsim;

namespace {

struct InfHandle : HandleObject {
    InfFile inf;
};

// oem<number>.inf, the names the store gives the INFs it takes in.
bool IsOemName(const std::string &name) {
    std::string upper = Upper(name);
    if (upper.size() < 8 || upper.compare(0, 3, "OEM") != 0 ||
        upper.compare(upper.size() - 4, 4, ".INF") != 0)
        return false;
    std::string number = upper.substr(3, upper.size() - 7);
    return number.find_first_not_of("0123456789") == std::string::npos;
}

// The keys of the files directly in a directory, in the disk's order.
std::vector<std::string> FilesIn(const std::string &directory) {
    std::string prefix = NormalizePath(directory) + "\\";
    std::vector<std::string> keys;
    for (auto it = g_machine->files.lower_bound(prefix);
         it != g_machine->files.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
        if (!it->second.directory && it->first.find('\\', prefix.size()) == std::string::npos)
            keys.push_back(it->first);
    return keys;
}

// Calls visit(number, file) for each oem<number>.inf of the store. Stores hold thousands of
// them, so this walks the disk's index once and copies nothing.
template <class Visit> void ForEachOemInf(Visit visit) {
    const std::string prefix = NormalizePath(InfStore()) + "\\OEM";
    for (auto it = g_machine->files.lower_bound(prefix);
         it != g_machine->files.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        const std::string &key = it->first;
        size_t end = key.find_first_not_of("0123456789", prefix.size());
        if (end != prefix.size() && end != std::string::npos &&
            key.compare(end, std::string::npos, ".INF") == 0 && !it->second.directory)
            visit(strtoul(key.c_str() + prefix.size(), nullptr, 10), it->second);
    }
}

std::string PnfPath(const std::string &infPath) {
    return infPath.substr(0, infPath.size() - 4) + ".PNF";
}

// Hands a stored INF's path to the caller as the setup API does with its string results.
BOOL ReturnPath(const std::string &path, PSTR destination, DWORD size, PDWORD required,
                PSTR *component) {
    if (required != NULL)
        *required = DWORD(path.size() + 1);
    if (destination == NULL && size == 0)
        return TRUE;
    if (destination == NULL || size < path.size() + 1) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(destination, path.c_str(), path.size() + 1);
    if (component != NULL)
        *component = destination + path.rfind('\\') + 1;
    return TRUE;
}

// The lowest number no oem<number>.inf of the store has.
std::string NextOemPath() {
    std::vector<unsigned long> numbers;
    ForEachOemInf(
        [&numbers](unsigned long number, const FileNode &) { numbers.push_back(number); });
    std::vector<bool> taken(numbers.size() + 1);
    for (unsigned long number : numbers)
        if (number < taken.size())
            taken[number] = true;
    size_t free = std::find(taken.begin(), taken.end(), false) - taken.begin();
    return InfStore() + "\\oem" + std::to_string(free) + ".inf";
}

// The INF with its precompiled form, which remembers where the INF came from.
void StoreInf(const std::string &path, const std::string &text, const std::string &origin) {
    PutFile(path, text);
    PutFile(PnfPath(path),
            "precompiled " + FileName(path) + (origin.empty() ? "" : " from ") + origin);
}

DWORD StyleOf(const std::string &text) {
    InfFile inf;
    UINT line;
    if (inf.Parse(text, line) != ERROR_SUCCESS)
        return INF_STYLE_NONE;
    return inf.Win4() ? INF_STYLE_WIN4 : INF_STYLE_OLDNT;
}

} // namespace

namespace winsim {

std::string StoreOemInf(const std::string &text) {
    std::string path = NextOemPath();
    StoreInf(path, text, "");
    return FileName(path);
}

} // namespace winsim

BOOL WINAPI SetupCopyOEMInfA(PCSTR source, PCSTR mediaLocation, DWORD mediaType, DWORD copyStyle,
                             PSTR destination, DWORD destinationSize, PDWORD requiredSize,
                             PSTR *component) {
    Api api("SetupCopyOEMInfA");
    if (api.failed())
        return FALSE;
    if (source == NULL || mediaType > SPOST_URL) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The source must be named by its full path; a relative one is not looked for.
    FileNode *node = IsFullPath(source) ? FindFile(source) : nullptr;
    if (node == nullptr) {
        SetError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    InfFile inf;
    UINT line;
    DWORD error = inf.Parse(node->data, line);
    if (error != ERROR_SUCCESS) {
        SetError(error);
        return FALSE;
    }
    const std::string content = node->data;
    std::string stored;
    ForEachOemInf([&](unsigned long, const FileNode &file) {
        if (stored.empty() && file.data == content)
            stored = InfStore() + "\\" + file.name;
    });
    if (!stored.empty() && (copyStyle & SP_COPY_NOOVERWRITE)) {
        ReturnPath(stored, destination, destinationSize, requiredSize, component);
        SetError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    if (stored.empty() && (copyStyle & SP_COPY_REPLACEONLY)) {
        SetError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (stored.empty())
        stored = NextOemPath();
    std::string origin = mediaType != SPOST_PATH ? ""
                         : mediaLocation != NULL ? mediaLocation
                                                 : source;
    StoreInf(stored, content, origin);
    if (copyStyle & SP_COPY_DELETESOURCE)
        g_machine->files.erase(NormalizePath(source));
    return ReturnPath(stored, destination, destinationSize, requiredSize, component);
}

BOOL WINAPI SetupGetInfFileListA(PCSTR directory, DWORD style, PSTR buffer, DWORD size,
                                 PDWORD required) {
    Api api("SetupGetInfFileListA");
    if (api.failed())
        return FALSE;
    std::string folder = directory == NULL ? InfStore() : directory;
    auto dir = g_machine->files.find(NormalizePath(folder));
    if (dir == g_machine->files.end() || !dir->second.directory) {
        SetError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::string list;
    for (const std::string &key : FilesIn(folder)) {
        const FileNode &file = g_machine->files[key];
        if (key.size() > 4 && key.compare(key.size() - 4, 4, ".INF") == 0 &&
            (StyleOf(file.data) & style))
            list += file.name + '\0';
    }
    list += '\0';
    if (required != NULL)
        *required = DWORD(list.size());
    if (buffer == NULL && size == 0)
        return TRUE;
    if (buffer == NULL || size < list.size()) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(buffer, list.data(), list.size());
    return TRUE;
}

HINF WINAPI SetupOpenInfFileA(PCSTR fileName, PCSTR className, DWORD style, PUINT errorLine) {
    Api api("SetupOpenInfFileA");
    if (errorLine != NULL)
        *errorLine = 0;
    if (api.failed())
        return INVALID_HANDLE_VALUE;
    if (fileName == NULL) {
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // A bare name is looked for in the INF store, then in the system directory.
    FileNode *node = nullptr;
    if (strpbrk(fileName, "\\/:") != NULL)
        node = FindFile(fileName);
    else if ((node = FindFile(InfStore() + "\\" + fileName)) == nullptr)
        node = FindFile(g_machine->systemDir + "\\" + fileName);
    if (node == nullptr) {
        SetError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto handle = std::make_shared<InfHandle>();
    UINT line = 0;
    DWORD error = handle->inf.Parse(node->data, line);
    if (error == ERROR_SUCCESS &&
        !(style & (handle->inf.Win4() ? INF_STYLE_WIN4 : INF_STYLE_OLDNT)))
        error = ERROR_WRONG_INF_STYLE;
    if (error == ERROR_SUCCESS && className != NULL &&
        Upper(handle->inf.Value("Version", "Class")) != Upper(className))
        error = ERROR_CLASS_MISMATCH;
    if (error != ERROR_SUCCESS) {
        if (errorLine != NULL)
            *errorLine = line;
        SetError(error);
        return INVALID_HANDLE_VALUE;
    }
    return AddHandle(handle, "INF");
}

void WINAPI SetupCloseInfFile(HINF inf) {
    Api api("SetupCloseInfFile");
    if (GetHandle<InfHandle>(inf) != nullptr)
        CloseHandleObject(inf);
}

BOOL WINAPI SetupFindFirstLineA(HINF inf, PCSTR section, PCSTR key, PINFCONTEXT context) {
    Api api("SetupFindFirstLineA");
    if (api.failed())
        return FALSE;
    InfHandle *handle = GetHandle<InfHandle>(inf);
    if (handle == nullptr) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (section == NULL || context == NULL) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    UINT index = 0;
    const InfSection *found = handle->inf.Find(section, &index);
    if (found == nullptr) {
        SetError(ERROR_SECTION_NOT_FOUND);
        return FALSE;
    }
    for (size_t line = 0; line < found->lines.size(); ++line)
        if (key == NULL || Upper(found->lines[line].key) == Upper(key)) {
            *context = INFCONTEXT{inf, inf, index, UINT(line)};
            return TRUE;
        }
    SetError(ERROR_LINE_NOT_FOUND);
    return FALSE;
}

BOOL WINAPI winsim::SimSetupUninstallOEMInfA(PCSTR infFileName, DWORD flags, PVOID) {
    Api api("SetupUninstallOEMInfA");
    if (api.failed())
        return FALSE;
    if (infFileName == NULL || strpbrk(infFileName, "\\/:") != NULL) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string path = InfStore() + "\\" + infFileName;
    if (!IsOemName(infFileName) || FindFile(path) == nullptr) {
        SetError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (!(flags & SUOI_FORCEDELETE))
        for (const auto &device : Spooler().devices)
            if (Upper(device.second.info.inf) == Upper(infFileName)) {
                SetError(ERROR_INF_IN_USE_BY_DEVICES);
                return FALSE;
            }
    g_machine->files.erase(NormalizePath(path));
    g_machine->files.erase(NormalizePath(PnfPath(path)));
    return TRUE;
}
