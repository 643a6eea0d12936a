// The test side of the simulated registry, its key security and the child processes: set them
// up and inspect what the programs left.
#pragma once
#include <aclapi.h>
#include <winsim.h>

#include <functional>
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

// ---- child processes started with CreateProcessA. Without a script a child ends at once.
struct ChildScript {
    DWORD startError = 0; // non-zero: the start fails with this code
    DWORD runMs = 0;      // virtual time from the start until the child ends
    bool endless = false; // never ends: a wait times out, or with INFINITE the process hangs
    // Run when a wait sees the child end, as the child's work: on the waiting thread, with the
    // machine unlocked and as native 64-bit code (no WOW64 redirection).
    std::function<void()> onFinish;
};
// For every start with exactly this command line.
void ScriptChild(const std::string &commandLine, const ChildScript &script);
// For the next start that no command-line script covers.
void ScriptNextChild(const ChildScript &script);

struct ChildLaunch {
    std::string application; // empty when none was given
    std::string commandLine;
    bool securityAttributes; // process or thread attributes were given
    bool inheritHandles;
    DWORD creationFlags;
    bool environment;             // an environment block was given
    std::string currentDirectory; // the child's: the one given, else the caller's
    DWORD startupSize;
    DWORD startupFlags;
    WORD showWindow;
    bool started;
    bool finished;    // a wait saw it end
    bool handlesOpen; // the caller holds its process or thread handle, or did when it ended
};
// Every CreateProcessA call in order, failed starts included. Started children also appear in
// Launches(), with the show state they were given (SW_SHOWNORMAL without STARTF_USESHOWWINDOW).
std::vector<ChildLaunch> ChildLaunches();

} // namespace winsim
