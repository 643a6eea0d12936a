#include "common/oem_inf.h"

#include <windows.h>
#include <setupapi.h>
#include <stdlib.h>
#include <string.h>

#include "common/app_context.h"
#include "common/enumerate.h"
#include "common/profile.h"
#include "common/scoped_handle.h"
#include "common/trace_log.h"

std::string ModelSection(BOOL wow64) {
    std::string section = LoadProfileString(CurrentProgram().makerId);
    return wow64 ? section + ".NTamd64" : section;
}

void ForEachOemInfWithModel(const std::string &section, const char *key, bool traceOpenFailures,
                            const std::function<void(const char *name)> &found) {
    // The list's size in bytes stands for the count.
    DWORD size = 0;
    char *list = (char *)EnumerateAll(
        [](LPBYTE into, DWORD bytes, LPDWORD needed, LPDWORD used) {
            BOOL listed = SetupGetInfFileListA(NULL, INF_STYLE_WIN4, (PSTR)into, bytes, needed);
            *used = *needed;
            return listed;
        },
        size);
    if (list != NULL) {
        for (const char *name = list; name < list + size && *name != '\0';
             name += strlen(name) + 1) {
            if (strncmp(name, "oem", 3) != 0)
                continue;
            UINT errorLine = 0;
            ScopedInf inf(
                SetupOpenInfFileA(name, NULL, INF_STYLE_OLDNT | INF_STYLE_WIN4, &errorLine));
            if (!inf.Valid()) {
                if (traceOpenFailures)
                    TraceLog("SetupOpenInfFile failed. %d", int(GetLastError()));
                continue;
            }
            INFCONTEXT context;
            bool listed = SetupFindFirstLineA(inf.Get(), section.c_str(), key, &context) != FALSE;
            // Closed before found, which may delete the file.
            inf.Close();
            if (listed)
                found(name);
        }
    }
    free(list);
}
