// The installed-version check and the removal of a different version by the installer.
#include <winspool.h>
#include <winsim_print.h>
#include <winsim_registry.h>

#include <algorithm>

#include "QMR640_Installer/DriverVersion.h"
#include "harness.h"
#include "machine_snapshot.h"

namespace {

const char kDriver[] = "KESTORA QMR-640";
const char kUninstallKey[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                             "KESTORA_QMR-640";

// What a removal may take away: the package's own objects, and nothing of anyone else's.
const std::vector<std::string> kPackageObjects = {
    R"(- print printer KESTORA QMR-640(\(#\d+\))? \| KESTORA QMR-640 \|.*)",
    R"(- print driver [^|]* \| KESTORA QMR-640 \|.*)",
    R"(- print monitor KST Language Monitor QMR640 \|.*)",
    R"(- print processor [^|]* \| KST PRINT PROCESSOR QMR640 \|.*)",
    R"(- print form [^|]*\[640\].*)",
    R"(- print device USB\\VID_7A3C&PID_0002.*)",
    R"(- file C:\\WINDOWS\\INF\\OEM\d+\.(INF|PNF))",
    R"(- file .*\\(MON640\.DLL|PRO640\.DLL|QMR640\.DLL|UI640\.DLL|UNI640\.DLL|QMR640\.GPD|QMR640\.BUD|UI640\.INI))",
    R"(- file C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\W32X86\\3\\(UNIDRV\.DLL|UNIDRVUI\.DLL|UNIDRV\.HLP|UNIRES\.DLL|STDNAMES\.GPD))",
    R"(- file C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\W32X86\\HALDEEN_QMR_640CD6C.*)",
    R"(- reg HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KESTORA_QMR-640.*)",
    R"(- reg HKLM\\SYSTEM\\CurrentControlSet\\Enum\\(USBPRINT|LPTENUM)\\HALDEEN_QMR-640.*)",
    R"(- reg HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\.*(QMR640|QMR-640).*)",
    R"([~+] file C:\\TEMP\\QMR-640_(INSTALLER|UNINSTALLER)\.TXT)",
};

DWORD Compare(DWORD major, DWORD minor, DWORD build, DWORD extra) {
    DWORD result = 99;
    RunInInstaller([&] {
        result = DWORD(CompareDriverVersion(kDriver, "KST PRINT PROCESSOR QMR640", major, minor,
                                            build, extra, FALSE));
    });
    return result;
}

class VersionCheck : public MachineTest {
  protected:
    void AddProductPrinter(const std::string &name) {
        if (winsim::Drivers(winsim::kEnvironmentX86).empty()) {
            winsim::DriverInfo driver;
            driver.name = kDriver;
            winsim::AddDriver(driver);
        }
        winsim::PrinterInfo printer;
        printer.name = name;
        printer.driver = kDriver;
        winsim::AddPrinter(printer);
    }
    void SetVersion(const std::string &printer, DWORD major, DWORD minor, DWORD build,
                    DWORD extra) {
        winsim::SetPrinterDword(printer, "MajorVersion", major);
        winsim::SetPrinterDword(printer, "MinorVersion", minor);
        winsim::SetPrinterDword(printer, "BuildVersion", build);
        winsim::SetPrinterDword(printer, "ExtraVersion", extra);
    }
};

TEST_F(VersionCheck, InstalledVersionAgainstTheProducts) {
    EXPECT_EQ(2u, Compare(3, 3, 0, 0));
    AddProductPrinter(kDriver);
    EXPECT_EQ(0u, Compare(3, 3, 0, 0)); // no version values: cannot be read
    struct Case {
        DWORD installed[4];
        DWORD result;
    } cases[] = {{{3, 3, 0, 0}, 3},          {{3, 2, 9, 9}, 0},         {{3, 4, 0, 0}, 1},
                 {{3, 3, 0, 1}, 1},          {{2, 9, 0, 0}, 0},         {{4, 0, 0, 0}, 1},
                 {{0xFFFFFFFF, 0, 0, 0}, 1}, {{3, 3, 0xFFFFFFFF, 0}, 1}};
    for (const Case &c : cases) {
        SetVersion(kDriver, c.installed[0], c.installed[1], c.installed[2], c.installed[3]);
        EXPECT_EQ(c.result, Compare(3, 3, 0, 0)) << c.installed[0] << "." << c.installed[1] << "."
                                                 << c.installed[2] << "." << c.installed[3];
    }
}

TEST_F(VersionCheck, OnlyTheFirstPrinterOnTheDriverCounts) {
    AddProductPrinter("First");
    AddProductPrinter("Second");
    SetVersion("First", 3, 3, 0, 0);
    SetVersion("Second", 1, 0, 0, 0);
    EXPECT_EQ(3u, Compare(3, 3, 0, 0));
    // Three values alone are not enough.
    winsim::SetPrinterDword("First", "MajorVersion", 3);
    winsim::Reset();
    AddProductPrinter("Only");
    winsim::SetPrinterDword("Only", "MajorVersion", 3);
    winsim::SetPrinterDword("Only", "MinorVersion", 3);
    winsim::SetPrinterDword("Only", "BuildVersion", 0);
    EXPECT_EQ(0u, Compare(3, 3, 0, 0));
}

TEST_F(VersionCheck, LeftoversWithoutAPrinterCountAsADifferentVersion) {
    winsim::DriverInfo driver;
    driver.name = kDriver;
    winsim::AddDriver(driver);
    EXPECT_EQ(0u, Compare(3, 3, 0, 0));
    winsim::Reset();
    winsim::AddPrintProcessor(winsim::kEnvironmentX86, "KST PRINT PROCESSOR QMR640", "PRO640.dll");
    EXPECT_EQ(0u, Compare(3, 3, 0, 0));
    winsim::Reset();
    driver.name = "Kestora QMR-640"; // another name to the spooler
    winsim::AddDriver(driver);
    winsim::PrinterInfo printer;
    printer.name = "Lookalike";
    printer.driver = driver.name;
    winsim::AddPrinter(printer);
    EXPECT_EQ(2u, Compare(3, 3, 0, 0));
}

class DifferentVersion : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        PutMedia(kMedia);
        winsim::SetBoxAnswer([](const winsim::Box &) { return IDNO; });
        // An installation of this package, then things of other products around it.
        ASSERT_EQ(0, RunInstaller());
        winsim::SetPrinterDword(kDriver, "MajorVersion", 3);
        winsim::SetPrinterDword(kDriver, "MinorVersion", 2);
        winsim::SetPrinterDword(kDriver, "BuildVersion", 9);
        winsim::SetPrinterDword(kDriver, "ExtraVersion", 9);
        AddOtherPrinter("Text printer");
        AddOtherPrinter("kestora qmr-640");
        winsim::AddJob(kDriver, "receipt");
        winsim::AddForm("Receipt [640] 80mm");
        winsim::AddForm("Receipt [ 640] 58mm");
        winsim::AddForm("Receipt 80mm");
        winsim::StoreOemInf(
            "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
            "[KESTORA]\r\n\"KESTORA QMR-300\"=QMR300,USBPRINT\\Vid_7A3C&Pid_0001\r\n");
        winsim::PutFile(winsim::InfDirectory() + "\\OEM5.INF",
                        "[Version]\r\nSignature=\"$Windows NT$\"\r\n[KESTORA]\r\n"
                        "\"KESTORA QMR-640\"=QMR640\r\n");
        winsim::AddDevice({"USB\\VID_7A3C&PID_0002&REV_0100\\6&1",
                           {"USB\\VID_7A3C&PID_0002&REV_0100"},
                           false,
                           "USB",
                           ""});
        winsim::AddDevice(
            {"USB\\VID_7A3C&PID_0001\\6&2", {"USB\\Vid_7A3C&Pid_0001"}, true, "USB", ""});
        winsim::PutKey("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\HALDEEN_QMR-640\\1");
        winsim::PutKey("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\HALDEEN_QMR-300");
        winsim::MakeDirectory(winsim::DriverDirectory(winsim::kEnvironmentX86) +
                              "\\haldeen_qmr_640cd6c\\sub");
        winsim::PutFile(winsim::DriverDirectory(winsim::kEnvironmentX86) + "\\haldeen_qmr_300\\x",
                        "other");
    }
};

TEST_F(DifferentVersion, IsRemovedWholeThenTheComputerRestarts) {
    MachineSnapshot before = TakeSnapshot();
    size_t boxes = winsim::Boxes().size();
    EXPECT_EQ(0, RunInstaller());
    std::vector<winsim::Box> shown = winsim::Boxes();
    ASSERT_EQ(boxes + 2, shown.size());
    EXPECT_EQ("There is a different version driver in this system.\r\n\r\nThe installed driver "
              "will be removed.",
              shown[boxes].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), shown[boxes].flags);
    EXPECT_EQ("The installer has successfully removed the different version.\nNow it is going to "
              "restart your computer to take effect.\nAfter restarting, you may reinstall the "
              "driver again.",
              shown[boxes + 1].text);
    EXPECT_EQ(1u, winsim::Restarts().size());

    MachineSnapshot after = TakeSnapshot();
    EXPECT_EQ(std::vector<std::string>{}, UnexpectedDifferences(before, after, kPackageObjects));
    // The package is gone...
    EXPECT_FALSE(winsim::KeyExists(kUninstallKey));
    for (const std::string &line : winsim::PrintState()) {
        EXPECT_EQ(std::string::npos, line.find("QMR640")) << line;
        EXPECT_EQ(std::string::npos, line.find("[640]")) << line;
        EXPECT_EQ(std::string::npos, line.find("PID_0002")) << line;
    }
    // ...and what the installer keeps for itself stays.
    EXPECT_TRUE(winsim::Exists("C:\\WINDOWS\\QMR-640\\QMR640_Uninstaller.exe"));
    EXPECT_TRUE(winsim::Exists("C:\\WINDOWS\\system32\\QMR640_Config.KST"));
    EXPECT_TRUE(winsim::Exists(winsim::InfDirectory() + "\\OEM5.INF"));

    std::vector<std::string> steps = LogSteps(kInstallerLog);
    for (const char *frame :
         {"RemoveDrivers BEGIN", "RemoveFromOS BEGIN", "DeleteForms BEGIN",
          "DeletePrinterDrv BEGIN", "DeleteLanguageMonitor BEGIN", "DeleteProcessor BEGIN",
          "DeleteFilesUsed BEGIN", "DeleteINFFile BEGIN", "DeleteUninstallationInfo BEGIN",
          "RemoveFromOS END", "DeleteVidPid BEGIN", "Delete_LPT_USB_Info BEGIN",
          "DeletePrnDrvPnPDirectory BEGIN", "RemoveDrivers END"})
        EXPECT_NE(steps.end(), std::find(steps.begin(), steps.end(), frame)) << frame;
    EXPECT_NE(steps.end(),
              std::find(steps.begin(), steps.end(), "FORM NAMES : Receipt [640] 80mm "));
    HWND dialog = winsim::FindDialog("Installation Progress");
    std::vector<std::string> texts = winsim::TextHistory(winsim::FindItem(dialog, 1003));
    EXPECT_EQ("The uninstallation has been completed.", texts.back());
}

TEST_F(DifferentVersion, FailedPrinterEnumerationEndsBeforeAnythingIsRemoved) {
    // The check enumerates twice; the removal's own enumeration is the fourth call.
    winsim::FailCall("EnumPrintersA", ERROR_ACCESS_DENIED, CallCount("EnumPrintersA") + 4);
    MachineSnapshot before = TakeSnapshot();
    size_t boxes = winsim::Boxes().size();
    EXPECT_EQ(0, RunInstaller());
    std::vector<winsim::Box> shown = winsim::Boxes();
    ASSERT_EQ(boxes + 2, shown.size());
    EXPECT_EQ("EnumPrinters Error Code: 5\n\nAccess is denied.\r\n", shown[boxes + 1].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), shown[boxes + 1].flags);
    EXPECT_TRUE(winsim::Restarts().empty());
    EXPECT_EQ(std::vector<std::string>{},
              UnexpectedDifferences(before, TakeSnapshot(),
                                    {R"([~+] file C:\\TEMP\\QMR-640_INSTALLER\.TXT)"}));
}

} // namespace
