#include "machine_snapshot.h"

#include <winsim.h>
#include <winsim_print.h>
#include <winsim_registry.h>

#include <regex>

namespace {
void AddKey(MachineSnapshot &snapshot, const std::string &path) {
    snapshot["reg " + path] = "";
    for (const winsim::RegistryValue &value : winsim::Values(path))
        snapshot["reg " + path + " : " + value.name] =
            std::to_string(value.type) + ":" + value.data;
    for (const std::string &sub : winsim::SubKeys(path))
        AddKey(snapshot, path + "\\" + sub);
}
} // namespace

MachineSnapshot TakeSnapshot() {
    MachineSnapshot snapshot;
    for (const std::string &path : winsim::ListTree("C:\\"))
        snapshot["file " + path] = std::to_string(winsim::Attributes(path)) + ":" +
                                   (winsim::IsDirectory(path) ? "" : winsim::FileContent(path));
    for (const char *root : {"HKLM", "HKCU", "HKCR", "HKU"})
        AddKey(snapshot, root);
    for (const std::string &line : winsim::PrintState())
        snapshot["print " + line] = "";
    return snapshot;
}

std::vector<std::string> SnapshotDifferences(const MachineSnapshot &before,
                                             const MachineSnapshot &after) {
    std::vector<std::string> differences;
    for (const auto &entry : before) {
        auto other = after.find(entry.first);
        if (other == after.end())
            differences.push_back("- " + entry.first);
        else if (other->second != entry.second)
            differences.push_back("~ " + entry.first);
    }
    for (const auto &entry : after)
        if (before.count(entry.first) == 0)
            differences.push_back("+ " + entry.first);
    return differences;
}

std::vector<std::string> UnexpectedDifferences(const MachineSnapshot &before,
                                               const MachineSnapshot &after,
                                               const std::vector<std::string> &allowed) {
    std::vector<std::regex> patterns;
    for (const std::string &pattern : allowed)
        patterns.emplace_back(pattern, std::regex::icase);
    std::vector<std::string> unexpected;
    for (const std::string &difference : SnapshotDifferences(before, after)) {
        bool ok = false;
        for (const std::regex &pattern : patterns)
            ok = ok || std::regex_match(difference, pattern);
        if (!ok)
            unexpected.push_back(difference);
    }
    return unexpected;
}

const std::vector<std::string> kUninstallLeftovers = {
    // The trace logs: the record of both runs, for the user and for support.
    R"([+~] file C:\\TEMP(\\QMR-640_(INSTALLER|UNINSTALLER)\.TXT)?)",
    // The model folder with the uninstaller that ran from it and the options file, and the
    // options file's copy in the system directory: the installer puts them down for itself and
    // no removal step touches them, so that the uninstaller stays where the user started it.
    R"(\+ file C:\\WINDOWS\\QMR-640(\\QMR640_UNINSTALLER\.EXE|\\QMR640_CONFIG\.KST)?)",
    R"(\+ file C:\\WINDOWS\\(SYSTEM32|SYSWOW64)\\QMR640_CONFIG\.KST)",
    // The spooler's own folder for version-3 drivers stays, empty.
    R"(\+ file C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\(W32X86|X64)\\3)",
    // Whatever of the product was there before the run, its forms too: the uninstall takes every
    // trace of it,
    // and the spooler deletes the files of its driver that no other driver uses.
    R"(- .*(QMR-640|\[640\]).*)",
    R"(- file C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\(W32X86|X64)\\3\\.*)",
};
