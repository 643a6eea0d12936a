// Unusual machines and inputs: each gets its defined outcome, and no buffer is overrun (the
// sanitizer builds run these too).
#include <winspool.h>
#include <winsim_print.h>
#include <winsim_registry.h>

#include "QMR640_Installer/options_file.h"
#include "QMR640_Uninstaller/resource.h"
#include "common/trace_log.h"
#include "harness.h"

#include <algorithm>

namespace {

const char kDriver[] = "KESTORA QMR-640";

using BadInput = MachineTest;

TEST_F(BadInput, VeryLongWindowsDirectoryCutsTheFixedBuffers) {
    std::string windows = "C:\\" + std::string(246, 'W');
    ASSERT_EQ(249u, windows.size());
    winsim::SetWindowsDirectory(windows);
    PutMedia(kMedia);
    EXPECT_EQ(0, RunInstaller());
    EXPECT_FALSE(winsim::LastProcessHung());
    // The spooler's paths no longer fit MAX_PATH: the printer is refused, which ends the
    // installer with its box after the step's END line.
    std::vector<std::string> steps = LogSteps(kInstallerLog);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ("AddPrinterToSystem END", steps.back());
    ASSERT_FALSE(winsim::Boxes().empty());
    EXPECT_EQ(0u, winsim::Boxes().back().text.find("AddPrinter, Error Code: "));
}

TEST_F(BadInput, OptionsFilesOfAnyShape) {
    StartTraceLog("\\QMR-640_Installer.txt");
    struct Case {
        std::string content;
        std::string port;
    } cases[] = {
        {"[QMR640]\r\nPORT=" + std::string(1 << 20, 'x') + "\r\n", "<none>"},
        {"[QMR640]\r\nPORT=LPT2", "LPT2"},                             // no final newline
        {"[QMR640]\r\nPORT=COM3\r\n[QMR640]\r\nPORT=USB\r\n", "COM3"}, // first one wins
        {std::string("[QMR640]\r\n\x00\xffPORT=COM1\r\nPORT=COM2\r\n", 35), "COM2"},
        {"\xef\xbb\xbf[QMR640]\r\nPORT=USB\r\n", "<none>"}, // a byte-order mark hides the section
    };
    for (const Case &c : cases) {
        PutOptions(kMedia, "");
        winsim::PutFile(std::string(kMedia) + "\\QMR640_Config.KST", c.content);
        char value[256] = {0};
        char *read = GetDriverInfoFromFile("QMR640", "PORT", value, sizeof value);
        std::string got = read == NULL ? "<none>" : read;
        if (c.port == "<none>" && got.size() == 255)
            got = "<none>"; // a huge value is cut to the buffer, never past it
        EXPECT_EQ(c.port, got) << c.content.substr(0, 40);
        EXPECT_LT(strlen(value), sizeof value);
    }
}

TEST_F(BadInput, LongAndLookalikePrinterNames) {
    winsim::DriverInfo driver;
    driver.name = kDriver;
    winsim::AddDriver(driver);
    const std::string longName(300, 'P');
    for (const std::string &name : {longName, std::string("Receipt"), std::string("RECEIPT")}) {
        winsim::PrinterInfo printer;
        printer.name = name;
        printer.driver = kDriver;
        winsim::AddPrinter(printer);
    }
    winsim::SetUser([](HWND dialog) {
        HWND list = winsim::FindItem(dialog, IDC_PRINTER_LIST);
        if (!winsim::ListItems(list).empty())
            winsim::Click(winsim::FindItem(dialog, IDC_UNINSTALL));
    });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_TRUE(winsim::Printers().empty());
    EXPECT_TRUE(winsim::Drivers(winsim::kEnvironmentX86).empty());
}

TEST_F(BadInput, ManyObjectsAroundTheOnesToRemove) {
    winsim::DriverInfo driver;
    driver.name = kDriver;
    winsim::AddDriver(driver);
    for (int i = 0; i < 10000; ++i) {
        winsim::PrinterInfo printer;
        printer.name = "Other " + std::to_string(i);
        printer.driver = i == 7777 ? kDriver : "Generic / Text Only";
        winsim::AddPrinter(printer);
    }
    for (int i = 0; i < 5000; ++i)
        winsim::AddDevice({"USB\\VID_1234&PID_" + std::to_string(i) + "\\1",
                           {"USB\\Vid_1234&Pid_" + std::to_string(i)},
                           true,
                           "USB",
                           ""});
    winsim::AddDevice({"USB\\VID_7A3C&PID_0002\\9", {"USB\\Vid_7A3C&Pid_0002"}, false, "USB", ""});
    winsim::SetUser([](HWND dialog) {
        HWND list = winsim::FindItem(dialog, IDC_PRINTER_LIST);
        if (winsim::ListItems(list).size() == 1)
            winsim::Click(winsim::FindItem(dialog, IDC_UNINSTALL));
    });
    EXPECT_EQ(0, RunUninstaller());
    EXPECT_EQ(9999u, winsim::Printers().size());
    EXPECT_EQ(5000u, winsim::Devices().size());
}

TEST_F(BadInput, TenThousandOemInfsAndLongFormNames) {
    for (int i = 0; i < 10000; ++i)
        winsim::PutFile(winsim::InfDirectory() + "\\oem" + std::to_string(i) + ".inf",
                        "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Other]\r\nx=y\r\n");
    winsim::PutFile(winsim::InfDirectory() + "\\oem10000.inf",
                    "[Version]\r\nSignature=\"$Windows NT$\"\r\n[KESTORA]\r\n"
                    "\"KESTORA QMR-640\"=QMR640\r\n");
    const std::string longTagged = std::string(300, 'F') + "[640]";
    winsim::AddForm(longTagged);
    winsim::AddForm(std::string(300, 'G'));
    winsim::DriverInfo driver;
    driver.name = kDriver;
    winsim::AddDriver(driver);
    winsim::SetUser([](HWND) {});
    EXPECT_EQ(0, RunUninstaller()); // the driver alone: removed without a click
    EXPECT_FALSE(winsim::Exists(winsim::InfDirectory() + "\\oem10000.inf"));
    EXPECT_TRUE(winsim::Exists(winsim::InfDirectory() + "\\oem9999.inf"));
    std::vector<std::string> forms = winsim::FormNames();
    EXPECT_EQ(forms.end(), std::find(forms.begin(), forms.end(), longTagged));
    EXPECT_NE(forms.end(), std::find(forms.begin(), forms.end(), std::string(300, 'G')));
}

} // namespace
