#include "common/restart.h"

#include "common/system_program.h"

int RestartSystem() {
    HANDLE token = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return 0;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
    // AdjustTokenPrivileges succeeds with ERROR_NOT_ALL_ASSIGNED when the user lacks the right.
    DWORD error = GetLastError();
    CloseHandle(token);
    if (error != ERROR_SUCCESS)
        return 0;
    // Hung programs are closed; the others are asked first, so that nothing unsaved is lost.
    return ExitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG, 0) ? 1 : 0;
}

void RunSpoolerCommand(const char *commandLine, DWORD pause) {
    // Not WinExec: its child would inherit this program's current directory.
    SystemCommand command = SystemCommandLine(commandLine);
    PROCESS_INFORMATION child;
    if (!command.program.empty() && StartSystemCommand(command, STARTF_USESHOWWINDOW, child)) {
        // Not waited for: the pause is all the synchronisation there is with the service.
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    Sleep(pause);
}
