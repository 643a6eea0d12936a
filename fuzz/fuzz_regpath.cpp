// Key paths and permission strings: the text before the first newline is the key path, the rest
// the permission string.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "common/registry_utils.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = (FreshMachine(), true);
    (void)ready;
    std::string input(reinterpret_cast<const char *>(data), size);
    input = input.substr(0, input.find('\0'));
    size_t split = input.find('\n');
    std::string keyPath = input.substr(0, split);
    std::string permission = split == std::string::npos ? "" : input.substr(split + 1);
    DWORD mask = 0;
    ParseRegRights(permission.c_str(), &mask);
    SetRegKeyPermission(keyPath.c_str(), permission.c_str());
    HKEY key = NULL;
    if (OpenRegKeyPath(keyPath.c_str(), &key) == ERROR_SUCCESS)
        RegCloseKey(key);
    return 0;
}
