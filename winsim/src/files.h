// The file system's parts that the kernel's path calls (files.cpp) and the native calls relative
// to a handle (native_files.cpp) share.
#pragma once
#include "machine.h"

namespace winsim {

// An open file or folder: it follows its object when the object is moved, and reaches nothing
// once the object is gone, even when another takes its name.
struct FileHandle : HandleObject {
    std::string key;
    unsigned long long id = 0;
    DWORD access = 0;
    DWORD share = 0;
    size_t position = 0;
    bool canRead = false;
    bool canWrite = false;
    bool canWriteDac = false;
    bool deleteOnClose = false;
    // A folder's listing, taken at its first query and read on from there.
    std::vector<std::string> listing;
    size_t listed = 0;
    bool listingTaken = false;
    // The name goes when its handle closes, also when the process ends with it open; a directory
    // only when it is empty.
    void Release(bool) override;
};

// A handle of the calling process on the object at key.
HANDLE NewFileHandle(const std::string &key, DWORD access, DWORD share, bool deleteOnClose);
FileNode *Find(const std::string &key);
FileNode *NodeOf(const FileHandle *handle);
std::string ParentKey(const std::string &key);
std::string LastComponent(const std::string &display);
std::vector<std::string> ChildFiles(const std::string &parent);
// key with the links on the way followed, and the last one too when followLast is set; empty,
// with the last error set, when they nest too deep.
std::string Resolve(std::string key, bool followLast);
// A change through one name shows through every other name of the file.
void ShareChange(FileNode &node);
// Whether an open with this access and sharing collides with the opens already made (the
// program's handles and another user's hold), as Windows checks sharing: read, write and delete.
bool SharingConflict(const FileNode &node, DWORD access, DWORD share);
// The rights a handle was opened with, as read, write and delete data access.
bool Reads(DWORD access);
bool Writes(DWORD access);
bool Deletes(DWORD access);
// The DACL and owner a new file or folder gets from the security descriptor it is created with
// (none: the default) and from its parent's inheritable entries, unless the descriptor protects
// its DACL. False, with the last error set, for a descriptor or DACL that is not valid.
bool NewSecurity(const void *descriptor, const std::string &parentKey, bool directory,
                 FileNode &node);
// Settable attributes written to a node: read-only, hidden, system and archive.
void SetNodeAttributes(FileNode &node, DWORD attributes);

} // namespace winsim
