// The file system: drive letters, Windows path rules, attributes, locked and protected files.
#include "files.h"

#include <aclapi.h>
#include <string.h>

#include <algorithm>
#include <atomic>

namespace winsim {

unsigned long long NewFileId() {
    static std::atomic<unsigned long long> last(0);
    return ++last;
}

namespace {
std::vector<std::string> SplitPath(const std::string &path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

// The length of a path's root with its backslash: 3 for "C:\", and for a share
// "\\server\share\" (a root without its backslash counts as if it had one); 0 for none.
size_t RootLength(const std::string &path) {
    if (path.size() >= 2 && path[1] == ':')
        return 3;
    if (path.size() < 3 || path.compare(0, 2, "\\\\") != 0)
        return 0;
    size_t server = path.find('\\', 2);
    size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
    return share == std::string::npos ? path.size() + 1 : share + 1;
}

bool IsRoot(const std::string &key) {
    return key.size() <= RootLength(key);
}

// Resolves against the current directory and returns the display-case absolute path.
std::string AbsolutePath(const std::string &path) {
    std::string full = path;
    const std::string &cwd = g_machine->currentDir;
    size_t root = RootLength(path);
    if (root == 0) {
        bool fromRoot = !path.empty() && (path[0] == '\\' || path[0] == '/');
        full = fromRoot ? cwd.substr(0, RootLength(cwd) - 1) + path : cwd + "\\" + path;
        root = RootLength(full);
    } else if (root == 3 && (path.size() == 2 || (path[2] != '\\' && path[2] != '/'))) {
        full = cwd + "\\" + path.substr(2); // drive-relative: only the current drive is known
    }
    std::vector<std::string> parts = SplitPath(full.substr(std::min(root - 1, full.size())));
    std::vector<std::string> resolved;
    for (const std::string &part : parts) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!resolved.empty())
                resolved.pop_back();
            continue;
        }
        resolved.push_back(part);
    }
    std::string result = full.substr(0, root - 1) + "\\";
    for (size_t i = 0; i < resolved.size(); ++i)
        result += (i ? "\\" : "") + resolved[i];
    return result;
}

} // namespace

std::string ParentKey(const std::string &key) {
    size_t slash = key.rfind('\\');
    if (slash == std::string::npos || IsRoot(key))
        return "";
    return slash + 1 == RootLength(key) ? key.substr(0, slash + 1) : key.substr(0, slash);
}

std::string LastComponent(const std::string &display) {
    size_t slash = display.rfind('\\');
    return slash == std::string::npos ? display : display.substr(slash + 1);
}

FileNode *Find(const std::string &key) {
    auto it = g_machine->files.find(key);
    return it == g_machine->files.end() ? nullptr : &it->second;
}

FileNode *NodeOf(const FileHandle *handle) {
    FileNode *node = handle == nullptr ? nullptr : Find(handle->key);
    return node != nullptr && node->id == handle->id ? node : nullptr;
}

namespace {
// The node of an existing directory that would hold key; sets the error when there is none.
bool ParentExists(const std::string &key) {
    FileNode *parent = Find(ParentKey(key));
    if (parent == nullptr || !parent->directory) {
        SetError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

DWORD MissingError(const std::string &key) {
    FileNode *parent = Find(ParentKey(key));
    return parent != nullptr && parent->directory ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool IsChildOf(const std::string &key, const std::string &parent) {
    std::string prefix = IsRoot(parent) ? parent : parent + "\\";
    return key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0 &&
           key.find('\\', prefix.size()) == std::string::npos;
}

// Windows gives up after 63 reparse points on one path; any limit stops a loop of links.
const int kMaxLinkHops = 63;

// Follows the first link on the way to key; false when there is none left to follow.
bool FollowFirstLink(std::string &key, bool followLast) {
    for (size_t end = RootLength(key) - 1; end != std::string::npos && end + 1 < key.size();) {
        size_t next = key.find('\\', end + 1);
        bool last = next == std::string::npos;
        if (last && !followLast)
            return false;
        FileNode *node = Find(key.substr(0, next));
        if (node == nullptr)
            return false;
        if (!node->linkTarget.empty()) {
            std::string rest = last ? std::string() : key.substr(next + 1);
            const std::string &target = node->linkTarget;
            key = rest.empty() ? target : target + (target.back() == '\\' ? "" : "\\") + rest;
            return true;
        }
        end = next;
    }
    return false;
}

// Every name of the file (its hard links), the node itself included.
std::vector<FileNode *> NamesOf(FileNode &node) {
    if (node.linkGroup == 0)
        return {&node};
    std::vector<FileNode *> names;
    for (auto &entry : g_machine->files)
        if (entry.second.linkGroup == node.linkGroup)
            names.push_back(&entry.second);
    return names;
}

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Read, write and delete access as the bits of the sharing that allows them.
DWORD DataAccess(DWORD access) {
    return (Reads(access) ? FILE_SHARE_READ : 0) | (Writes(access) ? FILE_SHARE_WRITE : 0) |
           (Deletes(access) ? FILE_SHARE_DELETE : 0);
}

// The handles open on a node's object.
std::vector<FileHandle *> OpenHandles(const FileNode &node) {
    std::vector<FileHandle *> open;
    for (auto &entry : g_machine->handles) {
        FileHandle *handle = dynamic_cast<FileHandle *>(entry.second.get());
        if (handle != nullptr && handle->id == node.id)
            open.push_back(handle);
    }
    return open;
}

// A handle keeps its object when the object moves from one key to another.
void MoveHandles(const std::string &from, const std::string &to) {
    for (auto &entry : g_machine->handles) {
        FileHandle *handle = dynamic_cast<FileHandle *>(entry.second.get());
        if (handle != nullptr &&
            (handle->key == from || handle->key.compare(0, from.size() + 1, from + "\\") == 0))
            handle->key = to + handle->key.substr(from.size());
    }
}

// Moves an object and everything below it to a free key in an existing folder; a rename by the
// program or by another user. Fails as Windows does while someone holds it without delete sharing.
bool MoveObject(const std::string &source, const std::string &target, const std::string &display) {
    FileNode *node = source.empty() || target.empty() ? nullptr : Find(source);
    if (node == nullptr || Find(target) != nullptr || Find(ParentKey(target)) == nullptr ||
        SharingConflict(*node, DELETE, kShareAll))
        return false;
    std::vector<std::pair<std::string, FileNode>> moved;
    for (auto it = g_machine->files.lower_bound(source); it != g_machine->files.end();) {
        if (it->first != source && it->first.compare(0, source.size() + 1, source + "\\") != 0)
            break;
        moved.emplace_back(target + it->first.substr(source.size()), it->second);
        it = g_machine->files.erase(it);
    }
    moved.front().second.name = LastComponent(display);
    for (auto &entry : moved)
        g_machine->files[entry.first] = entry.second;
    MoveHandles(source, target);
    return true;
}

struct FindHandle : HandleObject {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

void FillFindData(WIN32_FIND_DATAA &data, const std::string &name, const FileNode &node) {
    memset(&data, 0, sizeof data);
    data.dwFileAttributes = node.attributes;
    data.nFileSizeLow = DWORD(node.data.size());
    data.dwReserved0 = node.reparseTag;
    strncpy(data.cFileName, name.c_str(), MAX_PATH - 1);
}

void MakeDirectories(const std::string &path) {
    std::string display = AbsolutePath(path);
    std::string key = NormalizePath(path);
    if (Find(key) != nullptr)
        return;
    std::string parent = ParentKey(key);
    if (!parent.empty() && Find(parent) == nullptr)
        MakeDirectories(ParentKey(display));
    FileNode node;
    node.name = LastComponent(display);
    node.directory = true;
    node.attributes = FILE_ATTRIBUTE_DIRECTORY;
    g_machine->files[key] = node;
}

UINT CopyDirectory(const std::string &value, LPSTR buffer, UINT size) {
    if (size <= value.size())
        return UINT(value.size() + 1);
    memcpy(buffer, value.c_str(), value.size() + 1);
    return UINT(value.size());
}

// The entries that security attributes give a new file or directory; false, with the last error
// set, for a descriptor or DACL that is not valid.
bool SecurityOf(LPSECURITY_ATTRIBUTES attributes, const std::string &key, bool directory,
                FileNode &node) {
    return NewSecurity(attributes != NULL ? attributes->lpSecurityDescriptor : NULL, ParentKey(key),
                       directory, node);
}
} // namespace

std::vector<std::string> ChildFiles(const std::string &parent) {
    std::vector<std::string> children;
    std::string prefix = IsRoot(parent) ? parent : parent + "\\";
    for (auto it = g_machine->files.lower_bound(prefix);
         it != g_machine->files.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
        if (IsChildOf(it->first, parent))
            children.push_back(it->first);
    return children;
}

std::string Resolve(std::string key, bool followLast) {
    for (int hops = 0; hops <= kMaxLinkHops; ++hops)
        if (!FollowFirstLink(key, followLast))
            return key;
    SetError(ERROR_CANT_RESOLVE_FILENAME);
    return "";
}

void ShareChange(FileNode &node) {
    for (FileNode *name : NamesOf(node)) {
        name->data = node.data;
        name->attributes = node.attributes;
        name->acl = node.acl;
    }
}

HANDLE NewFileHandle(const std::string &key, DWORD access, DWORD share, bool deleteOnClose) {
    auto handle = std::make_shared<FileHandle>();
    handle->key = key;
    handle->id = Find(key)->id;
    handle->access = access;
    handle->share = share;
    handle->canRead = Reads(access);
    handle->canWrite = Writes(access);
    handle->canWriteDac = (access & (WRITE_DAC | GENERIC_ALL)) != 0;
    handle->deleteOnClose = deleteOnClose;
    return AddHandle(handle, "file");
}

void FileHandle::Release(bool) {
    FileNode *node = deleteOnClose ? NodeOf(this) : nullptr;
    if (node != nullptr && (!node->directory || ChildFiles(key).empty()))
        g_machine->files.erase(key);
}

bool Reads(DWORD access) {
    return (access &
            (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL | FILE_READ_DATA | FILE_EXECUTE)) != 0;
}
bool Writes(DWORD access) {
    return (access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
}
bool Deletes(DWORD access) {
    return (access & (DELETE | GENERIC_ALL)) != 0;
}

bool SharingConflict(const FileNode &node, DWORD access, DWORD share) {
    DWORD wanted = DataAccess(access);
    // Another user's hold reads the file.
    if (node.heldShare >= 0 && ((wanted & ~DWORD(node.heldShare)) || !(share & FILE_SHARE_READ)))
        return true;
    // A handle without read, write or delete access takes no part in sharing.
    for (const FileHandle *handle : OpenHandles(node)) {
        DWORD held = DataAccess(handle->access);
        if (held != 0 && ((wanted & ~handle->share) || (held & ~share)))
            return true;
    }
    return false;
}

bool NewSecurity(const void *descriptor, const std::string &parentKey, bool directory,
                 FileNode &node) {
    node.acl.clear();
    bool protectedDacl = false;
    if (descriptor != NULL) {
        const SECURITY_DESCRIPTOR *sd = (const SECURITY_DESCRIPTOR *)descriptor;
        if (sd->Revision != SECURITY_DESCRIPTOR_REVISION) {
            SetError(ERROR_INVALID_SECURITY_DESCR);
            return false;
        }
        if ((sd->Control & SE_DACL_PRESENT) && sd->Dacl == NULL) {
            // A NULL DACL: no protection at all.
            node.acl.push_back(AccessEntry{"S-1-1-0", GENERIC_ALL, SET_ACCESS, 3});
        } else if (sd->Control & SE_DACL_PRESENT) {
            const std::vector<AccessEntry> *acl = FindAcl(sd->Dacl);
            if (acl == nullptr) {
                SetError(ERROR_INVALID_ACL);
                return false;
            }
            node.acl = *acl;
        }
        protectedDacl = (sd->Control & SE_DACL_PROTECTED) != 0;
    }
    const FileNode *parent = Find(parentKey);
    if (protectedDacl || parent == nullptr)
        return true;
    // A folder's inheritable entries: container-inherit ones for folders, object-inherit ones for
    // files, marked inherited.
    for (AccessEntry entry : parent->acl) {
        DWORD flag = directory ? CONTAINER_INHERIT_ACE : OBJECT_INHERIT_ACE;
        if (!(entry.inheritance & flag))
            continue;
        entry.inheritance =
            (directory ? entry.inheritance & SUB_CONTAINERS_AND_OBJECTS_INHERIT : 0) |
            INHERITED_ACE;
        node.acl.push_back(entry);
    }
    return true;
}

void SetNodeAttributes(FileNode &node, DWORD attributes) {
    DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                     FILE_ATTRIBUTE_ARCHIVE;
    DWORD kept = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    node.attributes = (node.attributes & kept) | (attributes & settable);
    ShareChange(node);
}

std::string NormalizePath(const std::string &path) {
    return RedirectSystemPath(Upper(AbsolutePath(path)));
}

std::string ReachedPath(const char *path, bool followLast) {
    return Resolve(NormalizePath(path), followLast);
}

DWORD SetFileDacl(HANDLE file, const void *dacl) {
    FileHandle *handle = GetHandle<FileHandle>(file);
    if (handle == nullptr)
        return ERROR_INVALID_HANDLE;
    if (!handle->canWriteDac)
        return ERROR_ACCESS_DENIED;
    FileNode *node = NodeOf(handle);
    if (node == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (dacl == NULL) {
        node->acl = {AccessEntry{"S-1-1-0", GENERIC_ALL, 1, 3}}; // no protection at all
    } else if (const std::vector<AccessEntry> *entries = FindAcl(dacl)) {
        node->acl = *entries;
    } else {
        return ERROR_INVALID_ACL;
    }
    ShareChange(*node);
    return ERROR_SUCCESS;
}

DWORD GetFileDacl(HANDLE file, std::vector<AccessEntry> &dacl) {
    FileHandle *handle = GetHandle<FileHandle>(file);
    FileNode *node = NodeOf(handle);
    if (node == nullptr)
        return ERROR_INVALID_HANDLE;
    if (!(handle->access & (READ_CONTROL | GENERIC_READ | GENERIC_ALL)))
        return ERROR_ACCESS_DENIED;
    dacl = node->acl;
    return ERROR_SUCCESS;
}

void MakeDirectory(const std::string &path) {
    MakeDirectories(path);
}

void PutFile(const std::string &path, const std::string &content) {
    std::string display = AbsolutePath(path);
    MakeDirectories(ParentKey(display));
    FileNode &node = g_machine->files[Upper(display)];
    node.name = LastComponent(display);
    node.directory = false;
    node.data = content;
    ShareChange(node);
}

namespace {
FileNode &PutLink(const std::string &path, const std::string &target, bool directory, DWORD tag) {
    std::string display = AbsolutePath(path);
    MakeDirectories(ParentKey(display));
    FileNode &node = g_machine->files[Upper(display)];
    node = FileNode();
    node.name = LastComponent(display);
    node.directory = directory;
    node.attributes = (directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE) |
                      FILE_ATTRIBUTE_REPARSE_POINT;
    node.linkTarget = NormalizePath(target);
    node.reparseTag = tag;
    return node;
}
} // namespace

bool MakeJunction(const std::string &path, const std::string &target) {
    FileNode *existing = Find(Upper(AbsolutePath(path)));
    if (existing == nullptr) {
        PutLink(path, target, true, IO_REPARSE_TAG_MOUNT_POINT);
        return true;
    }
    // A folder becomes a mount point in place, whoever holds it open, if it is empty.
    if (!existing->directory || !existing->linkTarget.empty() ||
        !ChildFiles(Upper(AbsolutePath(path))).empty())
        return false;
    existing->attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    existing->linkTarget = NormalizePath(target);
    existing->reparseTag = IO_REPARSE_TAG_MOUNT_POINT;
    return true;
}

void MakeSymbolicLink(const std::string &path, const std::string &target, bool directory) {
    PutLink(path, target, directory, IO_REPARSE_TAG_SYMLINK);
}

namespace {
void AddName(FileNode &file, const std::string &key, const std::string &display) {
    if (file.linkGroup == 0)
        file.linkGroup = ++g_machine->lastLinkGroup;
    FileNode copy = file;
    copy.name = LastComponent(display);
    g_machine->files[key] = copy;
}
} // namespace

void MakeHardLink(const std::string &path, const std::string &existing) {
    AddName(*Find(NormalizePath(existing)), Upper(AbsolutePath(path)), AbsolutePath(path));
}

std::string FileContent(const std::string &path) {
    FileNode *node = Find(NormalizePath(path));
    return node == nullptr ? std::string() : node->data;
}

bool Exists(const std::string &path) {
    return Find(NormalizePath(path)) != nullptr;
}

bool IsDirectory(const std::string &path) {
    FileNode *node = Find(NormalizePath(path));
    return node != nullptr && node->directory;
}

DWORD Attributes(const std::string &path) {
    FileNode *node = Find(NormalizePath(path));
    return node == nullptr ? INVALID_FILE_ATTRIBUTES : node->attributes;
}

void SetAttributes(const std::string &path, DWORD attributes) {
    Find(NormalizePath(path))->attributes = attributes;
}
void SetLocked(const std::string &path, bool locked) {
    Find(NormalizePath(path))->locked = locked;
}
void SetDenied(const std::string &path, bool denied) {
    Find(NormalizePath(path))->denied = denied;
}
void SetHeldOpen(const std::string &path, bool held, DWORD share) {
    Find(NormalizePath(path))->heldShare = held ? int(share) : -1;
}
bool Move(const std::string &from, const std::string &to) {
    return MoveObject(Resolve(NormalizePath(from), false), Resolve(NormalizePath(to), false),
                      AbsolutePath(to));
}
void SetCurrentDirectory(const std::string &path) {
    MakeDirectories(path);
    g_machine->currentDir = AbsolutePath(path);
    if (!IsRoot(g_machine->currentDir) && g_machine->currentDir.back() == '\\')
        g_machine->currentDir.pop_back();
}

std::vector<std::string> ListTree(const std::string &root) {
    std::string key = NormalizePath(root);
    std::string prefix = IsRoot(key) ? key : key + "\\";
    std::vector<std::string> result;
    for (auto it = g_machine->files.lower_bound(prefix);
         it != g_machine->files.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
        result.push_back(it->first);
    return result;
}

std::vector<AccessEntry> DirectoryAcl(const std::string &path) {
    FileNode *node = Find(NormalizePath(path));
    return node == nullptr ? std::vector<AccessEntry>() : node->acl;
}

// The C runtime's rename on the simulated disk.
int SimRename(const char *from, const char *to) {
    Api api("rename");
    if (api.failed())
        return -1;
    return MoveObject(ReachedPath(from, false), ReachedPath(to, false), AbsolutePath(to)) ? 0 : -1;
}

} // namespace winsim

using namespace winsim;

extern "C" int __real_rename(const char *from, const char *to);
extern "C" int __wrap_rename(const char *from, const char *to) {
    return InProcess() ? SimRename(from, to) : __real_rename(from, to);
}

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                          DWORD disposition, DWORD flags, HANDLE) {
    Api api("CreateFileA");
    if (api.failed())
        return INVALID_HANDLE_VALUE;
    if (path == NULL || path[0] == '\0') {
        SetError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // Without FILE_FLAG_OPEN_REPARSE_POINT a link at the end is followed too: a dangling one
    // makes the file at its target.
    std::string key = ReachedPath(path, (flags & FILE_FLAG_OPEN_REPARSE_POINT) == 0);
    if (key.empty() || !ParentExists(key))
        return INVALID_HANDLE_VALUE;
    FileNode *node = Find(key);
    bool write = Writes(access);
    bool deleteOnClose = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    if (node != nullptr) {
        // A directory opens only for its handle (backup semantics), never for its data.
        bool directory = node->directory && !(flags & FILE_FLAG_BACKUP_SEMANTICS);
        bool readOnly = (node->attributes & FILE_ATTRIBUTE_READONLY) && (write || deleteOnClose);
        if (directory || node->denied || readOnly) {
            SetError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (node->locked ||
            SharingConflict(*node, deleteOnClose ? access | DELETE : access, share)) {
            SetError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
        if (disposition == CREATE_NEW) {
            SetError(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        if (!node->directory &&
            (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING)) {
            node->data.clear();
            ShareChange(*node);
        }
    } else {
        if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
            SetError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        FileNode created;
        if (!SecurityOf(security, key, false, created))
            return INVALID_HANDLE_VALUE;
        created.name = LastComponent(AbsolutePath(path));
        g_machine->files[key] = created;
    }
    HANDLE handle = NewFileHandle(key, access | (deleteOnClose ? DELETE : 0), share, deleteOnClose);
    SetError(node != nullptr && (disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS)
                 ? ERROR_ALREADY_EXISTS
                 : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
    Api api("GetFileInformationByHandle");
    if (api.failed())
        return FALSE;
    FileHandle *handle = GetHandle<FileHandle>(file);
    FileNode *node = NodeOf(handle);
    if (node == nullptr || information == NULL) {
        SetError(handle == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Times and volume are not modelled; the file index tells one object from another.
    memset(information, 0, sizeof *information);
    information->nFileIndexLow = DWORD(node->id);
    information->nFileIndexHigh = DWORD(node->id >> 32);
    information->dwFileAttributes = node->attributes;
    information->nFileSizeLow = node->directory ? 0 : DWORD(node->data.size());
    information->nNumberOfLinks = DWORD(NamesOf(*node).size());
    return TRUE;
}

BOOL WINAPI CreateHardLinkA(LPCSTR path, LPCSTR existing, LPSECURITY_ATTRIBUTES) {
    Api api("CreateHardLinkA");
    if (api.failed())
        return FALSE;
    std::string key = ReachedPath(path, false), from = ReachedPath(existing, true);
    if (key.empty() || from.empty() || !ParentExists(key))
        return FALSE;
    FileNode *file = Find(from);
    if (file == nullptr) {
        SetError(MissingError(from));
        return FALSE;
    }
    if (file->directory || Find(key) != nullptr) {
        SetError(file->directory ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    AddName(*file, key, AbsolutePath(path));
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED) {
    Api api("WriteFile");
    if (written != NULL)
        *written = 0;
    if (api.failed())
        return FALSE;
    FileHandle *handle = GetHandle<FileHandle>(file);
    FileNode *node = NodeOf(handle);
    if (node == nullptr || !handle->canWrite || node->directory) {
        SetError(handle == nullptr ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (node->data.size() < handle->position)
        node->data.resize(handle->position, '\0');
    node->data.replace(handle->position,
                       std::min<size_t>(size, node->data.size() - handle->position),
                       (const char *)buffer, size);
    handle->position += size;
    ShareChange(*node);
    if (written != NULL)
        *written = size;
    return TRUE;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED) {
    Api api("ReadFile");
    if (read != NULL)
        *read = 0;
    if (api.failed())
        return FALSE;
    FileHandle *handle = GetHandle<FileHandle>(file);
    FileNode *node = NodeOf(handle);
    if (node == nullptr || !handle->canRead) {
        SetError(handle == nullptr ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    size_t available =
        handle->position < node->data.size() ? node->data.size() - handle->position : 0;
    size_t count = std::min<size_t>(size, available);
    memcpy(buffer, node->data.data() + handle->position, count);
    handle->position += count;
    if (read != NULL)
        *read = DWORD(count);
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG, DWORD method) {
    Api api("SetFilePointer");
    if (api.failed())
        return INVALID_SET_FILE_POINTER;
    FileHandle *handle = GetHandle<FileHandle>(file);
    FileNode *node = NodeOf(handle);
    if (node == nullptr) {
        SetError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    long long base = method == FILE_BEGIN     ? 0
                     : method == FILE_CURRENT ? (long long)handle->position
                                              : (long long)node->data.size();
    long long target = base + distance;
    if (target < 0) {
        SetError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    handle->position = size_t(target);
    return DWORD(target);
}

BOOL WINAPI CopyFileA(LPCSTR source, LPCSTR destination, BOOL failIfExists) {
    Api api("CopyFileA");
    if (api.failed())
        return FALSE;
    std::string from = ReachedPath(source, true), to = ReachedPath(destination, true);
    if (from.empty() || to.empty())
        return FALSE;
    FileNode *src = Find(from);
    if (src == nullptr) {
        SetError(MissingError(from));
        return FALSE;
    }
    if (src->directory || src->denied) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (src->locked || SharingConflict(*src, GENERIC_READ, FILE_SHARE_READ)) {
        SetError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (!ParentExists(to))
        return FALSE;
    FileNode *dst = Find(to);
    if (dst != nullptr) {
        if (failIfExists) {
            SetError(ERROR_FILE_EXISTS);
            return FALSE;
        }
        if (dst->directory || dst->denied || (dst->attributes & FILE_ATTRIBUTE_READONLY)) {
            SetError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (dst->locked || SharingConflict(*dst, GENERIC_WRITE, FILE_SHARE_READ)) {
            SetError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    // Over an existing file the copy writes into it: it keeps its DACL, and its other
    // names see the new content. A new file gets the security its folder hands down.
    FileNode copy;
    if (dst != nullptr)
        copy = *dst;
    else if (!NewSecurity(NULL, ParentKey(to), false, copy))
        return FALSE;
    copy.name = dst != nullptr ? dst->name : LastComponent(AbsolutePath(destination));
    copy.data = src->data;
    copy.attributes = src->attributes | FILE_ATTRIBUTE_ARCHIVE;
    FileNode &placed = g_machine->files[to] = copy;
    ShareChange(placed);
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
    Api api("DeleteFileA");
    if (api.failed())
        return FALSE;
    // A link at the end goes itself; a hard link takes only this name away.
    std::string key = ReachedPath(path, false);
    if (key.empty())
        return FALSE;
    FileNode *node = Find(key);
    if (node == nullptr) {
        SetError(MissingError(key));
        return FALSE;
    }
    if (node->directory || node->denied || (node->attributes & FILE_ATTRIBUTE_READONLY)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (node->locked || SharingConflict(*node, DELETE, kShareAll)) {
        SetError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    g_machine->files.erase(key);
    return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes) {
    Api api("CreateDirectoryA");
    if (api.failed())
        return FALSE;
    std::string key = ReachedPath(path, false);
    if (key.empty())
        return FALSE;
    if (Find(key) != nullptr) {
        SetError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (!ParentExists(key))
        return FALSE;
    FileNode node;
    node.name = LastComponent(AbsolutePath(path));
    node.directory = true;
    node.attributes = FILE_ATTRIBUTE_DIRECTORY;
    if (!SecurityOf(attributes, key, true, node))
        return FALSE;
    g_machine->files[key] = node;
    SetError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR path) {
    Api api("RemoveDirectoryA");
    if (api.failed())
        return FALSE;
    // A junction or directory link goes itself, whatever its target holds.
    std::string key = ReachedPath(path, false);
    if (key.empty())
        return FALSE;
    FileNode *node = Find(key);
    if (node == nullptr) {
        SetError(MissingError(key));
        return FALSE;
    }
    if (!node->directory) {
        SetError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (node->denied || (node->attributes & FILE_ATTRIBUTE_READONLY) || IsRoot(key)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!ChildFiles(key).empty()) {
        SetError(ERROR_DIR_NOT_EMPTY);
        return FALSE;
    }
    if (SharingConflict(*node, DELETE, kShareAll)) {
        SetError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    g_machine->files.erase(key);
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
    Api api("GetFileAttributesA");
    if (api.failed())
        return INVALID_FILE_ATTRIBUTES;
    // A link at the end answers for itself.
    std::string key = ReachedPath(path, false);
    if (key.empty())
        return INVALID_FILE_ATTRIBUTES;
    FileNode *node = Find(key);
    if (node == nullptr) {
        SetError(MissingError(key));
        return INVALID_FILE_ATTRIBUTES;
    }
    return node->attributes;
}

BOOL WINAPI SetFileAttributesA(LPCSTR path, DWORD attributes) {
    Api api("SetFileAttributesA");
    if (api.failed())
        return FALSE;
    std::string key = ReachedPath(path, false);
    if (key.empty())
        return FALSE;
    FileNode *node = Find(key);
    if (node == nullptr) {
        SetError(MissingError(key));
        return FALSE;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SetNodeAttributes(*node, attributes);
    return TRUE;
}

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    Api api("FindFirstFileA");
    if (api.failed())
        return INVALID_HANDLE_VALUE;
    std::string display = AbsolutePath(pattern);
    size_t slash = display.rfind('\\');
    std::string mask = display.substr(slash + 1);
    std::string directory = Resolve(RedirectSystemPath(Upper(ParentKey(display))), true);
    FileNode *dir = Find(directory);
    if (dir == nullptr || !dir->directory) {
        SetError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto find = std::make_shared<FindHandle>();
    if (!IsRoot(directory))
        for (const char *dots : {".", ".."})
            if (WildcardMatch(mask, dots)) {
                FileNode dotNode;
                dotNode.attributes = FILE_ATTRIBUTE_DIRECTORY;
                find->entries.emplace_back();
                FillFindData(find->entries.back(), dots, dotNode);
            }
    for (const std::string &child : ChildFiles(directory)) {
        const FileNode &node = g_machine->files[child];
        if (WildcardMatch(mask, node.name)) {
            find->entries.emplace_back();
            FillFindData(find->entries.back(), node.name, node);
        }
    }
    if (find->entries.empty()) {
        SetError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = find->entries[0];
    find->next = 1;
    return AddHandle(find, "find");
}

BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    Api api("FindNextFileA");
    if (api.failed())
        return FALSE;
    FindHandle *handle = GetHandle<FindHandle>(find);
    if (handle == nullptr) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (handle->next >= handle->entries.size()) {
        SetError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = handle->entries[handle->next++];
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE find) {
    Api api("FindClose");
    if (GetHandle<FindHandle>(find) == nullptr) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    CloseHandleObject(find);
    return TRUE;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    Api api("GetWindowsDirectoryA");
    if (api.failed())
        return 0;
    return CopyDirectory(g_machine->windowsDir, buffer, size);
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
    Api api("GetSystemDirectoryA");
    if (api.failed())
        return 0;
    return CopyDirectory(g_machine->systemDir, buffer, size);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    Api api("GetCurrentDirectoryA");
    if (api.failed())
        return 0;
    return CopyDirectory(g_machine->currentDir, buffer, size);
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR path) {
    Api api("SetCurrentDirectoryA");
    if (api.failed())
        return FALSE;
    if (path == NULL || path[0] == '\0') {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const FileNode *node = Find(NormalizePath(path));
    if (node == nullptr || !node->directory) {
        SetError(node == nullptr ? ERROR_FILE_NOT_FOUND : ERROR_DIRECTORY);
        return FALSE;
    }
    std::string full = AbsolutePath(path);
    g_machine->currentDir = full;
    return TRUE;
}

DWORD WINAPI GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR *filePart) {
    Api api("GetFullPathNameA");
    if (api.failed())
        return 0;
    if (path == NULL || path[0] == '\0') {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string full = AbsolutePath(path);
    DWORD result = CopyDirectory(full, buffer, size);
    if (filePart != NULL && result < size)
        *filePart = buffer + full.rfind('\\') + 1;
    return result;
}
