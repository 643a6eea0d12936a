// Classifying the running Windows and the WOW64 check.
#include "QMR640_Installer/DriverVersion.h"
#include "QMR640_Installer/resource.h"
#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"
#include "common/app_context.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/trace_log.h"
#include "harness.h"

namespace {

class PlatformTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        StartTraceLog("\\QMR-640_Installer.txt");
    }
};

TEST_F(PlatformTest, OSCodeTable) {
    winsim::OsVersion server51 = winsim::kWindowsServer2003;
    server51.minor = 3; // a 5.x that never shipped
    winsim::OsVersion nine = winsim::kWindows98;
    nine.minor = 50;
    winsim::OsVersion dc2008 = winsim::kWindowsServer2008;
    dc2008.productType = VER_NT_DOMAIN_CONTROLLER;
    winsim::OsVersion win32s = {VER_PLATFORM_WIN32s, 3, 10, 0, 0, false};
    winsim::OsVersion nine5 = winsim::kWindows95;
    nine5.major = 5;
    struct Case {
        winsim::OsVersion version;
        int code;
    } cases[] = {
        {winsim::kWindows95, 2000},
        {winsim::kWindows98, 2001},
        {winsim::kWindowsMe, 2002},
        {nine, 2010},
        {nine5, 2010},
        {winsim::kWindowsNT351, 2003},
        {winsim::kWindowsNT4, 2003},
        {winsim::kWindows2000, 2004},
        {winsim::kWindowsXP, 2005},
        {winsim::kWindowsServer2003, 2006},
        {server51, 2010},
        {winsim::kWindowsVista, 2007},
        {winsim::kWindowsServer2008, 2008},
        {dc2008, 2008},
        {winsim::kWindowsServer2008R2, 2009},
        {winsim::kWindows7, 2010},
        {winsim::kWindows8, 2010},
        {winsim::kWindows10, 2010},
        {win32s, 2010},
    };
    for (const Case &c : cases) {
        winsim::SetVersion(c.version);
        EXPECT_EQ(c.code, CheckOS()) << c.version.platformId << " " << c.version.major << "."
                                     << c.version.minor << " type " << int(c.version.productType);
    }
}

TEST_F(PlatformTest, Windows98IsReadThroughTheBasicRecord) {
    winsim::SetVersion(winsim::kWindows98);
    EXPECT_EQ(OS_WIN98, CheckOS());
    EXPECT_EQ(2, CallCount("GetVersionExA"));
    EXPECT_EQ((std::vector<std::string>{"", "", "CheckOS BEGIN", "osvi.dwPlatformID   : 1",
                                        "osvi.dwMajorVersion : 4", "osvi.dwMinorVersion : 10",
                                        "osvi.dwBuildNumber  : 1998", "CheckOS END"}),
              LogTexts(kInstallerLog));
}

TEST_F(PlatformTest, UnreadableVersionGives2010AndZeros) {
    winsim::FailCall("GetVersionExA", ERROR_INVALID_PARAMETER);
    EXPECT_EQ(OS_WIN7_OR_OTHER, CheckOS());
    std::vector<std::string> steps = LogSteps(kInstallerLog);
    EXPECT_EQ("osvi.dwPlatformID   : 0", steps[1]);
    EXPECT_EQ("osvi.dwBuildNumber  : 0", steps[4]);
}

TEST_F(PlatformTest, Wow64FlagComesFromTheRunTimeLookUp) {
    EXPECT_EQ(0, IsWow64());
    winsim::SetWow64(true);
    EXPECT_EQ(1, IsWow64());
    // A 64-bit system is still 32-bit to a program that cannot ask (Windows 2000, early XP).
    winsim::SetFunctionAvailable("IsWow64Process", false);
    EXPECT_EQ(0, IsWow64());
    EXPECT_EQ((std::vector<std::string>{"The process is not running under WOW64.",
                                        "The process is running under WOW64.",
                                        "The process is not running under WOW64."}),
              LogTexts(kInstallerLog));
}

TEST_F(PlatformTest, EnvironmentAndSubfolderFollowTheWow64FlagAlone) {
    RunInInstaller([] {
        CDriverVersion engine;
        engine.SetSystemInfo(TRUE, OS_WINXP);
        EXPECT_EQ("Windows x64", engine.Environment());
        EXPECT_EQ("Driver64\\", engine.DriverDirectory());
        engine.SetSystemInfo(FALSE, OS_WIN7_OR_OTHER);
        EXPECT_EQ("Windows NT x86", engine.Environment());
        EXPECT_EQ("Driver32\\", engine.DriverDirectory());
        EXPECT_EQ(OS_WIN7_OR_OTHER, engine.OSCode());
    });
    EXPECT_EQ((std::vector<std::string>{
                  "SetSystemInfo BEGIN", "ENV : Windows x64, DRV DIR : Driver64\\ ",
                  "SetSystemInfo END", "SetSystemInfo BEGIN",
                  "ENV : Windows NT x86, DRV DIR : Driver32\\ ", "SetSystemInfo END"}),
              LogSteps(kInstallerLog));
}

TEST_F(PlatformTest, EngineCopiesTheInstallersOwnProfileEntries) {
    RunInInstaller([] {
        CDriverVersion engine;
        const ProductRecord &record = engine.Record();
        const std::pair<UINT, const std::string *> fields[] = {
            {IDS_MAKER_NAME, &record.maker},         {IDS_DRIVER_NAME, &record.driverName},
            {IDS_MONITOR_NAME, &record.monitorName}, {IDS_PROCESSOR_NAME, &record.processorName},
            {IDS_MONITOR_FILE, &record.monitorFile}, {IDS_PROCESSOR_FILE, &record.processorFile},
            {IDS_DRIVER_FILE, &record.driverFile},   {IDS_UI_FILE, &record.uiFile},
            {IDS_RENDER_FILE, &record.renderFile},   {IDS_INF_FILE, &record.infFile},
        };
        for (const auto &field : fields) {
            EXPECT_FALSE(field.second->empty()) << "id " << field.first;
            EXPECT_EQ(LoadProfileString(field.first), *field.second) << "id " << field.first;
        }
        // The maker has the installer's own id; the uninstaller's maker id is a version here.
        EXPECT_NE(LoadProfileString(kUninstallerProgram.makerId), record.maker);
    });
}

} // namespace
