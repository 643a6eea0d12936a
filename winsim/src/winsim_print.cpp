// The test side of the spooler, the INF store and the device records.
#include "spooler.h"

#include <stdio.h>

#include <stdexcept>

namespace winsim {

namespace {

Environment &EnvironmentNamed(const std::string &name) {
    Environment *environment = FindEnvironment(name.c_str());
    return environment != nullptr ? *environment : Spooler().x86;
}

Printer &PrinterNamed(const std::string &name) {
    Printer *printer = Spooler().printers.Find(name);
    if (printer == nullptr)
        throw std::invalid_argument("no printer " + name);
    return *printer;
}

void SetData(const std::string &printer, const PrinterData &value) {
    std::vector<PrinterData> &data = PrinterNamed(printer).info.data;
    for (PrinterData &existing : data)
        if (Upper(existing.name) == Upper(value.name)) {
            existing = value;
            return;
        }
    data.push_back(value);
}

// Puts a driver file into the version directory and returns its full path there.
std::string InstallFile(const std::string &versionDir, const std::string &name) {
    std::string path = versionDir + "\\" + FileName(name);
    PutFile(path, "driver file " + FileName(name));
    return path;
}

std::string Hex(DWORD value) {
    char text[16];
    snprintf(text, sizeof text, "0x%X", value);
    return text;
}

std::string DataText(const PrinterData &value) {
    if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD))
        return std::to_string(*(const DWORD *)value.data.data());
    return value.data.c_str();
}

bool IsInfName(const std::string &name) {
    return name.size() > 4 && Upper(name.substr(name.size() - 4)) == ".INF";
}

std::string Joined(const std::vector<std::string> &items) {
    std::string text;
    for (const std::string &item : items)
        text += (text.empty() ? "" : ";") + item;
    return text;
}

} // namespace

void AddPrinter(const PrinterInfo &printer) {
    Printer added;
    added.info = printer;
    added.info.pendingDeletion = false;
    added.serial = Spooler().nextSerial++;
    Spooler().printers.Add(printer.name, added);
}

std::vector<PrinterInfo> Printers() {
    std::vector<PrinterInfo> printers;
    for (const Printer &printer : Spooler().printers)
        printers.push_back(printer.info);
    return printers;
}

void SetPrinterDword(const std::string &printer, const std::string &value, DWORD data) {
    SetData(printer, {value, REG_DWORD, std::string((const char *)&data, sizeof data)});
}

void SetPrinterString(const std::string &printer, const std::string &value,
                      const std::string &data) {
    SetData(printer, {value, REG_SZ, data + '\0'});
}

DWORD AddJob(const std::string &printer, const std::string &document) {
    DWORD id = Spooler().nextJob++;
    PrinterNamed(printer).info.jobs.push_back({id, document, 0});
    return id;
}

void FinishJobs(const std::string &printer) {
    Printer &found = PrinterNamed(printer);
    found.info.jobs.clear();
    RemoveIfUnused(found);
}

void AddDriver(const DriverInfo &driver) {
    Environment &environment = EnvironmentNamed(driver.environment);
    std::string versionDir = DriverDirectoryOf(environment) + "\\" + std::to_string(driver.version);
    DriverInfo installed = driver;
    installed.environment = environment.name;
    installed.driverPath = InstallFile(versionDir, driver.driverPath);
    installed.dataFile = InstallFile(versionDir, driver.dataFile);
    installed.configFile = InstallFile(versionDir, driver.configFile);
    if (!driver.helpFile.empty())
        installed.helpFile = InstallFile(versionDir, driver.helpFile);
    installed.dependentFiles.clear();
    for (const std::string &file : driver.dependentFiles)
        installed.dependentFiles.push_back(InstallFile(versionDir, file));
    environment.drivers.Add(driver.name, installed);
}

std::vector<DriverInfo> Drivers(const std::string &environment) {
    std::vector<DriverInfo> drivers;
    for (const DriverInfo &driver : EnvironmentNamed(environment).drivers)
        drivers.push_back(driver);
    return drivers;
}

std::string DriverDirectory(const std::string &environment) {
    return DriverDirectoryOf(EnvironmentNamed(environment));
}

std::string ProcessorDirectory(const std::string &environment) {
    return ProcessorDirectoryOf(EnvironmentNamed(environment));
}

void AddMonitor(const MonitorInfo &monitor) {
    Spooler().monitors.Add(monitor.name, monitor);
}

std::vector<MonitorInfo> Monitors() {
    std::vector<MonitorInfo> monitors;
    for (const MonitorInfo &monitor : Spooler().monitors)
        monitors.push_back(monitor);
    return monitors;
}

void AddPrintProcessor(const std::string &environment, const std::string &name,
                       const std::string &dll) {
    EnvironmentNamed(environment).processors.Add(name, {name, dll});
}

std::vector<std::string> PrintProcessors(const std::string &environment) {
    std::vector<std::string> names;
    for (const auto &processor : EnvironmentNamed(environment).processors)
        names.push_back(processor.first);
    return names;
}

void AddPort(const std::string &name, const std::string &monitor) {
    Spooler().ports.Add(name, {name, monitor});
}

std::vector<std::string> Ports() {
    std::vector<std::string> names;
    for (const Port &port : Spooler().ports)
        names.push_back(port.name);
    return names;
}

void AddForm(const std::string &name, LONG width, LONG height) {
    Spooler().forms.Add(name, {name, FORM_USER, width, height});
}

std::vector<std::string> FormNames() {
    std::vector<std::string> names;
    for (const Form &form : Spooler().forms)
        names.push_back(form.name);
    return names;
}

std::string InfDirectory() {
    return InfStore();
}

std::vector<std::string> InfNames() {
    std::vector<std::string> names;
    for (const std::string &key : ListTree(InfStore())) {
        const FileNode &node = g_machine->files[key];
        if (!node.directory && key.rfind('\\') == NormalizePath(InfStore()).size() &&
            IsInfName(node.name))
            names.push_back(node.name);
    }
    return names;
}

void AddDevice(const DeviceInfo &device) {
    // The USB device class: the nodes the USB enumerator makes for attached printers.
    const GUID usbClass = {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0, 0}};
    Spooler().devices[Spooler().nextDevInst++] = Device{device, usbClass};
}

std::vector<DeviceInfo> Devices() {
    std::vector<DeviceInfo> devices;
    for (const auto &entry : Spooler().devices)
        devices.push_back(entry.second.info);
    return devices;
}

std::vector<std::string> PrintState() {
    SpoolerState &spooler = Spooler();
    std::vector<std::string> lines;
    for (const MonitorInfo &monitor : spooler.monitors)
        lines.push_back("monitor " + monitor.name + " | " + monitor.environment + " | " +
                        monitor.dll);
    for (const Port &port : spooler.ports)
        lines.push_back("port " + port.name + " | " + port.monitor);
    for (Environment *environment : {&spooler.x86, &spooler.x64}) {
        for (const auto &processor : environment->processors)
            lines.push_back("processor " + environment->name + " | " + processor.first + " | " +
                            processor.second);
        for (const DriverInfo &d : environment->drivers)
            lines.push_back("driver " + environment->name + " | " + d.name + " | " +
                            std::to_string(d.version) + " | " + d.driverPath + " | " + d.dataFile +
                            " | " + d.configFile + " | " + d.helpFile + " | " +
                            Joined(d.dependentFiles) + " | " + d.monitor + " | " +
                            d.defaultDatatype);
    }
    for (const Printer &printer : spooler.printers) {
        const PrinterInfo &p = printer.info;
        std::string line = "printer " + p.name + " | " + p.driver + " | " + p.port + " | " +
                           p.processor + " | " + p.datatype + " | " + p.share + " | " + p.comment +
                           " | " + p.location + " | " + p.sepFile + " | " + p.parameters + " | " +
                           Hex(p.attributes) + " | " + std::to_string(p.priority) +
                           (p.pendingDeletion ? " | deleting" : "");
        for (const JobInfo &job : p.jobs)
            line += " | job " + std::to_string(job.id) + " " + job.document;
        for (const PrinterData &value : p.data)
            line += " | data " + value.name + " " + Hex(value.type) + " " + DataText(value);
        lines.push_back(line);
    }
    for (const Form &form : spooler.forms)
        lines.push_back("form " + form.name + " | " + Hex(form.flags) + " | " +
                        std::to_string(form.width) + "x" + std::to_string(form.height));
    for (const auto &entry : spooler.devices) {
        const DeviceInfo &device = entry.second.info;
        lines.push_back("device " + device.instanceId + " | " + device.enumerator + " | " +
                        Joined(device.hardwareIds) + " | " +
                        (device.present ? "present" : "absent") + " | " + device.inf);
    }
    return lines;
}

} // namespace winsim
