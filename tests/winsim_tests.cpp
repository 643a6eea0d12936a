// The simulated machine keeps the platform's documented contracts the programs rely on.
#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

#include "QMR640_Uninstaller/CheckListBox.h"
#include "QMR640_Uninstaller/resource.h"
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
    // A share's root is a root: the current directory there keeps its backslash, and neither
    // "\\" nor ".." leads out of it.
    winsim::PutFile("\\\\server\\media\\Driver32\\QMR640.inf", "x");
    ASSERT_TRUE(SetCurrentDirectoryA("\\\\server\\media"));
    char path[MAX_PATH];
    EXPECT_EQ(15u, GetCurrentDirectoryA(sizeof path, path));
    EXPECT_STREQ("\\\\server\\media\\", path);
    for (const char *relative :
         {"Driver32\\QMR640.inf", "\\Driver32\\QMR640.inf", "..\\Driver32\\QMR640.inf"}) {
        EXPECT_EQ(34u, GetFullPathNameA(relative, sizeof path, path, NULL)) << relative;
        EXPECT_STREQ("\\\\server\\media\\Driver32\\QMR640.inf", path);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(relative)) << relative;
    }
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
    // Held open by another user: what its sharing allows, and no rename without delete sharing.
    winsim::PutFile("C:\\c.txt", "c");
    for (DWORD share : {DWORD(0), DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE)}) {
        winsim::PutFile("C:\\h.txt", "h");
        winsim::SetHeldOpen("C:\\h.txt", true, share);
        EXPECT_EQ(share != 0, CopyFileA("C:\\c.txt", "C:\\h.txt", FALSE) != FALSE);
        EXPECT_FALSE(DeleteFileA("C:\\h.txt"));
        EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
        EXPECT_FALSE(winsim::Move("C:\\h.txt", "C:\\moved.txt"));
    }
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

// Junctions and symbolic links as Windows documents them: followed on the way and, unless the
// call opens the link itself, at the end; removed themselves, never what they point to.
TEST_F(SimulatedFiles, LinksAreFollowedWhereWindowsFollowsThem) {
    winsim::PutFile("C:\\Target\\file.txt", "target");
    winsim::MakeJunction("C:\\Temp", "C:\\Target");
    winsim::MakeSymbolicLink("C:\\Target\\link.txt", "C:\\Target\\file.txt", false);
    winsim::MakeSymbolicLink("C:\\Target\\dangling.txt", "C:\\Target\\made.txt", false);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              GetFileAttributesA("C:\\Temp"));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesA("C:\\Temp\\file.txt"));
    // The entries show the link's own attributes and its reparse tag.
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA("C:\\Temp\\link.txt", &entry);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    EXPECT_NE(0u, entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(DWORD(IO_REPARSE_TAG_SYMLINK), entry.dwReserved0);
    FindClose(find);
    // Without FILE_FLAG_OPEN_REPARSE_POINT a dangling link makes its target.
    HANDLE file =
        CreateFileA("C:\\Temp\\dangling.txt", GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    EXPECT_TRUE(winsim::Exists("C:\\Target\\made.txt"));
    // With it, the link itself is opened, and says so.
    file = CreateFileA("C:\\Temp\\link.txt", GENERIC_READ, 0, NULL, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    BY_HANDLE_FILE_INFORMATION information;
    ASSERT_TRUE(GetFileInformationByHandle(file, &information));
    EXPECT_NE(0u, information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    CloseHandle(file);
    EXPECT_TRUE(DeleteFileA("C:\\Temp\\link.txt"));
    EXPECT_EQ("target", winsim::FileContent("C:\\Target\\file.txt"));
    // A junction is removed with its target full; DeleteFileA does not remove it.
    EXPECT_FALSE(DeleteFileA("C:\\Temp"));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(RemoveDirectoryA("C:\\Temp"));
    EXPECT_TRUE(winsim::Exists("C:\\Target\\file.txt"));
    // Links that lead to each other end the walk.
    winsim::MakeJunction("C:\\A", "C:\\B");
    winsim::MakeJunction("C:\\B", "C:\\A");
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileA("C:\\A\\x.txt", GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));
    EXPECT_EQ(DWORD(ERROR_CANT_RESOLVE_FILENAME), GetLastError());
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

// The owner of an owner-drawn list box measures its items as the box is created, before its own
// WM_INITDIALOG, and draws each entry the box shows; here the uninstaller's drawing does it.
struct OwnerDraw {
    std::vector<UINT> messages; // WM_MEASUREITEM and WM_INITDIALOG, in order
    std::vector<DRAWITEMSTRUCT> draws;
    HWND list = NULL;
};
OwnerDraw *g_ownerDraw = nullptr;

INT_PTR CALLBACK CheckListOwner(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_MEASUREITEM:
        g_ownerDraw->messages.push_back(message);
        MeasureCheckListItem((MEASUREITEMSTRUCT *)lParam);
        return TRUE;
    case WM_INITDIALOG: {
        g_ownerDraw->messages.push_back(message);
        HWND list = g_ownerDraw->list = GetDlgItem(dialog, IDC_PRINTER_LIST);
        for (const char *name : {"Kappa", "alpha", "Delta", "beta", "Mu", "Iota", "Gamma", "Zeta",
                                 "eta", "Theta", "Lambda", "Epsilon"})
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)name);
        for (int i = 0; i < 12; i += 3)
            SetCheck(list, i, 1);
        SendMessageA(list, LB_SETCURSEL, 2, 0);
        return TRUE;
    }
    case WM_DRAWITEM:
        g_ownerDraw->draws.push_back(*(const DRAWITEMSTRUCT *)lParam);
        DrawCheckListItem((const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_COMMAND:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

TEST_F(SimulatedSystem, OwnerDrawnListBoxAsksItsOwner) {
    OwnerDraw seen;
    g_ownerDraw = &seen;
    winsim::SetUser([](HWND dialog) { winsim::PressKey(dialog, VK_ESCAPE); });
    winsim::RunProcess(UninstallerModule(), [] {
        DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_KSTPOS_UNINSTALLER_DIALOG),
                        NULL, CheckListOwner, 0);
    });
    g_ownerDraw = nullptr;
    EXPECT_EQ((std::vector<UINT>{WM_MEASUREITEM, WM_INITDIALOG}), seen.messages);

    // Every entry that fits in the box, in the sorted order, once, at the measured height.
    std::vector<winsim::ListItem> items = winsim::ListItems(seen.list);
    ASSERT_EQ(12u, items.size());
    std::vector<winsim::Drawing> drawn = winsim::Drawings(seen.list);
    ASSERT_EQ(10u, seen.draws.size()); // 149 pixels high: the tenth entry is cut
    ASSERT_EQ(3 * seen.draws.size(), drawn.size());
    HBRUSH selected = GetSysColorBrush(COLOR_HIGHLIGHT), plain = GetSysColorBrush(COLOR_WINDOW);
    for (size_t i = 0; i < seen.draws.size(); ++i) {
        const DRAWITEMSTRUCT &draw = seen.draws[i];
        int top = int(i) * 16;
        EXPECT_EQ(i, draw.itemID);
        EXPECT_EQ(UINT(ODT_LISTBOX), draw.CtlType);
        EXPECT_EQ(UINT(IDC_PRINTER_LIST), draw.CtlID);
        EXPECT_EQ(top, draw.rcItem.top);
        EXPECT_EQ(top + 16, draw.rcItem.bottom);
        EXPECT_EQ(i == 2, (draw.itemState & ODS_SELECTED) != 0) << i;
        const winsim::Drawing &fill = drawn[3 * i], &box = drawn[3 * i + 1],
                              &text = drawn[3 * i + 2];
        EXPECT_EQ("FillRect", fill.call);
        EXPECT_EQ(UINT(uintptr_t(i == 2 ? selected : plain)), fill.state) << i;
        EXPECT_EQ("DrawFrameControl", box.call);
        EXPECT_EQ(top, box.rect.top);
        EXPECT_EQ(i % 3 == 0, (box.state & DFCS_CHECKED) != 0) << i;
        EXPECT_EQ(items[i].data != 0, (box.state & DFCS_CHECKED) != 0) << i;
        EXPECT_EQ("DrawTextA", text.call);
        EXPECT_EQ(items[i].text, text.text);
        EXPECT_GT(text.rect.left, box.rect.right - 1) << "the text starts after the box";
    }
}

} // namespace
