#include "harness.h"

#include <winsim_print.h>

#include <dirent.h>

#include <fstream>
#include <sstream>

#include "QMR640_Installer/KSTPOS_Installer.h"
#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"

extern const std::string kInstallerRc, kInstallerHeader, kUninstallerRc, kUninstallerHeader;

const char kMedia[] = "C:\\Media";
const char kInstallerLog[] = "C:\\Temp\\QMR-640_Installer.txt";
const char kUninstallerLog[] = "C:\\Temp\\QMR-640_UnInstaller.txt";

HINSTANCE InstallerModule() {
    return winsim::RegisterModule("QMR640_Installer", kInstallerRc, kInstallerHeader);
}

HINSTANCE UninstallerModule() {
    return winsim::RegisterModule("QMR640_Uninstaller", kUninstallerRc, kUninstallerHeader);
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

int RunInstaller() {
    return winsim::RunProcess(InstallerModule(), [] { CKSTPOS_InstallerApp().InitInstance(); });
}

int RunUninstaller() {
    return winsim::RunProcess(UninstallerModule(), [] { CKSTPOS_UninstallerApp().InitInstance(); });
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
