// Simulated child processes and the WOW64 file system keep the documented contracts the
// programs rely on.
#include <string.h>
#include <winsim_print.h>
#include <winsim_registry.h>
#include <winspool.h>

#include "harness.h"

namespace {

int RunInProgram(const std::function<void()> &body) {
    return winsim::RunProcess(winsim::RegisterModule("ProcessContract", "", ""), body);
}

using ChildProcesses = MachineTest;

// Starts a child the way the installer starts printui: hidden, in the caller's directory.
BOOL Start(const char *commandLine, PROCESS_INFORMATION &child) {
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
    startup.wShowWindow = SW_HIDE;
    std::string writable = commandLine;
    return CreateProcessA(NULL, &writable[0], NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS, NULL, NULL,
                          &startup, &child);
}

TEST_F(ChildProcesses, LaunchesAreRecordedAndUnscriptedChildrenEndAtOnce) {
    PROCESS_INFORMATION child;
    ASSERT_TRUE(Start("cmd /c exit", child));
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(child.hProcess, 120000));
    EXPECT_EQ(0u, winsim::ElapsedMs());
    std::vector<winsim::Launch> launches = winsim::Launches();
    ASSERT_EQ(1u, launches.size());
    const winsim::Launch &launch = launches[0];
    EXPECT_EQ("cmd /c exit", launch.commandLine);
    EXPECT_EQ(DWORD(NORMAL_PRIORITY_CLASS), launch.creationFlags);
    EXPECT_EQ(DWORD(0x41), launch.startupFlags);
    EXPECT_EQ(SW_HIDE, launch.showWindow);
    EXPECT_EQ("C:\\Media", launch.currentDirectory);
    EXPECT_TRUE(launch.started && launch.finished && launch.handlesOpen && launch.createProcess);
    EXPECT_EQ(UINT(SW_HIDE), launch.show);
    EXPECT_TRUE(CloseHandle(child.hProcess));
    EXPECT_TRUE(CloseHandle(child.hThread));
    EXPECT_FALSE(winsim::Launches()[0].handlesOpen);

    // cmd works in the Windows directory when started in a share, and expands what it runs.
    winsim::SetCurrentDirectory("\\\\server\\media");
    ASSERT_TRUE(Start("cmd /d /c \"echo \"%windir%\" %NOSUCH%\"", child));
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    EXPECT_EQ("\\\\server\\media\\", winsim::Launches()[1].currentDirectory);
    EXPECT_EQ("C:\\WINDOWS", winsim::Launches()[1].workDirectory);
    EXPECT_EQ("echo \"C:\\WINDOWS\" %NOSUCH%", winsim::Launches()[1].runCommand);
}

TEST_F(ChildProcesses, WaitsRunOnTheVirtualClockAndTimeOut) {
    int finished = 0;
    winsim::ScriptChild("slow", {0, 200000, false, [&finished] { ++finished; }});
    winsim::ScriptNextChild({0, 0, true, nullptr});
    PROCESS_INFORMATION slow, endless, quick;
    ASSERT_TRUE(Start("slow", slow));
    ASSERT_TRUE(Start("endless", endless));
    ASSERT_TRUE(Start("quick", quick)); // the next-child script was used up
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(slow.hProcess, 120000));
    EXPECT_EQ(120000u, winsim::ElapsedMs());
    EXPECT_EQ(0, finished);
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(slow.hThread, 120000));
    EXPECT_EQ(200000u, winsim::ElapsedMs());
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(slow.hProcess, 0));
    EXPECT_EQ(1, finished);
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(endless.hProcess, 1000));
    EXPECT_EQ(201000u, winsim::ElapsedMs());
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(quick.hProcess, 0));
    ASSERT_TRUE(Start("slow", slow)); // a command-line script holds for every start
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(slow.hProcess, 199999));
    EXPECT_EQ(DWORD(WAIT_FAILED), WaitForSingleObject((HANDLE)(uintptr_t)0x7777, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(ChildProcesses, FailedStartsReportTheirError) {
    winsim::ScriptNextChild({ERROR_FILE_NOT_FOUND, 0, false, nullptr});
    PROCESS_INFORMATION child;
    EXPECT_FALSE(Start("missing.exe", child));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    char line[] = "cmd";
    EXPECT_FALSE(
        CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, "C:\\NoSuchDir", &startup, &child));
    EXPECT_EQ(DWORD(ERROR_DIRECTORY), GetLastError());
    ASSERT_EQ(2u, winsim::Launches().size());
    EXPECT_FALSE(winsim::Launches()[0].started);
    EXPECT_FALSE(winsim::Launches()[1].started);
}

TEST_F(ChildProcesses, AChildsWorkRunsNativeAndAnEndlessWaitHangsTheProgram) {
    winsim::SetWow64(true);
    winsim::ScriptChild(
        "printui", {0, 3000, false, [] {
                        HKEY key = NULL;
                        EXPECT_EQ(ERROR_SUCCESS,
                                  RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Drv", 0, NULL, 0,
                                                  KEY_WRITE, NULL, &key, NULL));
                        RegCloseKey(key);
                        HANDLE file = CreateFileA("C:\\WINDOWS\\system32\\d.dll", GENERIC_WRITE, 0,
                                                  NULL, CREATE_ALWAYS, 0, NULL);
                        CloseHandle(file);
                    }});
    winsim::ScriptChild("hang", {0, 0, true, nullptr});
    int code = RunInProgram([] {
        PROCESS_INFORMATION child;
        Start("printui", child);
        WaitForSingleObject(child.hProcess, INFINITE);
        Start("hang", child);
        WaitForSingleObject(child.hProcess, INFINITE);
    });
    EXPECT_TRUE(winsim::LastProcessHung());
    EXPECT_NE(0, code);
    EXPECT_TRUE(winsim::KeyExists("HKLM\\SOFTWARE\\Drv"));
    EXPECT_TRUE(winsim::Exists("C:\\WINDOWS\\system32\\d.dll"));
}

// A kill ends the program as it makes the given call: what it wrote stays, half a line too, and
// nothing after happens, its child's work included. The spooler it stopped stays stopped and
// refuses calls until a later program starts it.
TEST_F(ChildProcesses, AKilledProgramStopsAtTheCallAndItsChildDiesWithIt) {
    int childWork = 0;
    winsim::ScriptChild("printui", {0, 3000, false, [&childWork] { ++childWork; }});
    winsim::KillAtCall(winsim::CallLog().size() + 5); // the second WriteFile
    int code = RunInProgram([] {
        HANDLE file = CreateFileA("C:\\log.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        WriteFile(file, "line", 4, &written, NULL);
        WinExec("net stop spooler", SW_HIDE);
        PROCESS_INFORMATION child;
        Start("printui", child);
        WriteFile(file, "\r\n", 2, &written, NULL);
        WaitForSingleObject(child.hProcess, INFINITE);
        WinExec("net start spooler", SW_HIDE);
    });
    EXPECT_EQ(1, code);
    EXPECT_TRUE(winsim::LastProcessKilled());
    EXPECT_EQ("line", winsim::FileContent("C:\\log.txt"));
    EXPECT_EQ(0, childWork);
    EXPECT_FALSE(winsim::Launches().at(1).finished); // after the WinExec of net stop
    EXPECT_FALSE(winsim::SpoolerRunning());
    DWORD needed = 0, returned = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned));
    EXPECT_EQ(DWORD(RPC_S_SERVER_UNAVAILABLE), GetLastError());
    EXPECT_EQ(1, winsim::RefusedSpoolerCalls());
    EXPECT_EQ(0, RunInProgram([] { WinExec("C:\\WINDOWS\\system32\\net.exe start spooler", 0); }));
    EXPECT_FALSE(winsim::LastProcessKilled());
    EXPECT_TRUE(winsim::SpoolerRunning());
    SetLastError(0xdeadbeef);
    EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned);
    EXPECT_NE(DWORD(RPC_S_SERVER_UNAVAILABLE), GetLastError());
    EXPECT_EQ(1, winsim::RefusedSpoolerCalls());
}

using Wow64Files = MachineTest;

TEST_F(Wow64Files, TheWow64DirectoryExistsOnlyOn64BitWindows) {
    auto getWow64Directory = (UINT(WINAPI *)(LPSTR, UINT))(void *)GetProcAddress(
        GetModuleHandleA("kernel32"), "GetSystemWow64DirectoryA");
    char buffer[256];
    EXPECT_EQ(0u, getWow64Directory(buffer, sizeof buffer));
    EXPECT_EQ(120u, GetLastError()); // ERROR_CALL_NOT_IMPLEMENTED
    EXPECT_FALSE(winsim::Exists("C:\\WINDOWS\\SysWOW64"));
    winsim::SetWow64(true);
    EXPECT_EQ(20u, getWow64Directory(buffer, 19));
    EXPECT_EQ(19u, getWow64Directory(buffer, sizeof buffer));
    EXPECT_STREQ("C:\\WINDOWS\\SysWOW64", buffer);
    EXPECT_TRUE(winsim::IsDirectory("C:\\WINDOWS\\SysWOW64"));
}

// Creates each file from inside a program, which must then find it.
void CreateInProgram(const std::vector<std::string> &paths) {
    RunInProgram([&paths] {
        for (const std::string &path : paths) {
            HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            EXPECT_NE(INVALID_HANDLE_VALUE, file) << path;
            CloseHandle(file);
            EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str())) << path;
        }
    });
}

TEST_F(Wow64Files, ProgramsSeeSysWow64InPlaceOfSystem32ExceptSharedFolders) {
    CreateInProgram({"C:\\WINDOWS\\system32\\Native.dll"}); // 32-bit Windows: no redirection
    EXPECT_TRUE(winsim::Exists("C:\\WINDOWS\\system32\\Native.dll"));

    winsim::SetWow64(true);
    for (const char *folder : {"spool\\drivers", "drivers\\etc", "catroot2", "drivers"})
        winsim::MakeDirectory(std::string("C:\\WINDOWS\\system32\\") + folder);
    winsim::MakeDirectory("C:\\WINDOWS\\SysWOW64\\drivers");
    CreateInProgram(
        {"C:\\WINDOWS\\system32\\MON640.dll", "c:\\windows\\SYSTEM32\\spool\\drivers\\a.dll",
         "C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "C:\\WINDOWS\\system32\\catroot2\\c",
         "C:\\WINDOWS\\system32\\drivers\\x.sys"});
    EXPECT_EQ(std::vector<std::string>({"C:\\WINDOWS\\SYSWOW64\\DRIVERS",
                                        "C:\\WINDOWS\\SYSWOW64\\DRIVERS\\X.SYS",
                                        "C:\\WINDOWS\\SYSWOW64\\MON640.DLL"}),
              winsim::ListTree("C:\\WINDOWS\\SysWOW64"));
    for (const char *shared : {"spool\\drivers\\a.dll", "drivers\\etc\\hosts", "catroot2\\c"})
        EXPECT_TRUE(winsim::Exists(std::string("C:\\WINDOWS\\system32\\") + shared)) << shared;
    EXPECT_FALSE(winsim::Exists("C:\\WINDOWS\\system32\\MON640.dll"));

    // The system directory is still reported as system32, and listing it shows SysWOW64.
    RunInProgram([] {
        char directory[MAX_PATH];
        GetSystemDirectoryA(directory, sizeof directory);
        EXPECT_STREQ("C:\\WINDOWS\\system32", directory);
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA("C:\\WINDOWS\\system32\\*.dll", &data);
        ASSERT_NE(INVALID_HANDLE_VALUE, find);
        EXPECT_STREQ("MON640.dll", data.cFileName);
        FindClose(find);
    });
}

} // namespace
