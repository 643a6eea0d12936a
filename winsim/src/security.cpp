// SIDs, access-control lists and security descriptors.
#include "machine.h"

#include <aclapi.h>
#include <string.h>

#include <algorithm>

using namespace winsim;

namespace {
// A SID as Windows lays it out (revision, count, authority, then the sub-authorities), with room
// for eight: programs may build well-known SIDs of this layout themselves.
struct Sid {
    BYTE revision;
    BYTE count;
    SID_IDENTIFIER_AUTHORITY authority;
    DWORD subAuthorities[8];
};

std::string SidText(const Sid &sid) {
    unsigned long long authority = 0;
    for (BYTE b : sid.authority.Value)
        authority = (authority << 8) | b;
    std::string text = "S-1-" + std::to_string(authority);
    for (BYTE i = 0; i < sid.count; ++i)
        text += "-" + std::to_string(sid.subAuthorities[i]);
    return text;
}

// The accounts the machine knows by name; names compare case-insensitively, as lookups do.
const std::pair<const char *, const char *> kAccounts[] = {{"EVERYONE", "S-1-1-0"},
                                                           {"ADMINISTRATORS", "S-1-5-32-544"},
                                                           {"SYSTEM", "S-1-5-18"},
                                                           {"USERS", "S-1-5-32-545"}};

// The trustee's SID in text form; empty when it cannot be resolved.
std::string TrusteeSid(const TRUSTEE_A &trustee) {
    if (trustee.ptstrName == NULL)
        return "";
    if (trustee.TrusteeForm == TRUSTEE_IS_SID)
        return SidText(*(const Sid *)trustee.ptstrName);
    if (trustee.TrusteeForm == TRUSTEE_IS_NAME)
        for (const auto &account : kAccounts)
            if (Upper(trustee.ptstrName) == account.first)
                return account.second;
    return "";
}

bool Inherited(const AccessEntry &entry) {
    return (entry.inheritance & INHERITED_ACE) != 0;
}
bool Allows(const AccessEntry &entry) {
    return entry.mode == GRANT_ACCESS || entry.mode == SET_ACCESS;
}
int Rank(const AccessEntry &entry) {
    return Inherited(entry) ? 2 : Allows(entry) ? 1 : 0;
}

// Merges one new entry into the explicit entries of its trustee, as its access mode documents.
void Merge(std::vector<AccessEntry> &list, const AccessEntry &entry) {
    auto ofTrustee = [&entry](const AccessEntry &e) {
        return !Inherited(e) && e.trustee == entry.trustee;
    };
    auto drop = [&list](const std::function<bool(const AccessEntry &)> &which) {
        list.erase(std::remove_if(list.begin(), list.end(), which), list.end());
    };
    switch (entry.mode) {
    case SET_ACCESS: // replaces whatever the trustee had
        drop(ofTrustee);
        list.push_back(entry);
        break;
    case REVOKE_ACCESS: // takes the trustee's grants away; its denials stay
        drop([&ofTrustee](const AccessEntry &e) { return ofTrustee(e) && Allows(e); });
        break;
    case GRANT_ACCESS:
    case DENY_ACCESS: // adds to the trustee's grants or denials
        for (AccessEntry &e : list)
            if (ofTrustee(e) && Allows(e) == Allows(entry) && e.inheritance == entry.inheritance) {
                e.permissions |= entry.permissions;
                return;
            }
        list.push_back(entry);
        break;
    default: // NOT_USED_ACCESS and the audit modes leave the DACL as it is
        break;
    }
}
} // namespace

BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD a0,
                                     DWORD a1, DWORD a2, DWORD a3, DWORD a4, DWORD a5, DWORD a6,
                                     DWORD a7, PSID *sid) {
    Api api("AllocateAndInitializeSid");
    if (api.failed())
        return FALSE;
    if (count == 0 || count > 8) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *sid = new Sid{1, count, *authority, {a0, a1, a2, a3, a4, a5, a6, a7}};
    return TRUE;
}

PVOID WINAPI FreeSid(PSID sid) {
    Api api("FreeSid");
    delete (Sid *)sid;
    return NULL;
}

const std::vector<AccessEntry> *winsim::FindAcl(const void *acl) {
    auto made = g_machine->acls.find(acl);
    if (made != g_machine->acls.end())
        return &made->second;
    auto handedOut = g_machine->descriptorAcls.find(acl);
    if (handedOut == g_machine->descriptorAcls.end())
        return nullptr;
    if (g_machine->localAllocations.count(handedOut->second.descriptor) == 0) {
        g_machine->descriptorAcls.erase(handedOut);
        return nullptr;
    }
    return &handedOut->second.entries;
}

DWORD WINAPI SetEntriesInAclA(ULONG count, PEXPLICIT_ACCESSA entries, PACL oldAcl, PACL *newAcl) {
    Api api("SetEntriesInAclA");
    if (api.failed())
        return GetLastError();
    std::vector<AccessEntry> list;
    if (oldAcl != NULL) {
        const std::vector<AccessEntry> *old = FindAcl(oldAcl);
        if (old == nullptr)
            return ERROR_INVALID_ACL;
        list = *old;
    }
    for (ULONG i = 0; i < count; ++i) {
        const EXPLICIT_ACCESSA &entry = entries[i];
        std::string trustee = TrusteeSid(entry.Trustee);
        if (trustee.empty())
            return 1332; // ERROR_NONE_MAPPED: the trustee cannot be resolved
        Merge(list, AccessEntry{trustee, entry.grfAccessPermissions, int(entry.grfAccessMode),
                                entry.grfInheritance});
    }
    // Explicit denials, explicit grants, inherited entries: the order Windows keeps.
    std::stable_sort(list.begin(), list.end(),
                     [](const AccessEntry &a, const AccessEntry &b) { return Rank(a) < Rank(b); });
    ACL *acl = new ACL();
    acl->AclRevision = 2;
    acl->AceCount = WORD(list.size());
    g_machine->acls[acl] = list;
    *newAcl = acl;
    return ERROR_SUCCESS;
}

void WINAPI BuildExplicitAccessWithNameA(PEXPLICIT_ACCESSA entry, LPSTR trustee, DWORD permissions,
                                         ACCESS_MODE mode, DWORD inheritance) {
    Api api("BuildExplicitAccessWithNameA");
    entry->grfAccessPermissions = permissions;
    entry->grfAccessMode = mode;
    entry->grfInheritance = inheritance;
    entry->Trustee.pMultipleTrustee = NULL;
    entry->Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    entry->Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    entry->Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
    entry->Trustee.ptstrName = trustee;
}

BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision) {
    Api api("InitializeSecurityDescriptor");
    if (api.failed())
        return FALSE;
    if (revision != SECURITY_DESCRIPTOR_REVISION) {
        SetError(1305); // ERROR_UNKNOWN_REVISION
        return FALSE;
    }
    memset(descriptor, 0, sizeof *descriptor);
    descriptor->Revision = BYTE(revision);
    return TRUE;
}

BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL present, PACL dacl,
                                      BOOL defaulted) {
    Api api("SetSecurityDescriptorDacl");
    if (api.failed())
        return FALSE;
    if (descriptor->Revision != SECURITY_DESCRIPTOR_REVISION) {
        SetError(1305);
        return FALSE;
    }
    descriptor->Control =
        WORD((descriptor->Control & ~(SE_DACL_PRESENT | SE_DACL_DEFAULTED)) |
             (present ? SE_DACL_PRESENT : 0) | (defaulted ? SE_DACL_DEFAULTED : 0));
    descriptor->Dacl = present ? dacl : NULL;
    return TRUE;
}

BOOL WINAPI SetSecurityDescriptorControl(PSECURITY_DESCRIPTOR descriptor,
                                         SECURITY_DESCRIPTOR_CONTROL bitsOfInterest,
                                         SECURITY_DESCRIPTOR_CONTROL bitsToSet) {
    Api api("SetSecurityDescriptorControl");
    if (api.failed())
        return FALSE;
    // Only the inheritance bits may be set this way: the auto-inherit requests, the
    // auto-inherited and the protected flags of the DACL and the SACL.
    const SECURITY_DESCRIPTOR_CONTROL settable = 0x3F00;
    if (descriptor->Revision != SECURITY_DESCRIPTOR_REVISION ||
        ((bitsOfInterest | bitsToSet) & ~settable)) {
        SetError(descriptor->Revision != SECURITY_DESCRIPTOR_REVISION ? 1305
                                                                      : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    descriptor->Control =
        WORD((descriptor->Control & ~bitsOfInterest) | (bitsToSet & bitsOfInterest));
    return TRUE;
}
