#include "common/profile.h"

std::string LoadProfileString(UINT id) {
    char buffer[256] = {0};
    LoadStringA(GetModuleHandleA(NULL), id, buffer, sizeof buffer);
    return buffer;
}

unsigned LoadProfileNumber(UINT id) {
    unsigned value = 0;
    for (char c : LoadProfileString(id)) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + unsigned(c - '0');
    }
    return value;
}
