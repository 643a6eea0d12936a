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
         false, "", [] { ScriptPrintUI(); }},
        {"printui64",
         [=] {
             winsim::SetVersion(winsim::kWindows7);
             winsim::SetWow64(true);
             preset("USB");
         },
         false, "", [] { ScriptPrintUI(); }},
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
        {"quiet printui",
         [=] {
             winsim::SetVersion(winsim::kWindows7);
             preset("COM3");
         },
         false, "/quiet", [] { ScriptPrintUI(); }},
        {"quiet different version",
         [=] {
             preset("LPT2");
             AddCurrentInstallation(kDriver);
             winsim::SetPrinterDword(kDriver, "MinorVersion", 2);
         },
         false, "/quiet"},
        {"quiet uninstall",
         [] {
             AddCurrentInstallation(kDriver);
             AddCurrentInstallation("Kitchen");
         },
         true, "/quiet"},
        {"passive uninstall", // nobody at the dialog
         [] {
             AddCurrentInstallation(kDriver);
             AddCurrentInstallation("Kitchen");
         },
         true, "/passive"},
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
    bool installer;
    bool unattended;
    int exitCode;
    size_t boxes;
    bool endedByErrorBox; // the last box was an error box
    bool windowUnderQuiet;
    bool hung;
    bool killed;
    size_t calls; // made since the machine was set up
    std::vector<std::string> log;
    MachineSnapshot before, after;
    std::vector<std::string> differences;
    std::vector<std::string> handles; // left open, as "kind (opening call)"
};

// Runs the scenario on a fresh machine with the named call failing (none: empty), or killed at
// call killAt (0: never).
Outcome RunScenario(const Scenario &scenario, const std::string &failing, int nth,
                    size_t killAt = 0) {
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
    if (scenario.printUI)
        scenario.printUI();
    if (!failing.empty())
        winsim::FailCall(failing, ERROR_ACCESS_DENIED, nth);
    winsim::KillAtCall(killAt);
    Outcome outcome;
    outcome.installer = !scenario.uninstaller;
    outcome.unattended = scenario.arguments[0] != '\0';
    winsim::SetProgramStart(std::string(kMedia) + (scenario.uninstaller ? "\\QMR640_Uninstaller.exe"
                                                                        : "\\QMR640_Installer.exe"),
                            scenario.arguments);
    HandleCheckOff judgedByProblems;
    outcome.before = TakeSnapshot();
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
    outcome.calls = winsim::CallLog().size();
    outcome.log = LogSteps(scenario.uninstaller ? kUninstallerLog : kInstallerLog);
    outcome.after = TakeSnapshot();
    outcome.differences = SnapshotDifferences(outcome.before, outcome.after);
    return outcome;
}

// The machine after each step of the user's remedy on the machine a run left: a full uninstall
// without faults that chooses every printer, then after an installation scenario the
// installation again. The trace logs are left out: whether the run before got to write its log,
// and the time stamps, differ by nature.
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
    run("uninstaller", RunUninstaller());
    // A spooler left stopped refuses the first listing, which starts it, and nothing else.
    std::vector<std::string> calls = winsim::CallLog();
    auto start = std::find(calls.begin() + long(callsBefore), calls.end(), "CreateProcessA");
    recovery.spoolerBack =
        winsim::SpoolerRunning() &&
        winsim::RefusedSpoolerCalls() - refused <=
            std::count(calls.begin() + long(callsBefore), start, "EnumPrintersA");
    recovery.uninstalled = WithoutLogs(TakeSnapshot());
    if (!scenario.uninstaller) {
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
// the known leftovers, (c) the installation gives the same machine as the fault-free chain, and
// (d) so does the uninstall.
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
    } else if (outcome.exitCode != 0 &&
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

// Every call with QMR_FULL_SWEEP set, else a sample of every tenth.
size_t SweepStride() {
    const char *full = getenv("QMR_FULL_SWEEP");
    return full != nullptr && full[0] == '1' ? 1 : 10;
}

// What a run can leave that the uninstall cannot take back as the programs are designed. The next
// installation removes it (its version check, its own staging), so the reinstalled machine still
// equals the fault-free one.
// Each known leftover with the injected points it may follow (".*": any).
struct KnownLeftover {
    const char *point;
    const char *problem;
};
const KnownLeftover kKnownLeftovers[] = {
    // Ended between staging the driver files and deleting the staged copies: the removal deletes
    // the installed files, not the copies staged in the driver directory, and without a
    // registered driver the uninstaller removes nothing but the uninstall entry.
    {".*",
     R"(left after uninstall: \+ file C:\\WINDOWS\\(SYSTEM32\\SPOOL\\DRIVERS\\(W32X86|X64)\\)?)"
     R"((QMR640\.(DLL|GPD)|UI640\.(DLL|INI)|UNI640\.DLL|UNIDRV(UI)?\.(DLL|HLP)|UNIRES\.DLL|STDNAMES\.GPD))"},
    // Ended after the language monitor or the print processor was added, before the driver: the
    // uninstaller finds no driver and leaves them.
    {".*", R"(left after uninstall: \+ (print monitor KST Language Monitor QMR640|)"
           R"(print processor .*KST PRINT PROCESSOR QMR640|file .*\\(MON640|PRO640)\.DLL)( .*)?)"},
    // The removal of a different version that removed the driver but failed to list or name
    // the forms: only the full removal deletes forms, and it runs only for a driver.
    {".*", R"(reinstalled machine differs: \+ print form .*\[640\].*)"},
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
// known leftover; reports the others.
struct Tally {
    const char *sweep;
    int runs = 0, held = 0, recovered = 0, known = 0;
    void Add(const Scenario &scenario, const std::string &point,
             const std::vector<std::string> &problems,
             const std::vector<std::string> &recoveryProblems) {
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
    calls = winsim::CallLog();
    Recovery reference = Recover(scenario);
    std::vector<std::string> problems =
        RecoveryProblems(scenario, clean.before, reference, reference);
    // On a machine without the product the reinstalled machine is the one a clean installation
    // on a fresh machine gives.
    bool fresh = std::none_of(clean.before.begin(), clean.before.end(), [](const auto &entry) {
        return entry.first.find(kDriver) != std::string::npos;
    });
    if (fresh && !scenario.uninstaller)
        for (const std::string &d :
             SnapshotDifferences(WithoutLogs(clean.after), reference.reinstalled))
            problems.push_back("reinstalled machine differs from a fresh installation: " + d);
    tally.Add(scenario, "fault-free", Problems(clean), problems);
    return reference;
}

// Runs each scenario's calls failing one at a time.
TEST(FaultSweep, EveryFailedCallHasADefinedOutcomeAndTheMachineRecovers) {
    size_t stride = SweepStride();
    Tally tally{"fault sweep"};
    for (const Scenario &scenario : Scenarios()) {
        std::vector<std::string> calls;
        Recovery reference = CleanReference(scenario, tally, calls);
        std::map<std::string, int> seen;
        for (size_t i = 0; i < calls.size(); ++i) {
            int nth = ++seen[calls[i]];
            if (i % stride != 0)
                continue;
            Outcome outcome = RunScenario(scenario, calls[i], nth);
            std::vector<std::string> problems = Problems(outcome, calls[i]);
            tally.Add(scenario, calls[i] + " #" + std::to_string(nth) + " failing", problems,
                      RecoveryProblems(scenario, outcome.before, Recover(scenario), reference));
        }
    }
}

// Kills the program at each of its calls in turn. A killed run ends as the kill leaves it: only
// that it stopped there, did not hang and touched no other product is its own outcome.
TEST(KillSweep, TheMachineRecoversFromAKillAtEveryCall) {
    size_t stride = SweepStride();
    Tally tally{"kill sweep"};
    for (const Scenario &scenario : Scenarios()) {
        std::vector<std::string> calls;
        Recovery reference = CleanReference(scenario, tally, calls);
        for (size_t n = 1; n <= calls.size(); n += stride) {
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
            if (!outcome.killed && outcome.calls >= n)
                problems.push_back("not killed");
            tally.Add(scenario, "killed at call " + std::to_string(n) + " " + calls[n - 1],
                      problems,
                      RecoveryProblems(scenario, outcome.before, Recover(scenario), reference));
        }
    }
}

} // namespace
