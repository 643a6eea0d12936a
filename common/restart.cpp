#include "common/restart.h"

#include "common/system_program.h"

int RestartSystem() {
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                          token.Receive()))
        return 0;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, NULL, NULL);
    // AdjustTokenPrivileges succeeds with ERROR_NOT_ALL_ASSIGNED when the user lacks the right.
    DWORD error = GetLastError();
    token.Close();
    if (error != ERROR_SUCCESS)
        return 0;
    // Hung programs are closed; the others are asked first, so that nothing unsaved is lost.
    return ExitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG, 0) ? 1 : 0;
}

void RunSpoolerCommand(const char *commandLine, DWORD pause) {
    // Not WinExec: its child would inherit this program's current directory.
    SystemCommand command = SystemCommandLine(commandLine);
    // Not waited for: the pause is all the synchronisation there is with the service.
    if (!command.program.empty()) {
        ChildProcess child;
        StartSystemCommand(command, STARTF_USESHOWWINDOW, child);
    }
    Sleep(pause);
}
