// The test side of the simulated registry and its key security: set them up and inspect what
// the programs left.
#pragma once
#include <aclapi.h>
#include <winsim.h>

#include <optional>
#include <string>
#include <vector>

namespace winsim {

// ---- registry
// The machine's own name: RegConnectRegistryA takes it (with or without the leading
// backslashes) for the local machine.
extern const char kComputerName[];

// Key paths begin with a root: HKLM, HKCU, HKCR, HKU or their long names. A path names the key
// where it lies (Physical, which is the 64-bit view on WOW64) or where the 32-bit programs'
// default view puts it (Program32: on WOW64, HKLM\SOFTWARE\X lies in
// HKLM\SOFTWARE\Wow6432Node\X). A path with an unknown root throws std::invalid_argument.
enum class RegView { Physical, Program32 };

struct RegistryValue {
    std::string name;
    DWORD type;
    std::string data; // the stored bytes, exactly as written
};

void PutKey(const std::string &path, RegView view = RegView::Physical); // with its parents
void PutValue(const std::string &keyPath, const std::string &name, DWORD type,
              const std::string &data, RegView view = RegView::Physical); // creates the key
bool KeyExists(const std::string &path, RegView view = RegView::Physical);
std::optional<RegistryValue> GetValue(const std::string &keyPath, const std::string &name,
                                      RegView view = RegView::Physical);
// A key's subkeys (names in display case) and values, sorted; none for a missing key.
std::vector<std::string> SubKeys(const std::string &path, RegView view = RegView::Physical);
std::vector<RegistryValue> Values(const std::string &path, RegView view = RegView::Physical);
// A registry link any user can make in a key it may write: the calls follow it to target as
// Windows does, unless they open it with REG_OPTION_OPEN_LINK.
void MakeRegistryLink(const std::string &path, const std::string &target,
                      RegView view = RegView::Physical);
// Key handles opened and not closed yet.
size_t OpenKeyHandles();

// ---- key security. The programs run as an administrator: Everyone, Administrators (S-1-5-32-544)
// and Users (S-1-5-32-545) are their groups. Roots grant SYSTEM and Administrators full control
// and Users read access, inherited by every key below.
// A key's DACL: its explicit entries, then those inherited from its parent (INHERITED_ACE set).
std::vector<AccessEntry> KeyAcl(const std::string &path, RegView view = RegView::Physical);
// Gives the key (created if missing) exactly these entries; its subkeys inherit the
// container-inherit ones afresh.
void SetKeyAcl(const std::string &path, const std::vector<AccessEntry> &dacl,
               RegView view = RegView::Physical);

} // namespace winsim
