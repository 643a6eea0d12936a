#include "common/system_program.h"

#include <windows.h>

#include "common/system_dirs.h"
#include "common/trace_log.h"

SystemCommand SystemCommandLine(const std::string &command) {
    size_t nameEnd = command.find(' ');
    std::string name = command.substr(0, nameEnd);
    std::string directory;
    DWORD error = ERROR_SUCCESS;
    if (!QuerySystemDirectory(directory, error)) {
        TraceLog("GetSystemDirectoryA failed. (%d) %s.exe is not started.", int(error),
                 name.c_str());
        return SystemCommand();
    }
    SystemCommand system;
    system.program = directory + "\\" + name + ".exe";
    std::string arguments = nameEnd == std::string::npos ? "" : command.substr(nameEnd);
    system.commandLine = "\"" + system.program + "\"" + arguments;
    return system;
}
