#include "common/report_error.h"

#include <stdio.h>

#include "common/deployment.h"

std::string SystemErrorText(const std::string &prefix, DWORD code) {
    std::string text = prefix;
    LPSTR systemText = NULL;
    if (FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, NULL, code,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), (LPSTR)&systemText, 0,
                       NULL) != 0 &&
        systemText != NULL)
        text += systemText;
    if (systemText != NULL)
        LocalFree(systemText);
    return text;
}

void ReportSystemError(const char *prefixFormat, DWORD code, UINT icon) {
    char prefix[512] = {0};
    snprintf(prefix, sizeof prefix, prefixFormat, int(code));
    ShowError(SystemErrorText(prefix, code).c_str(), MB_OK | icon);
}
