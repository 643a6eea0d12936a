#include "common/redirection_guard.h"

#include <windows.h>

namespace {
typedef BOOL(WINAPI *SetProcessMitigationPolicyFn)(int policy, PVOID buffer, SIZE_T length);

// ProcessRedirectionTrustPolicy and its EnforceRedirectionTrust flag.
const int kRedirectionTrustPolicy = 16;
const DWORD kEnforceRedirectionTrust = 0x1;
} // namespace

void GuardRedirection() {
    SetProcessMitigationPolicyFn setPolicy = (SetProcessMitigationPolicyFn)(void *)GetProcAddress(
        GetModuleHandleA("kernel32"), "SetProcessMitigationPolicy");
    DWORD flags = kEnforceRedirectionTrust;
    // A system that does not know the policy refuses it; the run goes on without.
    if (setPolicy != NULL)
        setPolicy(kRedirectionTrustPolicy, &flags, sizeof flags);
}
