// The trace log: path, line format, the cut at 1023 characters, a fresh log per run.
#include <functional>
#include <string>

#include "common/trace_log.h"
#include "harness.h"

namespace {

using TraceLogTest = MachineTest;

TEST_F(TraceLogTest, LinesCarryTheTimeStampAndEndInCrLf) {
    winsim::SetLocalTime(7, 5, 9);
    StartTraceLog("\\QMR-640_Installer.txt");
    TraceLog("KEY NAME : %s (%d)", "PORT", -3);
    TraceSeparator();
    TraceLog("CheckOS BEGIN");
    EXPECT_EQ("07:05:09: KEY NAME : PORT (-3)\r\n"
              "07:05:09: \r\n\r\n"
              "07:05:09: CheckOS BEGIN\r\n",
              winsim::FileContent(kInstallerLog));
}

TEST_F(TraceLogTest, TheClockAdvancesWithThePauses) {
    winsim::SetLocalTime(23, 59, 58);
    StartTraceLog("\\QMR-640_Installer.txt");
    Sleep(2500);
    TraceLog("later");
    EXPECT_EQ("00:00:00: later\r\n", winsim::FileContent(kInstallerLog));
}

TEST_F(TraceLogTest, LongTextIsCutAt1023Characters) {
    StartTraceLog("\\QMR-640_Installer.txt");
    std::string text(2000, 'x');
    text[1012] = 'L'; // the last character that fits
    TraceLog("%s", text.c_str());
    std::string content = winsim::FileContent(kInstallerLog);
    ASSERT_EQ(1025u, content.size());
    EXPECT_EQ('L', content[1022]);
    EXPECT_EQ("\r\n", content.substr(1023));
}

TEST_F(TraceLogTest, LogLiesInTempAtTheRootOfTheWindowsDrive) {
    winsim::SetWindowsDirectory("D:\\WINNT");
    StartTraceLog("\\QMR-640_UnInstaller.txt");
    TraceLog("x");
    EXPECT_TRUE(winsim::IsDirectory("D:\\Temp"));
    EXPECT_EQ(10u + 1 + 2, winsim::FileContent("D:\\Temp\\QMR-640_UnInstaller.txt").size());
    EXPECT_FALSE(winsim::Exists("D:\\WINNT\\Temp"));
}

TEST_F(TraceLogTest, UnreadableWindowsDirectoryLeavesTheLogOff) {
    winsim::FailCall("GetWindowsDirectoryA", ERROR_ACCESS_DENIED);
    StartTraceLog("\\QMR-640_Installer.txt");
    TraceLog("x");
    // Nothing at the root of the current drive, which any user may have prepared.
    EXPECT_EQ(std::vector<std::string>{}, winsim::ListTree("C:\\Temp"));
    EXPECT_FALSE(winsim::Exists("C:\\Temp"));
}

TEST_F(TraceLogTest, EachRunStartsWithAnEmptyLogAndLeavesTheOtherProgramsLog) {
    StartTraceLog("\\QMR-640_UnInstaller.txt");
    TraceLog("uninstaller run");
    StartTraceLog("\\QMR-640_Installer.txt");
    TraceLog("first run");
    StartTraceLog("\\QMR-640_Installer.txt");
    EXPECT_FALSE(winsim::Exists(kInstallerLog));
    TraceLog("second run");
    EXPECT_EQ(std::vector<std::string>{"second run"}, LogTexts(kInstallerLog));
    EXPECT_EQ(std::vector<std::string>{"uninstaller run"}, LogTexts(kUninstallerLog));
}

// In use, its open failing, its check failing: the line goes, the log stays.
TEST_F(TraceLogTest, LineIsDroppedWhenTheLogCannotBeOpened) {
    const std::vector<std::function<void(bool)>> failures = {
        [](bool on) { winsim::SetLocked(kInstallerLog, on); },
        [](bool on) {
            if (on)
                winsim::FailCall("NtCreateFile", 5, CallCount("NtCreateFile") + 1);
        },
        [](bool on) { // the folder's check comes first
            if (on)
                winsim::FailCall("GetFileInformationByHandle", 5,
                                 CallCount("GetFileInformationByHandle") + 2);
        },
    };
    for (const auto &failure : failures) {
        StartTraceLog("\\QMR-640_Installer.txt");
        TraceLog("kept");
        failure(true);
        TraceLog("dropped");
        failure(false);
        TraceLog("kept too");
        EXPECT_EQ((std::vector<std::string>{"kept", "kept too"}), LogTexts(kInstallerLog));
    }
}

TEST_F(TraceLogTest, WideStringConversion) {
    StartTraceLog("\\QMR-640_Installer.txt");
    TraceLog("SetupUninstallOEMInf : %ws (%d)", L"oem12.inf", 0);
    EXPECT_EQ(std::vector<std::string>{"SetupUninstallOEMInf : oem12.inf (0)"},
              LogTexts(kInstallerLog));
}

} // namespace
