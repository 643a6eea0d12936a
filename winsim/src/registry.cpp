// The registry with its 32- and 64-bit views, and key security.
#include "machine.h"

namespace winsim {
struct RegistryState {};
std::shared_ptr<RegistryState> MakeRegistry() { return std::make_shared<RegistryState>(); }
} // namespace winsim

LONG WINAPI winsim::SimRegDeleteKeyExA(HKEY, LPCSTR, REGSAM, DWORD) { return ERROR_ACCESS_DENIED; }
UINT WINAPI winsim::SimGetSystemWow64DirectoryA(LPSTR, UINT) { return 0; }
