// printui.dll's PrintUIEntry as rundll32 runs it: the options of its command line, the driver
// from the INF's install section, the printer on the port.
#include "inf.h"
#include "machine.h"
#include "spooler.h"

#include <winsim_print.h>
#include <winsim_process.h>

namespace winsim {

namespace {
// rundll32 hands PrintUIEntry the text after the entry's name; printui reads "/x" words, each
// followed by its value, a quoted one taken whole.
std::map<std::string, std::string> Options(const std::string &command) {
    std::vector<std::string> words;
    for (size_t at = command.find_first_not_of(' '); at != std::string::npos;
         at = command.find_first_not_of(' ', at)) {
        bool quoted = command[at] == '"';
        size_t end = command.find(quoted ? '"' : ' ', at + 1);
        words.push_back(
            command.substr(at + quoted, end == std::string::npos ? end : end - at - quoted));
        at = end == std::string::npos ? end : end + 1;
    }
    std::map<std::string, std::string> options;
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i].size() > 1 && words[i][0] == '/')
            options[Upper(words[i])] = i + 1 < words.size() ? words[i + 1] : "";
    return options;
}

// The install section of the model: [Manufacturer] names the models' section, decorated with
// NTamd64 on 64-bit Windows, where an undecorated one does not count.
std::string InstallSection(const InfFile &inf, const std::string &model) {
    const InfSection *makers = inf.Find("Manufacturer");
    if (makers == nullptr || makers->lines.empty())
        return "";
    const std::vector<std::string> &fields = makers->lines[0].fields;
    std::string models = fields[0];
    if (NativeEnvironment().name == kEnvironmentX64) {
        bool decorated = std::find(fields.begin() + 1, fields.end(), "NTamd64") != fields.end();
        models = decorated ? models + ".NTamd64" : "";
    }
    const InfSection *section = inf.Find(models);
    if (section != nullptr)
        for (const InfLine &line : section->lines)
            if (line.key == model)
                return line.fields[0];
    return "";
}
} // namespace

void RunPrintUI(const Launch &start, const PrintUIWork &work) {
    std::map<std::string, std::string> options = Options(start.runCommand);
    std::string path = options["/F"];
    if (!IsFullPath(path))
        path = start.workDirectory + "\\" + path;
    const FileNode *file = FindFile(path);
    InfFile inf;
    UINT errorLine = 0;
    if (file == nullptr || inf.Parse(file->data, errorLine) != ERROR_SUCCESS)
        return;
    const std::string &model = options["/M"];
    if (options.count("/U") == 0) {
        std::string install = InstallSection(inf, model);
        if (install.empty())
            return;
        DriverInfo driver;
        driver.name = model;
        driver.environment = NativeEnvironment().name;
        driver.driverPath = inf.Value(install, "DriverFile");
        driver.dataFile = inf.Value(install, "DataFile");
        driver.configFile = inf.Value(install, "ConfigFile");
        driver.helpFile = inf.Value(install, "HelpFile");
        const InfSection *copied = inf.Find(inf.Value(install, "CopyFiles"));
        for (size_t i = 0; copied != nullptr && i < copied->lines.size(); ++i) {
            const std::string &name = copied->lines[i].fields[0];
            if (Upper(name) != Upper(driver.driverPath) && Upper(name) != Upper(driver.dataFile) &&
                Upper(name) != Upper(driver.configFile) && Upper(name) != Upper(driver.helpFile))
                driver.dependentFiles.push_back(name);
        }
        AddDriver(driver);
        if (work.storeInf)
            StoreOemInf(file->data);
    }
    // A printer of that name already there: printui adds none.
    if (options.count("/IF") == 0 || !work.addPrinter || Spooler().printers.Find(options["/B"]))
        return;
    PrinterInfo printer;
    printer.name = options["/B"];
    printer.driver = model;
    printer.port = options["/R"];
    AddPrinter(printer);
}

} // namespace winsim
