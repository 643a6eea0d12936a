// The uninstaller: its printer list, the uninstall sequence and the round trip with the installer.
#include <winspool.h>
#include <winsim_print.h>
#include <winsim_registry.h>

#include <algorithm>

#include "QMR640_Uninstaller/resource.h"
#include "QMR640_Uninstaller/uninstall_choice.h"
#include "common/profile.h"
#include "harness.h"
#include "machine_snapshot.h"

namespace {

const char kCaption[] = "KESTORA QMR-640 Uninstaller";
const char kDriver[] = "KESTORA QMR-640";
const char kUninstallKey[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                             "KESTORA_QMR-640";
const char kCompleted[] = "The uninstallation has been completed.";

bool Contains(const std::vector<std::string> &lines, const std::string &line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A user at the uninstaller: once the list is shown, act is called once on the dialog thread.
void WhenListed(std::function<void(HWND dialog, HWND list)> act) {
    auto done = std::make_shared<bool>(false);
    winsim::SetUser([act, done](HWND dialog) {
        if (*done || winsim::WindowText(dialog) != kCaption)
            return;
        HWND list = winsim::FindItem(dialog, IDC_PRINTER_LIST);
        if (winsim::ListItems(list).empty())
            return;
        *done = true;
        act(dialog, list);
    });
}

class Uninstaller : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        PutMedia(kMedia);
        winsim::SetBoxAnswer([this](const winsim::Box &box) {
            return (box.flags & 0xF) == MB_YESNO ? restartAnswer : IDOK;
        });
    }
    // An installation of the package on COM1, and a second printer on its driver.
    void Install() {
        ASSERT_EQ(0, RunInstaller());
        winsim::PrinterInfo kitchen;
        kitchen.name = "Kitchen";
        kitchen.driver = kDriver;
        kitchen.processor = "KST PRINT PROCESSOR QMR640";
        winsim::AddPrinter(kitchen);
        AddOtherPrinter("Lookalike");
        boxesBefore = winsim::Boxes().size();
    }
    static std::vector<std::string> PrinterNames() {
        std::vector<std::string> names;
        for (const winsim::PrinterInfo &printer : winsim::Printers())
            names.push_back(printer.name);
        return names;
    }
    std::vector<winsim::Box> NewBoxes() const {
        std::vector<winsim::Box> all = winsim::Boxes();
        return std::vector<winsim::Box>(all.begin() + long(boxesBefore), all.end());
    }
    static HWND Dialog() { return winsim::FindDialog(kCaption); }
    int restartAnswer = IDNO;
    size_t boxesBefore = 0;
};

TEST_F(Uninstaller, ListsThePrintersOnTheDriverCheckedAndSorted) {
    Install();
    std::vector<winsim::ListItem> shown;
    std::vector<bool> enabled;
    int stage = 0;
    WhenListed([&](HWND dialog, HWND list) {
        shown = winsim::ListItems(list);
        HWND uninstall = winsim::FindItem(dialog, IDC_UNINSTALL);
        enabled.push_back(winsim::IsEnabled(uninstall));
        winsim::ClickListCheckBox(list, 0);
        winsim::ClickListCheckBox(list, 1);
        // The clicks are handled once this call returns; look again from a later call.
        winsim::SetUser([&enabled, &stage, list, uninstall, dialog](HWND) {
            if (stage == 0) {
                enabled.push_back(winsim::IsEnabled(uninstall));
                winsim::TypeChar(list, ' ');
                stage = 1;
            } else if (stage == 1) {
                enabled.push_back(winsim::IsEnabled(uninstall));
                stage = 2;
                winsim::Click(winsim::FindItem(dialog, IDCANCEL));
            }
        });
    });
    EXPECT_EQ(0, RunUninstaller());
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ(kDriver, shown[0].text);
    EXPECT_EQ("Kitchen", shown[1].text);
    EXPECT_EQ(1, shown[0].data);
    EXPECT_EQ(1, shown[1].data);
    EXPECT_EQ((std::vector<bool>{true, false, true}), enabled);
    std::vector<std::string> steps = LogSteps(kUninstallerLog);
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"AddPrinterObjectsToList BEGIN",
                                        "The number of printer-objects : 2",
                                        "AddPrinterObjectsToList END"}),
              std::vector<std::string>(steps.end() - 3, steps.end()));
    EXPECT_EQ(3u, winsim::Printers().size());
}

TEST_F(Uninstaller, EnterUninstallsOnlyWhileTheButtonIsEnabled) {
    Install();
    bool once = false;
    WhenListed([&once](HWND dialog, HWND list) {
        winsim::ClickListCheckBox(list, 0);
        winsim::ClickListCheckBox(list, 1);
        winsim::PressKey(dialog, VK_RETURN); // disabled: nothing
        winsim::SetUser([dialog, &once](HWND) {
            if (once)
                return;
            once = true;
            winsim::Click(winsim::FindItem(dialog, IDCANCEL));
        });
    });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_EQ(3u, winsim::Printers().size());

    WhenListed([](HWND dialog, HWND) { winsim::PressKey(dialog, VK_RETURN); });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_EQ(std::vector<std::string>{"Lookalike"}, PrinterNames());
}

TEST_F(Uninstaller, AllPrintersChosenRemovesThePackageAndAsks) {
    Install();
    MachineSnapshot before = TakeSnapshot();
    WhenListed([](HWND dialog, HWND) { winsim::Click(winsim::FindItem(dialog, IDC_UNINSTALL)); });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_EQ(std::vector<std::string>{"Lookalike"}, PrinterNames());
    EXPECT_FALSE(winsim::KeyExists(kUninstallKey));
    std::vector<winsim::Box> boxes = NewBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Restart the computer can take effect.\nPlease restart the computer.\n\n[Yes] I "
              "want to restart my computer now.\n[No] I will restart my computer later.",
              boxes[0].text);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), boxes[0].flags);
    EXPECT_TRUE(winsim::Restarts().empty());
    std::vector<std::string> steps = LogSteps(kUninstallerLog);
    EXPECT_TRUE(Contains(steps, "OBJECT NAME : KESTORA QMR-640"));
    EXPECT_TRUE(Contains(steps, "OBJECT NAME : Kitchen"));
    EXPECT_TRUE(Contains(steps, "DeleteDriverComponent BEGIN"));
    EXPECT_FALSE(Contains(steps, "RemoveFromOS BEGIN"));
    EXPECT_TRUE(Contains(steps, "DeleteUninstallInfoFromReg END"));
    // The printers go in the reverse of the list's order.
    EXPECT_LT(std::find(steps.begin(), steps.end(), "OBJECT NAME : Kitchen"),
              std::find(steps.begin(), steps.end(), "OBJECT NAME : KESTORA QMR-640"));
    std::vector<int> positions = winsim::ProgressHistory(winsim::FindItem(Dialog(), IDC_PROGRESS));
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(10, positions[0]);
    EXPECT_EQ(100, positions.back());
    for (size_t i = 1; i + 1 < positions.size(); ++i)
        EXPECT_TRUE(positions[i] == positions[i - 1] + 10 || positions[i] == 100) << i;
    EXPECT_EQ(kCompleted, winsim::TextHistory(winsim::FindItem(Dialog(), IDC_STATUS)).back());
    std::vector<std::string> unexpected = UnexpectedDifferences(
        before, TakeSnapshot(),
        {R"(- print printer (KESTORA QMR-640|Kitchen) \|.*)",
         R"(- print driver [^|]* \| KESTORA QMR-640 \|.*)",
         R"(- print monitor KST Language Monitor QMR640 \|.*)",
         R"(- print processor [^|]* \| KST PRINT PROCESSOR QMR640 \|.*)",
         R"(- file C:\\WINDOWS\\INF\\OEM\d+\.(INF|PNF))",
         R"(- file .*\\(MON640\.DLL|PRO640\.DLL|QMR640\.DLL|UI640\.DLL|UNI640\.DLL|QMR640\.GPD|QMR640\.BUD|UI640\.INI))",
         R"(- file C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\W32X86\\3\\.*)",
         R"(- reg HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KESTORA_QMR-640.*)",
         R"(- reg HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\.*(QMR640|QMR-640|Kitchen).*)",
         R"([~+] file C:\\TEMP\\QMR-640_UNINSTALLER\.TXT)"});
    EXPECT_EQ(std::vector<std::string>{}, unexpected);
}

TEST_F(Uninstaller, YesRestartsAfterTheCompletionText) {
    Install();
    restartAnswer = IDYES;
    WhenListed([](HWND dialog, HWND) { winsim::Click(winsim::FindItem(dialog, IDC_UNINSTALL)); });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_EQ(1u, winsim::Restarts().size());
    EXPECT_EQ(1000u, winsim::Pauses().back().ms);
}

TEST_F(Uninstaller, SomePrintersChosenDeletesOnlyThose) {
    Install();
    bool once = false;
    WhenListed([&once](HWND dialog, HWND list) {
        winsim::ClickListCheckBox(list, 0); // the first printer stays
        winsim::SetUser([dialog, &once](HWND) {
            if (!once) {
                once = true;
                winsim::Click(winsim::FindItem(dialog, IDC_UNINSTALL));
            }
        });
    });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_EQ((std::vector<std::string>{kDriver, "Lookalike"}), PrinterNames());
    EXPECT_TRUE(winsim::KeyExists(kUninstallKey));
    EXPECT_EQ(2u, winsim::Drivers(winsim::kEnvironmentX86).size());
    EXPECT_TRUE(NewBoxes().empty());
    std::vector<std::string> steps = LogSteps(kUninstallerLog);
    EXPECT_FALSE(Contains(steps, "DeleteForms BEGIN"));
    EXPECT_EQ("RemovePrinterObjects END", steps.back());
    EXPECT_EQ(2000u, winsim::Pauses().back().ms);
    EXPECT_EQ((std::vector<int>{10, 100}),
              winsim::ProgressHistory(winsim::FindItem(Dialog(), IDC_PROGRESS)));
}

TEST_F(Uninstaller, DriverWithoutPrintersIsRemovedWithoutAClick) {
    winsim::DriverInfo driver;
    driver.name = kDriver;
    winsim::AddDriver(driver);
    winsim::PutValue(kUninstallKey, "DisplayName", REG_SZ, "old entry");
    bool cancelEnabledWhileBusy = true;
    winsim::SetBoxAnswer([&](const winsim::Box &) {
        cancelEnabledWhileBusy = winsim::IsEnabled(winsim::FindItem(Dialog(), IDCANCEL));
        return IDNO;
    });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_FALSE(cancelEnabledWhileBusy);
    EXPECT_TRUE(winsim::ListItems(winsim::FindItem(Dialog(), IDC_PRINTER_LIST)).empty());
    EXPECT_TRUE(winsim::Drivers(winsim::kEnvironmentX86).empty());
    EXPECT_FALSE(winsim::KeyExists(kUninstallKey));
    std::vector<std::string> steps = LogSteps(kUninstallerLog);
    EXPECT_FALSE(Contains(steps, "RemovePrinterObjects BEGIN"));
    EXPECT_TRUE(Contains(steps, "KESTORA QMR-640 PRINTER DRIVER EXISTS."));
    EXPECT_EQ(1u, winsim::Boxes().size());
}

// A driver whose name differs only in letter case is not the product's.
TEST_F(Uninstaller, NothingPresentSaysSoAndRemovesTheStaleEntry) {
    winsim::PutValue(kUninstallKey, "DisplayName", REG_SZ, "stale");
    winsim::DriverInfo lookalike;
    lookalike.name = "kestora qmr-640";
    winsim::AddDriver(lookalike);
    EXPECT_EQ(0, RunUninstaller());
    ASSERT_EQ(1u, winsim::Boxes().size());
    EXPECT_EQ("The QMR-640 driver does not exist on this system.", winsim::Boxes()[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), winsim::Boxes()[0].flags);
    EXPECT_FALSE(winsim::KeyExists(kUninstallKey));
    EXPECT_EQ(0, CallCount("CreateThread"));
    EXPECT_TRUE(winsim::Launches().empty()); // the spooler runs: no "net start spooler"
    EXPECT_EQ("DeleteUninstallInfoFromReg END", LogSteps(kUninstallerLog).back());
}

// The listing that fails starts the spooler and tries once more before its box.
TEST_F(Uninstaller, FailedEnumerationEndsWithNothingRemoved) {
    Install();
    winsim::FailCall("EnumPrintersA", ERROR_ACCESS_DENIED);
    MachineSnapshot before = TakeSnapshot();
    size_t launches = winsim::Launches().size();
    EXPECT_EQ(0, RunUninstaller());
    ASSERT_EQ(launches + 1, winsim::Launches().size());
    EXPECT_EQ(kNetStartSpooler, winsim::Launches().back().commandLine);
    ASSERT_EQ(1u, NewBoxes().size());
    EXPECT_EQ("EnumPrinters Error Code: 5\n\nAccess is denied.\r\n", NewBoxes()[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), NewBoxes()[0].flags);
    EXPECT_EQ(std::vector<std::string>{},
              UnexpectedDifferences(before, TakeSnapshot(),
                                    {R"([~+] file C:\\TEMP\\QMR-640_UNINSTALLER\.TXT)"}));
}

// The choice the runs above take, row by row: printers found, driver present, unattended.
TEST(UninstallChoiceTable, EachFindingGivesItsChoice) {
    const struct {
        int printers;
        bool driver, unattended;
        UninstallChoice choice;
    } rows[] = {{-1, true, true, UNINSTALL_END},
                {-1, false, false, UNINSTALL_END},
                {0, false, false, UNINSTALL_NOTHING_THERE},
                {0, false, true, UNINSTALL_NOTHING_THERE},
                {0, true, false, UNINSTALL_DRIVER_AT_ONCE},
                {0, true, true, UNINSTALL_DRIVER_AT_ONCE},
                {2, false, false, UNINSTALL_ASK},
                {1, true, true, UNINSTALL_ALL_LISTED}};
    for (const auto &row : rows)
        EXPECT_EQ(row.choice, ChooseUninstall(row.printers, row.driver, row.unattended))
            << row.printers << " printers, driver " << row.driver << ", unattended "
            << row.unattended;
}

TEST_F(Uninstaller, EscapeIsSwallowedAndCloseRemovedWhileBusy) {
    Install();
    HWND dialog = NULL;
    winsim::SetBoxAnswer([&](const winsim::Box &) {
        // The worker waits in the restart question; the dialog thread is free meanwhile.
        dialog = Dialog();
        winsim::PressKey(dialog, VK_ESCAPE);
        return IDNO;
    });
    WhenListed([](HWND d, HWND) { winsim::Click(winsim::FindItem(d, IDC_UNINSTALL)); });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_FALSE(winsim::HasCloseCommand(dialog));
    for (const winsim::Delivered &d : winsim::DeliveredMessages())
        EXPECT_FALSE(d.window == dialog && d.message == WM_COMMAND && LOWORD(d.wParam) == IDCANCEL);
}

// The Close box, Alt+F4, Escape, Enter, clicks on the list and a queued click on Cancel all
// through the uninstallation change nothing: the machine, the log and the boxes are those of an
// undisturbed run.
TEST_F(Uninstaller, UserHandsOnTheBusyDialogChangeNothing) {
    Install();
    WhenListed([](HWND dialog, HWND) { winsim::Click(winsim::FindItem(dialog, IDC_UNINSTALL)); });
    ASSERT_EQ(0, RunUninstaller());
    MachineSnapshot undisturbed = TakeSnapshot();
    std::vector<std::string> log = LogSteps(kUninstallerLog);
    std::vector<winsim::Box> boxes = NewBoxes();

    SetUp();
    Install();
    std::shared_ptr<int> actions =
        PesterBusyDialog(kCaption, IDC_PROGRESS, IDC_PRINTER_LIST, [](HWND dialog) {
            HWND uninstall = winsim::FindItem(dialog, IDC_UNINSTALL);
            if (!winsim::IsEnabled(uninstall))
                return false; // not listed yet
            winsim::Click(uninstall);
            // A click on Cancel that came before the button was disabled.
            HWND cancel = winsim::FindItem(dialog, IDCANCEL);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)cancel);
            return true;
        });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_GE(*actions, 6); // every kind of action
    EXPECT_EQ(log, LogSteps(kUninstallerLog));
    EXPECT_EQ(boxes.size(), NewBoxes().size());
    EXPECT_EQ(std::vector<std::string>{},
              UnexpectedDifferences(undisturbed, TakeSnapshot(),
                                    {R"(~ file C:\\TEMP\\QMR-640_UNINSTALLER\.TXT)"}));
    EXPECT_FALSE(winsim::IsEnabled(winsim::FindItem(Dialog(), IDC_UNINSTALL)));
    EXPECT_FALSE(winsim::HasCloseCommand(Dialog()));
}

TEST_F(Uninstaller, MinimisedDialogPaintsItsIcon) {
    Install();
    int stage = 0;
    winsim::SetUser([&stage](HWND dialog) {
        if (stage == 0) {
            winsim::SetMinimized(dialog, true);
            PostMessageA(dialog, WM_PAINT, 0, 0);
        } else if (stage == 1) {
            winsim::SetMinimized(dialog, false);
            PostMessageA(dialog, WM_PAINT, 0, 0);
        } else if (stage == 2) {
            winsim::Click(winsim::FindItem(dialog, IDCANCEL));
        }
        ++stage;
    });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_EQ(1, CallCount("DrawIcon")); // only while minimised
}

// Shared routines read ids 1 to 20 by one number in both programs.
TEST_F(Uninstaller, BothProfilesAgreeOnTheSharedIds) {
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
    EXPECT_EQ("Vid_7A3C&Pid_0002", installer[IDS_USB_HARDWARE_ID - 1]);
    std::string maker;
    winsim::RunProcess(UninstallerModule(), [&] { maker = LoadProfileString(IDS_MAKER_NAME); });
    EXPECT_EQ("KESTORA", maker);
}

// The Windows releases the programs support, each with the sequence its OS code selects: the
// classic one up to Server 2003 (under WOW64 on the x64 editions), printui from Vista on.
struct System {
    const char *name;
    winsim::OsVersion version;
    bool wow64;
};
const winsim::OsVersion kWindowsXPx64 = {VER_PLATFORM_WIN32_NT, 5,   2, 3790,
                                         VER_NT_WORKSTATION,    true};
const System kSystems[] = {
    {"Windows2000", winsim::kWindows2000, false},      {"WindowsXP", winsim::kWindowsXP, false},
    {"Server2003", winsim::kWindowsServer2003, false}, {"XPx64", kWindowsXPx64, true},
    {"Vista", winsim::kWindowsVista, false},           {"Windows7", winsim::kWindows7, false},
    {"Windows7x64", winsim::kWindows7, true},          {"Windows10x64", winsim::kWindows10, true},
};

class RoundTrip : public Uninstaller, public ::testing::WithParamInterface<System> {
  protected:
    void SetUp() override {
        Uninstaller::SetUp();
        winsim::SetVersion(GetParam().version);
        winsim::SetWow64(GetParam().wow64);
        PutEnumerationKeys("");
        before = TakeSnapshot();
    }
    // The keys of the USB printing and parallel-port enumerators, or the given key below each.
    static void PutEnumerationKeys(const std::string &below) {
        for (const char *enumerator : {"USBPRINT", "LPTENUM"})
            winsim::PutKey(std::string("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\") + enumerator +
                           below);
    }
    // Installs for the port ("USB": the driver alone); from Vista on, printui's part is played.
    void InstallFor(const std::string &port) {
        PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=" + port + "\r\n");
        if (GetParam().version.major >= 6)
            ScriptPrintUI();
        size_t children = PrintUIStarts().size();
        ASSERT_EQ(0, RunInstaller());
        // The sequence the system calls for: printui is started from Vista on only. Windows 10
        // offers the redirection guard.
        EXPECT_EQ(children + (GetParam().version.major >= 6), PrintUIStarts().size());
        EXPECT_EQ(GetParam().version.major >= 10, winsim::LastProcessGuardedRedirection());
        PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=COM1\r\n"); // as the media came
        boxesBefore = winsim::Boxes().size();
    }
    std::vector<std::string> UnexpectedChanges() const {
        // Left on purpose: the model folder with the uninstaller and the options file, the
        // options file in the system directory, the trace logs.
        return UnexpectedDifferences(
            before, TakeSnapshot(),
            {R"(\+ file C:\\WINDOWS\\QMR-640(\\QMR640_UNINSTALLER\.EXE|\\QMR640_CONFIG\.KST)?)",
             R"(\+ file C:\\WINDOWS\\(SYSTEM32|SYSWOW64)\\QMR640_CONFIG\.KST)",
             R"(\+ file C:\\TEMP(\\QMR-640_(INSTALLER|UNINSTALLER)\.TXT)?)",
             // The spooler's own folder for version-3 drivers stays, empty.
             R"(\+ file C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\(W32X86|X64)\\3)"});
    }
    // The package's driver, in the environment of the spooler that its printers use.
    static bool DriverInstalled() {
        for (const winsim::DriverInfo &driver :
             winsim::Drivers(GetParam().wow64 ? winsim::kEnvironmentX64 : winsim::kEnvironmentX86))
            if (driver.name == kDriver)
                return true;
        return false;
    }
    MachineSnapshot before;
};

// The uninstaller's four outcomes, from a real installation to a stale entry alone.
TEST_P(RoundTrip, InstallThenEachUninstallOutcome) {
    // The driver alone: removed without a click, then the restart question.
    InstallFor("USB");
    ASSERT_TRUE(winsim::Printers().empty());
    ASSERT_TRUE(DriverInstalled());
    // A printer attached since leaves enumeration keys that only the uninstaller can clear.
    PutEnumerationKeys("\\HALDEEN_QMR-640\\7&1");
    EXPECT_EQ(0, RunUninstaller());
    ASSERT_EQ(1u, NewBoxes().size());
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), NewBoxes()[0].flags);
    EXPECT_EQ(std::vector<std::string>{}, UnexpectedChanges());
    // From Vista on and on 64-bit Windows the OEM INF goes through the setup API, which leaves
    // the same files as the removal by hand: only the call tells them apart.
    bool setupApi = GetParam().wow64 || GetParam().version.major >= 6;
    EXPECT_EQ(setupApi ? 1 : 0, CallCount("SetupUninstallOEMInfA"));

    // Some printers chosen: only those go; the package and the uninstall entry stay.
    InstallFor("COM1");
    // Only 32-bit Windows before Vista loads the product's files from the Windows directory.
    bool inWindows = !GetParam().wow64 && GetParam().version.major < 6;
    EXPECT_EQ(inWindows, winsim::Exists("C:\\WINDOWS\\QMR640.dll"));
    winsim::PrinterInfo kitchen;
    kitchen.name = "Kitchen";
    kitchen.driver = kDriver;
    kitchen.processor = "KST PRINT PROCESSOR QMR640";
    winsim::AddPrinter(kitchen);
    bool once = false;
    WhenListed([&once](HWND dialog, HWND list) {
        winsim::ClickListCheckBox(list, 0);
        winsim::SetUser([dialog, &once](HWND) {
            if (!once) {
                once = true;
                winsim::Click(winsim::FindItem(dialog, IDC_UNINSTALL));
            }
        });
    });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_EQ(std::vector<std::string>{kDriver}, PrinterNames());
    EXPECT_TRUE(DriverInstalled());
    EXPECT_TRUE(winsim::KeyExists(kUninstallKey));
    EXPECT_TRUE(NewBoxes().empty());

    // All chosen: the whole package goes, and the machine is as it was before the installations.
    WhenListed([](HWND dialog, HWND) { winsim::Click(winsim::FindItem(dialog, IDC_UNINSTALL)); });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_EQ(1u, NewBoxes().size());
    EXPECT_EQ(std::vector<std::string>{}, UnexpectedChanges());

    // A stale entry alone, in the view the installer writes it to: found and removed.
    winsim::PutValue(kUninstallKey, "DisplayName", REG_SZ, "stale");
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_EQ("The QMR-640 driver does not exist on this system.", winsim::Boxes().back().text);
    EXPECT_EQ(std::vector<std::string>{}, UnexpectedChanges());
}

INSTANTIATE_TEST_SUITE_P(Systems, RoundTrip, ::testing::ValuesIn(kSystems),
                         [](const ::testing::TestParamInfo<System> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
