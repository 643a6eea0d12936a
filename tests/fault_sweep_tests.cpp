// Every platform call of every scenario made to fail in turn: each run must end, close what it
// opened in the trace log, end with code 0 (an unattended one with a deployment code that its
// last trace line names, and without a box) and touch nothing of any other product.
#include <winspool.h>
#include <winsim_print.h>
#include <winsim_registry.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <regex>

#include "QMR640_Uninstaller/resource.h"
#include "harness.h"
#include "machine_snapshot.h"

namespace {

const char kDriver[] = "KESTORA QMR-640";

// Objects of other products that every run must leave exactly as they were.
const char *const kOthers[] = {
    "Generic / Text Only", "Text printer", "Receipt 58", "QMR-300", "PID_0001", "TEXTONLY"};

void AddOtherProducts() {
    AddOtherPrinter("Text printer");
    winsim::AddForm("Receipt 58");
    winsim::StoreOemInf("[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n[KESTORA]\r\n"
                        "\"KESTORA QMR-300\"=QMR300,USBPRINT\\Vid_7A3C&Pid_0001\r\n");
    winsim::AddDevice({"USB\\VID_7A3C&PID_0001\\1", {"USB\\Vid_7A3C&Pid_0001"}, true, "USB", ""});
    winsim::PutKey("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\HALDEEN_QMR-300");
}

// Where the package's paths would start if a directory look-up went unchecked: the root of the
// current drive. Every run must leave these exactly as they were.
const char *const kDecoys[] = {"C:\\3\\QMR640.dll", "C:\\PRO640.dll", "C:\\QMR640.dll",
                               "C:\\QMR-640\\QMR640_Uninstaller.exe"};

void PutDecoys() {
    for (const char *decoy : kDecoys)
        winsim::PutFile(decoy, "decoy");
}

bool TouchesDecoy(const std::string &difference) {
    for (const char *top : {"C:\\3", "C:\\PRO640.DLL", "C:\\QMR640.DLL", "C:\\QMR-640"}) {
        std::string key = difference.substr(std::min<size_t>(difference.size(), 7));
        if (key.compare(0, strlen(top), top) == 0 &&
            (key.size() == strlen(top) || key[strlen(top)] == '\\'))
            return true;
    }
    return false;
}

void AddCurrentInstallation(const std::string &printer) {
    if (winsim::Drivers(winsim::kEnvironmentX86).size() < 2) {
        winsim::DriverInfo driver;
        driver.name = kDriver;
        driver.monitor = "";
        winsim::AddDriver(driver);
    }
    winsim::PrinterInfo info;
    info.name = printer;
    info.driver = kDriver;
    winsim::AddPrinter(info);
    winsim::SetPrinterDword(printer, "MajorVersion", 3);
    winsim::SetPrinterDword(printer, "MinorVersion", 3);
    winsim::SetPrinterDword(printer, "BuildVersion", 0);
    winsim::SetPrinterDword(printer, "ExtraVersion", 0);
}

// The uninstaller's user: chooses all (or all but the first) printers, or cancels a dialog that
// has nothing to show after a while.
void UninstallerUser(bool keepFirst) {
    auto state = std::make_shared<std::pair<bool, int>>(false, 0);
    winsim::SetUser([state, keepFirst](HWND dialog) {
        if (state->first || winsim::WindowText(dialog) != "KESTORA QMR-640 Uninstaller")
            return;
        HWND list = winsim::FindItem(dialog, IDC_PRINTER_LIST);
        HWND uninstall = winsim::FindItem(dialog, IDC_UNINSTALL);
        if (!winsim::ListItems(list).empty() && winsim::IsEnabled(uninstall)) {
            if (keepFirst && state->second == 0) {
                winsim::ClickListCheckBox(list, 0);
                state->second = 1;
                return;
            }
            state->first = true;
            winsim::Click(uninstall);
        } else if (++state->second > 10 && winsim::IsEnabled(winsim::FindItem(dialog, IDCANCEL))) {
            state->first = true;
            winsim::Click(winsim::FindItem(dialog, IDCANCEL));
        }
    });
}

struct Scenario {
    const char *name;
    std::function<void()> setUp; // after a fresh machine with the media
    bool uninstaller;
    const char *arguments = ""; // an unattended run ends with a deployment code, without a box
};

std::vector<Scenario> Scenarios() {
    auto preset = [](const char *port) {
        PutOptions(kMedia, std::string("PORTDLG=FALSE\r\nPORT=") + port + "\r\n");
    };
    return {
        {"classic", [=] { preset("COM1"); }, false},
        {"printui32",
         [=] {
             winsim::SetVersion(winsim::kWindows7);
             preset("LPT1");
         },
         false},
        {"printui64",
         [=] {
             winsim::SetVersion(winsim::kWindows7);
             winsim::SetWow64(true);
             preset("USB");
         },
         false},
        {"over present driver",
         [=] {
             preset("COM2");
             AddCurrentInstallation(kDriver);
         },
         false},
        {"different version",
         [=] {
             preset("COM1");
             AddCurrentInstallation(kDriver);
             winsim::SetPrinterDword(kDriver, "MinorVersion", 2);
             winsim::AddForm("Receipt [640]");
         },
         false},
        {"uninstall all",
         [] {
             AddCurrentInstallation(kDriver);
             AddCurrentInstallation("Kitchen");
             UninstallerUser(false);
         },
         true},
        {"uninstall some",
         [] {
             AddCurrentInstallation(kDriver);
             AddCurrentInstallation("Kitchen");
             UninstallerUser(true);
         },
         true},
        {"uninstall driver only",
         [] {
             winsim::DriverInfo driver;
             driver.name = kDriver;
             winsim::AddDriver(driver);
             UninstallerUser(false);
         },
         true},
        {"quiet classic", [=] { preset("COM1"); }, false, "/quiet"},
        {"quiet uninstall",
         [] {
             AddCurrentInstallation(kDriver);
             AddCurrentInstallation("Kitchen");
         },
         true, "/quiet"},
        {"nothing to uninstall",
         [] {
             winsim::PutValue("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                              "KESTORA_QMR-640",
                              "DisplayName", REG_SZ, "stale");
             UninstallerUser(false);
         },
         true},
    };
}

struct Outcome {
    bool unattended;
    int exitCode;
    size_t boxes;
    bool hung;
    std::vector<std::string> log;
    std::vector<std::string> differences;
    std::vector<std::string> handles; // left open, as "kind (opening call)"
};

Outcome RunScenario(const Scenario &scenario, const std::string &failing, int nth) {
    winsim::Reset();
    winsim::SetHangLimit(4000);
    winsim::SetCurrentDirectory(kMedia);
    PutMedia(kMedia);
    AddOtherProducts();
    PutDecoys();
    scenario.setUp();
    winsim::SetBoxAnswer(
        [](const winsim::Box &box) { return (box.flags & 0xF) == MB_YESNO ? IDNO : IDOK; });
    if (!scenario.uninstaller)
        AnswerPortDialog(0); // shown when the options file cannot be read
    if (!failing.empty())
        winsim::FailCall(failing, ERROR_ACCESS_DENIED, nth);
    MachineSnapshot before = TakeSnapshot();
    Outcome outcome;
    outcome.unattended = scenario.arguments[0] != '\0';
    winsim::SetProgramStart(std::string(kMedia) + (scenario.uninstaller ? "\\QMR640_Uninstaller.exe"
                                                                        : "\\QMR640_Installer.exe"),
                            scenario.arguments);
    HandleCheckOff judgedByProblems;
    outcome.exitCode = scenario.uninstaller ? RunUninstaller() : RunInstaller();
    outcome.handles = HandlesLeftOpen(!scenario.uninstaller);
    outcome.boxes = winsim::Boxes().size();
    outcome.hung = winsim::LastProcessHung();
    outcome.log = LogSteps(scenario.uninstaller ? kUninstallerLog : kInstallerLog);
    outcome.differences = SnapshotDifferences(before, TakeSnapshot());
    return outcome;
}

// Frames opened by BEGIN and not closed by their END, innermost last.
std::vector<std::string> OpenFrames(const std::vector<std::string> &log) {
    std::vector<std::string> open;
    for (const std::string &line : log) {
        if (line.size() > 6 && line.compare(line.size() - 6, 6, " BEGIN") == 0)
            open.push_back(line.substr(0, line.size() - 6));
        else if (line.size() > 4 && line.compare(line.size() - 4, 4, " END") == 0) {
            std::string name = line.substr(0, line.size() - 4);
            auto it = std::find(open.rbegin(), open.rend(), name);
            if (it != open.rend())
                open.erase(std::next(it).base());
        }
    }
    return open;
}

// The problems of one run, empty when it held. A failure of the trace log's own calls drops
// that line, so its frames are not checked then.
std::vector<std::string> Problems(const Outcome &outcome, const std::string &failing = "") {
    std::vector<std::string> problems;
    if (outcome.hung)
        problems.push_back("hung");
    bool logFailed = failing == "CreateFileA" || failing == "WriteFile" ||
                     failing == "SetFilePointer" || failing == "GetFileInformationByHandle";
    std::vector<std::string> log = outcome.log;
    if (outcome.unattended) {
        // Done, done with a restart due, failed, or no port readable; never a box, and the last
        // line says which.
        const int codes[] = {0, 3010, 1603, 87};
        if (std::find(std::begin(codes), std::end(codes), outcome.exitCode) == std::end(codes))
            problems.push_back("exit code " + std::to_string(outcome.exitCode));
        if (outcome.boxes != 0)
            problems.push_back("a box in an unattended run");
        std::string last = "EXIT CODE : " + std::to_string(outcome.exitCode);
        // An empty log is one that could not be started (its folder refused).
        if (!logFailed && !log.empty() && log.back() != last)
            problems.push_back("last line not \"" + last + "\"");
        if (!log.empty() && log.back() == last)
            log.pop_back();
    } else if (outcome.exitCode != 0) {
        problems.push_back("exit code " + std::to_string(outcome.exitCode));
    }
    std::vector<std::string> open = OpenFrames(log);
    // A refused printer ends the installer inside its sequence, after the step's END line.
    bool refusedPrinter = !log.empty() && log.back() == "AddPrinterToSystem END";
    for (const std::string &frame : open)
        if (!logFailed &&
            !(refusedPrinter && (frame == "AddToWin2K" || frame == "AddToWin2KWithWHQL")))
            problems.push_back("open frame " + frame);
    // A close that fails leaves its handle; the program can do no more about it.
    const std::map<std::string, std::string> closedBy = {
        {"registry key", "RegCloseKey"},
        {"printer", "ClosePrinter"},
        {"device set", "SetupDiDestroyDeviceInfoList"}};
    for (const std::string &handle : outcome.handles) {
        auto close = closedBy.find(handle.substr(0, handle.find(" (")));
        if (close == closedBy.end() || close->second != failing)
            problems.push_back("left open " + handle);
    }
    for (const std::string &difference : outcome.differences) {
        for (const char *other : kOthers)
            if (difference.find(other) != std::string::npos)
                problems.push_back("touched " + difference);
        if (TouchesDecoy(difference))
            problems.push_back("touched decoy " + difference);
    }
    return problems;
}

// Runs each scenario's calls failing one at a time: every call with QMR_FULL_SWEEP set, else a
// sample of every tenth.
TEST(FaultSweep, EveryFailedCallHasADefinedOutcome) {
    const char *full = getenv("QMR_FULL_SWEEP");
    size_t stride = full != nullptr && full[0] == '1' ? 1 : 10;
    int runs = 0, held = 0;
    for (const Scenario &scenario : Scenarios()) {
        Outcome clean = RunScenario(scenario, "", 0);
        ASSERT_EQ(std::vector<std::string>{}, Problems(clean)) << scenario.name;
        std::vector<std::string> calls = winsim::CallLog();
        std::map<std::string, int> seen;
        for (size_t i = 0; i < calls.size(); ++i) {
            int nth = ++seen[calls[i]];
            if (i % stride != 0)
                continue;
            Outcome outcome = RunScenario(scenario, calls[i], nth);
            std::vector<std::string> problems = Problems(outcome, calls[i]);
            ++runs;
            if (problems.empty())
                ++held;
            else
                ADD_FAILURE() << scenario.name << ": " << calls[i] << " #" << nth
                              << " failing: " << problems[0];
        }
    }
    printf("fault sweep: %d runs, %d held\n", runs, held);
    EXPECT_EQ(runs, held);
}

} // namespace
