// The simulated machine keeps the platform's documented contracts the programs rely on.
#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

#include "harness.h"

namespace {

using SimulatedFiles = MachineTest;

TEST_F(SimulatedFiles, PathsFollowWindowsRules) {
    winsim::PutFile("C:\\Temp\\Log.txt", "x");
    for (const char *path : {"c:\\temp\\LOG.TXT", "C:/Temp/Log.txt", "C:\\\\Temp\\Log.txt",
                             "C:\\Temp\\.\\Sub\\..\\Log.txt", "..\\Temp\\Log.txt"})
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path)) << path;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\Temp\\Nope.txt"));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\NoDir\\Nope.txt"));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST_F(SimulatedFiles, DirectoryQueriesReportTheNeededSize) {
    char small[5];
    EXPECT_EQ(11u, GetWindowsDirectoryA(small, sizeof small)); // "C:\WINDOWS" and its NUL
    char big[64];
    EXPECT_EQ(10u, GetWindowsDirectoryA(big, sizeof big));
    EXPECT_STREQ("C:\\WINDOWS", big);
    EXPECT_EQ(8u, GetCurrentDirectoryA(sizeof big, big));
    EXPECT_STREQ("C:\\Media", big);
}

TEST_F(SimulatedFiles, CopyAndDeleteErrorCodes) {
    winsim::PutFile("C:\\a.txt", "a");
    winsim::PutFile("C:\\b.txt", "b");
    EXPECT_FALSE(CopyFileA("C:\\missing.txt", "C:\\c.txt", FALSE));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(CopyFileA("C:\\a.txt", "C:\\NoDir\\c.txt", FALSE));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_FALSE(CopyFileA("C:\\a.txt", "C:\\b.txt", TRUE));
    EXPECT_EQ(DWORD(ERROR_FILE_EXISTS), GetLastError());
    winsim::SetLocked("C:\\b.txt", true);
    EXPECT_FALSE(CopyFileA("C:\\a.txt", "C:\\b.txt", FALSE));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_FALSE(DeleteFileA("C:\\b.txt"));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    winsim::SetDenied("C:\\a.txt", true);
    EXPECT_FALSE(DeleteFileA("C:\\a.txt"));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(RemoveDirectoryA("C:\\WINDOWS"));
    EXPECT_EQ(DWORD(ERROR_DIR_NOT_EMPTY), GetLastError());
    EXPECT_FALSE(CreateDirectoryA("C:\\WINDOWS", NULL));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
}

TEST_F(SimulatedFiles, FindListsDotsThenEntriesAndEnds) {
    winsim::PutFile("C:\\X\\b.dll", "");
    winsim::PutFile("C:\\X\\A.inf", "");
    winsim::MakeDirectory("C:\\X\\Sub");
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("C:\\X\\*.*", &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    std::vector<std::string> names = {data.cFileName};
    while (FindNextFileA(find, &data))
        names.push_back(data.cFileName);
    EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), GetLastError());
    EXPECT_TRUE(FindClose(find));
    EXPECT_EQ((std::vector<std::string>{".", "..", "A.inf", "b.dll", "Sub"}), names);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA("C:\\X\\*.exe", &data));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(SimulatedFiles, ProfileStringsReadLikeWindows) {
    winsim::PutFile("C:\\o.ini", "; comment\r\n[Other]\r\nKey=no\r\n[qmr640]\r\n  port = \"COM2\" "
                                 "\r\nLong=0123456789\r\nKey=first\r\nKey=second");
    char value[8];
    EXPECT_EQ(4u,
              GetPrivateProfileStringA("QMR640", "PORT", NULL, value, sizeof value, "C:\\o.ini"));
    EXPECT_STREQ("COM2", value);
    EXPECT_EQ(7u,
              GetPrivateProfileStringA("QMR640", "Long", NULL, value, sizeof value, "C:\\o.ini"));
    EXPECT_STREQ("0123456", value);
    EXPECT_EQ(5u,
              GetPrivateProfileStringA("QMR640", "Key", NULL, value, sizeof value, "C:\\o.ini"));
    EXPECT_STREQ("first", value);
    EXPECT_EQ(0u,
              GetPrivateProfileStringA("QMR640", "None", NULL, value, sizeof value, "C:\\o.ini"));
    EXPECT_STREQ("", value);
    EXPECT_EQ(2u,
              GetPrivateProfileStringA("QMR640", "None", "dv", value, sizeof value, "C:\\no.ini"));
}

int CountedFormat(char *buffer, size_t count, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int result = _vsnprintf(buffer, count, format, args);
    va_end(args);
    return result;
}

TEST(SimulatedRuntime, CountedFormatCutsWithoutNul) {
    char buffer[6];
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(-1, CountedFormat(buffer, 5, "abc%s", "defgh"));
    EXPECT_EQ(0, memcmp(buffer, "abcde#", 6));
    EXPECT_EQ(5, CountedFormat(buffer, 5, "%d", 12345));
    EXPECT_EQ(0, memcmp(buffer, "12345#", 6));
    EXPECT_EQ(3, CountedFormat(buffer, 5, "%ws", L"abc"));
    EXPECT_STREQ("abc", buffer);
}

using SimulatedSystem = MachineTest;

TEST_F(SimulatedSystem, Windows98RefusesTheExtendedRecord) {
    winsim::SetVersion(winsim::kWindows98);
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    EXPECT_FALSE(GetVersionExA((OSVERSIONINFOA *)&info));
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    EXPECT_TRUE(GetVersionExA((OSVERSIONINFOA *)&info));
    EXPECT_EQ(10u, info.dwMinorVersion);
}

TEST_F(SimulatedSystem, InjectedFaultHitsOnlyTheNthCall) {
    winsim::FailCall("DeleteFileA", ERROR_ACCESS_DENIED, 2);
    winsim::PutFile("C:\\1", "");
    winsim::PutFile("C:\\2", "");
    winsim::PutFile("C:\\3", "");
    EXPECT_TRUE(DeleteFileA("C:\\1"));
    EXPECT_FALSE(DeleteFileA("C:\\2"));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(DeleteFileA("C:\\3"));
    EXPECT_TRUE(winsim::Exists("C:\\2"));
}

DWORD WINAPI ExitWithSeven(LPVOID) {
    Sleep(10);
    exit(7);
}

TEST_F(SimulatedSystem, ExitOnAnyThreadEndsTheWholeProcess) {
    bool firstThreadStopped = true;
    int code = RunInInstaller([&] {
        CreateThread(NULL, 0, ExitWithSeven, NULL, 0, NULL);
        for (int i = 0; i < 1000000; ++i)
            Sleep(1); // stopped at one of these once the worker has exited
        firstThreadStopped = false;
    });
    EXPECT_EQ(7, code);
    EXPECT_TRUE(firstThreadStopped);
    EXPECT_FALSE(winsim::LastProcessHung());
    EXPECT_EQ(0, RunInInstaller([] {}));
}

INT_PTR CALLBACK Plain(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

struct CrossThread {
    HWND progress;
    LRESULT position;
};

DWORD WINAPI StepFromWorker(LPVOID parameter) {
    CrossThread *cross = (CrossThread *)parameter;
    SendMessageA(cross->progress, PBM_STEPIT, 0, 0);
    cross->position = SendMessageA(cross->progress, PBM_GETPOS, 0, 0);
    exit(3);
}

TEST_F(SimulatedSystem, SentMessagesWaitForTheOwningThread) {
    CrossThread cross = {NULL, -1};
    int code = RunInInstaller([&] {
        HWND dialog =
            CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(102), NULL, Plain, 0);
        cross.progress = GetDlgItem(dialog, 1000);
        SendMessageA(cross.progress, PBM_SETSTEP, 40, 0);
        CreateThread(NULL, 0, StepFromWorker, &cross, 0, NULL);
        DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(129), NULL, Plain, 0);
    });
    EXPECT_EQ(3, code);
    EXPECT_EQ(40, cross.position);
}

TEST_F(SimulatedSystem, ProgressStartsOverPastItsEnd) {
    RunInInstaller([] {
        HWND dialog =
            CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(102), NULL, Plain, 0);
        HWND bar = GetDlgItem(dialog, 1000);
        SendMessageA(bar, PBM_SETSTEP, 60, 0);
        SendMessageA(bar, PBM_STEPIT, 0, 0);
        EXPECT_EQ(60, SendMessageA(bar, PBM_STEPIT, 0, 0));
        EXPECT_GT(60, SendMessageA(bar, PBM_GETPOS, 0, 0));
        SendMessageA(bar, PBM_SETPOS, 150, 0);
        EXPECT_EQ(100, SendMessageA(bar, PBM_GETPOS, 0, 0));
    });
}

} // namespace
