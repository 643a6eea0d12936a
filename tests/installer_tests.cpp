// The installer from start-up through the port choice to the installation sequence.
#include <commctrl.h>
#include <winsim_print.h>

#include <algorithm>

#include "QMR640_Installer/resource.h"
#include "harness.h"
#include "machine_snapshot.h"

namespace {

std::vector<std::string> StartupSteps(const std::vector<std::string> &version, bool wow64) {
    std::vector<std::string> steps = {wow64 ? "The process is running under WOW64."
                                            : "The process is not running under WOW64.",
                                      "CheckOS BEGIN"};
    steps.insert(steps.end(), version.begin(), version.end());
    steps.insert(steps.end(),
                 {"CheckOS END", "SetSystemInfo BEGIN",
                  wow64 ? "ENV : Windows x64, DRV DIR : Driver64\\ "
                        : "ENV : Windows NT x86, DRV DIR : Driver32\\ ",
                  "SetSystemInfo END", "SetControlPointers BEGIN", "SetControlPointers END"});
    return steps;
}

const std::vector<std::string> kXPVersion = {"osvi.dwPlatformID   : 2", "osvi.dwMajorVersion : 5",
                                             "osvi.dwMinorVersion : 1",
                                             "osvi.dwBuildNumber  : 2600"};

std::vector<std::string> OptionsFailure(const std::string &key) {
    return {"GetDriverInfoFromFile BEGIN", "SECTION NAME : QMR640", "KEY NAME : " + key,
            "GetDriverInfoFromFile failed. (2)", "GetDriverInfoFromFile END"};
}

// The log up to and including the line that starts the sequence.
std::vector<std::string> UpTo(const std::string &line) {
    std::vector<std::string> steps = LogSteps(kInstallerLog);
    auto end = std::find(steps.begin(), steps.end(), line);
    return std::vector<std::string>(steps.begin(), end == steps.end() ? end : end + 1);
}

std::vector<std::string> Concat(std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (auto &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class InstallerFlow : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        PutMedia(kMedia, nullptr);
    }
};

TEST_F(InstallerFlow, OldSystemsAreRefusedWithOnlyTheStartupInTheLog) {
    const winsim::OsVersion refused[] = {winsim::kWindows95, winsim::kWindows98, winsim::kWindowsMe,
                                         winsim::kWindowsNT4};
    for (const winsim::OsVersion &version : refused) {
        winsim::Reset();
        winsim::SetCurrentDirectory(kMedia);
        winsim::SetVersion(version);
        bool portDialogShown = false;
        winsim::SetUser(
            [&](HWND dialog) { portDialogShown |= winsim::WindowText(dialog) == "Port Type"; });
        EXPECT_EQ(0, RunInstaller());
        ASSERT_EQ(1u, winsim::Boxes().size());
        EXPECT_EQ("THE DRIVER CAN NOT BE INSTALLED ON THIS OS.", winsim::Boxes()[0].text);
        EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), winsim::Boxes()[0].flags);
        EXPECT_EQ("QMR640_Installer", winsim::Boxes()[0].caption);
        EXPECT_FALSE(portDialogShown);
        std::vector<std::string> steps = LogSteps(kInstallerLog);
        ASSERT_GE(steps.size(), 2u);
        EXPECT_EQ("CheckOS BEGIN", steps[1]);
        EXPECT_EQ("SetControlPointers END", steps.back());
        EXPECT_EQ(0, CallCount("GetPrivateProfileStringA"));
        // The spooler start of the start-up is still attempted.
        ASSERT_EQ(1u, winsim::Launches().size());
        EXPECT_EQ(kNetStartSpooler, winsim::Launches()[0].commandLine);
    }
}

TEST_F(InstallerFlow, NewInstallationOnXPShowsThePortDialogAndRunsTheClassicSequence) {
    AnswerPortDialog(IDC_RADIO_LPT1);
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(Concat({StartupSteps(kXPVersion, false),
                      OptionsFailure("PORTDLG"),
                      OptionsFailure("PORT"),
                      {"AddToWin2K BEGIN"}}),
              UpTo("AddToWin2K BEGIN"));
    EXPECT_EQ("LPT1:", winsim::Printers().at(0).port);
    ASSERT_FALSE(winsim::Launches().empty());
    EXPECT_EQ(kNetStartSpooler, winsim::Launches()[0].commandLine);
    EXPECT_EQ(UINT(SW_HIDE), winsim::Launches()[0].show);
    ASSERT_FALSE(winsim::Pauses().empty());
    EXPECT_EQ(2000u, winsim::Pauses()[0].ms);
    EXPECT_FALSE(winsim::Pauses()[0].workerThread);
}

TEST_F(InstallerFlow, TheSequenceFollowsTheOSCode) {
    struct Case {
        winsim::OsVersion version;
        const char *sequence;
    } cases[] = {{winsim::kWindows2000, "AddToWin2K BEGIN"},
                 {winsim::kWindowsServer2003, "AddToWin2K BEGIN"},
                 {winsim::kWindowsVista, "AddToWin2KWithWHQL BEGIN"},
                 {winsim::kWindows7, "AddToWin2KWithWHQL BEGIN"},
                 {winsim::kWindows10, "AddToWin2KWithWHQL BEGIN"}};
    for (const Case &c : cases) {
        winsim::Reset();
        winsim::SetCurrentDirectory(kMedia);
        winsim::SetVersion(c.version);
        PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=COM2\r\n");
        EXPECT_EQ(0, RunInstaller());
        std::vector<std::string> steps = UpTo(c.sequence);
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(c.sequence, steps.back()) << c.version.major << "." << c.version.minor;
    }
}

TEST_F(InstallerFlow, PresetPortDialogStaysHiddenAndReadsThePort) {
    PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=USB\r\n");
    bool portDialogIdle = false;
    winsim::SetUser(
        [&](HWND dialog) { portDialogIdle |= winsim::WindowText(dialog) == "Port Type"; });
    EXPECT_EQ(0, RunInstaller());
    EXPECT_FALSE(portDialogIdle);
    HWND hidden = winsim::FindDialog("Port Type");
    ASSERT_NE(HWND(NULL), hidden);
    EXPECT_FALSE(winsim::IsVisible(hidden));
    EXPECT_EQ(Concat({StartupSteps(kXPVersion, false), {"AddToWin2K BEGIN"}}),
              UpTo("AddToWin2K BEGIN"));
    EXPECT_TRUE(winsim::Printers().empty()); // USB: the driver alone
}

TEST_F(InstallerFlow, PortDialogRuleForPortDlgValues) {
    struct Case {
        const char *options;
        bool shown;
    } cases[] = {{"PORTDLG=TRUE\r\n", true},  {"PORTDLG=TRUEX\r\n", true},
                 {"PORTDLG=\r\n", true},      {"PORT=COM1\r\n", true},
                 {"PORTDLG=true\r\n", false}, {"PORTDLG=FALSE\r\n", false},
                 {"PORTDLG=0\r\n", false}};
    for (const Case &c : cases) {
        winsim::Reset();
        winsim::SetCurrentDirectory(kMedia);
        PutOptions(kMedia, c.options);
        bool shown = false;
        winsim::SetUser([&](HWND dialog) {
            if (winsim::WindowText(dialog) == "Port Type") {
                shown = true;
                winsim::Click(winsim::FindItem(dialog, IDOK));
            }
        });
        EXPECT_EQ(0, RunInstaller());
        EXPECT_EQ(c.shown, shown) << c.options;
    }
}

TEST_F(InstallerFlow, CancellingThePortDialogEndsBeforeAnythingChanges) {
    AnswerPortDialog(0, true);
    EXPECT_EQ(0, RunInstaller());
    std::vector<std::string> steps = LogSteps(kInstallerLog);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ("The driver installation canceled.", steps.back());
    for (const std::string &step : steps)
        EXPECT_EQ(std::string::npos, step.find("AddToWin2K"));
    ASSERT_EQ(1u, winsim::Boxes().size());
    EXPECT_EQ("The driver installation canceled.", winsim::Boxes()[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), winsim::Boxes()[0].flags);
}

// The Close box and Alt+F4 (the same command of the window menu).
TEST_F(InstallerFlow, ClosingThePortDialogCancelsToo) {
    for (const MSG &close : {MSG{NULL, WM_SYSCOMMAND, SC_CLOSE, 0, 0, {0, 0}},
                             MSG{NULL, WM_SYSKEYDOWN, VK_F4, 0x20000000, 0, {0, 0}}}) {
        SetUp();
        winsim::SetUser([close](HWND dialog) {
            if (winsim::WindowText(dialog) == "Port Type")
                PostMessageA(dialog, close.message, close.wParam, close.lParam);
        });
        EXPECT_EQ(0, RunInstaller());
        EXPECT_EQ("The driver installation canceled.", LogSteps(kInstallerLog).back());
    }
}

TEST_F(InstallerFlow, DialogShowsTheVersionCaptionAndIcon) {
    PutOptions(kMedia, "PORTDLG=FALSE\r\n");
    EXPECT_EQ(0, RunInstaller());
    HWND dialog = winsim::FindDialog("Installation Progress");
    ASSERT_NE(HWND(NULL), dialog);
    EXPECT_EQ("Driver Version: V3.3.0", winsim::WindowText(winsim::FindItem(dialog, IDC_VERSION)));
    EXPECT_EQ("Completed.", winsim::WindowText(winsim::FindItem(dialog, IDC_MESSAGES)));
    EXPECT_NE(HICON(NULL), winsim::WindowIcon(dialog, ICON_BIG));
    EXPECT_EQ(winsim::WindowIcon(dialog, ICON_BIG), winsim::WindowIcon(dialog, ICON_SMALL));
    winsim::ProgressState bar = winsim::Progress(winsim::FindItem(dialog, IDC_PROGRESS));
    EXPECT_EQ(0, bar.low);
    EXPECT_EQ(100, bar.high);
    EXPECT_EQ(9, bar.step);
}

TEST_F(InstallerFlow, EscapeIsSwallowedAndCloseRemovedWhileInstalling) {
    // While the worker waits in the port dialog, Escape goes to the progress dialog; the port
    // dialog is answered only after the progress dialog has handled it.
    HWND progress = NULL, port = NULL;
    bool pressed = false, handled = false;
    winsim::SetUser([&](HWND dialog) {
        if (winsim::WindowText(dialog) == "Installation Progress") {
            if (pressed && !handled) {
                handled = true;
                PostMessageA(port, WM_NULL, 0, 0);
            }
            return;
        }
        port = dialog;
        if (!pressed) {
            pressed = true;
            progress = winsim::FindDialog("Installation Progress");
            winsim::PressKey(progress, VK_ESCAPE);
        } else if (handled) {
            winsim::Click(winsim::FindItem(dialog, IDOK));
        }
    });
    EXPECT_EQ(0, RunInstaller());
    ASSERT_TRUE(handled);
    for (const winsim::Delivered &d : winsim::DeliveredMessages()) {
        EXPECT_FALSE(d.window == progress && d.message == WM_KEYDOWN);
        EXPECT_FALSE(d.window == progress && d.message == WM_COMMAND);
    }
    EXPECT_FALSE(winsim::HasCloseCommand(progress));
    EXPECT_TRUE(winsim::IsWaitCursor());
    EXPECT_EQ("AddToWin2K END", LogSteps(kInstallerLog).back());
    EXPECT_EQ(1u, winsim::Printers().size());
}

// The Close box, Alt+F4, Escape and Enter all through the installation change nothing: the
// machine, the log and the boxes are those of an undisturbed run.
TEST_F(InstallerFlow, UserHandsOnTheBusyDialogChangeNothing) {
    PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=COM1\r\n");
    ASSERT_EQ(0, RunInstaller());
    MachineSnapshot undisturbed = TakeSnapshot();
    std::vector<std::string> log = LogSteps(kInstallerLog);
    size_t boxes = winsim::Boxes().size();

    SetUp();
    PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=COM1\r\n");
    std::shared_ptr<int> actions = PesterBusyDialog("Installation Progress", IDC_PROGRESS, 0);
    EXPECT_EQ(0, RunInstaller());
    EXPECT_GE(*actions, 8); // every kind of action, twice
    EXPECT_EQ(log, LogSteps(kInstallerLog));
    EXPECT_EQ(boxes, winsim::Boxes().size());
    EXPECT_EQ(std::vector<std::string>{},
              UnexpectedDifferences(undisturbed, TakeSnapshot(),
                                    {R"(~ file C:\\TEMP\\QMR-640_INSTALLER\.TXT)"}));
    EXPECT_FALSE(winsim::HasCloseCommand(winsim::FindDialog("Installation Progress")));
}

TEST_F(InstallerFlow, UnreadableVersionRunsThePrintUISequence) {
    winsim::FailCall("GetVersionExA", ERROR_INVALID_PARAMETER);
    PutOptions(kMedia, "PORTDLG=FALSE\r\n");
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(Concat({StartupSteps({"osvi.dwPlatformID   : 0", "osvi.dwMajorVersion : 0",
                                    "osvi.dwMinorVersion : 0", "osvi.dwBuildNumber  : 0"},
                                   false),
                      OptionsFailure("PORT"),
                      {"AddToWin2KWithWHQL BEGIN"}}),
              UpTo("AddToWin2KWithWHQL BEGIN"));
}

TEST_F(InstallerFlow, Wow64InstallerUsesTheX64Environment) {
    winsim::SetVersion(winsim::kWindows7);
    winsim::SetWow64(true);
    PutOptions(kMedia, "PORTDLG=FALSE\r\n");
    EXPECT_EQ(0, RunInstaller());
    std::vector<std::string> steps = LogSteps(kInstallerLog);
    EXPECT_EQ("The process is running under WOW64.", steps[0]);
    EXPECT_NE(steps.end(),
              std::find(steps.begin(), steps.end(), "ENV : Windows x64, DRV DIR : Driver64\\ "));
}

} // namespace
