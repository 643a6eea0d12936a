// The uninstaller program.
#include "QMR640_Uninstaller/resource.h"
#include "common/profile.h"
#include "harness.h"

namespace {

using UninstallerStart = MachineTest;

TEST_F(UninstallerStart, StartsAndCancelEndsWithCodeZero) {
    winsim::SetUser([](HWND dialog) {
        if (winsim::WindowText(dialog) == "KESTORA QMR-640 Uninstaller")
            winsim::Click(winsim::FindItem(dialog, IDCANCEL));
    });
    EXPECT_EQ(0, RunUninstaller());
    std::vector<std::string> steps = LogSteps(kUninstallerLog);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ("The process is not running under WOW64.", steps[0]);
    EXPECT_EQ("CheckOS END", steps.back());
    EXPECT_FALSE(winsim::Exists(kInstallerLog));
    HWND dialog = winsim::FindDialog("KESTORA QMR-640 Uninstaller");
    winsim::ProgressState bar = winsim::Progress(winsim::FindItem(dialog, IDC_PROGRESS));
    EXPECT_EQ(100, bar.high);
    EXPECT_EQ(10, bar.step);
}

// Shared routines read ids 1 to 20 by one number in both programs.
TEST_F(UninstallerStart, BothProfilesAgreeOnTheSharedIds) {
    std::vector<std::string> installer, uninstaller;
    auto read = [](std::vector<std::string> &into) {
        for (UINT id = 1; id <= 20; ++id)
            into.push_back(LoadProfileString(id));
    };
    RunInInstaller([&] { read(installer); });
    winsim::RunProcess(UninstallerModule(), [&] { read(uninstaller); });
    EXPECT_EQ(installer, uninstaller);
    EXPECT_EQ("", installer[9]);  // id 10 is absent
    EXPECT_EQ("", installer[18]); // and so is id 19
    EXPECT_EQ("Vid_7A3C&Pid_0002", installer[PROFILE_USB_HARDWARE_ID - 1]);
    std::string makerInUninstaller;
    winsim::RunProcess(UninstallerModule(),
                       [&] { makerInUninstaller = LoadProfileString(IDS_MAKER_NAME); });
    EXPECT_EQ("KESTORA", makerInUninstaller);
}

} // namespace
