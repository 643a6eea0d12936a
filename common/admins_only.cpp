#include "common/admins_only.h"

#include <aclapi.h>
#include <string.h>

namespace {
// Well-known SIDs in the system's layout (revision, count, authority, sub-authorities): account
// names differ by language, these do not.
struct WellKnownSid {
    BYTE revision;
    BYTE count;
    SID_IDENTIFIER_AUTHORITY authority;
    DWORD parts[2];
};
const WellKnownSid kAdministrators = {
    1, 2, SECURITY_NT_AUTHORITY, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};
const WellKnownSid kSystem = {1, 1, SECURITY_NT_AUTHORITY, {SECURITY_LOCAL_SYSTEM_RID, 0}};
const WellKnownSid kUsers = {
    1, 2, SECURITY_NT_AUTHORITY, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS}};
} // namespace

bool BuildAdminsOnly(DWORD usersRights, DWORD inheritance, AdminsOnlySecurity &security) {
    const WellKnownSid *sids[3] = {&kAdministrators, &kSystem, &kUsers};
    const DWORD rights[3] = {GENERIC_ALL, GENERIC_ALL, usersRights};
    EXPLICIT_ACCESSA entries[3];
    memset(entries, 0, sizeof entries);
    for (int i = 0; i < 3; ++i) {
        entries[i].grfAccessPermissions = rights[i];
        entries[i].grfAccessMode = SET_ACCESS;
        entries[i].grfInheritance = inheritance;
        entries[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entries[i].Trustee.TrusteeType = i == 1 ? TRUSTEE_IS_USER : TRUSTEE_IS_ALIAS;
        entries[i].Trustee.ptstrName = (LPSTR) const_cast<WellKnownSid *>(sids[i]);
    }
    security.acl = NULL;
    if (SetEntriesInAclA(3, entries, NULL, &security.acl) != ERROR_SUCCESS)
        return false;
    // Protected: nothing the folder hands down is merged in, whoever owns the folder.
    SECURITY_DESCRIPTOR &descriptor = security.descriptor;
    if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, security.acl, FALSE) &&
        SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return true;
    ReleaseAdminsOnly(security);
    return false;
}

void ReleaseAdminsOnly(AdminsOnlySecurity &security) {
    LocalFree(security.acl);
    security.acl = NULL;
}
