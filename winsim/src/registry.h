// The registry's tree, its views and key security, shared by the registry's calls, the key
// security calls and the test side.
#pragma once
#include "machine.h"

namespace winsim {

// Keys by upper-case full path from the root's long name, e.g. "HKEY_LOCAL_MACHINE\SOFTWARE".
struct RegistryState {
    std::map<std::string, RegKey> keys;
};

// What a handle names: a predefined root (full access, the caller's default view) or an open
// key; not valid when the handle is neither. The path is physical; the logical one (as the
// program named it) and the view decide where keys opened relative to the handle lie.
struct KeyRef {
    bool valid = false;
    std::string path, logical;
    bool view32 = false;
    REGSAM access = 0;
};
struct KeyHandle : HandleObject {
    KeyRef key;
};
KeyRef ResolveKey(HKEY key);

// A path such as "HKLM\Software\X" with the root's long name and without empty components;
// empty when the root is unknown.
std::string CanonicalKeyPath(const std::string &path);
// Appends a relative path's components; empty components are dropped.
std::string JoinKeyPath(const std::string &base, const std::string &relative);
// Where a logical path lies: the 32-bit view moves HKLM\SOFTWARE below Wow6432Node on WOW64.
std::string PhysicalKeyPath(const std::string &logical, bool view32);

std::string ParentKeyPath(const std::string &path); // empty for a root
RegKey *FindKey(const std::string &path);
// Creates the key and missing parents (each inheriting its parent's DACL); returns it.
RegKey &CreateKeyPath(const std::string &path);
std::vector<RegKey *> ChildKeys(const std::string &path);

// Key security: the roots' DACL, and the access the caller (an administrator) has to a key.
std::vector<AccessEntry> DefaultKeyDacl();
DWORD MapKeyRights(DWORD access); // generic rights as keys define them, view flags dropped
bool CallerHas(const RegKey &key, DWORD access);
// Replaces a key's DACL and renews what its subkeys inherit from it.
void SetKeyDacl(RegKey &key, const std::vector<AccessEntry> &dacl);
std::vector<AccessEntry> InheritedFrom(const RegKey &parent);

} // namespace winsim
