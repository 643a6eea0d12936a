#include "common/report_error.h"

#include <stdio.h>
#include <string>

#include "common/deployment.h"

void ReportSystemError(const char *prefixFormat, DWORD code, UINT icon) {
    char prefix[512] = {0};
    snprintf(prefix, sizeof prefix, prefixFormat, int(code));
    std::string text = prefix;

    LPSTR systemText = NULL;
    if (FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, NULL, code,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), (LPSTR)&systemText, 0,
                       NULL) != 0 &&
        systemText != NULL)
        text += systemText;
    if (systemText != NULL)
        LocalFree(systemText);

    ShowError(text.c_str(), MB_OK | icon);
}
