#include "QMR640_Installer/options_file.h"

#include <string.h>

#include "common/bounded_string.h"
#include "common/ports.h"
#include "common/system_dirs.h"
#include "common/step_frame.h"
#include "common/trace_log.h"

const char kOptionsFileName[] = "QMR640_Config.KST";

namespace {
bool ReadOptionsKey(const char *path, const char *section, const char *key, char *value,
                    DWORD size) {
    memset(value, 0, size);
    return GetPrivateProfileStringA(section, key, NULL, value, size, path) != 0;
}
} // namespace

char *GetDriverInfoFromFile(const char *section, const char *key, char *value, DWORD size) {
    char path[256] = {0};
    // The program's folder. A failed or cut-short look-up leaves the buffer empty, which would
    // name the file at the root of the current drive: that location is skipped then.
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    if (length == 0 || length >= sizeof path) {
        TraceLog("GetCurrentDirectoryA failed. (%d)", int(GetLastError()));
    } else {
        AppendBounded(path, sizeof path, "\\");
        AppendBounded(path, sizeof path, kOptionsFileName);
        if (ReadOptionsKey(path, section, key, value, size))
            return value;
    }

    // Without the Windows directory the model folder's path would start at the drive root.
    std::string windows;
    if (WindowsDirectory(windows)) {
        memset(path, 0, sizeof path);
        CopyBounded(path, sizeof path, windows.c_str());
        AppendBounded(path, sizeof path, "\\");
        AppendBounded(path, sizeof path, "QMR-640");
        AppendBounded(path, sizeof path, "\\");
        AppendBounded(path, sizeof path, kOptionsFileName);
        if (ReadOptionsKey(path, section, key, value, size))
            return value;
    }

    DWORD error = GetLastError();
    StepFrame frame("GetDriverInfoFromFile");
    TraceLog("SECTION NAME : %s", section);
    TraceLog("KEY NAME : %s", key);
    TraceLog("GetDriverInfoFromFile failed. (%d)", int(error));
    frame.End();
    TraceSeparator();
    return NULL;
}

int PortIndexInSetting(const char *value) {
    if (value == NULL)
        return -1;
    for (int index = 0; index < PORT_COUNT; ++index)
        if (strstr(value, kPorts[index].name) != NULL)
            return index;
    return -1;
}

int PortIndexFromSetting(const char *value) {
    int index = PortIndexInSetting(value);
    return index >= 0 ? index : 0;
}
