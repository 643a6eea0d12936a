// The setup options file and the port dialog.
#include "QMR640_Installer/Port_Dlg.h"
#include "QMR640_Installer/options_file.h"
#include "QMR640_Installer/resource.h"
#include "common/trace_log.h"
#include "harness.h"

namespace {

const char kModelFolder[] = "C:\\WINDOWS\\QMR-640";

class PortTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        StartTraceLog("\\QMR-640_Installer.txt");
    }
    static std::string Read(const char *key) {
        char value[256] = {0};
        char *result = GetDriverInfoFromFile("QMR640", key, value, sizeof value);
        return result == NULL ? "<none>" : std::string(result);
    }
};

TEST_F(PortTest, OptionsFileBesideTheInstallerComesFirst) {
    PutOptions(kMedia, "PORTDLG=FALSE\r\nPORT=USB\r\n");
    PutOptions(kModelFolder, "PORTDLG=TRUE\r\nPORT=COM3\r\n");
    EXPECT_EQ("FALSE", Read("PORTDLG"));
    EXPECT_EQ("USB", Read("PORT"));
    EXPECT_EQ("", winsim::FileContent(kInstallerLog));
}

TEST_F(PortTest, MissingOrEmptyKeysFallThroughToTheModelFolder) {
    PutOptions(kMedia, "PORTDLG=\r\n");
    PutOptions(kModelFolder, "PORTDLG=TRUE\r\nPORT=LPT2\r\n");
    EXPECT_EQ("TRUE", Read("PORTDLG"));
    EXPECT_EQ("LPT2", Read("PORT"));
}

TEST_F(PortTest, UnreadableKeyLogsItsFailure) {
    PutOptions(kMedia, "PORT=\r\n");
    PutOptions(kModelFolder, "[OTHER]\r\nPORT=COM2\r\n");
    EXPECT_EQ("<none>", Read("PORT"));
    EXPECT_EQ((std::vector<std::string>{
                  "", "", "GetDriverInfoFromFile BEGIN", "SECTION NAME : QMR640", "KEY NAME : PORT",
                  "GetDriverInfoFromFile failed. (2)", "GetDriverInfoFromFile END", "", ""}),
              LogTexts(kInstallerLog));
}

TEST_F(PortTest, LongCurrentDirectoryIsCutNotOverrun) {
    std::string deep = "C:\\" + std::string(120, 'a') + "\\" + std::string(120, 'b');
    winsim::SetCurrentDirectory(deep);
    PutOptions(kModelFolder, "PORT=COM4\r\n");
    EXPECT_EQ("COM4", Read("PORT"));
}

TEST_F(PortTest, PortSettingPicksTheFirstNameInTableOrder) {
    struct Case {
        const char *value;
        int index;
    } cases[] = {{"COM1", 0},  {"COM2", 1},      {"COM3", 2},  {"COM4", 3},
                 {"LPT1", 4},  {"LPT2", 5},      {"USB", 6},   {"usb", 0},
                 {"COM10", 0}, {"LPT2,COM3", 2}, {"XUSBX", 6}, {"serial", 0}};
    for (const Case &c : cases)
        EXPECT_EQ(c.index, PortIndexFromSetting(c.value)) << c.value;
    EXPECT_EQ(0, PortIndexFromSetting(NULL));
}

// Runs the port dialog modally as the worker does and returns its result and index.
std::pair<INT_PTR, int> ShowPortDialog() {
    std::pair<INT_PTR, int> outcome(0, -2);
    RunInInstaller([&outcome] {
        CPort_Dlg dialog;
        outcome.first = dialog.DoModal();
        outcome.second = dialog.m_nPortIndex;
    });
    return outcome;
}

TEST_F(PortTest, ShownDialogPreselectsThePortAndTheLastClickDecides) {
    PutOptions(kMedia, "PORT=LPT2\r\n");
    std::vector<UINT> checked;
    winsim::SetUser([&](HWND dialog) {
        for (int id : kPortRadioIds)
            checked.push_back(IsDlgButtonChecked(dialog, id));
        winsim::Click(winsim::FindItem(dialog, IDC_RADIO_COM3));
        winsim::Click(winsim::FindItem(dialog, IDC_RADIO_USB));
        winsim::Click(winsim::FindItem(dialog, IDOK));
    });
    std::pair<INT_PTR, int> outcome = ShowPortDialog();
    EXPECT_EQ(IDOK, outcome.first);
    EXPECT_EQ(PORT_INDEX_USB, outcome.second);
    EXPECT_EQ((std::vector<UINT>{0, 0, 0, 0, 0, 1, 0}), checked);
}

TEST_F(PortTest, EnterPressesNextAndEscapeCancels) {
    winsim::SetUser([](HWND dialog) { winsim::PressKey(dialog, VK_RETURN); });
    EXPECT_EQ(std::make_pair(INT_PTR(IDOK), 0), ShowPortDialog());
    winsim::SetUser([](HWND dialog) { winsim::PressKey(dialog, VK_ESCAPE); });
    EXPECT_EQ(IDCANCEL, ShowPortDialog().first);
}

TEST_F(PortTest, DialogTemplateIsTheOneThePortTableGives) {
    const winsim::DialogTemplate *t = winsim::FindDialogTemplate(InstallerModule(), IDD_PORT_DLG);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ("Port Type", t->caption);
    EXPECT_EQ("Verdana", t->fontName);
    EXPECT_EQ(9, t->fontSize);
    EXPECT_EQ(197, t->rect.right);
    EXPECT_EQ(66, t->rect.bottom);
    EXPECT_FALSE(t->style & WS_VISIBLE);
    ASSERT_EQ(11u, t->controls.size());
    const char *names[] = {"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "USB"};
    for (int i = 0; i < PORT_COUNT; ++i) {
        EXPECT_EQ(kPortRadioIds[i], t->controls[i].id);
        EXPECT_EQ(names[i], t->controls[i].text);
        EXPECT_EQ(DWORD(BS_AUTORADIOBUTTON), t->controls[i].style & BS_TYPEMASK);
        // One group, started by the first radio button and ended by the button after the last.
        EXPECT_EQ(i == 0, (t->controls[i].style & WS_GROUP) != 0) << names[i];
    }
    EXPECT_EQ(IDOK, t->controls[7].id);
    EXPECT_EQ("&Next", t->controls[7].text);
    EXPECT_EQ(DWORD(BS_DEFPUSHBUTTON), t->controls[7].style & BS_TYPEMASK);
    EXPECT_TRUE(t->controls[7].style & WS_GROUP);
}

} // namespace
