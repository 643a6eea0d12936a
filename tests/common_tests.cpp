// Restart, spooler commands, error boxes, the status protocol and bounded strings.
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "QMR640_Installer/resource.h"
#include "common/app_context.h"
#include "common/bounded_string.h"
#include "common/report_error.h"
#include "common/restart.h"
#include "common/status.h"
#include "harness.h"

namespace {

using CommonTest = MachineTest;

TEST_F(CommonTest, RestartNeedsTheShutdownPrivilege) {
    EXPECT_EQ(1, RestartSystem());
    ASSERT_EQ(1u, winsim::Restarts().size());
    EXPECT_EQ(UINT(EWX_REBOOT | EWX_FORCEIFHUNG), winsim::Restarts()[0].flags);
    EXPECT_EQ(0u, winsim::Restarts()[0].reason);

    winsim::Reset();
    winsim::SetShutdownPrivilege(false);
    EXPECT_EQ(0, RestartSystem());
    EXPECT_EQ(0, CallCount("ExitWindowsEx"));

    winsim::Reset();
    winsim::FailCall("OpenProcessToken", ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, RestartSystem());
    EXPECT_TRUE(winsim::Restarts().empty());
}

// Hidden, working in the system directory, not waited for, its handles closed at once.
TEST_F(CommonTest, SpoolerCommandRunsHiddenAndWaits) {
    RunInInstaller([] { RunSpoolerCommand("net stop spooler", 1500); });
    ASSERT_EQ(1u, winsim::Launches().size());
    winsim::Launch net = winsim::Launches()[0];
    EXPECT_EQ(kNetStopSpooler, net.commandLine);
    EXPECT_EQ("C:\\WINDOWS\\system32", net.currentDirectory);
    EXPECT_EQ(UINT(SW_HIDE), net.show);
    EXPECT_FALSE(net.finished || net.handlesOpen);
    EXPECT_EQ(std::vector<DWORD>{1500}, PauseList());
    EXPECT_EQ(1500u, winsim::ElapsedMs());
    // A command that cannot start still costs its pause.
    winsim::FailCall("CreateProcessA", ERROR_FILE_NOT_FOUND);
    RunSpoolerCommand("net start spooler", 2000);
    EXPECT_EQ(3500u, winsim::ElapsedMs());
    EXPECT_EQ(2, CallCount("CreateProcessA"));
    EXPECT_EQ(1u, winsim::Launches().size());
}

TEST_F(CommonTest, SystemErrorBoxAppendsTheSystemText) {
    RunInInstaller([] {
        ReportSystemError("AddMonitor, ERR CODE: %d\n\n", 5, MB_ICONSTOP);
        ReportSystemError("AddPrinter, Error Code: %d\n\n", 424242, MB_ICONSTOP);
    });
    ASSERT_EQ(2u, winsim::Boxes().size());
    EXPECT_EQ("AddMonitor, ERR CODE: 5\n\nAccess is denied.\r\n", winsim::Boxes()[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), winsim::Boxes()[0].flags);
    EXPECT_EQ("AddPrinter, Error Code: 424242\n\n", winsim::Boxes()[1].text);
}

TEST_F(CommonTest, BoundedCopiesKeepTheNul) {
    char buffer[8] = "abc";
    AppendBounded(buffer, sizeof buffer, "defghijk");
    EXPECT_STREQ("abcdefg", buffer);
    CopyBounded(buffer, sizeof buffer, "0123456789");
    EXPECT_STREQ("0123456", buffer);
    AppendBounded(buffer, sizeof buffer, "x");
    EXPECT_STREQ("0123456", buffer);
}

INT_PTR CALLBACK CountRefreshes(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_REFRESH_STATUS)
        SetWindowLongPtrA(dialog, DWLP_USER, GetWindowLongPtrA(dialog, DWLP_USER) + 1);
    return message == WM_REFRESH_STATUS || message == WM_INITDIALOG;
}

TEST_F(CommonTest, StatusStepsTheBarByNineAndStopsAtTheEnd) {
    std::vector<int> positions;
    HWND progress = NULL;
    RunInInstaller([&] {
        HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL),
                                         MAKEINTRESOURCEA(IDD_KSTPOS_INSTALLER_DIALOG), NULL,
                                         CountRefreshes, 0);
        SetMainWindow(dialog);
        progress = GetDlgItem(dialog, IDC_PROGRESS);
        SendMessageA(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SendMessageA(progress, PBM_SETSTEP, 9, 0);
        StatusText status;
        for (int i = 0; i < 14; ++i) {
            PostStatus(status, progress, "step\r\n", TRUE, i == 0 ? 500 : 0);
            positions.push_back(winsim::Progress(progress).pos);
        }
        PostStatus(status, progress, "no step", FALSE, 0);
        positions.push_back(winsim::Progress(progress).pos);
        PostCompletion(status, progress, "done", 0);
        EXPECT_EQ("done", status.Get());
    });
    EXPECT_EQ((std::vector<int>{9, 18, 27, 36, 45, 54, 63, 72, 81, 90, 99, 100, 100, 100, 100}),
              positions);
    EXPECT_EQ(100, winsim::Progress(progress).pos);
    EXPECT_EQ(std::vector<DWORD>{500}, PauseList());
    // One refresh for every status and one for the completion.
    EXPECT_EQ(int(positions.size()) + 1, CallCount("PostMessageA"));
}

// The worker writes the status text while the dialog thread reads it for the refresh.
TEST(StatusThreads, HandOverIsNeverTorn) {
    StatusText status;
    const std::string a(300, 'a'), b(500, 'b');
    std::atomic<bool> done(false);
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i)
            status.Set(i % 2 ? a : b);
        done = true;
    });
    int reads = 0;
    while (!done || reads == 0) {
        std::string seen = status.Get();
        ASSERT_TRUE(seen.empty() || seen == a || seen == b);
        ++reads;
    }
    writer.join();
}

} // namespace
