#include "harness.h"

#include <winsim_print.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "QMR640_Installer/KSTPOS_Installer.h"
#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"

extern const std::string kInstallerRc, kInstallerHeader, kUninstallerRc, kUninstallerHeader;

const char kMedia[] = "C:\\Media";
const char kInstallerLog[] = "C:\\Temp\\QMR-640_Installer.txt";
const char kNetStartSpooler[] = "\"C:\\WINDOWS\\system32\\net.exe\" start spooler";
const char kNetStopSpooler[] = "\"C:\\WINDOWS\\system32\\net.exe\" stop spooler";
const char kPrintUI[] = "\"C:\\WINDOWS\\system32\\cmd.exe\" /d /v:off /c "
                        "\"\"C:\\WINDOWS\\system32\\rundll32.exe\" printui.dll,PrintUIEntry ";
const char kUninstallerLog[] = "C:\\Temp\\QMR-640_UnInstaller.txt";

HINSTANCE InstallerModule() {
    return winsim::RegisterModule("QMR640_Installer", kInstallerRc, kInstallerHeader);
}

HINSTANCE UninstallerModule() {
    return winsim::RegisterModule("QMR640_Uninstaller", kUninstallerRc, kUninstallerHeader);
}

namespace {
bool g_checkHandles = true;
} // namespace

HandleCheckOff::HandleCheckOff() {
    g_checkHandles = false;
}
HandleCheckOff::~HandleCheckOff() {
    g_checkHandles = true;
}

void MachineTest::SetUp() {
    winsim::Reset();
    winsim::SetCurrentDirectory(kMedia);
}

void PutOptions(const std::string &folder, const std::string &lines) {
    winsim::PutFile(folder + "\\QMR640_Config.KST", "[QMR640]\r\n" + lines);
}

namespace {
std::string ReadHostFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}
} // namespace

void PutMedia(const std::string &folder, const char *options) {
    for (const char *driverFolder : {"Driver32", "Driver64"}) {
        std::string hostFolder = std::string(MEDIA_DIR) + "/" + driverFolder;
        DIR *dir = opendir(hostFolder.c_str());
        ASSERT_NE(nullptr, dir) << hostFolder;
        while (dirent *entry = readdir(dir))
            if (entry->d_name[0] != '.')
                winsim::PutFile(folder + "\\" + driverFolder + "\\" + entry->d_name,
                                ReadHostFile(hostFolder + "/" + entry->d_name));
        closedir(dir);
    }
    winsim::PutFile(folder + "\\QMR640_Uninstaller.exe", "MZ uninstaller program");
    if (options != nullptr)
        PutOptions(folder, options);
}

const char kOtherDriver[] = "Generic / Text Only";
const char kProductDriver[] = "KESTORA QMR-640";

void AddOtherPrinter(const std::string &printer) {
    bool known = false;
    for (const winsim::DriverInfo &driver : winsim::Drivers(winsim::kEnvironmentX86))
        known = known || driver.name == kOtherDriver;
    if (!known) {
        winsim::DriverInfo other;
        other.name = kOtherDriver;
        other.driverPath = "TEXTONLY.DLL";
        other.dataFile = "TEXTONLY.GPD";
        other.configFile = "TEXTUI.DLL";
        winsim::AddDriver(other);
    }
    winsim::PrinterInfo info;
    info.name = printer;
    info.driver = kOtherDriver;
    winsim::AddPrinter(info);
}

std::vector<std::string> HandlesLeftOpen(bool installer) {
    std::vector<std::string> left = winsim::HandlesLeftOpen();
    // The installer's worker may end the process before the dialog thread has closed its handle.
    auto worker = std::find(left.begin(), left.end(), "thread (CreateThread)");
    if (installer && worker != left.end())
        left.erase(worker);
    return left;
}

namespace {
int RunProgram(bool installer) {
    int code = installer ? winsim::RunProcess(InstallerModule(),
                                              [] { CKSTPOS_InstallerApp().InitInstance(); })
                         : winsim::RunProcess(UninstallerModule(),
                                              [] { CKSTPOS_UninstallerApp().InitInstance(); });
    if (g_checkHandles) {
        EXPECT_EQ(std::vector<std::string>{}, HandlesLeftOpen(installer))
            << (installer ? "installer" : "uninstaller") << " left handles open";
    }
    return code;
}
} // namespace

int RunInstaller() {
    return RunProgram(true);
}

int RunUninstaller() {
    return RunProgram(false);
}

int RunInInstaller(const std::function<void()> &body) {
    return winsim::RunProcess(InstallerModule(), body);
}

std::vector<std::string> LogTexts(const std::string &path) {
    std::string content = winsim::FileContent(path);
    std::vector<std::string> texts;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find("\r\n", start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 2;
        // A text with its own line break continues on a line without a stamp.
        bool stamped =
            line.size() >= 10 && line[2] == ':' && line[5] == ':' && line.compare(8, 2, ": ") == 0;
        texts.push_back(stamped ? line.substr(10) : line);
    }
    return texts;
}

std::vector<std::string> LogSteps(const std::string &path) {
    std::vector<std::string> steps;
    for (const std::string &text : LogTexts(path))
        if (!text.empty())
            steps.push_back(text);
    return steps;
}

void AnswerPortDialog(int radioId, bool cancel) {
    winsim::SetUser([radioId, cancel](HWND dialog) {
        if (winsim::WindowText(dialog) != "Port Type")
            return;
        if (cancel) {
            winsim::PressKey(dialog, VK_ESCAPE);
            return;
        }
        if (radioId != 0)
            winsim::Click(winsim::FindItem(dialog, radioId));
        winsim::Click(winsim::FindItem(dialog, IDOK));
    });
}

std::shared_ptr<int> PesterBusyDialog(const std::string &caption, int progressId, int listId,
                                      std::function<bool(HWND)> start) {
    auto actions = std::make_shared<int>(0);
    auto last = std::make_shared<int>(0);
    auto started = std::make_shared<bool>(false);
    winsim::SetUser([=](HWND dialog) {
        if (winsim::WindowText(dialog) != caption)
            return;
        int position = winsim::Progress(winsim::FindItem(dialog, progressId)).pos;
        if (position == 0 && start && !*started)
            *started = start(dialog);
        if (position == 0 || position == *last)
            return;
        *last = position;
        // The list's check boxes first, so that Enter follows a click on them.
        int kinds = listId != 0 ? 6 : 4;
        int action = (*actions)++ % kinds + 6 - kinds;
        if (action < 2)
            winsim::ClickListCheckBox(winsim::FindItem(dialog, listId), action);
        else if (action == 2)
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        else if (action == 3)
            PostMessageA(dialog, WM_SYSKEYDOWN, VK_F4, 0x20000000); // Alt held
        else
            winsim::PressKey(dialog, action == 4 ? VK_ESCAPE : VK_RETURN);
    });
    return actions;
}

std::vector<DWORD> PauseList() {
    std::vector<DWORD> list;
    for (const winsim::Pause &pause : winsim::Pauses())
        list.push_back(pause.ms);
    return list;
}

int CallCount(const std::string &function) {
    int count = 0;
    for (const std::string &call : winsim::CallLog())
        count += call == function;
    return count;
}

std::vector<winsim::Launch> PrintUIStarts() {
    std::vector<winsim::Launch> starts;
    for (const winsim::Launch &launch : winsim::Launches())
        if (launch.application == "C:\\WINDOWS\\system32\\cmd.exe")
            starts.push_back(launch);
    return starts;
}

void ScriptPrintUI(bool addPrinter, bool storeInf) {
    winsim::ScriptNextChild({0, 20000, false,
                             [addPrinter, storeInf] {
                                 winsim::RunPrintUI(PrintUIStarts().back(), {addPrinter, storeInf});
                             }},
                            "cmd.exe");
}
