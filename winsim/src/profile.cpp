// GetPrivateProfileStringA over the simulated disk.
#include "machine.h"

#include <string.h>

using namespace winsim;

namespace {
std::string Trim(const std::string &text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// The value of key in section, as Windows reads it: names without case, blanks trimmed, one
// pair of surrounding quotes removed; the first occurrence wins.
bool LookUp(const std::string &content, const std::string &section, const std::string &key,
            std::string &value) {
    std::string wantedSection = Upper(section), wantedKey = Upper(key);
    bool inSection = false;
    size_t start = 0;
    while (start <= content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = Trim(content.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            size_t close = line.find(']');
            inSection = Upper(Trim(line.substr(1, close == std::string::npos ? std::string::npos
                                                                             : close - 1))) ==
                        wantedSection;
            continue;
        }
        size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos || line[0] == ';')
            continue;
        if (Upper(Trim(line.substr(0, equals))) != wantedKey)
            continue;
        value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        return true;
    }
    return false;
}
} // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                                      DWORD size, LPCSTR fileName) {
    Api api("GetPrivateProfileStringA");
    if (size == 0)
        return 0;
    std::string value = defaultValue != NULL ? defaultValue : "";
    if (api.failed()) {
        buffer[0] = '\0';
        return 0;
    }
    auto file = g_machine->files.find(NormalizePath(fileName));
    // Section and key listings are not used by the programs; a missing file or key gives the
    // default and ERROR_FILE_NOT_FOUND.
    if (file == g_machine->files.end() || file->second.directory || section == NULL ||
        key == NULL || !LookUp(file->second.data, section, key, value))
        SetError(ERROR_FILE_NOT_FOUND);
    else
        SetError(ERROR_SUCCESS);
    size_t count = value.size() < size ? value.size() : size - 1;
    memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return DWORD(count);
}
