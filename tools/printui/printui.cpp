// Stands in for the system's printui.dll in the runs under Wine, whose own installs nothing.
// PrintUIEntry, as rundll32 calls it, takes the options the installer gives: /if (a printer from
// an INF) or /ia (the driver alone), /b the printer's name, /f the INF, /r the port, /m the
// driver model, /u (the driver that is there) and /q (no box on failure). It reads this package's
// INF far enough to register its driver through the spooler and adds the printer on the port, as
// printui does. With QMR_PRINTUI_FAILS set in its environment it installs nothing: a printui that
// failed.
#include <windows.h>
#include <winspool.h>

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

namespace {

std::string Trim(const std::string &text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    size_t last = text.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

std::string Unquoted(const std::string &text) {
    std::string trimmed = Trim(text);
    bool quoted = trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"';
    return quoted ? trimmed.substr(1, trimmed.size() - 2) : trimmed;
}

std::string Upper(std::string text) {
    for (char &c : text)
        c = char(toupper((unsigned char)c));
    return text;
}

// The options as printui reads them: "/x" followed by its value, a quoted value taken whole.
std::map<std::string, std::string> ReadOptions(const char *line) {
    std::vector<std::string> words;
    for (const char *at = line; *at != '\0';) {
        while (*at == ' ')
            ++at;
        if (*at == '\0')
            break;
        bool quoted = *at == '"';
        const char *end = strchr(at + 1, quoted ? '"' : ' ');
        if (end == NULL)
            end = at + strlen(at);
        words.push_back(std::string(at + quoted, end));
        at = *end == '\0' ? end : end + 1;
    }
    std::map<std::string, std::string> options;
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i].size() > 1 && words[i][0] == '/')
            options[Upper(words[i])] = i + 1 < words.size() ? words[i + 1] : "";
    return options;
}

// An INF as sections of "key = value" lines, in order; keys in upper case without quotes, a line
// without "=" kept as a key with an empty value.
typedef std::vector<std::pair<std::string, std::string>> Section;

bool ReadInf(const std::string &path, std::map<std::string, Section> &inf) {
    FILE *file = fopen(path.c_str(), "rb");
    if (file == NULL)
        return false;
    std::string section;
    char line[1024];
    while (fgets(line, sizeof line, file) != NULL) {
        std::string text = line;
        text = Trim(text.substr(0, text.find(';')));
        if (text.size() > 2 && text.front() == '[' && text.back() == ']') {
            section = Upper(text.substr(1, text.size() - 2));
        } else if (!text.empty()) {
            size_t equals = text.find('=');
            std::string value = equals == std::string::npos ? "" : Trim(text.substr(equals + 1));
            inf[section].emplace_back(Upper(Unquoted(text.substr(0, equals))), value);
        }
    }
    fclose(file);
    return true;
}

std::string Value(const Section &section, const std::string &key) {
    for (const auto &line : section)
        if (line.first == Upper(key))
            return line.second;
    return "";
}

// The model's install section: [Manufacturer] names the models' section, which names it.
std::string InstallSection(std::map<std::string, Section> &inf, const std::string &model) {
    const Section &makers = inf["MANUFACTURER"];
    if (makers.empty())
        return "";
    std::string models = makers[0].second;
    size_t comma = models.find(',');
    if (comma != std::string::npos) // a decorated one: this package names one platform
        models = Trim(models.substr(0, comma)) + "." + Trim(models.substr(comma + 1));
    std::string install = Value(inf[Upper(models)], model);
    return Upper(Trim(install.substr(0, install.find(','))));
}

// Puts the files beside the spooler's driver directory, where AddPrinterDriverExA takes them
// from, as the system's printui does through the setup API.
bool StageFiles(const std::string &folder, const std::vector<std::string> &files) {
    char drivers[MAX_PATH] = {0};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, (LPBYTE)drivers, sizeof drivers, &needed))
        return false;
    for (const std::string &file : files)
        if (!CopyFileA((folder + file).c_str(), (std::string(drivers) + "\\" + file).c_str(),
                       FALSE))
            return false;
    return true;
}

bool InstallDriver(const std::string &infPath, const std::string &model) {
    std::map<std::string, Section> inf;
    if (!ReadInf(infPath, inf))
        return false;
    std::string install = InstallSection(inf, model);
    const Section &section = inf[install];
    if (install.empty() || section.empty())
        return false;
    std::string driverFile = Value(section, "DriverFile"), dataFile = Value(section, "DataFile");
    std::string configFile = Value(section, "ConfigFile"), helpFile = Value(section, "HelpFile");
    std::vector<std::string> files;
    std::string dependent; // names NUL-separated, ended by an empty one
    for (const auto &line : inf[Upper(Value(section, "CopyFiles"))]) {
        files.push_back(line.first);
        if (line.first != Upper(driverFile) && line.first != Upper(dataFile) &&
            line.first != Upper(configFile) && line.first != Upper(helpFile))
            dependent += line.first + '\0';
    }
    dependent += '\0';
    if (!StageFiles(infPath.substr(0, infPath.find_last_of('\\') + 1), files))
        return false;
    DRIVER_INFO_3A driver;
    memset(&driver, 0, sizeof driver);
    driver.cVersion = 3;
    driver.pName = (LPSTR)model.c_str();
    driver.pDriverPath = (LPSTR)driverFile.c_str();
    driver.pDataFile = (LPSTR)dataFile.c_str();
    driver.pConfigFile = (LPSTR)configFile.c_str();
    driver.pHelpFile = (LPSTR)helpFile.c_str();
    driver.pDependentFiles = (LPSTR)dependent.c_str();
    driver.pDefaultDataType = (LPSTR) "RAW";
    return AddPrinterDriverExA(NULL, 3, (LPBYTE)&driver, APD_COPY_NEW_FILES) != FALSE;
}

bool AddPrinterOnPort(const std::string &name, const std::string &port, const std::string &model) {
    PRINTER_INFO_2A printer;
    memset(&printer, 0, sizeof printer);
    printer.pPrinterName = (LPSTR)name.c_str();
    printer.pPortName = (LPSTR)port.c_str();
    printer.pDriverName = (LPSTR)model.c_str();
    printer.pPrintProcessor = (LPSTR) "WinPrint";
    printer.pDatatype = (LPSTR) "RAW";
    HANDLE handle = AddPrinterA(NULL, 2, (LPBYTE)&printer);
    if (handle == NULL)
        return false;
    ClosePrinter(handle);
    return true;
}

bool Run(std::map<std::string, std::string> &options) {
    if (GetEnvironmentVariableA("QMR_PRINTUI_FAILS", NULL, 0) != 0)
        return false;
    bool printer = options.count("/IF") != 0;
    if (!printer && options.count("/IA") == 0)
        return false;
    if (options.count("/U") == 0 && !InstallDriver(options["/F"], options["/M"]))
        return false;
    return !printer || AddPrinterOnPort(options["/B"], options["/R"], options["/M"]);
}

} // namespace

extern "C" __declspec(dllexport) void CALLBACK
    PrintUIEntry(HWND window, HINSTANCE, LPSTR line, int) {
    std::map<std::string, std::string> options = ReadOptions(line != NULL ? line : "");
    if (!Run(options) && options.count("/Q") == 0)
        MessageBoxA(window, "Operation could not be completed.", "Printer User Interface",
                    MB_OK | MB_ICONERROR);
}
