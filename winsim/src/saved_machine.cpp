// The machine's state at rest, saved and put back.
#include "registry.h"
#include "spooler.h"

#include <tuple>

namespace winsim {

struct SavedMachine {
    OsVersion version;
    bool wow64, shutdownPrivilege, privilegeEnabled;
    std::set<std::string> missingFunctions;
    std::string windowsDir, systemDir, currentDir;
    std::map<std::string, FileNode> files;
    int lastLinkGroup;
    unsigned long long clockMs;
    int baseSeconds;
    RegistryState registry;
    SpoolerState spooler;
};

namespace {
// The members both keep under the same names.
template <class Kept> auto State(Kept &kept) {
    return std::tie(kept.version, kept.wow64, kept.shutdownPrivilege, kept.privilegeEnabled,
                    kept.missingFunctions, kept.windowsDir, kept.systemDir, kept.currentDir,
                    kept.files, kept.lastLinkGroup, kept.clockMs, kept.baseSeconds);
}
} // namespace

std::shared_ptr<const SavedMachine> SaveMachine() {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto saved = std::make_shared<SavedMachine>();
    State(*saved) = State(*g_machine);
    saved->registry = *g_machine->registry;
    saved->spooler = *g_machine->spooler;
    return saved;
}

void RestoreMachine(const SavedMachine &saved) {
    Reset();
    std::lock_guard<std::mutex> lock(g_mutex);
    State(*g_machine) = State(saved);
    *g_machine->registry = saved.registry;
    *g_machine->spooler = saved.spooler;
}

} // namespace winsim
