// The removal steps one by one: what each takes away, and the lines it writes.
#include <commctrl.h>
#include <winspool.h>
#include <winsim_print.h>
#include <winsim_registry.h>

#include <algorithm>

#include "QMR640_Installer/KSTPOS_Installer.h"
#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"
#include "common/app_context.h"
#include "common/trace_log.h"
#include "harness.h"
#include "removal/pnp_cleanup.h"
#include "removal/removal_steps.h"

namespace {

const char kDriver[] = "KESTORA QMR-640";

bool Contains(const std::vector<std::string> &lines, const std::string &line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Runs body as a step of the uninstaller (its removal writes the detailed lines), on a host
// with a status text and a progress bar.
struct StepRun {
    std::vector<std::string> steps;
    std::vector<int> positions;
    std::vector<std::string> texts;
};

INT_PTR CALLBACK Plain(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

StepRun RunStep(bool uninstaller, const std::function<void(const StepHost &)> &body) {
    StepRun run;
    HWND progress = NULL, dialog = NULL;
    winsim::RunProcess(uninstaller ? UninstallerModule() : InstallerModule(), [&] {
        SetCurrentProgram(uninstaller ? kUninstallerProgram : kInstallerProgram);
        StartTraceLog(CurrentProgram().logFileName);
        dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(102), NULL, Plain, 0);
        SetMainWindow(dialog);
        progress = GetDlgItem(dialog, uninstaller ? 1002 : 1000);
        SendMessageA(progress, PBM_SETSTEP, 10, 0);
        StatusText status;
        StepHost host = ProgramStepHost(FALSE, 2005, &status, progress);
        body(host);
    });
    run.steps = LogSteps(uninstaller ? kUninstallerLog : kInstallerLog);
    run.positions = winsim::ProgressHistory(progress);
    return run;
}

using RemovalSteps = MachineTest;

TEST_F(RemovalSteps, RefusedDriverDeleteFallsBackToItsKeys) {
    winsim::DriverInfo driver;
    driver.name = kDriver;
    winsim::AddDriver(driver);
    winsim::PrinterInfo printer;
    printer.name = "Still here";
    printer.driver = kDriver;
    winsim::AddPrinter(printer);
    const std::string driverKey = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\"
                                  "Windows NT x86\\Drivers\\Version-3\\KESTORA QMR-640";
    winsim::PutKey(driverKey + "\\Sub");
    bool result = true;
    StepRun run =
        RunStep(true, [&](const StepHost &host) { result = DeletePrinterDrv(host, "QMR-640"); });
    EXPECT_TRUE(Contains(run.steps, "DeletePrinterDriverEx returned FALSE. (3001)"));
    EXPECT_FALSE(winsim::KeyExists(driverKey));
    // The printer key named after the driver did not exist: its delete fails.
    EXPECT_FALSE(result);
    EXPECT_TRUE(std::any_of(run.steps.begin(), run.steps.end(), [](const std::string &s) {
        return s.rfind("SHDeleteKey failed : SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\"
                       "KESTORA QMR-640",
                       0) == 0;
    }));
    EXPECT_EQ(2u, winsim::Launches().size()); // net stop and net start, on every path
}

TEST_F(RemovalSteps, UnknownMonitorIsTracedAndItsFileDeletedAnyway) {
    winsim::PutFile("C:\\WINDOWS\\system32\\MON640.dll", "monitor");
    StepRun run = RunStep(false, [](const StepHost &host) { DeleteLanguageMonitor(host); });
    EXPECT_TRUE(Contains(run.steps, "DeleteMonitor Error : (3000)"));
    EXPECT_TRUE(Contains(
        run.steps, "The specified print monitor is unknown or not installed on this system."));
    EXPECT_FALSE(winsim::Exists("C:\\WINDOWS\\system32\\MON640.dll"));
    EXPECT_TRUE(run.positions.empty()); // the installer's copy reports nothing
}

TEST_F(RemovalSteps, TaggedFormsOnlyAreDeleted) {
    for (const char *form : {"[640] Receipt", "Receipt [640] 80", "Receipt 80 [640]",
                             "Receipt [ 640]", "Receipt [640", "Receipt 58"})
        winsim::AddForm(form);
    StepRun run = RunStep(true, [](const StepHost &host) { DeleteForms(host); });
    std::vector<std::string> forms = winsim::FormNames();
    for (const char *gone : {"[640] Receipt", "Receipt [640] 80", "Receipt 80 [640]"}) {
        EXPECT_EQ(forms.end(), std::find(forms.begin(), forms.end(), gone)) << gone;
        EXPECT_TRUE(Contains(run.steps, std::string("FORM NAMES : ") + gone + " "));
    }
    for (const char *kept : {"Receipt [ 640]", "Receipt [640", "Receipt 58", "Letter", "A4"})
        EXPECT_NE(forms.end(), std::find(forms.begin(), forms.end(), kept)) << kept;
}

TEST_F(RemovalSteps, MissingDriverFilesAreTracedOnceEachAndTheSpoolerRestarted) {
    winsim::MakeDirectory(winsim::DriverDirectory(winsim::kEnvironmentX86) + "\\3");
    StepRun installer = RunStep(false, [](const StepHost &host) { DeleteDriverComponent(host); });
    auto errors = [](const std::vector<std::string> &steps) {
        return std::count_if(steps.begin(), steps.end(), [](const std::string &s) {
            return s.rfind("DeleteFile Error : ", 0) == 0 && s.find(", (2)") != std::string::npos;
        });
    };
    EXPECT_EQ(9, errors(installer.steps));
    EXPECT_EQ("DeleteFilesUsed END", installer.steps.back());
    winsim::Reset();
    winsim::MakeDirectory(winsim::DriverDirectory(winsim::kEnvironmentX86) + "\\3");
    StepRun uninstaller = RunStep(true, [](const StepHost &host) { DeleteDriverComponent(host); });
    EXPECT_EQ(10, errors(uninstaller.steps));
    EXPECT_EQ("DeleteDriverComponent END", uninstaller.steps.back());
    EXPECT_EQ(std::vector<int>{10}, uninstaller.positions);
    EXPECT_EQ((std::vector<DWORD>{100, 1500, 2000}), PauseList());
}

TEST_F(RemovalSteps, EveryOemInfWithTheModelGoesOthersStay) {
    const std::string ours = "[Version]\r\nSignature=\"$Windows NT$\"\r\n[KESTORA]\r\n"
                             "\"KESTORA QMR-640\"=QMR640,USBPRINT\\Vid_7A3C&Pid_0002\r\n";
    std::string first = winsim::StoreOemInf(ours);
    std::string other = winsim::StoreOemInf("[Version]\r\nSignature=\"$Windows NT$\"\r\n"
                                            "[KESTORA]\r\n\"KESTORA QMR-300\"=QMR300\r\n");
    std::string second = winsim::StoreOemInf(ours + "; a later build\r\n");
    winsim::PutFile(winsim::InfDirectory() + "\\OEM9.INF", ours);
    StepRun run = RunStep(true, [](const StepHost &host) { DeleteINFFile(host); });
    std::vector<std::string> names = winsim::InfNames();
    EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), first));
    EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), second));
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), other));
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "OEM9.INF"));
    EXPECT_TRUE(Contains(run.steps, "SECTION NAME : KESTORA"));
    EXPECT_FALSE(Contains(run.steps, "The key name was not found."));
}

TEST_F(RemovalSteps, QueuedJobsAreDeletedUpToAThousandThenThePrinter) {
    winsim::DriverInfo driver;
    driver.name = kDriver;
    winsim::AddDriver(driver);
    winsim::PrinterInfo busy;
    busy.name = "Busy";
    busy.driver = kDriver;
    winsim::AddPrinter(busy);
    for (int i = 0; i < 1500; ++i)
        winsim::AddJob("Busy", "receipt " + std::to_string(i));
    winsim::PrinterInfo idle;
    idle.name = "Idle";
    idle.driver = kDriver;
    winsim::AddPrinter(idle);
    RunStep(true, [](const StepHost &) { RemovePrinterObjects({"Busy", "Idle"}); });
    std::vector<winsim::PrinterInfo> printers = winsim::Printers();
    ASSERT_LE(printers.size(), 1u);
    if (!printers.empty()) {
        // Deleted while 500 jobs remain: it goes once they are printed.
        EXPECT_EQ("Busy", printers[0].name);
        EXPECT_TRUE(printers[0].pendingDeletion);
        EXPECT_EQ(500u, printers[0].jobs.size());
    }
    // One pause for the purged printer, none for the idle one, then the spooler restart.
    EXPECT_EQ((std::vector<DWORD>{1000, 2000, 2000}), PauseList());
}

TEST_F(RemovalSteps, QuietAndReportingCopiesWriteTheSameLines) {
    winsim::AddDevice({"USB\\VID_7A3C&PID_0002&REV_0100\\1",
                       {"USB\\VID_7A3C&PID_0002&REV_0100"},
                       false,
                       "USB",
                       ""});
    winsim::AddDevice({"USB\\VID_7A3C&PID_0003\\1", {"USB\\Vid_7A3C&Pid_0003"}, true, "USB", ""});
    auto cleanup = [](StatusMode mode) {
        return [mode](const StepHost &host) {
            DeleteVidPid(host, mode);
            Delete_LPT_USB_Info(host, mode);
            DeletePrnDrvPnPDirectory(host, mode);
        };
    };
    StepRun quiet = RunStep(false, cleanup(STATUS_QUIET));
    std::vector<winsim::DeviceInfo> devices = winsim::Devices();
    ASSERT_EQ(1u, devices.size());
    EXPECT_EQ("USB\\VID_7A3C&PID_0003\\1", devices[0].instanceId);
    EXPECT_TRUE(quiet.positions.empty());
    EXPECT_TRUE(PauseList().empty());
    EXPECT_TRUE(Contains(quiet.steps, "VID&PID : USB\\Vid_7A3C&Pid_0002"));
    EXPECT_TRUE(Contains(quiet.steps, "REGKEY_1 : HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\"
                                      "HALDEEN_QMR-640"));
    winsim::Reset();
    StepRun reporting = RunStep(true, cleanup(STATUS_STEP));
    EXPECT_EQ(quiet.steps, reporting.steps);
    EXPECT_EQ((std::vector<int>{10, 20, 30}), reporting.positions);
    EXPECT_EQ((std::vector<DWORD>{500, 500, 500}), PauseList());
}

TEST_F(RemovalSteps, LostNamesNeverWidenADeletion) {
    winsim::PutFile(winsim::DriverDirectory(winsim::kEnvironmentX86) + "\\other\\x.dll", "x");
    winsim::PutValue("HKLM\\SOFTWARE\\Other", "Kept", REG_SZ, "yes");
    // Every profile look-up fails: the names are empty.
    winsim::FailCall("LoadStringA", 1814);
    StepRun run = RunStep(true, [](const StepHost &host) {
        DeletePrnDrvPnPDirectory(host, STATUS_QUIET);
        Delete_LPT_USB_Info(host, STATUS_QUIET);
        DeleteUninstallInfoFromReg(host);
    });
    EXPECT_TRUE(
        winsim::Exists(winsim::DriverDirectory(winsim::kEnvironmentX86) + "\\other\\x.dll"));
    EXPECT_TRUE(winsim::GetValue("HKLM\\SOFTWARE\\Other", "Kept").has_value());
    // Both enumeration keys and the uninstall entry: refused, not the root.
    EXPECT_EQ(3, std::count(run.steps.begin(), run.steps.end(), "SHDeleteKey failed :  (87) "));
}

TEST_F(RemovalSteps, DeviceWalkEndsOnAnEnumerationFailure) {
    winsim::AddDevice({"USB\\VID_7A3C&PID_0002\\1", {"USB\\Vid_7A3C&Pid_0002"}, true, "USB", ""});
    winsim::FailCall("SetupDiEnumDeviceInfo", ERROR_INVALID_PARAMETER, 1);
    bool result = true;
    RunStep(false, [&](const StepHost &) {
        result = RemoveDevicesByHardwareId("USB\\Vid_7A3C&Pid_0002");
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(1u, winsim::Devices().size());
    EXPECT_EQ(1, CallCount("SetupDiEnumDeviceInfo"));
}

} // namespace
