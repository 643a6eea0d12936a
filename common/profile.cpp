#include "common/profile.h"

std::string LoadProfileString(UINT id) {
    char buffer[256] = {0};
    LoadStringA(GetModuleHandleA(NULL), id, buffer, sizeof buffer);
    return buffer;
}
