// The print spooler's fresh state, its service state, its environments and directories, and the
// enumeration layout.
#include "spooler.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace winsim {

const char kEnvironmentX86[] = "Windows NT x86";
const char kEnvironmentX64[] = "Windows x64";

namespace {
const struct {
    const char *name;
    LONG width, height; // thousandths of a millimetre
} kBuiltinForms[] = {
    {"Letter", 215900, 279400},   {"Legal", 215900, 355600},        {"Executive", 184150, 266700},
    {"A3", 297000, 420000},       {"A4", 210000, 297000},           {"A5", 148000, 210000},
    {"B5 (JIS)", 182000, 257000}, {"Envelope #10", 104775, 241300}, {"Envelope DL", 110000, 220000},
};
} // namespace

std::shared_ptr<SpoolerState> MakeSpooler() {
    auto state = std::make_shared<SpoolerState>();
    state->x86.name = kEnvironmentX86;
    state->x86.driverFolder = "W32X86";
    state->x86.processorFolder = "w32x86";
    state->x64.name = kEnvironmentX64;
    state->x64.driverFolder = state->x64.processorFolder = "x64";
    for (Environment *environment : {&state->x86, &state->x64})
        environment->processors.Add("WinPrint", {"WinPrint", "winprint.dll"});
    state->monitors.Add("Local Port", {"Local Port", kEnvironmentX86, "localspl.dll"});
    for (const char *port : {"COM1:", "COM2:", "COM3:", "COM4:", "LPT1:", "LPT2:", "LPT3:"})
        state->ports.Add(port, {port, "Local Port"});
    for (const auto &form : kBuiltinForms)
        state->forms.Add(form.name, {form.name, FORM_BUILTIN, form.width, form.height});
    // The directories a fresh Windows has; each query makes them again for a moved system.
    for (Environment *environment : {&state->x86, &state->x64}) {
        DriverDirectoryOf(*environment);
        ProcessorDirectoryOf(*environment);
    }
    MakeDirectory(InfStore());
    return state;
}

void RunServiceCommand(const std::string &commandLine) {
    std::istringstream words(Upper(commandLine));
    std::string word;
    while (words >> word) {
        // The program's path may be quoted, as the programs start it.
        word.erase(std::remove(word.begin(), word.end(), '"'), word.end());
        std::string program = word.substr(word.find_last_of("\\") + 1);
        if (program != "NET" && program != "NET.EXE")
            continue;
        std::string verb, service;
        if (words >> verb >> service && service == "SPOOLER" && (verb == "STOP" || verb == "START"))
            Spooler().stopped = verb == "STOP";
        return;
    }
}

bool IsServiceCall(const std::string &name) {
    // ClosePrinter only frees the caller's handle.
    static const std::set<std::string> kServiceCalls = {"AddFormA",
                                                        "AddMonitorA",
                                                        "AddPrintProcessorA",
                                                        "AddPrinterA",
                                                        "AddPrinterDriverA",
                                                        "DeleteFormA",
                                                        "DeleteMonitorA",
                                                        "DeletePrintProcessorA",
                                                        "DeletePrinter",
                                                        "DeletePrinterDriverExA",
                                                        "EnumFormsA",
                                                        "EnumJobsA",
                                                        "EnumMonitorsA",
                                                        "EnumPrintProcessorsA",
                                                        "EnumPrinterDriversA",
                                                        "EnumPrintersA",
                                                        "GetPrintProcessorDirectoryA",
                                                        "GetPrinterDataA",
                                                        "GetPrinterDriverDirectoryA",
                                                        "OpenPrinterA",
                                                        "SetJobA"};
    return kServiceCalls.count(name) != 0;
}

bool SpoolerRefuses(const char *name) {
    if (!Spooler().stopped || !IsServiceCall(name))
        return false;
    Spooler().refusedCalls++;
    return true;
}

bool SpoolerRunning() {
    return !Spooler().stopped;
}

int RefusedSpoolerCalls() {
    return Spooler().refusedCalls;
}

Environment *FindEnvironment(LPCSTR name) {
    if (name == NULL || name[0] == '\0')
        return &Spooler().x86;
    for (Environment *environment : {&Spooler().x86, &Spooler().x64})
        if (Upper(name) == Upper(environment->name))
            return environment;
    return nullptr;
}

Environment &NativeEnvironment() {
    return g_machine->wow64 ? Spooler().x64 : Spooler().x86;
}

std::string DriverDirectoryOf(const Environment &environment) {
    std::string path = g_machine->systemDir + "\\spool\\DRIVERS\\" + environment.driverFolder;
    MakeDirectory(path);
    return path;
}

std::string ProcessorDirectoryOf(const Environment &environment) {
    std::string path = g_machine->systemDir + "\\spool\\prtprocs\\" + environment.processorFolder;
    MakeDirectory(path);
    return path;
}

std::string InfStore() {
    return g_machine->windowsDir + "\\INF";
}

FileNode *FindFile(const std::string &path) {
    auto it = g_machine->files.find(NormalizePath(path));
    return it == g_machine->files.end() || it->second.directory ? nullptr : &it->second;
}

bool IsFullPath(const std::string &path) {
    return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           path.compare(0, 2, "\\\\") == 0;
}

std::string FileName(const std::string &path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

LPSTR StringArea::Put(const std::string &text) {
    size_t size = text.size() + 1;
    m_used += size;
    if (m_next == nullptr)
        return NULL;
    LPSTR result = (LPSTR)m_next;
    memcpy(m_next, text.c_str(), size);
    m_next += size;
    return result;
}

LPSTR StringArea::PutList(const std::vector<std::string> &texts) {
    if (texts.empty())
        return NULL;
    std::string joined;
    for (const std::string &text : texts)
        joined += text + '\0';
    return Put(joined); // Put adds the closing NUL
}

BOOL WriteText(const std::string &text, LPBYTE buffer, DWORD size, LPDWORD needed) {
    if (needed == NULL) {
        SetError(RPC_X_NULL_REF_POINTER);
        return FALSE;
    }
    *needed = DWORD(text.size() + 1);
    if (buffer == NULL || size < *needed) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(buffer, text.c_str(), text.size() + 1);
    return TRUE;
}

} // namespace winsim
