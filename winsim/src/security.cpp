// SIDs, access-control lists and security descriptors.
#include "machine.h"

#include <aclapi.h>
#include <string.h>

using namespace winsim;

namespace {
struct Sid {
    SID_IDENTIFIER_AUTHORITY authority;
    std::vector<DWORD> subAuthorities;
};

std::string SidText(const Sid &sid) {
    unsigned long long authority = 0;
    for (BYTE b : sid.authority.Value)
        authority = (authority << 8) | b;
    std::string text = "S-1-" + std::to_string(authority);
    for (DWORD sub : sid.subAuthorities)
        text += "-" + std::to_string(sub);
    return text;
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
    DWORD all[8] = {a0, a1, a2, a3, a4, a5, a6, a7};
    Sid *created = new Sid{*authority, std::vector<DWORD>(all, all + count)};
    *sid = created;
    return TRUE;
}

PVOID WINAPI FreeSid(PSID sid) {
    Api api("FreeSid");
    delete (Sid *)sid;
    return NULL;
}

DWORD WINAPI SetEntriesInAclA(ULONG count, PEXPLICIT_ACCESSA entries, PACL oldAcl, PACL *newAcl) {
    Api api("SetEntriesInAclA");
    if (api.failed())
        return GetLastError();
    std::vector<AccessEntry> list;
    if (oldAcl != NULL) {
        auto old = g_machine->acls.find(oldAcl);
        if (old == g_machine->acls.end())
            return 1336; // ERROR_INVALID_ACL
        list = old->second;
    }
    for (ULONG i = 0; i < count; ++i) {
        const EXPLICIT_ACCESSA &entry = entries[i];
        if (entry.Trustee.TrusteeForm != TRUSTEE_IS_SID || entry.Trustee.ptstrName == NULL)
            return 1332; // ERROR_NONE_MAPPED: the trustee cannot be resolved
        std::string trustee = SidText(*(const Sid *)entry.Trustee.ptstrName);
        for (size_t j = 0; j < list.size();)
            if (list[j].trustee == trustee && entry.grfAccessMode == SET_ACCESS)
                list.erase(list.begin() + long(j));
            else
                ++j;
        list.push_back(AccessEntry{trustee, entry.grfAccessPermissions, int(entry.grfAccessMode),
                                   entry.grfInheritance});
    }
    ACL *acl = new ACL();
    acl->AclRevision = 2;
    acl->AceCount = WORD(list.size());
    g_machine->acls[acl] = list;
    *newAcl = acl;
    return ERROR_SUCCESS;
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
