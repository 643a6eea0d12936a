#include "common/directory_query.h"

namespace {
typedef UINT(WINAPI *KernelLookUp)(LPSTR buffer, UINT size);

// The kernel's look-ups return the length, or the size they would need when it does not fit.
bool AskKernel(KernelLookUp lookUp, std::string &path, DWORD &error) {
    char buffer[MAX_PATH] = {0};
    UINT length = lookUp(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || buffer[0] == '\0') {
        error = length == 0          ? GetLastError()
                : length >= MAX_PATH ? DWORD(ERROR_INSUFFICIENT_BUFFER)
                                     : DWORD(ERROR_PATH_NOT_FOUND);
        return false;
    }
    path = buffer;
    return true;
}
} // namespace

bool QueryWindowsDirectory(std::string &path, DWORD &error) {
    return AskKernel(GetWindowsDirectoryA, path, error);
}

bool QuerySystemDirectory(std::string &path, DWORD &error) {
    return AskKernel(GetSystemDirectoryA, path, error);
}
