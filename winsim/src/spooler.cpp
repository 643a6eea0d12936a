// The print spooler.
#include "machine.h"

namespace winsim {
struct SpoolerState {};
std::shared_ptr<SpoolerState> MakeSpooler() { return std::make_shared<SpoolerState>(); }
} // namespace winsim

BOOL WINAPI winsim::SimSetupUninstallOEMInfA(PCSTR, DWORD, PVOID) { return FALSE; }
