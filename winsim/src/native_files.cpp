// The native file calls of ntdll that work relative to an open folder: open or create a name in
// it, list it, and set what happens to an open object (its attributes, its deletion).
#include "files.h"

#include <string.h>

#include <algorithm>

using namespace winsim;

namespace {
// The name a native call was given, in the machine's narrow characters; false for a name with a
// character beyond them or with a "." or ".." element, which the native layer does not resolve.
bool NarrowName(const UNICODE_STRING *name, std::string &narrow) {
    narrow.clear();
    size_t count = name == nullptr ? 0 : name->Length / sizeof(WCHAR);
    for (size_t i = 0; i < count; ++i) {
        if (name->Buffer[i] > 0xFF)
            return false;
        narrow += char(name->Buffer[i]);
    }
    for (size_t start = 0; start <= narrow.size();) {
        size_t end = std::min(narrow.find('\\', start), narrow.size());
        std::string element = narrow.substr(start, end - start);
        if (element.empty() || element == "." || element == "..")
            return false;
        start = end + 1;
    }
    return true;
}

std::string ChildKey(const std::string &folder, const std::string &name) {
    return folder.size() == 3 ? folder + name : folder + "\\" + name;
}

NTSTATUS Finish(PIO_STATUS_BLOCK status, NTSTATUS result, ULONG_PTR information) {
    if (status != NULL) {
        status->Status = result;
        status->Information = information;
    }
    return result;
}

// The checks an open of an existing object makes; success or the status it fails with.
NTSTATUS CheckExisting(const FileNode &node, ACCESS_MASK access, ULONG share, ULONG options) {
    if ((options & FILE_DIRECTORY_FILE) && !node.directory)
        return kStatusNotADirectory;
    if ((options & FILE_NON_DIRECTORY_FILE) && node.directory)
        return kStatusFileIsADirectory;
    if (node.denied || ((node.attributes & FILE_ATTRIBUTE_READONLY) && Writes(access)))
        return kStatusAccessDenied;
    if (node.locked || SharingConflict(node, access, share))
        return kStatusSharingViolation;
    return kStatusSuccess;
}
} // namespace

// Names relative to an open folder only (RootDirectory set), as the programs use it; a link on
// the way is followed, the last one only without FILE_OPEN_REPARSE_POINT. Dispositions FILE_OPEN,
// FILE_CREATE and FILE_OPEN_IF.
NTSTATUS NTAPI winsim::SimNtCreateFile(PHANDLE result, ACCESS_MASK access,
                                       POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK status,
                                       PLARGE_INTEGER, ULONG fileAttributes, ULONG share,
                                       ULONG disposition, ULONG options, PVOID, ULONG) {
    Api api("NtCreateFile");
    if (api.failed())
        return Finish(status, FaultStatus(), 0);
    if (result == NULL || attributes == NULL || status == NULL ||
        (disposition != FILE_OPEN && disposition != FILE_CREATE && disposition != FILE_OPEN_IF))
        return kStatusInvalidParameter;
    FileHandle *root = GetHandle<FileHandle>(attributes->RootDirectory);
    FileNode *folder = NodeOf(root);
    if (folder == nullptr)
        return Finish(status, kStatusInvalidHandle, 0);
    std::string name;
    if (!folder->directory || !NarrowName(attributes->ObjectName, name))
        return Finish(status, kStatusObjectNameInvalid, 0);
    // A folder that has become a mount point since it was opened holds nothing of its own.
    if (folder->attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Finish(status, kStatusDirectoryIsAReparsePoint, 0);
    std::string key =
        Resolve(ChildKey(root->key, Upper(name)), !(options & FILE_OPEN_REPARSE_POINT));
    FileNode *parent = key.empty() ? nullptr : Find(ParentKey(key));
    if (parent == nullptr || !parent->directory)
        return Finish(status, kStatusObjectPathNotFound, 0);
    FileNode *node = Find(key);
    if (node != nullptr) {
        if (disposition == FILE_CREATE)
            return Finish(status, kStatusObjectNameCollision, 0);
        NTSTATUS checked = CheckExisting(*node, access, share, options);
        if (checked != kStatusSuccess)
            return Finish(status, checked, 0);
    } else {
        if (disposition == FILE_OPEN)
            return Finish(status, kStatusObjectNameNotFound, 0);
        FileNode created;
        bool directory = (options & FILE_DIRECTORY_FILE) != 0;
        if (!NewSecurity(attributes->SecurityDescriptor, ParentKey(key), directory, created))
            return Finish(status, kStatusInvalidSecurityDescr, 0);
        created.name = name.substr(name.rfind('\\') + 1);
        created.directory = directory;
        created.attributes =
            directory ? FILE_ATTRIBUTE_DIRECTORY
                      : (fileAttributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_ARCHIVE;
        g_machine->files[key] = created;
    }
    *result = NewFileHandle(key, access, share, (options & FILE_DELETE_ON_CLOSE) != 0);
    return Finish(status, kStatusSuccess, node != nullptr ? FILE_OPENED : FILE_CREATED);
}

// FileDirectoryInformation without a name filter: "." and ".." first (not in a drive's root),
// then the entries as they are when the first query takes the listing.
NTSTATUS NTAPI winsim::SimNtQueryDirectoryFile(HANDLE file, HANDLE, PIO_APC_ROUTINE, PVOID,
                                               PIO_STATUS_BLOCK status, PVOID buffer, ULONG length,
                                               FILE_INFORMATION_CLASS informationClass, BOOLEAN,
                                               PUNICODE_STRING mask, BOOLEAN restart) {
    Api api("NtQueryDirectoryFile");
    if (api.failed())
        return Finish(status, FaultStatus(), 0);
    FileHandle *handle = GetHandle<FileHandle>(file);
    FileNode *folder = NodeOf(handle);
    if (folder == nullptr)
        return Finish(status, kStatusInvalidHandle, 0);
    if (informationClass != FileDirectoryInformation || mask != NULL || buffer == NULL)
        return Finish(status,
                      informationClass != FileDirectoryInformation ? kStatusInvalidInfoClass
                                                                   : kStatusInvalidParameter,
                      0);
    if (!folder->directory)
        return Finish(status, kStatusInvalidParameter, 0);
    if (!Reads(handle->access))
        return Finish(status, kStatusAccessDenied, 0);
    if (restart || !handle->listingTaken) {
        handle->listing.clear();
        if (handle->key.size() > 3)
            handle->listing = {".", ".."};
        for (const std::string &child : ChildFiles(handle->key))
            handle->listing.push_back(Find(child)->name);
        handle->listed = 0;
        handle->listingTaken = true;
    }
    const size_t header = offsetof(FILE_DIRECTORY_INFORMATION, FileName);
    BYTE *out = (BYTE *)buffer;
    size_t used = 0;
    FILE_DIRECTORY_INFORMATION *previous = nullptr;
    for (; handle->listed < handle->listing.size(); ++handle->listed) {
        const std::string &name = handle->listing[handle->listed];
        bool dots = name == "." || name == "..";
        const FileNode *node = dots ? folder : Find(ChildKey(handle->key, Upper(name)));
        if (node == nullptr)
            continue; // gone since the listing was taken
        size_t size = header + name.size() * sizeof(WCHAR);
        size_t at = (used + 7) & ~size_t(7);
        if (at + size > length)
            break;
        FILE_DIRECTORY_INFORMATION *entry = (FILE_DIRECTORY_INFORMATION *)(out + at);
        memset(entry, 0, header);
        entry->FileAttributes = node->attributes;
        entry->EndOfFile.QuadPart = node->directory ? 0 : LONGLONG(node->data.size());
        entry->FileNameLength = ULONG(name.size() * sizeof(WCHAR));
        for (size_t i = 0; i < name.size(); ++i)
            entry->FileName[i] = WCHAR((unsigned char)name[i]);
        if (previous != nullptr)
            previous->NextEntryOffset = ULONG((BYTE *)entry - (BYTE *)previous);
        previous = entry;
        used = at + size;
    }
    if (previous != nullptr)
        return Finish(status, kStatusSuccess, used);
    if (handle->listed < handle->listing.size())
        return Finish(status, kStatusBufferTooSmall, 0);
    return Finish(status, kStatusNoMoreFiles, 0);
}

// FileBasicInformation (its attributes; the times are not modelled) and
// FileDispositionInformation: the object goes when the handle closes.
NTSTATUS NTAPI winsim::SimNtSetInformationFile(HANDLE file, PIO_STATUS_BLOCK status, PVOID buffer,
                                               ULONG length,
                                               FILE_INFORMATION_CLASS informationClass) {
    Api api("NtSetInformationFile");
    if (api.failed())
        return Finish(status, FaultStatus(), 0);
    FileHandle *handle = GetHandle<FileHandle>(file);
    FileNode *node = NodeOf(handle);
    if (node == nullptr)
        return Finish(status, kStatusInvalidHandle, 0);
    if (informationClass == FileBasicInformation) {
        if (buffer == NULL || length < sizeof(FILE_BASIC_INFORMATION))
            return Finish(status, kStatusInfoLengthMismatch, 0);
        if (!(handle->access & (FILE_WRITE_ATTRIBUTES | GENERIC_WRITE | GENERIC_ALL)))
            return Finish(status, kStatusAccessDenied, 0);
        ULONG attributes = ((const FILE_BASIC_INFORMATION *)buffer)->FileAttributes;
        if (attributes != 0)
            SetNodeAttributes(*node, attributes);
        return Finish(status, kStatusSuccess, 0);
    }
    if (informationClass != FileDispositionInformation)
        return Finish(status, kStatusInvalidInfoClass, 0);
    if (buffer == NULL || length < sizeof(FILE_DISPOSITION_INFORMATION))
        return Finish(status, kStatusInfoLengthMismatch, 0);
    if (!Deletes(handle->access))
        return Finish(status, kStatusAccessDenied, 0);
    bool remove = ((const FILE_DISPOSITION_INFORMATION *)buffer)->DoDeleteFile != 0;
    if (remove && node->directory && !ChildFiles(handle->key).empty())
        return Finish(status, kStatusDirectoryNotEmpty, 0);
    if (remove &&
        ((node->attributes & FILE_ATTRIBUTE_READONLY) || node->locked || handle->key.size() <= 3))
        return Finish(status, kStatusCannotDelete, 0);
    handle->deleteOnClose = remove;
    return Finish(status, kStatusSuccess, 0);
}

int WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR text, int length, LPWSTR wide, int wideLength) {
    Api api("MultiByteToWideChar");
    if (api.failed())
        return 0;
    if (text == NULL || wideLength < 0) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // The machine's code page maps each byte to the character of the same number.
    size_t count = length < 0 ? strlen(text) + 1 : size_t(length);
    if (wideLength == 0)
        return int(count);
    if (size_t(wideLength) < count) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (size_t i = 0; i < count; ++i)
        wide[i] = WCHAR((unsigned char)text[i]);
    return int(count);
}
