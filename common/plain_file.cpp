#include "common/plain_file.h"

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
