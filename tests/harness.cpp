#include "harness.h"

#include <winsim_print.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <map>
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
    // The installer keeps its worker thread in a member; the worker ends the process with it.
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

namespace {
// printui's options as one reads them: words, a quoted one taken whole.
std::vector<std::string> Words(const std::string &line) {
    std::vector<std::string> words;
    for (size_t at = line.find_first_not_of(' '); at != std::string::npos;
         at = line.find_first_not_of(' ', at)) {
        bool quoted = line[at] == '"';
        size_t end = line.find(quoted ? '"' : ' ', at + 1);
        words.push_back(
            line.substr(at + quoted, end == std::string::npos ? end : end - at - quoted));
        at = end == std::string::npos ? end : end + 1;
    }
    return words;
}
} // namespace

std::vector<winsim::Launch> PrintUIStarts() {
    std::vector<winsim::Launch> starts;
    for (const winsim::Launch &launch : winsim::Launches())
        if (launch.application == "C:\\WINDOWS\\system32\\cmd.exe")
            starts.push_back(launch);
    return starts;
}

void ActAsPrintUI(bool addPrinter, bool storeInf) {
    std::vector<winsim::Launch> starts = PrintUIStarts();
    if (starts.empty())
        return;
    const winsim::Launch &child = starts.back();
    std::map<std::string, std::string> options;
    std::vector<std::string> words = Words(child.runCommand);
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i][0] == '/')
            options[words[i]] = i + 1 < words.size() ? words[i + 1] : "";
    std::string inf = options["/f"];
    if (!inf.empty() && inf[0] != '\\' && (inf.size() < 2 || inf[1] != ':'))
        inf = child.workDirectory + "\\" + inf;
    if (inf.empty() || !winsim::Exists(inf) || winsim::IsDirectory(inf))
        return;
    std::string text = winsim::FileContent(inf);
    const char *environment = text.find(",NTamd64") != std::string::npos ? winsim::kEnvironmentX64
                                                                         : winsim::kEnvironmentX86;
    if (options.count("/u") == 0) {
        winsim::PutFile(std::string("C:\\WINDOWS\\system32\\MON640.dll"), "monitor");
        winsim::AddMonitor({"KST Language Monitor QMR640", environment, "MON640.dll"});
        winsim::PutFile(winsim::ProcessorDirectory(environment) + "\\PRO640.dll", "processor");
        winsim::AddPrintProcessor(environment, "KST PRINT PROCESSOR QMR640", "PRO640.dll");
        winsim::DriverInfo driver;
        driver.name = options["/m"];
        driver.environment = environment;
        driver.dataFile = "QMR640.GPD";
        driver.dependentFiles = {"QMR640.DLL", "UI640.DLL", "UNI640.DLL", "UI640.INI"};
        driver.monitor = "KST Language Monitor QMR640";
        winsim::AddDriver(driver);
        if (storeInf)
            winsim::StoreOemInf(text);
    }
    bool nameTaken = false;
    for (const winsim::PrinterInfo &printer : winsim::Printers())
        nameTaken = nameTaken || printer.name == options["/b"];
    if (options.count("/if") != 0 && addPrinter && !nameTaken) {
        winsim::PrinterInfo printer;
        printer.name = options["/b"];
        printer.driver = options["/m"];
        printer.port = options["/r"];
        printer.processor = "KST PRINT PROCESSOR QMR640";
        winsim::AddPrinter(printer);
    }
}

void ScriptPrintUI(bool addPrinter, bool storeInf) {
    winsim::ScriptNextChild(
        {0, 20000, false, [addPrinter, storeInf] { ActAsPrintUI(addPrinter, storeInf); }},
        "cmd.exe");
}
