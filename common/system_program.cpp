#include "common/system_program.h"

#include <string.h>

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
    system.directory = directory;
    return system;
}

bool StartSystemCommand(SystemCommand &command, DWORD startupFlags, ChildProcess &child) {
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = startupFlags;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started;
    memset(&started, 0, sizeof started);
    if (!CreateProcessA(command.program.c_str(), &command.commandLine[0], NULL, NULL, FALSE,
                        NORMAL_PRIORITY_CLASS, NULL, command.directory.c_str(), &startup, &started))
        return false;
    *child.process.Receive() = started.hProcess;
    *child.thread.Receive() = started.hThread;
    return true;
}
