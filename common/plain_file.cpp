#include "common/plain_file.h"

#include <string.h>

#include "common/scoped_handle.h"

HANDLE OpenWithoutLinks(const char *path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                        LPSECURITY_ATTRIBUTES security) {
    return CreateFileA(path, access, share, security, disposition,
                       flags | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
}

bool IsPlain(HANDLE handle, bool directory) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information))
        return false;
    DWORD attributes = information.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != directory)
        return false;
    // A folder cannot have a second name; its link count is not examined (Wine reports the
    // host's count there, which grows with the subfolders).
    return directory || information.nNumberOfLinks == 1;
}

namespace {
bool SameSize(HANDLE first, HANDLE second) {
    BY_HANDLE_FILE_INFORMATION a, b;
    return GetFileInformationByHandle(first, &a) && GetFileInformationByHandle(second, &b) &&
           a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow;
}

bool SameContent(HANDLE first, HANDLE second) {
    char a[4096], b[4096];
    for (;;) {
        DWORD readA = 0, readB = 0;
        if (!ReadFile(first, a, sizeof a, &readA, NULL) ||
            !ReadFile(second, b, sizeof b, &readB, NULL) || readA != readB ||
            memcmp(a, b, readA) != 0)
            return false;
        if (readA == 0)
            return true;
    }
}
} // namespace

bool IsSameFile(const std::string &copy, const std::string &original) {
    ScopedHandle held(
        OpenWithoutLinks(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
    ScopedHandle source(
        CreateFileA(original.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    return held.Valid() && source.Valid() && IsPlain(held.Get(), false) &&
           SameSize(held.Get(), source.Get()) && SameContent(held.Get(), source.Get());
}
