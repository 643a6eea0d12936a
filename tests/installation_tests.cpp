// The installation sequences on simulated Windows XP, 7 and 7 x64.
#include <winspool.h>
#include <winsim_print.h>
#include <winsim_registry.h>

#include <algorithm>

#include "QMR640_Installer/resource.h"
#include "harness.h"
#include "machine_snapshot.h"

namespace {

const char kUninstallKey[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                             "KESTORA_QMR-640";
const char kDriver[] = "KESTORA QMR-640";
const char kRestartQuestion[] = "Restarting your computer can take effect.\nPlease restart your "
                                "computer.\n\n[Yes] I want to restart my computer now.\n[No] I "
                                "will restart my computer later.";

// The BEGIN and END lines of the log, in order.
std::vector<std::string> Frames(const char *log = kInstallerLog) {
    std::vector<std::string> frames;
    for (const std::string &step : LogSteps(log))
        if (step.size() > 6 && (step.compare(step.size() - 6, 6, " BEGIN") == 0 ||
                                step.compare(step.size() - 4, 4, " END") == 0))
            frames.push_back(step);
    return frames;
}

std::vector<std::string> Begins(const char *log = kInstallerLog) {
    std::vector<std::string> begins;
    for (const std::string &frame : Frames(log))
        if (frame.size() > 6 && frame.compare(frame.size() - 6, 6, " BEGIN") == 0)
            begins.push_back(frame.substr(0, frame.size() - 6));
    return begins;
}

int Count(const std::vector<std::string> &lines, const std::string &line) {
    return int(std::count(lines.begin(), lines.end(), line));
}

std::string Value(const char *name, winsim::RegView view = winsim::RegView::Physical) {
    std::optional<winsim::RegistryValue> value = winsim::GetValue(kUninstallKey, name, view);
    return value ? value->data : "<missing>";
}

// A machine with the media in the current directory and a user who answers with these.
class Installation : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        PutMedia(kMedia);
        winsim::SetBoxAnswer([this](const winsim::Box &box) {
            return (box.flags & 0xF) == MB_YESNO ? restartAnswer : IDOK;
        });
    }
    // The version a real driver reports through its printer data.
    static void ReportVersion(const std::string &printer, DWORD major, DWORD minor, DWORD build,
                              DWORD extra) {
        winsim::SetPrinterDword(printer, "MajorVersion", major);
        winsim::SetPrinterDword(printer, "MinorVersion", minor);
        winsim::SetPrinterDword(printer, "BuildVersion", build);
        winsim::SetPrinterDword(printer, "ExtraVersion", extra);
    }
    // The package's driver with a printer that reports the product's own version, so the
    // version check lets the installation go on.
    static void AddCurrentInstallation(const char *environment = winsim::kEnvironmentX86,
                                       const char *printerName = kDriver) {
        winsim::DriverInfo driver;
        driver.name = kDriver;
        driver.environment = environment;
        winsim::AddDriver(driver);
        winsim::PrinterInfo printer;
        printer.name = printerName;
        printer.driver = kDriver;
        winsim::AddPrinter(printer);
        ReportVersion(printerName, 3, 3, 0, 0);
    }
    static std::vector<int> Positions() {
        return winsim::ProgressHistory(
            winsim::FindItem(winsim::FindDialog("Installation Progress"), IDC_PROGRESS));
    }
    int restartAnswer = IDNO;
};

using ClassicInstallation = Installation;

TEST_F(ClassicInstallation, NewInstallationOnXPLeavesTheWholePackage) {
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(
        (std::vector<std::string>{
            "CheckOS", "SetSystemInfo", "SetControlPointers", "AddToWin2K", "PrinterDrvExist",
            "DeleteVidPid", "DeletePrnDrvPnPDirectory", "Delete_LPT_USB_Info",
            "CopyFilesNeededToAddPrnDrv", "AddLanguageMonitor", "AddPrinterProcessor",
            "AddPrinterDriverToSystem", "AddPrinterToSystem", "CopyINFFile", "DeleteFilesUsed",
            "RegisterUninstallInfo", "CopyFilesOfUtilities", "CreateDirectoryWithSA"}),
        Begins());
    std::vector<std::string> steps = LogSteps(kInstallerLog);
    EXPECT_EQ(1, Count(steps, "PRINTER-DRIVER NAME TO ADD : KESTORA QMR-640 "));
    EXPECT_EQ("AddToWin2K END", steps.back());

    // The spooler holds the package's objects and the printer on COM1.
    std::vector<winsim::PrinterInfo> printers = winsim::Printers();
    ASSERT_EQ(1u, printers.size());
    EXPECT_EQ(kDriver, printers[0].name);
    EXPECT_EQ(kDriver, printers[0].driver);
    EXPECT_EQ("COM1:", printers[0].port);
    EXPECT_EQ("KST PRINT PROCESSOR QMR640", printers[0].processor);
    EXPECT_EQ("RAW", printers[0].datatype);
    EXPECT_EQ(0x1800u, printers[0].attributes);
    std::vector<winsim::DriverInfo> drivers = winsim::Drivers(winsim::kEnvironmentX86);
    ASSERT_EQ(1u, drivers.size());
    EXPECT_EQ(kDriver, drivers[0].name);
    EXPECT_EQ("KST Language Monitor QMR640", drivers[0].monitor);
    bool monitorFound = false;
    for (const winsim::MonitorInfo &monitor : winsim::Monitors())
        monitorFound |= monitor.name == "KST Language Monitor QMR640";
    EXPECT_TRUE(monitorFound);
    std::vector<std::string> processors = winsim::PrintProcessors(winsim::kEnvironmentX86);
    EXPECT_NE(processors.end(),
              std::find(processors.begin(), processors.end(), "KST PRINT PROCESSOR QMR640"));

    // Files: monitor in system32, product files also in the Windows directory, staged copies gone.
    EXPECT_TRUE(winsim::Exists("C:\\WINDOWS\\system32\\MON640.dll"));
    for (const char *name : {"QMR640.dll", "UI640.dll", "UNI640.dll", "UI640.INI", "QMR640.GPD"})
        EXPECT_TRUE(winsim::Exists(std::string("C:\\WINDOWS\\") + name)) << name;
    std::string driverDirectory = winsim::DriverDirectory(winsim::kEnvironmentX86);
    for (const char *name : {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL", "QMR640.dll",
                             "UI640.dll", "UNI640.dll", "UI640.INI", "QMR640.GPD", "STDNAMES.GPD"})
        EXPECT_FALSE(winsim::Exists(driverDirectory + "\\" + name)) << name;
    EXPECT_EQ(0, Count(steps, "DeleteFile Error : " + driverDirectory + "\\QMR640.dll , (2)"));

    // The OEM INF and the uninstall entry.
    std::vector<std::string> infs = winsim::InfNames();
    ASSERT_EQ(1u, std::count_if(infs.begin(), infs.end(),
                                [](const std::string &n) { return n.compare(0, 3, "oem") == 0; }));
    std::string oem = *std::find_if(
        infs.begin(), infs.end(), [](const std::string &n) { return n.compare(0, 3, "oem") == 0; });
    EXPECT_EQ("KESTORA QMR-640 Windows Driver V3.3.0", Value("DisplayName"));
    EXPECT_EQ(37u, Value("DisplayName").size());
    EXPECT_EQ("\"C:\\WINDOWS\\QMR-640\\QMR640_Uninstaller.exe\"", Value("UninstallString"));
    EXPECT_EQ("\"C:\\WINDOWS\\QMR-640\\QMR640_Uninstaller.exe\" /quiet",
              Value("QuietUninstallString"));
    EXPECT_EQ("3.3.0", Value("DisplayVersion"));
    EXPECT_EQ("KESTORA", Value("Publisher"));
    EXPECT_EQ(winsim::InfDirectory() + "\\" + oem, Value("InfFile"));
    EXPECT_EQ(1, Count(steps, "INF FILE NAME : " + winsim::InfDirectory() + "\\" + oem));

    // The model folder with the uninstaller and the options file, and the options file copy.
    EXPECT_EQ("MZ uninstaller program",
              winsim::FileContent("C:\\WINDOWS\\QMR-640\\QMR640_Uninstaller.exe"));
    EXPECT_TRUE(winsim::Exists("C:\\WINDOWS\\QMR-640\\QMR640_Config.KST"));
    EXPECT_TRUE(winsim::Exists("C:\\WINDOWS\\system32\\QMR640_Config.KST"));

    // Progress, the completion and the restart question.
    EXPECT_EQ((std::vector<int>{9, 18, 27, 36, 45, 54, 63, 72, 81, 100, 100}), Positions());
    ASSERT_EQ(1u, winsim::Boxes().size());
    EXPECT_EQ(kRestartQuestion, winsim::Boxes()[0].text);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), winsim::Boxes()[0].flags);
    EXPECT_TRUE(winsim::Restarts().empty());
    HWND dialog = winsim::FindDialog("Installation Progress");
    std::vector<std::string> texts = winsim::TextHistory(winsim::FindItem(dialog, IDC_MESSAGES));
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ("Completed.", texts.back());
    EXPECT_EQ(2000u, winsim::Pauses().back().ms);
}

TEST_F(ClassicInstallation, YesRestartsAndWritesTheEndLineTwice) {
    restartAnswer = IDYES;
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(2, Count(LogSteps(kInstallerLog), "AddToWin2K END"));
    ASSERT_EQ(1u, winsim::Restarts().size());
    EXPECT_EQ(UINT(EWX_REBOOT | EWX_FORCEIFHUNG), winsim::Restarts()[0].flags);
}

TEST_F(ClassicInstallation, PresentDriverOnlyAddsTheNextNumberedPrinter) {
    EXPECT_EQ(0, RunInstaller());
    ReportVersion(kDriver, 3, 3, 0, 0);
    EXPECT_EQ(0, RunInstaller());
    ReportVersion(std::string(kDriver) + "(#1)", 3, 3, 0, 0);
    std::vector<std::string> before = winsim::PrintState();
    std::vector<winsim::RegistryValue> entry = winsim::Values(kUninstallKey);
    size_t boxes = winsim::Boxes().size();
    EXPECT_EQ(0, RunInstaller());
    std::vector<winsim::PrinterInfo> printers = winsim::Printers();
    ASSERT_EQ(3u, printers.size());
    EXPECT_EQ("KESTORA QMR-640(#2)", printers[2].name);
    EXPECT_EQ(kDriver, printers[2].driver);
    EXPECT_EQ((std::vector<std::string>{"CheckOS", "SetSystemInfo", "SetControlPointers",
                                        "AddToWin2K", "PrinterDrvExist", "AddPrinterToSystem"}),
              Begins());
    EXPECT_EQ(1,
              Count(LogSteps(kInstallerLog), "PRINTER-DRIVER NAME TO ADD : KESTORA QMR-640(#2) "));
    EXPECT_EQ(boxes, winsim::Boxes().size());
    EXPECT_EQ((std::vector<int>{9, 18, 27, 36, 100}), Positions());
    EXPECT_EQ(before.size() + 1, winsim::PrintState().size());
    EXPECT_EQ(entry.size(), winsim::Values(kUninstallKey).size());
}

TEST_F(ClassicInstallation, UsbInstallsTheDriverWithoutAPrinter) {
    PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=USB\r\n");
    EXPECT_EQ(0, RunInstaller());
    EXPECT_TRUE(winsim::Printers().empty());
    EXPECT_EQ(1u, winsim::Drivers(winsim::kEnvironmentX86).size());
    ASSERT_EQ(1u, winsim::Boxes().size());
    EXPECT_EQ("Please turn-off the printer and then turn-on again.", winsim::Boxes()[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), winsim::Boxes()[0].flags);
    EXPECT_EQ((std::vector<int>{9, 18, 27, 36, 45, 54, 63, 100, 100}), Positions());

    // Over a present driver, USB changes nothing.
    winsim::Reset();
    winsim::SetCurrentDirectory(kMedia);
    PutMedia(kMedia, "PORTDLG=FALSE\r\nPORT=USB\r\n");
    AddCurrentInstallation();
    std::vector<std::string> before = winsim::PrintState();
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(before, winsim::PrintState());
    EXPECT_TRUE(winsim::Boxes().empty());
    EXPECT_FALSE(winsim::KeyExists(kUninstallKey));
}

TEST_F(ClassicInstallation, MonitorAlreadyInstalledCountsAsSuccess) {
    winsim::PutFile("C:\\WINDOWS\\system32\\MON640.dll", "old monitor");
    winsim::AddMonitor({"KST Language Monitor QMR640", "Windows NT x86", "MON640.dll"});
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(1u, winsim::Boxes().size()); // only the restart question
    std::vector<std::string> steps = LogSteps(kInstallerLog);
    auto begin = std::find(steps.begin(), steps.end(), "AddLanguageMonitor BEGIN");
    ASSERT_NE(steps.end(), begin);
    EXPECT_EQ("AddLanguageMonitor END", *(begin + 2)); // the FILE SRC line, then END
}

TEST_F(ClassicInstallation, RefusedDriverIsReportedAndThePrinterStillTried) {
    winsim::FailCall("AddPrinterDriverA", ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, RunInstaller());
    ASSERT_EQ(2u, winsim::Boxes().size());
    EXPECT_EQ("AddPrinterDriver, ERR CODE: 5\n\nAccess is denied.\r\n", winsim::Boxes()[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), winsim::Boxes()[0].flags);
    // The spooler then refuses the printer of the unknown driver, which ends the installer.
    EXPECT_EQ(0u, winsim::Boxes()[1].text.find("AddPrinter, Error Code: 1797\n\n"));
    EXPECT_EQ("AddPrinterToSystem END", LogSteps(kInstallerLog).back());
    EXPECT_FALSE(winsim::KeyExists(kUninstallKey));
    EXPECT_TRUE(winsim::Printers().empty());
}

TEST_F(ClassicInstallation, LockedMonitorIsMovedAsideToOld) {
    winsim::PutFile("C:\\WINDOWS\\system32\\MON640.dll", "loaded monitor");
    winsim::SetLocked("C:\\WINDOWS\\system32\\MON640.dll", true);
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ("loaded monitor", winsim::FileContent("C:\\WINDOWS\\system32\\MON640.dll.old"));
    EXPECT_EQ(winsim::FileContent("C:\\Media\\Driver32\\MON640.dll"),
              winsim::FileContent("C:\\WINDOWS\\system32\\MON640.dll"));
    EXPECT_EQ(1, Count(LogSteps(kInstallerLog), "ERROR_SHARING_VIOLATION HANDLER"));
}

TEST_F(ClassicInstallation, StoredInfIsReplacedUnderItsNameWithoutABox) {
    std::string stored =
        winsim::StoreOemInf(winsim::FileContent("C:\\Media\\Driver32\\QMR640.inf"));
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(1u, winsim::Boxes().size());
    EXPECT_EQ(2, CallCount("SetupCopyOEMInfA"));
    EXPECT_EQ(winsim::InfDirectory() + "\\" + stored, Value("InfFile"));
}

TEST_F(ClassicInstallation, FailedInfCopyLeavesTheEntryWithoutInfFile) {
    winsim::FailCall("SetupCopyOEMInfA", ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, RunInstaller());
    ASSERT_EQ(2u, winsim::Boxes().size());
    EXPECT_EQ("SetupCopyOEMInf, ERR CODE: 5\n\nAccess is denied.\r\n", winsim::Boxes()[0].text);
    EXPECT_EQ(1, Count(LogSteps(kInstallerLog), "SetupCopyOEMInf failed : (5)"));
    EXPECT_EQ("<missing>", Value("InfFile"));
    EXPECT_EQ("KESTORA QMR-640 Windows Driver V3.3.0", Value("DisplayName"));
}

TEST_F(ClassicInstallation, EarlierEntryIsReplacedWhole) {
    winsim::PutValue(kUninstallKey, "Comments", REG_SZ, "2.0");
    winsim::PutKey(std::string(kUninstallKey) + "\\Sub");
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ("<missing>", Value("Comments"));
    EXPECT_TRUE(winsim::SubKeys(kUninstallKey).empty());
    EXPECT_EQ(6u, winsim::Values(kUninstallKey).size());
}

class PrintUIInstallation : public Installation {
  protected:
    void SetUp() override {
        Installation::SetUp();
        winsim::SetVersion(winsim::kWindows7);
    }
    static std::vector<std::string> CommandLines() {
        std::vector<std::string> lines;
        for (const winsim::Launch &launch : PrintUIStarts())
            lines.push_back(launch.commandLine);
        return lines;
    }
};

TEST_F(PrintUIInstallation, NewInstallationOnLPT1HandsTheInfToPrintUI) {
    PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=LPT1\r\n");
    ScriptPrintUI(true, false);
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(
        std::vector<std::string>{kPrintUI + std::string("/if /b \"KESTORA QMR-640\" /f "
                                                        "\"C:\\Media\\Driver32\\QMR640.inf\" /r "
                                                        "\"LPT1:\" /m \"KESTORA QMR-640\"\"")},
        CommandLines());
    winsim::Launch child = PrintUIStarts()[0];
    EXPECT_EQ(DWORD(NORMAL_PRIORITY_CLASS), child.creationFlags);
    EXPECT_EQ(DWORD(STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK), child.startupFlags);
    EXPECT_EQ(WORD(SW_HIDE), child.showWindow);
    EXPECT_EQ("C:\\WINDOWS\\system32", child.currentDirectory);
    EXPECT_FALSE(child.handlesOpen);
    // printui stored no INF here, so the installer stores it.
    EXPECT_EQ(1, CallCount("SetupCopyOEMInfA"));
    EXPECT_EQ("KESTORA QMR-640 Windows Driver V3.3.0", Value("DisplayName"));
    EXPECT_TRUE(winsim::Exists("C:\\WINDOWS\\QMR-640\\QMR640_Uninstaller.exe"));
    EXPECT_EQ((std::vector<int>{9, 18, 27, 36, 45, 54, 100, 100}), Positions());
    ASSERT_EQ(1u, winsim::Boxes().size());
    EXPECT_EQ(kRestartQuestion, winsim::Boxes()[0].text);
}

TEST_F(PrintUIInstallation, PrintUIsOwnInfCopyIsFoundAndKept) {
    PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=COM1\r\n");
    ScriptPrintUI();
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(0, CallCount("SetupCopyOEMInfA"));
    EXPECT_EQ("QMR640.inf", Value("InfFile"));
    EXPECT_EQ(1, Count(LogSteps(kInstallerLog), "OEM FILES EXISTING : oem0.inf") +
                     Count(LogSteps(kInstallerLog), "OEM FILES EXISTING : oem1.inf"));
}

// With the driver there (its printer named otherwise), printui adds the printer with /u.
TEST_F(PrintUIInstallation, PresentDriverAddsUAndRegistersNothing) {
    PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=COM2\r\n");
    AddCurrentInstallation(winsim::kEnvironmentX86, "Kitchen");
    ScriptPrintUI();
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(
        std::vector<std::string>{kPrintUI + std::string("/if /b \"KESTORA QMR-640\" /f "
                                                        "\"C:\\Media\\Driver32\\QMR640.inf\" /r "
                                                        "\"COM2:\" /m \"KESTORA QMR-640\" /u\"")},
        CommandLines());
    EXPECT_FALSE(winsim::KeyExists(kUninstallKey));
    EXPECT_TRUE(winsim::Boxes().empty());
}

TEST_F(PrintUIInstallation, UsbInstallsOnlyTheDriverAndSkipsAPresentOne) {
    PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=USB\r\n");
    ScriptPrintUI();
    EXPECT_EQ(0, RunInstaller());
    EXPECT_EQ(
        std::vector<std::string>{kPrintUI + std::string("/ia /m \"KESTORA QMR-640\" /f "
                                                        "\"C:\\Media\\Driver32\\QMR640.inf\"\"")},
        CommandLines());
    ASSERT_EQ(1u, winsim::Boxes().size());
    EXPECT_EQ("Please turn-off the printer and then turn-on again.", winsim::Boxes()[0].text);

    winsim::Reset();
    winsim::SetVersion(winsim::kWindows7);
    winsim::SetCurrentDirectory(kMedia);
    PutMedia(kMedia, "PORTDLG=FALSE\r\nPORT=USB\r\n");
    AddCurrentInstallation();
    EXPECT_EQ(0, RunInstaller());
    EXPECT_TRUE(PrintUIStarts().empty());
    EXPECT_EQ("AddToWin2KWithWHQL END", LogSteps(kInstallerLog).back());
}

TEST_F(PrintUIInstallation, Wow64UsesDriver64AndThe64BitRegistryView) {
    winsim::SetWow64(true);
    PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=LPT1\r\n");
    ScriptPrintUI();
    EXPECT_EQ(0, RunInstaller());
    ASSERT_EQ(1u, PrintUIStarts().size());
    EXPECT_NE(std::string::npos,
              PrintUIStarts()[0].commandLine.find("/f \"C:\\Media\\Driver64\\QMR640.inf\""));
    EXPECT_EQ("KESTORA QMR-640 Windows Driver V3.3.0", Value("DisplayName"));
    EXPECT_EQ("<missing>", Value("DisplayName", winsim::RegView::Program32));
    EXPECT_EQ(1, Count(LogSteps(kInstallerLog), "SECTION NAME : KESTORA.NTamd64"));
}

// A child that cannot start and one that installs nothing: the box, and nothing registered.
TEST_F(PrintUIInstallation, FailedChildIsReportedAndNothingIsRegistered) {
    for (DWORD startError : {DWORD(ERROR_FILE_NOT_FOUND), DWORD(0)}) {
        SCOPED_TRACE(startError);
        SetUp();
        winsim::ChildScript failing;
        failing.startError = startError;
        winsim::ScriptNextChild(failing, "cmd.exe");
        EXPECT_EQ(0, RunInstaller());
        ASSERT_EQ(1u, winsim::Boxes().size());
        EXPECT_EQ(startError ? "CreateProcess failed."
                             : "The process could not install the driver.",
                  winsim::Boxes()[0].text);
        EXPECT_EQ(UINT(startError ? MB_OK : MB_OK | MB_ICONSTOP), winsim::Boxes()[0].flags);
        EXPECT_EQ(startError ? 1 : 0, Count(LogSteps(kInstallerLog), "CreateProcess failed. (2)"));
        EXPECT_EQ(0, CallCount("SetupCopyOEMInfA"));
        EXPECT_FALSE(winsim::KeyExists(kUninstallKey));
        EXPECT_FALSE(winsim::Exists("C:\\WINDOWS\\QMR-640"));
        std::vector<int> positions = {9, 18, 27, 36, 45, 54, 100};
        if (startError)
            positions.erase(positions.begin() + 4, positions.begin() + 6);
        EXPECT_EQ(positions, Positions());
    }
}

TEST_F(PrintUIInstallation, ChildThatNeverEndsStopsTheInstallerAfterTwoMinutes) {
    winsim::ChildScript endless;
    endless.endless = true;
    winsim::ScriptNextChild(endless, "cmd.exe");
    EXPECT_EQ(-1, RunInstaller());
    ASSERT_EQ(1u, winsim::Boxes().size());
    EXPECT_EQ("The process could not finish the installation.", winsim::Boxes()[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), winsim::Boxes()[0].flags);
    EXPECT_EQ("WAIT_TIMEOUT", LogSteps(kInstallerLog).back());
    EXPECT_FALSE(winsim::KeyExists(kUninstallKey));
    EXPECT_FALSE(PrintUIStarts()[0].finished);
}

// What an earlier installation, removed or broken, leaves: a detached USB device record, both
// enumeration keys, the plug-and-play folder and the package's INF in the store; and a driver
// whose name differs only in letter case, which is not the package's. Objects of another product
// of the maker lie beside them on every machine and must stay.
class OverLeftovers : public Installation, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        Installation::SetUp();
        if (GetParam())
            winsim::SetVersion(winsim::kWindows7);
        std::string drivers = winsim::DriverDirectory(winsim::kEnvironmentX86);
        winsim::AddDevice(
            {"USB\\VID_7A3C&PID_0001\\1", {"USB\\Vid_7A3C&Pid_0001"}, false, "USB", ""});
        winsim::PutKey("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\HALDEEN_QMR-300");
        winsim::PutKey("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\LPTENUM");
        winsim::PutFile(drivers + "\\haldeen_qmr_300\\QMR300.GPD", "other product");
    }
    static void PutLeftovers() {
        std::string stale =
            winsim::StoreOemInf(winsim::FileContent("C:\\Media\\Driver32\\QMR640.inf"));
        winsim::AddDevice({"USB\\VID_7A3C&PID_0002\\5&2A3B&0&1",
                           {"USB\\VID_7A3C&PID_0002&REV_0100", "USB\\VID_7A3C&PID_0002"},
                           false,
                           "USB",
                           stale});
        for (const char *enumerator : {"USBPRINT", "LPTENUM"})
            winsim::PutValue(std::string("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\") + enumerator +
                                 "\\HALDEEN_QMR-640\\7&1",
                             "Driver", REG_SZ, "{4D36E979-E325-11CE-BFC1-08002BE10318}\\0003");
        std::string folder =
            winsim::DriverDirectory(winsim::kEnvironmentX86) + "\\haldeen_qmr_640cd6c";
        winsim::PutFile(folder + "\\QMR640.GPD", "old data");
        winsim::PutFile(folder + "\\x86\\QMR640.dll", "old driver");
        winsim::SetAttributes(folder + "\\QMR640.GPD", FILE_ATTRIBUTE_READONLY);
        winsim::DriverInfo lookalike;
        lookalike.name = "kestora qmr-640";
        winsim::AddDriver(lookalike);
    }
    MachineSnapshot InstallOnCom1() {
        PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=COM1\r\n");
        ScriptPrintUI(true, false); // the INF in the store is the installer's to find or copy
        EXPECT_EQ(0, RunInstaller());
        return TakeSnapshot();
    }
};

// The installation clears the leftovers and otherwise leaves the machine as an installation on a
// clean one does; only the print-UI sequence takes the INF it finds (with the precompiled form
// that names where it came from) instead of storing its own.
TEST_P(OverLeftovers, AreClearedAndNothingElseDiffers) {
    MachineSnapshot clean = InstallOnCom1();
    std::vector<std::string> cleanLog = Begins();
    SetUp(); // a fresh machine again
    PutLeftovers();
    MachineSnapshot over = InstallOnCom1();
    std::vector<std::string> allowed = {R"(~ file C:\\TEMP\\QMR-640_INSTALLER\.TXT)"};
    if (GetParam()) {
        cleanLog.erase(std::find(cleanLog.begin(), cleanLog.end(), "CopyINFFile"));
        allowed.push_back(R"(~ file C:\\WINDOWS\\INF\\OEM0\.PNF)");
        allowed.push_back(R"(~ reg HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\)"
                          R"(KESTORA_QMR-640 : InfFile)");
        // printui, which does nothing here, would have replaced the lookalike driver.
        allowed.push_back(R"(\+ (print driver Windows NT x86 \| kestora qmr-640 \|.*|file )"
                          R"(C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\W32X86\\3.*))");
    }
    EXPECT_EQ(cleanLog, Begins());
    EXPECT_EQ(std::vector<std::string>{}, UnexpectedDifferences(clean, over, allowed));
}

INSTANTIATE_TEST_SUITE_P(Sequences, OverLeftovers, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "PrintUI" : "Classic");
                         });

} // namespace
