// Every platform call of every scenario made to fail in turn, and the program killed at each:
// each failed run must end, close what it opened in the trace log, end with code 0 (1603 after a
// box that says why it cannot go on; an unattended one with a deployment code that its last trace
// line names, without a box, and under /quiet without any window, never waiting for a user) and
// touch nothing of any other product; after every run, failed or killed, the user's remedy (the
// uninstaller, then the installer again) must bring the machine back.
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
    std::function<void()> printUI = nullptr; // scripts the printui child before each installer run
    // An uninstall from the installer's own installation on setUp's machine with this many printers
    // (-1: setUp makes the starting point), its user choosing all or all but the first.
    int printers = -1;
    bool keepFirst = false;
    // Of the same uninstall with one printer (0) and with two (1), whose calls are the same up to
    // the printer list: the default sample gives each twin every other one of its points.
    int twin = -1;
};

// The installation an uninstall scenario starts from: a second printer comes from a second
// installer run on the classic path, and on the print-UI path, where printui would give it the
// first one's name, from the user. Returns the machine after the first installation.
MachineSnapshot InstallForReal(const Scenario &scenario) {
    AnswerPortDialog(0);
    if (scenario.printUI)
        scenario.printUI();
    EXPECT_EQ(0, RunInstaller());
    MachineSnapshot installed = TakeSnapshot();
    if (scenario.printers == 2 && scenario.printUI) {
        winsim::PrinterInfo copy = winsim::Printers().back();
        copy.name += " (Copy 1)";
        winsim::AddPrinter(copy);
    } else if (scenario.printers == 2) {
        // What the driver writes into its printer, where the installer reads the version.
        for (const char *value : {"MajorVersion", "MinorVersion", "BuildVersion", "ExtraVersion"})
            winsim::SetPrinterDword(kDriver, value, value[0] == 'M' ? 3 : 0);
        EXPECT_EQ(0, RunInstaller());
    }
    EXPECT_EQ(size_t(scenario.printers) + 1, winsim::Printers().size()) << scenario.name;
    return installed;
}

// The uninstaller the user starts after an uninstaller's run: the installation's, if there is one.
std::string UninstallerPath() {
    const char *registered = "C:\\WINDOWS\\QMR-640\\QMR640_Uninstaller.exe";
    return winsim::Exists(registered) ? registered
                                      : std::string(kMedia) + "\\QMR640_Uninstaller.exe";
}

std::vector<Scenario> Scenarios() {
    auto preset = [](const char *port) {
        PutOptions(kMedia, std::string("PORTDLG=FALSE\r\nPORT=") + port + "\r\n");
    };
    auto on = [=](const winsim::OsVersion &version, bool wow64, const char *port) {
        return [=] {
            winsim::SetVersion(version);
            winsim::SetWow64(wow64);
            preset(port);
        };
    };
    // printui, doing what the installer's command line asks.
    std::function<void()> printUI = [] { ScriptPrintUI(); };
    auto xp = on(winsim::kWindowsXP, false, "COM1"), w2k = on(winsim::kWindows2000, false, "COM2");
    auto w7 = on(winsim::kWindows7, false, "LPT1"), x64 = on(winsim::kWindows7, true, "COM1");
    auto usb64 = on(winsim::kWindows7, true, "USB");
    return {
        {"classic", [=] { preset("COM1"); }, false},
        {"printui32", w7, false, "", printUI},
        {"printui64", usb64, false, "", printUI},
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
        {"quiet classic", [=] { preset("COM1"); }, false, "/quiet"},
        {"quiet printui", on(winsim::kWindows7, false, "COM3"), false, "/quiet", printUI},
        {"quiet different version",
         [=] {
             preset("LPT2");
             AddCurrentInstallation(kDriver);
             winsim::SetPrinterDword(kDriver, "MinorVersion", 2);
         },
         false, "/quiet"},
        {"nothing to uninstall",
         [] {
             winsim::PutValue("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                              "KESTORA_QMR-640",
                              "DisplayName", REG_SZ, "stale");
         },
         true},
        // Uninstalls of real installations: classic on XP and 2000, print-UI on 7, and under WOW64
        // on 7 x64, with one printer and with two; then one printer kept, printui's installation
        // for USB (the driver alone), and the unattended runs.
        {"uninstall XP, 1 printer", xp, true, "", nullptr, 1, false, 0},
        {"uninstall XP, 2 printers", xp, true, "", nullptr, 2, false, 1},
        {"uninstall 2000, 1 printer", w2k, true, "", nullptr, 1, false, 0},
        {"uninstall 2000, 2 printers", w2k, true, "", nullptr, 2, false, 1},
        {"uninstall 7, 1 printer", w7, true, "", printUI, 1, false, 0},
        {"uninstall 7, 2 printers", w7, true, "", printUI, 2, false, 1},
        {"uninstall 7 x64, 1 printer", x64, true, "", printUI, 1, false, 0},
        {"uninstall 7 x64, 2 printers", x64, true, "", printUI, 2, false, 1},
        {"uninstall some", xp, true, "", nullptr, 2, true},
        {"uninstall driver only", usb64, true, "", printUI, 0},
        {"quiet uninstall", x64, true, "/quiet", printUI, 2},
        {"passive uninstall", w7, true, "/passive", printUI, 2}, // nobody at the dialog
    };
}

struct Outcome {
    bool installer;
    bool unattended;
    int exitCode;
    size_t boxes;
    bool endedByErrorBox; // the last box was an error box
    bool windowUnderQuiet;
    bool hung;
    bool killed;
    std::vector<std::string> log;
    MachineSnapshot before, after, installed; // installed: after the starting point's installation
    std::vector<std::string> calls;           // the run's, in order
    std::vector<std::string> differences;
    std::vector<std::string> handles; // left open, as "kind (opening call)"
};

// A scenario's machine as set up, made by its first run, and the machine before the installation
// and after it.
struct Prepared {
    std::shared_ptr<const winsim::SavedMachine> machine;
    MachineSnapshot before, installed;
};

// Runs the scenario on its set-up machine with the named call failing (none: empty), or killed at
// call killAt (0: never). Before is the machine before the starting point's installation.
Outcome RunScenario(const Scenario &scenario, const std::string &failing, int nth,
                    size_t killAt = 0) {
    static std::map<std::string, Prepared> prepared;
    Prepared &start = prepared[scenario.name];
    if (start.machine == nullptr) {
        winsim::Reset();
        winsim::SetCurrentDirectory(kMedia);
        PutMedia(kMedia);
        AddOtherProducts();
        PutDecoys();
        scenario.setUp();
        start.before = TakeSnapshot();
        if (scenario.printers >= 0)
            start.installed = InstallForReal(scenario);
        start.machine = winsim::SaveMachine();
    }
    // Every run starts on a fresh machine, its call log, boxes and windows its own.
    winsim::RestoreMachine(*start.machine);
    winsim::SetHangLimit(4000);
    winsim::SetBoxAnswer(
        [](const winsim::Box &box) { return (box.flags & 0xF) == MB_YESNO ? IDNO : IDOK; });
    Outcome outcome;
    outcome.installer = !scenario.uninstaller;
    outcome.unattended = scenario.arguments[0] != '\0';
    outcome.before = start.before;
    outcome.installed = start.installed;
    if (!scenario.uninstaller)
        AnswerPortDialog(0); // shown when the options file cannot be read
    else if (!outcome.unattended)
        UninstallerUser(scenario.keepFirst);
    if (scenario.printUI && !scenario.uninstaller)
        scenario.printUI();
    if (!failing.empty())
        winsim::FailCall(failing, ERROR_ACCESS_DENIED, nth);
    winsim::KillAtCall(killAt);
    winsim::SetProgramStart(scenario.uninstaller ? UninstallerPath()
                                                 : std::string(kMedia) + "\\QMR640_Installer.exe",
                            scenario.arguments);
    HandleCheckOff judgedByProblems;
    outcome.exitCode = scenario.uninstaller ? RunUninstaller() : RunInstaller();
    outcome.handles = HandlesLeftOpen(!scenario.uninstaller);
    std::vector<winsim::Box> boxes = winsim::Boxes();
    outcome.boxes = boxes.size();
    outcome.endedByErrorBox = !boxes.empty() && (boxes.back().flags & 0xF0) == MB_ICONSTOP;
    outcome.windowUnderQuiet = false;
    for (const char *caption :
         {"Installation Progress", "Port Type", "KESTORA QMR-640 Uninstaller"})
        outcome.windowUnderQuiet |=
            std::string(scenario.arguments) == "/quiet" && winsim::FindDialog(caption) != NULL;
    outcome.hung = winsim::LastProcessHung();
    outcome.killed = winsim::LastProcessKilled();
    outcome.log = LogSteps(scenario.uninstaller ? kUninstallerLog : kInstallerLog);
    outcome.after = TakeSnapshot();
    outcome.calls = winsim::CallLog();
    outcome.differences = SnapshotDifferences(outcome.before, outcome.after);
    return outcome;
}

// The machine after each step of the user's remedy on the machine a run left: a full uninstall
// without faults that chooses every printer (after an installer's run the media's uninstaller),
// then, unless setUp made the starting point, the installation again. The trace logs are left out:
// whether the run before got to write its log, and the time stamps, differ by nature.
struct Recovery {
    bool spoolerBack; // running, and no call refused but the uninstaller's first listing
    std::vector<std::string> failures;
    MachineSnapshot uninstalled, reinstalled;
};

MachineSnapshot WithoutLogs(MachineSnapshot snapshot) {
    snapshot.erase(snapshot.lower_bound("file C:\\TEMP"), snapshot.lower_bound("file C:\\TEMQ"));
    return snapshot;
}

Recovery Recover(const Scenario &scenario) {
    winsim::ClearFaults();
    Recovery recovery;
    auto run = [&recovery](const char *name, int exitCode) {
        if (exitCode != 0 || winsim::LastProcessHung())
            recovery.failures.push_back(name + std::string(" ended with ") +
                                        std::to_string(exitCode));
    };
    int refused = winsim::RefusedSpoolerCalls();
    size_t callsBefore = winsim::CallLog().size();
    UninstallerUser(false);
    winsim::SetProgramStart(scenario.uninstaller ? UninstallerPath()
                                                 : std::string(kMedia) + "\\QMR640_Uninstaller.exe",
                            "");
    run("uninstaller", RunUninstaller());
    // A spooler left stopped refuses the first listing, which starts it, and nothing else.
    std::vector<std::string> calls = winsim::CallLog();
    auto start = std::find(calls.begin() + long(callsBefore), calls.end(), "CreateProcessA");
    recovery.spoolerBack =
        winsim::SpoolerRunning() &&
        winsim::RefusedSpoolerCalls() - refused <=
            std::count(calls.begin() + long(callsBefore), start, "EnumPrintersA");
    recovery.uninstalled = WithoutLogs(TakeSnapshot());
    if (!scenario.uninstaller || scenario.printers >= 0) {
        AnswerPortDialog(0);
        // The version check removes leftovers it finds and forces a restart; the user then runs
        // the installer again.
        for (int attempt = 0; attempt < 2; ++attempt) {
            size_t restarts = winsim::Restarts().size();
            if (scenario.printUI)
                scenario.printUI();
            run("installer", RunInstaller());
            if (winsim::Restarts().size() == restarts)
                break;
        }
        recovery.reinstalled = WithoutLogs(TakeSnapshot());
    }
    return recovery;
}

// The recovery of one run, against the machine before the run and the recovery after the
// scenario's fault-free run: (a) the spooler runs again, (b) the uninstall leaves nothing but
// the known leftovers on the machine before the installation, (c) the installation gives the same
// machine as the fault-free chain, and (d) so does the uninstall.
std::vector<std::string> RecoveryProblems(const Scenario &scenario, const MachineSnapshot &before,
                                          const Recovery &got, const Recovery &reference) {
    std::vector<std::string> problems = got.failures;
    if (!got.spoolerBack)
        problems.push_back("spooler not back");
    for (const std::string &d : UnexpectedDifferences(before, got.uninstalled, kUninstallLeftovers))
        problems.push_back("left after uninstall: " + d);
    // After an installation scenario the uninstall may take a part installation to a different
    // clean state (without the model folder): only (b) holds there.
    if (scenario.uninstaller)
        for (const std::string &d : SnapshotDifferences(reference.uninstalled, got.uninstalled))
            problems.push_back("uninstalled machine differs: " + d);
    for (const std::string &d : SnapshotDifferences(reference.reinstalled, got.reinstalled))
        problems.push_back("reinstalled machine differs: " + d);
    return problems;
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
    bool logFailed = failing == "CreateFileA" || failing == "NtCreateFile" ||
                     failing == "WriteFile" || failing == "SetFilePointer" ||
                     failing == "GetFileInformationByHandle";
    // A delay-loaded DLL that does not load ends the run inside the step that first called it,
    // with what that step holds open.
    bool fatal = failing == "LoadLibraryA";
    // A DLL search that cannot be locked ends the run before its log, with 1603 and without a
    // box, which could itself load DLLs by name.
    bool unlocked =
        failing == "GetModuleHandleA" && outcome.exitCode == 1603 && outcome.log.empty();
    std::vector<std::string> log = outcome.log;
    if (outcome.unattended) {
        // Done, done with a restart due, failed, or no port readable; never a box, and the last
        // line says which.
        const int codes[] = {0, 3010, 1603, 87};
        if (std::find(std::begin(codes), std::end(codes), outcome.exitCode) == std::end(codes))
            problems.push_back("exit code " + std::to_string(outcome.exitCode));
        if (outcome.boxes != 0)
            problems.push_back("a box in an unattended run");
        if (outcome.windowUnderQuiet)
            problems.push_back("a window under /quiet");
        // A deployment tool takes 0 and 3010 for installed.
        bool driver = std::any_of(outcome.after.begin(), outcome.after.end(), [](const auto &e) {
            return e.first.compare(0, 13, "print driver ") == 0 &&
                   e.first.find(std::string(" | ") + kDriver + " | ") != std::string::npos;
        });
        if (outcome.installer && (outcome.exitCode == 0 || outcome.exitCode == 3010) && !driver)
            problems.push_back("exit code " + std::to_string(outcome.exitCode) + " without driver");
        std::string last = "EXIT CODE : " + std::to_string(outcome.exitCode);
        // An empty log is one that could not be started (its folder refused).
        if (!logFailed && !log.empty() && log.back() != last)
            problems.push_back("last line not \"" + last + "\"");
        if (!log.empty() && log.back() == last)
            log.pop_back();
    } else if (outcome.exitCode != 0 && !unlocked &&
               !(fatal && outcome.exitCode == 1603 && outcome.endedByErrorBox)) {
        problems.push_back("exit code " + std::to_string(outcome.exitCode));
    }
    std::vector<std::string> open = OpenFrames(log);
    // A refused printer ends the installer inside its sequence, after the step's END line.
    bool refusedPrinter = !log.empty() && log.back() == "AddPrinterToSystem END";
    for (const std::string &frame : open)
        if (!logFailed && !fatal &&
            !(refusedPrinter && (frame == "AddToWin2K" || frame == "AddToWin2KWithWHQL")))
            problems.push_back("open frame " + frame);
    // A close that fails leaves its handle; the program can do no more about it.
    const std::map<std::string, std::string> closedBy = {
        {"registry key", "RegCloseKey"},
        {"printer", "ClosePrinter"},
        {"device set", "SetupDiDestroyDeviceInfoList"}};
    for (const std::string &handle : outcome.handles) {
        auto close = closedBy.find(handle.substr(0, handle.find(" (")));
        if (!fatal && (close == closedBy.end() || close->second != failing))
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

// Whether a sweep takes the scenario's point i (from 0): every one with QMR_FULL_SWEEP set, else
// every tenth, and of twins every twentieth, the second twin's between the first's.
bool Sampled(const Scenario &scenario, size_t i) {
    const char *full = getenv("QMR_FULL_SWEEP");
    if (full != nullptr && full[0] == '1')
        return true;
    return scenario.twin < 0 ? i % 10 == 0 : i % 20 == size_t(scenario.twin) * 10;
}

// What a run can leave that the uninstall cannot take back as the programs are designed. The next
// installation removes it, so the reinstalled machine still equals the fault-free one.
// Each known leftover with the injected points it may follow (".*": any).
struct KnownLeftover {
    const char *point;
    const char *problem;
};
const KnownLeftover kKnownLeftovers[] = {
    // Ended while the printer-class files were staged, before the first of the product's own:
    // they belong to the class driver, so nothing the uninstaller could take for the package is
    // there. The next installation stages them again and deletes them.
    {"killed at call .*", R"(left after uninstall: \+ file C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\)"
                          R"((W32X86|X64)\\(UNIDRV(UI)?\.(DLL|HLP)|UNIRES\.DLL))"},
    // The WOW64 check itself failed on 64-bit Windows: the installer takes the system for 32-bit
    // one, as designed, and writes the uninstall entry to the 32-bit view, where the uninstaller,
    // which sees WOW64, never looks; the INF stored beside it stays with it.
    {"(IsWow64Process|GetProcAddress|GetModuleHandleA) #[0-9]+ failing",
     R"((left after uninstall|reinstalled machine differs): \+ (reg HKLM\\SOFTWARE\\Wow6432Node\\)"
     R"(Microsoft\\Windows\\CurrentVersion\\Uninstall\\KESTORA_QMR-640( : .*)?|)"
     R"(file C:\\WINDOWS\\INF\\OEM[0-9]+\.(INF|PNF)))"},
};

bool AllKnown(const std::string &point, const std::vector<std::string> &problems) {
    for (const std::string &problem : problems)
        if (std::none_of(std::begin(kKnownLeftovers), std::end(kKnownLeftovers),
                         [&](const KnownLeftover &known) {
                             return std::regex_match(point, std::regex(known.point)) &&
                                    std::regex_match(problem, std::regex(known.problem));
                         }))
            return false;
    return true;
}

// Counts the runs, those whose own outcome held, and those whose recovery held or left only a
// known leftover; reports the others, and per scenario the points after which the machine was
// unclean (anything left, known or not).
struct Tally {
    const char *sweep;
    int runs = 0, held = 0, recovered = 0, known = 0;
    int points = 0, unclean = 0; // of the scenario under way
    void Add(const Scenario &scenario, const std::string &point,
             const std::vector<std::string> &problems,
             const std::vector<std::string> &recoveryProblems, bool sweepPoint = true) {
        points += sweepPoint;
        unclean += sweepPoint && !recoveryProblems.empty();
        ++runs;
        held += problems.empty();
        recovered += recoveryProblems.empty();
        bool knownOnly = !recoveryProblems.empty() && AllKnown(point, recoveryProblems);
        known += knownOnly;
        if (knownOnly && getenv("QMR_SWEEP_VERBOSE") != nullptr)
            printf("%s: %s: %s\n", scenario.name, point.c_str(), recoveryProblems[0].c_str());
        if (!problems.empty())
            ADD_FAILURE() << scenario.name << ": " << point << ": " << problems[0];
        if (!recoveryProblems.empty() && !knownOnly) {
            std::string first;
            for (size_t i = 0; i < recoveryProblems.size() && i < 4; ++i)
                first += "\n  " + recoveryProblems[i];
            ADD_FAILURE() << scenario.name << ": " << point << ": not recovered, "
                          << recoveryProblems.size() << " problems:" << first;
        }
    }
    void Figure(const Scenario &scenario) {
        printf("%s: %s: %d unclean / %d points\n", sweep, scenario.name, unclean, points);
        points = unclean = 0;
    }
    ~Tally() {
        printf("%s: %d runs, %d held, %d recovered, %d left a known leftover\n", sweep, runs, held,
               recovered, known);
        EXPECT_EQ(runs, held);
        EXPECT_EQ(runs, recovered + known);
    }
};

// The scenario's fault-free run and its recovery, checked, as the reference for the sweeps; calls
// gets the run's calls.
Recovery CleanReference(const Scenario &scenario, Tally &tally, std::vector<std::string> &calls) {
    Outcome clean = RunScenario(scenario, "", 0);
    calls = clean.calls;
    Recovery reference = Recover(scenario);
    std::vector<std::string> problems =
        RecoveryProblems(scenario, clean.before, reference, reference);
    // On a machine without the product the reinstalled machine is the one a clean installation
    // on a fresh machine gives, and after an uninstall the installation it started from.
    bool fresh = std::none_of(clean.before.begin(), clean.before.end(), [](const auto &entry) {
        return entry.first.find(kDriver) != std::string::npos;
    });
    if (fresh && !scenario.uninstaller)
        for (const std::string &d :
             SnapshotDifferences(WithoutLogs(clean.after), reference.reinstalled))
            problems.push_back("reinstalled machine differs from a fresh installation: " + d);
    if (scenario.printers >= 0)
        for (const std::string &d :
             SnapshotDifferences(WithoutLogs(clean.installed), reference.reinstalled))
            problems.push_back("reinstalled machine differs from the installation: " + d);
    tally.Add(scenario, "fault-free", Problems(clean), problems, false);
    return reference;
}

// Runs each scenario's calls failing one at a time.
TEST(FaultSweep, EveryFailedCallHasADefinedOutcomeAndTheMachineRecovers) {
    Tally tally{"fault sweep"};
    for (const Scenario &scenario : Scenarios()) {
        std::vector<std::string> calls;
        Recovery reference = CleanReference(scenario, tally, calls);
        std::map<std::string, int> seen;
        for (size_t i = 0; i < calls.size(); ++i) {
            int nth = ++seen[calls[i]];
            if (!Sampled(scenario, i))
                continue;
            Outcome outcome = RunScenario(scenario, calls[i], nth);
            std::vector<std::string> problems = Problems(outcome, calls[i]);
            tally.Add(scenario, calls[i] + " #" + std::to_string(nth) + " failing", problems,
                      RecoveryProblems(scenario, outcome.before, Recover(scenario), reference));
        }
        tally.Figure(scenario);
    }
}

// Kills the program at each of its calls in turn. A killed run ends as the kill leaves it: only
// that it stopped there, did not hang and touched no other product is its own outcome.
TEST(KillSweep, TheMachineRecoversFromAKillAtEveryCall) {
    Tally tally{"kill sweep"};
    for (const Scenario &scenario : Scenarios()) {
        std::vector<std::string> calls;
        Recovery reference = CleanReference(scenario, tally, calls);
        for (size_t n = 1; n <= calls.size(); ++n) {
            if (!Sampled(scenario, n - 1))
                continue;
            Outcome outcome = RunScenario(scenario, "", 0, n);
            // Its exit code, its last trace line, and the frames and handles it left open are
            // the kill's.
            std::vector<std::string> problems;
            for (const std::string &problem : Problems(outcome))
                if (problem.compare(0, 10, "exit code ") != 0 &&
                    problem.compare(0, 11, "open frame ") != 0 &&
                    problem.compare(0, 10, "left open ") != 0 &&
                    problem.compare(0, 14, "last line not ") != 0)
                    problems.push_back(problem);
            // The threads' calls interleave as they run: a run may end a few calls short of the
            // fault-free one, and then before the kill.
            if (!outcome.killed && outcome.calls.size() >= n)
                problems.push_back("not killed");
            tally.Add(scenario, "killed at call " + std::to_string(n) + " " + calls[n - 1],
                      problems,
                      RecoveryProblems(scenario, outcome.before, Recover(scenario), reference));
        }
        tally.Figure(scenario);
    }
}

} // namespace
