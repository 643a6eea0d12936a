// Unattended deployment: the switches, what each mode does with the questions and boxes, the exit
// codes, and the media found beside the program from any current directory.
#include <winsim_print.h>
#include <winsim_registry.h>

#include <string.h>

#include <algorithm>

#include "QMR640_Uninstaller/resource.h"
#include "common/ports.h"
#include "common/switches.h"
#include "harness.h"
#include "machine_snapshot.h"

namespace {

const char kDriver[] = "KESTORA QMR-640";
const char kInstallerPath[] = "C:\\Media\\QMR640_Installer.exe";
const char kUninstallKey[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                             "KESTORA_QMR-640";

TEST(Switches, TableOfCommandLines) {
    struct Case {
        const char *arguments;
        bool takesPort;
        bool ok;
        UiLevel ui;
        RestartRule restart;
        int port;
        const char *error;
    } cases[] = {
        {"", true, true, UI_FULL, RESTART_ASK, -1, ""},
        {"/quiet", true, true, UI_NONE, RESTART_ASK, -1, ""},
        {"-QUIET", false, true, UI_NONE, RESTART_ASK, -1, ""},
        {"/Passive /NoRestart", false, true, UI_PASSIVE, RESTART_NEVER, -1, ""},
        {"/passive /quiet", false, true, UI_NONE, RESTART_ASK, -1, ""},
        {"/quiet /passive", false, true, UI_NONE, RESTART_ASK, -1, ""},
        {" \t/forcerestart\t ", false, true, UI_FULL, RESTART_FORCE, -1, ""},
        {"/norestart /norestart", false, true, UI_FULL, RESTART_NEVER, -1, ""},
        {"/port:COM1", true, true, UI_FULL, RESTART_ASK, 0, ""},
        {"-port:lpt2 /quiet", true, true, UI_NONE, RESTART_ASK, 5, ""},
        {"/PORT:Usb", true, true, UI_FULL, RESTART_ASK, 6, ""},
        {"/port:COM4 /port:com4", true, true, UI_FULL, RESTART_ASK, 3, ""},
        // Bad ones: the first problem is named; what else was read still holds.
        {"/port:COM1", false, false, UI_FULL, RESTART_ASK, -1, "UNKNOWN SWITCH : /port:COM1"},
        {"/port:COM5", true, false, UI_FULL, RESTART_ASK, -1, "UNKNOWN PORT : /port:COM5"},
        {"/port:COM10", true, false, UI_FULL, RESTART_ASK, -1, "UNKNOWN PORT : /port:COM10"},
        {"/port:", true, false, UI_FULL, RESTART_ASK, -1, "UNKNOWN PORT : /port:"},
        {"/port:COM1 /port:LPT1", true, false, UI_FULL, RESTART_ASK, 0,
         "CONFLICTING SWITCH : /port:LPT1"},
        {"/norestart -forcerestart", false, false, UI_FULL, RESTART_NEVER, -1,
         "CONFLICTING SWITCH : -forcerestart"},
        {"/bogus /quiet /x", false, false, UI_NONE, RESTART_ASK, -1, "UNKNOWN SWITCH : /bogus"},
        {"quiet", false, false, UI_FULL, RESTART_ASK, -1, "UNKNOWN SWITCH : quiet"},
        {"/", false, false, UI_FULL, RESTART_ASK, -1, "UNKNOWN SWITCH : /"},
        {"/quiet=1", false, false, UI_FULL, RESTART_ASK, -1, "UNKNOWN SWITCH : /quiet=1"},
        {"\"/quiet\" /port:\"LPT1\"", true, true, UI_NONE, RESTART_ASK, 4, ""},
        {"\"/quiet /norestart\"", false, false, UI_FULL, RESTART_ASK, -1,
         "UNKNOWN SWITCH : /quiet /norestart"},
        {"\"\"", false, false, UI_FULL, RESTART_ASK, -1, "UNKNOWN SWITCH : "},
        {"/?", false, false, UI_FULL, RESTART_ASK, -1, "UNKNOWN SWITCH : /?"},
    };
    for (const Case &c : cases) {
        Switches switches;
        std::string error = "stale";
        EXPECT_EQ(c.ok, ParseSwitches(c.arguments, c.takesPort, switches, error)) << c.arguments;
        EXPECT_EQ(c.ui, switches.ui) << c.arguments;
        EXPECT_EQ(c.restart, switches.restart) << c.arguments;
        EXPECT_EQ(c.port, switches.portIndex) << c.arguments;
        EXPECT_EQ(c.error, error) << c.arguments;
    }

    const std::pair<const char *, const char *> lines[] = {
        {"\"C:\\Program Files\\QMR640_Installer.exe\" /quiet", "/quiet"},
        {"\"C:\\a b\\x.exe\"/passive", "/passive"},
        {"C:\\Media\\QMR640_Installer.exe  /port:COM1 /quiet", "/port:COM1 /quiet"},
        {"x.exe", ""},
        {"\"never closed /quiet", ""},
        {"", ""}};
    for (const auto &line : lines)
        EXPECT_STREQ(line.second, CommandArguments(line.first)) << line.first;
    EXPECT_STREQ("", CommandArguments(NULL));
}

// A run of one program in one mode and what it left to check.
struct ProgramRun {
    int code;
    std::vector<winsim::Box> boxes;
    size_t restarts;
    std::vector<std::string> log;
    std::string logText;
    bool dialogCreated;
};

ProgramRun RunProgram(bool uninstaller, const std::string &arguments,
                      const std::string &folder = kMedia) {
    winsim::SetProgramStart(
        folder + (uninstaller ? "\\QMR640_Uninstaller.exe" : "\\QMR640_Installer.exe"), arguments);
    ProgramRun run;
    run.code = uninstaller ? RunUninstaller() : RunInstaller();
    EXPECT_FALSE(winsim::LastProcessHung()) << arguments;
    run.boxes = winsim::Boxes();
    run.restarts = winsim::Restarts().size();
    const char *log = uninstaller ? kUninstallerLog : kInstallerLog;
    run.log = LogSteps(log);
    run.logText = winsim::FileContent(log);
    run.dialogCreated = winsim::FindDialog(uninstaller ? "KESTORA QMR-640 Uninstaller"
                                                       : "Installation Progress") != NULL;
    return run;
}

// The installed package's driver without any printer on it: a version that cannot be read.
void AddDriverAlone() {
    winsim::DriverInfo driver;
    driver.name = kDriver;
    winsim::AddDriver(driver);
}

void AddPrinterOnDriver(const std::string &name) {
    winsim::PrinterInfo printer;
    printer.name = name;
    printer.driver = kDriver;
    winsim::AddPrinter(printer);
}

const char kRestartQuestion[] = "Restarting your computer can take effect.";
const char kUninstallRestartQuestion[] = "Restart the computer can take effect.";

// Each place where an interactive run asks or shows a box, run without switches, with /passive
// and with /quiet, and once more with /quiet /forcerestart. Unattended runs show no box, write
// each box's text to the trace log and end with the deployment code, named by their last line.
TEST(Deployment, EachQuestionAndBoxInEveryMode) {
    struct Row {
        const char *name;
        bool uninstaller;
        std::function<void()> setUp;
        int interactiveCode;
        std::vector<std::string> boxes; // the start of each box's text, in order
        bool interactiveRestart;        // the interactive run starts a restart
        int unattendedCode;
        bool restartDue; // /forcerestart then restarts and ends with 1641
    } rows[] = {
        {"restart question", false, [] {}, 0, {kRestartQuestion}, false, 3010, true},
        {"USB message",
         false,
         [] { PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=USB\r\n"); },
         0,
         {"Please turn-off the printer and then turn-on again."},
         false,
         0,
         false},
        {"different version",
         false,
         [] { AddDriverAlone(); },
         0,
         {"There is a different version driver in this system.",
          "The installer has successfully removed the different version."},
         true,
         3010,
         true},
        {"error box",
         false,
         [] { winsim::FailCall("SetupCopyOEMInfA", ERROR_ACCESS_DENIED); },
         0,
         {"SetupCopyOEMInf, ERR CODE: 5", kRestartQuestion},
         false,
         1603,
         true},
        {"error box that ends the run",
         false,
         [] { winsim::FailCall("AddPrinterA", ERROR_ACCESS_DENIED); },
         0,
         {"AddPrinter, Error Code: 5"},
         false,
         1603,
         false},
        {"refused OS",
         false,
         [] { winsim::SetVersion(winsim::kWindows98); },
         0,
         {"THE DRIVER CAN NOT BE INSTALLED ON THIS OS."},
         false,
         1603,
         false},
        {"print-UI time-out",
         false,
         [] {
             winsim::SetVersion(winsim::kWindows7);
             winsim::ChildScript endless;
             endless.endless = true;
             winsim::ScriptNextChild(endless, "cmd.exe");
         },
         -1,
         {"The process could not finish the installation."},
         false,
         1603,
         false},
        // The second delay-loaded DLL, winspool.drv, does not load: 1603 in every mode.
        {"system DLL missing",
         false,
         [] { winsim::FailCall("LoadLibraryA", ERROR_MOD_NOT_FOUND, 2); },
         1603,
         {"winspool.drv could not be loaded. Error Code: 126\n\nThe specified module"},
         false,
         1603,
         false},
        {"uninstaller restart question",
         true,
         [] { AddDriverAlone(); },
         0,
         {kUninstallRestartQuestion},
         false,
         3010,
         true},
        {"nothing to uninstall",
         true,
         [] {},
         0,
         {"The QMR-640 driver does not exist on this system."},
         false,
         0,
         false},
        {"uninstaller error box",
         true,
         [] { winsim::FailCall("EnumPrintersA", ERROR_ACCESS_DENIED); },
         0,
         {"EnumPrinters Error Code: 5"},
         false,
         1603,
         false},

    };
    for (const Row &row : rows) {
        for (const char *arguments : {"", "/passive", "/quiet", "/quiet /forcerestart"}) {
            SCOPED_TRACE(std::string(row.name) + " with \"" + arguments + "\"");
            winsim::Reset();
            winsim::SetCurrentDirectory(kMedia);
            PutMedia(kMedia);
            row.setUp();
            ProgramRun run = RunProgram(row.uninstaller, arguments);
            bool interactive = arguments[0] == '\0';
            bool forced = std::string(arguments).find("forcerestart") != std::string::npos;
            if (interactive) {
                EXPECT_EQ(row.interactiveCode, run.code);
                ASSERT_EQ(row.boxes.size(), run.boxes.size()) << run.boxes.back().text;
                for (size_t i = 0; i < row.boxes.size(); ++i)
                    EXPECT_EQ(0u, run.boxes[i].text.find(row.boxes[i])) << run.boxes[i].text;
                EXPECT_EQ(row.interactiveRestart ? 1u : 0u, run.restarts);
                EXPECT_EQ(std::string::npos, run.logText.find("EXIT CODE"));
                continue;
            }
            int expected =
                forced && row.restartDue && row.unattendedCode != 1603 ? 1641 : row.unattendedCode;
            EXPECT_EQ(expected, run.code);
            EXPECT_TRUE(run.boxes.empty())
                << run.boxes.size()
                << " boxes, first: " << (run.boxes.empty() ? "" : run.boxes[0].text);
            EXPECT_EQ(forced && row.restartDue ? 1u : 0u, run.restarts);
            ASSERT_FALSE(run.log.empty());
            EXPECT_EQ("EXIT CODE : " + std::to_string(expected), run.log.back());
            // /quiet creates no window at all; /passive shows the progress dialog.
            EXPECT_EQ(std::string(arguments) == "/passive", run.dialogCreated);
            // The restart question has no text to write: an unattended run answers it.
            for (const std::string &box : row.boxes) {
                bool question = box == kRestartQuestion || box == kUninstallRestartQuestion;
                EXPECT_TRUE(question || run.logText.find(box) != std::string::npos) << box;
            }
        }
    }
}

// The package as a deployment tool would check it: the driver registered and, for a port, a
// printer on the driver there.
bool PackageInstalled(const std::string &port) {
    bool driver = false, printer = port.empty();
    for (const winsim::DriverInfo &info : winsim::Drivers(winsim::kEnvironmentX86))
        driver = driver || info.name == kDriver;
    for (const winsim::PrinterInfo &info : winsim::Printers())
        printer = printer || (info.driver == kDriver && info.port == port);
    return driver && printer;
}

// Unattended runs as deployment tools start them, on Windows 7 through printui and over a
// different version. Whatever a run meets, its exit code agrees with the machine: success only
// with the package installed, its uninstall entry and the uninstaller copied; a failure leaves
// neither. printui works in the system directory, is given the INF by its full path and /q; a
// media path that cmd would change is refused before anything changes.
TEST(Deployment, UnattendedCodeAgreesWithTheMachine) {
    const char kShare[] = "\\\\server\\media";
    struct Row {
        const char *name, *media; // media: where the installer is started from
        bool windows7, otherVersion;
        int printui; // the child plays printui: 0 not (it installs nothing), 1 all, 2 no printer
        const char *failing, *arguments, *port; // port: the printer's, empty for USB
        int code;
    } rows[] = {
        {"share", kShare, true, false, 1, "", "/quiet /norestart /port:COM1", "COM1:", 3010},
        {"USB", kMedia, true, false, 1, "", "/passive /port:USB", "", 0},
        {"printui installs nothing", kMedia, true, false, 0, "", "/quiet /port:COM1",
         "COM1:", 1603},
        {"printui adds no printer", kMedia, true, false, 2, "", "/quiet /port:LPT1", "LPT1:", 1603},
        {"%", "C:\\Kit%TEMP%", true, false, 1, "", "/quiet /port:COM1", "COM1:", 1603},
        {"!", "C:\\Kit!TEMP!", true, false, 1, "", "/quiet /port:COM1", "COM1:", 1603},
        {"^", "C:\\Kit^1", true, false, 1, "", "/quiet /port:COM1", "COM1:", 1603},
        {"other version, 7", kMedia, true, true, 1, "", "/quiet /port:COM2", "COM2:", 3010},
        {"other version, XP", kMedia, false, true, 0, "", "/quiet /port:COM1", "COM1:", 3010},
        {"other version, XP, USB", kMedia, false, true, 0, "", "/quiet /forcerestart /port:USB", "",
         1641},
        {"other version, XP, failure", kMedia, false, true, 0, "AddPrinterDriverA",
         "/quiet /port:COM1", "COM1:", 1603},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        winsim::Reset();
        winsim::SetVersion(row.windows7 ? winsim::kWindows7 : winsim::kWindowsXP);
        PutMedia(row.media, nullptr);
        winsim::SetCurrentDirectory("C:\\Scripts");
        if (row.otherVersion)
            AddDriverAlone();
        if (row.printui != 0)
            ScriptPrintUI(row.printui == 1);
        if (row.failing[0] != '\0')
            winsim::FailCall(row.failing, ERROR_ACCESS_DENIED);
        MachineSnapshot before = TakeSnapshot();
        ProgramRun run = RunProgram(false, row.arguments, row.media);
        EXPECT_EQ(row.code, run.code);
        EXPECT_EQ("EXIT CODE : " + std::to_string(row.code), run.log.back());
        EXPECT_TRUE(run.boxes.empty());
        EXPECT_EQ(row.code == 1641 ? 1u : 0u, run.restarts);
        bool success = row.code != 1603;
        EXPECT_EQ(success, PackageInstalled(row.port));
        EXPECT_EQ(success, winsim::KeyExists(kUninstallKey));
        EXPECT_EQ(success, winsim::Exists("C:\\WINDOWS\\QMR-640\\QMR640_Uninstaller.exe"));
        for (const winsim::Launch &printui : PrintUIStarts()) {
            EXPECT_EQ("C:\\WINDOWS\\system32", printui.workDirectory);
            std::string inf = " /f \"" + std::string(row.media) + "\\Driver32\\QMR640.inf\" ";
            EXPECT_NE(std::string::npos, printui.runCommand.find(inf)) << printui.runCommand;
            EXPECT_EQ(" /q", printui.runCommand.substr(printui.runCommand.size() - 3));
        }
        if (strpbrk(row.media, "%!^") != NULL) {
            EXPECT_TRUE(PrintUIStarts().empty());
            EXPECT_EQ(std::vector<std::string>{},
                      UnexpectedDifferences(before, TakeSnapshot(),
                                            {R"(\+ file C:\\TEMP(\\QMR-640_INSTALLER\.TXT)?)"}));
        }
    }
}

std::string Value(const char *name) {
    std::optional<winsim::RegistryValue> value = winsim::GetValue(kUninstallKey, name);
    return value ? value->data : "<missing>";
}

// Started by its full path from another folder, the installer finds its media beside itself;
// the uninstall entry's QuietUninstallString, run as given, removes everything again, all
// printers on the driver included, and leaves other products alone.
TEST(Deployment, QuietRoundTripFromAnotherFolder) {
    winsim::Reset();
    PutMedia(kMedia, "PORTDLG=TRUE\r\n"); // no port in the options file: /port: gives it
    winsim::SetCurrentDirectory("C:\\Scripts");
    AddOtherPrinter("Text printer");
    MachineSnapshot before = TakeSnapshot();

    winsim::SetProgramStart(kInstallerPath, "/quiet /norestart /port:LPT1");
    EXPECT_EQ(3010, RunInstaller());
    EXPECT_TRUE(winsim::Boxes().empty());
    EXPECT_EQ(0u, winsim::Restarts().size());
    ASSERT_EQ(2u, winsim::Printers().size());
    EXPECT_EQ("LPT1:", winsim::Printers()[0].port);
    EXPECT_TRUE(winsim::Exists("C:\\WINDOWS\\QMR-640\\QMR640_Config.KST"));
    // The run's own change of directory ended with it.
    char current[MAX_PATH] = {0};
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ("C:\\Scripts", current);
    EXPECT_EQ("3.3.0", Value("DisplayVersion"));
    EXPECT_EQ("KESTORA", Value("Publisher"));

    AddPrinterOnDriver("Kitchen");
    std::string command = Value("QuietUninstallString");
    ASSERT_EQ('"', command[0]);
    size_t close = command.find('"', 1);
    ASSERT_NE(std::string::npos, close);
    ASSERT_EQ(" /quiet", command.substr(close + 1));
    winsim::SetProgramStart(command.substr(1, close - 1), "/quiet");
    EXPECT_EQ(3010, RunUninstaller());
    EXPECT_TRUE(winsim::Boxes().empty());
    EXPECT_EQ(std::vector<std::string>{"Text printer"}, [] {
        std::vector<std::string> names;
        for (const winsim::PrinterInfo &printer : winsim::Printers())
            names.push_back(printer.name);
        return names;
    }());
    std::vector<std::string> unexpected = UnexpectedDifferences(
        before, TakeSnapshot(),
        {R"(\+ file C:\\WINDOWS\\QMR-640(\\QMR640_UNINSTALLER\.EXE|\\QMR640_CONFIG\.KST)?)",
         R"(\+ file C:\\WINDOWS\\SYSTEM32\\QMR640_CONFIG\.KST)",
         R"(\+ file C:\\TEMP(\\QMR-640_(INSTALLER|UNINSTALLER)\.TXT)?)",
         R"(\+ file C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\W32X86\\3)"});
    EXPECT_EQ(std::vector<std::string>{}, unexpected);
}

// The options file beside the program counts, not one in the current directory; /port: stands
// above it, and without a port anywhere an unattended run refuses with 87. A failed look-up at
// the start never lets the run take its files from elsewhere, and ends as its row says.
TEST(Deployment, ProgramFolderAndMissingPort) {
    for (int i = 0; i < PORT_COUNT; ++i) {
        const char *port = kPorts[i].name;
        SCOPED_TRACE(port);
        winsim::Reset();
        winsim::SetCurrentDirectory(kMedia);
        std::string other =
            std::string("PORTDLG=FALSE\r\nPORT=") + kPorts[(i + 1) % PORT_COUNT].name + "\r\n";
        PutMedia(kMedia, i % 2 == 0 ? other.c_str() : nullptr);
        bool usb = i == PORT_INDEX_USB;
        EXPECT_EQ(usb ? 0 : 3010, RunProgram(false, std::string("/quiet /port:") + port).code);
        std::vector<winsim::PrinterInfo> printers = winsim::Printers();
        EXPECT_EQ(usb ? "" : std::string(port) + ":", printers.empty() ? "" : printers[0].port);
    }

    winsim::Reset();
    PutMedia(kMedia, "PORTDLG=FALSE\r\nPORT=COM3\r\n");
    PutOptions("C:\\Scripts", "PORTDLG=FALSE\r\nPORT=LPT2\r\n");
    winsim::SetCurrentDirectory("C:\\Scripts");
    winsim::SetProgramStart(kInstallerPath, "");
    EXPECT_EQ(0, RunInstaller());
    ASSERT_EQ(1u, winsim::Printers().size());
    EXPECT_EQ("COM3:", winsim::Printers()[0].port);

    winsim::Reset();
    PutMedia(kMedia, nullptr);
    winsim::SetCurrentDirectory("C:\\Scripts");
    winsim::SetProgramStart(kInstallerPath, "-Quiet");
    EXPECT_EQ(87, RunInstaller());
    std::vector<std::string> steps = LogSteps(kInstallerLog);
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ("NO PORT : give /port:NAME or PORT in the options file.", steps[steps.size() - 2]);
    EXPECT_EQ("EXIT CODE : 87", steps.back());
    EXPECT_EQ(0, CallCount("AddPrinterDriverA"));

    const char kFolderBox[] =
        "The installer could not enter its own folder, which holds the driver files.";
    struct Row {
        const char *failing, *arguments;
        int code;
        size_t boxes;
        const char *lastLine; // before "EXIT CODE", when checked
    } rows[] = {
        {"GetModuleFileNameA", "", 0, 1, nullptr},
        {"SetCurrentDirectoryA", "/quiet", 1603, 0, kFolderBox},
        // An options file at the root of the drive, where an unchecked look-up would find one.
        {"GetCurrentDirectoryA", "/passive", 87, 0,
         "NO PORT : give /port:NAME or PORT in the options file."},
        // The DLL search cannot be locked: nothing runs that could load a planted DLL.
        {"LoadLibraryExA", "", 1603, 0, nullptr},
        {"LoadLibraryExA", "/quiet", 1603, 0, nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.failing) + " " + row.arguments);
        winsim::Reset();
        PutMedia(kMedia, "PORTDLG=FALSE\r\n");
        PutOptions("C:\\", "PORTDLG=FALSE\r\nPORT=COM2\r\n");
        winsim::SetFunctionAvailable("SetDefaultDllDirectories", false);
        winsim::SetFunctionAvailable("SetDllDirectoryA", false);
        winsim::FailCall(row.failing, ERROR_ACCESS_DENIED);
        ProgramRun run = RunProgram(false, row.arguments);
        EXPECT_EQ(row.code, run.code);
        EXPECT_TRUE(winsim::Printers().empty());
        ASSERT_EQ(row.boxes, run.boxes.size());
        EXPECT_TRUE(row.boxes == 0 || run.boxes[0].text == kFolderBox);
        if (row.lastLine == nullptr)
            continue;
        ASSERT_GE(run.log.size(), 2u);
        EXPECT_EQ(row.lastLine, run.log[run.log.size() - 2]);
        EXPECT_EQ("EXIT CODE : " + std::to_string(row.code), run.log.back());
    }
}

// A bad switch: the usage box in an interactive run, a trace line in an unattended one, and 87
// before anything else happens.
TEST(Deployment, BadSwitchEndsWith87) {
    for (bool uninstaller : {false, true}) {
        for (const char *arguments : {"/bogus", "/quiet /bogus", "/passive /port:COM9"}) {
            SCOPED_TRACE(std::string(arguments) + (uninstaller ? " uninstaller" : " installer"));
            winsim::Reset();
            winsim::SetCurrentDirectory(kMedia);
            PutMedia(kMedia);
            ProgramRun run = RunProgram(uninstaller, arguments);
            EXPECT_EQ(87, run.code);
            EXPECT_FALSE(run.dialogCreated);
            EXPECT_EQ(0, CallCount("CreateProcessA"));
            if (arguments[1] == 'b') {
                ASSERT_EQ(1u, run.boxes.size());
                EXPECT_EQ(0u, run.boxes[0].text.find("UNKNOWN SWITCH : /bogus\n\nUsage: "));
                EXPECT_EQ(!uninstaller, run.boxes[0].text.find("/port:NAME") != std::string::npos);
                EXPECT_TRUE(run.log.empty());
                continue;
            }
            EXPECT_TRUE(run.boxes.empty());
            ASSERT_EQ(2u, run.log.size());
            EXPECT_EQ(0u, run.log[0].find(uninstaller ? "UNKNOWN SWITCH : " : "UNKNOWN "));
            EXPECT_EQ("EXIT CODE : 87", run.log[1]);
        }
    }
}

// /passive closed by its user before the uninstall started: nothing removed, 1602. With a list
// that could not be filled it does not wait for a user either.
TEST(Deployment, PassiveRunClosedBeforeItsWorkIsCancelled) {
    for (bool fullList : {true, false}) {
        winsim::Reset();
        winsim::SetCurrentDirectory(kMedia);
        PutMedia(kMedia);
        AddPrinterOnDriver(kDriver);
        if (fullList)
            winsim::SetUser([](HWND dialog) { winsim::PressKey(dialog, VK_ESCAPE); });
        else
            winsim::FailCall("SendMessageA", ERROR_NOT_ENOUGH_MEMORY); // LB_ADDSTRING: no room
        ProgramRun run = RunProgram(true, "/passive");
        EXPECT_EQ(fullList ? 1602 : 3010, run.code);
        EXPECT_EQ(fullList ? 1u : 0u, winsim::Printers().size());
    }
}

} // namespace
