#include "common/system_program.h"

#include <windows.h>

#include "common/trace_log.h"

std::string SystemCommandLine(const std::string &command) {
    size_t nameEnd = command.find(' ');
    std::string program = command.substr(0, nameEnd);
    char directory[MAX_PATH] = {0};
    UINT length = GetSystemDirectoryA(directory, sizeof directory);
    if (length == 0 || length >= sizeof directory) {
        DWORD error = length == 0 ? GetLastError() : DWORD(ERROR_INSUFFICIENT_BUFFER);
        TraceLog("GetSystemDirectoryA failed. (%d) %s.exe is not started.", int(error),
                 program.c_str());
        return std::string();
    }
    std::string arguments = nameEnd == std::string::npos ? "" : command.substr(nameEnd);
    return "\"" + std::string(directory) + "\\" + program + ".exe\"" + arguments;
}
