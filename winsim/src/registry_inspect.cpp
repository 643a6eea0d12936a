// The test side of the registry: keys, values and DACLs put and read by path and view.
#include "registry.h"

#include <winsim_registry.h>

#include <stdexcept>

namespace winsim {

namespace {
std::string Physical(const std::string &path, RegView view) {
    std::string canonical = CanonicalKeyPath(path);
    if (canonical.empty())
        throw std::invalid_argument("no registry root in " + path);
    return PhysicalKeyPath(canonical, view == RegView::Program32);
}

RegKey *Find(const std::string &path, RegView view) {
    return FindKey(Physical(path, view));
}
} // namespace

void PutKey(const std::string &path, RegView view) {
    CreateKeyPath(Physical(path, view));
}

void PutValue(const std::string &keyPath, const std::string &name, DWORD type,
              const std::string &data, RegView view) {
    CreateKeyPath(Physical(keyPath, view)).values[Upper(name)] = RegValue{name, type, data};
}

bool KeyExists(const std::string &path, RegView view) {
    return Find(path, view) != nullptr;
}

std::optional<RegistryValue> GetValue(const std::string &keyPath, const std::string &name,
                                      RegView view) {
    RegKey *key = Find(keyPath, view);
    if (key == nullptr || key->values.count(Upper(name)) == 0)
        return std::nullopt;
    const RegValue &value = key->values[Upper(name)];
    return RegistryValue{value.name, value.type, value.data};
}

std::vector<std::string> SubKeys(const std::string &path, RegView view) {
    std::vector<std::string> names;
    if (RegKey *key = Find(path, view))
        for (RegKey *child : ChildKeys(key->path))
            names.push_back(child->path.substr(child->path.rfind('\\') + 1));
    return names;
}

std::vector<RegistryValue> Values(const std::string &path, RegView view) {
    std::vector<RegistryValue> values;
    if (RegKey *key = Find(path, view))
        for (const auto &entry : key->values)
            values.push_back(
                RegistryValue{entry.second.name, entry.second.type, entry.second.data});
    return values;
}

void MakeRegistryLink(const std::string &path, const std::string &target, RegView view) {
    RegKey &link = CreateKeyPath(Physical(path, view));
    link.isLink = true;
    link.link = Physical(target, view);
}

size_t OpenKeyHandles() {
    size_t count = 0;
    for (const auto &entry : g_machine->handles)
        if (dynamic_cast<KeyHandle *>(entry.second.get()) != nullptr)
            ++count;
    return count;
}

std::vector<AccessEntry> KeyAcl(const std::string &path, RegView view) {
    RegKey *key = Find(path, view);
    return key == nullptr ? std::vector<AccessEntry>() : key->dacl;
}

void SetKeyAcl(const std::string &path, const std::vector<AccessEntry> &dacl, RegView view) {
    SetKeyDacl(CreateKeyPath(Physical(path, view)), dacl);
}

} // namespace winsim
