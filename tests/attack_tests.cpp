// The elevated programs against a user who can write only where they look: links in the Temp
// folder and in the folders they empty, a user who acts at any call of the programs, what earlier
// releases left writable, directory look-ups that fail, a second uninstall worker, and product
// names that are empty. Grouped by attack; each group applies one invariant to many runs.
#include <winspool.h>
#include <winsim_print.h>
#include <winsim_registry.h>

#include <map>
#include <regex>

#include "QMR640_Installer/KSTPOS_Installer.h"
#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"
#include "QMR640_Uninstaller/resource.h"
#include "common/file_utils.h"
#include "common/trace_log.h"
#include "removal/pnp_cleanup.h"
#include "harness.h"
#include "machine_snapshot.h"

extern const std::string kInstallerRc, kInstallerHeader, kUninstallerRc, kUninstallerHeader;

namespace {

const char kDriver[] = "KESTORA QMR-640";
const char kVictim[] = "C:\\Victim";

// What a link may point at: a folder with a file of the log's name and a program.
void PutVictim() {
    winsim::PutFile(std::string(kVictim) + "\\QMR-640_Installer.txt", "precious");
    winsim::PutFile(std::string(kVictim) + "\\victim.dll", "precious");
}

// The victim folder as it is: each path with its content.
std::map<std::string, std::string> VictimState() {
    std::map<std::string, std::string> state;
    for (const std::string &path : winsim::ListTree(kVictim))
        state[path] = winsim::FileContent(path);
    return state;
}

// The uninstaller's user: unchecks nothing, clicks Uninstall once it may, or gives up.
void UninstallAll() {
    auto idle = std::make_shared<int>(0);
    winsim::SetUser([idle](HWND dialog) {
        HWND uninstall = winsim::FindItem(dialog, IDC_UNINSTALL);
        if (uninstall == NULL || *idle < 0)
            return;
        if (winsim::IsEnabled(uninstall)) {
            *idle = -1;
            winsim::Click(uninstall);
        } else if (++*idle > 10 && winsim::IsEnabled(winsim::FindItem(dialog, IDCANCEL))) {
            *idle = -1;
            winsim::Click(winsim::FindItem(dialog, IDCANCEL));
        }
    });
}

// What an earlier release left: Everyone may do anything in the folder, and in what it holds.
void GrantEveryone(const std::string &folder) {
    winsim::MakeDirectory(folder);
    HANDLE handle = CreateFileA(folder.c_str(), WRITE_DAC, 0, NULL, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, NULL);
    SetSecurityInfo(handle, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, NULL, NULL);
    CloseHandle(handle);
}

// Whether a user may change what is in the folder.
bool UserMayWrite(const std::string &folder) {
    for (const winsim::AccessEntry &entry : winsim::DirectoryAcl(folder))
        if (entry.trustee == "S-1-1-0" && (entry.permissions & (GENERIC_ALL | GENERIC_WRITE)))
            return true;
    return false;
}

// Each call a program makes while its step runs (from the step's BEGIN line to its END line; all
// its calls without a step), as the call's function and its count; taken from two runs, one that
// lists the calls and one that reads the log's length at each.
typedef std::vector<std::pair<std::string, int>> Calls;
Calls CallsInStep(const std::function<void()> &setUp, const std::function<void()> &program,
                  const std::string &log, const std::string &step) {
    setUp();
    program();
    std::vector<std::string> calls = winsim::CallLog();
    setUp();
    size_t start = winsim::CallLog().size();
    std::vector<size_t> lengths(calls.size());
    std::vector<std::pair<std::string, int>> numbered;
    std::map<std::string, int> seen;
    for (size_t i = 0; i < calls.size(); ++i) {
        numbered.emplace_back(calls[i], ++seen[calls[i]]);
        if (i >= start)
            winsim::AtCall(calls[i], numbered[i].second,
                           [&lengths, i, log] { lengths[i] = winsim::FileContent(log).size(); });
    }
    program();
    // No step named: every call of the program.
    std::string text = winsim::FileContent(log);
    size_t begin = step.empty() ? 0 : text.find(step + " BEGIN\r\n");
    size_t end = step.empty() ? text.size() : text.find(step + " END\r\n", begin);
    Calls inside;
    for (size_t i = start; i < calls.size() && begin != std::string::npos; ++i)
        if (step.empty() || (lengths[i] > begin && lengths[i] <= end))
            inside.push_back(numbered[i]);
    return inside;
}

class Attack : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        PutMedia(kMedia);
        winsim::SetBoxAnswer(
            [](const winsim::Box &box) { return (box.flags & 0xF) == MB_YESNO ? IDNO : IDOK; });
    }
    void Reinstall() {
        winsim::Reset();
        SetUp();
    }
};

// ---- links in C:\Temp

// A link put at the log's name after the program has started (the folder's owner may delete the
// log): no line may reach what it points to.
TEST_F(Attack, LinkAtTheLogNameReceivesNothing) {
    const std::string victim = std::string(kVictim) + "\\victim.dll";
    const std::string planted = std::string(kVictim) + "\\planted.dll";
    const std::vector<std::function<void()>> links = {
        [&] { winsim::MakeSymbolicLink(kInstallerLog, victim, false); },
        [&] { winsim::MakeSymbolicLink(kInstallerLog, planted, false); },
        [&] { winsim::MakeHardLink(kInstallerLog, victim); },
        [&] { winsim::MakeJunction(kInstallerLog, kVictim); },
    };
    for (size_t i = 0; i < links.size(); ++i) {
        Reinstall();
        PutVictim();
        StartTraceLog("\\QMR-640_Installer.txt");
        TraceLog("before");
        ASSERT_TRUE(DeleteFileA(kInstallerLog));
        links[i]();
        std::map<std::string, std::string> before = VictimState();
        TraceLog("after");
        TraceSeparator();
        EXPECT_EQ(before, VictimState()) << i;
        EXPECT_FALSE(winsim::Exists(planted)) << i;
        // The next run removes the link itself and logs again.
        StartTraceLog("\\QMR-640_Installer.txt");
        TraceLog("next run");
        EXPECT_EQ(std::vector<std::string>{"next run"}, LogTexts(kInstallerLog)) << i;
        EXPECT_EQ("precious", winsim::FileContent(victim)) << i;
    }
}

// C:\Temp itself a link, made before the programs run: a whole installation and removal write
// nothing through it, and still complete.
TEST_F(Attack, TempFolderThatIsALinkGetsNoLog) {
    for (bool junction : {true, false}) {
        Reinstall();
        PutVictim();
        if (junction)
            winsim::MakeJunction("C:\\Temp", kVictim);
        else
            winsim::MakeSymbolicLink("C:\\Temp", kVictim, true);
        std::map<std::string, std::string> before = VictimState();
        AnswerPortDialog(0);
        EXPECT_EQ(0, RunInstaller());
        EXPECT_EQ(1u, winsim::Printers().size());
        UninstallAll();
        EXPECT_EQ(0, RunUninstaller());
        EXPECT_TRUE(winsim::Printers().empty());
        EXPECT_EQ(before, VictimState()) << junction;
    }
}

// The log, and C:\Temp when the program makes it, with nothing inherited.
TEST_F(Attack, NewLogIsWritableByAdministratorsAndTheSystemOnly) {
    StartTraceLog("\\QMR-640_Installer.txt");
    TraceLog("x");
    for (const char *path : {kInstallerLog, "C:\\Temp"}) {
        std::map<std::string, DWORD> rights;
        for (const winsim::AccessEntry &entry : winsim::DirectoryAcl(path))
            rights[entry.trustee] = entry.mode == SET_ACCESS && !(entry.inheritance & INHERITED_ACE)
                                        ? entry.permissions
                                        : 0;
        DWORD users = path == kInstallerLog ? GENERIC_READ : GENERIC_READ | GENERIC_EXECUTE;
        EXPECT_EQ((std::map<std::string, DWORD>{{"S-1-5-18", GENERIC_ALL},
                                                {"S-1-5-32-544", GENERIC_ALL},
                                                {"S-1-5-32-545", users}}),
                  rights)
            << path;
    }
}

// ---- links inside the folders the programs empty

// A junction and a directory link inside the model folder and the plug-and-play folders, and
// those folders themselves links: what they point to survives an installation over them and a
// removal; the links inside go.
TEST_F(Attack, LinksInFoldersThatAreEmptiedLeaveTheirTargets) {
    const std::string model = "C:\\WINDOWS\\QMR-640";
    const std::string pnp =
        winsim::DriverDirectory(winsim::kEnvironmentX86) + "\\haldeen_qmr_640cd6c";
    std::vector<std::string> links;
    auto plant = [&links](const std::string &folder) {
        winsim::PutFile(folder + "\\old.txt", "old");
        winsim::MakeJunction(folder + "\\Junction", kVictim);
        winsim::MakeSymbolicLink(folder + "\\Linked", kVictim, true);
        winsim::MakeSymbolicLink(folder + "\\linked.dll", std::string(kVictim) + "\\victim.dll",
                                 false);
        links.insert(links.end(),
                     {folder + "\\Junction", folder + "\\Linked", folder + "\\linked.dll"});
    };
    for (int round = 0; round < 3; ++round) {
        Reinstall();
        PutVictim();
        links.clear();
        if (round < 2) {
            plant(model);
            plant(pnp);
        } else {
            winsim::MakeJunction(model, kVictim); // replaced by a folder of its own
            winsim::MakeJunction(pnp, kVictim);   // removed as a link, never entered
            links.push_back(pnp);
        }
        std::map<std::string, std::string> before = VictimState();
        AnswerPortDialog(0);
        EXPECT_EQ(0, RunInstaller()) << round;
        if (round == 1) {
            // The removal empties the plug-and-play folders again, around new links.
            plant(pnp);
            UninstallAll();
            EXPECT_EQ(0, RunUninstaller()) << round;
            EXPECT_FALSE(winsim::Exists(pnp)) << round;
        }
        if (round == 2) {
            EXPECT_EQ(0u, winsim::Attributes(model) & FILE_ATTRIBUTE_REPARSE_POINT);
        }
        EXPECT_EQ(before, VictimState()) << round;
        for (const std::string &link : links)
            EXPECT_FALSE(winsim::Exists(link)) << link;
    }
}

// A model folder that stays (a file in it is in use) loses the DACL an earlier release gave it.
TEST_F(Attack, ModelFolderThatStaysGetsTheIntendedDacl) {
    const std::string model = "C:\\WINDOWS\\QMR-640";
    GrantEveryone(model);
    winsim::PutFile(model + "\\busy.dll", "in use");
    winsim::SetLocked(model + "\\busy.dll", true);
    ASSERT_TRUE(UserMayWrite(model));
    EXPECT_FALSE(CreateDirectoryWithSA(model));
    std::vector<winsim::AccessEntry> acl = winsim::DirectoryAcl(model);
    ASSERT_EQ(1u, acl.size());
    EXPECT_EQ("S-1-1-0", acl[0].trustee);
    EXPECT_EQ(DWORD(GENERIC_READ | GENERIC_EXECUTE), acl[0].permissions);
}

// ---- a user who acts at any call, on what earlier releases left writable

const char kModel[] = "C:\\WINDOWS\\QMR-640";

// At each call of the deletion of that folder, the user moves a folder in it away and puts a
// junction to another place in its stead: nothing there is deleted.
TEST_F(Attack, JunctionSwappedInDuringADeletionLeadsNowhere) {
    const std::string sub = std::string(kModel) + "\\Sub", deeper = sub + "\\Deeper";
    auto setUp = [&] {
        Reinstall();
        PutVictim();
        GrantEveryone(kModel);
        winsim::PutFile(deeper + "\\x.dll", "x");
        winsim::PutFile(sub + "\\y.dll", "y");
    };
    auto run = [] {
        AnswerPortDialog(0);
        RunInstaller();
    };
    Calls calls = CallsInStep(setUp, run, kInstallerLog, "CreateDirectoryWithSA");
    EXPECT_LT(20u, calls.size());
    for (const auto &call : calls) {
        setUp();
        std::map<std::string, std::string> before = VictimState();
        winsim::AtCall(call.first, call.second, [&] {
            for (const std::string &folder : {deeper, sub})
                if (UserMayWrite(kModel) && winsim::Move(folder, folder + "~"))
                    winsim::MakeJunction(folder, kVictim);
        });
        run();
        EXPECT_EQ(before, VictimState()) << call.first << " #" << call.second;
    }
}

// C:\Temp made by a user who hands everyone everything in it. At each call of starting the log and
// writing to it, the user moves the log out and makes the folder a mount point, or puts a file or
// a link of their own at the log's name: nothing elsewhere changes, and the log the program
// writes is its own, with a DACL that takes nothing from the folder.
TEST_F(Attack, UserRacingTheTraceLogReachesNothing) {
    const std::string victim = std::string(kVictim) + "\\victim.dll";
    const std::vector<std::function<void()>> swaps = {
        [] { winsim::MakeJunction("C:\\Temp", kVictim); },
        [] { winsim::PutFile(kInstallerLog, "forged"); },
        [&] { winsim::MakeSymbolicLink(kInstallerLog, victim, false); },
    };
    auto setUp = [this] {
        Reinstall();
        PutVictim();
        GrantEveryone("C:\\Temp");
        winsim::MakeDirectory("C:\\Stash");
    };
    auto program = [] {
        RunInInstaller([] {
            StartTraceLog("\\QMR-640_Installer.txt");
            TraceLog("one");
            TraceLog("two");
        });
    };
    Calls calls = CallsInStep(setUp, program, kInstallerLog, "");
    EXPECT_LT(20u, calls.size());
    for (const std::function<void()> &swap : swaps) {
        for (const auto &call : calls) {
            setUp();
            std::map<std::string, std::string> before = VictimState();
            // The user owns the folder: the log's name is free once the log is moved out.
            winsim::AtCall(call.first, call.second, [&] {
                winsim::Move(kInstallerLog, "C:\\Stash\\log");
                if (!winsim::Exists(kInstallerLog))
                    swap();
            });
            program();
            std::string where = call.first + " #" + std::to_string(call.second);
            EXPECT_EQ(before, VictimState()) << where;
            // The user's file may take the name after the last line; no line goes into it.
            std::string log = winsim::FileContent(kInstallerLog);
            EXPECT_TRUE(log == "forged" || log.find("forged") == std::string::npos) << where;
            for (const winsim::AccessEntry &entry : winsim::DirectoryAcl(kInstallerLog))
                EXPECT_TRUE(entry.trustee != "S-1-1-0" && !(entry.inheritance & INHERITED_ACE));
        }
    }
}

// The enumeration keys with the Everyone grant of an earlier release, and a registry link to a
// key of another product that the user put among them before the run or at any call of their
// deletion, on 32-bit Windows and under WOW64: the other product's key stays, and the
// enumeration key goes whole.
TEST_F(Attack, EnumerationKeysLeftWritableGoWithoutFollowingLinks) {
    const std::string key = "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\HALDEEN_QMR-640";
    const std::string other = "HKLM\\SOFTWARE\\Other";
    auto writable = [&key] {
        for (const winsim::AccessEntry &entry : winsim::KeyAcl(key))
            if (entry.trustee == "S-1-1-0")
                return true;
        return false;
    };
    for (BOOL wow64 : {FALSE, TRUE}) {
        auto setUp = [&] {
            Reinstall();
            winsim::SetWow64(wow64 != FALSE);
            winsim::PutValue(other + "\\Sub", "Kept", REG_SZ, "yes");
            std::vector<winsim::AccessEntry> acl;
            for (const char *sid : {"S-1-5-18", "S-1-5-32-544", "S-1-1-0"})
                acl.push_back({sid, KEY_ALL_ACCESS, GRANT_ACCESS, CONTAINER_INHERIT_ACE});
            winsim::SetKeyAcl(key, acl);
            winsim::PutKey(key + "\\7&1\\Device Parameters");
            winsim::MakeRegistryLink(key + "\\7&1\\Link", other);
        };
        auto program = [wow64] {
            RunInInstaller([wow64] {
                StartTraceLog("\\QMR-640_Installer.txt");
                StatusText status;
                Delete_LPT_USB_Info({wow64, 2010, &status, NULL}, STATUS_QUIET);
            });
        };
        Calls calls = CallsInStep(setUp, program, kInstallerLog, "Delete_LPT_USB_Info");
        EXPECT_LT(10u, calls.size());
        for (const auto &call : calls) {
            setUp();
            winsim::AtCall(call.first, call.second, [&] {
                if (writable())
                    winsim::MakeRegistryLink(key + "\\Late", other);
            });
            program();
            std::string where = call.first + " #" + std::to_string(call.second);
            EXPECT_TRUE(winsim::GetValue(other + "\\Sub", "Kept").has_value()) << wow64 << where;
            EXPECT_FALSE(winsim::KeyExists(key)) << wow64 << where;
        }
    }
}

// The uninstall entry names no program but the package's uninstaller, in a folder users cannot
// change.
bool NamesOnlyOwnUninstaller() {
    for (const char *name : {"UninstallString", "QuietUninstallString"}) {
        std::optional<winsim::RegistryValue> command = winsim::GetValue(
            "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KESTORA_QMR-640", name);
        std::string path = !command ? "" : command->data;
        path = path.empty() || path[0] != '"' ? path : path.substr(1, path.find('"', 1) - 1);
        if (command && (winsim::FileContent(path) != "MZ uninstaller program" ||
                        UserMayWrite(path.substr(0, path.rfind('\\')))))
            return false;
    }
    return true;
}

// The user's program at the uninstaller's name in the model folder of an earlier release, held
// open without sharing, sharing write, or not held; and swapped in again at each call of the
// copy: the entry never names a program the user could have put there, and a run that could not
// place the uninstaller says so.
TEST_F(Attack, UserNeverGetsAProgramRegisteredAsTheUninstaller) {
    const std::string planted = std::string(kModel) + "\\QMR640_Uninstaller.exe";
    auto run = [] {
        winsim::SetProgramStart(std::string(kMedia) + "\\QMR640_Installer.exe", "/quiet");
        return RunInstaller();
    };
    for (int hold : {0, FILE_SHARE_READ | FILE_SHARE_WRITE, -1}) {
        auto setUp = [&] {
            Reinstall();
            GrantEveryone(kModel);
            winsim::PutFile(planted, "MZ user program");
            winsim::SetHeldOpen(planted, hold >= 0, DWORD(hold));
        };
        setUp();
        EXPECT_EQ(hold >= 0 ? 1603 : 3010, run()) << hold;
        EXPECT_TRUE(NamesOnlyOwnUninstaller()) << hold;
        Calls calls = CallsInStep(setUp, run, kInstallerLog, "CopyFilesOfUtilities");
        EXPECT_LT(20u, calls.size());
        for (const auto &call : calls) {
            setUp();
            winsim::AtCall(call.first, call.second, [&] {
                if (UserMayWrite(kModel) && winsim::Move(planted, planted + ".mine"))
                    winsim::PutFile(planted, "MZ user program");
            });
            int code = run();
            EXPECT_TRUE(NamesOnlyOwnUninstaller()) << hold << " " << call.first << call.second;
            EXPECT_TRUE(code == 3010 || code == 1603) << code;
        }
    }
}

// ---- directory look-ups that fail

// Each of the four look-ups failing for a whole installation and removal: nothing at the root of
// the current drive is touched, and the uninstall entry names no program there.
TEST_F(Attack, FailedDirectoryLookUpsNeverReachTheDriveRoot) {
    const char *const decoys[] = {"C:\\3\\QMR640.dll",
                                  "C:\\PRO640.dll",
                                  "C:\\QMR640.dll",
                                  "C:\\MON640.dll",
                                  "C:\\QMR-640\\QMR640_Config.KST",
                                  "C:\\QMR-640\\QMR640_Uninstaller.exe"};
    for (const char *function : {"GetPrinterDriverDirectoryA", "GetPrintProcessorDirectoryA",
                                 "GetWindowsDirectoryA", "GetSystemDirectoryA"}) {
        for (bool uninstall : {false, true}) {
            Reinstall();
            for (const char *decoy : decoys)
                winsim::PutFile(decoy, "decoy");
            AnswerPortDialog(0);
            if (uninstall) {
                ASSERT_EQ(0, RunInstaller());
            }
            winsim::FailCall(function, ERROR_ACCESS_DENIED);
            MachineSnapshot before = TakeSnapshot();
            if (uninstall) {
                UninstallAll();
                EXPECT_EQ(0, RunUninstaller()) << function;
            } else {
                EXPECT_EQ(0, RunInstaller()) << function;
            }
            EXPECT_FALSE(winsim::LastProcessHung()) << function;
            EXPECT_EQ(std::vector<std::string>{},
                      UnexpectedDifferences(before, TakeSnapshot(),
                                            {R"([-~+] (reg|print) .*)",
                                             R"([-~+] file C:\\(WINDOWS|TEMP|MEDIA)(\\.*)?)"}))
                << function << (uninstall ? " uninstall" : " install");
            std::optional<winsim::RegistryValue> command =
                winsim::GetValue("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                 "KESTORA_QMR-640",
                                 "UninstallString");
            if (command.has_value()) {
                EXPECT_EQ(0u, command->data.find("C:\\WINDOWS\\")) << function;
            }
        }
    }
}

// ---- a second uninstall worker

// While the worker runs, the user toggles a check box (which re-enables Uninstall in the list's
// handler), clicks Uninstall, double-clicks it, presses Enter and the space bar on it: one worker
// only, and no printer is deleted twice.
TEST_F(Attack, UninstallStartsOneWorkerWhateverTheUserDoes) {
    AnswerPortDialog(0);
    ASSERT_EQ(0, RunInstaller());
    winsim::PrinterInfo kitchen;
    kitchen.name = "Kitchen";
    kitchen.driver = kDriver;
    winsim::AddPrinter(kitchen);
    int threadsBefore = CallCount("CreateThread");
    auto step = std::make_shared<int>(0);
    winsim::SetUser([step](HWND dialog) {
        HWND list = winsim::FindItem(dialog, IDC_PRINTER_LIST);
        HWND uninstall = winsim::FindItem(dialog, IDC_UNINSTALL);
        if (*step == 0 && !winsim::IsEnabled(uninstall))
            return;
        switch ((*step)++ % 4) {
        case 0:
            winsim::Click(uninstall);
            winsim::Click(uninstall); // a double click, queued before the first is handled
            break;
        case 1:
            winsim::ClickListCheckBox(list, 0);
            winsim::ClickListCheckBox(list, 0);
            break;
        case 2:
            winsim::PressKey(dialog, VK_RETURN);
            break;
        default:
            winsim::TypeChar(uninstall, ' ');
            break;
        }
    });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_GT(*step, 4); // the user kept at it while the worker ran
    EXPECT_EQ(1, CallCount("CreateThread") - threadsBefore);
    std::vector<std::string> steps = LogSteps(kUninstallerLog);
    EXPECT_EQ(1, std::count(steps.begin(), steps.end(), "RemovePrinterObjects BEGIN"));
    // The checks the worker read depend on when it read them; no printer goes twice.
    for (const char *printer : {kDriver, "Kitchen"})
        EXPECT_GE(1,
                  std::count(steps.begin(), steps.end(), std::string("OBJECT NAME : ") + printer));
}

// ---- empty product names

// The program's module with one profile string emptied.
HINSTANCE EmptiedModule(bool installer, UINT id) {
    const std::string &rc = installer ? kInstallerRc : kUninstallerRc;
    const std::string &header = installer ? kInstallerHeader : kUninstallerHeader;
    std::smatch define;
    std::regex pattern("#define (IDS_\\w+) " + std::to_string(id) + "\\b");
    if (!std::regex_search(header, define, pattern))
        return NULL;
    std::string emptied = std::regex_replace(
        rc, std::regex("(\\n\\s*" + define[1].str() + ")\\s+\"[^\"]*\""), "$1 \"\"");
    return winsim::RegisterModule(std::string(installer ? "installer" : "uninstaller") +
                                      " without " + define[1].str(),
                                  emptied, header);
}

// Every key's DACL, by path.
void CollectAcls(const std::string &path, std::map<std::string, std::string> &acls) {
    std::string text;
    for (const winsim::AccessEntry &entry : winsim::KeyAcl(path))
        text += entry.trustee + ":" + std::to_string(entry.permissions) + ":" +
                std::to_string(entry.mode) + ":" + std::to_string(entry.inheritance) + ";";
    acls[path] = text;
    for (const std::string &sub : winsim::SubKeys(path))
        CollectAcls(path + "\\" + sub, acls);
}

std::map<std::string, std::string> KeyAcls() {
    std::map<std::string, std::string> acls;
    for (const char *root : {"HKLM", "HKCU", "HKCR", "HKU"})
        CollectAcls(root, acls);
    return acls;
}

// Each profile id emptied in turn, in the installer and in the uninstaller: nothing that was there
// before and is not the package's may go or change, and no key that stays changes its DACL.
TEST_F(Attack, EmptyProfileStringsTouchNothingButThePackage) {
    auto others = [] {
        AddOtherPrinter("Text printer");
        winsim::AddForm("Receipt 58");
        winsim::PutKey("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Local Port");
        winsim::PutKey("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\"
                       "Windows NT x86\\Print Processors\\winprint");
        winsim::PutKey("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\OTHER");
        winsim::PutKey("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\OTHER");
        winsim::PutFile("C:\\WINDOWS\\other.dll", "other");
        winsim::PutFile(winsim::DriverDirectory(winsim::kEnvironmentX86) + "\\3\\other.dll", "o");
    };
    // The package: what a complete installation adds.
    Reinstall();
    others();
    MachineSnapshot clean = TakeSnapshot();
    AnswerPortDialog(0);
    ASSERT_EQ(0, RunInstaller());
    MachineSnapshot installed = TakeSnapshot();
    auto outsidePackage = [&](const MachineSnapshot &before, const MachineSnapshot &after) {
        std::vector<std::string> problems;
        for (const std::string &difference : SnapshotDifferences(before, after)) {
            std::string key = difference.substr(2);
            bool package = clean.count(key) == 0 && installed.count(key) != 0;
            bool log = key.find("C:\\TEMP") != std::string::npos;
            if (difference[0] != '+' && !package && !log)
                problems.push_back(difference);
        }
        return problems;
    };
    int runs = 0;
    for (bool installer : {true, false}) {
        for (UINT id = 1; id <= 29; ++id) {
            HINSTANCE module = EmptiedModule(installer, id);
            if (module == NULL)
                continue;
            Reinstall();
            others();
            AnswerPortDialog(0);
            if (!installer) {
                ASSERT_EQ(0, RunInstaller());
            }
            MachineSnapshot before = TakeSnapshot();
            std::map<std::string, std::string> aclsBefore = KeyAcls();
            if (installer) {
                AnswerPortDialog(0);
                winsim::RunProcess(module, [] { CKSTPOS_InstallerApp().InitInstance(); });
            } else {
                UninstallAll();
                winsim::RunProcess(module, [] { CKSTPOS_UninstallerApp().InitInstance(); });
            }
            ++runs;
            std::string name =
                (installer ? "installer id " : "uninstaller id ") + std::to_string(id);
            EXPECT_FALSE(winsim::LastProcessHung()) << name;
            EXPECT_EQ(std::vector<std::string>{}, outsidePackage(before, TakeSnapshot())) << name;
            std::vector<std::string> changedAcls;
            for (const auto &acl : KeyAcls()) {
                auto old = aclsBefore.find(acl.first);
                if (old != aclsBefore.end() && old->second != acl.second)
                    changedAcls.push_back(acl.first);
            }
            EXPECT_EQ(std::vector<std::string>{}, changedAcls) << name;
        }
    }
    EXPECT_EQ(27 + 23, runs); // ids 1 to 29 and 1 to 25 without 10 and 19
}

} // namespace
