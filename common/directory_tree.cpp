// Deleting a folder tree in a place another user may write to, through handles: each folder is
// held open without delete sharing while its children are opened, listed and deleted relative to
// it, so a name swapped for a junction between two steps is met as the junction itself.
#include "common/file_utils.h"

#include "common/native_files.h"
#include "common/plain_file.h"
#include "common/scoped_handle.h"

namespace {
// Nobody may move or delete what the walk holds open, or open it to delete it.
const DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
const ACCESS_MASK kAccess =
    DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
// Deeper folders are not the package's; they stay, with the folders above them.
const int kMaxDepth = 32;
const DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                        FILE_ATTRIBUTE_ARCHIVE;

void DeleteChildren(HANDLE folder, int depth);

// Deletes what the handle reached: a link goes itself, never entered; a folder after what is in
// it. Read-only is cleared first, except on a file with a second name elsewhere.
void DeleteOpened(HANDLE object, const BY_HANDLE_FILE_INFORMATION &information, int depth) {
    DWORD attributes = information.dwFileAttributes;
    bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder && !link)
        DeleteChildren(object, depth + 1);
    if ((attributes & FILE_ATTRIBUTE_READONLY) && !link &&
        (folder || information.nNumberOfLinks == 1))
        SetAttributesThroughHandle(object, attributes & kSettable & ~FILE_ATTRIBUTE_READONLY);
    DeleteThroughHandle(object);
}

void DeleteChildren(HANDLE folder, int depth) {
    std::vector<WideName> names;
    if (depth > kMaxDepth || !ListFolder(folder, names))
        return;
    for (const WideName &name : names) {
        NTSTATUS status = 0;
        ScopedHandle child(OpenInFolder(folder, name, kAccess, kShare, FILE_OPEN, 0, NULL, status));
        if (!child.Valid())
            continue;
        BY_HANDLE_FILE_INFORMATION information;
        if (GetFileInformationByHandle(child.Get(), &information))
            DeleteOpened(child.Get(), information, depth);
    }
}
} // namespace

void DeleteDirectoryTree(const std::string &path) {
    // A link in the folder's place goes itself: what it points to is not this tree.
    ScopedHandle root(
        OpenWithoutLinks(path.c_str(), kAccess, kShare, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
    if (!root.Valid())
        return;
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(root.Get(), &information) &&
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        DeleteOpened(root.Get(), information, 0);
}
